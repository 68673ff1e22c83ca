// Spread-form blends of the MMX-class families: SSE2 lanes against the scalar reference, the
// reference against per-channel formulas, and the examples of the blend table.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>

#include "raster/packed/SpreadBlend.h"
#include "testdata/RasterHarness.h"

namespace {

struct Fmt {
    bool is565;
    uint32_t mask, fill;
    int shift[3];  // red, green, blue
    uint32_t max[3];
};
constexpr Fmt k565{true, 0x07E0F81F, 0xF80000E0, {11, 5, 0}, {31, 63, 31}};
constexpr Fmt k555{false, 0x03E07C1F, 0xFC0080E0, {10, 5, 0}, {31, 31, 31}};

uint32_t Ch(const Fmt& f, uint32_t p, int c) { return (p >> f.shift[c]) & f.max[c]; }
uint16_t Pix(const Fmt& f, uint32_t r, uint32_t g, uint32_t b)
{
    return uint16_t(r << f.shift[0] | g << f.shift[1] | b << f.shift[2]);
}

SpreadConsts Consts(const Fmt& f, uint16_t wr, uint16_t wg, uint16_t wb) { return SpreadConstsOf(f.mask, f.fill, wr, wg, wb); }

// One pixel through lane form Vec: variant V (-1: the lit texel alone), source S, destination D, level l.
template <class Vec, int V>
void Run(const SpreadConsts& c, const uint16_t* S, const uint16_t* D, const uint16_t* l, uint16_t* out)
{
    const SpreadLanes<Vec> k(c);
    Vec s = LoadDup(Vec{}, S) & k.mask;
    if constexpr (V < 0) {
        s = SpreadLit(s, LoadDup(Vec{}, l), k);
    } else {
        const Vec dw = LoadDup(Vec{}, D);
        s = SpreadBlend<V>(s, dw & k.mask, dw, k);
    }
    StorePixels(s, out);
}

template <int V>
uint16_t Ref(const SpreadConsts& c, uint16_t S, uint16_t D, uint16_t l = 0)
{
    uint16_t out;
    Run<packed::Lane1, V>(c, &S, &D, &l, &out);
    return out;
}

// Four random pixels at a time through both forms, weights anywhere in 16 bits.
template <int V>
void CompareLanes(const Fmt& f, raster_harness::Rng& rng)
{
    for (int iter = 0; iter < 4000; ++iter) {
        const auto w = [&] { return uint16_t(iter < 2000 ? rng.Range(0, 32) : rng.Range(0, 0xFFFF)); };
        const SpreadConsts c = Consts(f, w(), w(), w());
        alignas(16) uint16_t S[4], D[4], l[4], fast[4], ref[4];
        for (int i = 0; i < 4; ++i) {
            S[i] = uint16_t(rng.Next()), D[i] = uint16_t(rng.Next()), l[i] = uint16_t(rng.Range(0, 31));
            Run<packed::Lane1, V>(c, S + i, D + i, l + i, ref + i);
        }
        Run<packed::Lane4, V>(c, S, D, l, fast);
        for (int i = 0; i < 4; ++i) ASSERT_EQ(fast[i], ref[i]) << "variant " << V << " S " << S[i] << " D " << D[i];
    }
}

}  // namespace

TEST(P2Blend, Sse2LanesGiveTheReferenceBitsForEveryOperation)
{
    raster_harness::Rng rng(11);
    for (const Fmt& f : {k565, k555}) {
        CompareLanes<-1>(f, rng);
        CompareLanes<kSpanAdd>(f, rng);
        CompareLanes<kSpanSrcSubDest>(f, rng);
        CompareLanes<kSpanDestSubSrc>(f, rng);
        CompareLanes<kSpanAddVar>(f, rng);
        CompareLanes<kSpanSrcSubDestVar>(f, rng);
        CompareLanes<kSpanDestSubSrcVar>(f, rng);
        CompareLanes<kSpanVarShade>(f, rng);
    }
}

