// Eight pixels at a time: the vector loop of a run of span pixels, shared by every family, with SSE2.
//
// A run is drawn in groups of eight pixels. The loop does what every family does alike: the texture
// coordinates, texel addresses and depths of the group's pixels, the depth test (pass when the depth
// is at least the stored one, unsigned), the texel fetch, the colour-key test, the write of the new
// pixels and, where the family's variant stores depth, of the depths. A family supplies the colour
// of a group as a class C:
//   static constexpr bool kZ, kWritesZ, kTex8, kKeyed, kReadsDest
//   bool keyLive; uint16_t key       the key test (off when no texel can equal the key)
//   __m128i Pixels(__m128i T, __m128i D)   the new pixels from the texels (8-bit indices or 16-bit
//                                          texels, one per 16-bit lane) and the destination
//   void Step()                            on to the next group (intensities)
// Pixels left alone (depth test, key) keep their destination pixel and depth; which texels are
// fetched for them is not observable, since every address lies inside the texture's block.
// The last group of a run, when partial, is drawn on a copy of its pixels.
#pragma once
#include <emmintrin.h>

#include <cstdint>
#include <cstring>

// Pixel i of a run has u = U + (i & 1) dU + (i >> 1) dU2 and likewise v (modulo 2^32): the
// two-lane walk of the MMX-class families, and the one-lane walk of the portable rows with
// dU2 = 2 dU.
struct GroupWalk {
    uint32_t U, V, dU, dV, dU2, dV2;
};

// What the loop reads besides the walk: the texture's addressing and the depth step.
struct GroupTexture {
    const uint8_t* tex;
    uint32_t maskLo, maskHi, shift;
    uint32_t dz;
};

// The group loops' helpers are inlined into both loops, the AVX2 one included: a call per group would
// cost more than the work.
#define QM_GROUP_INLINE inline __attribute__((always_inline))

namespace span_groups {

inline constexpr int kGroup = 8;

QM_GROUP_INLINE __m128i Select(__m128i m, __m128i a, __m128i b) { return _mm_or_si128(_mm_and_si128(m, a), _mm_andnot_si128(m, b)); }

// 32-bit depths carry 2^31 added, so that signed comparisons order them as unsigned ones.
inline __m128i Bias() { return _mm_set1_epi32(int(0x80000000u)); }

QM_GROUP_INLINE uint32_t Texel16(const uint8_t* tex, uint32_t i)
{
    uint16_t t;
    std::memcpy(&t, tex + size_t(i) * 2, 2);
    return t;
}

// Eight texels of the addresses in id, one per 16-bit lane.
template <bool kTex8>
QM_GROUP_INLINE __m128i Gather(const uint8_t* tex, const uint32_t* id)
{
    auto at = [&](int k) { return int(kTex8 ? tex[id[k]] : Texel16(tex, id[k])); };
    __m128i a = _mm_cvtsi32_si128(at(0)), b = _mm_cvtsi32_si128(at(4));
    a = _mm_insert_epi16(a, at(1), 1), b = _mm_insert_epi16(b, at(5), 1);
    a = _mm_insert_epi16(a, at(2), 2), b = _mm_insert_epi16(b, at(6), 2);
    a = _mm_insert_epi16(a, at(3), 3), b = _mm_insert_epi16(b, at(7), 3);
    return _mm_unpacklo_epi64(a, b);
}

// table[i] for each 16-bit lane i.
QM_GROUP_INLINE __m128i Lookup(const uint16_t* table, __m128i index)
{
    alignas(16) uint16_t i[kGroup];
    _mm_store_si128(reinterpret_cast<__m128i*>(i), index);
    uint64_t lo = 0, hi = 0;
    for (int k = 0; k < 4; ++k) {
        lo |= uint64_t(table[i[k]]) << (16 * k);
        hi |= uint64_t(table[i[k + 4]]) << (16 * k);
    }
    return _mm_set_epi64x(int64_t(hi), int64_t(lo));
}

// The coordinates and depths of the current group in two halves of four pixels.
struct Sse2Walk {
    __m128i u0, u1, v0, v1, du, dv;
    __m128i z0, z1, dz;

