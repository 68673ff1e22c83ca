// The K6-3D blends, channel by channel over every value pair in both pixel formats, against the
// packed steps spelt out one instruction at a time (unmasked terms included) and the channel
// formulas they amount to.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <vector>

#include "raster/k63d/K63DSpanPolicy.h"
#include "raster/packed/TwoLaneSpan.h"
#include "testdata/RasterHarness.h"

namespace {

struct Fmt {
    bool is565;
    uint32_t mask, fill;
    int shift[3];  // red, green, blue
    int max[3];
};
constexpr Fmt k565{true, 0x07E0F81F, 0xF80000E0, {11, 5, 0}, {31, 63, 31}};
constexpr Fmt k555{false, 0x03E07C1F, 0xFC0080E0, {10, 5, 0}, {31, 31, 31}};

int Ch(const Fmt& f, uint32_t p, int c) { return int(p >> f.shift[c]) & f.max[c]; }

// One pixel as the packed steps work on it: a 32-bit lane of two 16-bit halves and four bytes.
uint32_t Halves(uint32_t a, uint32_t b, uint32_t (*op)(uint32_t, uint32_t))
{
    return (op(a >> 16, b >> 16) & 0xFFFF) << 16 | (op(a & 0xFFFF, b & 0xFFFF) & 0xFFFF);
}
uint32_t Bytes(uint32_t a, uint32_t b, uint32_t (*op)(uint32_t, uint32_t))
{
    uint32_t r = 0;
    for (int i = 0; i < 32; i += 8) r |= (op((a >> i) & 0xFF, (b >> i) & 0xFF) & 0xFF) << i;
    return r;
}
uint32_t MulW(uint32_t a, uint32_t b) { return Halves(a, b, [](uint32_t x, uint32_t y) { return x * y; }); }
uint32_t AddW(uint32_t a, uint32_t b) { return Halves(a, b, [](uint32_t x, uint32_t y) { return x + y; }); }
uint32_t SubW(uint32_t a, uint32_t b) { return Halves(a, b, [](uint32_t x, uint32_t y) { return x - y; }); }
uint32_t AddUsW(uint32_t a, uint32_t b) { return Halves(a, b, [](uint32_t x, uint32_t y) { return std::min(x + y, 0xFFFFu); }); }
uint32_t SubUsW(uint32_t a, uint32_t b) { return Halves(a, b, [](uint32_t x, uint32_t y) { return x > y ? x - y : 0u; }); }
uint32_t AddUsB(uint32_t a, uint32_t b) { return Bytes(a, b, [](uint32_t x, uint32_t y) { return std::min(x + y, 0xFFu); }); }
uint32_t SubUsB(uint32_t a, uint32_t b) { return Bytes(a, b, [](uint32_t x, uint32_t y) { return x > y ? x - y : 0u; }); }
template <int N> uint32_t SrlW(uint32_t a) { return Halves(a, 0, [](uint32_t x, uint32_t) { return x >> N; }); }
template <int N> uint32_t SraW(uint32_t a)
{
    return Halves(a, 0, [](uint32_t x, uint32_t) { return uint32_t(int32_t(int16_t(uint16_t(x))) >> N); });
}

enum Op { kLit, kAdd, kAddLit, kSrcSubDest, kDestSubSrc, kAddVar, kSrcSubDestVar, kDestSubSrcVar, kVarLit };
constexpr int kVariantOf[] = {kSpanShade, kSpanAdd, kSpanAddShade, kSpanSrcSubDest, kSpanDestSubSrc,
                              kSpanAddVar, kSpanSrcSubDestVar, kSpanDestSubSrcVar, kSpanVarShade};

struct In {
    uint16_t texel, dest;
    uint16_t levelLo, levelHi;  // shade levels of the blue lane and the green-red lane
    uint16_t fr, fg, fb;
};

// The packed steps one instruction at a time: the result pixel of operation op.
uint16_t StepBlend(const Fmt& f, Op op, const In& in)
{
    const uint32_t m = f.mask, T = (uint32_t(in.texel) << 16 | in.texel) & m;
    const uint32_t D = (uint32_t(in.dest) << 16 | in.dest) & m;
    const uint32_t level = uint32_t(in.levelHi) << 16 | in.levelLo;
    const uint32_t A = SrlW<5>(MulW(T, level)), B = MulW(T << 5, level) >> 10;
    const uint32_t FG = uint32_t(in.fg) << 16 | in.fg, FRB = uint32_t(in.fr) << 16 | in.fb;
    auto assemble = [m](uint32_t green, uint32_t redBlue) { return uint16_t(((green & m) >> 16) | (redBlue & m & 0xFFFF)); };
    const uint32_t greenPath = SrlW<4>(MulW(T, FG));
    const uint32_t rbScaled = (MulW(T << 5, FRB) >> 10) & m, rbPath = AddUsB(rbScaled, rbScaled);
    const uint32_t varSource = (AddUsW(greenPath, f.fill) & m & 0xFFFF0000u) | (AddUsB(rbPath, f.fill) & m & 0xFFFF);
    switch (op) {
    case kLit: return assemble(A, B);
    case kAdd: case kAddLit: {
        // The term unmasked: the whole texel in both halves, or A and B as they come.
        const uint32_t term = (op == kAdd ? uint32_t(in.texel) << 16 | in.texel : (A & 0xFFFF0000u) | (B & 0xFFFF)) | f.fill;
        return assemble(AddUsW(D, term), AddUsB(D, term));
    }
    case kSrcSubDest: return assemble(SubUsW(T, D), SubUsB(T, D));
    case kDestSubSrc: return assemble(SubUsW(D, T), SubUsB(D, T));
    case kAddVar: return assemble(AddUsW(greenPath, D | f.fill), AddUsB(rbPath, D | f.fill));
    case kSrcSubDestVar: return assemble(SubUsW(varSource, D), SubUsB(varSource, D));
    case kDestSubSrcVar: return assemble(SubUsW(D, varSource), SubUsB(D, varSource));
    case kVarLit: {
        const uint32_t green = SraW<5>(AddW(MulW(SubW(A & m, D), FG), D << 5)) & m;
        const uint32_t rb = (AddW(SraW<5>(MulW(SubW((B & m) << 5, D << 5), FRB)), D << 5) >> 5) & m;
        return assemble(green, rb);
    }
    }
    return 0;
}

// What the K6-3D spans compute, in the SSE2 lanes and in the scalar lanes, 32 pixels at a time.
template <class Lanes, int V>
void Blend32(const Fmt& f, const In* in, uint16_t* out)
{
    HandSpanCtx c{};
    c.blend = SpreadConstsOf(f.mask, f.fill, in[0].fr, in[0].fg, in[0].fb);
    alignas(16) uint16_t S[32], D[32];
    alignas(16) uint32_t level[32];
    for (int i = 0; i < 32; ++i) S[i] = in[i].texel, D[i] = in[i].dest, level[i] = uint32_t(in[i].levelHi) << 16 | in[i].levelLo;
    HandFinish<K63DSpanPolicy<Lanes>, SpanTexels16, V>(c, S, level, D, out, 32);
}
template <int V>
void Check(const Fmt& f, Op op, const std::vector<In>& cases)
{
    std::vector<uint16_t> fast(cases.size()), scalar(cases.size());
    for (size_t i = 0; i < cases.size(); i += 32) {
        Blend32<packed::Lane4, V>(f, &cases[i], &fast[i]);
        Blend32<packed::Lane1, V>(f, &cases[i], &scalar[i]);
    }
    for (size_t i = 0; i < cases.size(); ++i) {
        const In& in = cases[i];
        ASSERT_EQ(fast[i], StepBlend(f, op, in)) << "op " << op << " texel " << in.texel << " dest " << in.dest << " levels "
                                                 << in.levelLo << "," << in.levelHi << " factors " << in.fr << "," << in.fg << "," << in.fb;
        ASSERT_EQ(scalar[i], fast[i]);
    }
}

// Every (texel, destination) value pair of each channel, the other channels random, at a set of
// levels and factors; batches of 32 share their factors.
std::vector<In> ChannelCases(const Fmt& f, raster_harness::Rng& rng, bool levels, uint16_t fr, uint16_t fg, uint16_t fb)
{
    std::vector<In> cases;
    for (int c = 0; c < 3; ++c)
        for (int s = 0; s <= f.max[c]; ++s)
            for (int d = 0; d <= f.max[c]; ++d)
                for (int rep = 0; rep < (levels ? 4 : 1); ++rep) {
                    In in{};
                    const uint16_t noise = uint16_t(rng.Next()), noise2 = uint16_t(rng.Next());
                    const uint16_t keep = uint16_t(~(f.max[c] << f.shift[c]) & (f.is565 ? 0xFFFF : 0x7FFF));
                    in.texel = uint16_t((noise & keep) | s << f.shift[c]);
                    in.dest = uint16_t((noise2 & keep) | d << f.shift[c]);
                    in.levelLo = levels ? uint16_t(rng.Range(0, 31)) : 0;
                    in.levelHi = levels ? uint16_t(rng.Range(0, 31)) : 0;
                    in.fr = fr, in.fg = fg, in.fb = fb;
                    cases.push_back(in);
                }
    while (cases.size() % 32) cases.push_back(cases.back());
    return cases;
}

}  // namespace

