// The Pentium II triangle routines (slot A) and their set-up and scan entries (slot B), rows 205 to 309.
#pragma once
#include "raster/RenderMode.h"
#include "raster/SpanState.h"

// Each draws the polygon in rastVertices as a fan around its first vertex, adjusting every vertex
// in place once, and calls rastSetupFn once per triangle that keeps a row in the viewport. The
// whole call, spans included, runs in double precision rounding toward zero; the caller's rounding
// mode is restored on return.
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
// that has a pixel. Reached through rastSetupFn from the triangle routine of the same kind only.
void Rast_SetupScanLinearII();
void Rast_SetupScanLinearGouraudII();
void Rast_SetupScanFastPerspectiveII();
void Rast_SetupScanFastPerspectiveGouraudII();
void Rast_SetupScanZi32LinearII();
void Rast_SetupScanZi32LinearGouraudII();
void Rast_SetupScanZi32FastPerspectiveII();
void Rast_SetupScanZi32FastPerspectiveGouraudII();
void Rast_SetupScanZi32b15II();

struct HandFrameRoutines {
    RastFn triangle;
    RastFn setup;
};

// Slots A and B of a hand-written row's mode (the twin bit ignored): the depth-only row, or by
// depth buffer, perspective and Gouraudmono.
constexpr HandFrameRoutines P2FrameOf(RenderMode mode)
{
    mode &= ~RM_LINEAR_TWIN;
    if ((mode & RM_ZKIND_MASK) == RM_ZKIND_B15) return {&Rast_TriangleZi32b15II, &Rast_SetupScanZi32b15II};
    const bool z = mode & RM_ZBUFFER, persp = mode & RM_PERSPECTIVE, g = mode & RM_GOURAUDMONO;
    if (z) {
        if (persp)
            return g ? HandFrameRoutines{&Rast_TriangleZi32FastPerspectiveGouraudII, &Rast_SetupScanZi32FastPerspectiveGouraudII}
                     : HandFrameRoutines{&Rast_TriangleZi32FastPerspectiveII, &Rast_SetupScanZi32FastPerspectiveII};
        return g ? HandFrameRoutines{&Rast_TriangleZi32LinearGouraudII, &Rast_SetupScanZi32LinearGouraudII}
                 : HandFrameRoutines{&Rast_TriangleZi32LinearII, &Rast_SetupScanZi32LinearII};
    }
    if (persp)
        return g ? HandFrameRoutines{&Rast_TriangleFastPerspectiveGouraudII, &Rast_SetupScanFastPerspectiveGouraudII}
                 : HandFrameRoutines{&Rast_TriangleFastPerspectiveII, &Rast_SetupScanFastPerspectiveII};
    return g ? HandFrameRoutines{&Rast_TriangleLinearGouraudII, &Rast_SetupScanLinearGouraudII}
             : HandFrameRoutines{&Rast_TriangleLinearII, &Rast_SetupScanLinearII};
}
