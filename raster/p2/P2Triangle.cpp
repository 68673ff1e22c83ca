// The Pentium II triangle frame, which the MMX rows' entries share, on the cases and walk of every
// hand-written frame.
//
// The whole call runs under RastRoundTowardZero: arithmetic in double precision, results stored as
// f32 rounded toward zero, conversions to integers truncated (RastTruncIndefinite for steps).
#include "raster/p2/P2Triangle.h"

#include <algorithm>
#include <iterator>

#include "raster/packed/HandFrame.h"
#include "raster/packed/HandTriangle.h"

namespace {

// Adjusts one vertex in place: pixel-centre offset, texture scale (times 1/w in perspective
// frames), depth scale, intensity clamp and scale. Each vertex once per call.
template <unsigned F>
void PrepareVertex(RastVertex& v, const SpanState& st)
{
    v.x = static_cast<float>(double(v.x) + 0.5);
    v.y = static_cast<float>(double(v.y) + 0.5);
    if constexpr (F & kFrameTextured) {
        double u = double(v.u) * double(st.rastTexScaleU);
        double t = double(v.v) * double(st.rastTexScaleV);
        if constexpr (F & kFramePerspective) {
            u *= double(v.z);
            t *= double(v.z);
        }
        v.u = static_cast<float>(u);
        v.v = static_cast<float>(t);
    }
    if constexpr (F & kFrameDepthLinear) v.z = RastScaleExp31(v.z);
    if constexpr (F & kFrameGouraud) {
        // No lower clamp: a negative intensity stays negative.
        const float s = v.shade2 > 1.0f ? 1.0f : v.shade2;
        v.shade2 = static_cast<float>(double(s) * 32767.0);
    }
}

struct P2Family {
    // Edge from upper vertex a to lower vertex b, first drawn on row `first` (its values are taken on
    // that row's sample line, however far below a it lies) and ending before row `end`. An edge that
    // can only be a right edge (xOnly) gets its rows, x and dx/dy alone.
    template <unsigned F>
    static void Edge(const RastVertex& a, const RastVertex& b, int32_t first, int32_t end, RastEdge& e, bool xOnly)
    {
        const double inv = 1.0 / (double(b.y) - double(a.y));
        const double pre = double(first) + 1.0 - double(a.y);
        auto set = [&](float qa, float qb, float& q, float& dq) {
            const double d = (double(qb) - double(qa)) * inv;
            dq = static_cast<float>(d);
            q = static_cast<float>(double(qa) + d * pre);
        };
        HandFillEdge<F>(a, b, first, end, e, xOnly, set);
    }

    // The gradients across the row, once per triangle from its first pair of edges. Integer steps come
    // from the unrounded quotients; one that is not finite or does not fit gives 0x80000000, which the
    // shifts of the texture steps turn into 0.
    template <unsigned F>
    static void Gradients(const RastEdge& left, const RastEdge& right, SpanState& st)
    {
        const double inv = 1.0 / (double(right.dxdy) - double(left.dxdy));
        auto grad = [inv](float r, float l) { return (double(r) - double(l)) * inv; };
        if constexpr (F & kFrameTextured) {
            const double du = grad(right.dudy, left.dudy);
            const double dv = grad(right.dvdy, left.dvdy);
            st.rastDuDx = static_cast<float>(du);
            st.rastDvDx = static_cast<float>(dv);
            if constexpr (F & kFramePerspective) {
                st.rastDuDx32 = static_cast<float>(du * 32.0);
                st.rastDvDx32 = static_cast<float>(dv * 32.0);
            } else {
                const uint32_t su = static_cast<uint32_t>(RastTruncIndefinite(du)) << 6;
                const uint32_t sv = static_cast<uint32_t>(RastTruncIndefinite(dv)) << 6;
                st.rastDuDxFixed = static_cast<int32_t>(su);
                st.rastDvDxFixed = static_cast<int32_t>(sv);
                st.rastDuDx2Fix[0] = st.rastDuDx2Fix[1] = static_cast<int32_t>(su << 1);
                st.rastDvDx2Fix[0] = st.rastDvDx2Fix[1] = static_cast<int32_t>(sv << 1);
            }
        }
        if constexpr (HandFrameCarriesZ(F)) {
            const double dz = grad(right.dzdy, left.dzdy);
            st.rastDzDx = static_cast<float>(dz);
            if constexpr (F & kFramePerspective) {
                st.rastDzDx32 = static_cast<float>(dz * 32.0);
                if constexpr (F & kFrameDepthRow) st.rastDzDxFixed = RastTruncIndefinite(dz * 2147483648.0);
            } else {
                st.rastDzDxFixed = RastTruncIndefinite(dz);
            }
        }
        if constexpr (F & kFrameGouraud) {
            const double ds = grad(right.dshadedy, left.dshadedy);
            st.rastDsDx = static_cast<float>(ds);
            const uint32_t k = static_cast<uint32_t>(RastTruncIndefinite(ds));
            st.rastDgDxInt = k & 0xFFFF;
            std::fill(std::begin(st.rastDgDxLanes), std::end(st.rastDgDxLanes), static_cast<uint16_t>(k << 1));
        }
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
        st, n, [&](RastVertex& v) { PrepareVertex<F>(v, st); },
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
    void Rast_SetupScan##name##II() { SetupScan<flags>(); } \
    void Rast_Triangle##name##MX() { TriangleFan<flags>(); } \
    void Rast_Scan##name##MX() { SetupScan<flags>(); }
QM_HAND_FRAME_KINDS(QM_P2_FRAME)
#undef QM_P2_FRAME
