// Vertex preparation, edge set-up, gradients and edge stepping of the hand-written triangle frames.
//
// The Pentium II frame, which the MMX rows share, runs all of it under RastRoundTowardZero:
// arithmetic in double precision, results stored as f32 rounded toward zero, conversions to
// integers truncated (RastTruncIndefinite for steps). The K6-3D frame has its own single-precision
// set-up and shares the parts whose result is one rounding of an f32 sum or none: the frame kinds,
// the edge filling and the stepping.
#pragma once
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <iterator>

#include "raster/RenderMode.h"
#include "raster/SpanState.h"
#include "raster/packed/PackedConvert.h"
#include "raster/portable/RastConvert.h"

// What a frame carries besides x: the kind of one triangle routine.
enum HandFrameFlags : unsigned {
    kFrameTextured = 1,     // u and v scaled by the texture scales
    kFramePerspective = 2,  // u, v premultiplied by 1/w; 1/w carried in the edges' z
    kFrameGouraud = 4,      // intensity clamped at 1.0, scaled by 32767, carried
    kFrameDepthLinear = 8,  // vertex z scaled by 2^31 at entry and carried
    kFrameDepthRow = 16,    // a z-buffer row kept in step with the destination row
    kFrameNoTarget = 32,    // depth only: no destination row
};

// The nine kinds of triangle routine of the Pentium II and MMX groups: X(name, flags).
#define QM_HAND_FRAME_KINDS(X) \
    X(Linear, kFrameTextured) \
    X(LinearGouraud, kFrameTextured | kFrameGouraud) \
    X(FastPerspective, kFrameTextured | kFramePerspective) \
    X(FastPerspectiveGouraud, kFrameTextured | kFramePerspective | kFrameGouraud) \
    X(Zi32Linear, kFrameTextured | kFrameDepthLinear | kFrameDepthRow) \
    X(Zi32LinearGouraud, kFrameTextured | kFrameDepthLinear | kFrameDepthRow | kFrameGouraud) \
    X(Zi32FastPerspective, kFrameTextured | kFramePerspective | kFrameDepthRow) \
    X(Zi32FastPerspectiveGouraud, kFrameTextured | kFramePerspective | kFrameDepthRow | kFrameGouraud) \
    X(Zi32b15, kFrameDepthLinear | kFrameDepthRow | kFrameNoTarget)

constexpr bool HandFrameCarriesZ(unsigned f) { return (f & (kFramePerspective | kFrameDepthLinear)) != 0; }

// Adjusts one vertex in place: pixel-centre offset, texture scale (times 1/w in perspective
// frames), depth scale, intensity clamp and scale. Each vertex once per call.
template <unsigned F>
inline void HandPrepareVertex(RastVertex& v, const SpanState& st)
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

// The resources a frame and its spans reach through the state are there, and the viewport has a row.
template <unsigned F>
inline bool HandReady(const SpanState& st)
{
    if (!st.rastSetupFn || !st.rastSpanFn) return false;
    if (!(F & kFrameNoTarget) && !st.rastDestBits) return false;
    if ((F & kFrameDepthRow) && !st.rastZBits) return false;
    if ((F & kFrameTextured) && !st.rastTexBits) return false;
    if ((F & kFrameTextured) && (st.rastMode & RM_TEXTURE8) && !st.rastPalette) return false;
    return std::max(st.rastClipTop, 0) < st.rastClipBottomEnd;
}

// Fills edge e from upper vertex a to lower vertex b with set(value at a, value at b, value, step)
// for x and every value the frame carries; an edge that can only be a right edge (xOnly) gets its
// rows, x and dx/dy alone.
template <unsigned F, class Set>
inline void HandFillEdge(const RastVertex& a, const RastVertex& b, int32_t first, int32_t end, RastEdge& e,
                         bool xOnly, Set&& set)
{
    e = RastEdge{};
    e.yFirst = first;
    e.yEnd = end;
    set(a.x, b.x, e.x, e.dxdy);
    if (xOnly) return;
    if constexpr (HandFrameCarriesZ(F)) set(a.z, b.z, e.z, e.dzdy);
    if constexpr (F & kFrameTextured) {
        set(a.u, b.u, e.u, e.dudy);
        set(a.v, b.v, e.v, e.dvdy);
    }
    if constexpr (F & kFrameGouraud) set(a.shade2, b.shade2, e.shade, e.dshadedy);
}

// Edge from upper vertex a to lower vertex b, first drawn on row `first` (its values are taken on
// that row's sample line, however far below a it lies) and ending before row `end`. An edge that
// can only be a right edge (xOnly) gets its rows, x and dx/dy alone.
template <unsigned F>
inline void HandSetupEdge(const RastVertex& a, const RastVertex& b, int32_t first, int32_t end, RastEdge& e,
                          bool xOnly)
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
inline void HandGradients(const RastEdge& left, const RastEdge& right, SpanState& st)
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

inline float HandStep(float q, float dq) { return static_cast<float>(double(q) + double(dq)); }

// One row down: the left edge steps every value it carries, the right edge its x alone.
template <unsigned F>
inline void HandStepLeft(RastEdge& e)
{
    e.x = HandStep(e.x, e.dxdy);
    if constexpr (HandFrameCarriesZ(F)) e.z = HandStep(e.z, e.dzdy);
    if constexpr (F & kFrameTextured) {
        e.u = HandStep(e.u, e.dudy);
        e.v = HandStep(e.v, e.dvdy);
    }
    if constexpr (F & kFrameGouraud) e.shade = HandStep(e.shade, e.dshadedy);
}
inline void HandStepRight(RastEdge& e) { e.x = HandStep(e.x, e.dxdy); }
