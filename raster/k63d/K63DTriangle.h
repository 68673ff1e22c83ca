// The K6-3D triangle routines (slot A) and their set-up and scan routines (slot B), rows 100 to 204.
#pragma once
#include "raster/RenderMode.h"
#include "raster/SpanState.h"
#include "raster/packed/HandRows.h"

// Each slot-A routine converts rastVertices in place once per vertex (x, y + 0.5; u, v times the
// texture scales, and times 1/w in the FastPerspective members; the intensity min(i, 1) x 32767 in
// the Gouraud members; the depth times 2^31 in the linear depth members and the depth-only one),
// draws them as a fan around vertex 0 and calls rastSetupFn once per triangle that keeps a row of
// the viewport; a triangle with a non-finite x or y is skipped. Everything is single precision
// with the reciprocal estimate in place of every division; the rounding mode is the caller's and
// is left alone. Each slot-B routine works only when called by its slot-A routine: it publishes the
// gradients and calls rastSpanFn once per row with a pixel.
void Rast_TriangleLinearK63D();
void Rast_SetupScanLinearK63D();
void Rast_TriangleLinearGouraudK63D();
void Rast_SetupScanLinearGouraudK63D();
void Rast_TriangleFastPerspectiveK63D();
void Rast_SetupScanFastPerspectiveK63D();
void Rast_TriangleFastPerspectiveGouraudK63D();
void Rast_SetupScanFastPerspectiveGouraudK63D();
void Rast_TriangleZi32LinearK63D();
void Rast_SetupScanZi32LinearK63D();
void Rast_TriangleZi32LinearGouraudK63D();
void Rast_SetupScanZi32LinearGouraudK63D();
void Rast_TriangleZi32FastPerspectiveK63D();
void Rast_SetupScanZi32FastPerspectiveK63D();
void Rast_TriangleZi32FastPerspectiveGouraudK63D();
void Rast_SetupScanZi32FastPerspectiveGouraudK63D();
// The depth-only row: a 16-bit depth buffer, no destination, texture or intensity.
void Rast_TriangleZi32b15K63D();
void Rast_SetupScanZi32b15K63D();

// Slots A and B of a K6-3D row's mode (the twin bit ignored): the depth-only pair, or by depth
// buffer, FastPerspective and Gouraudmono.
#define QM_K63D_FRAME_ENTRY(name, flags) HandFrameRoutines{&Rast_Triangle##name##K63D, &Rast_SetupScan##name##K63D},
constexpr HandFrameRoutines K63DFrameOf(RenderMode mode)
{
    constexpr HandFrameRoutines kFrames[] = {QM_HAND_FRAME_KINDS(QM_K63D_FRAME_ENTRY)};
    return kFrames[HandFrameKindOf(mode)];
}
#undef QM_K63D_FRAME_ENTRY