// Each operation in the SSE2 and scalar lanes gives the bits of the packed steps, on both
// formats, for every channel value pair, at factors 0 to 32.
TEST(K63DBlend, EveryOperationFollowsThePackedSteps)
{
    raster_harness::Rng rng(71);
    for (const Fmt& f : {k565, k555}) {
        SCOPED_TRACE(f.is565 ? "565" : "555");
        const std::vector<In> lit = ChannelCases(f, rng, true, 0, 0, 0);
        Check<kSpanShade>(f, kLit, lit);
        Check<kSpanAddShade>(f, kAddLit, lit);
        const std::vector<In> plain = ChannelCases(f, rng, false, 0, 0, 0);
        Check<kSpanAdd>(f, kAdd, plain);
        Check<kSpanSrcSubDest>(f, kSrcSubDest, plain);
        Check<kSpanDestSubSrc>(f, kDestSubSrc, plain);
        for (const auto [fr, fg, fb] : {std::array<uint16_t, 3>{0, 0, 0}, {16, 16, 16}, {32, 32, 32}, {5, 20, 11}, {31, 7, 26}}) {
            const std::vector<In> var = ChannelCases(f, rng, false, fr, fg, fb);
            Check<kSpanAddVar>(f, kAddVar, var);
            Check<kSpanSrcSubDestVar>(f, kSrcSubDestVar, var);
            Check<kSpanDestSubSrcVar>(f, kDestSubSrcVar, var);
            Check<kSpanVarShade>(f, kVarLit, ChannelCases(f, rng, true, fr, fg, fb));
        }
    }
}

