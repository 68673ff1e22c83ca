// The vector instruction level of the hot loops (spans, panorama, frame decoder): SSE2 on every x86-64
// processor, AVX2 where present.
#pragma once

enum class SimdLevel : int { Sse2 = 0, Avx2 = 1 };

// Set once from the processor (AVX2 needs the processor's flag and the system's saving of the
// 256-bit registers); read by the loops on every call.
extern SimdLevel g_simdLevel;

inline bool Simd_UseAvx2() { return g_simdLevel == SimdLevel::Avx2; }
// What the processor offers.
SimdLevel Simd_Available();
// Tests and benchmarks: runs the loops at most at this level (never above the processor's); returns
// the level in use before.
SimdLevel Simd_Limit(SimdLevel level);
