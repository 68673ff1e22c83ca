// Drawing into locked surfaces: copies with format conversion, fills, darkened rectangles, clipped lines,
// checkerboards.
#pragma once
#include <cstdint>

#include "graphics2d/Surface.h"

struct DrawPoint {
    int32_t x = 0;
    int32_t y = 0;
};

// Copies the source's pixels into the destination, converting them to the destination's format.
// Equal formats copy bytes (paletted and fourCC included); masked colour formats convert between
// each other and depth formats between each other. When the sizes differ only the common top-left
// rectangle is copied. Returns false with a warning for a missing surface or formats that do not convert.
bool CopySurface(CSurface& dst, const CSurface& src);

// Fills the whole surface with a raw pixel value of its depth (0 for a depth surface).
bool ClearSurface(CSurface& surface, uint32_t colour);

// Halves the colour channels of the pixels of the inclusive rectangle (clipped to the surface) `halvings`
// times, so that what is drawn over it stands out; only masked colour formats of 16 or 32 bits, others are
// refused.
bool DarkenRect(CSurface& surface, const ClipRect& rect, int halvings = 1);

// The clip rectangle intersected with the surface's bounds; false when nothing is left.
bool ClipRect_Intersect(const ClipRect& clip, const CSurface& surface, ClipRect& out);

// Draws the Bresenham line from p0 to p1 (both ends included) with a raw pixel value of the surface's
// depth (8, 16, 24 or 32 bits), keeping only pixels inside both the inclusive clip rectangle and the
// surface. Any 32-bit coordinates are accepted; the work is bounded by the clip rectangle's size.
void DrawLineClipped(CSurface& surface, DrawPoint p0, DrawPoint p1, const ClipRect& clip, uint32_t colour);

// Fills the surface with square cells alternating 0xFF000000 (the top-left cell) and 0xFFFFFFFF,
// packed in the surface's format. A cell size below 1 is refused.
bool DrawCheckerboard(CSurface& surface, int cell);
