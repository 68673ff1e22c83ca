// The K6-3D triangle frame: single-precision vertex preparation, edges and gradients with the reciprocal estimate, on the shared cases and walk.
#include "raster/k63d/K63DTriangle.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

#include "raster/k63d/K3DNow.h"
#include "raster/packed/HandFrame.h"
#include "raster/packed/HandTriangle.h"
#include "raster/packed/PackedConvert.h"

namespace {

using k3d::F32x2;

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

// Of two edges compared by a value, the one with the smaller is left; on a tie the first is left
// when the value is +0 or more (-0 counts below +0).
bool SignedFirstIsLeft(float first, float second)
{
    if (first < second) return true;
    if (second < first) return false;
    return !std::signbit(first);
}

struct K63DFamily {
    // Edge from upper vertex p to lower vertex q, first drawn on row `first` and ending before row
    // `end`; its values are taken on the first row's sample line.
    template <unsigned F>
    static void Edge(const RastVertex& p, const RastVertex& q, int32_t first, int32_t end, RastEdge& e, bool xOnly)
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
    static void Gradients(const RastEdge& left, const RastEdge& right, SpanState& st)
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
    static bool LongIsLeft(const RastEdge& longEdge, const RastEdge& upper) { return SignedFirstIsLeft(longEdge.dxdy, upper.dxdy); }
    // The upper part clipped away: by x on the first row.
    static bool LongIsLeftBelow(const RastEdge& longEdge, const RastEdge& lower) { return SignedFirstIsLeft(longEdge.x, lower.x); }
    static bool FirstIsLeft(float first, float second) { return SignedFirstIsLeft(first, second); }
};

HandWalk g_walk;

template <unsigned F>
void TriangleFan()
{
    SpanState& st = rastState;
    const int n = HandVertexCount(st);
    if (n < 3 || !HandReady<F>(st)) return;
    HandFan(
        st, n, [&](RastVertex& v) { PrepareVertex<F>(v, st); },
        [&](const HandVert& a, const HandVert& b, const HandVert& c) { HandTriangle<K63DFamily, F>(st, g_walk, a, b, c); });
}

template <unsigned F>
void SetupScan()
{
    HandSetupScan<K63DFamily, F>(rastState, g_walk);
}

}  // namespace

#define QM_K63D_FRAME(name, flags) \
    void Rast_Triangle##name##K63D() { TriangleFan<flags>(); } \
    void Rast_SetupScan##name##K63D() { SetupScan<flags>(); }
QM_HAND_FRAME_KINDS(QM_K63D_FRAME)
#undef QM_K63D_FRAME