// Per-channel formulas of the operations, weights 0..32; 5-5-5 red of VarGouraudmono is defined by
// the packed steps alone and is left to the lane comparison.
TEST(P2Blend, ReferenceMatchesTheChannelFormulas)
{
    raster_harness::Rng rng(12);
    for (const Fmt& f : {k565, k555}) {
        for (int iter = 0; iter < 20000; ++iter) {
            const uint16_t S = uint16_t(rng.Next()), D = uint16_t(rng.Next());
            const uint16_t a = uint16_t(rng.Range(0, 32)), br = uint16_t(rng.Range(0, 32)), bb = uint16_t(rng.Range(0, 32));
            const uint16_t l = uint16_t(rng.Range(0, 31));
            const SpreadConsts c = Consts(f, br, a, bb);
            const uint16_t lit = Ref<-1>(c, S, 0, l), add = Ref<kSpanAdd>(c, S, D), ssd = Ref<kSpanSrcSubDest>(c, S, D);
            const uint16_t dss = Ref<kSpanDestSubSrc>(c, S, D), addVar = Ref<kSpanAddVar>(c, S, D);
            const uint16_t ssdVar = Ref<kSpanSrcSubDestVar>(c, S, D), dssVar = Ref<kSpanDestSubSrcVar>(c, S, D);
            const uint16_t varShade = Ref<kSpanVarShade>(c, S, D);
            const uint32_t w[3] = {br, a, bb};
            for (int ch = 0; ch < 3; ++ch) {
                SCOPED_TRACE(testing::Message() << "channel " << ch << " S " << S << " D " << D << " 565 " << f.is565);
                const uint32_t s = Ch(f, S, ch), d = Ch(f, D, ch), m = f.max[ch];
                const bool red555 = ch == 0 && !f.is565;
                EXPECT_EQ(Ch(f, lit, ch), red555 ? ((s >> 1) * l) >> 4 : (s * l) >> 5);
                EXPECT_EQ(Ch(f, add, ch), std::min(m, s + d));
                EXPECT_EQ(Ch(f, ssd, ch), s > d ? s - d : 0);
                EXPECT_EQ(Ch(f, dss, ch), d > s ? d - s : 0);
                // The Var-scaled source: green in 1/16 steps, red and blue doubled from 1/32 steps.
                const uint32_t half = red555 ? (((s >> 1) * w[ch]) >> 4) & 31 : ((s * w[ch]) >> 5) & 31;
                const uint32_t scaled = ch == 1 ? std::min(m, (s * a) >> 4) : std::min(31u, 2 * half);
                const uint32_t addVarWant = ch == 1 ? std::min(m, (32 * d + Ch(f, D, 2) + 2 * s * a) >> 5)
                                                    : std::min(31u, d + 2 * half);
                EXPECT_EQ(Ch(f, addVar, ch), addVarWant);
                EXPECT_EQ(Ch(f, ssdVar, ch), scaled > d ? scaled - d : 0);
                EXPECT_EQ(Ch(f, dssVar, ch), d > scaled ? d - scaled : 0);
                if (!red555) {
                    const int64_t delta = (int64_t(s) - int64_t(d)) * w[ch];
                    const int64_t floorDiv = delta >= 0 ? delta / 32 : -((-delta + 31) / 32);
                    EXPECT_EQ(Ch(f, varShade, ch), uint32_t(int64_t(d) + floorDiv));
                }
            }
            // Every operation but the plain copy rebuilds the pixel: 5-5-5 bit 15 is 0.
            if (!f.is565) {
                EXPECT_EQ((lit | add | ssd | dss | addVar | ssdVar | dssVar | varShade) & 0x8000, 0);
            }
        }
    }
}

TEST(P2Blend, ExamplesOfTheBlendTable)
{
    const SpreadConsts c565 = Consts(k565, 0, 0, 0), c555 = Consts(k555, 0, 0, 0);
    EXPECT_EQ(Ref<kSpanAdd>(c565, 0xFFFF, 0x1234), 0xFFFF);
    EXPECT_EQ(Ref<kSpanSrcSubDest>(c565, 0x0000, 0xBEEF), 0x0000);
    EXPECT_EQ(Ref<kSpanDestSubSrc>(c565, 0xBEEF, 0xBEEF), 0x0000);
    // Green 40 onto green 40 saturates at 63, blue 20 onto 20 at 31.
    EXPECT_EQ(Ref<kSpanAdd>(c565, Pix(k565, 0, 40, 20), Pix(k565, 0, 40, 20)), Pix(k565, 0, 63, 31));
    // Level 31 lights 5-6-5 white as (30, 61, 30); level 0 gives black; 5-5-5 red 31 becomes 29.
    EXPECT_EQ(Ref<-1>(c565, 0xFFFF, 0, 31), Pix(k565, 30, 61, 30));
    EXPECT_EQ(Ref<-1>(c565, 0xFFFF, 0, 0), 0);
    EXPECT_EQ(Ch(k555, Ref<-1>(c555, Pix(k555, 31, 0, 0), 0, 31), 0), 29u);
    // Weights 0: AddVar, DestSubSrcVar and VarGouraudmono keep the destination, SrcSubDestVar gives black.
    for (uint16_t D : {uint16_t(0x1234), uint16_t(0xF81F), uint16_t(0x07E0)}) {
        EXPECT_EQ(Ref<kSpanAddVar>(c565, 0xFFFF, D), D);
        EXPECT_EQ(Ref<kSpanDestSubSrcVar>(c565, 0xFFFF, D), D);
        EXPECT_EQ(Ref<kSpanVarShade>(c565, 0xFFFF, D), D);
        EXPECT_EQ(Ref<kSpanSrcSubDestVar>(c565, 0xFFFF, D), 0);
    }
    // AddVar green: a = 16 adds the texel's green exactly (capped); a = 8 on an odd green leaves a
    // half step that a destination blue of 16 or more completes.
    const SpreadConsts a16 = Consts(k565, 0, 16, 0), a8 = Consts(k565, 0, 8, 0);
    EXPECT_EQ(Ch(k565, Ref<kSpanAddVar>(a16, Pix(k565, 0, 21, 0), Pix(k565, 0, 10, 0)), 1), 31u);
    EXPECT_EQ(Ch(k565, Ref<kSpanAddVar>(a16, Pix(k565, 0, 50, 0), Pix(k565, 0, 30, 0)), 1), 63u);
    EXPECT_EQ(Ch(k565, Ref<kSpanAddVar>(a8, Pix(k565, 0, 21, 0), Pix(k565, 0, 10, 15)), 1), 20u);
    EXPECT_EQ(Ch(k565, Ref<kSpanAddVar>(a8, Pix(k565, 0, 21, 0), Pix(k565, 0, 10, 16)), 1), 21u);
}
