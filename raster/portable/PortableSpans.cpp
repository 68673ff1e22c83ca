// The portable span routines of rows 1 to 99: the shared kernel with the portable arithmetic.
#include "raster/portable/PortableSpans.h"

#include <algorithm>

#include "raster/portable/RastConvert.h"
#include "raster/portable/SpanKernel.h"

namespace {

// Intensity as used: clamped to 0..32767 so that it never leaves the shading planes.
inline uint32_t ClampShade(uint32_t s)
{
    const int32_t v = static_cast<int32_t>(s);
    return static_cast<uint32_t>(std::clamp(v, 0, 32767));
}

// Perspective quotient; a 1/w of 0 or less (or a non-finite quotient) keeps the previous value.
inline uint32_t PerspectiveDiv(float num, float q, uint32_t previous)
{
    if (!(q > 0.0f)) return previous;
    return RastTruncWrap(num / q);
}

struct PortableSpanPolicy {
    static constexpr bool kGroups = true;
    static uint32_t Trunc(float x) { return RastTruncWrap(x); }
    static uint32_t Depth(float z) { return RastTruncDepth(z); }
    static uint32_t DepthFromInvW(float q) { return RastTruncDepth(q * 2147483648.0f); }
    static uint32_t ShadeStart(float s) { return static_cast<uint32_t>(RastTruncSat(s)); }

    // Exact at every 32nd pixel, linear in between; the tail of r pixels steps by (uB - uA) / r.
    template <class Run>
    static void PerspectiveWalk(const SpanState& st, const RastEdge& e, float p, int n, Run&& run)
    {
        float q = p * st.rastDzDx + e.z;
        float U = p * st.rastDuDx + e.u;
        float V = p * st.rastDvDx + e.v;
        uint32_t uA = PerspectiveDiv(U, q, 0);
        uint32_t vA = PerspectiveDiv(V, q, 0);
        for (int blocks = n >> 5; blocks > 0; --blocks) {
            q += st.rastDzDx32;
            U += st.rastDuDx32;
            V += st.rastDvDx32;
            const uint32_t uB = PerspectiveDiv(U, q, uA);
            const uint32_t vB = PerspectiveDiv(V, q, vA);
            const int32_t du = static_cast<int32_t>(uB - uA) >> 5;
            const int32_t dv = static_cast<int32_t>(vB - vA) >> 5;
            run(32, uA << 6, vA << 6, static_cast<uint32_t>(du) << 6, static_cast<uint32_t>(dv) << 6);
            uA = uB;
            vA = vB;
        }
        const int r = n & 31;
        if (r == 0) return;
        const float rf = static_cast<float>(r);
        const float qr = rf * st.rastDzDx + q;
        const uint32_t uB = PerspectiveDiv(rf * st.rastDuDx + U, qr, uA);
        const uint32_t vB = PerspectiveDiv(rf * st.rastDvDx + V, qr, vA);
        const float inv = 1.0f / rf;
        const uint32_t du = RastTruncWrap(static_cast<float>(static_cast<int32_t>(uB - uA)) * inv);
        const uint32_t dv = RastTruncWrap(static_cast<float>(static_cast<int32_t>(vB - vA)) * inv);
        run(r, uA << 6, vA << 6, du << 6, dv << 6);
    }

    // Row 3 + (s >> 10) of the palette plane.
    static uint32_t ShadePlane(const SpanCtx& c, uint32_t t, uint32_t s)
    {
        return c.palette[kRastPaletteEntries * ((ClampShade(s) >> 10) + kRastShadeRowFirst) + t];
    }
    // Form A: each channel times s / 32768.
    static uint32_t ShadeA(const SpanCtx& c, uint32_t S, uint32_t s)
    {
        const uint32_t k = ClampShade(s);
        return (((S & c.redMask) * k >> 15) & c.redMask) | (((S & c.greenMask) * k >> 15) & c.greenMask) |
               (((S & 0x1F) * k >> 15) & 0x1F);
    }
    // Form B: each channel times the 5-bit level / 32.
    static uint32_t ShadeB(const SpanCtx& c, uint32_t S, uint32_t s)
    {
        const uint32_t k = ClampShade(s) >> 10;
        return (((S & c.redMask) * k >> 5) & c.redMask) | (((S & c.greenMask) * k >> 5) & c.greenMask) |
               (((S & 0x1F) * k >> 5) & 0x1F);
    }

