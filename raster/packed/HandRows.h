// Types that every hand-written group of rows shares: the kinds and routines of a row's frame and its span by mode.
#pragma once
#include <cstddef>

#include "raster/RenderMode.h"
#include "raster/SpanState.h"

// Slots A and B of a hand-written row.
struct HandFrameRoutines {
    RastFn triangle;
    RastFn setup;
};

// The nine kinds of triangle routine of every hand-written group: X(name, flags), the flags
// being HandFrameFlags (HandFrame.h).
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

// The kind of a row's mode (the twin bit ignored), as an index into QM_HAND_FRAME_KINDS: the
// depth-only kind, or by depth buffer, perspective and Gouraudmono.
constexpr int HandFrameKindOf(RenderMode mode)
{
    if ((mode & RM_ZKIND_MASK) == RM_ZKIND_B15) return 8;
    return ((mode & RM_ZBUFFER) ? 4 : 0) + ((mode & RM_PERSPECTIVE) ? 2 : 0) + ((mode & RM_GOURAUDMONO) ? 1 : 0);
}

// A span routine with the mode word of its row.
struct HandSpanEntry {
    RenderMode mode;
    RastFn span;
    const char* name;
};

// The span of a mode in a list (the twin bit ignored); null for a mode the list lacks.
template <size_t N>
constexpr RastFn SpanOfMode(const HandSpanEntry (&spans)[N], RenderMode mode)
{
    for (const HandSpanEntry& e : spans)
        if ((e.mode & ~RM_LINEAR_TWIN) == (mode & ~RM_LINEAR_TWIN)) return e.span;
    return nullptr;
}
