// Fonts: "Font.txt", FreeType faces sized like the system's fonts, text extents and drawing.
#include "menus/Orv_Font.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_TRUETYPE_TABLES_H

#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>
#include <unordered_map>
#include <vector>

#include "app/Orv_File.h"
#include "app/Orv_Log.h"
#include "graphics2d/Orv_Display.h"
#include "graphics2d/PixelFormat.h"
#include "graphics2d/Surface.h"
#include "menus/TxtReader.h"

const char* const ORV_FALLBACK_FONT_FILE = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";

namespace {

constexpr int32_t kDefaultHeight = 16;
constexpr int32_t kMaxSize = 1024;  // pixels; larger sizes are script errors
// Each font holds a face and glyphs of its own; the program names four, a file may define this many.
constexpr size_t kMaxFonts = 64;

struct Glyph {
    int32_t left = 0;  // from the pen to the first column
    int32_t top = 0;   // from the baseline up to the first row
    int32_t width = 0;
    int32_t rows = 0;
    int32_t advance = 0;
    std::vector<uint8_t> coverage;  // width x rows, 0..255
};

FT_Library Library() {
    static FT_Library lib = [] {
        FT_Library l = nullptr;
        if (FT_Init_FreeType(&l) != 0) l = nullptr;
        return l;
    }();
    return lib;
}

// Bytes 0x80-0x9F of Windows code page 1252; the rest of the page is Latin-1.
constexpr uint16_t kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

}  // namespace

class COrvFontFace {
public:
    explicit COrvFontFace(FT_Face f) : face(f) {}
    ~COrvFontFace() { FT_Done_Face(face); }
    COrvFontFace(const COrvFontFace&) = delete;
    COrvFontFace& operator=(const COrvFontFace&) = delete;

    const Glyph& GlyphOf(uint32_t index);

    FT_Face face;
    int32_t ascent = 0;
    int32_t cell = 0;

private:
    std::unordered_map<uint32_t, Glyph> glyphs_;
};

const Glyph& COrvFontFace::GlyphOf(uint32_t index) {
    auto it = glyphs_.find(index);
    if (it != glyphs_.end()) return it->second;
    Glyph& g = glyphs_[index];
    if (FT_Load_Glyph(face, index, FT_LOAD_NO_BITMAP | FT_LOAD_RENDER) != 0) return g;
    FT_GlyphSlot slot = face->glyph;
    const FT_Bitmap& bm = slot->bitmap;
    g.advance = int32_t((slot->advance.x + 32) >> 6);
    if (bm.pixel_mode != FT_PIXEL_MODE_GRAY && bm.pixel_mode != FT_PIXEL_MODE_MONO) return g;
    g.left = slot->bitmap_left;
    g.top = slot->bitmap_top;
    g.width = int32_t(bm.width);
    g.rows = int32_t(bm.rows);
    g.coverage.resize(size_t(g.width) * size_t(g.rows));
    for (int32_t r = 0; r < g.rows; ++r) {
        const uint8_t* src = bm.buffer + ptrdiff_t(r) * bm.pitch;
        uint8_t* dst = g.coverage.data() + size_t(r) * size_t(g.width);
        for (int32_t c = 0; c < g.width; ++c) {
            if (bm.pixel_mode == FT_PIXEL_MODE_MONO) {
                dst[c] = (src[c >> 3] & (0x80 >> (c & 7))) ? 255 : 0;
            } else {
                unsigned grays = bm.num_grays > 1 ? bm.num_grays - 1 : 255;
                dst[c] = uint8_t(src[c] * 255u / grays);
            }
        }
    }
    return g;
}

namespace {

struct FontState {
    std::map<std::string, ST_font_desc> table;
    std::vector<uint16_t> partitionCodes;
    bool mbcs = false;

    // The open begin/end pair.
    CSurface* surface = nullptr;
    uint8_t* pixels = nullptr;
    bool drawable = false;  // the surface's format takes text
    std::string currentName;
    OrvColorRef colour = 0;

    // Used when "Font.txt" defines no "OrvFT_Default".
    ST_font_desc builtin;
    bool builtinTried = false;

