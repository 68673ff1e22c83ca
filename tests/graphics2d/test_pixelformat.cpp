// Pixel-format table, packing and unpacking in every channel layout.
#include <gtest/gtest.h>

#include <bit>

#include "graphics2d/PixelFormat.h"

TEST(PixelFormatTable, FixedIdsUnknownIdsAndSaneRows)
{
    const CPixelFormat r565 = PixelFormatOf(138);
    EXPECT_EQ(r565, (CPixelFormat{PF_RGB, 16, 0, 0xF800, 0x07E0, 0x001F, 0}));
    for (int id : {161, 165, 166, 168}) EXPECT_TRUE(PixelFormat_IsDepth(PixelFormatOf(id))) << id;
    EXPECT_EQ(PixelFormatOf(161).bitsPerPixel + PixelFormatOf(166).bitsPerPixel, 32u);
    EXPECT_EQ(PixelFormatOf(165).bitsPerPixel + PixelFormatOf(168).bitsPerPixel, 64u);
    EXPECT_EQ(PixelFormatOf(PFID_P8).flags & PF_PALETTED, PF_PALETTED);

    const CPixelFormat marker{1, 2, 3, 4, 5, 6, 7};
    for (int id : {PFID_FIRST - 1, PFID_LAST + 1, 0, -1}) {
        CPixelFormat pf = marker;
        EXPECT_FALSE(GetPixelFormat(id, pf));
        EXPECT_EQ(pf, marker) << id;
    }
    // 47 distinct rows whose masks are contiguous, disjoint and inside the pixel.
    EXPECT_EQ(PFID_COUNT, 47);
    for (int a = PFID_FIRST; a <= PFID_LAST; ++a) {
        CPixelFormat pf;
        ASSERT_TRUE(GetPixelFormat(a, pf));
        for (int b = a + 1; b <= PFID_LAST; ++b) EXPECT_FALSE(pf == PixelFormatOf(b)) << a << " " << b;
        uint32_t seen = 0;
        for (uint32_t m : {pf.redMask, pf.greenMask, pf.blueMask, pf.alphaMask}) {
            EXPECT_EQ(m & seen, 0u) << a;
            EXPECT_LE(uint64_t(m), (uint64_t(1) << pf.bitsPerPixel) - 1) << a;
            EXPECT_EQ(std::popcount(m), m ? 32 - std::countl_zero(m) - std::countr_zero(m) : 0) << a;
            seen |= m;
        }
    }
}

TEST(PixelFormatTable, Is555AndIs565CompareEveryWord)
{
    EXPECT_TRUE(PixelFormat_Is555(PixelFormatOf(PFID_X1R5G5B5)));
    EXPECT_TRUE(PixelFormat_Is565(PixelFormatOf(PFID_R5G6B5)));
    EXPECT_FALSE(PixelFormat_Is565(PixelFormatOf(PFID_X1R5G5B5)));
    EXPECT_FALSE(PixelFormat_Is555(PixelFormatOf(PFID_A1R5G5B5)));
    CPixelFormat pf = PixelFormatOf(PFID_R5G6B5);
    pf.fourCC = 1;
    EXPECT_FALSE(PixelFormat_Is565(pf));
}

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

    for (uint32_t p = 0; p < 0x10000; ++p) {
        ASSERT_EQ(PackColor(p565, UnpackColor(p565, p)), p);
        ASSERT_EQ(PackColor(p555, UnpackColor(p555, p)), p & 0x7FFF);
        ASSERT_EQ(PackColor(a555, UnpackColor(a555, p)), p);
    }
    for (uint32_t c = 0; c < 0x1000000; c += 0x010305) {  // the packed high bits survive
        const uint32_t u = UnpackColor(p565, PackColor(p565, c));
        ASSERT_EQ(u & 0xF8FCF8, c & 0xF8FCF8) << std::hex << c;
    }
}

TEST(PackColor, OtherLayouts)
{
    EXPECT_EQ(UnpackColor(PixelFormatOf(PFID_A4R4G4B4), 0xF8F0), 0xFF88FF00u);
    EXPECT_EQ(UnpackColor(PixelFormatOf(PFID_R3G3B2), 0x81), 0xFF920055u);  // 100b -> 10010010b, 01b -> 01010101b
    EXPECT_EQ(PackColor(PixelFormatOf(PFID_A2R10G10B10), 0xFFFF8000), 0xFFF00000u | 0x202u << 10);
    EXPECT_EQ(PackColor(PixelFormatOf(PFID_R8G8B8A8), 0x11223344), 0x22334411u);
    EXPECT_EQ(UnpackColor(PixelFormatOf(PFID_X8R8G8B8), 0xAA223344), 0xFF223344u);
    EXPECT_EQ(PackColor(PixelFormatOf(PFID_L8), 0xFF00FF00), 149u);
    EXPECT_EQ(UnpackColor(PixelFormatOf(PFID_A8L8), 0x8040), 0x80404040u);
    EXPECT_EQ(PackColor(PixelFormatOf(PFID_A8P8), 0xC0FFFFFF), 0xC000u);  // no colour channels
    // Depth: a 32-bit fixed-point value keeping its high bits.
    EXPECT_EQ(PackColor(PixelFormatOf(PFID_Z16), 0x80000000), 0x8000u);
    EXPECT_EQ(UnpackColor(PixelFormatOf(PFID_Z16), 0x4000), 0x40000000u);
    EXPECT_EQ(PackColor(PixelFormatOf(PFID_D15S1), 0xFFFFFFFF), 0xFFFEu);  // stencil left clear
    EXPECT_EQ(PackColor(PixelFormatOf(PFID_D24), 0xABCDEF12), 0xABCDEFu);
}
