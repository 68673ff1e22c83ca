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

// A region of code compiled for AVX2 whatever the build's target (its functions, lambdas and the
// templates instantiated from it), entered only after Simd_UseAvx2().
#if defined(__clang__)
#define QM_AVX2_BEGIN _Pragma("clang attribute push(__attribute__((target(\"avx2\"))), apply_to = function)")
#define QM_AVX2_END _Pragma("clang attribute pop")
#else
#define QM_AVX2_BEGIN _Pragma("GCC push_options") _Pragma("GCC target(\"avx2\")")
#define QM_AVX2_END _Pragma("GCC pop_options")
#endif