    // One channel of a blend; S and D are kept in place (not shifted down), m is the channel's mask.
    template <int V>
    static uint32_t BlendChannel(uint32_t S, uint32_t D, uint32_t m, uint32_t w)
    {
        const uint32_t s = S & m, d = D & m;
        if constexpr (V == kSpanAdd) {
            return std::min(d + s, m);
        } else if constexpr (V == kSpanSrcSubDest) {
            return s > d ? s - d : 0;
        } else if constexpr (V == kSpanDestSubSrc) {
            return d > s ? d - s : 0;
        } else if constexpr (V == kSpanAddVar) {
            return std::min(d + ((s * w) >> 4), m) & m;
        } else if constexpr (V == kSpanSrcSubDestVar) {
            const uint32_t x = std::min((s * w) >> 4, m) & m;
            return x > d ? x - d : 0;
        } else if constexpr (V == kSpanDestSubSrcVar) {
            const uint32_t x = (s * w) >> 4;
            return d >= x ? (d - x) & m : 0;
        } else {
            static_assert(V == kSpanVarShade);
            // Signed difference times the weight, arithmetic shift; 64 bits so no weight overflows.
            const int64_t delta = (static_cast<int64_t>(s) - static_cast<int64_t>(d)) * static_cast<int64_t>(w);
            return static_cast<uint32_t>(static_cast<int64_t>(d) + (delta >> 5)) & m;
        }
    }

    template <int V>
    static uint32_t Blend(const SpanCtx& c, uint32_t S, uint32_t D)
    {
        return BlendChannel<V>(S, D, c.redMask, c.weightR) | BlendChannel<V>(S, D, c.greenMask, c.weightG) |
               BlendChannel<V>(S, D, 0x1F, c.weightB);
    }
};

// The same arithmetic pixel by pixel: the plain reference of the rows.
struct PortableReferencePolicy : PortableSpanPolicy {
    static constexpr bool kGroups = false;
};

template <int F, int V, class P = PortableSpanPolicy>
void PortableSpan()
{
    constexpr bool kTex8 = F < 4;
    constexpr bool kZ = (F & 2) != 0;
    constexpr bool kPersp = (F & 1) != 0;
    if constexpr (kTex8)
        SpanTextured<P, SpanTexels8, kZ, kPersp, V>();
    else
        SpanTextured<P, SpanTexels16, kZ, kPersp, V>();
}

// Start depth of the linear z rows: the left edge's z advanced to the first pixel's centre.
inline uint32_t SingleRowDepth(const SpanState& st)
{
    const RastEdge& e = *st.rastSpanEdge;
    const float p = static_cast<float>(st.rastSpanX0 + 1) - e.x;
    return RastTruncDepth(p * st.rastDzDx + e.z);
}

}  // namespace

#define QM_DEFINE_PORTABLE_SPAN(row, name, family, variant) \
    void Span_##name() { PortableSpan<family, variant>(); }
QM_PORTABLE_TEXTURED_SPANS(QM_DEFINE_PORTABLE_SPAN)
#undef QM_DEFINE_PORTABLE_SPAN

RastFn PortableReferenceSpan(int family, int variant)
{
#define QM_PORTABLE_REFERENCE(row, name, family, variant) &PortableSpan<family, variant, PortableReferencePolicy>,
    static constexpr RastFn kReference[] = {QM_PORTABLE_TEXTURED_SPANS(QM_PORTABLE_REFERENCE)};
#undef QM_PORTABLE_REFERENCE
    if (family < 0 || family >= 8 || variant < 0 || variant >= kSpanVariants) return nullptr;
    return kReference[family * kSpanVariants + variant];
}

void Span_Zi32b15C()
{
    const SpanState& st = rastState;
    const int x0 = st.rastSpanX0, x1 = st.rastSpanX1;
    if (x0 >= x1) return;
    uint32_t z = SingleRowDepth(st);
    const uint32_t dz = static_cast<uint32_t>(st.rastDzDxFixed);
    uint16_t* zrow = reinterpret_cast<uint16_t*>(st.rastZRow);
    for (int x = x0; x < x1; ++x, z += dz) {
        const uint16_t z16 = static_cast<uint16_t>(z >> 16);
        if (z16 > zrow[x]) zrow[x] = z16;
    }
}

void Span_Zi32FlatC()
{
    const SpanState& st = rastState;
    const int x0 = st.rastSpanX0, x1 = st.rastSpanX1;
    if (x0 >= x1) return;
    uint32_t z = SingleRowDepth(st);
    const uint32_t dz = static_cast<uint32_t>(st.rastDzDxFixed);
    const uint16_t colour = static_cast<uint16_t>(st.rastColor);
    uint16_t* dst = reinterpret_cast<uint16_t*>(st.rastDestRow);
    uint32_t* zrow = reinterpret_cast<uint32_t*>(st.rastZRow);
    for (int x = x0; x < x1; ++x, z += dz) {
        if (z > zrow[x]) {
            dst[x] = colour;
            zrow[x] = z;
        }
    }
}

void Span_FlatC()
{
    const SpanState& st = rastState;
    const int x0 = st.rastSpanX0, x1 = st.rastSpanX1;
    if (x0 >= x1) return;
    uint16_t* dst = reinterpret_cast<uint16_t*>(st.rastDestRow);
    std::fill(dst + x0, dst + x1, static_cast<uint16_t>(st.rastColor));
}
