// The vector instruction level of the hot loops, detected once at start-up.
#include "app/SimdLevel.h"

SimdLevel Simd_Available()
{
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2") ? SimdLevel::Avx2 : SimdLevel::Sse2;
}

// Before this initialiser runs the level reads as SSE2, which every processor has.
SimdLevel g_simdLevel = Simd_Available();

SimdLevel Simd_Limit(SimdLevel level)
{
    const SimdLevel before = g_simdLevel;
    const SimdLevel top = Simd_Available();
    g_simdLevel = int(level) < int(top) ? level : top;
    return before;
}
