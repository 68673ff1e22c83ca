// Tests of the fonts: "Font.txt" parsing and its errors, extents, wrap points, glyph drawing and clipping.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "app/Orv_File.h"
#include "app/Orv_Log.h"
#include "graphics2d/PixelFormat.h"
#include "graphics2d/Surface.h"
#include "menus/Orv_Font.h"
#include "testdata/MenuArt.h"
#include "testdata/MenuTextWriter.h"
#include "testdata/TempDir.h"

namespace {

class FontTest : public ::testing::Test {
protected:
    void SetUp() override {
        OrvFile_SetInstallDir(dir_.Path());
        std::string ttf = ReadFileText(ORV_FALLBACK_FONT_FILE);
        ASSERT_FALSE(ttf.empty()) << "fonts-dejavu-core is needed";
        ASSERT_TRUE(WriteFileBytes(dir_ / "loc/Sans.ttf", ttf.data(), ttf.size()));
        DebugOut().SetHook([this](const std::string& line) { log_ += line + "\n"; });
    }
    void TearDown() override {
        OrvFont_RemoveFonts();
        DebugOut().ResetHook();
        OrvError_ResetForTests();
    }
    void Init(const std::string& fontTxt) {
        OrvFont_RemoveFonts();
        ASSERT_TRUE(WriteFileText(dir_ / "loc/Font.txt", fontTxt));
        OrvFont_MainInit();
    }
    void InitStandard(bool mbcs = false) { Init(FontTxt_Make(FontTxt_StandardBlocks("Sans.ttf"), {0x20, 0x2C}, mbcs)); }
    bool Logged(const std::string& text) const { return log_.find(text) != std::string::npos; }

    TempDir dir_;
    std::string log_;
};

uint32_t Pixel(const CSurface& s, int x, int y) {
    const uint8_t* p = s.Row(y) + x * s.BytesPerPixel();
    uint32_t v = 0;
    for (int i = 0; i < s.BytesPerPixel(); ++i) v |= uint32_t(p[i]) << (8 * i);
    return v;
}

void Fill(CSystemMemorySurface& s, uint32_t argb) {
    const uint32_t v = PackColor(s.format, argb);
    for (int y = 0; y < s.height; ++y)
        for (int x = 0; x < s.width; ++x)
            std::memcpy(s.Row(y) + x * s.BytesPerPixel(), &v, size_t(s.BytesPerPixel()));
}

// A surface of the given format and size filled with a colour.
void Make(CSystemMemorySurface& s, int id, int w, int h, uint32_t argb = 0xFF000000) {
    CPixelFormat pf;
    GetPixelFormat(id, pf);
    ASSERT_TRUE(s.Create(w, h, pf));
    Fill(s, argb);
}

void Draw(CSurface& s, const char* id, uint32_t colour, int x, int y, const char* text) {
    OrvFont_PrintBeginOn(&s, id, colour);
    OrvFont_PrintAt(x, y, text);
    OrvFont_PrintEnd();
}

OrvTextSize Measure(CSurface& s, const char* id, const char* text, int32_t length = -1) {
    OrvTextSize sz;
    OrvFont_PrintBeginOn(&s, id, 0xFFFFFF);
    OrvFont_GetTextSize(text, length < 0 ? int32_t(std::strlen(text)) : length, sz);
    OrvFont_PrintEnd();
    return sz;
}

// Bounding box of the pixels that differ from the background: left, top, right, bottom (inclusive).
struct Box {
    int l = 1 << 30, t = 1 << 30, r = -1, b = -1;
    bool Empty() const { return r < 0; }
};
Box Changed(const CSurface& s, uint32_t background) {
    Box box;
    for (int y = 0; y < s.height; ++y)
        for (int x = 0; x < s.width; ++x)
            if (Pixel(s, x, y) != background) {
                box.l = std::min(box.l, x);
                box.r = std::max(box.r, x);
                box.t = std::min(box.t, y);
                box.b = std::max(box.b, y);
            }
    return box;
}

}  // namespace

