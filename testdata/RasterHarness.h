// Rasteriser test harness: random dyadic triangles, an exact fill-rule model, and a runner that draws
// polygons through any row's routines into its own surfaces.
#pragma once
#include <cstdint>
#include <vector>

#include "graphics2d/Surface.h"
#include "raster/SpanState.h"

struct RasterizerRow;

namespace raster_harness {

// Deterministic generator (splitmix64).
class Rng {
public:
    explicit Rng(uint64_t seed) : state_(seed) {}
    uint64_t Next();
    // Uniform integer in [lo, hi].
    int64_t Range(int64_t lo, int64_t hi);
    // A multiple of 2^-fracBits in [lo, hi].
    double Dyadic(double lo, double hi, int fracBits);

private:
    uint64_t state_;
};

// A vertex with only x and y set (z 1, u v shade 0).
RastVertex MakeVertex(double x, double y);

// Three vertices with dyadic coordinates (multiples of 2^-fracBits) in [lo, hi] x [loY, hiY].
std::vector<RastVertex> RandomTriangle(Rng& rng, double loX, double hiX, double loY, double hiY, int fracBits);
// A convex polygon of up to n vertices (collinear and repeated points removed), counter-clockwise
// in screen space, dyadic coordinates around (cx, cy) within radius r.
std::vector<RastVertex> RandomConvexPolygon(Rng& rng, int n, double cx, double cy, double r, int fracBits);

enum class Cover : uint8_t { Out = 0, In = 1, Near = 2 };

// The fill rule in exact arithmetic for dyadic vertices (up to 16 fraction bits, |coordinate| < 2^20):
// pixel (c, r) is In when its centre lies strictly below the top vertex and at or above the bottom
// one, strictly right of the left boundary and at or left of the right boundary. Near when the centre
// lies within eps pixel (horizontally) of a boundary. Outside the inclusive viewport: Out.
Cover ReferenceCover(const RastVertex& a, const RastVertex& b, const RastVertex& c, int col, int row,
                     const ClipRect& viewport, double eps);
// True when the pixel centre lies exactly on the segment a-b (open at both ends or not: ends included).
bool CentreOnSegment(const RastVertex& a, const RastVertex& b, int col, int row);

// Owns a 16-bit destination, a 32-bit and a 16-bit z-buffer, and publishes them with the other
// state the routines read; Draw runs one polygon through a triangle routine.
class Runner {
public:
    Runner(int width, int height, bool rgb565);

    int Width() const { return width_; }
    int Height() const { return height_; }
    bool Is565() const { return rgb565_; }
    CSystemMemorySurface& Colour() { return colour_; }
    CSystemMemorySurface& Z32() { return z32_; }
    CSystemMemorySurface& Z16() { return z16_; }
    uint16_t Pixel(int x, int y) const;
    uint32_t Depth32(int x, int y) const;
    uint16_t Depth16(int x, int y) const;

    void Fill(uint16_t colour, uint32_t z32, uint16_t z16);
    // Inclusive rectangle; clipped to the surfaces.
    void SetViewport(const ClipRect& rect);
    // A 16-bit texture in the destination format, or 8-bit indices with a 35-row palette plane.
    void SetTexture(const CSurface* texels, const uint16_t* palettePlane);
    void SetFlatColour(uint16_t packed) { colour16_ = packed; }
    void SetKeys(uint32_t index, uint32_t pixel) { keyIndex_ = index, keyPixel_ = pixel; }
    void SetVarWeight(uint16_t weight) { weight_ = weight; }

    // Publishes the state and the routines, fills rastVertices from the polygon and calls the
    // triangle routine. The z-buffer is the 16-bit one for a mode with z kind 0x800.
    void Draw(RastFn triangle, RastFn setup, RastFn span, uint32_t mode, const std::vector<RastVertex>& polygon);
    void Draw(const RasterizerRow& row, const std::vector<RastVertex>& polygon);

private:
    void Publish(uint32_t mode);

    int width_, height_;
    bool rgb565_;
    CSystemMemorySurface colour_, z32_, z16_;
    ClipRect viewport_;
    const CSurface* texture_ = nullptr;
    const uint16_t* palette_ = nullptr;
    uint16_t colour16_ = 0xFFFF;
    uint32_t keyIndex_ = 0, keyPixel_ = 0;
    uint16_t weight_ = 0;
};

// A span routine for coverage tests: adds one to every destination pixel it is given.
void CountSpan();

}  // namespace raster_harness
