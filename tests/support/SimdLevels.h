// Tests of the vector loops: a body run at every vector level the processor has.
#pragma once
#include <gtest/gtest.h>

#include "app/SimdLevel.h"

// f at SSE2, then at AVX2 where the processor has it; the level in use before is put back.
template <class F>
void AtEverySimdLevel(F&& f)
{
    for (SimdLevel level : {SimdLevel::Sse2, SimdLevel::Avx2}) {
        if (int(level) > int(Simd_Available())) continue;
        SCOPED_TRACE(level == SimdLevel::Avx2 ? "AVX2" : "SSE2");
        const SimdLevel before = Simd_Limit(level);
        f();
        Simd_Limit(before);
    }
}
