// The span kernel every family instantiates: pixel loop and order, texel addressing, linear walk.
//
// A family supplies a policy class P with its own perspective walk, shade representation, blend and
// shading arithmetic and float-to-integer conversion:
//   static uint32_t Trunc(float)                 texture coordinates and steps, modulo 2^32
//   static uint32_t Depth(float)                 linear z start (z already x 2^31)
//   static uint32_t DepthFromInvW(float)         perspective z start from 1/w
//   static uint32_t ShadeStart(float)            intensity at the first pixel
//   template <class Run> static void PerspectiveWalk(const SpanState&, const RastEdge&, float p, int n, Run&&)
//   static uint32_t ShadePlane(const SpanCtx&, uint32_t index, uint32_t s)      8-bit shaded source
//   static uint32_t ShadeA(const SpanCtx&, uint32_t S, uint32_t s)              16-bit, variant 2
//   static uint32_t ShadeB(const SpanCtx&, uint32_t S, uint32_t s)              16-bit, variants 3, 10, 11
//   template <int V> static uint32_t Blend(const SpanCtx&, uint32_t S, uint32_t D)   variants 4..11
//   static constexpr bool kGroups                 true: pixels in groups of eight (SpanGroups.h);
//                                                 false: one by one, the plain reference
// A run callback receives (count, u, v, du, dv) in span units for each stretch of the span.
#pragma once
#include <cstdint>
#include <cstring>

#include "raster/SpanState.h"
#include "raster/portable/SpanGroupsAvx2.h"

// The twelve blend variants of a textured family, in table order.
enum SpanVariant : int {
    kSpanCopy = 0,
    kSpanKey,
    kSpanShade,
    kSpanKeyShade,
    kSpanAdd,
    kSpanSrcSubDest,
    kSpanDestSubSrc,
    kSpanAddVar,
    kSpanSrcSubDestVar,
    kSpanDestSubSrcVar,
    kSpanVarShade,
    kSpanVarKeyShade,
    kSpanVariants
};

constexpr bool SpanVariantKeyed(int v) { return v == kSpanKey || v == kSpanKeyShade || v == kSpanVarKeyShade; }
constexpr bool SpanVariantShaded(int v)
{
    return v == kSpanShade || v == kSpanKeyShade || v == kSpanVarShade || v == kSpanVarKeyShade;
}
// Only the opaque variants write depth (the keyed ones where they draw).
constexpr bool SpanVariantWritesZ(int v) { return v <= kSpanKeyShade; }

// The fields a span reads, copied into locals on entry.
struct SpanCtx {
    const uint8_t* tex;
    uint32_t maskLo, maskHi, shift;
    const uint16_t* palette;
    uint32_t key;  // the colour key of the texel kind
    uint32_t redMask, greenMask;
    uint32_t aboveRed, aboveGreen;
    uint32_t weightR, weightG, weightB;
    uint32_t dz, ds;  // per-pixel depth and intensity steps
};

// Texel index of span coordinates u, v; a 1x1 texture has shift 32, so shift a 64-bit value.
inline uint32_t SpanTexelIndex(const SpanCtx& c, uint32_t u, uint32_t v)
{
    return static_cast<uint32_t>(static_cast<uint64_t>((v & c.maskHi) | (u & c.maskLo)) >> c.shift);
}

// 8-bit palette indices; the key is the index.
struct SpanTexels8 {
    static constexpr bool kPalettised = true;
    static uint32_t Fetch(const SpanCtx& c, uint32_t i) { return c.tex[i]; }
    static uint32_t Key(const SpanState& s) { return s.rastAlpha; }
};

// 16-bit texels in the destination format; the key is a pixel value.
struct SpanTexels16 {
    static constexpr bool kPalettised = false;
    static uint32_t Fetch(const SpanCtx& c, uint32_t i)
    {
        uint16_t t;
        std::memcpy(&t, c.tex + size_t(i) * 2, 2);
        return t;
    }
    static uint32_t Key(const SpanState& s) { return s.rastAlphaPixel; }
};

inline SpanCtx SpanLoadCtx(const SpanState& s, uint32_t key)
{
    SpanCtx c;
    c.tex = s.rastTexBits;
    c.maskLo = s.rastTexMaskLo;
    c.maskHi = s.rastTexMaskHi;
    c.shift = s.rastTexShift;
    c.palette = s.rastPalette;
    c.key = key;
    c.redMask = s.rastRedMask;
    c.greenMask = s.rastGreenMask;
    c.aboveRed = s.rastAboveRedMask;
    c.aboveGreen = s.rastAboveGreenMask;
    c.weightR = s.rastVarWeightR;
    c.weightG = s.rastVarWeightG;
    c.weightB = s.rastVarWeightB;
    c.dz = static_cast<uint32_t>(s.rastDzDxFixed);
    c.ds = static_cast<uint32_t>(s.rastDsDxFixed);
    return c;
}

