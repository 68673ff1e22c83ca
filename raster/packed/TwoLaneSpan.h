// The span walker of the MMX-class families: two pixels per step, each in its own lane.
//
// A family supplies a policy class P:
//   using Lanes                        packed::Lane1 (reference) or packed::Lane4 (SSE2)
//   using AddVarGreen                  the family's AddVar green (SpreadBlend.h)
//   static int32_t Trunc(double)       conversion of start values and steps
//   static uint32_t LinearDepth(double)        start depth of the linear rows (integer-depth units)
//   static uint32_t PerspectiveDepth(float)    start depth from 1/w at the first pixel, as stored (f32)
//   template <class Run> static void PerspectiveWalk(const SpanState&, const RastEdge&, double offset, int n, Run&&)
// and may supply the precision of the start values (without them, double precision):
//   static double Offset(int x0, float edgeX)          distance from the left edge to the first pixel's centre
//   static double Start(float q, float dq, double offset)   q + dq x offset, the value at the first pixel
// A run receives (count, U, V, dU, dV, dU2, dV2) in span units: lane 0 starts at (U, V), lane 1 at
// (U + dU, V + dV), and both advance by (dU2, dV2) once per pair; every run but the last has an
// even count, so the lanes keep their pixels from one run to the next.
//
// Intensity: each pixel of a pair has two 16-bit lanes, lane 0 lighting blue and lane 1 green and
// red of a 16-bit texel (an 8-bit texel's plane follows lane 0). They start at the pixel's truncated
// intensity and advance once per pair by the published rastDgDxLanes with signed saturation: a
// 16-bit texel's pair takes lanes 0, 1 for its first pixel and 2, 3 for its second, an 8-bit
// texel's pair lane 0 for its first pixel and lane 1 for its second.
//
// Per pixel, in this order: depth test (pass when the depth is at least the stored one, unsigned),
// texel, key, colour; the colour work of up to 32 pixels is then done together in lanes. Depth and
// intensity advance on every pixel whatever became of it; only plain, Opacity, Gouraudmono and
// OpacityGouraudmono store depth, and never for a keyed texel.
#pragma once
#include <algorithm>
#include <cstdint>
#include <cstring>

#include "raster/RenderMode.h"
#include "raster/SpanState.h"
#include "raster/packed/PackedConvert.h"
#include "raster/packed/SpreadBlend.h"
#include "raster/portable/SpanKernel.h"

struct HandSpanCtx {
    SpanCtx base;                   // texture addressing, palette, key, depth step
    const uint16_t* shadePlanes;    // 32 lit planes of 256 colours
    SpreadConsts blend;
    int16_t shadeStep2[4];          // per pair: lanes 0, 1 of the first pixel, 0, 1 of the second
};

inline HandSpanCtx HandLoadCtx(const SpanState& s, uint32_t key, bool palettised)
{
    HandSpanCtx c;
    c.base = SpanLoadCtx(s, key);
    c.shadePlanes = s.rastPalette ? s.rastPalette + kRastShadeRowFirst * kRastPaletteEntries : nullptr;
    c.blend = SpreadConstsOf(s.rastSpreadMask, s.rastCarryMask, s.rastVarWeightR, s.rastVarWeightG, s.rastVarWeightB);
    for (int k = 0; k < 4; ++k)
        c.shadeStep2[k] = static_cast<int16_t>(s.rastDgDxLanes[palettised ? k / 2 : k]);
    return c;
}

inline int16_t HandSat16(int64_t x) { return static_cast<int16_t>(std::clamp<int64_t>(x, -32768, 32767)); }
// Level 0..31 of an intensity lane; a lane below 0 counts as 0.
inline uint16_t HandShadeLevel(int16_t lane) { return lane < 0 ? 0 : static_cast<uint16_t>(lane >> 10); }

