// CTWarpRasterizer: the panorama's triangle, setup and span routines and their set-up through rastState.
#include "panorama/WarpRasterizer.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstddef>

#include "app/Orv_Log.h"
#include "raster/portable/RastConvert.h"

namespace {

// Coordinates after vertex preparation carry a +0.5 offset: the centre of pixel (c, r) is at
// (c + 1, r + 1), so a pixel is drawn when left < c + 1 <= right and top < r + 1 <= bottom.
constexpr float kPixelOffset = 0.5f;

// An edge's end points in double precision. Each row's x is evaluated from them directly, so an
// edge shared by two triangles (or by two cube faces) gives both the very same columns.
struct EdgeX {
    double ux, uy;  // upper end
    double dx, dy;  // lower end minus upper end, dy > 0
    double At(int32_t row) const { return ux + ((double(row) + 1.0 - uy) / dy) * dx; }
};

// An attribute over the triangle: a(x, y) = a0 + (x - x0) dadx + (y - y0) dady.
struct Plane {
    double a0 = 0, dadx = 0, dady = 0;
};

struct TriangleState {
    RastEdge edges[3];  // long (top-bottom), upper short (top-middle), lower short (middle-bottom)
    EdgeX twins[3];
    double x0 = 0, y0 = 0;
    Plane z, u, v;
};
TriangleState g_tri;

const EdgeX& TwinOf(const RastEdge* e) { return g_tri.twins[e - g_tri.edges]; }

double PlaneAt(const Plane& p, double x, double y) { return p.a0 + (x - g_tri.x0) * p.dadx + (y - g_tri.y0) * p.dady; }

int32_t FloorToInt(double x) { return RastTruncSat(std::floor(x)); }

int VertexCount(const SpanState& st) {
    const auto begin = reinterpret_cast<uintptr_t>(st.rastVertices);
    const auto end = reinterpret_cast<uintptr_t>(st.rastVertexEnd);
    if (end < begin) return 0;
    return int(std::min<uintptr_t>((end - begin) / sizeof(RastVertex), kRastMaxVertices));
}

bool Finite(const RastVertex& v) {
    return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z) && std::isfinite(v.u) && std::isfinite(v.v);
}

// Pixel-centre offset, then u and v in texture fixed-point units premultiplied by 1/w.
void PrepareVertex(RastVertex& v, const SpanState& st) {
    v.x += kPixelOffset;
    v.y += kPixelOffset;
    v.u *= st.rastTexScaleU * v.z;
    v.v *= st.rastTexScaleV * v.z;
}

// Builds the edge from a to b; false when it yields no row inside the viewport.
bool BuildEdge(const RastVertex& a, const RastVertex& b, int index, const SpanState& st) {
    RastEdge& e = g_tri.edges[index];
    e = RastEdge{};
    e.dxdy = kRastNoRows;
    const RastVertex& up = b.y < a.y ? b : a;
    const RastVertex& lo = b.y < a.y ? a : b;
    int32_t first = FloorToInt(up.y);
    int32_t end = FloorToInt(lo.y);
    if (first == end) return false;
    EdgeX& t = g_tri.twins[index];
    t = EdgeX{up.x, up.y, double(lo.x) - double(up.x), double(lo.y) - double(up.y)};
    first = std::max(first, st.rastClipTop);
    end = std::min(end, st.rastClipBottomEnd);
    if (end <= first) return false;
    e.yFirst = first;
    e.yEnd = end;
    e.dxdy = float(t.dx / t.dy);
    e.x = float(t.At(first));
    return true;
}

Plane PlaneOf(const RastVertex& p0, const RastVertex& p1, const RastVertex& p2, double det, float RastVertex::*field) {
    const double a1 = double(p1.*field) - double(p0.*field);
    const double a2 = double(p2.*field) - double(p0.*field);
    Plane pl;
    pl.a0 = p0.*field;
    pl.dadx = (a1 * (double(p2.y) - p0.y) - a2 * (double(p1.y) - p0.y)) / det;
    pl.dady = ((double(p1.x) - p0.x) * a2 - (double(p2.x) - p0.x) * a1) / det;
    return pl;
}

