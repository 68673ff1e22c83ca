// The K6-3D triangle frame: single-precision vertex preparation and edges with the reciprocal estimate, the triangle cases, and the row walk.
#include "raster/k63d/K63DTriangle.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

#include "raster/k63d/K3DNow.h"
#include "raster/packed/HandFrame.h"
#include "raster/packed/PackedConvert.h"

namespace {

using k3d::F32x2;

// What slot A hands slot B besides the published edges.
struct RastScratchK63D {
    RastEdge edge[3];
    int32_t middleRow;  // end row of the first pair of edges
    bool armed;         // slot A is calling slot B for a triangle it set up
};
RastScratchK63D g_scratch;

using Vert = HandVert;

template <unsigned F>
void PrepareVertex(RastVertex& v, const SpanState& st)
{
    const F32x2 xy = k3d::PfAdd({v.x, v.y}, {0.5f, 0.5f});
    v.x = xy.lo, v.y = xy.hi;
    if constexpr (F & kFrameTextured) {
        F32x2 uv = k3d::PfMul({v.u, v.v}, {st.rastTexScaleU, st.rastTexScaleV});
        if constexpr (F & kFramePerspective) uv = k3d::PfMul(uv, {v.z, v.z});
        v.u = uv.lo, v.v = uv.hi;
    }
    if constexpr (F & kFrameDepthLinear) v.z = RastScaleExp31(v.z);
    // No lower bound: a negative intensity stays negative.
    if constexpr (F & kFrameGouraud) v.shade2 = k3d::PfMin(v.shade2, 1.0f) * 32767.0f;
}

// Edge from upper vertex p to lower vertex q, first drawn on row `first` and ending before row
// `end`; its values are taken on the first row's sample line.
template <unsigned F>
void SetupEdge(const RastVertex& p, const RastVertex& q, int32_t first, int32_t end, RastEdge& e, bool xOnly)
{
    const float d = k3d::RcpEstimate(q.y - p.y);
    const float pre = k3d::Pi2Fd(first + 1) - p.y;
    HandFillEdge<F>(p, q, first, end, e, xOnly, [d, pre](float a, float b, float& value, float& step) {
        step = (b - a) * d;
        value = a + step * pre;
    });
}

// The gradients across the row, once per triangle from its first pair of edges, which meet at one
// vertex: every difference of their row steps is the x gradient times the difference of their x
// steps.
template <unsigned F>
void Gradients(const RastEdge& left, const RastEdge& right, SpanState& st)
{
    using namespace k3d;
    const float k = RcpEstimate(right.dxdy - left.dxdy);
    if constexpr (F & kFrameTextured) {
        const F32x2 duv = PfMul(PfSub({right.dudy, right.dvdy}, {left.dudy, left.dvdy}), {k, k});
        st.rastDuDx = duv.lo, st.rastDvDx = duv.hi;
        if constexpr (F & kFramePerspective) {
            const F32x2 duv32 = PfMul(duv, {32.0f, 32.0f});
            st.rastDuDx32 = duv32.lo, st.rastDvDx32 = duv32.hi;
        } else {
            const uint32_t su = uint32_t(Pf2Id(duv.lo)) << 6, sv = uint32_t(Pf2Id(duv.hi)) << 6;
            st.rastDuDxFixed = int32_t(su);
            st.rastDvDxFixed = int32_t(sv);
            st.rastDuDx2Fix[0] = st.rastDuDx2Fix[1] = int32_t(su << 1);
            st.rastDvDx2Fix[0] = st.rastDvDx2Fix[1] = int32_t(sv << 1);
        }
    }
    if constexpr (HandFrameCarriesZ(F)) {
        const float dz = (right.dzdy - left.dzdy) * k;
        st.rastDzDx = dz;
        if constexpr (F & kFramePerspective) {
            st.rastDzDx32 = dz * 32.0f;
            // 1/w becomes a depth only here and at each span's first pixel.
            if constexpr (F & kFrameDepthRow) st.rastDzDxFixed = Pf2Id(RastScaleExp31(dz));
        } else {
            st.rastDzDxFixed = Pf2Id(dz);
        }
    }
    if constexpr (F & kFrameGouraud) {
        const float ds = (right.dshadedy - left.dshadedy) * k;
        st.rastDsDx = ds;
        st.rastDsDxFixed = Pf2Id(ds);
        const uint32_t step = uint32_t(st.rastDsDxFixed) & 0xFFFF;
        st.rastDgDxInt = step;
        // Twice the step in both lanes of each 32-bit half, formed as one 32-bit product: a
        // negative step carries out of the low lane, so the high lane is one level of 1/32768 up.
        const uint32_t pair = 2 * (step * 65537u);
        st.rastDgDxLanes[0] = st.rastDgDxLanes[2] = uint16_t(pair);
        st.rastDgDxLanes[1] = st.rastDgDxLanes[3] = uint16_t(pair >> 16);
    }
}

// Of two edges compared by a value, the one with the smaller is left; on a tie the first is left
// when the value is +0 or more (-0 counts below +0).
bool FirstIsLeft(float first, float second)
{
    if (first < second) return true;
    if (second < first) return false;
    return !std::signbit(first);
}

bool IsScratchEdge(const RastEdge* e)
{
    return e == &g_scratch.edge[0] || e == &g_scratch.edge[1] || e == &g_scratch.edge[2];
}

// Publishes the edges and the first row's addresses and calls slot B.
template <unsigned F>
void HandOff(SpanState& st, RastEdge* left, RastEdge* right, RastEdge* nextLeft, RastEdge* nextRight, int32_t middle)
{
    st.rastLeftEdge = left;
    st.rastRightEdge = right;
    st.rastNextLeftEdge = nextLeft;
    st.rastNextRightEdge = nextRight;
    const ptrdiff_t y = left->yFirst;
    if constexpr (!(F & kFrameNoTarget)) st.rastDestRow = st.rastDestBits + y * st.rastDestPitch;
    if constexpr ((F & kFrameDepthRow) != 0) st.rastZRow = st.rastZBits + y * st.rastZPitch;
    g_scratch.middleRow = middle;
    g_scratch.armed = true;
    st.rastSetupFn();
    g_scratch.armed = false;
}

// Two vertices p and q on one row with the apex above or below them; p is the first operand of
// the side decision. A flat top is sided by the edges' x on the first row drawn, where an edge of
// a vertex lower in the row can already lie on the other side; a flat bottom by slope, as both
// edges leave the apex.
template <unsigned F>
void DrawFlat(SpanState& st, const Vert& p, const Vert& q, const Vert& apex)
{
    const int32_t clipTop = std::max(st.rastClipTop, 0), clipEnd = st.rastClipBottomEnd;
    const bool flatTop = apex.row > p.row;
    const int32_t top = flatTop ? p.row : apex.row, bottom = flatTop ? apex.row : p.row;
    if (top >= clipEnd || bottom <= clipTop) return;
    const int32_t first = std::max(top, clipTop), end = std::min(bottom, clipEnd);
    RastEdge* e = g_scratch.edge;
    if (flatTop) {
        SetupEdge<F>(*p.v, *apex.v, first, end, e[0], false);
        SetupEdge<F>(*q.v, *apex.v, first, end, e[1], false);
    } else {
        SetupEdge<F>(*apex.v, *p.v, first, end, e[0], false);
        SetupEdge<F>(*apex.v, *q.v, first, end, e[1], false);
    }
    const bool pLeft = flatTop ? FirstIsLeft(e[0].x, e[1].x) : FirstIsLeft(e[0].dxdy, e[1].dxdy);
    HandOff<F>(st, pLeft ? &e[0] : &e[1], pLeft ? &e[1] : &e[0], nullptr, nullptr, end);
}

// Three vertices on three rows: the long edge from top to bottom against the upper short edge,
// then the lower one; when the upper part lies above the viewport, against the lower short edge
// alone, sided by x on the first row.
template <unsigned F>
void DrawGeneral(SpanState& st, const Vert& t, const Vert& m, const Vert& b)
{
    const int32_t clipTop = std::max(st.rastClipTop, 0), clipEnd = st.rastClipBottomEnd;
    if (t.row >= clipEnd || b.row <= clipTop) return;
    const int32_t first = std::max(t.row, clipTop), end = std::min(b.row, clipEnd);
    RastEdge* e = g_scratch.edge;
    SetupEdge<F>(*t.v, *b.v, first, end, e[0], false);
    if (m.row <= clipTop) {
        SetupEdge<F>(*m.v, *b.v, first, end, e[1], false);
        const bool longLeft = FirstIsLeft(e[0].x, e[1].x);
        return HandOff<F>(st, longLeft ? &e[0] : &e[1], longLeft ? &e[1] : &e[0], nullptr, nullptr, end);
    }
    const int32_t middle = std::min(m.row, clipEnd);
    SetupEdge<F>(*t.v, *m.v, first, middle, e[1], false);
    const bool longLeft = FirstIsLeft(e[0].dxdy, e[1].dxdy);
    RastEdge* left = longLeft ? &e[0] : &e[1];
    RastEdge* right = longLeft ? &e[1] : &e[0];
    if (middle == clipEnd) return HandOff<F>(st, left, right, nullptr, nullptr, middle);
    // The lower short edge only ever closes the right side when the long edge is left.
    SetupEdge<F>(*m.v, *b.v, middle, end, e[2], longLeft);
    HandOff<F>(st, left, right, longLeft ? &e[0] : &e[2], longLeft ? &e[2] : &e[0], middle);
}

// Triangle (V0, V1, V2) of the fan. In the flat cases the first operand of the side decision is
// V0 when it is one of the pair, else V1 above a flat top and V2 below a flat bottom.
template <unsigned F>
void DrawTriangle(SpanState& st, const Vert& v0, const Vert& v1, const Vert& v2)
{
    if (v0.row == v1.row && v1.row == v2.row) return;
    if (v0.row == v1.row) return DrawFlat<F>(st, v0, v1, v2);
    if (v0.row == v2.row) return v1.row > v0.row ? DrawFlat<F>(st, v0, v2, v1) : DrawFlat<F>(st, v2, v0, v1);
    if (v1.row == v2.row) return v0.row > v1.row ? DrawFlat<F>(st, v1, v2, v0) : DrawFlat<F>(st, v2, v1, v0);
    const Vert* s[3] = {&v0, &v1, &v2};
    std::sort(s, s + 3, [](const Vert* a, const Vert* b) { return a->row < b->row; });
    DrawGeneral<F>(st, *s[0], *s[1], *s[2]);
}

template <unsigned F>
void TriangleFan()
{
    SpanState& st = rastState;
    const int n = HandVertexCount(st);
    if (n < 3 || !HandReady<F>(st)) return;
    HandFan(
        st, n, [&](RastVertex& v) { PrepareVertex<F>(v, st); },
        [&](const Vert& a, const Vert& b, const Vert& c) { DrawTriangle<F>(st, a, b, c); });
}

template <unsigned F>
void SetupScan()
{
    SpanState& st = rastState;
    if (!g_scratch.armed) return;
    g_scratch.armed = false;
    RastEdge* left = st.rastLeftEdge;
    RastEdge* right = st.rastRightEdge;
    RastEdge* nextLeft = st.rastNextLeftEdge;
    RastEdge* nextRight = st.rastNextRightEdge;
    if (!IsScratchEdge(left) || !IsScratchEdge(right) || !st.rastSpanFn) return;
    if (nextLeft && !(IsScratchEdge(nextLeft) && IsScratchEdge(nextRight))) return;
    Gradients<F>(*left, *right, st);
    HandScanRows<F>(st, left, right, nextLeft, nextRight, g_scratch.middleRow);
}

}  // namespace

#define QM_K63D_FRAME(name, flags) \
    void Rast_Triangle##name##K63D() { TriangleFan<flags>(); } \
    void Rast_SetupScan##name##K63D() { SetupScan<flags>(); }
QM_HAND_FRAME_KINDS(QM_K63D_FRAME)
#undef QM_K63D_FRAME