// Colour work of m (<= 32) gathered pixels, in whole lane groups: S holds the texel or palette
// colour, level the shade levels (green and red high, blue low), D the destination; out receives
// the new pixels.
template <class P, class Tex, int V>
inline void HandFinish(const HandSpanCtx& c, const uint16_t* S, const uint32_t* level, const uint16_t* D,
                       uint16_t* out, int m)
{
    using Vec = typename P::Lanes;
    const SpreadLanes<Vec> k(c.blend);
    for (int i = 0; i < m; i += Vec::kWidth) {
        Vec s = LoadDup(Vec{}, S + i) & k.mask;
        if constexpr (HandVariantShaded(V) && !Tex::kPalettised) s = SpreadLit(s, Load(Vec{}, level + i), k);
        if constexpr (HandVariantBlends(V)) {
            const Vec dw = LoadDup(Vec{}, D + i);
            s = SpreadBlend<V, typename P::AddVarGreen>(s, dw & k.mask, dw, k);
        }
        StorePixels(s, out + i);
    }
}

// Eight spread pixels from two halves of four (32-bit elements), each pixel the OR of its lanes.
inline __m128i HandJoinPixels(packed::Lane4 a, packed::Lane4 b)
{
    auto half = [](__m128i x) {
        x = _mm_or_si128(x, _mm_srli_epi32(x, 16));
        // Sign-extend the low halves so that the signed pack keeps their bits.
        return _mm_srai_epi32(_mm_slli_epi32(x, 16), 16);
    };
    return _mm_packs_epi32(half(a.v), half(b.v));
}

// The new pixels of a group of eight (SpanGroups.h) for the MMX-class families: the colours of
// HandFinish for eight texels (indices) T over D, with the intensity lanes of the group's pixels.
template <class P, class Tex, bool kZ_, int V>
struct HandGroupColour : SpanGroupTraits<Tex, kZ_, V> {
    static constexpr bool kStaged = HandVariantBlends(V) || (HandVariantShaded(V) && !Tex::kPalettised);
    static constexpr bool kReadsDest = HandVariantBlends(V);
    using Vec = packed::Lane4;
    const HandSpanCtx& c;
    bool keyLive;  // a texel can equal the key
    uint16_t key;
    SpreadLanes<Vec> k;
    // Intensity lanes of pixels 0-3 and 4-7 (pairs j, j + 1 and j + 2, j + 3), each pixel's blue
    // lane low and green-red lane high; step: the pair step of the four lanes of a pair, twice.
    __m128i lanes0, lanes1, step;

    HandGroupColour(const HandSpanCtx& ctx, const int16_t (&lane)[4])
        : c(ctx), keyLive(ctx.base.key <= 0xFFFFu), key(uint16_t(ctx.base.key)), k(ctx.blend)
    {
        int16_t x[4][4];
        for (int i = 0; i < 4; ++i) x[0][i] = lane[i];
        for (int j = 1; j < 4; ++j)
            for (int i = 0; i < 4; ++i) x[j][i] = HandSat16(int64_t(x[j - 1][i]) + c.shadeStep2[i]);
        lanes0 = _mm_setr_epi16(x[0][0], x[0][1], x[0][2], x[0][3], x[1][0], x[1][1], x[1][2], x[1][3]);
        lanes1 = _mm_setr_epi16(x[2][0], x[2][1], x[2][2], x[2][3], x[3][0], x[3][1], x[3][2], x[3][3]);
        const int16_t* d = c.shadeStep2;
        step = _mm_setr_epi16(d[0], d[1], d[2], d[3], d[0], d[1], d[2], d[3]);
    }
    // Four pairs on: the saturating steps of the scalar walk, one pair at a time.
    void Step()
    {
        if constexpr (HandVariantShaded(V)) {
            lanes0 = _mm_adds_epi16(_mm_adds_epi16(lanes1, step), step);
            lanes1 = _mm_adds_epi16(_mm_adds_epi16(lanes0, step), step);
        }
    }