    // Fonts still loaded at exit (no OrvFont_RemoveFonts) go with the module.
    ~FontState() {
        for (auto& entry : table) OrvFont_DeleteFont(entry.second.font);
        OrvFont_DeleteFont(builtin.font);
    }
};

FontState& State() {
    static FontState s;
    return s;
}

const ST_font_desc& CurrentDesc() {
    FontState& s = State();
    auto it = s.table.find(s.currentName);
    if (it == s.table.end()) it = s.table.find("OrvFT_Default");
    if (it != s.table.end()) return it->second;
    if (!s.builtinTried) {
        s.builtinTried = true;
        s.builtin.fileName = ORV_FALLBACK_FONT_FILE;
        s.builtin.height = kDefaultHeight;
        s.builtin.font = OrvFont_Create(0, kDefaultHeight, ORV_FALLBACK_FONT_FILE);
    }
    return s.builtin;
}

// Walks the text character by character: a glyph index per character.
template <typename Fn>
void ForEachGlyph(COrvFontFace& f, const char* text, int32_t length, Fn&& fn) {
    const bool mbcs = State().mbcs;
    const uint8_t* p = reinterpret_cast<const uint8_t*>(text);
    const uint8_t* end = p + (length > 0 ? strnlen(text, size_t(length)) : 0);
    while (p < end) {
        uint32_t code = *p++;
        uint32_t index;
        if (mbcs && code >= 0x80 && p < end) {
            // A double-byte character: no code-page table for it, the font's missing glyph stands in.
            ++p;
            index = 0;
        } else {
            if (!mbcs) code = OrvFont_ToUnicode(uint8_t(code));
            index = FT_Get_Char_Index(f.face, code);
        }
        fn(f.GlyphOf(index));
    }
}

uint32_t ReadPixel(const uint8_t* p, int bpp) {
    uint32_t v = 0;
    for (int i = 0; i < bpp; ++i) v |= uint32_t(p[i]) << (8 * i);
    return v;
}

void WritePixel(uint8_t* p, int bpp, uint32_t v) {
    for (int i = 0; i < bpp; ++i) p[i] = uint8_t(v >> (8 * i));
}

bool TakesText(const CPixelFormat& pf) {
    int bpp = pf.BytesPerPixel();
    return (bpp == 2 || bpp == 3 || bpp == 4) && PixelFormat_IsMasked(pf) && !PixelFormat_IsDepth(pf) &&
           pf.redMask && pf.greenMask && pf.blueMask;
}

// Blends one glyph over the locked surface, clipped to it.
void BlendGlyph(const Glyph& g, int64_t gx, int64_t gy) {
    FontState& s = State();
    CSurface& surf = *s.surface;
    const int bpp = surf.BytesPerPixel();
    const uint32_t r = s.colour & 0xFF, gr = (s.colour >> 8) & 0xFF, b = (s.colour >> 16) & 0xFF;
    const int64_t x0 = std::max<int64_t>(gx, 0), x1 = std::min<int64_t>(gx + g.width, surf.width);
    const int64_t y0 = std::max<int64_t>(gy, 0), y1 = std::min<int64_t>(gy + g.rows, surf.height);
    for (int64_t y = y0; y < y1; ++y) {
        const uint8_t* cov = g.coverage.data() + size_t(y - gy) * size_t(g.width);
        uint8_t* row = s.pixels + size_t(y) * size_t(surf.PitchBytes());
        for (int64_t x = x0; x < x1; ++x) {
            const uint32_t a = cov[x - gx];
            if (a == 0) continue;
            uint8_t* px = row + size_t(x) * size_t(bpp);
            const uint32_t d = UnpackColor(surf.format, ReadPixel(px, bpp));
            auto mix = [a](uint32_t src, uint32_t dst) { return (src * a + dst * (255 - a) + 127) / 255; };
            const uint32_t out = 0xFF000000u | mix(r, (d >> 16) & 0xFF) << 16 | mix(gr, (d >> 8) & 0xFF) << 8 |
                                 mix(b, d & 0xFF);
            WritePixel(px, bpp, PackColor(surf.format, out));
        }
    }
}

// Hexadecimal 16-bit code with an optional "0x"; false for anything else.
bool ParsePartitionCode(const std::string& tok, uint16_t& out) {
    size_t i = (tok.size() > 2 && tok[0] == '0' && (tok[1] == 'x' || tok[1] == 'X')) ? 2 : 0;
    if (i == tok.size()) return false;
    uint32_t v = 0;
    for (; i < tok.size(); ++i) {
        char c = tok[i];
        int d = (c >= '0' && c <= '9') ? c - '0' : (c >= 'a' && c <= 'f') ? c - 'a' + 10
                : (c >= 'A' && c <= 'F') ? c - 'A' + 10 : -1;
        if (d < 0) return false;
        v = v * 16 + uint32_t(d);
        if (v > 0xFFFF) return false;
    }
    out = uint16_t(v);
    return true;
}

// One "[Font]" block, read from the line after "[Font]" up to "[EndFont]".
void ReadFontBlock(TxtReader& file) {
    std::string id, name, type;
    int32_t height = kDefaultHeight, width = 0;
    bool ended = false;
    while (!file.txt_IsEnd()) {
        TxtReader line;
        file.txt_ReadLine(line);
        if (line.txt_Equals("[EndFont]")) {
            ended = true;
            break;
        }
        if (line.length() == 0 || *line.txt_CharAt(0) == ';') continue;
        std::string key = line.txt_NextToken();
        if (key == "NameID") {
            id = line.txt_NextToken();
        } else if (key == "Name") {
            name = line.txt_NextToken();
        } else if (key == "Type") {
            TxtReader rest;
            line.txt_ReadLine(rest);
            type = rest.str();
        } else if (key == "Height") {
            line.txt_ReadLong(height);
        } else if (key == "Width") {
            line.txt_ReadLong(width);
        }
    }
    if (!ended) {
        OrvError_Warning("OrvFont_MainInit() : bloc [Font] sans [EndFont] (%s) ignoré", id.c_str());
        return;
    }
    if (id.empty()) {
        OrvError_Warning("OrvFont_MainInit() : bloc [Font] sans NameID ignoré (%s)", name.c_str());
        return;
    }
    if (type.empty()) type = id;
    char path[ORV_PATH_MAX];
    build_path_loc(path, name.c_str());
    add_font(width, height, path, id.c_str(), type.c_str());
}

}  // namespace

