// The triangle cases, vertical clipping, sides, hand-over and row walk that every hand-written frame shares.
//
// A family supplies a class Fam with its own arithmetic and tie rules:
//   template <unsigned F> static void Edge(const RastVertex& upper, const RastVertex& lower,
//                                          int32_t first, int32_t end, RastEdge&, bool xOnly)
//   template <unsigned F> static void Gradients(const RastEdge& left, const RastEdge& right, SpanState&)
//   static bool LongIsLeft(const RastEdge& longEdge, const RastEdge& upperShort)    by slope
//   static bool LongIsLeftBelow(const RastEdge& longEdge, const RastEdge& lowerShort)  upper part clipped away
//   static bool FirstIsLeft(float first, float second)   flat triangles: x on the first row (flat top)
//                                                        or slope (flat bottom) of the two edges
#pragma once
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>

#include "raster/SpanState.h"
#include "raster/packed/HandFrame.h"
#include "raster/portable/RastConvert.h"

// What a family's triangle routine hands its setup routine besides the published edges.
struct HandWalk {
    RastEdge edges[3];  // long (top to bottom), upper short, lower short; a flat triangle uses two
    float endX[3];      // each edge's lower vertex
    float endY[3];
    int32_t pairEnd;    // end row of the first pair of edges
    bool armed;         // the triangle routine is calling the setup routine for a triangle it set up

    int IndexOf(const RastEdge* e) const
    {
        for (int i = 0; i < 3; ++i)
            if (e == &edges[i]) return i;
        return -1;
    }
};

// Number of filled vertices, 0 when the end pointer lies outside the list.
inline int HandVertexCount(const SpanState& st)
{
    const auto begin = reinterpret_cast<uintptr_t>(st.rastVertices);
    const auto end = reinterpret_cast<uintptr_t>(st.rastVertexEnd);
    if (end < begin) return 0;
    return static_cast<int>(std::min<uintptr_t>((end - begin) / sizeof(RastVertex), kRastMaxVertices));
}

// Pixel row of an adjusted y: its sample line is y = row + 1.
inline int32_t HandRow(float y) { return RastTruncSat(y); }

// A vertex of the fan once prepared: its row, and whether x and y are finite.
struct HandVert {
    RastVertex* v;
    int32_t row;
    bool finite;
};

// The fan of n (at least 3) vertices around vertex 0: prepare(vertex) once for each vertex as it
// first enters a triangle, draw(V0, Vi-1, Vi) for each triangle with finite corners; the published
// edges are cleared afterwards.
template <class Prepare, class Draw>
inline void HandFan(SpanState& st, int n, Prepare&& prepare, Draw&& draw)
{
    RastVertex* v = st.rastVertices;
    auto take = [&](int i) {
        prepare(v[i]);
        return HandVert{&v[i], HandRow(v[i].y), std::isfinite(v[i].x) && std::isfinite(v[i].y)};
    };
    const HandVert v0 = take(0);
    HandVert v1 = take(1), v2 = take(2);
    for (int i = 3;; ++i) {
        if (v0.finite && v1.finite && v2.finite) draw(v0, v1, v2);
        if (i >= n) break;
        v1 = v2;
        v2 = take(i);
    }
    st.rastLeftEdge = st.rastRightEdge = st.rastNextLeftEdge = st.rastNextRightEdge = nullptr;
}

