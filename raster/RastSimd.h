// The vector instruction level of the span routines: SSE2 on every x86-64 processor, AVX2 where present.
#pragma once

enum class RastSimd : int { Sse2 = 0, Avx2 = 1 };

// Set once from the processor (AVX2 needs the processor's flag and the system's saving of the
// 256-bit registers); read by the span routines on every run.
extern RastSimd g_rastSimd;

inline bool RastSimd_UseAvx2() { return g_rastSimd == RastSimd::Avx2; }
// What the processor offers.
RastSimd RastSimd_Available();
// Tests and benchmarks: runs the span routines at most at this level (never above the processor's);
// returns the level in use before.
RastSimd RastSimd_Limit(RastSimd level);