void OrvFont_MainInit() {
    char path[ORV_PATH_MAX];
    build_path_loc(path, "Font.txt");
    TxtReader file;
    if (!TxtReader_LoadFile(path, file)) {
        OrvError_Fatal("void OrvFont_MainInit(void) ERREUR: le fichier \"Font.txt\" est introuvalbe");
        return;
    }
    FontState& s = State();
    while (!file.txt_IsEnd()) {
        TxtReader line;
        file.txt_ReadLine(line);
        if (line.length() == 0 || *line.txt_CharAt(0) == ';') continue;
        std::string key = line.txt_NextToken();
        if (key == "[PartitionCode]") {
            for (std::string tok = line.txt_NextToken(); !tok.empty(); tok = line.txt_NextToken()) {
                uint16_t code;
                if (ParsePartitionCode(tok, code))
                    s.partitionCodes.push_back(code);
                else
                    OrvError_Warning("OrvFont_MainInit() : code de partition incorrect : %s", tok.c_str());
            }
        } else if (key == "[CharacterSet]") {
            std::string set = line.txt_NextToken();
            if (set == "SBCS") s.mbcs = false;
            else if (set == "MBCS") s.mbcs = true;
        } else if (key == "[Font]") {
            ReadFontBlock(file);
        }
    }
}

void add_font(int32_t width, int32_t height, const char* path, const char* id, const char* faceName) {
    (void)faceName;
    FontState& s = State();
    if (s.table.count(id)) return;
    if (s.table.size() >= kMaxFonts) {
        OrvError_Warning("add_font() : plus de %zu fontes, %s ignorée", kMaxFonts, id);
        return;
    }
    OrvFontHandle font = nullptr;
    if (OrvFile_Exists(path)) {
        font = OrvFont_Create(width, height, OrvFile_Resolve(path).c_str());
        if (!font) OrvError_Warning("add_font() ERREUR: Problème lors de l'ouverture de la fonte %s", path);
    } else {
        debug_printf("Font %s not found, using system font", path);
    }
    if (!font) font = OrvFont_Create(width, height, ORV_FALLBACK_FONT_FILE);
    if (!font) {
        OrvError_Fatal("OrvFont_Create() Problème lors de la création de la fonte.");
        return;
    }
    ST_font_desc& d = s.table[id];
    d.font = font;
    d.fileName = path;
    d.height = height;
}

