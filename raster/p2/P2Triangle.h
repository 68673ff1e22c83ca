// The Pentium II triangle routines (slot A) and their set-up and scan entries (slot B): the frame of
// rows 205 to 309, which the MMX rows 310 to 414 share.
#pragma once
#include "raster/RenderMode.h"
#include "raster/SpanState.h"
#include "raster/packed/HandRows.h"

// Each draws the polygon in rastVertices as a fan around its first vertex, adjusting every vertex
// in place once, and calls rastSetupFn once per triangle that keeps a row in the viewport; a
// triangle with a non-finite x or y is skipped. The whole call, spans included, runs in double
// precision rounding toward zero; the caller's rounding mode is restored on return.
void Rast_TriangleLinearII();
void Rast_TriangleLinearGouraudII();
void Rast_TriangleFastPerspectiveII();
void Rast_TriangleFastPerspectiveGouraudII();
void Rast_TriangleZi32LinearII();
void Rast_TriangleZi32LinearGouraudII();
void Rast_TriangleZi32FastPerspectiveII();
void Rast_TriangleZi32FastPerspectiveGouraudII();
void Rast_TriangleZi32b15II();

// Gradients once per triangle, then the rows of both edge pairs, calling rastSpanFn for each row
// that has a pixel. Work only when called by the triangle routine of the same kind.
void Rast_SetupScanLinearII();
void Rast_SetupScanLinearGouraudII();
void Rast_SetupScanFastPerspectiveII();
void Rast_SetupScanFastPerspectiveGouraudII();
void Rast_SetupScanZi32LinearII();
void Rast_SetupScanZi32LinearGouraudII();
void Rast_SetupScanZi32FastPerspectiveII();
void Rast_SetupScanZi32FastPerspectiveGouraudII();
void Rast_SetupScanZi32b15II();

// Slots A and B of a Pentium II or MMX row's mode (the twin bit ignored): the depth-only pair, or
// by depth buffer, perspective and Gouraudmono.
#define QM_P2_FRAME_ENTRY(name, flags) HandFrameRoutines{&Rast_Triangle##name##II, &Rast_SetupScan##name##II},
constexpr HandFrameRoutines P2FrameOf(RenderMode mode)
{
    constexpr HandFrameRoutines kFrames[] = {QM_HAND_FRAME_KINDS(QM_P2_FRAME_ENTRY)};
    return kFrames[HandFrameKindOf(mode)];
}
#undef QM_P2_FRAME_ENTRY
