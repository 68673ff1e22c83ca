// The Pentium II triangle frame, shared by the MMX rows: double-precision edges rounding toward zero on the shared cases and walk.
#include "raster/p2/P2Triangle.h"

#include "raster/packed/HandFrame.h"
#include "raster/packed/HandTriangle.h"

namespace {

struct P2Family {
    template <unsigned F>
    static void Edge(const RastVertex& a, const RastVertex& b, int32_t first, int32_t end, RastEdge& e, bool xOnly)
    {
        HandSetupEdge<F>(a, b, first, end, e, xOnly);
    }
    template <unsigned F>
    static void Gradients(const RastEdge& left, const RastEdge& right, SpanState& st)
    {
        HandGradients<F>(left, right, st);
    }
    // The upper short edge steeper to the right puts the middle vertex on the right; equal slopes
    // put the short edge on the left.
    static bool LongIsLeft(const RastEdge& longEdge, const RastEdge& upper) { return upper.dxdy > longEdge.dxdy; }
    // Equal slopes put the long edge on the left.
    static bool LongIsLeftBelow(const RastEdge& longEdge, const RastEdge& lower) { return !(lower.dxdy > longEdge.dxdy); }
    // Equal values put the first operand's edge on the left.
    static bool FirstIsLeft(float first, float second) { return !(second < first); }
};

HandWalk g_walk;

template <unsigned F>
void TriangleFan()
{
    SpanState& st = rastState;
    const int n = HandVertexCount(st);
    if (n < 3 || !HandReady<F>(st)) return;
    const RastRoundTowardZero rounding;
    HandFan(
        st, n, [&](RastVertex& v) { HandPrepareVertex<F>(v, st); },
        [&](const HandVert& a, const HandVert& b, const HandVert& c) { HandTriangle<P2Family, F>(st, g_walk, a, b, c); });
}

template <unsigned F>
void SetupScan()
{
    HandSetupScan<P2Family, F>(rastState, g_walk);
}

}  // namespace

#define QM_P2_FRAME(name, flags) \
    void Rast_Triangle##name##II() { TriangleFan<flags>(); } \
    void Rast_SetupScan##name##II() { SetupScan<flags>(); }
QM_HAND_FRAME_KINDS(QM_P2_FRAME)
#undef QM_P2_FRAME
