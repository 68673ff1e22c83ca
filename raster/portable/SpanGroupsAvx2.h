// The group loop of SpanGroups.h with AVX2: eight coordinates, addresses and depths per register (the
// texels are fetched one by one: on the processors measured, faster than a gather instruction).
// Compiled for AVX2 whatever the build's target; only called after the run-time check (app/SimdLevel.h).
#pragma once
#include <immintrin.h>

#include "app/SimdLevel.h"
#include "raster/portable/SpanGroups.h"

QM_AVX2_BEGIN

namespace span_groups_avx2 {

using span_groups::kGroup;

inline __m256i Select(__m256i m, __m256i a, __m256i b) { return _mm256_blendv_epi8(b, a, m); }
inline __m256i Bias() { return _mm256_set1_epi32(int(0x80000000u)); }

struct Walk {
    __m256i u, v, du, dv, z, dz;
    Walk(const GroupWalk& w, uint32_t z0, uint32_t dzPixel)
    {
        const __m256i pairs = _mm256_setr_epi32(0, 0, 1, 1, 2, 2, 3, 3);
        const __m256i odd = _mm256_setr_epi32(0, 1, 0, 1, 0, 1, 0, 1);
        auto start = [&](uint32_t U, uint32_t d, uint32_t d2) {
            return _mm256_add_epi32(_mm256_set1_epi32(int(U)),
                                    _mm256_add_epi32(_mm256_mullo_epi32(odd, _mm256_set1_epi32(int(d))),
                                                     _mm256_mullo_epi32(pairs, _mm256_set1_epi32(int(d2)))));
        };
        u = start(w.U, w.dU, w.dU2);
        v = start(w.V, w.dV, w.dV2);
        du = _mm256_set1_epi32(int(4 * w.dU2));
        dv = _mm256_set1_epi32(int(4 * w.dV2));
        z = start(z0 ^ 0x80000000u, dzPixel, 2 * dzPixel);
        dz = _mm256_set1_epi32(int(8 * dzPixel));
    }
    void Step()
    {
        u = _mm256_add_epi32(u, du);
        v = _mm256_add_epi32(v, dv);
        z = _mm256_add_epi32(z, dz);
    }
};

template <class C>
inline void Group(C& col, const GroupTexture& g, __m256i lo, __m256i hi, __m128i shift, const Walk& w, uint16_t* dst,
                  uint32_t* zrow)
{
    __m128i pass = _mm_set1_epi32(-1);
    __m256i zs = _mm256_setzero_si256();
    if constexpr (C::kZ) {
        zs = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(zrow));
        const __m256i f = _mm256_cmpgt_epi32(_mm256_xor_si256(zs, Bias()), w.z);
        const __m128i fail = _mm_packs_epi32(_mm256_castsi256_si128(f), _mm256_extracti128_si256(f, 1));
        if (_mm_movemask_epi8(fail) == 0xFFFF) return;
        pass = _mm_andnot_si128(fail, pass);
    }
    const __m256i index =
        _mm256_srl_epi32(_mm256_or_si256(_mm256_and_si256(w.v, hi), _mm256_and_si256(w.u, lo)), shift);
    alignas(32) uint32_t id[kGroup];
    _mm256_store_si256(reinterpret_cast<__m256i*>(id), index);
    const __m128i T = span_groups::Gather<C::kTex8>(g.tex, id);
    if constexpr (C::kKeyed) {
        if (col.keyLive) {
            pass = _mm_andnot_si128(_mm_cmpeq_epi16(T, _mm_set1_epi16(int16_t(col.key))), pass);
            if (_mm_movemask_epi8(pass) == 0) return;
        }
    }
    const bool whole = _mm_movemask_epi8(pass) == 0xFFFF;
    span_groups::StorePixels<C>(col, T, pass, whole, dst);
    if constexpr (C::kWritesZ) {
        __m256i z = _mm256_xor_si256(w.z, Bias());
        if (!whole) z = Select(_mm256_cvtepi16_epi32(pass), z, zs);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(zrow), z);
    }
}

template <class C>
inline void Run(C col, const GroupTexture& g, uint16_t* dst, uint32_t* zrow, int n, const GroupWalk& walk, uint32_t z)
{
    const __m256i lo = _mm256_set1_epi32(int(g.maskLo)), hi = _mm256_set1_epi32(int(g.maskHi));
    const __m128i shift = _mm_cvtsi32_si128(int(g.shift));
    Walk w(walk, z, g.dz);
    int i = 0;
    for (; i + kGroup <= n; i += kGroup) {
        Group(col, g, lo, hi, shift, w, dst + i, C::kZ ? zrow + i : nullptr);
        w.Step();
        col.Step();
    }
    if (i == n) return;
    span_groups::GroupTail tail(dst + i, C::kZ ? zrow + i : nullptr, n - i);
    Group(col, g, lo, hi, shift, w, tail.d, tail.z);
    tail.Flush();
}

}  // namespace span_groups_avx2

QM_AVX2_END

// One run through the AVX2 loop where the processor has it, else SSE2 (the colour taken by value, so
// that its state stays in registers).
template <class C>
inline void GroupRun(const C& col, const GroupTexture& g, uint16_t* dst, uint32_t* zrow, int n, const GroupWalk& walk,
                     uint32_t z)
{
    if (Simd_UseAvx2())
        span_groups_avx2::Run(col, g, dst, zrow, n, walk, z);
    else
        span_groups::Sse2Run(col, g, dst, zrow, n, walk, z);
}
