// CTWarpRasterizer: the panorama's triangle, setup and span routines and their set-up through rastState.
#include "panorama/WarpRasterizer.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstddef>

#include <emmintrin.h>

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

namespace {

// Exact texel positions every kWarpStep pixels, linear in between. The curve bends the most where 1/w
// changes the most along a row; every visible point of the cube lies within sqrt(3) of the eye and
// inside the field of view, so that at 16 pixels the steps keep well within a texel of the curve in
// every view up to a 90-degree field (at 32 the widest views stray a texel).
constexpr int32_t kWarpStep = 16;
// Exact points worked out together, four to a vector.
constexpr int kWarpPoints = 8;
constexpr float kFixed = 65536.0f;

// A span's texel positions: 1/w and u, v (in 16.16 texels) times 1/w, linear along the row, in single
// precision (a few 16.16 units off at most, against a texel of 65536).
struct WarpSpan {
    float z, u, v;     // at column c0
    float dz, du, dv;  // per column
    int32_t c0;
    int32_t endU, endV;  // the last texel's column and row in 16.16, with all their fraction

    WarpSpan(const SpanState& st, const RastEdge& e) : c0(st.rastSpanX0) {
        const int32_t width = st.rastTexLastColumn + 1, height = st.rastTexLastRow + 1;
        // The vertices' u and v are in fixed-point units of the texture scales: into 16.16 texels.
        const double su = kFixed * double(width) / double(st.rastTexScaleU);
        const double sv = kFixed * double(height) / double(st.rastTexScaleV);
        const double dx = double(c0) + 1.0 - e.x;
        z = float(e.z + dx * st.rastDzDx);
        u = float((e.u + dx * st.rastDuDx) * su);
        v = float((e.v + dx * st.rastDvDx) * sv);
        dz = st.rastDzDx;
        du = float(st.rastDuDx * su);
        dv = float(st.rastDvDx * sv);
        endU = width * 65536 - 1;
        endV = height * 65536 - 1;
    }
    // The texel positions of four columns in 16.16 texels, not yet clamped to the face but held within
    // kFar of it (NaN at 0), so that steps between two of them stay in 32 bits; false when 1/w is not
    // positive at one of them.
    static constexpr float kFar = 536870912.0f;  // 2^29: eight times the largest face
    bool At4(__m128i columns, __m128i& tu, __m128i& tv) const {
        const __m128 k = _mm_cvtepi32_ps(_mm_sub_epi32(columns, _mm_set1_epi32(c0)));
        const __m128 w = _mm_add_ps(_mm_set1_ps(z), _mm_mul_ps(k, _mm_set1_ps(dz)));
        if (_mm_movemask_ps(_mm_cmpgt_ps(w, _mm_setzero_ps())) != 15) return false;
        const __m128 r = _mm_div_ps(_mm_set1_ps(1.0f), w);
        const __m128 fu = _mm_mul_ps(_mm_add_ps(_mm_set1_ps(u), _mm_mul_ps(k, _mm_set1_ps(du))), r);
        const __m128 fv = _mm_mul_ps(_mm_add_ps(_mm_set1_ps(v), _mm_mul_ps(k, _mm_set1_ps(dv))), r);
        // The maximum gives its second operand for a NaN first.
        tu = _mm_cvttps_epi32(_mm_min_ps(_mm_max_ps(fu, _mm_set1_ps(-kFar)), _mm_set1_ps(kFar)));
        tv = _mm_cvttps_epi32(_mm_min_ps(_mm_max_ps(fv, _mm_set1_ps(-kFar)), _mm_set1_ps(kFar)));
        return true;
    }
    // Inside the face by more than a step's rounding: the positions between two such ends stay inside.
    bool Inside(int32_t tu, int32_t tv) const {
        return tu >= kWarpStep && tu <= endU - kWarpStep && tv >= kWarpStep && tv <= endV - kWarpStep;
    }
};

// x / n truncated toward zero.
inline int32_t StepOf(int32_t x, int32_t n) { return n == kWarpStep ? (x + ((x >> 31) & (kWarpStep - 1))) / kWarpStep : x / n; }

// x limited to 0..hi in each lane.
inline __m128i Clamp4(__m128i x, __m128i hi) {
    x = _mm_andnot_si128(_mm_cmpgt_epi32(_mm_setzero_si128(), x), x);
    const __m128i over = _mm_cmpgt_epi32(x, hi);
    return _mm_or_si128(_mm_and_si128(over, hi), _mm_andnot_si128(over, x));
}

// n texels (n <= kWarpStep; kCount when not 0) from (u, v) by steps (du, dv), all in 16.16 texels,
// into dst: the addresses four at a time. kClamp: each position limited to the face (a segment with an
// end outside it); otherwise every position lies between the two ends, inside.
template <int32_t kCount, bool kClamp>
inline void CopyTexels(uint16_t* dst, const uint16_t* tex, int32_t wb, const WarpSpan& w, int32_t count, int32_t u,
                       int32_t v, int32_t du, int32_t dv) {
    const int32_t n = kCount ? kCount : count;
    alignas(16) uint32_t index[kWarpStep];
    // Lanes beyond n may pass the ends: they wrap harmlessly, as 32-bit lanes do.
    auto lanes = [](int32_t a, int32_t d) {
        const uint32_t x = uint32_t(a), s = uint32_t(d);
        return _mm_setr_epi32(int(x), int(x + s), int(x + 2 * s), int(x + 3 * s));
    };
    __m128i uu = lanes(u, du), vv = lanes(v, dv);
    const __m128i stepU = _mm_set1_epi32(int(4 * uint32_t(du))), stepV = _mm_set1_epi32(int(4 * uint32_t(dv)));
    const __m128i shift = _mm_cvtsi32_si128(wb), endU = _mm_set1_epi32(w.endU), endV = _mm_set1_epi32(w.endV);
#pragma GCC unroll 4
    for (int32_t i = 0; i < n; i += 4) {
        const __m128i cu = kClamp ? Clamp4(uu, endU) : uu, cv = kClamp ? Clamp4(vv, endV) : vv;
        const __m128i row = _mm_sll_epi32(_mm_srli_epi32(cv, 16), shift);
        _mm_store_si128(reinterpret_cast<__m128i*>(index + i), _mm_add_epi32(row, _mm_srli_epi32(cu, 16)));
        uu = _mm_add_epi32(uu, stepU);
        vv = _mm_add_epi32(vv, stepV);
    }
#pragma GCC unroll 16
    for (int32_t i = 0; i < n; i++) dst[i] = tex[index[i]];
}

}  // namespace

