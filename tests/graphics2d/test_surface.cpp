// System-memory surfaces: creation, re-creation, refusals, mip levels and the attached plane.
#include <gtest/gtest.h>

#include <cstring>

#include "app/Orv_Mem.h"
#include "graphics2d/Surface.h"
#include "WarningCapture.h"

TEST(SystemMemorySurface, CreateRecreateAndFree)
{
    const MemStats before = mem_stats();
    {
        CSystemMemorySurface s;
        ASSERT_TRUE(s.Create(33, 7, PixelFormatOf(PFID_R8G8B8)));
        EXPECT_EQ(s.pitch, 33);
        EXPECT_EQ(mem_stats().liveBytes - before.liveBytes, 33 * 7 * 3);
        s.flags = SURF_LOCKED | SURF_WRITE_LOCK;  // the caller's bits, left alone by Lock
        ASSERT_EQ(s.Lock(), s.pixels);
        EXPECT_EQ(s.flags, SURF_LOCKED | SURF_WRITE_LOCK);
        std::memset(s.pixels, 0x5A, size_t(s.PitchBytes()) * size_t(s.height));

        ASSERT_TRUE(s.Create(10, 4, PixelFormatOf(PFID_A8R8G8B8), 16));
        EXPECT_EQ(s.PitchBytes(), 64);
        EXPECT_EQ(mem_stats().liveBlocks, before.liveBlocks + 1);
        std::memset(s.Lock(), 0, size_t(s.PitchBytes()) * size_t(s.height));
        s.Free();
        EXPECT_EQ(mem_stats().liveBlocks, before.liveBlocks);
        WarningCapture warnings;
        EXPECT_EQ(s.Lock(), nullptr);
        EXPECT_TRUE(warnings.Warned("not created"));
        ASSERT_TRUE(s.Create(2, 2, PixelFormatOf(PFID_R5G6B5)));
    }
    EXPECT_EQ(mem_stats().liveBytes, before.liveBytes);
}

TEST(SystemMemorySurface, BadSizesAreRefusedAndKeepTheSurface)
{
    CSystemMemorySurface s;
    ASSERT_TRUE(s.Create(8, 8, PixelFormatOf(PFID_R5G6B5)));
    void* const old = s.pixels;
    const MemStats before = mem_stats();
    struct {
        int w, h, pitch, levels, id;
    } const cases[] = {
        {0, 8, 0, 1, PFID_R5G6B5},  {8, -1, 0, 1, PFID_R5G6B5}, {8, 8, 4, 1, PFID_R5G6B5},
        {8, 8, -8, 1, PFID_R5G6B5}, {8, 8, 0, 0, PFID_R5G6B5},  {1 << 30, 1 << 30, 0, 1, PFID_A8R8G8B8},
        {0x7FFFFFFF, 1, 0, 1, PFID_A8R8G8B8},                   {8, 8, 0, 1, PFID_P4},
    };
    for (const auto& b : cases) {
        WarningCapture warnings;
        EXPECT_FALSE(s.Create(b.w, b.h, PixelFormatOf(b.id), b.pitch, b.levels)) << b.w << "x" << b.h;
        EXPECT_TRUE(warnings.Warned("CSystemMemorySurface::Create()")) << b.w << "x" << b.h;
        EXPECT_TRUE(s.pixels == old && s.width == 8 && PixelFormat_Is565(s.format));
    }
    EXPECT_EQ(mem_stats().totalAllocs, before.totalAllocs);
}

TEST(SystemMemorySurface, MipLevelsFollowLevelZero)
{
    CSystemMemorySurface s;
    ASSERT_TRUE(s.Create(8, 4, PixelFormatOf(PFID_R5G6B5), 0, 4));
    auto* base = static_cast<uint8_t*>(s.Lock(0));
    EXPECT_EQ(static_cast<uint8_t*>(s.Lock(2)) - base, 8 * 4 * 2 + 4 * 2 * 2);
    EXPECT_EQ(static_cast<uint8_t*>(s.Lock(3)) - base, 8 * 4 * 2 + 4 * 2 * 2 + 2 * 1 * 2);
    std::memset(s.Lock(3), 0xFF, 2);  // the last 1x1 level lies inside the block
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
    EXPECT_EQ(static_cast<uint8_t*>(tex.pixels) - static_cast<uint8_t*>(tex.plane.pixels), 17920);
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
