// Writers of panorama data: cube faces that show orientation and seams, the interface pointer bank, view sprites.
#include "testdata/PanoramaWriter.h"

#include <algorithm>
#include <cmath>

#include "panorama/WarpFaceNames.h"
#include "testdata/TempDir.h"
#include "testdata/TgaWriter.h"

namespace {
constexpr int kSize = 512;

// 5 x 7 letters of the faces, one row per byte, bit 4 the left column.
const uint8_t kGlyphs[6][7] = {
    {0x1F, 0x10, 0x10, 0x1E, 0x10, 0x10, 0x10},  // F
    {0x1E, 0x11, 0x11, 0x1E, 0x14, 0x12, 0x11},  // R
    {0x1E, 0x11, 0x11, 0x1E, 0x11, 0x11, 0x1E},  // B
    {0x10, 0x10, 0x10, 0x10, 0x10, 0x10, 0x1F},  // L
    {0x11, 0x11, 0x11, 0x11, 0x11, 0x11, 0x0E},  // U
    {0x1E, 0x11, 0x11, 0x11, 0x11, 0x11, 0x1E},  // D
};
const uint32_t kFaceColours[6] = {0xB03030, 0x30A030, 0x3040C0, 0xC0B030, 0x60B0D0, 0x806040};

uint32_t AddTint(uint32_t rgb, uint32_t tint) {
    uint32_t out = 0xFF000000u;
    for (int shift = 0; shift <= 16; shift += 8) {
        uint32_t c = ((rgb >> shift) & 0xFF) + ((tint >> shift) & 0xFF);
        out |= std::min<uint32_t>(c, 0xFF) << shift;
    }
    return out;
}

uint32_t Darken(uint32_t argb) { return 0xFF000000u | ((argb >> 1) & 0x7F7F7F); }

// Every aligned 4x4 block holds at most two colours, so the packed faces of the block codec decode exactly.
void DemoFace(int face, uint32_t tint, std::vector<uint32_t>& px) {
    const uint32_t base = AddTint(kFaceColours[face], tint);
    for (int y = 0; y < kSize; y++)
        for (int x = 0; x < kSize; x++) {
            uint32_t c = base;
            if (x % 64 == 0 || y % 64 == 0) c = Darken(base);
            if (face < 4 && y >= 252 && y < 260) c = 0xFF000000u;  // horizon of the side faces
            if (x < 4 || y < 4 || x >= kSize - 4 || y >= kSize - 4) c = 0xFFFFFFFFu;
            px[size_t(y) * kSize + x] = c;
        }
    // The letter, 24 pixels per glyph cell, centred.
    const int cell = 24, gx = (kSize - 5 * cell) / 2, gy = (kSize - 7 * cell) / 2;
    for (int r = 0; r < 7; r++)
        for (int col = 0; col < 5; col++) {
            if (!(kGlyphs[face][r] & (0x10 >> col))) continue;
            for (int y = 0; y < cell; y++)
                for (int x = 0; x < cell; x++) px[size_t(gy + r * cell + y) * kSize + gx + col * cell + x] = 0xFFFFFFFFu;
        }
    // An arrow above the letter pointing at the picture's top edge.
    for (int y = 0; y < 60; y++) {
        const int half = y < 30 ? y / 2 + 1 : 4;
        for (int x = -half; x < half; x++) px[size_t(20 + y) * kSize + kSize / 2 + x] = 0xFF000000u;
    }
}

SprImage Blank(int w, int h) {
    SprImage img;
    img.width = w;
    img.height = h;
    img.x = w / 2;
    img.y = h / 2;
    img.pixels.assign(size_t(w) * h, 0);
    return img;
}

void Put(SprImage& img, int x, int y, uint32_t c) {
    if (x >= 0 && y >= 0 && x < img.width && y < img.height) img.pixels[size_t(y) * img.width + x] = c;
}

// A ring of radius r with the given thickness.
void Ring(SprImage& img, double r, double thick, uint32_t c) {
    const double cx = (img.width - 1) / 2.0, cy = (img.height - 1) / 2.0;
    for (int y = 0; y < img.height; y++)
        for (int x = 0; x < img.width; x++) {
            const double d = std::hypot(x - cx, y - cy);
            if (d <= r && d >= r - thick) Put(img, x, y, c);
        }
}

// A chevron pointing up, its tip `lift` pixels above the centre.
void Chevron(SprImage& img, int lift, uint32_t c) {
    const int cx = img.width / 2, tip = img.height / 2 - 6 - lift;
    for (int i = 0; i < 8; i++)
        for (int t = 0; t < 3; t++) {
            Put(img, cx - i, tip + i + t, c);
            Put(img, cx + i, tip + i + t, c);
        }
}

SprImage Arrow() {
    SprImage img = Blank(16, 16);
    img.x = img.y = 0;
    for (int y = 0; y < 16; y++) {
        const int len = y < 11 ? y + 1 : 12 - (y - 10) * 2;
        for (int x = 0; x < len && x < 16; x++) Put(img, x, y, x == 0 || x == len - 1 || y == 10 ? 0xFF000000u : 0xFFFFFFFFu);
    }
    return img;
}
}  // namespace