namespace hand_detail {

template <class Fam, unsigned F>
inline void SetEdge(HandWalk& w, int i, const RastVertex& upper, const RastVertex& lower, int32_t first, int32_t end,
                    bool xOnly)
{
    Fam::template Edge<F>(upper, lower, first, end, w.edges[i], xOnly);
    w.endX[i] = lower.x;
    w.endY[i] = lower.y;
}

// Publishes the edges and the first row's addresses and calls slot B.
template <unsigned F>
inline void HandOff(SpanState& st, HandWalk& w, RastEdge* left, RastEdge* right, RastEdge* nextLeft,
                    RastEdge* nextRight, int32_t pairEnd)
{
    st.rastLeftEdge = left;
    st.rastRightEdge = right;
    st.rastNextLeftEdge = nextLeft;
    st.rastNextRightEdge = nextRight;
    const ptrdiff_t y = left->yFirst;
    if constexpr (!(F & kFrameNoTarget)) st.rastDestRow = st.rastDestBits + y * st.rastDestPitch;
    if constexpr ((F & kFrameDepthRow) != 0) st.rastZRow = st.rastZBits + y * st.rastZPitch;
    w.pairEnd = pairEnd;
    w.armed = true;
    if (st.rastSetupFn) st.rastSetupFn();
    w.armed = false;
}

// Two vertices on one row with the apex below (flat top) or above (flat bottom); `first` is the
// first operand of the side decision.
template <class Fam, unsigned F>
inline void Flat(SpanState& st, HandWalk& w, const HandVert& first, const HandVert& second, const HandVert& apex)
{
    const int32_t clipTop = std::max(st.rastClipTop, 0), clipEnd = st.rastClipBottomEnd;
    const bool flatTop = apex.row > first.row;
    const int32_t top = flatTop ? first.row : apex.row, bottom = flatTop ? apex.row : first.row;
    if (top >= clipEnd || bottom <= clipTop) return;
    const int32_t y0 = std::max(top, clipTop), end = std::min(bottom, clipEnd);
    RastEdge* e = w.edges;
    if (flatTop) {
        SetEdge<Fam, F>(w, 0, *first.v, *apex.v, y0, end, false);
        SetEdge<Fam, F>(w, 1, *second.v, *apex.v, y0, end, false);
    } else {
        SetEdge<Fam, F>(w, 0, *apex.v, *first.v, y0, end, false);
        SetEdge<Fam, F>(w, 1, *apex.v, *second.v, y0, end, false);
    }
    // A flat top is sided by x on the first row drawn, where the edge of a vertex lower in the row
    // can already lie on the other side; a flat bottom by slope, as both edges leave the apex.
    const bool firstLeft = flatTop ? Fam::FirstIsLeft(e[0].x, e[1].x) : Fam::FirstIsLeft(e[0].dxdy, e[1].dxdy);
    HandOff<F>(st, w, firstLeft ? &e[0] : &e[1], firstLeft ? &e[1] : &e[0], nullptr, nullptr, end);
}

// Three vertices on three rows: the long edge against the upper short edge, then the lower one; when
// the upper part lies above the viewport, against the lower short edge alone.
template <class Fam, unsigned F>
inline void General(SpanState& st, HandWalk& w, const HandVert& t, const HandVert& m, const HandVert& b)
{
    const int32_t clipTop = std::max(st.rastClipTop, 0), clipEnd = st.rastClipBottomEnd;
    if (t.row >= clipEnd || b.row <= clipTop) return;
    const int32_t y0 = std::max(t.row, clipTop), end = std::min(b.row, clipEnd);
    RastEdge* e = w.edges;
    SetEdge<Fam, F>(w, 0, *t.v, *b.v, y0, end, false);
    if (m.row <= clipTop) {
        SetEdge<Fam, F>(w, 1, *m.v, *b.v, y0, end, false);
        const bool longLeft = Fam::LongIsLeftBelow(e[0], e[1]);
        return HandOff<F>(st, w, longLeft ? &e[0] : &e[1], longLeft ? &e[1] : &e[0], nullptr, nullptr, end);
    }
    const int32_t middle = std::min(m.row, clipEnd);
    SetEdge<Fam, F>(w, 1, *t.v, *m.v, y0, middle, false);
    const bool longLeft = Fam::LongIsLeft(e[0], e[1]);
    RastEdge* left = longLeft ? &e[0] : &e[1];
    RastEdge* right = longLeft ? &e[1] : &e[0];
    if (middle == clipEnd) return HandOff<F>(st, w, left, right, nullptr, nullptr, middle);
    // With the long edge on the left the lower short edge only ever closes the right side.
    SetEdge<Fam, F>(w, 2, *m.v, *b.v, middle, end, longLeft);
    HandOff<F>(st, w, left, right, longLeft ? &e[0] : &e[2], longLeft ? &e[2] : &e[0], middle);
}

}  // namespace hand_detail

