// Files of the scene layer: ".zbf" depth maps and the texture maps of materials.
#include <bit>
#include <cstring>
#include <vector>

#include "app/Orv_File.h"
#include "app/Orv_Log.h"
#include "engine3d/Orv3D.h"
#include "graphics2d/Draw.h"
#include "graphics2d/Orv_Display.h"
#include "graphics2d/Tga.h"
#include "raster/Rasterizer.h"

namespace {

constexpr int kZbfHeaderSize = 36;
constexpr uint32_t kZbfMaxSide = 4096;
constexpr int kCheckerSize = 32;

uint32_t LE32(const uint8_t* p) { return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24; }

// Reads height rows of width u32 values into the d32 surface; rows the file lacks stay zero.
bool ReadDepthRows(OrvFileHandle h, CSystemMemorySurface& d32, uint32_t width, uint32_t height)
{
    std::vector<uint8_t> row(size_t(width) * 4);
    for (uint32_t y = 0; y < height; ++y) {
        auto* out = reinterpret_cast<uint32_t*>(d32.Row(int(y)));
        const int32_t got = OrvFile_Read(h, row.data(), int32_t(row.size()));
        const uint32_t values = got > 0 ? uint32_t(got) / 4 : 0;
        for (uint32_t x = 0; x < width; ++x) out[x] = x < values ? LE32(&row[size_t(x) * 4]) : 0;
        if (values < width) {
            for (uint32_t rest = y + 1; rest < height; ++rest) std::memset(d32.Row(int(rest)), 0, row.size());
            return false;
        }
    }
    return true;
}

void Checkerboard(CTTexture& texture)
{
    texture.palette = nullptr;
    texture.textureFlags &= uint8_t(~TEXTURE_PALETTISED);
    if (texture.surface.Create(kCheckerSize, kCheckerSize, Orv3D_TextureFormat())) DrawCheckerboard(texture.surface, 2);
}

// The picture in a zero-padded block of 2^wb x 2^hb texels whose surface keeps the picture's size
// (and the block as its storage block), so texture coordinates 0..1 span the picture and wrap
// within the block.
bool LoadPicture(const char* path, CTTexture& texture)
{
    CSystemMemorySurface picture;
    std::vector<uint32_t> palette;
    if (!Tga_Load(path, picture, &palette)) return false;
    const int w = picture.width, h = picture.height;
    // Sides rounded up to powers of two (pictures are at least one texel each way).
    const int blockW = 1 << std::bit_width(uint32_t(w) - 1), blockH = 1 << std::bit_width(uint32_t(h) - 1);
    const CPixelFormat format = Orv3D_TextureFormat();
    if (picture.format.flags & PF_PALETTED) {
        if (!texture.CreatePalettised(blockW, blockH, format, palette.data(), int(palette.size()))) return false;
        CSurface& s = texture.surface;
        for (int y = 0; y < blockH; ++y) {
            uint8_t* row = s.Row(y);
            std::memset(row, 0, size_t(blockW));
            if (y < h) std::memcpy(row, picture.Row(y), size_t(w));
        }
    } else {
        texture.palette = nullptr;
        texture.textureFlags &= uint8_t(~TEXTURE_PALETTISED);
        if (!texture.surface.Create(blockW, blockH, format) || !ClearSurface(texture.surface, 0) ||
            !CopySurface(texture.surface, picture)) {
            texture.surface.Free();
            return false;
        }
    }
    texture.surface.width = w;
    texture.surface.height = h;
    return true;
}

}  // namespace

CPixelFormat Orv3D_TextureFormat()
{
    const CSurface* target = OrvDisplay_GetRenderTarget();
    if (target && (PixelFormat_Is565(target->format) || PixelFormat_Is555(target->format))) return target->format;
    return PixelFormatOf(PFID_R5G6B5);
}

bool Load_zbuffer(const char* fileName, CSystemMemorySurface& surface)
{
    if (OrvFile_GetSizeByName(fileName) <= 0) {
        OrvError_Warning("Load_zbuffer() : %s missing or empty", fileName);
        return false;
    }
    const OrvFileHandle h = OrvFile_Open(fileName, ORV_READ);
    if (!h) {
        OrvError_Fatal("Load_zbuffer() : file not found: %s", fileName);
        return false;
    }
    uint8_t head[kZbfHeaderSize];
    const bool headerRead = OrvFile_Read(h, head, kZbfHeaderSize) == kZbfHeaderSize;
    const uint32_t width = headerRead ? LE32(head + 28) : 0, height = headerRead ? LE32(head + 32) : 0;
    if (width == 0 || height == 0 || width > kZbfMaxSide || height > kZbfMaxSide) {
        OrvFile_Close(h);
        OrvError_Warning("Load_zbuffer() : %s has a bad size %ux%u", fileName, width, height);
        return false;
    }
    CSystemMemorySurface depth;
    CPixelFormat zformat;
    rasterizerTR.GetZBufferFormat(zformat);
    if (!depth.Create(int(width), int(height), PixelFormatOf(PFID_D32)) ||
        !surface.Create(int(width), int(height), zformat, 0, 1)) {
        OrvFile_Close(h);
        return false;
    }
    const bool whole = ReadDepthRows(h, depth, width, height);
    OrvFile_Close(h);
    if (!whole) OrvError_Warning("Load_zbuffer() : %s shorter than its header says", fileName);
    CopySurface(surface, depth);
    return true;
}

bool Orv3D_LoadMapTexture(const CTDbTexture& record, CTTexture& texture)
{
    char path[ORV_PATH_MAX] = "";
    if (!record.name.empty()) build_path_3d_dial(path, record.name.c_str());
    const bool exists = path[0] && OrvFile_Exists(path);
    if (path[0] && !exists) OrvError_Warning("Map 3d introuvable : %s =>generation cadrillage", path);
    if (exists) {
        DebugOut() << "Loading " << record.name << std::endl;
        if (LoadPicture(path, texture)) return true;
    }
    DebugOut() << "Generating " << record.name << std::endl;
    Checkerboard(texture);
    return false;
}