std::vector<uint32_t> PanoramaWriter_Face(int face, FaceStyle style, uint32_t tint) {
    std::vector<uint32_t> px(size_t(kSize) * kSize, 0xFF000000u);
    if (face < 0 || face > 5) return px;
    if (style == FaceStyle::Demo) {
        DemoFace(face, tint, px);
        return px;
    }
    for (int v = 0; v < kSize; v++)
        for (int u = 0; u < kSize; u++)
            px[size_t(v) * kSize + u] =
                0xFF000000u | uint32_t((u >> 4) << 3) << 16 | uint32_t((v >> 3) << 2) << 8 | uint32_t(face * 5) << 3;
    return px;
}

FaceCode PanoramaWriter_DecodeCoded565(uint16_t pixel) {
    const int blue = pixel & 0x1F;
    return FaceCode{blue % 5 == 0 ? blue / 5 : 7, pixel >> 11, (pixel >> 5) & 0x3F};
}

std::vector<uint8_t> PanoramaWriter_FaceFile(int face, FaceStyle style, uint32_t tint) {
    TgaImage img;
    img.width = img.height = kSize;
    img.type = 2;
    img.bitsPerPixel = 32;
    img.pixels = PanoramaWriter_Face(face, style, tint);
    return TgaWriter_Encode(img);
}

bool PanoramaWriter_WriteFaces(const std::string& dir, const std::string& viewName, FaceStyle style, uint32_t tint,
                               std::string* error) {
    for (int f = 0; f < 6; f++) {
        const std::vector<uint8_t> bytes = PanoramaWriter_FaceFile(f, style, tint);
        const std::string path = dir + "/" + WarpFace_FileName(viewName.c_str(), f);
        if (!WriteFileBytes(path, bytes.data(), bytes.size())) {
            if (error) *error = path + ": cannot write";
            return false;
        }
    }
    return true;
}

std::vector<SprImage> PanoramaWriter_InterfaceImages() {
    std::vector<SprImage> out;
    SprImage dot = Blank(9, 9);
    Ring(dot, 4.0, 2.0, 0xFFFFFFFFu);
    out.push_back(dot);
    for (int kind = 1; kind <= 5; kind++)
        for (int frame = 0; frame < 4; frame++) {
            SprImage img = Blank(24, 24);
            const uint32_t colour = kind == 1 ? 0xFFFFFFFFu : kind == 2 ? 0xFF40C0FFu : kind == 3 ? 0xFFFFD040u
                                  : kind == 4 ? 0xFF60FF60u : 0xFFFF4040u;
            if (kind <= 2) {
                Chevron(img, frame, colour);
                if (kind == 2) Chevron(img, frame - 6, colour);
            } else {
                Ring(img, 5.0 + frame * 1.5, 2.0, colour);
            }
            out.push_back(img);
        }
    while (int(out.size()) < PANORAMA_INTERFACE_SPRITES - 1) out.push_back(dot);
    out.push_back(Arrow());
    return out;
}

std::vector<SprImage> PanoramaWriter_SpwFrames(int count, int width, int height, uint32_t colour) {
    std::vector<SprImage> frames;
    for (int n = 0; n < count; n++) {
        SprImage img = Blank(width, height);
        img.x = img.y = 0;
        const double cx = (width - 1) / 2.0, cy = (height - 1) / 2.0;
        const double r = std::min(width, height) * (0.2 + 0.3 * (count > 1 ? double(n) / (count - 1) : 1.0));
        for (int y = 0; y < height; y++)
            for (int x = 0; x < width; x++) {
                const bool disc = std::hypot(x - cx, y - cy) <= r;
                Put(img, x, y, disc ? 0xFFFFFFFFu : (0xFF000000u | colour));
            }
        for (int k = 0; k <= n && 2 + k * 4 < width; k++)
            for (int y = 1; y < 4 && y < height; y++) Put(img, 2 + k * 4, y, 0xFF000000u);
        frames.push_back(img);
    }
    return frames;
}

bool PanoramaWriter_WriteSpw(const std::string& path, const std::vector<SprImage>& frames, std::string* error) {
    SprWriterOptions opt;
    opt.kind = SprFileKind::Spw;
    return SprWriter_Save(path, frames, opt, error);
}