// Triangle (V0, V1, V2) of the fan, by the rows of its vertices; vertex data is never moved. In the
// flat cases the first operand of the side decision is V0 when it is one of the pair, else V1 of a
// flat top and V2 of a flat bottom.
template <class Fam, unsigned F>
inline void HandTriangle(SpanState& st, HandWalk& w, const HandVert& v0, const HandVert& v1, const HandVert& v2)
{
    using namespace hand_detail;
    if (v0.row == v1.row && v1.row == v2.row) return;
    if (v0.row == v1.row) return Flat<Fam, F>(st, w, v0, v1, v2);
    if (v0.row == v2.row) return v1.row > v0.row ? Flat<Fam, F>(st, w, v0, v2, v1) : Flat<Fam, F>(st, w, v2, v0, v1);
    if (v1.row == v2.row) return v0.row > v1.row ? Flat<Fam, F>(st, w, v1, v2, v0) : Flat<Fam, F>(st, w, v2, v1, v0);
    const HandVert* s[3] = {&v0, &v1, &v2};
    std::sort(s, s + 3, [](const HandVert* a, const HandVert* b) { return a->row < b->row; });
    General<Fam, F>(st, w, *s[0], *s[1], *s[2]);
}

// The x that decides an edge's columns on a row: on the row whose sample line passes through the
// edge's lower vertex, that vertex's own x, so that every edge ending at a shared vertex meets it
// exactly and neighbouring triangles neither overlap nor part there. Elsewhere the stepped x.
inline float HandColumnX(const HandWalk& w, const RastEdge& e, int32_t row)
{
    const int i = w.IndexOf(&e);
    return i >= 0 && float(row + 1) == w.endY[i] ? w.endX[i] : e.x;
}

// Columns of one row: from the larger of the viewport's left column and the left x, to the right x,
// lowered to the viewport's right end; both truncated.
inline void HandSpanColumns(float left, float right, const SpanState& st, int32_t& x0, int32_t& x1)
{
    const float xl = left > st.rastClipLeftF ? left : st.rastClipLeftF;
    x0 = std::max(RastTruncSat(xl), 0);
    x1 = std::min(RastTruncSat(right), st.rastClipRightEnd);
}

// Slot B once its triangle routine has set a triangle up: the gradients, then the rows of the first
// pair of edges up to the pair's end and (with a next pair) of the second pair up to the end of its
// right edge. A row with a pixel gets the span; the row addresses move one row down after every
// row; between rows the right edge steps its x and the left edge every value it carries. The long
// edge going on as the left edge takes one more step at the switch; a new edge starts from its own
// first row.
template <class Fam, unsigned F>
inline void HandSetupScan(SpanState& st, HandWalk& w)
{
    if (!w.armed) return;
    w.armed = false;
    RastEdge* left = st.rastLeftEdge;
    RastEdge* right = st.rastRightEdge;
    RastEdge* nextLeft = st.rastNextLeftEdge;
    RastEdge* nextRight = st.rastNextRightEdge;
    if (w.IndexOf(left) < 0 || w.IndexOf(right) < 0 || !st.rastSpanFn) return;
    if (nextLeft && (w.IndexOf(nextLeft) < 0 || w.IndexOf(nextRight) < 0)) return;
    Fam::template Gradients<F>(*left, *right, st);

    int32_t row = left->yFirst;
    int32_t rows = w.pairEnd - row;
    for (;;) {
        while (rows > 0) {
            int32_t x0, x1;
            HandSpanColumns(HandColumnX(w, *left, row), HandColumnX(w, *right, row), st, x0, x1);
            if (x0 < x1) {
                st.rastSpanEdge = left;
                st.rastSpanX0 = x0;
                st.rastSpanX1 = x1;
                st.rastSpanFn();
            }
            if constexpr (!(F & kFrameNoTarget)) st.rastDestRow += st.rastDestPitch;
            if constexpr ((F & kFrameDepthRow) != 0) st.rastZRow += st.rastZPitch;
            ++row;
            if (--rows > 0) {
                HandStepRight(*right);
                HandStepLeft<F>(*left);
            }
        }
        HandStepRight(*right);
        if (!nextLeft) return;
        if (nextLeft == left) HandStepLeft<F>(*left);
        rows = nextRight->yEnd - w.pairEnd;
        left = nextLeft;
        right = nextRight;
        nextLeft = nullptr;
    }
}