    __m128i Pixels(__m128i T, __m128i D) const
    {
        // Levels 0..31 (HandShadeLevel) of every lane.
        const __m128i level0 = _mm_srli_epi16(_mm_max_epi16(lanes0, _mm_setzero_si128()), 10);
        const __m128i level1 = _mm_srli_epi16(_mm_max_epi16(lanes1, _mm_setzero_si128()), 10);
        __m128i S = T;
        if constexpr (Tex::kPalettised) {
            if constexpr (HandVariantShaded(V)) {
                // The plane of each pixel's blue lane.
                const __m128i low = _mm_set1_epi32(0xFFFF);
                const __m128i plane = _mm_packs_epi32(_mm_and_si128(level0, low), _mm_and_si128(level1, low));
                S = span_groups::Lookup(c.shadePlanes, _mm_add_epi16(_mm_slli_epi16(plane, 8), T));
            } else {
                S = span_groups::Lookup(c.base.palette, T);
            }
        }
        if constexpr (!kStaged) {
            return S;
        } else {
            auto half = [&](__m128i s16, __m128i d16, __m128i level) {
                Vec s = Vec{s16} & k.mask;
                if constexpr (HandVariantShaded(V) && !Tex::kPalettised) s = SpreadLit(s, Vec{level}, k);
                if constexpr (HandVariantBlends(V)) s = SpreadBlend<V, typename P::AddVarGreen>(s, Vec{d16} & k.mask, Vec{d16}, k);
                return s;
            };
            return HandJoinPixels(half(_mm_unpacklo_epi16(S, S), _mm_unpacklo_epi16(D, D), level0),
                                  half(_mm_unpackhi_epi16(S, S), _mm_unpackhi_epi16(D, D), level1));
        }
    }
};

// The pixels of one span, run by run.
template <class P, class Tex, bool kZ, int V>
struct HandPixels {
    static constexpr int kChunk = 32;
    const HandSpanCtx& c;
    uint16_t* dst;
    uint32_t* zrow;
    uint32_t z;
    int16_t lane[4];  // intensity lanes 0, 1 of the pair's first pixel, then of its second

    void operator()(int count, uint32_t U, uint32_t V_, uint32_t dU, uint32_t dV, uint32_t dU2, uint32_t dV2)
    {
        if constexpr (P::Lanes::kWidth > 1) {
            HandGroupColour<P, Tex, kZ, V> colour(c, lane);
            GroupRun(colour, GroupTexture{c.base.tex, c.base.maskLo, c.base.maskHi, c.base.shift, c.base.dz}, dst, zrow,
                     count, GroupWalk{U, V_, dU, dV, dU2, dV2}, z);
            z += uint32_t(count) * c.base.dz;
            // Saturation holds a lane at its end once reached: count / 2 steps are one clamped sum.
            if constexpr (HandVariantShaded(V)) {
                for (int k = 0; k < 4; ++k) lane[k] = HandSat16(int64_t(lane[k]) + int64_t(count / 2) * c.shadeStep2[k]);
            }
            dst += count;
            if constexpr (kZ) zrow += count;
            return;
        }
        uint32_t u[2] = {U, U + dU}, v[2] = {V_, V_ + dV};
        for (int start = 0; start < count; start += kChunk) {
            const int m = std::min(kChunk, count - start);
            Chunk(m, u, v, dU2, dV2);
            dst += m;
            if constexpr (kZ) zrow += m;
        }
    }

private:
    static constexpr bool kStaged = HandVariantBlends(V) || (HandVariantShaded(V) && !Tex::kPalettised);

    // The texel of one pixel at (u, v) with the intensity lanes of the pair's pixel p and depth zj;
    // false when the depth test or the key leaves the pixel alone. Unstaged variants write it at once.
    bool Pixel(int j, uint32_t u, uint32_t v, int p, uint32_t zj, uint16_t* S, uint32_t* level)
    {
        if constexpr (kZ) {
            if (zj < zrow[j]) return false;
        }
        const uint32_t t = Tex::Fetch(c.base, SpanTexelIndex(c.base, u, v));
        if constexpr (SpanVariantKeyed(V)) {
            if (t == c.base.key) return false;
        }
        uint16_t colour;
        if constexpr (Tex::kPalettised) {
            if constexpr (HandVariantShaded(V))
                colour = c.shadePlanes[kRastPaletteEntries * HandShadeLevel(lane[2 * p]) + t];
            else
                colour = c.base.palette[t];
        } else {
            colour = static_cast<uint16_t>(t);
            if constexpr (kStaged)
                level[j] = packed::Join(HandShadeLevel(lane[2 * p + 1]), HandShadeLevel(lane[2 * p]));
        }
        if constexpr (kStaged) {
            S[j] = colour;
        } else {
            dst[j] = colour;
            if constexpr (kZ && SpanVariantWritesZ(V)) zrow[j] = zj;
        }
        return true;
    }

