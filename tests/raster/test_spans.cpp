// The portable spans: blend arithmetic, shading, palette rows and keys, depth rules; the depth-only
// spans of every family.
#include "raster_test.h"

using namespace rtest;

namespace {

uint32_t Mix(uint32_t a) { return (a * 2654435761u) >> 7; }

// Every value of every channel for source and destination, each blend variant, several weights;
// the other two channels vary, so that a carry or borrow across channels shows.
void CheckBlendsExhaustively(const Format& f)
{
    OnePixel px;
    PublishFormat(f);
    for (int variant = kSpanAdd; variant < kSpanVariants; ++variant) {
        const RastFn span = RowOf(4, variant).span;  // Texture1516Linear
        const bool shaded = SpanVariantShaded(variant);
        for (uint32_t w : {0u, 3u, 16u, 21u, 32u}) {
            rastState.rastVarWeightR = rastState.rastVarWeightG = rastState.rastVarWeightB = uint16_t(w);
            for (int c = 0; c < 3; ++c) {
                const uint32_t max = uint32_t(f.max[c]), keep = ~(max << f.shift[c]);
                for (uint32_t s = 0; s <= max; ++s)
                    for (uint32_t d = 0; d <= max; ++d) {
                        const uint32_t other = Mix(s * 97 + d + c * 7 + w) & (f.is565 ? 0xFFFF : 0x7FFF);
                        const uint32_t S = (other & keep) | (s << f.shift[c]);
                        const uint32_t D = (Mix(other) & keep & 0xFFFF) | (d << f.shift[c]);
                        const uint32_t k = shaded ? (s * 1021 + d * 17) % 32768 : 0;
                        px.texel16 = uint16_t(S);
                        px.dst = uint16_t(D);
                        rastState.rastAlphaPixel = 0x10000;  // never the key
                        px.Publish(4, 0, float(k));
                        span();
                        const uint32_t src = shaded ? RefShade16(f, S, k, false) : S;
                        ASSERT_EQ(px.dst, RefPixel(f, variant, src, D, w))
                            << "variant " << variant << " w " << w << " S " << std::hex << S << " D " << D << " k " << k;
                    }
            }
        }
    }
}

}  // namespace

TEST(SpanBlend, ExhaustiveInBothFormats)
{
    CheckBlendsExhaustively(k565);
    CheckBlendsExhaustively(k555);
}

// 8-bit sources: the palette row for plain variants, row 3 + (s >> 10) for shaded ones with the
// intensity clamped to the planes; the 8-bit key is the index, the 16-bit key the texel.
TEST(SpanTexels, PaletteRowsAndKeys)
{
    OnePixel px;
    PublishFormat(k565);
    for (int r = 0; r < kRastPaletteRows * kRastPaletteEntries; ++r) px.palette[r] = uint16_t(r);
    px.texel8 = 77;
    const std::pair<float, int> levels[] = {{0, 3}, {32767, 34}, {1023, 3}, {1024, 4}, {-5000, 3}, {40000, 34}, {3e9f, 34}};
    for (const auto& [shade, row] : levels) {
        px.Publish(0, 0, shade);
        RowOf(0, kSpanShade).span();
        EXPECT_EQ(px.dst >> 8, row) << shade;
    }
    struct Key {
        int family;
        uint32_t alpha, alphaPixel;
        bool skip;
    };
    px.texel16 = 0x4321;
    for (const Key& k : {Key{0, 77, 0, true}, Key{0, 78, 77, false}, Key{4, 0x4321, 0x4321, true}, Key{4, 0, 0x4320, false}}) {
        rastState.rastAlpha = k.alpha;
        rastState.rastAlphaPixel = k.alphaPixel;
        px.dst = 0xABCD;
        px.Publish(k.family, 0, 0);
        RowOf(k.family, kSpanKey).span();
        EXPECT_EQ(px.dst, k.skip ? 0xABCD : k.family ? 0x4321 : 77) << k.family << " " << k.alpha;
    }
}