// The new destination pixel for texel t over D (s is the pixel's intensity).
template <class P, class Tex, int V>
inline uint32_t SpanNewPixel(const SpanCtx& c, uint32_t t, uint32_t D, uint32_t s)
{
    uint32_t S;
    if constexpr (SpanVariantShaded(V)) {
        if constexpr (Tex::kPalettised)
            S = P::ShadePlane(c, t, s);
        else if constexpr (V == kSpanShade)
            S = P::ShadeA(c, t, s);
        else
            S = P::ShadeB(c, t, s);
    } else if constexpr (Tex::kPalettised) {
        S = c.palette[t];
    } else {
        S = t;
    }
    if constexpr (V <= kSpanKeyShade)
        return S;
    else if constexpr (V == kSpanVarKeyShade)
        return P::template Blend<kSpanVarShade>(c, S, D);
    else
        return P::template Blend<V>(c, S, D);
}

// What the group loops (SpanGroups.h) ask of a colour class, for a texel kind, depth and variant V.
template <class Tex, bool kZ_, int V>
struct SpanGroupTraits {
    static constexpr bool kZ = kZ_;
    static constexpr bool kWritesZ = kZ_ && SpanVariantWritesZ(V);
    static constexpr bool kTex8 = Tex::kPalettised;
    static constexpr bool kKeyed = SpanVariantKeyed(V);
};

// The new pixels of a group of eight: SpanNewPixel for eight texels (indices) T over D.
template <class P, class Tex, bool kZ_, int V>
struct SpanGroupColour : SpanGroupTraits<Tex, kZ_, V> {
    static constexpr bool kReadsDest = V > kSpanKeyShade;
    const SpanCtx& c;
    bool keyLive;  // a texel can equal the key
    uint16_t key;
    __m128i s0, s1, ds;  // intensities of the group's pixels, modulo 2^32

    SpanGroupColour(const SpanCtx& ctx, uint32_t s)
        : c(ctx), keyLive(ctx.key <= 0xFFFFu), key(uint16_t(ctx.key))
    {
        s0 = _mm_setr_epi32(int(s), int(s + c.ds), int(s + 2 * c.ds), int(s + 3 * c.ds));
        s1 = _mm_add_epi32(s0, _mm_set1_epi32(int(4 * c.ds)));
        ds = _mm_set1_epi32(int(8 * c.ds));
    }
    void Step()
    {
        if constexpr (SpanVariantShaded(V)) s0 = _mm_add_epi32(s0, ds), s1 = _mm_add_epi32(s1, ds);
    }

    // Channel x of each lane times a factor k (both below 2^16), shifted down by kShift (at most
    // 16): the 32-bit product's bits kShift .. kShift + 15.
    template <int kShift>
    static __m128i Scaled(__m128i S, uint32_t mask, __m128i k)
    {
        const __m128i m = _mm_set1_epi16(int16_t(mask)), x = _mm_and_si128(S, m);
        const __m128i hi = _mm_mulhi_epu16(x, k), lo = _mm_mullo_epi16(x, k);
        return _mm_and_si128(_mm_or_si128(_mm_slli_epi16(hi, 16 - kShift), _mm_srli_epi16(lo, kShift)), m);
    }
    template <int kShift>
    __m128i Shaded(__m128i S, __m128i k) const
    {
        return _mm_or_si128(_mm_or_si128(Scaled<kShift>(S, c.redMask, k), Scaled<kShift>(S, c.greenMask, k)),
                            Scaled<kShift>(S, 0x1F, k));
    }

    __m128i Pixels(__m128i T, __m128i D) const
    {
        __m128i S;
        if constexpr (SpanVariantShaded(V)) {
            // Clamped to 0..32767 as the scalar ClampShade does: saturating pack, then max with 0.
            const __m128i k = _mm_max_epi16(_mm_packs_epi32(s0, s1), _mm_setzero_si128());
            if constexpr (Tex::kPalettised) {
                const __m128i row = _mm_add_epi16(_mm_slli_epi16(_mm_srli_epi16(k, 10), 8),
                                                  _mm_set1_epi16(kRastShadeRowFirst * kRastPaletteEntries));
                S = span_groups::Lookup(c.palette, _mm_add_epi16(row, T));
            } else if constexpr (V == kSpanShade) {
                S = Shaded<15>(T, k);
            } else {
                S = Shaded<5>(T, _mm_srli_epi16(k, 10));
            }
        } else if constexpr (Tex::kPalettised) {
            S = span_groups::Lookup(c.palette, T);
        } else {
            S = T;
        }
        if constexpr (V <= kSpanKeyShade) {
            return S;
        } else {
            constexpr int kBlend = V == kSpanVarKeyShade ? int(kSpanVarShade) : V;
            alignas(16) uint16_t src[span_groups::kGroup], dst[span_groups::kGroup];
            _mm_store_si128(reinterpret_cast<__m128i*>(src), S);
            _mm_store_si128(reinterpret_cast<__m128i*>(dst), D);
            for (int i = 0; i < span_groups::kGroup; ++i)
                dst[i] = static_cast<uint16_t>(P::template Blend<kBlend>(c, src[i], dst[i]));
            return _mm_load_si128(reinterpret_cast<const __m128i*>(dst));
        }
    }
};

