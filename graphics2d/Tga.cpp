// TGA reader: header, pixel format, colour map and raw or run-length pixel data.
#include "graphics2d/Tga.h"

#include <cstring>
#include <fstream>

#include "app/Orv_File.h"
#include "app/Orv_Log.h"

namespace {

constexpr int kHeaderBytes = 18;

bool IsColorMapped(int type) { return type == TGA_TYPE_COLORMAPPED || type == TGA_TYPE_RLE_COLORMAPPED; }
bool IsRle(int type) { return type == TGA_TYPE_RLE_COLORMAPPED || type == TGA_TYPE_RLE_TRUECOLOR; }

bool ReadExactly(std::istream& in, void* buf, size_t count)
{
    in.read(static_cast<char*>(buf), std::streamsize(count));
    return size_t(in.gcount()) == count;
}

// Reads the colour map behind the header; keeps it as 0xAARRGGBB when asked.
bool ReadColorMap(std::istream& in, const TgaHeader& h, std::vector<uint32_t>* palette)
{
    if (h.colorMapType == 0) return true;
    const bool mapped = IsColorMapped(h.imageType);
    const int entryBits = h.colorMapEntrySize;
    int id = 0;
    switch (entryBits) {
    case 15:
    case 16: id = PFID_X1R5G5B5; break;
    case 24: id = PFID_R8G8B8; break;
    case 32: id = PFID_A8R8G8B8; break;
    default:
        if (mapped) {
            OrvError_Warning("Tga_ReadPixels() unsupported colour map entry size %d", entryBits);
            return false;
        }
    }
    const size_t entryBytes = size_t(entryBits + 7) / 8;
    const size_t length = size_t(h.ColorMapLength());
    std::vector<uint8_t> raw(entryBytes * length);
    if (!ReadExactly(in, raw.data(), raw.size())) {
        OrvError_Warning("Tga_ReadPixels() truncated colour map (%zu entries)", length);
        return false;
    }
    if (!mapped || !palette) return true;

    const CPixelFormat pf = PixelFormatOf(id);
    const size_t first = size_t(h.ColorMapFirst());
    palette->assign(first + length, 0);
    for (size_t k = 0; k < length; ++k) {
        uint32_t v = 0;
        for (size_t b = 0; b < entryBytes; ++b) v |= uint32_t(raw[k * entryBytes + b]) << (8 * b);
        (*palette)[first + k] = UnpackColor(pf, v);
    }
    return true;
}

// Places decoded pixels, given in file order, into the surface.
class PixelSink {
public:
    PixelSink(const TgaHeader& h, CSurface& s)
        : surface_(s), width_(h.Width()), height_(h.Height()), bytes_(s.BytesPerPixel()), topDown_(h.TopDown()),
          rightToLeft_(h.RightToLeft())
    {
    }
    int64_t Total() const { return int64_t(width_) * height_; }
    void Put(int64_t index, const uint8_t* pixel)
    {
        const int fileRow = int(index / width_), fileCol = int(index % width_);
        const int y = topDown_ ? fileRow : height_ - 1 - fileRow;
        const int x = rightToLeft_ ? width_ - 1 - fileCol : fileCol;
        std::memcpy(surface_.Row(y) + size_t(x) * size_t(bytes_), pixel, size_t(bytes_));
    }

private:
    CSurface& surface_;
    int width_, height_, bytes_;
    bool topDown_, rightToLeft_;
};

bool ReadRaw(std::istream& in, const TgaHeader& h, PixelSink& sink, int bytes)
{
    std::vector<uint8_t> row(size_t(h.Width()) * size_t(bytes));
    int64_t index = 0;
    for (int r = 0; r < h.Height(); ++r) {
        if (!ReadExactly(in, row.data(), row.size())) {
            OrvError_Warning("Tga_ReadPixels() truncated file at row %d of %d", r, h.Height());
            return false;
        }
        for (int x = 0; x < h.Width(); ++x) sink.Put(index++, &row[size_t(x) * size_t(bytes)]);
    }
    return true;
}

// Run-length packets may run on from one row into the next, but not past the last pixel.
bool ReadRle(std::istream& in, PixelSink& sink, int bytes)
{
    uint8_t packet[128 * 4];
    const int64_t total = sink.Total();
    int64_t index = 0;
    while (index < total) {
        const int head = in.get();
        if (head == std::char_traits<char>::eof()) {
            OrvError_Warning("Tga_ReadPixels() truncated file at pixel %lld of %lld", (long long)index, (long long)total);
            return false;
        }
        const int count = (head & 0x7F) + 1;
        if (index + count > total) {
            OrvError_Warning("Tga_ReadPixels() packet of %d pixels overruns the picture at pixel %lld of %lld", count,
                             (long long)index, (long long)total);
            return false;
        }
        const bool run = (head & 0x80) != 0;
        if (!ReadExactly(in, packet, size_t(run ? 1 : count) * size_t(bytes))) {
            OrvError_Warning("Tga_ReadPixels() truncated file at pixel %lld of %lld", (long long)index, (long long)total);
            return false;
        }
        for (int k = 0; k < count; ++k) sink.Put(index++, run ? packet : packet + size_t(k) * size_t(bytes));
    }
    return true;
}

} // namespace

