// The settings file: round trip, documented layout, missing, short and out-of-range files.
#include <gtest/gtest.h>

#include <dirent.h>

#include <cstring>
#include <string>
#include <vector>

#include "app/Config.h"
#include "tests/support/ScratchInstall.h"

namespace {

struct ConfigFixture : ::testing::Test, ScratchInstall {
    void SetUp() override
    {
        OpenInstall(false);
        config_reset();
    }
    void TearDown() override
    {
        config_reset();
        CloseInstall();
    }
    void WriteConfig(const std::vector<uint8_t>& bytes)
    {
        ASSERT_TRUE(WriteFileBytes(dir / "quillm2.cfg", bytes.data(), bytes.size()));
    }
    std::string Log() { return ReadFileText(dir / "quillmar2.log"); }
};

void put32(std::vector<uint8_t>& b, size_t at, int32_t v)
{
    for (int i = 0; i < 4; ++i)
        b[at + i] = uint8_t(uint32_t(v) >> (8 * i));
}

bool same(const OrvConfig& a, const OrvConfig& b)
{
    uint8_t ea[CONFIG_FILE_SIZE], eb[CONFIG_FILE_SIZE];
    config_encode(a, ea);
    config_encode(b, eb);
    return std::memcmp(ea, eb, CONFIG_FILE_SIZE) == 0;
}

// A valid file with every field away from its default, in the layout of docs/settings.md.
std::vector<uint8_t> sample_file()
{
    std::vector<uint8_t> b(CONFIG_FILE_SIZE, 0);
    put32(b, 0, 150);   // mouse speed
    put32(b, 4, 1);     // inverted look
    put32(b, 8, 200);   // master volume
    put32(b, 12, 64);   // effects volume
    put32(b, 16, 90);   // voice volume
    put32(b, 20, 127);  // music volume
    put32(b, 24, 800);
    put32(b, 28, 600);
    b[32] = 1;  // full screen
    b[33] = 0;  // subtitles
    b[34] = 1;  // centre cross
    return b;
}

}  // namespace

TEST_F(ConfigFixture, ReadsTheDocumentedLayoutAndWritesItBack)
{
    WriteConfig(sample_file());
    EXPECT_TRUE(config_load());
    EXPECT_TRUE(config_loaded());
    const OrvConfig read{150, 1, 200, 64, 90, 127, 800, 600, 1, 0, 1};
    EXPECT_TRUE(same(g_Config, read));

    g_Config.masterVolume = 0;
    g_Config.subtitles = 1;
    const OrvConfig changed = g_Config;
    ASSERT_TRUE(config_save());
    std::vector<uint8_t> expect = sample_file();
    put32(expect, 8, 0);
    expect[33] = 1;
    EXPECT_EQ(ReadFileText(dir / "quillm2.cfg"), std::string(expect.begin(), expect.end()));

    config_reset();
    EXPECT_TRUE(config_load());
    EXPECT_TRUE(same(g_Config, changed));

    // Only the settings file is left: the temporary file was renamed over it.
    int entries = 0;
    DIR* d = opendir(dir.Path().c_str());
    while (dirent* e = readdir(d))
        entries += e->d_name[0] != '.';
    closedir(d);
    EXPECT_EQ(entries, 2);  // settings and log
}

TEST_F(ConfigFixture, MissingFileGivesDefaultsAndIsCreatedAtSave)
{
    g_Config.masterVolume = 3;
    EXPECT_FALSE(config_load());
    EXPECT_TRUE(config_loaded());
    const OrvConfig defaults{100, 0, 256, 127, 127, 100, 640, 480, 0, 1, 0};
    EXPECT_TRUE(same(g_Config, defaults));
    EXPECT_NE(Log().find("config_load() : "), std::string::npos);
    EXPECT_TRUE(config_save());
    EXPECT_EQ(OrvFile_GetSizeByName((dir / "quillm2.cfg").c_str()), CONFIG_FILE_SIZE);
}

TEST_F(ConfigFixture, NothingIsWrittenUnlessLoaded)
{
    WriteConfig(sample_file());
    g_Config.masterVolume = 1;
    EXPECT_FALSE(config_save());
    const std::vector<uint8_t> b = sample_file();
    EXPECT_EQ(ReadFileText(dir / "quillm2.cfg"), std::string(b.begin(), b.end()));
}

TEST_F(ConfigFixture, ShortFileKeepsWholeFieldsOnly)
{
    std::vector<uint8_t> b = sample_file();
    b.resize(10);  // mouse options whole, master volume cut
    WriteConfig(b);
    EXPECT_FALSE(config_load());
    EXPECT_TRUE(same(g_Config, OrvConfig{150, 1, 256, 127, 127, 100, 640, 480, 0, 1, 0}));

    WriteConfig({});
    EXPECT_FALSE(config_load());
    EXPECT_TRUE(same(g_Config, OrvConfig{}));
}

TEST_F(ConfigFixture, OutOfRangeFieldsFallBackOneByOne)
{
    std::vector<uint8_t> b = sample_file();
    put32(b, 8, 257);   // master volume
    put32(b, 12, -1);   // effects volume
    put32(b, 0, 0);     // mouse speed
    b[33] = 2;          // subtitles
    WriteConfig(b);
    EXPECT_FALSE(config_load());
    EXPECT_TRUE(same(g_Config, OrvConfig{100, 1, 256, 127, 90, 127, 800, 600, 1, 1, 1}));  // neighbours kept
    EXPECT_NE(Log().find("config_load() : masterVolume = 257 out of range"), std::string::npos);

    // A screen size that is not one of the two modes falls back as a pair.
    b = sample_file();
    put32(b, 28, 480);
    WriteConfig(b);
    EXPECT_FALSE(config_load());
    EXPECT_TRUE(same(g_Config, OrvConfig{150, 1, 200, 64, 90, 127, 640, 480, 1, 0, 1}));
}

TEST_F(ConfigFixture, UnwritableDirectoryIsReported)
{
    OrvFile_SetInstallDir(dir / "missing/deeper");
    config_load();
    EXPECT_FALSE(config_save());
    EXPECT_NE(Log().find("config_save() : cannot write"), std::string::npos);
}
