// Log texts, warning and fatal reports, debug-output lines and the counting allocator.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/Orv_Mem.h"
#include "tests/support/ScratchInstall.h"

namespace {
struct LogFixture : ::testing::Test, ScratchInstall {
    void SetUp() override { OpenInstall(false); }
    void TearDown() override {
        OrvError_SetEmergencySaveHook(nullptr);
        g_LogEnabled = true;
        CloseInstall();
    }
    std::string log() { return ReadFileText(dir / "quillmar2.log"); }
};
}  // namespace

TEST_F(LogFixture, BannerLinesAndWarningsAreAppendedUnlessSwitchedOff) {
    debug_log("ligne %d", 1);
    debug_printf("Orv3D_SetNewScreenSize(%d, %d) ok", 640, 480);
    std::string text = log();
    EXPECT_EQ(text.rfind("****** Quillmar2.Log - ", 0), 0u);
    EXPECT_NE(text.find("\nligne 1\n"), std::string::npos);
    EXPECT_NE(text.find("\nOrv3D_SetNewScreenSize(640, 480) ok\n"), std::string::npos);
    OrvError_Warning("fichier %s absent", "x.spr");
    EXPECT_NE(log().find("<<< erreur : fichier x.spr absent >>>\n"), std::string::npos);
    EXPECT_EQ(lines, (std::vector<std::string>{"Orv3D_SetNewScreenSize(640, 480) ok", "erreur: fichier x.spr absent"}));
    // Switched off, the log takes nothing more.
    const std::string before = log();
    g_LogEnabled = false;
    debug_log("hidden");
    EXPECT_EQ(log(), before);
}

TEST_F(LogFixture, WarningsBeforeTheFirstLogWaitForIt) {
    debug_log_reset_for_tests();
    debug_log("perdue");
    for (int i = 0; i < 40; i++) OrvError_Warning("tôt %d", i);
    EXPECT_EQ(lines.size(), 40u);  // the debug output has them at once
    debug_log_open((dir / "quillmar2.log").c_str());
    std::string text = log();
    EXPECT_EQ(text.rfind("****** Quillmar2.Log - ", 0), 0u);
    EXPECT_EQ(text.find("perdue"), std::string::npos);
    EXPECT_NE(text.find("\n<<< erreur : tôt 0 >>>\n"), std::string::npos);
    EXPECT_NE(text.find("\n<<< erreur : tôt 31 >>>\n<<< erreur : 8 avertissements de plus"), std::string::npos);
    EXPECT_EQ(text.find("tôt 32"), std::string::npos);
    // Once a log has been opened, a warning while it is closed is not kept for the next one.
    debug_log_open("");
    OrvError_Warning("tard");
    debug_log_open((dir / "quillmar2.log").c_str());
    EXPECT_EQ(log().find("tard"), std::string::npos);
    EXPECT_EQ(log().find("tôt"), std::string::npos);
}

TEST_F(LogFixture, FatalSavesQuitsOnceAndIgnoresReentry) {
    int saves = 0, quits = 0, code = 0;
    OrvError_SetEmergencySaveHook([&] {
        saves++;
        OrvError_Fatal("pendant la sauvegarde");  // ignored: a report is in progress
    });
    OrvError_SetQuitHook([&](int c) {
        quits++;
        code = c;
    });
    OrvError_Fatal("panne %d", 7);
    EXPECT_EQ(saves, 1);
    EXPECT_EQ(quits, 1);
    EXPECT_NE(code, 0);
    std::string text = log();
    std::string stars(60, '*');
    EXPECT_NE(text.find(stars + "\n<<< ERREUR : panne 7 >>>\n" + stars + "\n"), std::string::npos);
    EXPECT_EQ(text.find("pendant la sauvegarde"), std::string::npos);
    OrvError_Fatal("encore");
    EXPECT_EQ(quits, 1);
}

TEST_F(LogFixture, LongDebugLinesAreSplitAtTheBufferSize) {
    std::string longLine(3000, 'x');
    DebugOut() << longLine << std::endl;
    size_t total = 0;
    for (const auto& l : lines) {
        EXPECT_LE(l.size(), 1023u);
        total += l.size();
    }
    EXPECT_EQ(total, longLine.size());
}

TEST_F(LogFixture, AllocatorCountsTagsAndReports) {
    MemStats before = mem_stats();
    void* a = mem_alloc(100, "music_buffer");
    void* b = mem_calloc(10, 20, "NOLOG");
    ASSERT_NE(a, nullptr);
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(static_cast<unsigned char*>(b)[199], 0);
    MemStats mid = mem_stats();
    EXPECT_EQ(mid.liveBlocks - before.liveBlocks, 2);
    EXPECT_EQ(mid.liveBytes - before.liveBytes, 300);
    EXPECT_GE(mid.peakBytes, mid.liveBytes);
    std::string text = log();
    EXPECT_NE(text.find("music_buffer"), std::string::npos);
    EXPECT_EQ(text.find("NOLOG"), std::string::npos);

    mem_free(b, "NOLOG");
    mem_report();
    text = log();
    EXPECT_NE(text.find("non libéré"), std::string::npos);
    EXPECT_NE(text.find("(music_buffer)"), std::string::npos);
    mem_free(a, "music_buffer");
    EXPECT_EQ(mem_stats().liveBlocks, before.liveBlocks);
}

TEST_F(LogFixture, BadFreesAreWarnedNotExecuted) {
    mem_free(nullptr, "x");
    EXPECT_NE(log().find("<<< erreur : Can't free memory (NULL) >>>"), std::string::npos);
    int local = 0;
    MemStats before = mem_stats();
    mem_free(&local, "pile");
    EXPECT_EQ(mem_stats().liveBlocks, before.liveBlocks);
}

TEST_F(LogFixture, ZeroSizeAllocationIsFatal) {
    int quits = 0;
    OrvError_SetQuitHook([&](int) { quits++; });
    EXPECT_EQ(mem_alloc(0, "vide"), nullptr);
    EXPECT_EQ(quits, 1);
    EXPECT_NE(log().find("<<< ERREUR : mem_alloc()"), std::string::npos);
}
