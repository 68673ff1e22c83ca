// CTWarpRasterizer: the panorama's triangle, setup and span routines and their set-up through rastState.
#pragma once
#include <cstdint>

#include "graphics2d/Surface.h"
#include "raster/SpanState.h"

// The panorama's routines, published in rastState like the rows of every other rasteriser. The
// polygon in rastVertices has x, y in pixels (centres at half-integers), z = 1/w, u and v normalised
// over the face. Texel coordinates are clamped to the face rather than wrapped, so that no edge of a
// face ever shows texels of its opposite edge.
void WarpRast_Triangle();
void WarpRast_Setup();
void WarpRast_Span();

class CTWarpRasterizer {
public:
    CTWarpRasterizer();

    // Routine set for a processor kind; one portable set serves every kind.
    void SetProcessor(int kind);
    // Destination: a locked 16-bit surface; the viewport becomes the whole surface. Anything else is
    // refused with a warning and nothing is drawn until a good target is set.
    bool SetTarget(CSurface* surface);
    // Inclusive rectangle, limited to the destination.
    void SetViewport(const ClipRect& rect);
    // A face picture: locked, 16-bit, sides powers of two up to 4096, rows of exactly its width.
    bool SetTexture(const CSurface* face);
    // Publishes destination, viewport and routines into rastState; every scene calls it again
    // because the record is shared with the other rasterisers.
    void BeginScene();
    // Draws the convex polygon of rastState.rastVertices up to rastVertexEnd (consumed).
    void DrawPolygon();

    bool HasTarget() const { return target_ != nullptr; }
    const char* RoutineName() const { return "warp_portable"; }

private:
    CSurface* target_ = nullptr;
    ClipRect viewport_{0, -1, -1, 0};
    bool textureOk_ = false;
};