    // Pixels 0..m-1 of the current chunk; m is even unless the chunk ends the span.
    void Chunk(int m, uint32_t (&u)[2], uint32_t (&v)[2], uint32_t dU2, uint32_t dV2)
    {
        alignas(16) uint16_t S[kChunk], D[kChunk], out[kChunk];
        alignas(16) uint32_t level[kChunk];
        [[maybe_unused]] uint32_t depth[kChunk];
        uint32_t drawn = 0;
        const uint32_t dz = c.base.dz;
        for (int j = 0; j < m; j += 2) {
            const uint32_t z0 = z, z1 = z + dz;
            if (Pixel(j, u[0], v[0], 0, z0, S, level)) drawn |= 1u << j;
            if (kStaged && kZ) depth[j] = z0;
            if (j + 1 == m) {
                z = z1;
                break;
            }
            if (Pixel(j + 1, u[1], v[1], 1, z1, S, level)) drawn |= 2u << j;
            if (kStaged && kZ) depth[j + 1] = z1;
            z = z1 + dz;
            u[0] += dU2, u[1] += dU2;
            v[0] += dV2, v[1] += dV2;
            if constexpr (HandVariantShaded(V)) {
                for (int k = 0; k < 4; ++k) lane[k] = HandSat16(int64_t(lane[k]) + c.shadeStep2[k]);
            }
        }
        if constexpr (kStaged) {
            if (!drawn) return;
            // Whole lane groups: the padding is computed but never written.
            const int padded = (m + 3) & ~3;
            for (int j = m; j < padded; ++j) S[j] = level[j] = D[j] = 0;
            for (int j = 0; j < m; ++j) S[j] = drawn >> j & 1 ? S[j] : 0, level[j] = drawn >> j & 1 ? level[j] : 0;
            if constexpr (HandVariantBlends(V)) std::memcpy(D, dst, sizeof(uint16_t) * size_t(m));
            HandFinish<P, Tex, V>(c, S, level, D, out, m);
            for (int j = 0; j < m; ++j) {
                if (!(drawn >> j & 1)) continue;
                dst[j] = out[j];
                if constexpr (kZ && SpanVariantWritesZ(V)) zrow[j] = depth[j];
            }
        }
    }
};

// The span of the current row: columns x0 .. x0 + n - 1, and the distance from the left edge (whose
// x carries the +0.5 of the vertices) to the first pixel's centre; more than 1 when the span was
// clipped on the left, so the start values are extrapolated.
struct HandRow {
    const RastEdge& e;
    int x0, n;
    double offset;
};
template <class P>
inline HandRow HandCurrentRow(const SpanState& st)
{
    const RastEdge& e = *st.rastSpanEdge;
    const int x0 = st.rastSpanX0;
    if constexpr (requires { P::Offset(x0, e.x); })
        return {e, x0, st.rastSpanX1 - x0, P::Offset(x0, e.x)};
    else
        return {e, x0, st.rastSpanX1 - x0, double(x0) + 1.0 - double(e.x)};
}

// The value at the first pixel of a quantity q that changes by dq per pixel.
template <class P>
inline double HandStart(float q, float dq, double offset)
{
    if constexpr (requires { P::Start(q, dq, offset); })
        return P::Start(q, dq, offset);
    else
        return double(q) + double(dq) * offset;
}

