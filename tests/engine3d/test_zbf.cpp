// Depth maps: sizes, exact 32-bit values, and missing, empty, short and malformed files.
#include <gtest/gtest.h>

#include "testdata/ZbfWriter.h"
#include "tests/engine3d/SceneTestUtil.h"

namespace {

class Zbf : public SceneLayer {
protected:
    std::string Write(uint32_t w, uint32_t h, const std::vector<uint32_t>& depths, const char* name = "map.zbf")
    {
        const std::string path = dir.Path() + name;
        EXPECT_TRUE(ZbfWriter_Save(path, w, h, depths));
        return path;
    }
    static uint32_t At(const CSurface& s, int x, int y) { return reinterpret_cast<const uint32_t*>(s.Row(y))[x]; }
};

TEST_F(Zbf, AMapReplacesTheSurfaceWithItsSizeAndExactDepths)
{
    CSystemMemorySurface z;
    ASSERT_TRUE(z.Create(16, 16, PixelFormatOf(PFID_Z32)));
    std::vector<uint32_t> depths(640 * 480);
    for (size_t i = 0; i < depths.size(); ++i) depths[i] = uint32_t(i * 2654435761u);
    std::vector<uint8_t> bytes = ZbfWriter_Encode(640, 480, depths);
    for (int i = 0; i < 28; ++i) bytes[i] = uint8_t(0xA5 ^ i);  // the skipped header bytes hold anything
    const std::string path = dir.Path() + "view.zbf";
    ASSERT_TRUE(WriteFileBytes(path, bytes.data(), bytes.size()));
    ASSERT_TRUE(Load_zbuffer(path.c_str(), z));
    EXPECT_EQ(z.width, 640);
    EXPECT_EQ(z.height, 480);
    EXPECT_EQ(z.format, PixelFormatOf(PFID_Z32));
    for (int y : {0, 1, 240, 479})
        for (int x : {0, 1, 333, 639}) ASSERT_EQ(At(z, x, y), depths[size_t(y) * 640 + x]) << x << "," << y;
}

TEST_F(Zbf, ShortFilesAreZeroFilledAndBadOnesRefused)
{
    CSystemMemorySurface z;
    ASSERT_TRUE(z.Create(4, 4, PixelFormatOf(PFID_Z32)));
    const std::string shortMap = Write(4, 3, {1, 2, 3, 4, 5, 6});
    EXPECT_TRUE(Load_zbuffer(shortMap.c_str(), z));
    EXPECT_TRUE(Logged("shorter than its header says"));
    EXPECT_EQ(z.height, 3);
    EXPECT_EQ(At(z, 1, 1), 6u);
    EXPECT_EQ(At(z, 2, 1), 0u);
    EXPECT_EQ(At(z, 3, 2), 0u);

    struct Bad {
        std::string path;
        const char* why;
    };
    const std::string empty = dir.Path() + "empty.zbf";
    ASSERT_TRUE(WriteFileBytes(empty, "", 0));
    const std::string header = dir.Path() + "header.zbf";
    ASSERT_TRUE(WriteFileBytes(header, "0123456789", 10));
    const Bad bad[] = {
        {dir.Path() + "absent.zbf", "missing or empty"}, {empty, "missing or empty"}, {header, "bad size"},
        {Write(0, 3, {}, "w0.zbf"), "bad size"},         {Write(5000, 1, {}, "wide.zbf"), "bad size"},
    };
    for (const Bad& b : bad) {
        lines.clear();
        EXPECT_FALSE(Load_zbuffer(b.path.c_str(), z)) << b.path;
        EXPECT_TRUE(Logged(b.why)) << b.path;
        EXPECT_EQ(z.width, 4) << b.path;
        EXPECT_EQ(z.height, 3) << b.path;
    }
    EXPECT_EQ(fatals, 0);
}

}  // namespace
