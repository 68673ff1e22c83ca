// Float-to-integer conversions with a defined result for every input, shared by every module.
#pragma once
#include <cstdint>

// Truncation toward zero, saturated to the int32 range; NaN gives 0.
inline int32_t Orv_TruncSat(double x) {
    if (!(x == x)) return 0;
    if (x >= 2147483647.0) return INT32_MAX;
    if (x <= -2147483648.0) return INT32_MIN;
    return static_cast<int32_t>(x);
}

// Nearest integer (halves away from zero), saturated to the int32 range; NaN gives 0.
inline int32_t Orv_RoundSat(double x) { return Orv_TruncSat(x >= 0.0 ? x + 0.5 : x - 0.5); }
