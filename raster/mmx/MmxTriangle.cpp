// The MMX triangle frame: the fan, the kinds of triangle, edges and sections, and the scan walk.
#include "raster/mmx/MmxTriangle.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>

#include "raster/packed/HandFrame.h"

namespace {

// The nine members in the vocabulary of the frame helpers they share with the Pentium II routines,
// which makes both hand their spans the same values for the same triangle.
constexpr unsigned kLinear = kFrameTextured;
constexpr unsigned kPersp = kFrameTextured | kFramePerspective;
constexpr unsigned kZi32Linear = kFrameTextured | kFrameDepthLinear | kFrameDepthRow;
constexpr unsigned kZi32Persp = kFrameTextured | kFramePerspective | kFrameDepthRow;
constexpr unsigned kDepthOnly = kFrameDepthLinear | kFrameDepthRow | kFrameNoTarget;

constexpr bool HasTarget(unsigned f) { return (f & kFrameNoTarget) == 0; }

// Walk state shared by a slot-A routine and its slot-B entry.
struct Walk {
    RastEdge edges[3];
    int32_t rows[kRastMaxVertices];  // row of each converted vertex
    bool finite[kRastMaxVertices];   // its x and y are finite
    int32_t sectionEnd;              // end row of the first section
    bool armed;                      // slot A is calling slot B for a triangle it set up
};
Walk g_walk;

bool IsWalkEdge(const RastEdge* e)
{
    for (const RastEdge& own : g_walk.edges)
        if (e == &own) return true;
    return false;
}

int32_t ClipTop(const SpanState& st) { return std::max(st.rastClipTop, 0); }

// Everything the spans will read is there, and the viewport has a pixel.
template <unsigned F>
bool CanDraw(const SpanState& st)
{
    if (!st.rastSpanFn) return false;
    if (HasTarget(F) && !st.rastDestBits) return false;
    if ((F & kFrameDepthRow) && !st.rastZBits) return false;
    if ((F & kFrameTextured) && !st.rastTexBits) return false;
    if ((F & kFrameTextured) && (st.rastMode & RM_TEXTURE8) && !st.rastPalette) return false;
    return ClipTop(st) < st.rastClipBottomEnd && std::max(RastTruncSat(st.rastClipLeftF), 0) < st.rastClipRightEnd;
}

// Publishes the edges and the first row's addresses and calls slot B.
template <unsigned F>
void HandOff(SpanState& st, RastEdge* left, RastEdge* right, RastEdge* nextLeft, RastEdge* nextRight,
             int32_t sectionEnd)
{
    st.rastLeftEdge = left;
    st.rastRightEdge = right;
    st.rastNextLeftEdge = nextLeft;
    st.rastNextRightEdge = nextRight;
    const ptrdiff_t y = left->yFirst;
    if constexpr (HasTarget(F)) st.rastDestRow = st.rastDestBits + y * st.rastDestPitch;
    if constexpr ((F & kFrameDepthRow) != 0) st.rastZRow = st.rastZBits + y * st.rastZPitch;
    g_walk.sectionEnd = sectionEnd;
    g_walk.armed = true;
    if (st.rastSetupFn) st.rastSetupFn();
    g_walk.armed = false;
}

// A flat triangle: p and q share a row, the apex lies below (flat top) or above (flat bottom). The
// edges are ordered by their x on the first row drawn (flat top) or by their slope (flat bottom),
// so that two flat vertices on one row but at different y cannot swap the sides; an exact tie
// puts the edge of the vertex that the vertex order names on the left.
template <unsigned F>
void DrawFlat(SpanState& st, const RastVertex& p, const RastVertex& q, const RastVertex& apex, int32_t flatRow,
              int32_t apexRow, bool preferP)
{
    const bool flatTop = apexRow > flatRow;
    const int32_t top = flatTop ? flatRow : apexRow;
    const int32_t bottom = flatTop ? apexRow : flatRow;
    if (top >= st.rastClipBottomEnd || bottom <= ClipTop(st)) return;
    const int32_t ystart = std::max(top, ClipTop(st));
    const int32_t yend = std::min(bottom, st.rastClipBottomEnd);
    RastEdge& ep = g_walk.edges[0];
    RastEdge& eq = g_walk.edges[1];
    if (flatTop) {
        HandSetupEdge<F>(p, apex, ystart, yend, ep, false);
        HandSetupEdge<F>(q, apex, ystart, yend, eq, false);
    } else {
        HandSetupEdge<F>(apex, p, ystart, yend, ep, false);
        HandSetupEdge<F>(apex, q, ystart, yend, eq, false);
    }
    const float kp = flatTop ? ep.x : ep.dxdy;
    const float kq = flatTop ? eq.x : eq.dxdy;
    const bool pLeft = kp == kq ? preferP : kp < kq;
    HandOff<F>(st, pLeft ? &ep : &eq, pLeft ? &eq : &ep, nullptr, nullptr, yend);
}

// A triangle on three different rows, named top, mid and bot by row.
template <unsigned F>
void DrawGeneral(SpanState& st, const RastVertex& top, const RastVertex& mid, const RastVertex& bot, int32_t rTop,
                 int32_t rMid, int32_t rBot)
{
    const int32_t clipTop = ClipTop(st);
    const int32_t clipEnd = st.rastClipBottomEnd;
    if (rTop >= clipEnd || rBot <= clipTop) return;
    const int32_t ystart = std::max(rTop, clipTop);
    const int32_t yend = std::min(rBot, clipEnd);
    RastEdge* const longEdge = &g_walk.edges[0];
    RastEdge* const shortEdge = &g_walk.edges[1];
    RastEdge* const lowerEdge = &g_walk.edges[2];
    HandSetupEdge<F>(top, bot, ystart, yend, *longEdge, false);
    if (rMid > clipTop) {
        const int32_t midEnd = std::min(rMid, clipEnd);
        HandSetupEdge<F>(top, mid, ystart, midEnd, *shortEdge, false);
        // Equal slopes put the short edge on the left.
        const bool midRight = shortEdge->dxdy > longEdge->dxdy;
        RastEdge* left = midRight ? longEdge : shortEdge;
        RastEdge* right = midRight ? shortEdge : longEdge;
        if (rMid < clipEnd) {
            HandSetupEdge<F>(mid, bot, rMid, yend, *lowerEdge, midRight);
            HandOff<F>(st, left, right, midRight ? longEdge : lowerEdge, midRight ? lowerEdge : longEdge, midEnd);
        } else {
            HandOff<F>(st, left, right, nullptr, nullptr, midEnd);
        }
    } else {
        // The upper part lies above the viewport: the long edge against the lower short edge,
        // sided by slope as the Pentium II frame does; equal slopes put the long edge on the left.
        HandSetupEdge<F>(mid, bot, clipTop, yend, *shortEdge, false);
        const bool shortLeft = shortEdge->dxdy > longEdge->dxdy;
        HandOff<F>(st, shortLeft ? shortEdge : longEdge, shortLeft ? longEdge : shortEdge, nullptr, nullptr, yend);
    }
}

// Triangle (V0, V1, V2) of the fan with the rows of its vertices; vertex data is never moved.
template <unsigned F>
void DrawFanTriangle(SpanState& st, const RastVertex& v0, const RastVertex& v1, const RastVertex& v2, int32_t r0,
                     int32_t r1, int32_t r2)
{
    if (r0 == r1 && r1 == r2) return;
    // Flat: which vertex wins an exact tie follows the vertex order.
    if (r1 == r2) return DrawFlat<F>(st, v1, v2, v0, r1, r0, r0 > r1);
    if (r0 == r2) return DrawFlat<F>(st, v0, v2, v1, r0, r1, r1 > r0);
    if (r0 == r1) return DrawFlat<F>(st, v0, v1, v2, r0, r2, true);
    if (r0 < r1) {
        if (r1 < r2) return DrawGeneral<F>(st, v0, v1, v2, r0, r1, r2);
        if (r0 < r2) return DrawGeneral<F>(st, v0, v2, v1, r0, r2, r1);
        return DrawGeneral<F>(st, v2, v0, v1, r2, r0, r1);
    }
    if (r0 < r2) return DrawGeneral<F>(st, v1, v0, v2, r1, r0, r2);
    if (r1 < r2) return DrawGeneral<F>(st, v1, v2, v0, r1, r2, r0);
    return DrawGeneral<F>(st, v2, v1, v0, r2, r1, r0);
}

template <unsigned F>
void PrepareVertex(SpanState& st, int i)
{
    RastVertex& v = st.rastVertices[i];
    HandPrepareVertex<F>(v, st);
    g_walk.rows[i] = HandRow(v.y);
    g_walk.finite[i] = std::isfinite(v.x) && std::isfinite(v.y);
}

// Slot A: each vertex is converted when the fan first reaches it. A triangle with a vertex off
// every row or column is skipped; the fan goes on.
template <unsigned F>
void DrawPolygon()
{
    SpanState& st = rastState;
    const int n = HandVertexCount(st);
    if (n < 3 || !CanDraw<F>(st)) return;
    const RastRoundTowardZero towardZero;
    const RastVertex* v = st.rastVertices;
    const int32_t* rows = g_walk.rows;
    const bool* finite = g_walk.finite;
    for (int i = 0; i < 3; ++i) PrepareVertex<F>(st, i);
    for (int i = 2;;) {
        if (finite[0] && finite[i - 1] && finite[i])
            DrawFanTriangle<F>(st, v[0], v[i - 1], v[i], rows[0], rows[i - 1], rows[i]);
        if (++i == n) break;
        PrepareVertex<F>(st, i);
    }
}

// Slot B: gradients, then every row of both sections. Row addresses follow the row number, so a
// row without a span leaves the next one on its own row.
template <unsigned F>
void ScanTriangle()
{
    SpanState& st = rastState;
    if (!g_walk.armed) return;
    g_walk.armed = false;
    RastEdge* left = st.rastLeftEdge;
    RastEdge* right = st.rastRightEdge;
    RastEdge* nextLeft = st.rastNextLeftEdge;
    RastEdge* nextRight = st.rastNextRightEdge;
    if (!IsWalkEdge(left) || !IsWalkEdge(right)) return;
    if (nextLeft && (!IsWalkEdge(nextLeft) || !IsWalkEdge(nextRight))) return;
    HandGradients<F>(*left, *right, st);
    // The contract's truncated intensity step, for any span of the mode that reads it.
    if constexpr ((F & kFrameGouraud) != 0) st.rastDsDxFixed = RastTruncIndefinite(st.rastDsDx);

    uint8_t* const destFirst = st.rastDestRow;
    uint8_t* const zFirst = st.rastZRow;
    const int32_t yFirst = left->yFirst;
    int32_t y = yFirst;
    int32_t count = g_walk.sectionEnd - y;
    for (;;) {
        for (;;) {
            int32_t xs, xe;
            HandSpanColumns(*left, *right, st, xs, xe);
            if (xs < xe) {
                const ptrdiff_t down = y - yFirst;
                if constexpr (HasTarget(F)) st.rastDestRow = destFirst + down * st.rastDestPitch;
                if constexpr ((F & kFrameDepthRow) != 0) st.rastZRow = zFirst + down * st.rastZPitch;
                st.rastSpanEdge = left;
                st.rastSpanX0 = xs;
                st.rastSpanX1 = xe;
                st.rastSpanFn();
            }
            ++y;
            if (--count <= 0) break;
            HandStepRight(*right);
            HandStepLeft<F>(*left);
        }
        HandStepRight(*right);
        if (!nextLeft) return;
        // The long edge going on as the left edge still stands on the last row of the section.
        if (nextLeft == left) HandStepLeft<F>(*left);
        left = nextLeft;
        right = nextRight;
        nextLeft = nullptr;
        st.rastLeftEdge = left;
        st.rastRightEdge = right;
        st.rastNextLeftEdge = nullptr;
        count = right->yEnd - g_walk.sectionEnd;
    }
}

}  // namespace

#define QM_MMX_MEMBER(name, kind) \
    void Rast_Triangle##name##MX() { DrawPolygon<kind>(); } \
    void Rast_Scan##name##MX() { ScanTriangle<kind>(); }
QM_MMX_MEMBER(Linear, kLinear)
QM_MMX_MEMBER(LinearGouraud, kLinear | kFrameGouraud)
QM_MMX_MEMBER(FastPerspective, kPersp)
QM_MMX_MEMBER(FastPerspectiveGouraud, kPersp | kFrameGouraud)
QM_MMX_MEMBER(Zi32Linear, kZi32Linear)
QM_MMX_MEMBER(Zi32LinearGouraud, kZi32Linear | kFrameGouraud)
QM_MMX_MEMBER(Zi32FastPerspective, kZi32Persp)
QM_MMX_MEMBER(Zi32FastPerspectiveGouraud, kZi32Persp | kFrameGouraud)
QM_MMX_MEMBER(Zi32b15, kDepthOnly)
#undef QM_MMX_MEMBER
