// The thirteen blend operations of the MMX-class families on spread pixels, in either lane form.
//
// Green is computed with 16-bit lane arithmetic on lane 1, red and blue with byte arithmetic on
// lane 0, so that unsigned saturating byte operations saturate blue and red each in its own byte.
// The fill sets the bits just above each channel: a carry out of a channel saturates its byte or
// lane to all ones, which the channel mask turns into the channel's maximum.
#pragma once
#include <cstdint>

#include "raster/packed/PackedLanes.h"
#include "raster/portable/SpanKernel.h"

// The variant the portable family lacks: Add of the lit texel. Variants 0..11 are SpanVariant's.
inline constexpr int kSpanAddShade = kSpanVariants;
inline constexpr int kHandVariants = kSpanVariants + 1;

constexpr bool HandVariantShaded(int v) { return SpanVariantShaded(v) || v == kSpanAddShade; }
// Variants whose pixel depends on the destination.
constexpr bool HandVariantBlends(int v) { return v >= kSpanAdd; }

// The blend inputs that are the same for every pixel of a span.
struct SpreadConsts {
    uint32_t mask;     // channel mask: red-blue in the low half, green in the high half
    uint32_t fill;     // saturation fill
    uint32_t factorA;  // green weight in lane 1 (1/16 for AddVar and the SubVar blends, 1/32 for VarGouraudmono)
    uint32_t factorB;  // blue weight in lane 0, red weight in lane 1
};

inline SpreadConsts SpreadConstsOf(uint32_t channelMask, uint32_t fill, uint16_t weightR, uint16_t weightG,
                                   uint16_t weightB)
{
    return {channelMask, fill, packed::Join(weightG, weightG), packed::Join(weightR, weightB)};
}

template <class Vec>
struct SpreadLanes {
    Vec mask, maskLo, maskHi, fill, factorA, factorB;
    explicit SpreadLanes(const SpreadConsts& c)
        : mask(Splat(Vec{}, c.mask)),
          maskLo(Splat(Vec{}, c.mask & 0xFFFF)),
          maskHi(Splat(Vec{}, c.mask & 0xFFFF0000u)),
          fill(Splat(Vec{}, c.fill)),
          factorA(Splat(Vec{}, c.factorA)),
          factorB(Splat(Vec{}, c.factorB))
    {
    }
};

// The Pentium II and MMX AddVar green: the destination pixel (all 16 bits, so its blue acts as a
// fraction below green) OR the fill, plus (green x a) >> 4, with unsigned saturation.
struct AddVarGreenMx {
    template <class Vec>
    static Vec Green(const Vec& Dw, const Vec& T, const SpreadLanes<Vec>& k)
    {
        return AddUsW(Dw | k.fill, SrlW<4>(MulLoW(T, k.factorA)));
    }
};

// The texel lit by a level l (0..31, in both lanes): each channel times l / 32; 5-5-5 red loses its
// lowest bit, ((R >> 1) x l) >> 4.
template <class Vec>
inline Vec SpreadLit(const Vec& T, const Vec& l, const SpreadLanes<Vec>& k)
{
    const Vec g = SrlW<5>(MulLoW(T, l));
    const Vec rb = Shr32<10>(MulLoW(Shl32<5>(T), l));
    return (rb & k.maskLo) | (g & k.maskHi);
}

namespace spread_detail {

// Red and blue of a Var-scaled source in lane 0: ((channel x factor) >> 5) AND 31, doubled with
// unsigned byte saturation.
template <class Vec>
inline Vec VarRedBlue(const Vec& T, const SpreadLanes<Vec>& k)
{
    const Vec x = Shr32<10>(MulLoW(Shl32<5>(T), k.factorB)) & k.maskLo;
    return AddUsB(x, x);
}

// The Var-scaled source of the SubVar blends, saturated against the fill.
template <class Vec>
inline Vec VarSource(const Vec& T, const SpreadLanes<Vec>& k)
{
    const Vec g = AddUsW(SrlW<4>(MulLoW(T, k.factorA)), k.fill);
    return (AddUsB(VarRedBlue(T, k), k.fill) & k.maskLo) | (g & k.maskHi);
}

template <class Vec>
inline Vec SatSub(const Vec& a, const Vec& b, const SpreadLanes<Vec>& k)
{
    return (SubUsB(a, b) & k.maskLo) | (SubUsW(a, b) & k.maskHi);
}

}  // namespace spread_detail

// The new spread pixel of blend V (kSpanAdd and up; VarKeyShade blends as VarShade, AddShade as
// Add) from the spread source S (texel, palette colour or lit texel), the spread destination D and
// the destination pixel in both lanes Dw.
template <int V, class AddVarGreen = AddVarGreenMx, class Vec>
inline Vec SpreadBlend(const Vec& S, const Vec& D, const Vec& Dw, const SpreadLanes<Vec>& k)
{
    using namespace spread_detail;
    if constexpr (V == kSpanAdd || V == kSpanAddShade) {
        const Vec s = S | k.fill;
        return (AddUsB(s, D) & k.maskLo) | (AddUsW(s, D) & k.maskHi);
    } else if constexpr (V == kSpanSrcSubDest) {
        return SatSub(S, D, k);
    } else if constexpr (V == kSpanDestSubSrc) {
        return SatSub(D, S, k);
    } else if constexpr (V == kSpanAddVar) {
        const Vec rb = AddUsB(VarRedBlue(S, k), D | k.fill);
        return (rb & k.maskLo) | (AddVarGreen::Green(Dw, S, k) & k.maskHi);
    } else if constexpr (V == kSpanSrcSubDestVar) {
        return SatSub(VarSource(S, k), D, k);
    } else if constexpr (V == kSpanDestSubSrcVar) {
        return SatSub(D, VarSource(S, k), k);
    } else {
        static_assert(V == kSpanVarShade || V == kSpanVarKeyShade);
        // D + floor((S - D) x weight / 32) per channel, all in wrapping 16-bit lanes.
        const Vec g = SraW<5>(AddW(MulLoW(SubW(S, D), k.factorA), Shl32<5>(D)));
        const Vec S5 = Shl32<5>(S), D5 = Shl32<5>(D);
        const Vec rb = Shr32<5>(AddW(SraW<5>(MulLoW(SubW(S5, D5), k.factorB)), D5));
        return (rb & k.maskLo) | (g & k.maskHi);
    }
}
