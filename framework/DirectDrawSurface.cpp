// The DirectDraw surface object and the nearest-pixel stretch used by blits and the display layer.
#include "framework/DirectDrawSurface.h"

#include <cstring>
#include <new>
#include <string>

#include "framework/Exceptions.h"
#include "graphics2d/Draw.h"

namespace Velkrum {
namespace {

// Larger than any screen the game opens; keeps sizes well inside 32-bit byte counts.
constexpr int kMaxSide = 4096;

std::string sizeText(const char* what, int w, int h)
{
    return std::string(what) + " " + std::to_string(w) + "x" + std::to_string(h);
}

// The pixel size is a constant so that each copy compiles to one move.
template <int Bytes>
void stretchRow(uint8_t* d, const uint8_t* s, const std::vector<int>& columns)
{
    for (size_t x = 0; x < columns.size(); ++x)
        std::memcpy(d + x * Bytes, s + size_t(columns[x]) * Bytes, Bytes);
}

}  // namespace

CDirectDrawSurface::~CDirectDrawSurface() = default;

void CDirectDrawSurface::Initialize(int w, int h, const CPixelFormat& pf)
{
    if (w <= 0 || h <= 0 || w > kMaxSide || h > kMaxSide)
        throw CDirectDrawException(DDERR_INVALIDPARAMS, sizeText("CDirectDrawSurface::Initialize", w, h));
    const int bytes = pf.BytesPerPixel();
    if (bytes < 1 || bytes > 4 || pf.bitsPerPixel % 8 != 0)
        throw CDirectDrawException(DDERR_INVALIDPIXELFORMAT,
                                   "CDirectDrawSurface::Initialize " + std::to_string(pf.bitsPerPixel) + " bits");
    Release();
    try {
        memory_.assign(size_t(w) * size_t(h) * size_t(bytes), 0);
    } catch (const std::bad_alloc&) {
        throw CDirectDrawException(DDERR_OUTOFMEMORY, sizeText("CDirectDrawSurface::Initialize", w, h));
    }
    width = w;
    height = h;
    pitch = w;
    block = {w, h, w};
    mipCount = 1;
    format = pf;
    pixels = memory_.data();
}

void CDirectDrawSurface::Release()
{
    std::vector<uint8_t>().swap(memory_);
    pixels = nullptr;
    width = height = pitch = mipCount = 0;
    block = {};
    locks_ = 0;
}

void CDirectDrawSurface::Blit(const CSurface& src)
{
    if (!IsInitialized())
        throw CDirectDrawException(DDERR_NOTINITIALIZED, "CDirectDrawSurface::Blit");
    if (!src.pixels)
        throw CDirectDrawException(DDERR_INVALIDPARAMS, "CDirectDrawSurface::Blit from an empty surface");
    if (src.width == width && src.height == height) {
        if (!CopySurface(*this, src))
            throw CDirectDrawException(DDERR_UNSUPPORTEDFORMAT, "CDirectDrawSurface::Blit");
        return;
    }
    if (!(src.format == format) || !StretchSurfaceNearest(*this, src))
        throw CDirectDrawException(DDERR_UNSUPPORTEDFORMAT,
                                   sizeText("CDirectDrawSurface::Blit stretch from", src.width, src.height));
}

void CDirectDrawSurface::Clear(uint32_t colour)
{
    if (!IsInitialized())
        throw CDirectDrawException(DDERR_NOTINITIALIZED, "CDirectDrawSurface::Clear");
    ClearSurface(*this, colour);
}

void* CDirectDrawSurface::Lock(int level)
{
    if (level != 0 || !IsInitialized())
        return nullptr;
    ++locks_;
    return pixels;
}

void CDirectDrawSurface::Unlock()
{
    if (locks_ > 0)
        --locks_;
}

bool StretchSurfaceNearest(CSurface& dst, const CSurface& src)
{
    const int bytes = dst.BytesPerPixel();
    if (!dst.pixels || !src.pixels || bytes != src.BytesPerPixel() || bytes < 1 || bytes > 4)
        return false;
    if (dst.width <= 0 || dst.height <= 0 || src.width <= 0 || src.height <= 0)
        return false;
    if (dst.pitch < dst.width || src.pitch < src.width)
        return false;

    std::vector<int> columns(size_t(dst.width));
    for (int x = 0; x < dst.width; ++x)
        columns[size_t(x)] = int(int64_t(x) * src.width / dst.width);

    int previous = -1;
    for (int y = 0; y < dst.height; ++y) {
        const int sy = int(int64_t(y) * src.height / dst.height);
        uint8_t* d = dst.Row(y);
        // Rows that come from the same source row are copies of the row already built.
        if (sy == previous) {
            std::memcpy(d, dst.Row(y - 1), size_t(dst.width) * size_t(bytes));
            continue;
        }
        previous = sy;
        const uint8_t* s = src.Row(sy);
        switch (bytes) {
        case 1: stretchRow<1>(d, s, columns); break;
        case 2: stretchRow<2>(d, s, columns); break;
        case 3: stretchRow<3>(d, s, columns); break;
        default: stretchRow<4>(d, s, columns); break;
        }
    }
    return true;
}

}  // namespace Velkrum
