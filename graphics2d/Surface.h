// Surfaces: the abstract surface, a view on existing memory, and system-memory surfaces.
#pragma once
#include <cstddef>
#include <cstdint>
#include "graphics2d/PixelFormat.h"

// Lock-state bits of the flag word; callers clear them with SURF_LOCK_CLEAR_MASK after Unlock.
enum : uint32_t {
    SURF_LOCKED = 0x10000000,
    SURF_WRITE_LOCK = 0x20000000,
    SURF_LOCK_CLEAR_MASK = 0x4FFFFFFF,
};

// Inclusive rectangle in the order top, bottom, right, left.
struct ClipRect {
    int32_t top;
    int32_t bottom;
    int32_t right;
    int32_t left;
};

// The memory behind a surface's pixels: rows of `pitch` pixels, `height` of them, the last one
// `width` pixels long.
struct CSurfaceBlock {
    int32_t width = 0;
    int32_t height = 0;
    int32_t pitch = 0;
};

class CSurface {
public:
    uint32_t flags = 0;
    int32_t mipCount = 0;
    int32_t width = 0;
    int32_t height = 0;
    int32_t pitch = 0;  // in pixels
    void* pixels = nullptr;
    CPixelFormat format;
    // The storage block, set where the memory is given to the surface. A texture keeps its whole
    // block here while width and height name the picture inside it. All zero: the surface's own
    // width, height and pitch.
    CSurfaceBlock block;

    CSurface() = default;
    CSurface(const CSurface&) = delete;
    CSurface& operator=(const CSurface&) = delete;
    virtual ~CSurface();
    // Gives pixel access; returns the pixel address (null on failure).
    virtual void* Lock(int level = 0) = 0;
    virtual void Unlock() = 0;

    int BytesPerPixel() const { return format.BytesPerPixel(); }
    CSurfaceBlock Block() const { return block.pitch > 0 ? block : CSurfaceBlock{width, height, pitch}; }
    // Pixels of level 0 that the memory holds from the first one (0 without pixels).
    int64_t BlockPixels() const;
    int PitchBytes() const { return pitch * format.BytesPerPixel(); }
    uint8_t* Row(int y) const { return static_cast<uint8_t*>(pixels) + size_t(y) * size_t(PitchBytes()); }
};

// A surface over memory it does not own.
class CBufferSurface : public CSurface {
public:
    CBufferSurface() = default;
    CBufferSurface(void* mem, int w, int h, int pitchPixels, const CPixelFormat& pf);
    void Set(void* mem, int w, int h, int pitchPixels, const CPixelFormat& pf);
    void* Lock(int level = 0) override;
    void Unlock() override;
};

// A surface owning its pixels in system memory, optionally with an attached plane block before them.
class CSystemMemorySurface : public CSurface {
public:
    CSystemMemorySurface() = default;
    ~CSystemMemorySurface() override;
    // (Re)allocates the pixels; pitch 0 means the width. Returns false on a bad size, leaving the surface
    // as it was. Levels after the first are a mip chain behind level 0, each halving width, height and
    // pitch (at least 1); Lock(level) gives a level's address.
    bool Create(int w, int h, const CPixelFormat& pf, int pitchPixels = 0, int levels = 1);
    // One allocation: the plane (planeW x planeH in planeFormat, pitch planeW) then the surface's own
    // pixels (pitch w), one level.
    bool CreateWithPlane(int w, int h, const CPixelFormat& pf, int planeW, int planeH, const CPixelFormat& planeFormat);
    void Free();
    void* Lock(int level = 0) override;
    void Unlock() override;

    // The plane block of CreateWithPlane (empty otherwise).
    CBufferSurface plane;

private:
    // Byte offset of a level from the first pixel.
    size_t LevelOffset(int level) const;

    uint8_t* block_ = nullptr;
};