OrvFontHandle OrvFont_Create(int32_t width, int32_t height, const char* path) {
    if (height == 0) height = kDefaultHeight;  // the system's default height
    if (height > kMaxSize || height < -kMaxSize || width > kMaxSize || width < -kMaxSize) {
        OrvError_Warning("OrvFont_Create() taille de fonte incorrecte : %d x %d", width, height);
        height = std::clamp(height, -kMaxSize, kMaxSize);
        width = std::clamp(width, -kMaxSize, kMaxSize);
    }
    FT_Library lib = Library();
    FT_Face face = nullptr;
    if (!lib || !path || FT_New_Face(lib, path, 0, &face) != 0) return nullptr;
    auto* f = new COrvFontFace(face);
    if (!FT_IS_SCALABLE(face) || face->units_per_EM == 0) {
        delete f;
        return nullptr;
    }
    // The system's cell is the OS/2 table's Windows ascent and descent.
    const double upem = face->units_per_EM;
    double asc = face->ascender, desc = -double(face->descender);
    const TT_OS2* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
    if (os2 && os2->usWinAscent + os2->usWinDescent > 0) {
        asc = os2->usWinAscent;
        desc = os2->usWinDescent;
    }
    if (asc + desc <= 0) {
        asc = upem * 0.8;
        desc = upem * 0.2;
    }
    const double yppem = height > 0 ? height * upem / (asc + desc) : -double(height);
    double xppem = yppem;
    if (width != 0) {
        const double avg = os2 && os2->xAvgCharWidth > 0 ? os2->xAvgCharWidth : upem / 2;
        xppem = std::abs(width) * upem / avg;
    }
    const FT_F26Dot6 xs = std::max<FT_F26Dot6>(1, std::lround(xppem * 64));
    const FT_F26Dot6 ys = std::max<FT_F26Dot6>(1, std::lround(yppem * 64));
    if (FT_Set_Char_Size(face, xs, ys, 72, 72) != 0) {
        delete f;
        return nullptr;
    }
    // Rounded up as the system does, so that the tallest glyphs fit (hinting may still add a pixel).
    f->ascent = int32_t(std::ceil(asc * yppem / upem - 1e-6));
    f->cell = height > 0 ? height : f->ascent + int32_t(std::ceil(desc * yppem / upem - 1e-6));
    if (f->ascent > f->cell) f->ascent = f->cell;
    return f;
}

void OrvFont_DeleteFont(OrvFontHandle font) { delete font; }

void OrvFont_PrintBeginOn(CSurface* surface, std::string id, OrvColorRef colour) {
    FontState& s = State();
    if (s.surface) OrvFont_PrintEnd();  // pairs do not nest; keep the lock balanced
    s.currentName = s.table.count(id) ? id : "OrvFT_Default";
    uint8_t* pixels = surface ? static_cast<uint8_t*>(surface->Lock()) : nullptr;
    if (!pixels) {
        OrvError_Warning("OrvFont_PrintBegin(): current_HDC=NULL");
        return;
    }
    s.surface = surface;
    s.pixels = pixels;
    s.colour = colour;
    s.drawable = TakesText(surface->format);
    if (!s.drawable)
        OrvError_Warning("OrvFont_PrintBegin(): format de surface non géré (%u bits)", surface->format.bitsPerPixel);
}

void OrvFont_PrintBegin(CSurface* unused, std::string id, OrvColorRef colour) {
    (void)unused;
    OrvFont_PrintBeginOn(OrvDisplay_GetRenderSurface(), std::move(id), colour);
}

void OrvFont_PrintAt(int32_t x, int32_t y, const char* text) {
    FontState& s = State();
    if (!s.surface) {
        OrvError_Fatal("OrvFont_PrintAt() : OrvFont_PrintBegin() missing");
        return;
    }
    const ST_font_desc& d = CurrentDesc();
    if (!d.font || !s.drawable || !text) return;
    int64_t pen = x;
    const int64_t baseline = int64_t(y) + d.font->ascent;
    ForEachGlyph(*d.font, text, INT32_MAX, [&](const Glyph& g) {
        if (!g.coverage.empty()) BlendGlyph(g, pen + g.left, baseline - g.top);
        pen += g.advance;
    });
}

bool OrvFont_GetTextSize(const char* text, int32_t length, OrvTextSize& out) {
    out = OrvTextSize{};
    if (!State().surface) {
        OrvError_Fatal("OrvFont_GetTextSize() : OrvFont_PrintBegin() missing");
        return false;
    }
    const ST_font_desc& d = CurrentDesc();
    if (!d.font) return false;
    int64_t cx = 0;
    if (text) ForEachGlyph(*d.font, text, length, [&](const Glyph& g) { cx += g.advance; });
    out.cx = int32_t(std::min<int64_t>(cx, INT32_MAX));
    out.cy = d.font->cell;
    return true;
}