void DrawTriangle(const RastVertex& a, const RastVertex& b, const RastVertex& c, SpanState& st) {
    const RastVertex* v[3] = {&a, &b, &c};
    std::sort(v, v + 3, [](const RastVertex* p, const RastVertex* q) { return p->y < q->y; });
    const RastVertex& top = *v[0];
    const RastVertex& mid = *v[1];
    const RastVertex& bot = *v[2];
    // Positive when the middle vertex lies right of the long edge (rows grow downwards).
    const double cross = (double(mid.x) - top.x) * (double(bot.y) - top.y) - (double(mid.y) - top.y) * (double(bot.x) - top.x);
    if (!(cross != 0.0) || !std::isfinite(cross)) return;
    if (!BuildEdge(top, bot, 0, st)) return;

    const double det = (double(b.x) - a.x) * (double(c.y) - a.y) - (double(c.x) - a.x) * (double(b.y) - a.y);
    g_tri.x0 = a.x;
    g_tri.y0 = a.y;
    g_tri.z = PlaneOf(a, b, c, det, &RastVertex::z);
    g_tri.u = PlaneOf(a, b, c, det, &RastVertex::u);
    g_tri.v = PlaneOf(a, b, c, det, &RastVertex::v);

    const bool upper = BuildEdge(top, mid, 1, st);
    const bool lower = BuildEdge(mid, bot, 2, st);
    if (!upper && !lower) return;
    RastEdge* longEdge = &g_tri.edges[0];
    RastEdge* first = upper ? &g_tri.edges[1] : &g_tri.edges[2];
    const bool midRight = cross > 0;
    st.rastLeftEdge = midRight ? longEdge : first;
    st.rastRightEdge = midRight ? first : longEdge;
    st.rastNextLeftEdge = st.rastNextRightEdge = nullptr;
    if (upper && lower) {
        st.rastNextLeftEdge = midRight ? longEdge : &g_tri.edges[2];
        st.rastNextRightEdge = midRight ? &g_tri.edges[2] : longEdge;
    }
    if (st.rastSetupFn) st.rastSetupFn();
}

// Rows shared by a left and a right edge.
void ScanPart(RastEdge* left, RastEdge* right, SpanState& st) {
    const int32_t rowFirst = std::max(left->yFirst, right->yFirst);
    const int32_t rowEnd = std::min(left->yEnd, right->yEnd);
    const int32_t clipLeft = std::max(st.rastClipLeft, 0);
    const EdgeX& lt = TwinOf(left);
    const EdgeX& rt = TwinOf(right);
    for (int32_t row = rowFirst; row < rowEnd; row++) {
        const double xl = lt.At(row);
        const double xr = rt.At(row);
        const int32_t c0 = std::max(FloorToInt(xl), clipLeft);
        const int32_t c1 = std::min(FloorToInt(xr), st.rastClipRightEnd);
        if (c1 <= c0) continue;
        const double yc = double(row) + 1.0;
        left->x = float(xl);
        left->z = float(PlaneAt(g_tri.z, xl, yc));
        left->u = float(PlaneAt(g_tri.u, xl, yc));
        left->v = float(PlaneAt(g_tri.v, xl, yc));
        st.rastSpanEdge = left;
        st.rastDestRow = st.rastDestBits + ptrdiff_t(st.rastDestPitch) * row;
        st.rastZRow = st.rastZBits ? st.rastZBits + ptrdiff_t(st.rastZPitch) * row : nullptr;
        st.rastSpanX0 = c0;
        st.rastSpanX1 = c1;
        if (st.rastSpanFn) st.rastSpanFn();
    }
}

bool IsPowerOfTwo(int n) { return n > 0 && (n & (n - 1)) == 0; }

}  // namespace

void WarpRast_Triangle() {
    SpanState& st = rastState;
    const int n = VertexCount(st);
    if (n < 3) return;
    for (int i = 0; i < n; i++)
        if (!Finite(st.rastVertices[i])) return;
    for (int i = 0; i < n; i++) PrepareVertex(st.rastVertices[i], st);
    for (int i = 2; i < n; i++) DrawTriangle(st.rastVertices[0], st.rastVertices[i - 1], st.rastVertices[i], st);
    st.rastLeftEdge = st.rastRightEdge = st.rastNextLeftEdge = st.rastNextRightEdge = nullptr;
    st.rastSpanEdge = nullptr;
}

void WarpRast_Setup() {
    SpanState& st = rastState;
    if (!st.rastLeftEdge || !st.rastRightEdge) return;
    st.rastDzDx = float(g_tri.z.dadx);
    st.rastDzDx32 = st.rastDzDx * 32.0f;
    st.rastDuDx = float(g_tri.u.dadx);
    st.rastDvDx = float(g_tri.v.dadx);
    st.rastDuDx32 = st.rastDuDx * 32.0f;
    st.rastDvDx32 = st.rastDvDx * 32.0f;
    ScanPart(st.rastLeftEdge, st.rastRightEdge, st);
    if (st.rastNextLeftEdge && st.rastNextRightEdge) ScanPart(st.rastNextLeftEdge, st.rastNextRightEdge, st);
}

