// The DirectDraw surface object: a surface in system memory with blit, colour fill and counted locks.
#pragma once
#include <cstdint>
#include <vector>

#include "graphics2d/Surface.h"

namespace Velkrum {

class CDirectDrawSurface : public CSurface {
public:
    CDirectDrawSurface() = default;
    ~CDirectDrawSurface() override;

    // (Re)creates the surface, cleared to 0; throws CDirectDrawException for a bad size or format.
    void Initialize(int width, int height, const CPixelFormat& pf);
    void Release();
    bool IsInitialized() const { return !memory_.empty(); }

    // Copies src over the whole surface: same size converts formats, other sizes stretch
    // (nearest pixel, same format only). Throws CDirectDrawException when it cannot.
    void Blit(const CSurface& src);
    // Fills the surface with a raw pixel value of its format.
    void Clear(uint32_t colour);

    // Level 0 only; null when the surface is not initialised.
    void* Lock(int level = 0) override;
    void Unlock() override;
    int LockCount() const { return locks_; }

private:
    std::vector<uint8_t> memory_;
    int locks_ = 0;
};

// dst(x, y) = src(x * srcW / dstW, y * srcH / dstH) over the whole destination; both surfaces must have
// the same pixel size (1 to 4 bytes). False, with nothing written, otherwise.
bool StretchSurfaceNearest(CSurface& dst, const CSurface& src);

}  // namespace Velkrum
