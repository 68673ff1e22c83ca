// Surfaces: the abstract base, views on foreign memory and system-memory surfaces.
#include "graphics2d/Surface.h"

#include <climits>

#include "app/Orv_Log.h"
#include "app/Orv_Mem.h"

namespace {

constexpr const char* kPixelsTag = "surface";

// Bytes of a pitch x height image, false on overflow or a pitch whose byte size does not fit an int.
bool ImageBytes(int pitchPixels, int height, int bytesPerPixel, size_t& out)
{
    size_t row;
    if (__builtin_mul_overflow(size_t(pitchPixels), size_t(bytesPerPixel), &row) || row > size_t(INT_MAX))
        return false;
    return !__builtin_mul_overflow(row, size_t(height), &out);
}

// Whole bytes per pixel, up to 32 bits.
bool UsableFormat(const CPixelFormat& pf)
{
    return pf.bitsPerPixel != 0 && pf.bitsPerPixel % 8 == 0 && pf.bitsPerPixel <= 32;
}

int LevelSize(int size, int level) { return size >> level > 0 ? size >> level : 1; }

} // namespace

CSurface::~CSurface() = default;

int64_t CSurface::BlockPixels() const
{
    const CSurfaceBlock b = Block();
    if (!pixels || b.width <= 0 || b.height <= 0 || b.pitch < b.width) return 0;
    return int64_t(b.pitch) * (b.height - 1) + b.width;
}

CBufferSurface::CBufferSurface(void* mem, int w, int h, int pitchPixels, const CPixelFormat& pf)
{
    Set(mem, w, h, pitchPixels, pf);
}

void CBufferSurface::Set(void* mem, int w, int h, int pitchPixels, const CPixelFormat& pf)
{
    pixels = mem;
    width = w;
    height = h;
    pitch = pitchPixels;
    block = {w, h, pitchPixels};
    format = pf;
    mipCount = mem ? 1 : 0;
}

void* CBufferSurface::Lock(int level)
{
    return level == 0 ? pixels : nullptr;
}

void CBufferSurface::Unlock() {}

CSystemMemorySurface::~CSystemMemorySurface()
{
    Free();
}

size_t CSystemMemorySurface::LevelOffset(int level) const
{
    size_t offset = 0;
    for (int k = 0; k < level; ++k)
        offset += size_t(LevelSize(pitch, k)) * size_t(LevelSize(height, k)) * size_t(BytesPerPixel());
    return offset;
}

bool CSystemMemorySurface::Create(int w, int h, const CPixelFormat& pf, int pitchPixels, int levels)
{
    const int p = pitchPixels == 0 ? w : pitchPixels;
    if (w <= 0 || h <= 0 || p < w || levels < 1 || levels > 31) {
        OrvError_Warning("CSystemMemorySurface::Create() bad size %dx%d pitch %d levels %d", w, h, pitchPixels, levels);
        return false;
    }
    if (!UsableFormat(pf)) {
        OrvError_Warning("CSystemMemorySurface::Create() unsupported pixel format (%u bits)", pf.bitsPerPixel);
        return false;
    }
    size_t total = 0;
    for (int k = 0; k < levels; ++k) {
        size_t bytes;
        if (!ImageBytes(LevelSize(p, k), LevelSize(h, k), pf.BytesPerPixel(), bytes) ||
            __builtin_add_overflow(total, bytes, &total)) {
            OrvError_Warning("CSystemMemorySurface::Create() size overflow %dx%d pitch %d", w, h, p);
            return false;
        }
    }
    Free();
    block_ = static_cast<uint8_t*>(mem_alloc(total, kPixelsTag));
    if (!block_) return false;
    pixels = block_;
    width = w;
    height = h;
    pitch = p;
    block = {w, h, p};
    format = pf;
    mipCount = levels;
    return true;
}

bool CSystemMemorySurface::CreateWithPlane(int w, int h, const CPixelFormat& pf, int planeW, int planeH,
                                           const CPixelFormat& planeFormat)
{
    if (w <= 0 || h <= 0 || planeW <= 0 || planeH <= 0) {
        OrvError_Warning("CSystemMemorySurface::CreateWithPlane() bad size %dx%d plane %dx%d", w, h, planeW, planeH);
        return false;
    }
    if (!UsableFormat(pf) || !UsableFormat(planeFormat)) {
        OrvError_Warning("CSystemMemorySurface::CreateWithPlane() unsupported pixel format (%u/%u bits)",
                         pf.bitsPerPixel, planeFormat.bitsPerPixel);
        return false;
    }
    size_t planeBytes, imageBytes, total;
    if (!ImageBytes(planeW, planeH, planeFormat.BytesPerPixel(), planeBytes) ||
        !ImageBytes(w, h, pf.BytesPerPixel(), imageBytes) || __builtin_add_overflow(planeBytes, imageBytes, &total)) {
        OrvError_Warning("CSystemMemorySurface::CreateWithPlane() size overflow %dx%d plane %dx%d", w, h, planeW, planeH);
        return false;
    }
    Free();
    block_ = static_cast<uint8_t*>(mem_alloc(total, kPixelsTag));
    if (!block_) return false;
    plane.Set(block_, planeW, planeH, planeW, planeFormat);
    pixels = block_ + planeBytes;
    width = w;
    height = h;
    pitch = w;
    block = {w, h, w};
    format = pf;
    mipCount = 1;
    return true;
}

void CSystemMemorySurface::Free()
{
    if (block_) mem_free(block_, kPixelsTag);
    block_ = nullptr;
    pixels = nullptr;
    width = height = pitch = 0;
    block = {};
    mipCount = 0;
    plane.Set(nullptr, 0, 0, 0, CPixelFormat{});
}

void* CSystemMemorySurface::Lock(int level)
{
    if (!pixels) {
        OrvError_Warning("CSystemMemorySurface::Lock() surface not created");
        return nullptr;
    }
    if (level < 0 || level >= mipCount) {
        OrvError_Warning("CSystemMemorySurface::Lock() level %d of %d", level, mipCount);
        return nullptr;
    }
    return static_cast<uint8_t*>(pixels) + LevelOffset(level);
}

void CSystemMemorySurface::Unlock() {}