// The pixel loop: depth test first (pass when z >= entry, unsigned), no texel read for a failing
// pixel, key test on the texel or index, depth stored by the opaque variants where they draw.
template <class P, class Tex, bool kZ, int V>
inline void SpanPixels(const SpanCtx& c, uint16_t* dst, uint32_t* zrow, int n, uint32_t u, uint32_t v,
                       uint32_t du, uint32_t dv, uint32_t& zio, uint32_t& sio)
{
    if constexpr (P::kGroups) {
        SpanGroupColour<P, Tex, kZ, V> colour(c, sio);
        GroupRun(colour, GroupTexture{c.tex, c.maskLo, c.maskHi, c.shift, c.dz}, dst, zrow, n,
                 GroupWalk{u, v, du, dv, 2 * du, 2 * dv}, zio);
        zio += uint32_t(n) * c.dz;
        sio += uint32_t(n) * c.ds;
        return;
    }
    uint32_t z = zio, s = sio;
    for (int i = 0; i < n; ++i, u += du, v += dv, z += c.dz, s += c.ds) {
        if constexpr (kZ) {
            if (z < zrow[i]) continue;
        }
        const uint32_t t = Tex::Fetch(c, SpanTexelIndex(c, u, v));
        if constexpr (SpanVariantKeyed(V)) {
            if (t == c.key) continue;
        }
        dst[i] = static_cast<uint16_t>(SpanNewPixel<P, Tex, V>(c, t, dst[i], s));
        if constexpr (kZ && SpanVariantWritesZ(V)) zrow[i] = z;
    }
    zio = z;
    sio = s;
}

// Linear walk: start values at the first pixel's centre, constant steps from the setup.
template <class P, class Run>
inline void SpanLinearWalk(const SpanState& st, const RastEdge& e, float p, int n, Run&& run)
{
    const uint32_t u = P::Trunc(p * st.rastDuDx + e.u) << 6;
    const uint32_t v = P::Trunc(p * st.rastDvDx + e.v) << 6;
    run(n, u, v, static_cast<uint32_t>(st.rastDuDxFixed), static_cast<uint32_t>(st.rastDvDxFixed));
}

// One textured span of columns rastSpanX0 .. rastSpanX1 - 1 of the current row.
template <class P, class Tex, bool kZ, bool kPersp, int V>
void SpanTextured()
{
    const SpanState& st = rastState;
    const RastEdge& e = *st.rastSpanEdge;
    const int x0 = st.rastSpanX0;
    const int n = st.rastSpanX1 - x0;
    if (n <= 0) return;
    const SpanCtx c = SpanLoadCtx(st, Tex::Key(st));
    // Distance from the left edge to the first pixel's centre (x carries the +0.5 offset).
    const float p = static_cast<float>(x0 + 1) - e.x;

    uint32_t z = 0, s = 0;
    if constexpr (kZ) z = kPersp ? P::DepthFromInvW(p * st.rastDzDx + e.z) : P::Depth(p * st.rastDzDx + e.z);
    if constexpr (SpanVariantShaded(V)) s = P::ShadeStart(p * st.rastDsDx + e.shade);

    uint16_t* dst = reinterpret_cast<uint16_t*>(st.rastDestRow) + x0;
    uint32_t* zrow = nullptr;
    if constexpr (kZ) zrow = reinterpret_cast<uint32_t*>(st.rastZRow) + x0;

    auto run = [&](int count, uint32_t u, uint32_t v, uint32_t du, uint32_t dv) {
        SpanPixels<P, Tex, kZ, V>(c, dst, zrow, count, u, v, du, dv, z, s);
        dst += count;
        if constexpr (kZ) zrow += count;
    };
    if constexpr (kPersp)
        P::PerspectiveWalk(st, e, p, n, run);
    else
        SpanLinearWalk<P>(st, e, p, n, run);
}
