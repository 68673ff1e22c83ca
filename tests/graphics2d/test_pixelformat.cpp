// Packing and unpacking colours in the 16-bit layouts and a few others.
#include <gtest/gtest.h>

#include "graphics2d/PixelFormat.h"

TEST(PackColor, SixteenBitKnownValuesAndRoundTrips)
{
    const CPixelFormat p565 = PixelFormatOf(PFID_R5G6B5), p555 = PixelFormatOf(PFID_X1R5G5B5),
                       a555 = PixelFormatOf(PFID_A1R5G5B5);
    EXPECT_EQ(PackColor(p565, 0x00123456), 0x11AAu);  // 0x12>>3, 0x34>>2, 0x56>>3
    EXPECT_EQ(PackColor(p555, 0xFF123456), 0x08CAu);  // 0x12>>3, 0x34>>3, 0x56>>3
    EXPECT_EQ(PackColor(a555, 0x80000000), 0x8000u);
    EXPECT_EQ(PackColor(a555, 0x7FFFFFFF), 0x7FFFu);
    EXPECT_EQ(UnpackColor(p565, 0x0021), 0xFF000408u);
    EXPECT_EQ(UnpackColor(p555, 0xC210), 0xFF848484u);  // the x bit is no alpha; 10000b -> 10000100b
    EXPECT_TRUE(PixelFormat_Is555(p555));
    EXPECT_FALSE(PixelFormat_Is555(a555));
    CPixelFormat odd = p565;
    odd.fourCC = 1;  // every word counts, not just the masks
    EXPECT_FALSE(PixelFormat_Is565(odd));
    for (uint32_t p = 0; p < 0x10000; ++p) {
        ASSERT_EQ(PackColor(p565, UnpackColor(p565, p)), p);
        ASSERT_EQ(PackColor(p555, UnpackColor(p555, p)), p & 0x7FFF);
        ASSERT_EQ(PackColor(a555, UnpackColor(a555, p)), p);
    }
}

TEST(PackColor, OtherLayouts)
{
    EXPECT_EQ(UnpackColor(PixelFormatOf(PFID_R3G3B2), 0x81), 0xFF920055u);  // 100b -> 10010010b, 01b -> 01010101b
    EXPECT_EQ(PackColor(PixelFormatOf(PFID_A2R10G10B10), 0xFFFF8000), 0xFFF00000u | 0x202u << 10);
    EXPECT_EQ(PackColor(PixelFormatOf(PFID_R8G8B8A8), 0x11223344), 0x22334411u);
    EXPECT_EQ(PackColor(PixelFormatOf(PFID_Z16), 0x80000000), 0x8000u);  // depth keeps its high bits
    EXPECT_EQ(PackColor(PixelFormatOf(PFID_D15S1), 0xFFFFFFFF), 0xFFFEu);  // stencil left clear
}
