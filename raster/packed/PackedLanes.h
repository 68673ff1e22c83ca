// Packed 16-bit lane and byte arithmetic on spread pixels: a scalar form and an SSE2 form.
//
// A spread pixel is one 32-bit element: lane 0 (the low half) holds red and blue in place, lane 1
// (the high half) holds green in place. The scalar form holds one element and is the reference;
// the SSE2 form holds four and must give the same bits, element for element. Blends are written
// once, as templates over the two forms.
#pragma once
#include <cstdint>

#include <emmintrin.h>

namespace packed {

// ---- Scalar reference: one element ----

struct Lane1 {
    static constexpr int kWidth = 1;
    uint32_t v;
};

inline uint16_t LoOf(uint32_t x) { return static_cast<uint16_t>(x); }
inline uint16_t HiOf(uint32_t x) { return static_cast<uint16_t>(x >> 16); }
inline uint32_t Join(uint32_t hi, uint32_t lo) { return (hi << 16) | (lo & 0xFFFF); }

// Each 16-bit lane of a and b through f.
template <class F>
inline Lane1 PerLane(Lane1 a, Lane1 b, F f)
{
    return {Join(f(HiOf(a.v), HiOf(b.v)) & 0xFFFF, f(LoOf(a.v), LoOf(b.v)) & 0xFFFF)};
}
// Each byte of a and b through f.
template <class F>
inline Lane1 PerByte(Lane1 a, Lane1 b, F f)
{
    uint32_t r = 0;
    for (int i = 0; i < 32; i += 8) r |= (f((a.v >> i) & 0xFF, (b.v >> i) & 0xFF) & 0xFFu) << i;
    return {r};
}

inline Lane1 Splat(Lane1, uint32_t x) { return {x}; }
inline Lane1 operator&(Lane1 a, Lane1 b) { return {a.v & b.v}; }
inline Lane1 operator|(Lane1 a, Lane1 b) { return {a.v | b.v}; }
template <int N> inline Lane1 Shl32(Lane1 a) { return {a.v << N}; }
template <int N> inline Lane1 Shr32(Lane1 a) { return {a.v >> N}; }
template <int N> inline Lane1 SrlW(Lane1 a) { return PerLane(a, a, [](uint32_t x, uint32_t) { return x >> N; }); }
template <int N> inline Lane1 SraW(Lane1 a)
{
    return PerLane(a, a, [](uint32_t x, uint32_t) { return uint32_t(int32_t(int16_t(uint16_t(x))) >> N); });
}
inline Lane1 AddW(Lane1 a, Lane1 b) { return PerLane(a, b, [](uint32_t x, uint32_t y) { return x + y; }); }
inline Lane1 SubW(Lane1 a, Lane1 b) { return PerLane(a, b, [](uint32_t x, uint32_t y) { return x - y; }); }
inline Lane1 MulLoW(Lane1 a, Lane1 b) { return PerLane(a, b, [](uint32_t x, uint32_t y) { return x * y; }); }
inline Lane1 AddUsW(Lane1 a, Lane1 b)
{
    return PerLane(a, b, [](uint32_t x, uint32_t y) { return x + y > 0xFFFF ? 0xFFFFu : x + y; });
}
inline Lane1 SubUsW(Lane1 a, Lane1 b) { return PerLane(a, b, [](uint32_t x, uint32_t y) { return x > y ? x - y : 0u; }); }
inline Lane1 AddUsB(Lane1 a, Lane1 b)
{
    return PerByte(a, b, [](uint32_t x, uint32_t y) { return x + y > 0xFF ? 0xFFu : x + y; });
}
inline Lane1 SubUsB(Lane1 a, Lane1 b) { return PerByte(a, b, [](uint32_t x, uint32_t y) { return x > y ? x - y : 0u; }); }

// Pixel p as (p << 16) | p; a whole pixel (or a per-pixel factor) in both lanes.
inline Lane1 LoadDup(Lane1, const uint16_t* p) { return {Join(p[0], p[0])}; }
// Elements as they are: a per-pixel pair of lane values (lane 1 high, lane 0 low).
inline Lane1 Load(Lane1, const uint32_t* p) { return {p[0]}; }
// Lane 0 OR lane 1 back into one 16-bit pixel (the lanes hold disjoint channels).
inline void StorePixels(Lane1 r, uint16_t* out) { out[0] = static_cast<uint16_t>(LoOf(r.v) | HiOf(r.v)); }

// ---- SSE2: four elements ----

struct Lane4 {
    static constexpr int kWidth = 4;
    __m128i v;
};

inline Lane4 Splat(Lane4, uint32_t x) { return {_mm_set1_epi32(static_cast<int>(x))}; }
inline Lane4 operator&(Lane4 a, Lane4 b) { return {_mm_and_si128(a.v, b.v)}; }
inline Lane4 operator|(Lane4 a, Lane4 b) { return {_mm_or_si128(a.v, b.v)}; }
template <int N> inline Lane4 Shl32(Lane4 a) { return {_mm_slli_epi32(a.v, N)}; }
template <int N> inline Lane4 Shr32(Lane4 a) { return {_mm_srli_epi32(a.v, N)}; }
template <int N> inline Lane4 SrlW(Lane4 a) { return {_mm_srli_epi16(a.v, N)}; }
template <int N> inline Lane4 SraW(Lane4 a) { return {_mm_srai_epi16(a.v, N)}; }
inline Lane4 AddW(Lane4 a, Lane4 b) { return {_mm_add_epi16(a.v, b.v)}; }
inline Lane4 SubW(Lane4 a, Lane4 b) { return {_mm_sub_epi16(a.v, b.v)}; }
inline Lane4 MulLoW(Lane4 a, Lane4 b) { return {_mm_mullo_epi16(a.v, b.v)}; }
inline Lane4 AddUsW(Lane4 a, Lane4 b) { return {_mm_adds_epu16(a.v, b.v)}; }
inline Lane4 SubUsW(Lane4 a, Lane4 b) { return {_mm_subs_epu16(a.v, b.v)}; }
inline Lane4 AddUsB(Lane4 a, Lane4 b) { return {_mm_adds_epu8(a.v, b.v)}; }
inline Lane4 SubUsB(Lane4 a, Lane4 b) { return {_mm_subs_epu8(a.v, b.v)}; }

inline Lane4 LoadDup(Lane4, const uint16_t* p)
{
    const __m128i x = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(p));
    return {_mm_unpacklo_epi16(x, x)};
}
inline Lane4 Load(Lane4, const uint32_t* p) { return {_mm_loadu_si128(reinterpret_cast<const __m128i*>(p))}; }
inline void StorePixels(Lane4 r, uint16_t* out)
{
    __m128i x = _mm_or_si128(r.v, _mm_srli_epi32(r.v, 16));
    // Sign-extend the low halves so that the signed pack keeps their bits.
    x = _mm_srai_epi32(_mm_slli_epi32(x, 16), 16);
    _mm_storel_epi64(reinterpret_cast<__m128i*>(out), _mm_packs_epi32(x, x));
}

}  // namespace packed
