// Portable stand-ins for the K6-3D's packed-float instructions: pair arithmetic, the reciprocal estimate and the conversions.
//
// The routines of this processor compute in single precision under the caller's rounding mode;
// nothing here reads or changes it. The packed 8- and 16-bit integer operations are the scalar
// lane form of raster/packed/PackedLanes.h, included here so that one header serves every K6-3D
// routine.
#pragma once
#include <cmath>
#include <cstdint>
#include <cstring>

#include "raster/packed/PackedLanes.h"

namespace k3d {

// One 64-bit register of two floats: lo is the lower half.
struct F32x2 {
    float lo, hi;
};

inline F32x2 PfAdd(F32x2 a, F32x2 b) { return {a.lo + b.lo, a.hi + b.hi}; }
inline F32x2 PfSub(F32x2 a, F32x2 b) { return {a.lo - b.lo, a.hi - b.hi}; }
inline F32x2 PfMul(F32x2 a, F32x2 b) { return {a.lo * b.lo, a.hi * b.hi}; }
// The halves of a summed into lo, those of b into hi.
inline F32x2 PfAcc(F32x2 a, F32x2 b) { return {a.lo + a.hi, b.lo + b.hi}; }

// A comparison's lane masks: all ones where it holds, zero where not (NaN included).
struct M32x2 {
    uint32_t lo, hi;
};
inline M32x2 PfCmpGt(F32x2 a, F32x2 b) { return {a.lo > b.lo ? ~0u : 0u, a.hi > b.hi ? ~0u : 0u}; }
inline M32x2 PfCmpGe(F32x2 a, F32x2 b) { return {a.lo >= b.lo ? ~0u : 0u, a.hi >= b.hi ? ~0u : 0u}; }

// The smaller of a and b; b when a is NaN, a when b is.
inline float PfMin(float a, float b) { return b < a || a != a ? b : a; }
inline F32x2 PfMin(F32x2 a, F32x2 b) { return {PfMin(a.lo, b.lo), PfMin(a.hi, b.hi)}; }

inline uint32_t BitsOf(float x)
{
    uint32_t b;
    std::memcpy(&b, &x, sizeof b);
    return b;
}
inline float FloatOf(uint32_t b)
{
    float x;
    std::memcpy(&x, &b, sizeof x);
    return x;
}

// The reciprocal estimate: 1/x rounded to 15 significant bits, so within 2^-15 of 1/x relative,
// below the processor's bound of 2^-14, and the same bits on every machine. Zero and denormals
// (which the processor reads as zero) give +-FLT_MAX with the sign of x, an infinity gives a
// zero of its sign, a result below the normal range a signed zero, NaN stays NaN.
inline float RcpEstimate(float x)
{
    const uint32_t b = BitsOf(x);
    const uint32_t sign = b & 0x80000000u, mag = b & 0x7FFFFFFFu;
    if (mag > 0x7F800000u) return x;
    if (mag < 0x00800000u) return FloatOf(sign | 0x7F7FFFFFu);
    if (mag == 0x7F800000u) return FloatOf(sign);
    double r = 1.0 / double(FloatOf(mag));
    uint64_t rb;
    std::memcpy(&rb, &r, sizeof rb);
    // Keep 14 of the 52 fraction bits, rounding to nearest; a carry moves into the exponent.
    constexpr int kDrop = 52 - 14;
    rb = (rb + (uint64_t(1) << (kDrop - 1))) & ~((uint64_t(1) << kDrop) - 1);
    std::memcpy(&r, &rb, sizeof r);
    if (r < 1.17549435e-38) return FloatOf(sign);
    return FloatOf(BitsOf(float(r)) | sign);
}
// The estimate in both halves, as the instruction leaves it.
inline F32x2 PfRcp(float x)
{
    const float r = RcpEstimate(x);
    return {r, r};
}

// Float to 32-bit integer, truncating toward zero and saturating at the 32-bit limits; NaN gives
// 0x80000000.
inline int32_t Pf2Id(float x)
{
    if (x != x) return INT32_MIN;
    if (x >= 2147483648.0f) return INT32_MAX;
    if (x <= -2147483648.0f) return INT32_MIN;
    return static_cast<int32_t>(x);
}

// 32-bit integer to float, rounded to nearest.
inline float Pi2Fd(int32_t i) { return static_cast<float>(i); }

}  // namespace k3d