void WarpRast_Span() {
    const SpanState& st = rastState;
    const RastEdge* e = st.rastSpanEdge;
    if (!e || !st.rastDestRow || !st.rastTexBits) return;
    auto* dst = reinterpret_cast<uint16_t*>(st.rastDestRow);
    const auto* tex = reinterpret_cast<const uint16_t*>(st.rastTexBits);
    const int32_t wb = std::bit_width(uint32_t(st.rastTexLastColumn + 1)) - 1;
    const WarpSpan w(st, *e);
    const int32_t last = st.rastSpanX1 - 1;
    int32_t c = st.rastSpanX0;
    __m128i u4, v4;
    bool exact = w.At4(_mm_set1_epi32(c), u4, v4);
    int32_t u0 = _mm_cvtsi128_si32(u4), v0 = _mm_cvtsi128_si32(v4);
    // Pixels step linearly from one exact point to the next: every kWarpStep columns and the last
    // column, whose pixel is exact.
    while (exact && c < last) {
        alignas(16) int32_t col[kWarpPoints], pu[kWarpPoints], pv[kWarpPoints];
        for (int i = 0; i < kWarpPoints; i++) col[i] = std::min(last, c + (i + 1) * kWarpStep);
        for (int i = 0; i < kWarpPoints && exact; i += 4) {
            __m128i tu, tv;
            exact = w.At4(_mm_load_si128(reinterpret_cast<const __m128i*>(col + i)), tu, tv);
            _mm_store_si128(reinterpret_cast<__m128i*>(pu + i), tu);
            _mm_store_si128(reinterpret_cast<__m128i*>(pv + i), tv);
        }
        for (int i = 0; i < kWarpPoints && exact && c < last; i++) {
            const int32_t n = col[i] - c;
            // Truncated toward zero, so that every step stays between the two exact ends.
            const int32_t du = StepOf(pu[i] - u0, n), dv = StepOf(pv[i] - v0, n);
            if (!w.Inside(u0, v0) || !w.Inside(pu[i], pv[i]))
                CopyTexels<0, true>(dst + c, tex, wb, w, n, u0, v0, du, dv);
            else if (n == kWarpStep)
                CopyTexels<kWarpStep, false>(dst + c, tex, wb, w, n, u0, v0, du, dv);
            else
                CopyTexels<0, false>(dst + c, tex, wb, w, n, u0, v0, du, dv);
            c = col[i];
            u0 = pu[i];
            v0 = pv[i];
        }
    }
    // The last pixel; and every pixel on its own from where 1/w stops being positive (no view of the
    // cube has such a span), those without a position left alone.
    for (; c <= last; c++) {
        __m128i tu, tv;
        if (!w.At4(_mm_set1_epi32(c), tu, tv)) continue;
        tu = Clamp4(tu, _mm_set1_epi32(w.endU));
        tv = Clamp4(tv, _mm_set1_epi32(w.endV));
        dst[c] = tex[(ptrdiff_t(_mm_cvtsi128_si32(tv)) >> 16 << wb) + (_mm_cvtsi128_si32(tu) >> 16)];
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
