// TGA reader against the test writer: every type and row order, colour maps, and damaged files.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "app/Orv_Mem.h"
#include "graphics2d/Tga.h"
#include "testdata/TempDir.h"
#include "testdata/TgaWriter.h"
#include "WarningCapture.h"

namespace {

std::string Bytes(const TgaImage& img)
{
    const std::vector<uint8_t> b = TgaWriter_Encode(img);
    return std::string(b.begin(), b.end());
}

// Header, format, surface and pixels, as a caller does it.
bool Decode(const std::string& file, CSystemMemorySurface& s, std::vector<uint32_t>* palette = nullptr)
{
    std::istringstream in(file);
    TgaHeader h;
    if (!Tga_ReadHeader(in, h)) return false;
    const CPixelFormat pf = Tga_GetPixelFormat(h);
    return pf.bitsPerPixel && s.Create(h.Width(), h.Height(), pf) && Tga_ReadPixels(in, h, s, palette);
}

uint32_t At(const CSurface& s, int x, int y)
{
    uint32_t v = 0;
    for (int k = 0; k < s.BytesPerPixel(); ++k) v |= uint32_t(s.Row(y)[x * s.BytesPerPixel() + k]) << (8 * k);
    return v;
}

TgaImage Blank(int w, int h, int type, int bits)
{
    TgaImage img;
    img.width = w;
    img.height = h;
    img.type = type;
    img.bitsPerPixel = bits;
    return img;
}

// 7 x 5 pixels, mostly in runs of four that run on from one row into the next.
TgaImage TrueColour(int type, int bits)
{
    static const uint32_t colours[] = {0xFF102030, 0x00F0E0D0, 0x80FFFFFF, 0xFF000000, 0x7F0A0B0C};
    TgaImage img = Blank(7, 5, type, bits);
    for (int k = 0; k < 35; ++k) img.pixels.push_back(colours[(k / 4 + (k % 9 == 8)) % 5]);
    return img;
}

TgaImage Mapped(int type, int entryBits, int first)
{
    TgaImage img = Blank(6, 4, type, 8);
    img.paletteEntryBits = entryBits;
    img.paletteFirst = first;
    img.palette = {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFFFFFFFF, 0xFF000000};
    if (entryBits == 32) img.palette.push_back(0x40123456);
    for (int k = 0; k < 24; ++k) img.pixels.push_back(uint32_t(first + (k / 5) % int(img.palette.size())));
    return img;
}

} // namespace

TEST(TgaRead, TrueColourTypesDepthsAndRowOrders)
{
    for (int type : {2, 10})
        for (int bits : {15, 16, 24, 32})
            for (int order = 0; order < 4; ++order) {
                TgaImage img = TrueColour(type, bits);
                img.topDown = order & 1;
                img.rightToLeft = order & 2;
                CSystemMemorySurface s;
                ASSERT_TRUE(Decode(Bytes(img), s)) << type << "/" << bits;
                const int id = bits == 15 ? PFID_X1R5G5B5 : bits == 16 ? PFID_A1R5G5B5 : bits == 24 ? PFID_R8G8B8 : PFID_A8R8G8B8;
                ASSERT_EQ(s.format, PixelFormatOf(id));
                for (int k = 0; k < 35; ++k)
                    ASSERT_EQ(At(s, k % 7, k / 7), PackColor(s.format, img.pixels[size_t(k)]))
                        << "type " << type << ", " << bits << " bits, order " << order << ", pixel " << k;
            }
}

TEST(TgaRead, ColourMappedTypesAndPalettes)
{
    for (int type : {1, 9})
        for (int entryBits : {16, 24, 32})
            for (int first : {0, 3}) {
                TgaImage img = Mapped(type, entryBits, first);
                img.topDown = first == 0;
                CSystemMemorySurface s;
                std::vector<uint32_t> palette;
                ASSERT_TRUE(Decode(Bytes(img), s, &palette)) << type << "/" << entryBits;
                EXPECT_EQ(s.format.flags & PF_PALETTED, PF_PALETTED);
                for (int k = 0; k < 24; ++k) ASSERT_EQ(At(s, k % 6, k / 6), img.pixels[size_t(k)]);
                ASSERT_EQ(palette.size(), size_t(first) + img.palette.size());
                for (size_t k = 0; k < palette.size(); ++k) {
                    const uint32_t entry = k < size_t(first) ? 0 : img.palette[k - size_t(first)];
                    EXPECT_EQ(palette[k], entryBits == 32 || !entry ? entry : entry | 0xFF000000u) << type << "/" << k;
                }
            }
}

