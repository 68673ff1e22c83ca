// The K6-3D span routines: the shared two-lane walker instantiated per row with the K6-3D arithmetic.
#include "raster/k63d/K63DSpans.h"

#include "raster/k63d/K63DSpanPolicy.h"
#include "raster/packed/TwoLaneSpan.h"

namespace {
using Policy = K63DSpanPolicy<packed::Lane4>;
}  // namespace

void Span_Zi32b15AsmMMX3K63D() { HandSpanDepth16<Policy>(); }

#define QM_DEFINE_K63D_SPAN(index, name, mode) \
    void Span_##name() { HandModeSpan<Policy, mode>(); }
QM_K63D_TEXTURED_SPANS(QM_DEFINE_K63D_SPAN)
#undef QM_DEFINE_K63D_SPAN
