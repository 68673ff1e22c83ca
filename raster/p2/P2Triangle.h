// The Pentium II triangle routines (slot A) and their set-up and scan entries (slot B), rows 205 to
// 309, and the MMX rows' named entries (rows 310 to 414) over the same frame.
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

// The MMX rows' slot A and slot B: the Pentium II routine of the same kind under the MMX row's own
// name, so that the table and a profile tell the two groups apart.
void Rast_TriangleLinearMX();
void Rast_TriangleLinearGouraudMX();
void Rast_TriangleFastPerspectiveMX();
void Rast_TriangleFastPerspectiveGouraudMX();
void Rast_TriangleZi32LinearMX();
void Rast_TriangleZi32LinearGouraudMX();
void Rast_TriangleZi32FastPerspectiveMX();
void Rast_TriangleZi32FastPerspectiveGouraudMX();
void Rast_TriangleZi32b15MX();

void Rast_ScanLinearMX();
void Rast_ScanLinearGouraudMX();
void Rast_ScanFastPerspectiveMX();
void Rast_ScanFastPerspectiveGouraudMX();
void Rast_ScanZi32LinearMX();
void Rast_ScanZi32LinearGouraudMX();
void Rast_ScanZi32FastPerspectiveMX();
void Rast_ScanZi32FastPerspectiveGouraudMX();
void Rast_ScanZi32b15MX();

// Slots A and B of a Pentium II or MMX row's mode (the twin bit ignored): the depth-only pair, or
// by depth buffer, perspective and Gouraudmono.
#define QM_P2_FRAME_ENTRY(name, flags) HandFrameRoutines{&Rast_Triangle##name##II, &Rast_SetupScan##name##II},
constexpr HandFrameRoutines P2FrameOf(RenderMode mode)
{
    constexpr HandFrameRoutines kFrames[] = {QM_HAND_FRAME_KINDS(QM_P2_FRAME_ENTRY)};
    return kFrames[HandFrameKindOf(mode)];
}
#undef QM_P2_FRAME_ENTRY
#define QM_MX_FRAME_ENTRY(name, flags) HandFrameRoutines{&Rast_Triangle##name##MX, &Rast_Scan##name##MX},
constexpr HandFrameRoutines MxFrameOf(RenderMode mode)
{
    constexpr HandFrameRoutines kFrames[] = {QM_HAND_FRAME_KINDS(QM_MX_FRAME_ENTRY)};
    return kFrames[HandFrameKindOf(mode)];
}
#undef QM_MX_FRAME_ENTRY
