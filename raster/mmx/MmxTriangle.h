// The MMX group's triangle routines (slot A) and set-up and scan routines (slot B), and which serves a row.
#pragma once
#include "raster/RenderMode.h"
#include "raster/SpanState.h"

// Each slot-A routine converts rastVertices in place (x, y + 0.5; u, v scaled, times 1/w in the
// perspective members; intensity clamped at 1.0 and times 32767; the depth of the linear depth
// members and of the depth-only member times 2^31), draws them as a fan around vertex 0 and calls
// rastSetupFn once per triangle that reaches the viewport rows; a triangle with a non-finite x or
// y is skipped. Each slot-B routine works only when called by its slot-A routine: it publishes
// the x gradients and calls rastSpanFn once per non-empty row. A whole call runs in double
// precision rounding toward zero; the caller's rounding mode is restored on return.
void Rast_TriangleLinearMX();
void Rast_ScanLinearMX();
void Rast_TriangleLinearGouraudMX();
void Rast_ScanLinearGouraudMX();
void Rast_TriangleFastPerspectiveMX();
void Rast_ScanFastPerspectiveMX();
void Rast_TriangleFastPerspectiveGouraudMX();
void Rast_ScanFastPerspectiveGouraudMX();

// 32-bit depth-buffered members.
void Rast_TriangleZi32LinearMX();
void Rast_ScanZi32LinearMX();
void Rast_TriangleZi32LinearGouraudMX();
void Rast_ScanZi32LinearGouraudMX();
void Rast_TriangleZi32FastPerspectiveMX();
void Rast_ScanZi32FastPerspectiveMX();
void Rast_TriangleZi32FastPerspectiveGouraudMX();
void Rast_ScanZi32FastPerspectiveGouraudMX();

// 16-bit depth only: no target row, texture or intensity.
void Rast_TriangleZi32b15MX();
void Rast_ScanZi32b15MX();

struct MmxTriangleRoutines {
    RastFn triangle;
    RastFn setup;
};

// The member serving an MMX row: chosen by the row mode's z kind, FastPerspective and Gouraudmono bits.
constexpr MmxTriangleRoutines MmxTriangleFor(RenderMode mode)
{
    if ((mode & RM_ZKIND_MASK) == RM_ZKIND_B15)
        return {&Rast_TriangleZi32b15MX, &Rast_ScanZi32b15MX};
    const bool persp = (mode & RM_PERSPECTIVE) != 0;
    const bool gouraud = (mode & RM_GOURAUDMONO) != 0;
    if (mode & RM_ZBUFFER) {
        if (persp)
            return gouraud ? MmxTriangleRoutines{&Rast_TriangleZi32FastPerspectiveGouraudMX,
                                                 &Rast_ScanZi32FastPerspectiveGouraudMX}
                           : MmxTriangleRoutines{&Rast_TriangleZi32FastPerspectiveMX, &Rast_ScanZi32FastPerspectiveMX};
        return gouraud ? MmxTriangleRoutines{&Rast_TriangleZi32LinearGouraudMX, &Rast_ScanZi32LinearGouraudMX}
                       : MmxTriangleRoutines{&Rast_TriangleZi32LinearMX, &Rast_ScanZi32LinearMX};
    }
    if (persp)
        return gouraud ? MmxTriangleRoutines{&Rast_TriangleFastPerspectiveGouraudMX, &Rast_ScanFastPerspectiveGouraudMX}
                       : MmxTriangleRoutines{&Rast_TriangleFastPerspectiveMX, &Rast_ScanFastPerspectiveMX};
    return gouraud ? MmxTriangleRoutines{&Rast_TriangleLinearGouraudMX, &Rast_ScanLinearGouraudMX}
                   : MmxTriangleRoutines{&Rast_TriangleLinearMX, &Rast_ScanLinearMX};
}
