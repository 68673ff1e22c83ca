// TGA writer: header, colour map, raw and run-length pixel data in either row order.
#include "testdata/TgaWriter.h"

#include <algorithm>
#include <fstream>

namespace {

// A colour as the little-endian bytes of a 15/16, 24 or 32-bit TGA pixel.
void PutColor(std::vector<uint8_t>& out, uint32_t argb, int bits)
{
    const uint32_t a = argb >> 24, r = (argb >> 16) & 0xFF, g = (argb >> 8) & 0xFF, b = argb & 0xFF;
    if (bits == 15 || bits == 16) {
        const uint32_t w = (bits == 16 && a >= 0x80 ? 0x8000u : 0u) | (r >> 3) << 10 | (g >> 3) << 5 | b >> 3;
        out.push_back(uint8_t(w));
        out.push_back(uint8_t(w >> 8));
        return;
    }
    out.push_back(uint8_t(b));
    out.push_back(uint8_t(g));
    out.push_back(uint8_t(r));
    if (bits == 32) out.push_back(uint8_t(a));
}

void PutWord(std::vector<uint8_t>& out, int v)
{
    out.push_back(uint8_t(v));
    out.push_back(uint8_t(v >> 8));
}

} // namespace

std::vector<uint8_t> TgaWriter_Encode(const TgaImage& img)
{
    const bool mapped = img.type == 1 || img.type == 9;
    const bool rle = img.type == 9 || img.type == 10;
    std::vector<uint8_t> out;
    out.push_back(uint8_t(img.imageId.size()));
    out.push_back(mapped ? 1 : 0);
    out.push_back(uint8_t(img.type));
    PutWord(out, mapped ? img.paletteFirst : 0);
    PutWord(out, mapped ? int(img.palette.size()) : 0);
    out.push_back(uint8_t(mapped ? img.paletteEntryBits : 0));
    PutWord(out, 0);
    PutWord(out, 0);
    PutWord(out, img.width);
    PutWord(out, img.height);
    out.push_back(uint8_t(img.bitsPerPixel));
    const int alphaBits = img.bitsPerPixel == 32 ? 8 : img.bitsPerPixel == 16 ? 1 : 0;
    out.push_back(uint8_t(alphaBits | (img.rightToLeft ? 0x10 : 0) | (img.topDown ? 0x20 : 0)));
    out.insert(out.end(), img.imageId.begin(), img.imageId.end());
    if (mapped)
        for (uint32_t c : img.palette) PutColor(out, c, img.paletteEntryBits);

    // Pixels in file order, each as its bytes.
    std::vector<std::vector<uint8_t>> seq;
    seq.reserve(size_t(img.width) * size_t(img.height));
    for (int r = 0; r < img.height; ++r) {
        const int y = img.topDown ? r : img.height - 1 - r;
        for (int c = 0; c < img.width; ++c) {
            const int x = img.rightToLeft ? img.width - 1 - c : c;
            const uint32_t v = img.pixels[size_t(y) * size_t(img.width) + size_t(x)];
            std::vector<uint8_t> px;
            if (mapped)
                px.push_back(uint8_t(v));
            else
                PutColor(px, v, img.bitsPerPixel);
            seq.push_back(std::move(px));
        }
    }
    if (!rle) {
        for (const auto& px : seq) out.insert(out.end(), px.begin(), px.end());
        return out;
    }
    const size_t n = seq.size(), w = size_t(img.width);
    size_t k = 0;
    while (k < n) {
        // A packet ends at 128 pixels, and at the row's end unless runs may cross rows.
        const size_t limit = std::min(n, std::min(k + 128, img.rleAcrossRows ? n : (k / w + 1) * w));
        size_t run = 1;
        while (k + run < limit && seq[k + run] == seq[k]) ++run;
        if (run >= 2) {
            out.push_back(uint8_t(0x80 | (run - 1)));
            out.insert(out.end(), seq[k].begin(), seq[k].end());
            k += run;
            continue;
        }
        size_t count = 1;
        while (k + count < limit && !(k + count + 1 < limit && seq[k + count] == seq[k + count + 1])) ++count;
        out.push_back(uint8_t(count - 1));
        for (size_t j = 0; j < count; ++j) out.insert(out.end(), seq[k + j].begin(), seq[k + j].end());
        k += count;
    }
    return out;
}

bool TgaWriter_Save(const std::string& path, const TgaImage& image)
{
    const std::vector<uint8_t> bytes = TgaWriter_Encode(image);
    std::ofstream f(path, std::ios::binary | std::ios::trunc);
    f.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    return bool(f);
}
