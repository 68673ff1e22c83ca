// The palette plane block of 8-bit textures: layout and the shading levels.
#include <gtest/gtest.h>

#include <cstring>

#include "graphics2d/PixelFormat.h"
#include "raster/LightPlanes.h"
#include "raster/SpanState.h"

namespace {

void CheckPlanes(int formatId)
{
    const CPixelFormat screen = PixelFormatOf(formatId);
    const bool is565 = formatId == PFID_R5G6B5;
    CSystemMemorySurface tex;
    ASSERT_TRUE(Texture_CreatePalettised(tex, 64, 32, screen));
    // The plane of 35 rows of 256 colours lies directly before the texels.
    ASSERT_EQ(static_cast<uint8_t*>(tex.pixels) - static_cast<uint8_t*>(tex.plane.pixels), 17920);
    auto* plane = static_cast<uint16_t*>(tex.plane.pixels);
    for (int e = 0; e < 256; ++e) plane[e] = uint16_t((e * 0x9E37 + 0x51) & (is565 ? 0xFFFF : 0x7FFF));
    plane[0] = is565 ? 0xFFFF : 0x7FFF;
    ASSERT_TRUE(Texture_BuildLightPlanes(tex.plane, screen));
    for (int e = 0; e < 256; ++e) {
        const uint32_t c = plane[e];
        // The top five bits of each channel, whatever the channel's width.
        const uint32_t r5 = is565 ? c >> 11 : (c >> 10) & 31;
        const uint32_t g5 = is565 ? (c >> 6) & 31 : (c >> 5) & 31;
        const uint32_t b5 = c & 31;
        uint32_t rgb;
        std::memcpy(&rgb, plane + 256 + 2 * e, 4);
        EXPECT_EQ(rgb >> 24, 0u);
        EXPECT_EQ((rgb >> 19) & 31, r5);
        EXPECT_EQ((rgb >> 11) & 31, g5);
        EXPECT_EQ((rgb >> 3) & 31, b5);
        for (uint32_t k = 0; k < 32; ++k) {
            const uint32_t want = is565 ? (r5 * k / 32) << 11 | (g5 * k / 16) << 5 | b5 * k / 32
                                        : (r5 * k / 32) << 10 | (g5 * k / 32) << 5 | b5 * k / 32;
            ASSERT_EQ(plane[(3 + k) * 256 + e], want) << "entry " << e << " level " << k;
        }
    }
}

}  // namespace

TEST(LightPlanes, LevelsInBothFormats)
{
    CheckPlanes(PFID_R5G6B5);
    CheckPlanes(PFID_X1R5G5B5);
}

TEST(LightPlanes, RefusesPlanesTheSpansCannotAddress)
{
    const CPixelFormat screen = PixelFormatOf(PFID_R5G6B5);
    CSystemMemorySurface small;
    ASSERT_TRUE(small.CreateWithPlane(8, 8, PixelFormatOf(PFID_P8), 128, 35, screen));
    EXPECT_FALSE(Texture_BuildLightPlanes(small.plane, screen));
    CSystemMemorySurface shortPlane;
    ASSERT_TRUE(shortPlane.CreateWithPlane(8, 8, PixelFormatOf(PFID_P8), 256, 20, screen));
    EXPECT_FALSE(Texture_BuildLightPlanes(shortPlane.plane, screen));
    CBufferSurface none;
    EXPECT_FALSE(Texture_BuildLightPlanes(none, screen));
}