TEST_F(FontTest, FontTxtBlocksDefaultsAndDuplicates) {
    Init("; comment\r\n\r\n[Font] this rest is ignored\r\n; inside a block\r\n"
         "NameID OrvFT_Default\r\nName Sans.ttf\r\n[EndFont]\r\n"
         "[Font]\r\nNameID OrvFT_POPUP\r\nName Sans.ttf\r\nType DejaVu Sans\r\nHeight -12\r\nUnknown 5\r\n[EndFont]\r\n"
         "[Font]\r\nNameID OrvFT_POPUP\r\nName other.ttf\r\nHeight 30\r\n[EndFont]\r\n");
    const ST_font_desc* def = OrvFont_Find("OrvFT_Default");
    ASSERT_NE(def, nullptr);
    EXPECT_EQ(def->height, 16);  // no Height line
    EXPECT_EQ(def->fileName, dir_ / "loc/Sans.ttf");
    const ST_font_desc* popup = OrvFont_Find("OrvFT_POPUP");
    ASSERT_NE(popup, nullptr);
    EXPECT_EQ(popup->height, -12);  // the second block with this id adds nothing
    EXPECT_FALSE(Logged("other.ttf"));
    EXPECT_FALSE(OrvFont_IsMBCS());
}

TEST_F(FontTest, FontTxtErrors) {
    OrvFile_Delete((dir_ / "loc/Font.txt").c_str());
    OrvFont_MainInit();
    EXPECT_TRUE(Logged("void OrvFont_MainInit(void) ERREUR: le fichier \"Font.txt\" est introuvalbe"));
    OrvError_ResetForTests();

    ASSERT_TRUE(WriteFileText(dir_ / "loc/bad.ttf", "not a font at all"));
    Init("[Font]\r\nNameID Missing\r\nName nothere.ttf\r\n[EndFont]\r\n"
         "[Font]\r\nNameID Refused\r\nName bad.ttf\r\n[EndFont]\r\n"
         "[Font]\r\nName Sans.ttf\r\n[EndFont]\r\n"
         "[PartitionCode] 20 zz 1FFFF\r\n"
         "[Font]\r\nNameID Open\r\nName Sans.ttf\r\n");
    EXPECT_TRUE(Logged("Font " + (dir_ / "loc/nothere.ttf") + " not found, using system font"));
    EXPECT_TRUE(Logged("add_font() ERREUR: Problème lors de l'ouverture de la fonte " + (dir_ / "loc/bad.ttf")));
    EXPECT_TRUE(Logged("sans NameID"));
    EXPECT_TRUE(Logged("sans [EndFont]"));
    EXPECT_TRUE(Logged("code de partition incorrect : zz"));
    EXPECT_TRUE(Logged("code de partition incorrect : 1FFFF"));
    EXPECT_EQ(OrvFont_Find("Open"), nullptr);
    // Both substitutes measure.
    CSystemMemorySurface s;
    Make(s, PFID_R5G6B5, 120, 40);
    for (const char* id : {"Missing", "Refused"}) {
        ASSERT_NE(OrvFont_Find(id), nullptr) << id;
        EXPECT_GT(Measure(s, id, "Abc").cx, 10) << id;
    }
}

TEST_F(FontTest, AFileRegistersAtMostSixtyFourFonts) {
    std::vector<FontTxtBlock> blocks;
    for (int i = 0; i < 66; ++i) blocks.push_back({"f" + std::to_string(i), "Sans.ttf", "", 10 + i, 0});
    Init(FontTxt_Make(blocks, {}, false));
    EXPECT_NE(OrvFont_Find("f63"), nullptr);
    EXPECT_EQ(OrvFont_Find("f64"), nullptr);
    EXPECT_EQ(OrvFont_Find("f65"), nullptr);
    EXPECT_TRUE(Logged("add_font() : plus de 64 fontes, f64 ignorée"));
}

