// Rasteriser test harness: random dyadic triangles, the exact fill-rule model and the runner.
#include "testdata/RasterHarness.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>

#include "graphics2d/PixelFormat.h"
#include "raster/RoutineTable.h"

namespace raster_harness {

uint64_t Rng::Next()
{
    uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

int64_t Rng::Range(int64_t lo, int64_t hi)
{
    return lo + static_cast<int64_t>(Next() % static_cast<uint64_t>(hi - lo + 1));
}

double Rng::Dyadic(double lo, double hi, int fracBits)
{
    const double scale = std::ldexp(1.0, fracBits);
    return static_cast<double>(Range(static_cast<int64_t>(std::ceil(lo * scale)),
                                     static_cast<int64_t>(std::floor(hi * scale)))) / scale;
}

RastVertex MakeVertex(double x, double y)
{
    RastVertex v{};
    v.x = static_cast<float>(x);
    v.y = static_cast<float>(y);
    v.z = 1.0f;
    return v;
}

std::vector<RastVertex> RandomTriangle(Rng& rng, double loX, double hiX, double loY, double hiY, int fracBits)
{
    std::vector<RastVertex> t;
    for (int i = 0; i < 3; ++i)
        t.push_back(MakeVertex(rng.Dyadic(loX, hiX, fracBits), rng.Dyadic(loY, hiY, fracBits)));
    return t;
}

namespace {

constexpr int kScaleBits = 16;
using Wide = __int128;

struct P {
    int64_t x, y;
};

P Scaled(const RastVertex& v)
{
    return {static_cast<int64_t>(std::llround(std::ldexp(double(v.x), kScaleBits))),
            static_cast<int64_t>(std::llround(std::ldexp(double(v.y), kScaleBits)))};
}

Wide Cross(P a, P b, P c) { return Wide(b.x - a.x) * (c.y - a.y) - Wide(b.y - a.y) * (c.x - a.x); }

// Edge a-b (a.y < b.y) at row py against px: numerator of (x_edge - px) over d = b.y - a.y > 0.
Wide EdgeMinusPx(P a, P b, int64_t px, int64_t py)
{
    const Wide d = b.y - a.y;
    return Wide(a.x) * d + Wide(py - a.y) * (b.x - a.x) - Wide(px) * d;
}

double EdgeDistance(P a, P b, int64_t px, int64_t py)
{
    const double num = static_cast<double>(EdgeMinusPx(a, b, px, py));
    return std::fabs(num / static_cast<double>(b.y - a.y)) / std::ldexp(1.0, kScaleBits);
}

int Sign(Wide v) { return v > 0 ? 1 : (v < 0 ? -1 : 0); }

}  // namespace

std::vector<RastVertex> RandomConvexPolygon(Rng& rng, int n, double cx, double cy, double r, int fracBits)
{
    std::vector<P> pts;
    for (int i = 0; i < n; ++i) {
        const double a = 2.0 * M_PI * double(rng.Range(0, 1 << 20)) / double(1 << 20);
        const double rr = r * (0.5 + 0.5 * double(rng.Range(0, 1024)) / 1024.0);
        const double scale = std::ldexp(1.0, fracBits);
        const double x = std::round((cx + rr * std::cos(a)) * scale) / scale;
        const double y = std::round((cy + rr * std::sin(a)) * scale) / scale;
        pts.push_back(Scaled(MakeVertex(x, y)));
    }
    // Monotone-chain hull, strictly convex (collinear points dropped).
    std::sort(pts.begin(), pts.end(), [](P a, P b) { return a.x != b.x ? a.x < b.x : a.y < b.y; });
    pts.erase(std::unique(pts.begin(), pts.end(), [](P a, P b) { return a.x == b.x && a.y == b.y; }), pts.end());
    std::vector<P> hull;
    if (pts.size() >= 3) {
        hull.resize(2 * pts.size());
        size_t k = 0;
        for (size_t i = 0; i < pts.size(); ++i) {
            while (k >= 2 && Cross(hull[k - 2], hull[k - 1], pts[i]) <= 0) --k;
            hull[k++] = pts[i];
        }
        for (size_t i = pts.size() - 1, t = k + 1; i-- > 0;) {
            while (k >= t && Cross(hull[k - 2], hull[k - 1], pts[i]) <= 0) --k;
            hull[k++] = pts[i];
        }
        hull.resize(k - 1);
    }
    std::vector<RastVertex> out;
    for (const P& p : hull)
        out.push_back(MakeVertex(std::ldexp(double(p.x), -kScaleBits), std::ldexp(double(p.y), -kScaleBits)));
    return out;
}

Cover ReferenceCover(const RastVertex& a, const RastVertex& b, const RastVertex& c, int col, int row,
                     const ClipRect& viewport, double eps)
{
    if (row < viewport.top || row > viewport.bottom || col < viewport.left || col > viewport.right) return Cover::Out;
    P v[3] = {Scaled(a), Scaled(b), Scaled(c)};
    if (Cross(v[0], v[1], v[2]) == 0) return Cover::Out;
    std::sort(v, v + 3, [](P p, P q) { return p.y < q.y; });
    const P top = v[0], mid = v[1], bot = v[2];
    const int64_t half = int64_t(1) << (kScaleBits - 1);
    const int64_t px = int64_t(2 * col + 1) * half;
    const int64_t py = int64_t(2 * row + 1) * half;
    if (!(top.y < py && py <= bot.y)) return Cover::Out;
    const P s0 = py <= mid.y ? top : mid;
    const P s1 = py <= mid.y ? mid : bot;
    const int sl = Sign(EdgeMinusPx(top, bot, px, py));
    const int ss = Sign(EdgeMinusPx(s0, s1, px, py));
    // Inside when one boundary lies strictly left of the centre and the other at or right of it.
    const bool in = (sl < 0 || ss < 0) && (sl >= 0 || ss >= 0);
    if (EdgeDistance(top, bot, px, py) < eps || EdgeDistance(s0, s1, px, py) < eps) return Cover::Near;
    return in ? Cover::In : Cover::Out;
}

bool CentreOnSegment(const RastVertex& a, const RastVertex& b, int col, int row)
{
    const P pa = Scaled(a), pb = Scaled(b);
    const int64_t half = int64_t(1) << (kScaleBits - 1);
    const P c{int64_t(2 * col + 1) * half, int64_t(2 * row + 1) * half};
    if (Cross(pa, pb, c) != 0) return false;
    return c.x >= std::min(pa.x, pb.x) && c.x <= std::max(pa.x, pb.x) && c.y >= std::min(pa.y, pb.y) &&
           c.y <= std::max(pa.y, pb.y);
}

Runner::Runner(int width, int height, bool rgb565)
    : width_(width), height_(height), rgb565_(rgb565), viewport_{0, height - 1, width - 1, 0}
{
    colour_.Create(width, height, PixelFormatOf(rgb565 ? PFID_R5G6B5 : PFID_X1R5G5B5));
    z32_.Create(width, height, PixelFormatOf(PFID_Z32));
    z16_.Create(width, height, PixelFormatOf(PFID_Z16));
    Fill(0, 0, 0);
}

uint16_t Runner::Pixel(int x, int y) const { return reinterpret_cast<const uint16_t*>(colour_.Row(y))[x]; }
uint32_t Runner::Depth32(int x, int y) const { return reinterpret_cast<const uint32_t*>(z32_.Row(y))[x]; }
uint16_t Runner::Depth16(int x, int y) const { return reinterpret_cast<const uint16_t*>(z16_.Row(y))[x]; }

void Runner::Fill(uint16_t colour, uint32_t z32, uint16_t z16)
{
    for (int y = 0; y < height_; ++y) {
        std::fill_n(reinterpret_cast<uint16_t*>(colour_.Row(y)), width_, colour);
        std::fill_n(reinterpret_cast<uint32_t*>(z32_.Row(y)), width_, z32);
        std::fill_n(reinterpret_cast<uint16_t*>(z16_.Row(y)), width_, z16);
    }
}

void Runner::SetViewport(const ClipRect& r)
{
    viewport_ = {std::max(r.top, 0), std::min(r.bottom, height_ - 1), std::min(r.right, width_ - 1), std::max(r.left, 0)};
}

void Runner::SetTexture(const CSurface* texels, const uint16_t* palettePlane)
{
    texture_ = texels;
    palette_ = palettePlane;
}

void Runner::Publish(uint32_t mode)
{
    SpanState& s = rastState;
    s.rastMode = mode;
    s.rastTarget = &colour_;
    s.rastDestBits = static_cast<uint8_t*>(colour_.pixels);
    s.rastDestPitch = colour_.PitchBytes();
    CSystemMemorySurface& z = (mode & 0x1FC0) == 0x800 ? z16_ : z32_;
    s.rastZBits = static_cast<uint8_t*>(z.pixels);
    s.rastZPitch = z.PitchBytes();
    s.rastClipTop = viewport_.top;
    s.rastClipBottomEnd = viewport_.bottom + 1;
    s.rastClipLeft = viewport_.left;
    s.rastClipLeftF = float(viewport_.left);
    s.rastClipRightEnd = viewport_.right + 1;
    s.rastClipRightEndF = float(viewport_.right + 1);
    s.rastColor = colour16_;
    s.rastAlpha = keyIndex_;
    s.rastAlphaPixel = keyPixel_;
    s.rastGreenMask = rgb565_ ? 0x7E0 : 0x3E0;
    s.rastAboveGreenMask = rgb565_ ? 0xFFFFF800 : 0xFFFFFC00;
    s.rastRedMask = rgb565_ ? 0xF800 : 0x7C00;
    s.rastAboveRedMask = rgb565_ ? 0xFFFF0000 : 0xFFFF8000;
    s.rastSpreadMask = rgb565_ ? 0x07E0F81F : 0x03E07C1F;
    s.rastCarryMask = rgb565_ ? 0xF80000E0 : 0xFC0080E0;
    s.rastVarWeightR = s.rastVarWeightG = s.rastVarWeightB = weight_;
    if (texture_) {
        const uint32_t wb = uint32_t(std::bit_width(uint32_t(texture_->width) - 1));
        const uint32_t hb = uint32_t(std::bit_width(uint32_t(texture_->height) - 1));
        s.rastTexBits = static_cast<const uint8_t*>(texture_->pixels);
        s.rastTexScaleU = float(std::ldexp(double(texture_->width), int(26 - hb - wb)));
        s.rastTexScaleV = float(std::ldexp(double(texture_->height), int(26 - hb)));
        s.rastTexMaskLo = hb >= 32 ? 0 : 0xFFFFFFFFu >> hb;
        s.rastTexMaskHi = ~s.rastTexMaskLo;
        s.rastTexShift = 32 - hb - wb;
    } else {
        s.rastTexBits = nullptr;
    }
    s.rastPalette = palette_;
    s.rastShadePlanes = palette_ ? palette_ + 3 * 256 : nullptr;
}

void Runner::Draw(RastFn triangle, RastFn setup, RastFn span, uint32_t mode, const std::vector<RastVertex>& polygon)
{
    Publish(mode);
    SpanState& s = rastState;
    s.rastTriangleFn = triangle;
    s.rastSetupFn = setup;
    s.rastSpanFn = span;
    const size_t n = std::min<size_t>(polygon.size(), kRastMaxVertices);
    std::copy_n(polygon.begin(), n, s.rastVertices);
    s.rastVertexEnd = s.rastVertices + n;
    if (triangle) triangle();
}

void Runner::Draw(const RasterizerRow& row, const std::vector<RastVertex>& polygon)
{
    Draw(row.triangle, row.setup, row.span, row.mode & ~0x40000000u, polygon);
}

void CountSpan()
{
    const SpanState& s = rastState;
    auto* row = reinterpret_cast<uint16_t*>(s.rastDestRow);
    for (int x = s.rastSpanX0; x < s.rastSpanX1; ++x) ++row[x];
}

}  // namespace raster_harness