// The fewest bytes that can follow the header and image id: the colour map and the pixels, with
// run-length pictures coded in full 128-pixel runs.
int64_t Tga_MinimumDataBytes(const TgaHeader& h)
{
    const int64_t mapBytes = h.colorMapType ? int64_t(h.colorMapEntrySize + 7) / 8 * h.ColorMapLength() : 0;
    const int64_t pixels = int64_t(h.Width()) * h.Height(), bytes = (h.pixelDepth + 7) / 8;
    return mapBytes + (IsRle(h.imageType) ? (pixels + 127) / 128 * (1 + bytes) : pixels * bytes);
}

bool Tga_ReadHeader(std::istream& in, TgaHeader& header)
{
    uint8_t b[kHeaderBytes];
    if (!ReadExactly(in, b, sizeof b)) {
        OrvError_Warning("Tga_ReadHeader() truncated header");
        return false;
    }
    TgaHeader h;
    uint8_t* fields[kHeaderBytes] = {&h.idLength,         &h.colorMapType,     &h.imageType,       &h.colorMapFirstLo,
                                     &h.colorMapFirstHi,  &h.colorMapLengthLo, &h.colorMapLengthHi, &h.colorMapEntrySize,
                                     &h.xOriginLo,        &h.xOriginHi,        &h.yOriginLo,       &h.yOriginHi,
                                     &h.widthLo,          &h.widthHi,          &h.heightLo,        &h.heightHi,
                                     &h.pixelDepth,       &h.descriptor};
    for (int k = 0; k < kHeaderBytes; ++k) *fields[k] = b[k];
    in.ignore(h.idLength);
    if (in.gcount() != h.idLength) {
        OrvError_Warning("Tga_ReadHeader() truncated image id");
        return false;
    }
    header = h;
    return true;
}

CPixelFormat Tga_GetPixelFormat(const TgaHeader& header)
{
    const int type = header.imageType, depth = header.pixelDepth;
    if (IsColorMapped(type)) {
        if (header.colorMapType == 1 && depth == 8) return PixelFormatOf(PFID_P8);
    } else if (type == TGA_TYPE_TRUECOLOR || type == TGA_TYPE_RLE_TRUECOLOR) {
        if (depth == 15 || depth == 16)
            return PixelFormatOf(depth == 16 && (header.descriptor & 0x0F) == 1 ? PFID_A1R5G5B5 : PFID_X1R5G5B5);
        if (depth == 24) return PixelFormatOf(PFID_R8G8B8);
        if (depth == 32) return PixelFormatOf(PFID_A8R8G8B8);
    }
    OrvError_Warning("Tga_GetPixelFormat() unsupported picture: type %d, %d bits, colour map type %d", type, depth,
                     header.colorMapType);
    return CPixelFormat{};
}

bool Tga_ReadPixels(std::istream& in, const TgaHeader& header, CSurface& surface, std::vector<uint32_t>* palette)
{
    const CPixelFormat pf = Tga_GetPixelFormat(header);
    if (pf.bitsPerPixel == 0) return false;
    if (header.colorMapType > 1) {
        OrvError_Warning("Tga_ReadPixels() unknown colour map type %d", header.colorMapType);
        return false;
    }
    if (header.descriptor & 0xC0) {
        OrvError_Warning("Tga_ReadPixels() interleaved rows are not supported");
        return false;
    }
    const int w = header.Width(), h = header.Height();
    if (w == 0 || h == 0) {
        OrvError_Warning("Tga_ReadPixels() empty picture %dx%d", w, h);
        return false;
    }
    if (!surface.pixels) {
        OrvError_Warning("Tga_ReadPixels() surface not locked");
        return false;
    }
    if (surface.width != w || surface.height != h || !(surface.format == pf) || surface.pitch < w) {
        OrvError_Warning("Tga_ReadPixels() surface %dx%d (%u bits) does not fit the picture %dx%d (%u bits)",
                         surface.width, surface.height, surface.format.bitsPerPixel, w, h, pf.bitsPerPixel);
        return false;
    }
    if (!ReadColorMap(in, header, palette)) return false;

    PixelSink sink(header, surface);
    const int bytes = pf.BytesPerPixel();
    return IsRle(header.imageType) ? ReadRle(in, sink, bytes) : ReadRaw(in, header, sink, bytes);
}

bool Tga_Load(const char* path, CSystemMemorySurface& surface, std::vector<uint32_t>* palette)
{
    std::ifstream in(OrvFile_Resolve(path), std::ios::binary);
    if (!in) {
        OrvError_Warning("Tga_Load() file not found: %s", path);
        return false;
    }
    TgaHeader header;
    if (!Tga_ReadHeader(in, header)) return false;
    const CPixelFormat pf = Tga_GetPixelFormat(header);
    if (pf.bitsPerPixel == 0) return false;
    // Refuse a truncated file before allocating what its header claims.
    const std::streamoff start = in.tellg();
    in.seekg(0, std::ios::end);
    const std::streamoff left = in.tellg() - start;
    in.seekg(start);
    if (left < Tga_MinimumDataBytes(header)) {
        OrvError_Warning("Tga_Load() truncated file %s (%lld bytes of data)", path, (long long)left);
        return false;
    }
    if (!surface.Create(header.Width(), header.Height(), pf)) return false;
    if (!Tga_ReadPixels(in, header, surface, palette)) {
        surface.Free();
        return false;
    }
    return true;
}
