// System-memory surfaces: refusals, mip levels and the attached plane.
#include <gtest/gtest.h>

#include <cstring>

#include "app/Orv_Mem.h"
#include "graphics2d/Surface.h"
#include "WarningCapture.h"

TEST(SystemMemorySurface, BadSizesAreRefusedAndKeepTheSurface)
{
    CSystemMemorySurface s;
    ASSERT_TRUE(s.Create(8, 8, PixelFormatOf(PFID_R5G6B5)));
    void* const old = s.pixels;
    const MemStats before = mem_stats();
    struct {
        int w, h, pitch, levels, id;
    } const cases[] = {
        {0, 8, 0, 1, PFID_R5G6B5}, {8, 8, 4, 1, PFID_R5G6B5}, {8, 8, 0, 1, PFID_P4}, {1 << 30, 1 << 30, 0, 1, PFID_A8R8G8B8},
    };
    for (const auto& b : cases) {
        WarningCapture warnings;
        EXPECT_FALSE(s.Create(b.w, b.h, PixelFormatOf(b.id), b.pitch, b.levels)) << b.w << "x" << b.h;
        EXPECT_TRUE(warnings.Warned("CSystemMemorySurface::Create()")) << b.w << "x" << b.h;
        EXPECT_TRUE(s.pixels == old && s.width == 8 && PixelFormat_Is565(s.format));
    }
    EXPECT_EQ(mem_stats().totalAllocs, before.totalAllocs);

    // Mip levels follow level zero inside the same block.
    ASSERT_TRUE(s.Create(8, 4, PixelFormatOf(PFID_R5G6B5), 0, 4));
    auto* base = static_cast<uint8_t*>(s.Lock(0));
    EXPECT_EQ(static_cast<uint8_t*>(s.Lock(3)) - base, 8 * 4 * 2 + 4 * 2 * 2 + 2 * 1 * 2);
    std::memset(s.Lock(3), 0xFF, 2);
    WarningCapture warnings;
    EXPECT_EQ(s.Lock(4), nullptr);
    EXPECT_TRUE(warnings.Warned("level 4 of 4"));
}

TEST(SystemMemorySurface, CreateWithPlanePutsThePlaneFirst)
{
    const MemStats before = mem_stats();
    CSystemMemorySurface tex;
    ASSERT_TRUE(tex.Create(4, 4, PixelFormatOf(PFID_R5G6B5)));
    // An 8-bit texture behind 35 rows of a 256-entry 16-bit palette.
    ASSERT_TRUE(tex.CreateWithPlane(64, 32, PixelFormatOf(PFID_P8), 256, 35, PixelFormatOf(PFID_R5G6B5)));
    EXPECT_EQ(mem_stats().liveBlocks, before.liveBlocks + 1);
    EXPECT_EQ(mem_stats().liveBytes - before.liveBytes, 17920 + 64 * 32);
    EXPECT_EQ(tex.plane.pitch, 256);
    EXPECT_TRUE(PixelFormat_Is565(tex.plane.format));
    EXPECT_EQ(tex.plane.Row(34) + 512, static_cast<uint8_t*>(tex.pixels));
    EXPECT_EQ(tex.Lock(), tex.pixels);
    std::memset(tex.plane.pixels, 1, 17920 + 64 * 32);  // one block, all of it ours

    WarningCapture warnings;
    EXPECT_FALSE(tex.CreateWithPlane(64, 32, PixelFormatOf(PFID_P8), 0, 35, PixelFormatOf(PFID_R5G6B5)));
    EXPECT_TRUE(warnings.Warned("CreateWithPlane()"));
    EXPECT_EQ(tex.width, 64);
    ASSERT_TRUE(tex.Create(16, 16, PixelFormatOf(PFID_R5G6B5)));
    EXPECT_EQ(tex.plane.pixels, nullptr);
    EXPECT_EQ(mem_stats().liveBytes - before.liveBytes, 16 * 16 * 2);
}
