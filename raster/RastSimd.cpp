// The vector instruction level of the span routines, detected once at start-up.
#include "raster/RastSimd.h"

RastSimd RastSimd_Available()
{
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2") ? RastSimd::Avx2 : RastSimd::Sse2;
}

// Before this initialiser runs the level reads as SSE2, which every processor has.
RastSimd g_rastSimd = RastSimd_Available();

RastSimd RastSimd_Limit(RastSimd level)
{
    const RastSimd before = g_rastSimd;
    const RastSimd top = RastSimd_Available();
    g_rastSimd = int(level) < int(top) ? level : top;
    return before;
}