// One textured span of columns rastSpanX0 .. rastSpanX1 - 1 of the current row.
template <class P, class Tex, bool kZ, bool kPersp, int V>
void HandSpanTextured()
{
    const SpanState& st = rastState;
    const auto [e, x0, n, offset] = HandCurrentRow<P>(st);
    if (n <= 0) return;
    const HandSpanCtx c = HandLoadCtx(st, Tex::Key(st), Tex::kPalettised);

    HandPixels<P, Tex, kZ, V> pixels{c, reinterpret_cast<uint16_t*>(st.rastDestRow) + x0, nullptr, 0, {}};
    if constexpr (kZ) {
        pixels.zrow = reinterpret_cast<uint32_t*>(st.rastZRow) + x0;
        if constexpr (kPersp)
            pixels.z = P::PerspectiveDepth(static_cast<float>(HandStart<P>(e.z, st.rastDzDx, offset)));
        else
            pixels.z = P::LinearDepth(HandStart<P>(e.z, st.rastDzDx, offset));
    }
    if constexpr (HandVariantShaded(V)) {
        const int32_t s = P::Trunc(HandStart<P>(e.shade, st.rastDsDx, offset));
        const int16_t s1 = HandSat16(int64_t(s) + static_cast<int16_t>(st.rastDgDxInt & 0xFFFF));
        pixels.lane[0] = pixels.lane[1] = HandSat16(s);
        pixels.lane[2] = pixels.lane[3] = s1;
    }
    if constexpr (kPersp) {
        P::PerspectiveWalk(st, e, offset, n, pixels);
    } else {
        const uint32_t U = static_cast<uint32_t>(P::Trunc(HandStart<P>(e.u, st.rastDuDx, offset))) << 6;
        const uint32_t V_ = static_cast<uint32_t>(P::Trunc(HandStart<P>(e.v, st.rastDvDx, offset))) << 6;
        pixels(n, U, V_, uint32_t(st.rastDuDxFixed), uint32_t(st.rastDvDxFixed), uint32_t(st.rastDuDx2Fix[0]),
               uint32_t(st.rastDvDx2Fix[0]));
    }
}

// The depth-only span of a 16-bit z-buffer: keeps the upper half of the running 32-bit depth
// where it is at least the stored entry.
template <class P>
void HandSpanDepth16()
{
    const SpanState& st = rastState;
    const auto [e, x0, n, offset] = HandCurrentRow<P>(st);
    if (n <= 0) return;
    uint32_t z = P::LinearDepth(HandStart<P>(e.z, st.rastDzDx, offset));
    const uint32_t dz = static_cast<uint32_t>(st.rastDzDxFixed);
    uint16_t* zrow = reinterpret_cast<uint16_t*>(st.rastZRow) + x0;
    for (int i = 0; i < n; ++i, z += dz) {
        const uint16_t h = static_cast<uint16_t>(z >> 16);
        if (h >= zrow[i]) zrow[i] = h;
    }
}

// The blend variant a row's mode word asks for.
constexpr int HandVariantOfMode(RenderMode mode)
{
    const bool key = mode & RM_OPACITY, shade = mode & RM_GOURAUDMONO, var = mode & RM_VAR_TRANSPARENCY;
    if (mode & RM_ADD) return var ? kSpanAddVar : shade ? kSpanAddShade : kSpanAdd;
    if (mode & RM_SRC_SUB_DEST) return var ? kSpanSrcSubDestVar : kSpanSrcSubDest;
    if (mode & RM_DEST_SUB_SRC) return var ? kSpanDestSubSrcVar : kSpanDestSubSrc;
    if (var) return key ? kSpanVarKeyShade : kSpanVarShade;
    if (shade) return key ? kSpanKeyShade : kSpanShade;
    return key ? kSpanKey : kSpanCopy;
}

// The textured span of a row's mode word with policy P.
template <class P, RenderMode kMode>
void HandModeSpan()
{
    constexpr bool kZ = (kMode & RM_ZBUFFER) != 0;
    constexpr bool kPersp = (kMode & RM_PERSPECTIVE) != 0;
    constexpr int V = HandVariantOfMode(kMode);
    if constexpr ((kMode & RM_TEXTURE8) != 0)
        HandSpanTextured<P, SpanTexels8, kZ, kPersp, V>();
    else
        HandSpanTextured<P, SpanTexels16, kZ, kPersp, V>();
}
