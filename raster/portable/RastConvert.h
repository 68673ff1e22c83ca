// Float-to-integer conversions with defined results for every input, shared by all rasteriser families.
#pragma once
#include <cstdint>

#include "app/FloatToInt.h"

// Truncation toward zero, saturated to the int32 range; NaN gives 0. For pixel rows and columns.
inline int32_t RastTruncSat(double x) { return Orv_TruncSat(x); }

// Truncation toward zero, kept modulo 2^32 (the 32-bit register result of in-range values).
// Texture coordinates wrap this way; NaN, infinities and magnitudes of 2^63 or more give 0.
inline uint32_t RastTruncWrap(double x)
{
    if (!(x > -9.2e18 && x < 9.2e18)) return 0;
    return static_cast<uint32_t>(static_cast<uint64_t>(static_cast<int64_t>(x)));
}

// A 32-bit z-buffer value: truncation toward zero clamped to 0..2^32-1; NaN gives 0.
inline uint32_t RastTruncDepth(double x)
{
    if (!(x > 0.0)) return 0;
    if (x >= 4294967295.0) return 0xFFFFFFFFu;
    return static_cast<uint32_t>(x);
}