TEST_F(FontTest, PartitionCharsBySingleAndDoubleByteMode) {
    Init("[PartitionCode] 0120 2C 0x8140\r\n[CharacterSet] Other\r\n");
    EXPECT_EQ(OrvFont_GetPartitionCodes(), (std::vector<uint16_t>{0x120, 0x2C, 0x8140}));
    EXPECT_FALSE(OrvFont_IsMBCS());
    EXPECT_TRUE(OrvFont_IsPartitionChar(" "));  // low byte of 0x0120
    EXPECT_TRUE(OrvFont_IsPartitionChar("@"));  // low byte of 0x8140 in single-byte mode
    EXPECT_TRUE(OrvFont_IsPartitionChar(","));
    EXPECT_FALSE(OrvFont_IsPartitionChar("a"));
    EXPECT_FALSE(OrvFont_IsPartitionChar("\x81"));

    Init("[PartitionCode] 0120 2C 8140\r\n[CharacterSet] MBCS\r\n");
    EXPECT_TRUE(OrvFont_IsMBCS());
    EXPECT_TRUE(OrvFont_IsPartitionChar("\x81\x40"));
    EXPECT_FALSE(OrvFont_IsPartitionChar("@"));  // bit 15 set: only the pair matches
    EXPECT_FALSE(OrvFont_IsPartitionChar("\x81\x41"));
    EXPECT_FALSE(OrvFont_IsPartitionChar("\x40\x81"));
    EXPECT_TRUE(OrvFont_IsPartitionChar(" "));
    EXPECT_FALSE(OrvFont_IsPartitionChar("\x81"));  // a lead byte at the end of the text

    // Codes on the lines after the header are not read.
    Init("[PartitionCode]\r\n20 2C\r\n");
    EXPECT_TRUE(OrvFont_GetPartitionCodes().empty());
    EXPECT_FALSE(OrvFont_IsPartitionChar(" "));
}

TEST_F(FontTest, HeightsAndExtents) {
    Init(FontTxt_Make({{"Pos", "Sans.ttf", "", 16, 0}, {"Neg", "Sans.ttf", "", -16, 0},
                       {"Wide", "Sans.ttf", "", 16, 20}, {"OrvFT_Default", "Sans.ttf", "", 24, 0}},
                      {}, false));
    CSystemMemorySurface s;
    Make(s, PFID_R5G6B5, 64, 64);
    auto width = [&](const char* text, int32_t length = -1) { return Measure(s, "Pos", text, length).cx; };
    EXPECT_EQ(Measure(s, "Pos", "ab").cy, 16);
    EXPECT_GT(width("a"), 0);
    EXPECT_EQ(width("ab"), width("a") + width("b"));
    EXPECT_EQ(width("AV"), width("A") + width("V"));  // no kerning
    EXPECT_EQ(width("abcdef", 2), width("ab"));
    EXPECT_EQ(Measure(s, "Pos", "", 0).cx, 0);
    EXPECT_EQ(Measure(s, "Pos", "", 0).cy, 16);
    EXPECT_GT(Measure(s, "Wide", "mmmm").cx, width("mmmm"));
    EXPECT_EQ(Measure(s, "Unknown", "Hello").cx, Measure(s, "OrvFT_Default", "Hello").cx);  // the default font

    // A negative height is the character height: the cell adds the internal leading.
    int heights[2];
    for (int i = 0; i < 2; ++i) {
        OrvFont_PrintBeginOn(&s, i ? "Neg" : "Pos", 0xFFFFFF);
        heights[i] = OrvFont_GetHeight();
        OrvFont_PrintEnd();
    }
    EXPECT_EQ(heights[0], 17);
    EXPECT_GT(heights[1], 17);
    EXPECT_LT(heights[1], 24);
    // Outside a pair measuring fails.
    OrvTextSize out{5, 5};
    EXPECT_FALSE(OrvFont_GetTextSize("x", 1, out));
    EXPECT_EQ(out.cx, 0);
}

TEST_F(FontTest, CodePagesOfSingleAndDoubleByteModes) {
    InitStandard();
    CSystemMemorySurface s;
    Make(s, PFID_R8G8B8, 80, 40);
    // 0x9C is the ligature oe in code page 1252: a real glyph, not a missing box.
    EXPECT_GT(Measure(s, "OrvFT_Default", "\x9C").cx, Measure(s, "OrvFT_Default", "o").cx);
    const int missing = Measure(s, "OrvFT_Default", "\x81").cx;
    Draw(s, "OrvFT_Default", 0xFFFFFF, 10, 10, "\xE9");
    const Box e = Changed(s, 0);
    ASSERT_FALSE(e.Empty());
    Fill(s, 0xFF000000);
    Draw(s, "OrvFT_Default", 0xFFFFFF, 10, 10, "e");
    EXPECT_LT(e.t, Changed(s, 0).t);  // the accent stands above the plain letter

    InitStandard(true);
    // A lead byte and its trail byte are one character; a lead byte at the end stands alone.
    EXPECT_EQ(Measure(s, "OrvFT_Default", "\x82\xA0").cx, missing);
    EXPECT_EQ(Measure(s, "OrvFT_Default", "a\x82\xA0z").cx, Measure(s, "OrvFT_Default", "az").cx + missing);
    EXPECT_EQ(Measure(s, "OrvFT_Default", "a\x82", 2).cx, Measure(s, "OrvFT_Default", "a").cx + missing);
}