// What the steps amount to per channel on 5-6-5, and on 5-5-5 where red differs: the lit texel,
// the saturating sums and differences, the Var scaling (green in sixteenths, red and blue in even
// sixteenths), and the Var blend d + floor((s - d) F / 32).
TEST(K63DBlend, ChannelFormulas)
{
    raster_harness::Rng rng(73);
    for (const Fmt& f : {k565, k555}) {
        for (int iter = 0; iter < 20000; ++iter) {
            In in{};
            in.texel = uint16_t(rng.Next() & (f.is565 ? 0xFFFF : 0x7FFF));
            in.dest = uint16_t(rng.Next() & (f.is565 ? 0xFFFF : 0x7FFF));
            in.levelLo = in.levelHi = uint16_t(rng.Range(0, 31));
            in.fr = uint16_t(rng.Range(0, 32)), in.fg = uint16_t(rng.Range(0, 32)), in.fb = uint16_t(rng.Range(0, 32));
            const int l = in.levelLo, factor[3] = {in.fr, in.fg, in.fb};
            const uint16_t litPixel = StepBlend(f, kLit, in);
            for (int c = 0; c < 3; ++c) {
                const int s = Ch(f, in.texel, c), d = Ch(f, in.dest, c), mx = f.max[c];
                const bool red555 = c == 0 && !f.is565;
                const int lit = red555 ? ((s >> 1) * l) >> 4 : (s * l) >> 5;
                ASSERT_EQ(Ch(f, litPixel, c), lit);
                ASSERT_EQ(Ch(f, StepBlend(f, kAdd, in), c), std::min(mx, d + s));
                ASSERT_EQ(Ch(f, StepBlend(f, kAddLit, in), c), std::min(mx, d + lit));
                ASSERT_EQ(Ch(f, StepBlend(f, kSrcSubDest, in), c), std::max(0, s - d));
                ASSERT_EQ(Ch(f, StepBlend(f, kDestSubSrc, in), c), std::max(0, d - s));
                const int scaled = c == 1 ? (s * factor[c]) >> 4 : red555 ? 2 * (((s >> 1) * factor[c]) >> 4) : 2 * ((s * factor[c]) >> 5);
                ASSERT_EQ(Ch(f, StepBlend(f, kAddVar, in), c), std::min(mx, d + scaled)) << c;
                ASSERT_EQ(Ch(f, StepBlend(f, kSrcSubDestVar, in), c), std::max(0, std::min(mx, scaled) - d));
                ASSERT_EQ(Ch(f, StepBlend(f, kDestSubSrcVar, in), c), std::max(0, d - std::min(mx, scaled)));
                if (f.is565) {
                    const int diff = (lit - d) * factor[c];
                    ASSERT_EQ(Ch(f, StepBlend(f, kVarLit, in), c), d + (diff >= 0 ? diff / 32 : -((-diff + 31) / 32))) << c;
                }
            }
        }
    }
}

// The Var blend at factor 32 is the lit texel on 5-6-5, but not on 5-5-5, where red straddles the
// two halves once shifted: the steps hold, the equality does not.
TEST(K63DBlend, VarGouraudmonoAtFullFactor)
{
    raster_harness::Rng rng(79);
    for (const Fmt& f : {k565, k555}) {
        int differ = 0;
        for (int iter = 0; iter < 4096; ++iter) {
            In in{};
            in.texel = uint16_t(rng.Next() & (f.is565 ? 0xFFFF : 0x7FFF));
            in.dest = uint16_t(rng.Next() & (f.is565 ? 0xFFFF : 0x7FFF));
            in.levelLo = in.levelHi = uint16_t(rng.Range(0, 31));
            in.fr = in.fg = in.fb = 32;
            differ += StepBlend(f, kVarLit, in) != StepBlend(f, kLit, in);
        }
        if (f.is565)
            EXPECT_EQ(differ, 0);
        else
            EXPECT_GT(differ, 0);
    }
}