    Sse2Walk(const GroupWalk& w, uint32_t z, uint32_t dzPixel)
    {
        u0 = _mm_setr_epi32(int(w.U), int(w.U + w.dU), int(w.U + w.dU2), int(w.U + w.dU + w.dU2));
        v0 = _mm_setr_epi32(int(w.V), int(w.V + w.dV), int(w.V + w.dV2), int(w.V + w.dV + w.dV2));
        const __m128i two = _mm_set1_epi32(int(2 * w.dU2)), twoV = _mm_set1_epi32(int(2 * w.dV2));
        u1 = _mm_add_epi32(u0, two);
        v1 = _mm_add_epi32(v0, twoV);
        du = _mm_add_epi32(two, two);
        dv = _mm_add_epi32(twoV, twoV);
        const uint32_t zb = z ^ 0x80000000u;
        z0 = _mm_setr_epi32(int(zb), int(zb + dzPixel), int(zb + 2 * dzPixel), int(zb + 3 * dzPixel));
        z1 = _mm_add_epi32(z0, _mm_set1_epi32(int(4 * dzPixel)));
        dz = _mm_set1_epi32(int(8 * dzPixel));
    }
    void Step()
    {
        u0 = _mm_add_epi32(u0, du), u1 = _mm_add_epi32(u1, du);
        v0 = _mm_add_epi32(v0, dv), v1 = _mm_add_epi32(v1, dv);
        z0 = _mm_add_epi32(z0, dz), z1 = _mm_add_epi32(z1, dz);
    }
};

struct Sse2Addressing {
    __m128i lo, hi, shift;
    explicit Sse2Addressing(const GroupTexture& g)
        : lo(_mm_set1_epi32(int(g.maskLo))), hi(_mm_set1_epi32(int(g.maskHi))), shift(_mm_cvtsi32_si128(int(g.shift)))
    {
    }
    // A shift of 32 or more (a one-texel texture) gives index 0, as the scalar form does.
    __m128i Index(__m128i u, __m128i v) const
    {
        return _mm_srl_epi32(_mm_or_si128(_mm_and_si128(v, hi), _mm_and_si128(u, lo)), shift);
    }
};

// The new pixels of a group where pass is set; the destination is read only when needed.
template <class C>
QM_GROUP_INLINE void StorePixels(const C& col, __m128i T, __m128i pass, bool whole, uint16_t* dst)
{
    __m128i* p = reinterpret_cast<__m128i*>(dst);
    if (whole && !C::kReadsDest) {
        _mm_storeu_si128(p, col.Pixels(T, _mm_setzero_si128()));
        return;
    }
    const __m128i D = _mm_loadu_si128(p);
    const __m128i out = col.Pixels(T, D);
    _mm_storeu_si128(p, whole ? out : Select(pass, out, D));
}

// One group of eight pixels at dst (and zrow).
template <class C>
inline void Sse2Group(C& col, const GroupTexture& g, const Sse2Addressing& a, Sse2Walk& w, uint16_t* dst,
                      uint32_t* zrow)
{
    __m128i pass = _mm_set1_epi32(-1), zs0 = _mm_setzero_si128(), zs1 = _mm_setzero_si128();
    if constexpr (C::kZ) {
        zs0 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(zrow));
        zs1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(zrow + 4));
        const __m128i f0 = _mm_cmpgt_epi32(_mm_xor_si128(zs0, Bias()), w.z0);
        const __m128i f1 = _mm_cmpgt_epi32(_mm_xor_si128(zs1, Bias()), w.z1);
        const __m128i fail = _mm_packs_epi32(f0, f1);
        if (_mm_movemask_epi8(fail) == 0xFFFF) return;
        pass = _mm_andnot_si128(fail, pass);
    }
    alignas(16) uint32_t id[kGroup];
    _mm_store_si128(reinterpret_cast<__m128i*>(id), a.Index(w.u0, w.v0));
    _mm_store_si128(reinterpret_cast<__m128i*>(id + 4), a.Index(w.u1, w.v1));
    const __m128i T = Gather<C::kTex8>(g.tex, id);
    if constexpr (C::kKeyed) {
        if (col.keyLive) {
            pass = _mm_andnot_si128(_mm_cmpeq_epi16(T, _mm_set1_epi16(int16_t(col.key))), pass);
            if (_mm_movemask_epi8(pass) == 0) return;
        }
    }
    const bool whole = _mm_movemask_epi8(pass) == 0xFFFF;
    StorePixels<C>(col, T, pass, whole, dst);
    if constexpr (C::kWritesZ) {
        __m128i z0 = _mm_xor_si128(w.z0, Bias()), z1 = _mm_xor_si128(w.z1, Bias());
        if (!whole) {
            z0 = Select(_mm_unpacklo_epi16(pass, pass), z0, zs0);
            z1 = Select(_mm_unpackhi_epi16(pass, pass), z1, zs1);
        }
        _mm_storeu_si128(reinterpret_cast<__m128i*>(zrow), z0);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(zrow + 4), z1);
    }
}

// The last, partial group of a run, drawn on a copy of its pixels and depths.
struct GroupTail {
    alignas(32) uint16_t d[kGroup] = {};
    alignas(32) uint32_t z[kGroup] = {};
    uint16_t* dst;
    uint32_t* zrow;  // null without depth
    size_t m;
    GroupTail(uint16_t* dst_, uint32_t* zrow_, int count) : dst(dst_), zrow(zrow_), m(size_t(count))
    {
        std::memcpy(d, dst, m * sizeof(uint16_t));
        if (zrow) std::memcpy(z, zrow, m * sizeof(uint32_t));
    }
    void Flush() const
    {
        std::memcpy(dst, d, m * sizeof(uint16_t));
        if (zrow) std::memcpy(zrow, z, m * sizeof(uint32_t));
    }
};

template <class C>
inline void Sse2Run(C col, const GroupTexture& g, uint16_t* dst, uint32_t* zrow, int n, const GroupWalk& walk,
                    uint32_t z)
{
    const Sse2Addressing a(g);
    Sse2Walk w(walk, z, g.dz);
    int i = 0;
    for (; i + kGroup <= n; i += kGroup) {
        Sse2Group(col, g, a, w, dst + i, C::kZ ? zrow + i : nullptr);
        w.Step();
        col.Step();
    }
    if (i == n) return;
    GroupTail tail(dst + i, C::kZ ? zrow + i : nullptr, n - i);
    Sse2Group(col, g, a, w, tail.d, tail.z);
    tail.Flush();
}

}  // namespace span_groups