// The system's UTF-8 texts are turned into the fonts' code page: Latin-1 letters and the 0x80-0x9F
// characters to their bytes, what the page lacks and broken sequences to '?'.
TEST_F(FontTest, Utf8TextIsDrawnInTheCodePage) {
    EXPECT_EQ(OrvFont_FromUtf8("d\xC3\xA9" "c. 7, 12:05"), "d\xE9" "c. 7, 12:05");
    EXPECT_EQ(OrvFont_FromUtf8("\xE2\x82\xAC \xC5\x93 \xE2\x84\xA2 \xC5\xB8 \xC3\xBF \xC2\xA0"), "\x80 \x9C \x99 \x9F \xFF \xA0");
    // U+0081 is no character of the page; a CJK character, a four-byte one, a lone continuation byte, a
    // lead byte cut short and an overlong form each give one '?'.
    EXPECT_EQ(OrvFont_FromUtf8("\xC2\x81|\xE5\xB9\xB4|\xF0\x9F\x98\x80|\x80|\xE5\xB9|\xC0\xAF"), "?|?|?|?|?|?");
    // Overlong forms of the copyright sign and of the euro sign, a five-byte and a six-byte form, a lone 0xFF:
    // one '?' each.
    EXPECT_EQ(OrvFont_FromUtf8("\xE0\x82\xA9|\xF0\x82\x82\xAC|\xF8\x88\x80\x80\x80|\xFC\x84\x80\x80\x80\x80|\xFF"),
              "?|?|?|?|?");
    InitStandard();
    CSystemMemorySurface a, b;
    Make(a, PFID_R5G6B5, 200, 40);
    Make(b, PFID_R5G6B5, 200, 40);
    Draw(a, "OrvFT_Default", 0xFFFFFF, 4, 4, OrvFont_FromUtf8("num\xC3\xA9ro").c_str());
    Draw(b, "OrvFT_Default", 0xFFFFFF, 4, 4, "num\xE9ro");
    for (int y = 0; y < a.height; ++y) ASSERT_EQ(std::memcmp(a.Row(y), b.Row(y), size_t(a.width) * 2), 0) << y;
}

TEST_F(FontTest, GlyphsAgreeAcrossPixelFormats) {
    InitStandard();
    CSystemMemorySurface rgb, p565, p555, red;
    Make(rgb, PFID_R8G8B8, 140, 40);
    Make(p565, PFID_R5G6B5, 140, 40);
    Make(p555, PFID_X1R5G5B5, 140, 40);
    Make(red, PFID_R8G8B8, 140, 40);
    const char* text = "Quillmar \xC9t\xE9";
    for (CSystemMemorySurface* s : {&rgb, &p565, &p555}) Draw(*s, "OrvFT_Big_Default", 0xFFFFFF, 4, 2, text);
    Draw(red, "OrvFT_Big_Default", 0x0000FF, 4, 2, text);  // COLORREF order: 0x0000FF is red

    int full = 0, partial = 0;
    for (int y = 0; y < rgb.height; ++y) {
        for (int x = 0; x < rgb.width; ++x) {
            const uint32_t ref = Pixel(rgb, x, y);
            const uint32_t g = ref & 0xFF;  // white text: the three channels are equal
            ASSERT_EQ(ref, g * 0x010101u) << x << "," << y;
            full += g == 255;
            partial += g > 0 && g < 255;
            for (CSystemMemorySurface* s : {&p565, &p555}) {
                const uint32_t c = UnpackColor(s->format, Pixel(*s, x, y));
                for (int shift : {0, 8, 16})
                    ASSERT_LE(std::abs(int((c >> shift) & 0xFF) - int(g)), 9) << x << "," << y;
                if (g == 255) ASSERT_EQ(Pixel(*s, x, y), PackColor(s->format, 0xFFFFFFFF));
                if (g == 0) ASSERT_EQ(Pixel(*s, x, y), 0u);
            }
            if (g == 255) ASSERT_EQ(Pixel(red, x, y), 0xFF0000u);
            if (g == 0) ASSERT_EQ(Pixel(red, x, y), 0u);
        }
    }
    EXPECT_GT(full, 50);
    EXPECT_GT(partial, 20);  // anti-aliased edges
}

