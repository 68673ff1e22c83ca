// What the hand-written triangle frames share besides their cases and walk: the frame kinds, the
// resource check, the filling of an edge from each family's arithmetic, and the edge stepping, whose
// result is one rounding of an f32 sum.
#pragma once
#include <algorithm>
#include <cmath>
#include <cstdint>

#include "raster/RenderMode.h"
#include "raster/SpanState.h"
#include "raster/packed/PackedConvert.h"
#include "raster/packed/HandRows.h"
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

constexpr bool HandFrameCarriesZ(unsigned f) { return (f & (kFramePerspective | kFrameDepthLinear)) != 0; }

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