int32_t OrvFont_GetHeight() {
    const ST_font_desc& d = CurrentDesc();
    if (State().surface && d.font) return d.font->cell + 1;
    if (!State().surface) OrvError_Warning("OrvFont_GetHeight() : OrvFont_PrintBegin() missing");
    else OrvError_Warning("OrvFont_GetHeight() : GetTextMetrics() failed!");
    // The registered height; a negative one is a character height, the cell is the better answer.
    if (d.height > 0 || !d.font) return d.height;
    return d.font->cell + 1;
}

void OrvFont_SetColor(OrvColorRef colour) { State().colour = colour; }

void OrvFont_PrintOutlined(int32_t x, int32_t y, const char* text, OrvColorRef colour, OrvColorRef outline) {
    OrvFont_SetColor(outline);
    for (int32_t dy = -1; dy <= 1; ++dy)
        for (int32_t dx = -1; dx <= 1; ++dx)
            if (dx || dy) OrvFont_PrintAt(x + dx, y + dy, text);
    OrvFont_SetColor(colour);
    OrvFont_PrintAt(x, y, text);
}

void OrvFont_PrintEnd() {
    FontState& s = State();
    if (s.surface) s.surface->Unlock();
    s.surface = nullptr;
    s.pixels = nullptr;
    s.drawable = false;
}

bool OrvFont_IsMBCS() { return State().mbcs; }

uint32_t OrvFont_ToUnicode(uint8_t byte) { return byte >= 0x80 && byte < 0xA0 ? kCp1252High[byte - 0x80] : byte; }

std::string OrvFont_FromUtf8(const std::string& utf8) {
    std::string out;
    const auto* p = reinterpret_cast<const uint8_t*>(utf8.data());
    const auto* end = p + utf8.size();
    while (p < end) {
        const uint8_t lead = *p++;
        if (lead < 0x80) {
            out += char(lead);
            continue;
        }
        // Continuation bytes after the lead: 1 to 3; anything else is one broken character.
        const int more = lead >= 0xF8 ? -1 : lead >= 0xF0 ? 3 : lead >= 0xE0 ? 2 : lead >= 0xC2 ? 1 : -1;
        uint32_t code = lead & (more == 3 ? 0x07u : more == 2 ? 0x0Fu : 0x1Fu);
        bool whole = more > 0 && end - p >= more;
        for (int i = 0; whole && i < more; ++i) {
            whole = (p[i] & 0xC0) == 0x80;
            code = code << 6 | (p[i] & 0x3Fu);
        }
        if (!whole) {
            out += '?';
            while (p < end && (*p & 0xC0) == 0x80) ++p;
            continue;
        }
        p += more;
        // An overlong form spells a shorter character with more bytes: one broken character too.
        constexpr uint32_t kShortest[] = {0, 0x80, 0x800, 0x10000};
        if (code < kShortest[more]) {
            out += '?';
            continue;
        }
        char byte = '?';
        if (code >= 0xA0 && code <= 0xFF) byte = char(code);
        for (int i = 0; i < 32; ++i)
            if (kCp1252High[i] == code && code >= 0x100) byte = char(0x80 + i);
        out += byte;
    }
    return out;
}

bool OrvFont_IsPartitionChar(const char* p) {
    if (!p) return false;
    const FontState& s = State();
    const uint8_t c = uint8_t(p[0]);
    for (uint16_t code : s.partitionCodes) {
        if (!s.mbcs) {
            if ((code & 0xFF) == c) return true;
        } else if (c < 0x80) {
            if (!(code & 0x8000) && (code & 0xFF) == c) return true;
        } else if ((code & 0x8000) && (code >> 8) == c && (code & 0xFF) == uint8_t(p[1])) {
            return true;
        }
    }
    return false;
}

void OrvFont_RemoveFonts() {
    FontState& s = State();
    OrvFont_PrintEnd();
    for (auto& [id, d] : s.table) OrvFont_DeleteFont(d.font);
    s.table.clear();
    OrvFont_DeleteFont(s.builtin.font);
    s.builtin = ST_font_desc{};
    s.builtinTried = false;
    s.partitionCodes.clear();
    s.mbcs = false;
    s.currentName.clear();
}

const ST_font_desc* OrvFont_Find(const std::string& id) {
    auto it = State().table.find(id);
    return it == State().table.end() ? nullptr : &it->second;
}

const std::vector<uint16_t>& OrvFont_GetPartitionCodes() { return State().partitionCodes; }

bool OrvFont_InPrint() { return State().surface != nullptr; }
