// The Pentium II triangle frame: vertex order, vertical clipping, edges and sides, row walk and fan.
#include "raster/p2/P2Triangle.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

#include "raster/packed/HandFrame.h"

namespace {

// The working state of one triangle: its edges and the row where its first pair of edges ends.
struct TriangleWalk {
    RastEdge edges[3];  // long (top to bottom), upper short, lower short; a flat triangle uses two
    int32_t firstPairEnd;
};
TriangleWalk g_walk;

using Vert = HandVert;

// Sets up the edges of one triangle (V0, V1, V2 in the fan's order), chooses its sides and hands it
// to slot B.
template <unsigned F>
void DrawTriangle(const Vert& p0, const Vert& p1, const Vert& p2)
{
    SpanState& st = rastState;
    const int32_t clipTop = std::max(st.rastClipTop, 0);
    const int32_t clipEnd = st.rastClipBottomEnd;
    const int32_t top = std::min({p0.row, p1.row, p2.row});
    const int32_t bottom = std::max({p0.row, p1.row, p2.row});
    if (top == bottom || top >= clipEnd || bottom <= clipTop) return;

    RastEdge* e = g_walk.edges;
    RastEdge *left, *right, *nextLeft = nullptr, *nextRight = nullptr;
    int32_t first, pairEnd;
    if (p0.row != p1.row && p1.row != p2.row && p0.row != p2.row) {
        const Vert* s[3] = {&p0, &p1, &p2};
        std::sort(s, s + 3, [](const Vert* a, const Vert* b) { return a->row < b->row; });
        const Vert &t = *s[0], &m = *s[1], &b = *s[2];
        const int32_t end = std::min(b.row, clipEnd);
        if (m.row > clipTop) {
            first = std::max(t.row, clipTop);
            pairEnd = std::min(m.row, clipEnd);
            HandSetupEdge<F>(*t.v, *b.v, first, end, e[0], false);
            HandSetupEdge<F>(*t.v, *m.v, first, pairEnd, e[1], false);
            // The upper short edge steeper to the right: the middle vertex is on the right.
            const bool midRight = e[1].dxdy > e[0].dxdy;
            left = midRight ? &e[0] : &e[1];
            right = midRight ? &e[1] : &e[0];
            if (pairEnd < clipEnd) {
                HandSetupEdge<F>(*m.v, *b.v, pairEnd, end, e[2], midRight);
                nextLeft = midRight ? &e[0] : &e[2];
                nextRight = midRight ? &e[2] : &e[0];
            }
        } else {
            // The upper part lies wholly above the viewport: one pair from the viewport's top row.
            first = clipTop;
            pairEnd = end;
            HandSetupEdge<F>(*t.v, *b.v, first, end, e[0], false);
            HandSetupEdge<F>(*m.v, *b.v, first, end, e[2], false);
            const bool lowerLeft = e[2].dxdy > e[0].dxdy;
            left = lowerLeft ? &e[2] : &e[0];
            right = lowerLeft ? &e[0] : &e[2];
        }
    } else {
        // Two vertices share a row: p and q in fan order, the third is the apex.
        const Vert& apex = p0.row == p1.row ? p2 : p0.row == p2.row ? p1 : p0;
        const bool flatTop = apex.row == bottom;
        const Vert& p = p0.row == p1.row || p0.row == p2.row ? p0 : p1;
        const Vert& q = p0.row == p1.row ? p1 : p2;
        if (flatTop) {
            first = std::max(p.row, clipTop);
            pairEnd = std::min(apex.row, clipEnd);
            HandSetupEdge<F>(*p.v, *apex.v, first, pairEnd, e[0], false);
            HandSetupEdge<F>(*q.v, *apex.v, first, pairEnd, e[1], false);
            // By x on the first row drawn: two top vertices on one row but at different heights
            // can lie in the other order there. Equal x: the edge from the first of the two.
            const bool qLeft = e[1].x < e[0].x;
            left = qLeft ? &e[1] : &e[0];
            right = qLeft ? &e[0] : &e[1];
        } else {
            first = std::max(apex.row, clipTop);
            pairEnd = std::min(p.row, clipEnd);
            HandSetupEdge<F>(*apex.v, *p.v, first, pairEnd, e[0], false);
            HandSetupEdge<F>(*apex.v, *q.v, first, pairEnd, e[1], false);
            // By slope, as both edges leave the apex. Equal slopes: the edge to V0 when the bottom
            // vertices are V0 and V1, else the edge to V2.
            const bool tieQ = &p != &p0 || &q != &p1;
            const bool qLeft = e[1].dxdy < e[0].dxdy || (e[1].dxdy == e[0].dxdy && tieQ);
            left = qLeft ? &e[1] : &e[0];
            right = qLeft ? &e[0] : &e[1];
        }
    }

    g_walk.firstPairEnd = pairEnd;
    st.rastLeftEdge = left;
    st.rastRightEdge = right;
    st.rastNextLeftEdge = nextLeft;
    st.rastNextRightEdge = nextRight;
    if constexpr (!(F & kFrameNoTarget)) st.rastDestRow = st.rastDestBits + ptrdiff_t(st.rastDestPitch) * first;
    if constexpr ((F & kFrameDepthRow) != 0) st.rastZRow = st.rastZBits + ptrdiff_t(st.rastZPitch) * first;
    st.rastSetupFn();
}

template <unsigned F>
void TriangleFan()
{
    SpanState& st = rastState;
    const int n = HandVertexCount(st);
    if (n < 3 || !HandReady<F>(st)) return;
    const RastRoundTowardZero rounding;
    HandFan(
        st, n, [&](RastVertex& v) { HandPrepareVertex<F>(v, st); },
        [](const Vert& a, const Vert& b, const Vert& c) { DrawTriangle<F>(a, b, c); });
}

template <unsigned F>
void SetupScan()
{
    SpanState& st = rastState;
    RastEdge* left = st.rastLeftEdge;
    RastEdge* right = st.rastRightEdge;
    if (!left || !right || !st.rastSpanFn) return;
    HandGradients<F>(*left, *right, st);
    HandScanRows<F>(st, left, right, st.rastNextRightEdge ? st.rastNextLeftEdge : nullptr, st.rastNextRightEdge,
                    g_walk.firstPairEnd);
}

}  // namespace

#define QM_P2_FRAME(name, flags) \
    void Rast_Triangle##name##II() { TriangleFan<flags>(); } \
    void Rast_SetupScan##name##II() { SetupScan<flags>(); }
QM_HAND_FRAME_KINDS(QM_P2_FRAME)
#undef QM_P2_FRAME
