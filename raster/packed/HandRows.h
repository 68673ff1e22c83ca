// Types that every hand-written group of rows shares: the routines of a row's frame and its span by mode.
#pragma once
#include <cstddef>

#include "raster/RenderMode.h"
#include "raster/SpanState.h"

// Slots A and B of a hand-written row.
struct HandFrameRoutines {
    RastFn triangle;
    RastFn setup;
};

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
