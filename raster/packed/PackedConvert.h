// Conversions, the 2^31 depth scale and the rounding guard of the MMX-class rasteriser families.
#pragma once
#include <cfenv>
#include <cstdint>
#include <cstring>

// Truncation toward zero to 32 bits. A NaN, an infinity or a value whose integer part does not fit
// gives 0x80000000, as the processors' conversion does; spelt out because the compiler folds the
// conversion of an out-of-range constant to something else.
inline int32_t RastTruncIndefinite(double x)
{
    if (!(x > -2147483649.0 && x < 2147483648.0)) return INT32_MIN;
    return static_cast<int32_t>(x);
}

// Start depth of a span: a value below 0 gives 0, not a large unsigned depth; 2^31 and above (and
// NaN) give 0x80000000.
inline uint32_t RastDepthStart(double x)
{
    if (x < 0.0) return 0;
    return static_cast<uint32_t>(RastTruncIndefinite(x));
}

// x times 2^31 by adding 31 to the exponent field: exact for normal values, and 0 becomes 2^-96 as
// the routines have it. Where the field would overflow into the sign (2^97 and above, infinities,
// NaN) the product is multiplied instead, so a huge depth stays huge.
inline float RastScaleExp31(float x)
{
    uint32_t bits;
    std::memcpy(&bits, &x, sizeof bits);
    if (((bits >> 23) & 0xFF) >= 0xFF - 31) return x * 2147483648.0f;
    bits += 0x0F800000u;
    std::memcpy(&x, &bits, sizeof x);
    return x;
}

// Rounds toward zero for the lifetime of the object and gives the caller's rounding mode back on
// every exit. The triangle routines of these families run their whole call, spans included, under it.
class RastRoundTowardZero {
public:
    RastRoundTowardZero() : saved_(std::fegetround()) { std::fesetround(FE_TOWARDZERO); }
    ~RastRoundTowardZero() { std::fesetround(saved_); }
    RastRoundTowardZero(const RastRoundTowardZero&) = delete;
    RastRoundTowardZero& operator=(const RastRoundTowardZero&) = delete;

private:
    int saved_;
};