TEST(TgaRead, RunsCrossRowsAndImageIdsAreSkipped)
{
    TgaImage flat = Blank(5, 4, 10, 24);
    flat.pixels.assign(20, 0xFF336699);
    flat.imageId = "made by the tests";
    const std::string oneRun = Bytes(flat);
    ASSERT_EQ(oneRun.size(), 18 + flat.imageId.size() + 1 + 3);  // one packet of 20 pixels over four rows
    flat.rleAcrossRows = false;
    for (const std::string& file : {oneRun, Bytes(flat)}) {
        CSystemMemorySurface s;
        ASSERT_TRUE(Decode(file, s));
        for (int k = 0; k < 20; ++k) EXPECT_EQ(At(s, k % 5, k / 5), 0x336699u);
    }
}

TEST(TgaRead, TruncationsAndOverrunningPacketsAreRefused)
{
    TgaImage withId = TrueColour(2, 16);
    withId.imageId = "id";
    for (const TgaImage& img : {withId, TrueColour(10, 32), Mapped(9, 24, 0)}) {
        const std::string file = Bytes(img);
        for (size_t cut = 0; cut < file.size(); ++cut) {
            WarningCapture warnings;
            CSystemMemorySurface s;
            std::vector<uint32_t> palette;
            ASSERT_FALSE(Decode(file.substr(0, cut), s, &palette)) << "type " << img.type << " cut at " << cut;
            ASSERT_TRUE(warnings.Warned("truncated")) << "type " << img.type << " cut at " << cut;
        }
    }
    const std::string header("\0\0\x0a\0\0\0\0\0\0\0\0\0\x02\0\x02\0\x18\x20", 18);  // 2 x 2, 24 bits, top-down
    for (const std::string& data : {std::string("\x84\1\2\3", 4), std::string("\x82\1\2\3\x81\4\5\6", 8)}) {
        WarningCapture warnings;
        CSystemMemorySurface s;
        EXPECT_FALSE(Decode(header + data, s));
        EXPECT_TRUE(warnings.Warned("overruns the picture"));
    }
}

TEST(TgaRead, UnfitSurfacesAndUnsupportedHeadersAreRefused)
{
    // Surfaces of the wrong size or format are not written.
    std::vector<uint16_t> mem(8 * 5, 0x1111);
    for (auto [w, h, id] : {std::tuple{8, 5, PFID_A1R5G5B5}, {7, 4, PFID_A1R5G5B5}, {7, 5, PFID_X1R5G5B5}}) {
        WarningCapture warnings;
        CBufferSurface view(mem.data(), w, h, 8, PixelFormatOf(id));
        std::istringstream in(Bytes(TrueColour(2, 16)));
        TgaHeader header;
        ASSERT_TRUE(Tga_ReadHeader(in, header));
        EXPECT_FALSE(Tga_ReadPixels(in, header, view));
        EXPECT_TRUE(warnings.Warned("Tga_ReadPixels()"));
    }
    for (uint16_t v : mem) ASSERT_EQ(v, 0x1111);

    // type, depth, colour-map type: greyscale, odd depths, a colour-mapped picture without a map
    for (auto [type, depth, mapType] : {std::tuple{3, 8, 0}, {2, 8, 0}, {10, 12, 0}, {1, 8, 0}, {9, 16, 1}}) {
        TgaHeader h;
        h.imageType = uint8_t(type);
        h.pixelDepth = uint8_t(depth);
        h.colorMapType = uint8_t(mapType);
        WarningCapture warnings;
        EXPECT_EQ(Tga_GetPixelFormat(h), CPixelFormat{}) << type << "/" << depth;
        EXPECT_TRUE(warnings.Warned("Tga_GetPixelFormat() unsupported")) << type;
    }
}

TEST(TgaLoad, LoadsFilesAndRefusesMissingAndTruncatedOnes)
{
    TempDir dir;
    const TgaImage img = Mapped(9, 24, 0);
    ASSERT_TRUE(TgaWriter_Save(dir / "tex.tga", img));
    CSystemMemorySurface s;
    std::vector<uint32_t> palette;
    ASSERT_TRUE(Tga_Load((dir / "tex.tga").c_str(), s, &palette));
    EXPECT_EQ(At(s, 5, 3), img.pixels[23]);
    EXPECT_EQ(palette.size(), 5u);

    WarningCapture warnings;
    EXPECT_FALSE(Tga_Load((dir / "missing.tga").c_str(), s));
    EXPECT_TRUE(warnings.Warned("Tga_Load() file not found"));
    // A 65535 x 65535 header over ten bytes of data is refused before anything is allocated.
    std::string huge = Bytes(TrueColour(2, 32)).substr(0, 28);
    huge[12] = huge[13] = huge[14] = huge[15] = char(0xFF);
    ASSERT_TRUE(WriteFileBytes(dir / "huge.tga", huge.data(), huge.size()));
    const MemStats before = mem_stats();
    EXPECT_FALSE(Tga_Load((dir / "huge.tga").c_str(), s));
    EXPECT_TRUE(warnings.Warned("Tga_Load() truncated file"));
    EXPECT_EQ(mem_stats().totalAllocs, before.totalAllocs);
    EXPECT_EQ(s.width, 6);  // earlier refusals keep the surface
}
