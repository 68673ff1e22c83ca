// The README's demo command brings its installation up to date only when the program that writes it changed.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "testdata/TempDir.h"

namespace {
namespace fs = std::filesystem;

// Runs scripts/demo-data.sh with the maker and the demo directory; its exit status.
int Refresh(const fs::path& maker, const fs::path& demo) {
    const std::string cmd = "bash '" QM_SOURCE_DIR "/scripts/demo-data.sh' '" + maker.string() + "' '" +
                            demo.string() + "' >/dev/null 2>&1";
    const int status = std::system(cmd.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// A stand-in for the demo's writer: notes each run in `runs` beside it and writes `data` holding its version.
void WriteMaker(const fs::path& maker, const std::string& version, bool fails = false) {
    const std::string runs = (maker.parent_path() / "runs").string();
    ASSERT_TRUE(WriteFileText(maker.string(), "#!/bin/sh\necho " + version + " >>'" + runs + "'\n" +
                                                  (fails ? "exit 1\n" : "") + "mkdir -p \"$1/save\"\necho " +
                                                  version + " >\"$1/data\"\necho default >\"$1/quillm2.cfg\"\n"));
    fs::permissions(maker, fs::perms::owner_all);
}
}  // namespace

TEST(DemoScript, TheDemoIsWrittenOnlyForANewMakerAndKeepsItsSavesAndSettings) {
    TempDir dir;
    const fs::path maker = dir / "make_demo", demo = dir / "demo", runs = dir / "runs";
    WriteMaker(maker, "v1");
    ASSERT_EQ(Refresh(maker, demo), 0);
    EXPECT_EQ(ReadFileText(runs), "v1\n");
    EXPECT_EQ(ReadFileText(demo / "data"), "v1\n");

    // The player's saves and settings, and a file of the demo the next version no longer writes.
    ASSERT_TRUE(WriteFileText((demo / "save/ORV00_00.SAV").string(), "saved"));
    ASSERT_TRUE(WriteFileText((demo / "quillm2.cfg").string(), "mine"));
    ASSERT_TRUE(WriteFileText((demo / "stale").string(), "old"));
    ASSERT_EQ(Refresh(maker, demo), 0);
    EXPECT_EQ(ReadFileText(runs), "v1\n") << "the same maker ran again";
    EXPECT_TRUE(fs::exists(demo / "stale"));

    WriteMaker(maker, "v2");
    ASSERT_EQ(Refresh(maker, demo), 0);
    EXPECT_EQ(ReadFileText(runs), "v1\nv2\n");
    EXPECT_EQ(ReadFileText(demo / "data"), "v2\n");
    EXPECT_EQ(ReadFileText(demo / "save/ORV00_00.SAV"), "saved");
    EXPECT_EQ(ReadFileText(demo / "quillm2.cfg"), "mine");
    EXPECT_FALSE(fs::exists(demo / "stale"));
    EXPECT_FALSE(fs::exists(dir / "demo.new"));
    EXPECT_FALSE(fs::exists(dir / "demo.old"));
}

TEST(DemoScript, AFailingMakerLeavesThePreviousDemoAndAnInterruptedSwapIsUndone) {
    TempDir dir;
    const fs::path maker = dir / "make_demo", demo = dir / "demo", runs = dir / "runs";
    WriteMaker(maker, "v1");
    ASSERT_EQ(Refresh(maker, demo), 0);
    ASSERT_TRUE(WriteFileText((demo / "save/ORV00_00.SAV").string(), "saved"));

    WriteMaker(maker, "v2", true);
    EXPECT_NE(Refresh(maker, demo), 0);
    EXPECT_EQ(ReadFileText(demo / "data"), "v1\n");
    EXPECT_EQ(ReadFileText(demo / "save/ORV00_00.SAV"), "saved");

    // A run stopped between its two renames left the demo aside: the demo comes back, and being the maker's
    // own it is not written again.
    WriteMaker(maker, "v1");
    ASSERT_EQ(Refresh(maker, demo), 0);
    fs::rename(demo, dir / "demo.old");
    const std::string before = ReadFileText(runs);
    ASSERT_EQ(Refresh(maker, demo), 0);
    EXPECT_EQ(ReadFileText(runs), before);
    EXPECT_EQ(ReadFileText(demo / "save/ORV00_00.SAV"), "saved");
    EXPECT_FALSE(fs::exists(dir / "demo.old"));
}