TEST_F(FontTest, PlacementInTheCellAndClippingAtEverySurfaceEdge) {
    InitStandard();
    const char* text = "Wg\xC9yMj";
    // Reference: the text drawn fully inside a large surface at (40, 30). y is the top of the cell: accents
    // and descenders stay inside it (hinting may add a pixel); x starts the advance.
    CSystemMemorySurface big;
    Make(big, PFID_R5G6B5, 200, 100);
    Draw(big, "OrvFT_Big_Default", 0xFFFFFF, 40, 30, text);
    const Box ref = Changed(big, 0);
    const OrvTextSize size = Measure(big, "OrvFT_Big_Default", text);
    EXPECT_GE(ref.t, 30 - 1);
    EXPECT_LE(ref.b, 30 + size.cy - 1);
    EXPECT_GE(ref.l, 40);
    EXPECT_LE(ref.r, 40 + size.cx);
    struct Case { int ox, oy, w, h; };  // window of the reference that the small surface shows
    const Case cases[] = {
        {ref.l + 5, ref.t - 2, 40, 50},   // text starts left of the surface
        {ref.l - 3, ref.t + 6, 200, 12},  // top and bottom cut
        {ref.l - 2, ref.t - 2, 30, 60},   // right cut
        {ref.r - 1, ref.b - 1, 7, 5},     // only the last corner
        {ref.r + 1, ref.t, 20, 20},       // nothing visible
    };
    for (const Case& c : cases) {
        CSystemMemorySurface small;
        Make(small, PFID_R5G6B5, c.w, c.h);
        Draw(small, "OrvFT_Big_Default", 0xFFFFFF, 40 - c.ox, 30 - c.oy, text);
        for (int y = 0; y < c.h; ++y)
            for (int x = 0; x < c.w; ++x) {
                const int bx = x + c.ox, by = y + c.oy;
                const uint32_t want = (bx < 200 && by < 100 && bx >= 0 && by >= 0) ? Pixel(big, bx, by) : 0;
                ASSERT_EQ(Pixel(small, x, y), want) << c.ox << "," << c.oy << " at " << x << "," << y;
            }
    }
    // Far-off positions draw nothing and do not overflow.
    CSystemMemorySurface s;
    Make(s, PFID_R5G6B5, 20, 20);
    OrvFont_PrintBeginOn(&s, "OrvFT_Default", 0xFFFFFF);
    OrvFont_PrintAt(INT32_MAX - 5, INT32_MAX - 5, text);
    OrvFont_PrintAt(INT32_MIN, INT32_MIN, text);
    OrvFont_PrintEnd();
    EXPECT_TRUE(Changed(s, 0).Empty());
}

// A text written into a picture is read byte by byte as the fonts read it: 0x92 is the raised right quote (no
// missing-glyph box standing on the line), 0xE9 the letter e with its accent above it.
TEST_F(FontTest, PicturesAreWrittenInTheFontsCodePage) {
    auto ink = [](const std::string& text) {
        SprImage s = MenuArt_Sprite(60, 40, 0xFF000000u);
        EXPECT_TRUE(MenuArt_Label(s, text, ORV_FALLBACK_FONT_FILE, 24));
        Box box;
        for (int y = 0; y < s.height; ++y)
            for (int x = 0; x < s.width; ++x)
                if (s.pixels[size_t(y) * size_t(s.width) + size_t(x)] != 0xFF000000u) {
                    box.l = std::min(box.l, x), box.r = std::max(box.r, x);
                    box.t = std::min(box.t, y), box.b = std::max(box.b, y);
                }
        return box;
    };
    const Box x = ink("x"), quote = ink("\x92"), e = ink("e"), eAcute = ink(OrvFont_FromUtf8("\xC3\xA9"));
    ASSERT_FALSE(quote.Empty());
    EXPECT_LT(quote.b, x.t + (x.b - x.t) / 2);
    EXPECT_LT(eAcute.t, e.t);
    EXPECT_EQ(eAcute.b, e.b);
    EXPECT_NEAR(eAcute.r - eAcute.l, e.r - e.l, 1);
}
