// Menu art for the tests and the demo: sprites with their hot spot at the centre, as the menus place them.
#include "testdata/MenuArt.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <memory>

#include "menus/Orv_Font.h"

namespace {

// Blends a colour over an ARGB pixel by a coverage of 0..255; the pixel keeps its own alpha.
uint32_t Blend(uint32_t under, uint32_t colour, int coverage) {
    uint32_t out = under & 0xFF000000u;
    for (int shift = 0; shift < 24; shift += 8) {
        const int a = int(under >> shift & 0xFF), b = int(colour >> shift & 0xFF);
        out |= uint32_t(a + (b - a) * coverage / 255) << shift;
    }
    return out;
}

using Library = std::unique_ptr<FT_LibraryRec_, FT_Error (*)(FT_Library)>;
using Face = std::unique_ptr<FT_FaceRec_, FT_Error (*)(FT_Face)>;

// Width of the text's advances in pixels at the face's current size; the text is in the game's code page.
int TextWidth(FT_Face face, const std::string& text) {
    int width = 0;
    for (unsigned char c : text)
        if (FT_Load_Char(face, OrvFont_ToUnicode(c), FT_LOAD_DEFAULT) == 0) width += int(face->glyph->advance.x >> 6);
    return width;
}

void DrawText(SprImage& img, FT_Face face, const std::string& text, int x, int baseline, uint32_t colour) {
    for (unsigned char c : text) {
        if (FT_Load_Char(face, OrvFont_ToUnicode(c), FT_LOAD_RENDER) != 0) continue;
        const FT_GlyphSlot g = face->glyph;
        const FT_Bitmap& bm = g->bitmap;
        for (unsigned row = 0; row < bm.rows; ++row)
            for (unsigned col = 0; col < bm.width; ++col) {
                const int px = x + g->bitmap_left + int(col), py = baseline - g->bitmap_top + int(row);
                // Four levels of coverage keep a bank of labelled frames within its 256 colours.
                const int coverage = (bm.buffer[ptrdiff_t(row) * bm.pitch + col] + 42) / 85 * 85;
                if (px < 0 || py < 0 || px >= img.width || py >= img.height || coverage == 0) continue;
                uint32_t& p = img.pixels[size_t(py) * size_t(img.width) + size_t(px)];
                if (p >> 24) p = Blend(p, colour, coverage);
            }
        x += int(g->advance.x >> 6);
    }
}

}  // namespace

bool MenuArt_Label(SprImage& img, const std::string& text, const std::string& fontFile, int size) {
    FT_Library rawLib = nullptr;
    if (FT_Init_FreeType(&rawLib) != 0) return false;
    Library lib(rawLib, FT_Done_FreeType);
    FT_Face rawFace = nullptr;
    if (FT_New_Face(lib.get(), fontFile.c_str(), 0, &rawFace) != 0) return false;
    Face face(rawFace, FT_Done_Face);
    int width = 0;
    for (; size >= 6; --size) {
        if (FT_Set_Pixel_Sizes(face.get(), 0, FT_UInt(size)) != 0) return false;
        width = TextWidth(face.get(), text);
        if (width <= img.width - 4) break;
    }
    const int ascent = int(face->size->metrics.ascender >> 6), descent = int(-face->size->metrics.descender >> 6);
    const int x = (img.width - width) / 2, baseline = (img.height - ascent - descent) / 2 + ascent;
    DrawText(img, face.get(), text, x + 1, baseline + 1, 0xFF000000u);
    DrawText(img, face.get(), text, x, baseline, 0xFFFFFFFFu);
    return true;
}

SprImage MenuArt_Sprite(int w, int h, uint32_t argb, uint32_t borderArgb) {
    SprImage img;
    img.width = w;
    img.height = h;
    img.x = w / 2;
    img.y = h / 2;
    img.pixels.resize(size_t(w) * size_t(h));
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            img.pixels[size_t(y) * size_t(w) + size_t(x)] =
                (x == 0 || y == 0 || x == w - 1 || y == h - 1) ? borderArgb : argb;
    return img;
}

bool MenuArt_SaveBank(const std::string& installDir, const std::string& name, const std::vector<SprImage>& sprites) {
    std::string dir = installDir;
    if (!dir.empty() && dir.back() != '/') dir += '/';
    return SprWriter_Save(dir + "spr/menu/" + name, sprites, SprWriterOptions{});
}
