// The span routines that the Pentium II and MMX rows share: the two-lane walker with their arithmetic.
#include "raster/p2/HandSpans.h"

#include "raster/p2/MxSpanPolicy.h"
#include "raster/packed/TwoLaneSpan.h"

namespace {
using Policy = MxSpanPolicy<packed::Lane4>;
}  // namespace

void Span_Zi32b15AsmMMX3() { HandSpanDepth16<Policy>(); }

#define QM_DEFINE_HAND_SPAN(index, name, mode) \
    void Span_##name() { HandModeSpan<Policy, mode>(); }
QM_HAND_TEXTURED_SPANS(QM_DEFINE_HAND_SPAN)
#undef QM_DEFINE_HAND_SPAN