void WarpRast_Span() {
    const SpanState& st = rastState;
    const RastEdge* e = st.rastSpanEdge;
    if (!e || !st.rastDestRow || !st.rastTexBits) return;
    auto* dst = reinterpret_cast<uint16_t*>(st.rastDestRow);
    const auto* tex = reinterpret_cast<const uint16_t*>(st.rastTexBits);
    const int32_t width = st.rastTexLastColumn + 1;
    // Fixed-point units per texel: the scale that made them from a normalised coordinate, per texel.
    const double perTexelU = double(st.rastTexScaleU) / double(width);
    const double perTexelV = double(st.rastTexScaleV) / double(st.rastTexLastRow + 1);
    for (int32_t c = st.rastSpanX0; c < st.rastSpanX1; c++) {
        const double dx = double(c) + 1.0 - e->x;
        const double z = e->z + dx * st.rastDzDx;
        if (!(z > 0.0)) continue;
        const double u = (e->u + dx * st.rastDuDx) / (z * perTexelU);
        const double v = (e->v + dx * st.rastDvDx) / (z * perTexelV);
        const int32_t col = std::clamp(FloorToInt(u), 0, st.rastTexLastColumn);
        const int32_t row = std::clamp(FloorToInt(v), 0, st.rastTexLastRow);
        dst[c] = tex[ptrdiff_t(row) * width + col];
    }
}

CTWarpRasterizer::CTWarpRasterizer() = default;

void CTWarpRasterizer::SetProcessor(int kind) {
    // Every processor kind draws the panorama with the portable routines.
    (void)kind;
}

bool CTWarpRasterizer::SetTarget(CSurface* surface) {
    target_ = nullptr;
    if (!surface || !surface->pixels || surface->format.bitsPerPixel != 16 || surface->width <= 0 || surface->height <= 0) {
        OrvError_Warning("CTWarpRasterizer::SetTarget() surface refusée (%d bits, %s)",
                         surface ? int(surface->format.bitsPerPixel) : 0,
                         surface && surface->pixels ? "verrouillée" : "non verrouillée");
        return false;
    }
    target_ = surface;
    viewport_ = ClipRect{0, surface->height - 1, surface->width - 1, 0};
    return true;
}

void CTWarpRasterizer::SetViewport(const ClipRect& rect) {
    if (!target_) return;
    viewport_.top = std::max(rect.top, 0);
    viewport_.left = std::max(rect.left, 0);
    viewport_.bottom = std::min(rect.bottom, target_->height - 1);
    viewport_.right = std::min(rect.right, target_->width - 1);
}

bool CTWarpRasterizer::SetTexture(const CSurface* face) {
    textureOk_ = false;
    if (!face || !face->pixels || face->format.bitsPerPixel != 16 || !IsPowerOfTwo(face->width) ||
        !IsPowerOfTwo(face->height) || face->width > 4096 || face->height > 4096 || face->pitch != face->width) {
        OrvError_Warning("CTWarpRasterizer::SetTexture() face refusée (%dx%d, pas %d, %d bits)", face ? face->width : 0,
                         face ? face->height : 0, face ? face->pitch : 0, face ? int(face->format.bitsPerPixel) : 0);
        return false;
    }
    SpanState& st = rastState;
    // Powers of two: the bit count below the top bit.
    const int wb = std::bit_width(uint32_t(face->width)) - 1, hb = std::bit_width(uint32_t(face->height)) - 1;
    st.rastTexBits = static_cast<const uint8_t*>(face->pixels);
    st.rastTexScaleU = std::ldexp(float(face->width), 26 - hb - wb);
    st.rastTexScaleV = std::ldexp(float(face->height), 26 - hb);
    st.rastTexMaskLo = 0xFFFFFFFFu >> hb;
    st.rastTexMaskHi = ~st.rastTexMaskLo;
    st.rastTexShift = uint32_t(32 - hb - wb);
    st.rastTexPitch = face->pitch;
    st.rastTexLastColumn = face->width - 1;
    st.rastTexLastRow = face->height - 1;
    textureOk_ = true;
    return true;
}

void CTWarpRasterizer::BeginScene() {
    SpanState& st = rastState;
    st.rastTriangleFn = WarpRast_Triangle;
    st.rastSetupFn = WarpRast_Setup;
    st.rastSpanFn = WarpRast_Span;
    st.rastMode = kRastModePerspective | kRastModeTextured;
    st.rastKey = 0;
    st.rastRowName = RoutineName();
    if (!target_) return;
    st.rastTarget = target_;
    st.rastDestBits = static_cast<uint8_t*>(target_->pixels);
    st.rastDestPitch = target_->PitchBytes();
    st.rastZBits = nullptr;
    st.rastZPitch = 0;
    st.rastClipTop = viewport_.top;
    st.rastClipBottomEnd = viewport_.bottom + 1;
    st.rastClipLeft = viewport_.left;
    st.rastClipRightEnd = viewport_.right + 1;
    st.rastClipLeftF = float(viewport_.left);
    st.rastClipLeftNegF = -float(viewport_.left);
    st.rastClipRightEndF = float(viewport_.right + 1);
    st.rastClipBottomEndF = float(viewport_.bottom + 1);
}

void CTWarpRasterizer::DrawPolygon() {
    SpanState& st = rastState;
    if (target_ && textureOk_ && st.rastTriangleFn) st.rastTriangleFn();
    st.rastVertexEnd = st.rastVertices;
}