// The textured z rows pass on an equal entry and compare unsigned; the opaque variants store z
// where they draw, keyed ones not where the key skips, blended ones never.
TEST(SpanDepth, TexturedRows)
{
    OnePixel px;
    PublishFormat(k565);
    rastState.rastVarWeightR = rastState.rastVarWeightG = rastState.rastVarWeightB = 16;
    for (uint16_t& p : px.palette) p = 0xFFFF;
    for (int family : {2, 3, 6, 7}) {
        for (int variant = 0; variant < kSpanVariants; ++variant) {
            const RastFn span = RowOf(family, variant).span;
            SCOPED_TRACE(RowOf(family, variant).name);
            px.texel8 = 9;
            px.texel16 = 0xFFFF;
            rastState.rastAlpha = 200;
            rastState.rastAlphaPixel = 0x10000;
            auto draw = [&](uint32_t depth, uint32_t entry) {
                px.dst = 0x8410;  // every variant changes this pixel under a white source
                px.z = entry;
                px.Publish(family, depth, 32767);
                span();
                return px.dst != 0x8410;
            };
            const uint32_t a = 0x40000000, b = 0x7FFFFF80, c = 0x80000000;
            EXPECT_TRUE(draw(a, a));
            EXPECT_EQ(px.z, a);
            EXPECT_FALSE(draw(a, a + 1));
            EXPECT_EQ(px.z, a + 1);
            EXPECT_FALSE(draw(b, c));  // 0x80000000 is nearer than 0x7FFFFF80 as unsigned values
            EXPECT_TRUE(draw(c, b));
            EXPECT_EQ(px.z, SpanVariantWritesZ(variant) ? c : b);
            if (SpanVariantKeyed(variant)) {
                rastState.rastAlpha = 9;
                rastState.rastAlphaPixel = 0xFFFF;
                EXPECT_FALSE(draw(c, b));
                EXPECT_EQ(px.z, b);
            }
        }
    }
}

// Zi32FlatC draws strictly nearer pixels only.
TEST(SpanDepth, SingleRows)
{
    SpanState& s = rastState;
    RastEdge edge{};
    edge.x = 0.5f;
    edge.z = 1073741824.0f;
    uint16_t dst[3] = {0, 0, 0};
    uint32_t z32[3] = {0x40000000, 0x40000000, 0x40000300};  // pixels at 0x40000000 + 0, 0x100, 0x200
    s.rastSpanEdge = &edge;
    s.rastSpanX0 = 0;
    s.rastSpanX1 = 3;
    s.rastDestRow = reinterpret_cast<uint8_t*>(dst);
    s.rastDzDx = 0;
    s.rastDzDxFixed = 0x100;
    s.rastColor = 0xABCD1234;
    s.rastZRow = reinterpret_cast<uint8_t*>(z32);
    Span_Zi32FlatC();
    EXPECT_EQ(std::vector<uint16_t>(dst, dst + 3), (std::vector<uint16_t>{0, 0x1234, 0}));
    EXPECT_EQ(std::vector<uint32_t>(z32, z32 + 2), (std::vector<uint32_t>{0x40000000, 0x40000100}));
}

// The depth-only span of every family keeps the upper half of its running depth where it is at
// least the stored entry, and never writes the destination.
TEST(SpanDepth, DepthOnlySpansOfEveryFamily)
{
    struct Case {
        int n;
        int32_t step;
        std::vector<uint16_t> entries, want;
    };
    const Case cases[] = {{3, 0, {0x3FFF, 0x4000, 0x4001, 0x0000}, {0x4000, 0x4000, 0x4001, 0x0000}},
                          {4, 0x8000, {0x4000, 0x4001, 0x3FFF, 0x0000, 0x1234}, {0x4000, 0x4001, 0x4001, 0x4001, 0x1234}}};
    for (const Family& fam : kFamilies)
        for (const Case& c : cases) {
            SpanRig rig(fam.depthSpan == &Span_Zi32b15AsmMMX3K63D);
            rig.Publish(false, c.n);
            std::vector<uint16_t> z16 = c.entries;
            rastState.rastZRow = reinterpret_cast<uint8_t*>(z16.data());
            rig.edge.z = 1073741824.0f;  // 0.5 x 2^31
            rastState.rastDzDxFixed = c.step;
            rig.dst.assign(rig.dst.size(), 0x5555);
            rig.Call(fam.depthSpan);
            EXPECT_EQ(z16, c.want) << fam.name << " step " << c.step;
            EXPECT_EQ(rig.Dst(c.n), std::vector<uint16_t>(size_t(c.n), 0x5555)) << fam.name;
        }
}

// The portable perspective walk never divides by a 1/w of 0 or less: a subdivision point past the
// crossing keeps the previous point's coordinates, so the rest of the span samples that texel.
TEST(SpanPerspective, NoDivisionByAVanishingOneOverW)
{
    SpanRig rig(false);
    rig.Publish(false, 70);
    // u/w 5120 (u = 5120 / (1/w), texel column u >> 10); 1/w from 0.49375 at the first centre,
    // 0.09375 at pixel 32, below 0 from pixel 39.
    rig.SetPerspective(5120.0f, 0.0f, 0.5f, -0.0125f);
    RowOf(5, kSpanCopy).span();
    EXPECT_EQ(rig.dst[0], 10);  // 5120 / 0.49375 = 10369.6
    for (int j = 32; j < 70; ++j) EXPECT_EQ(rig.dst[size_t(j)], 53) << j;  // 5120 / 0.09375 = 54613.3
}
