// The colour work of the hand-written spans (lit texel and blends) in the SSE2 and scalar lane
// forms of both policies, against per-channel formulas over every channel value pair in both pixel
// formats.
#include "raster_test.h"

#include "raster/k63d/K63DSpanPolicy.h"
#include "raster/p2/MxSpanPolicy.h"
#include "raster/packed/SpreadBlend.h"

using namespace rtest;

namespace {

struct In {
    uint16_t texel, dest;
    uint16_t levelLo, levelHi;  // shade levels of the blue lane and of the green-red lane
    uint16_t w[3];              // red, green, blue weights
};

// 32 pixels through HandFinish of policy P in lane form L; the batch shares the first weights.
template <template <class> class P, class L, int V>
void Blend32(const Format& f, const In* in, uint16_t* out)
{
    HandSpanCtx c{};
    c.blend = SpreadConstsOf(f.mask, f.fill, in[0].w[0], in[0].w[1], in[0].w[2]);
    alignas(16) uint16_t S[32], D[32];
    alignas(16) uint32_t level[32];
    for (int i = 0; i < 32; ++i) S[i] = in[i].texel, D[i] = in[i].dest, level[i] = uint32_t(in[i].levelHi) << 16 | in[i].levelLo;
    HandFinish<P<L>, SpanTexels16, V>(c, S, level, D, out, 32);
}

// The channel a variant gives, or -1 where only the packed steps define it (5-5-5 red of
// VarGouraudmono). The Pentium II adds AddVar green to the whole destination pixel, so that its
// blue can carry into green; the K6-3D adds the green alone.
int Want(bool k6, int v, const Format& f, const In& in, int c)
{
    const int s = Ch(f, in.texel, c), d = Ch(f, in.dest, c), mx = f.max[c], w = in.w[c];
    const bool red555 = c == 0 && !f.is565;
    const int l = c == 2 ? in.levelLo : in.levelHi;
    const int lit = red555 ? ((s >> 1) * l) >> 4 : (s * l) >> 5;
    // The Var-scaled source: green in sixteenths, red and blue doubled from thirty-seconds.
    const int scaled = std::min(mx, c == 1 ? (s * w) >> 4 : 2 * (red555 ? ((s >> 1) * w) >> 4 : (s * w) >> 5));
    switch (v) {
    case kSpanShade: return lit;
    case kSpanAdd: return std::min(mx, s + d);
    case kSpanAddShade: return std::min(mx, d + lit);
    case kSpanSrcSubDest: return std::max(0, s - d);
    case kSpanDestSubSrc: return std::max(0, d - s);
    case kSpanAddVar:
        return !k6 && c == 1 ? std::min(mx, (32 * d + Ch(f, in.dest, 2) + 2 * s * w) >> 5) : std::min(mx, d + scaled);
    case kSpanSrcSubDestVar: return std::max(0, scaled - d);
    case kSpanDestSubSrcVar: return std::max(0, d - scaled);
    default: return red555 ? -1 : int(d + FloorDiv32(int64_t(lit - d) * w));  // kSpanVarShade
    }
}

// Every (texel, destination) pair of each channel, the other channels random, at random levels.
std::vector<In> ChannelCases(const Format& f, Rng& rng, uint16_t wr, uint16_t wg, uint16_t wb)
{
    std::vector<In> cases;
    const uint16_t bits = f.is565 ? 0xFFFF : 0x7FFF;
    for (int c = 0; c < 3; ++c)
        for (int s = 0; s <= f.max[c]; ++s)
            for (int d = 0; d <= f.max[c]; ++d)
                for (int rep = 0; rep < 2; ++rep) {
                    const uint16_t keep = uint16_t(~(f.max[c] << f.shift[c]) & bits);
                    In in{};
                    in.texel = uint16_t((rng.Next() & keep) | s << f.shift[c]);
                    in.dest = uint16_t((rng.Next() & keep) | d << f.shift[c]);
                    in.levelLo = uint16_t(rng.Range(0, 31)), in.levelHi = uint16_t(rng.Range(0, 31));
                    in.w[0] = wr, in.w[1] = wg, in.w[2] = wb;
                    cases.push_back(in);
                }
    while (cases.size() % 32) cases.push_back(cases.back());
    return cases;
}

template <template <class> class P, int V>
void CheckVariant(bool k6, const Format& f, const std::vector<In>& cases)
{
    std::vector<uint16_t> fast(cases.size()), scalar(cases.size());
    for (size_t i = 0; i < cases.size(); i += 32) {
        Blend32<P, packed::Lane4, V>(f, &cases[i], &fast[i]);
        Blend32<P, packed::Lane1, V>(f, &cases[i], &scalar[i]);
    }
    for (size_t i = 0; i < cases.size(); ++i) {
        const In& in = cases[i];
        SCOPED_TRACE(testing::Message() << "variant " << V << " texel " << in.texel << " dest " << in.dest << " levels "
                                        << in.levelLo << "," << in.levelHi << " weights " << in.w[0] << "," << in.w[1]
                                        << "," << in.w[2]);
        ASSERT_EQ(scalar[i], fast[i]);
        for (int c = 0; c < 3; ++c) {
            const int want = Want(k6, V, f, in, c);
            if (want >= 0) {
                ASSERT_EQ(Ch(f, fast[i], c), want) << "channel " << c;
            }
        }
        if (!f.is565) {
            ASSERT_EQ(fast[i] & 0x8000, 0);  // every operation rebuilds the pixel
        }
    }
}

template <template <class> class P>
void CheckFamily(bool k6)
{
    Rng rng(71);
    for (const Format& f : {k565, k555}) {
        SCOPED_TRACE(f.is565 ? "565" : "555");
        const std::vector<In> plain = ChannelCases(f, rng, 0, 0, 0);
        CheckVariant<P, kSpanShade>(k6, f, plain);
        CheckVariant<P, kSpanAddShade>(k6, f, plain);
        CheckVariant<P, kSpanAdd>(k6, f, plain);
        CheckVariant<P, kSpanSrcSubDest>(k6, f, plain);
        CheckVariant<P, kSpanDestSubSrc>(k6, f, plain);
        for (const auto& [wr, wg, wb] : {std::array<uint16_t, 3>{0, 0, 0}, {16, 16, 16}, {32, 32, 32}, {5, 20, 11}, {31, 7, 26}}) {
            const std::vector<In> var = ChannelCases(f, rng, wr, wg, wb);
            CheckVariant<P, kSpanAddVar>(k6, f, var);
            CheckVariant<P, kSpanSrcSubDestVar>(k6, f, var);
            CheckVariant<P, kSpanDestSubSrcVar>(k6, f, var);
            CheckVariant<P, kSpanVarShade>(k6, f, var);
        }
    }
}

}  // namespace

TEST(HandBlend, PentiumIIAndMmxLanesFollowTheChannelFormulas) { CheckFamily<MxSpanPolicy>(false); }
TEST(HandBlend, K63DLanesFollowTheChannelFormulas) { CheckFamily<K63DSpanPolicy>(true); }
