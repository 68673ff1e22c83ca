// The portable spans: blend arithmetic, depth rules, intensity planes and the perspective walk.
#include <gtest/gtest.h>

#include <cmath>

#include "test_spans_common.h"

using namespace span_test;

namespace {

uint32_t Mix(uint32_t a) { return (a * 2654435761u) >> 7; }

// Every value of every channel for source and destination, each variant, several weights; the
// other two channels carry varying values so that a carry or borrow across channels shows.
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
                const uint32_t max = (1u << f.bits[c]) - 1;
                for (uint32_t s = 0; s <= max; ++s) {
                    for (uint32_t d = 0; d <= max; ++d) {
                        const uint32_t other = Mix(s * 97 + d + c * 7 + w) & (f.is565 ? 0xFFFF : 0x7FFF);
                        const uint32_t keep = ~(max << f.shift[c]);
                        const uint32_t S = (other & keep) | (s << f.shift[c]);
                        const uint32_t D = (Mix(other) & keep & 0xFFFF) | (d << f.shift[c]);
                        const uint32_t k = shaded ? (s * 1021 + d * 17) % 32768 : 0;
                        px.texel16 = uint16_t(S);
                        px.dst = uint16_t(D);
                        // Never the key (the key variant 11 is checked below).
                        rastState.rastAlphaPixel = 0x10000;
                        px.Publish(4, 0, float(k));
                        span();
                        const uint32_t src = shaded ? RefShade16(f, S, k, false) : S;
                        ASSERT_EQ(px.dst, RefPixel(f, variant, src, D, w))
                            << "variant " << variant << " w " << w << " channel " << c << " S " << std::hex << S
                            << " D " << D << " k " << std::dec << k;
                    }
                }
            }
        }
    }
}

}  // namespace

TEST(SpanBlend, Exhaustive565) { CheckBlendsExhaustively(k565); }
TEST(SpanBlend, Exhaustive555) { CheckBlendsExhaustively(k555); }

TEST(SpanBlend, ShadeFormsOnEveryChannelValue)
{
    OnePixel px;
    for (const Format& f : {k565, k555}) {
        PublishFormat(f);
        for (uint32_t k : {0u, 1023u, 1024u, 16384u, 20000u, 32767u}) {
            for (uint32_t S = 0; S < 0x10000; S += 7) {
                for (int variant : {kSpanShade, kSpanKeyShade}) {
                    px.texel16 = uint16_t(S);
                    px.dst = 0;
                    rastState.rastAlphaPixel = 0x10000;
                    px.Publish(4, 0, float(k));
                    RowOf(4, variant).span();
                    ASSERT_EQ(px.dst, RefShade16(f, S, k, variant == kSpanShade)) << std::hex << S << " " << k;
                }
            }
        }
    }
}

TEST(SpanBlend, DocumentedCases565)
{
    OnePixel px;
    PublishFormat(k565);
    auto run = [&](int variant, uint16_t S, uint16_t D, float shade = 0) {
        px.texel16 = S;
        px.dst = D;
        rastState.rastAlphaPixel = 0x10000;
        px.Publish(4, 0, shade);
        RowOf(4, variant).span();
        return px.dst;
    };
    EXPECT_EQ(run(kSpanAdd, 0x0800, 0xF800), 0xF800);
    EXPECT_EQ(run(kSpanAdd, 0x0014, 0x0010), 0x001F);
    EXPECT_EQ(run(kSpanAdd, 0x8410, 0x8410), 0xFFFF);
    EXPECT_EQ(run(kSpanSrcSubDest, 0x07E0, 0x0400), 0x03E0);
    EXPECT_EQ(run(kSpanDestSubSrc, 0x0014, 0x0010), 0x0000);
    EXPECT_EQ(run(kSpanShade, 0xFFFF, 0, 16384), 0x7BEF);
    EXPECT_EQ(run(kSpanKeyShade, 0xFFFF, 0, 16384), 0x7BEF);
    // Zero weights: 7, 9, 10, 11 leave the destination, 8 writes black.
    rastState.rastVarWeightR = rastState.rastVarWeightG = rastState.rastVarWeightB = 0;
    for (int v : {kSpanAddVar, kSpanDestSubSrcVar, kSpanVarShade, kSpanVarKeyShade})
        EXPECT_EQ(run(v, 0xFFFF, 0x1234, 30000), 0x1234) << v;
    EXPECT_EQ(run(kSpanSrcSubDestVar, 0xFFFF, 0x1234), 0);
}

// 8-bit sources: the palette row for plain variants, row 3 + (s >> 10) for shaded ones, the
// intensity clamped to the planes; the key is the index, the 16-bit rows' key the pixel.
TEST(SpanTexels, PaletteRowsAndKeys)
{
    OnePixel px;
    PublishFormat(k565);
    for (int r = 0; r < kRastPaletteRows; ++r)
        for (int e = 0; e < kRastPaletteEntries; ++e) px.palette[r * 256 + e] = uint16_t(r * 256 + e);
    px.texel8 = 77;
    auto shadeRow = [&](float shade) {
        px.Publish(0, 0, shade);
        RowOf(0, kSpanShade).span();
        return px.dst >> 8;
    };
    EXPECT_EQ(shadeRow(0), 3);
    EXPECT_EQ(shadeRow(32767), 34);
    EXPECT_EQ(shadeRow(1023), 3);
    EXPECT_EQ(shadeRow(1024), 4);
    EXPECT_EQ(shadeRow(-5000), 3);
    EXPECT_EQ(shadeRow(40000), 34);
    EXPECT_EQ(shadeRow(3e9f), 34);
    px.Publish(0, 0, 0);
    RowOf(0, kSpanCopy).span();
    EXPECT_EQ(px.dst, 77);

    // The 8-bit key compares the index with rastAlpha, never with rastAlphaPixel.
    rastState.rastAlpha = 77;
    rastState.rastAlphaPixel = 0;
    px.dst = 0xABCD;
    px.Publish(0, 0, 0);
    RowOf(0, kSpanKey).span();
    EXPECT_EQ(px.dst, 0xABCD);
    rastState.rastAlpha = 78;
    rastState.rastAlphaPixel = 77;
    RowOf(0, kSpanKey).span();
    EXPECT_EQ(px.dst, 77);
    // The 16-bit key compares the texel with rastAlphaPixel.
    px.texel16 = 0x4321;
    px.dst = 0x1111;
    rastState.rastAlpha = 0x4321;
    rastState.rastAlphaPixel = 0x4321;
    px.Publish(4, 0, 0);
    RowOf(4, kSpanKey).span();
    EXPECT_EQ(px.dst, 0x1111);
    rastState.rastAlpha = 0;
    rastState.rastAlphaPixel = 0x4320;
    RowOf(4, kSpanKey).span();
    EXPECT_EQ(px.dst, 0x4321);
}

// The textured z rows pass on an equal entry and compare unsigned; the opaque variants store z
// where they draw, keyed ones not where the key skips, blended ones never.
TEST(SpanDepth, TexturedRows)
{
    OnePixel px;
    PublishFormat(k565);
    rastState.rastVarWeightR = rastState.rastVarWeightG = rastState.rastVarWeightB = 16;
    for (int r = 0; r < kRastPaletteRows * 256; ++r) px.palette[r] = 0xFFFF;
    for (int family : {2, 3, 6, 7}) {
        for (int variant = 0; variant < kSpanVariants; ++variant) {
            const RastFn span = RowOf(family, variant).span;
            SCOPED_TRACE(RowOf(family, variant).name);
            px.texel8 = 9;
            px.texel16 = 0xFFFF;
            rastState.rastAlpha = 200;
            rastState.rastAlphaPixel = 0x10000;
            auto draw = [&](uint32_t depth, uint32_t entry) {
                // Every variant changes this pixel under a white source.
                px.dst = 0x8410;
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
            // 0x80000000 is nearer than 0x7FFFFF80 as unsigned values.
            EXPECT_FALSE(draw(b, c));
            EXPECT_TRUE(draw(c, b));
            EXPECT_EQ(px.z, SpanVariantWritesZ(variant) ? c : b);
            // The key leaves both pixel and entry.
            if (SpanVariantKeyed(variant)) {
                rastState.rastAlpha = 9;
                rastState.rastAlphaPixel = 0xFFFF;
                EXPECT_FALSE(draw(c, b));
                EXPECT_EQ(px.z, b);
            }
        }
    }
}

TEST(SpanDepth, SingleRows)
{
    SpanState& s = rastState;
    RastEdge edge{};
    edge.x = 0.5f;
    uint16_t dst[3] = {0, 0, 0};
    uint32_t z32[3];
    s.rastSpanEdge = &edge;
    s.rastSpanX0 = 0;
    s.rastSpanX1 = 3;
    s.rastDestRow = reinterpret_cast<uint8_t*>(dst);
    s.rastDzDx = 0;
    s.rastDzDxFixed = 0x100;
    s.rastColor = 0xABCD1234;
    // Zi32FlatC: strictly nearer only; pixels 0..2 have z 0x40000000 + 0, 0x100, 0x200.
    edge.z = 1073741824.0f;
    z32[0] = 0x40000000;
    z32[1] = 0x40000000;
    z32[2] = 0x40000300;
    s.rastZRow = reinterpret_cast<uint8_t*>(z32);
    Span_Zi32FlatC();
    EXPECT_EQ(dst[0], 0);
    EXPECT_EQ(z32[0], 0x40000000u);
    EXPECT_EQ(dst[1], 0x1234);
    EXPECT_EQ(z32[1], 0x40000100u);
    EXPECT_EQ(dst[2], 0);
    // Zi32b15C: keeps the larger 16-bit value, never writes the destination.
    uint16_t z16[3] = {0x3FFF, 0x4000, 0x4001};
    s.rastZRow = reinterpret_cast<uint8_t*>(z16);
    s.rastDzDxFixed = 0;
    dst[0] = dst[1] = dst[2] = 0x5555;
    Span_Zi32b15C();
    EXPECT_EQ(z16[0], 0x4000);
    EXPECT_EQ(z16[1], 0x4000);
    EXPECT_EQ(z16[2], 0x4001);
    EXPECT_EQ(dst[0], 0x5555);
    // FlatC stores the low 16 bits of the colour.
    Span_FlatC();
    EXPECT_EQ(dst[0], 0x1234);
    EXPECT_EQ(dst[2], 0x1234);
}

// A 70-pixel perspective span is two exact blocks of 32 and a tail of 6: the texel at each block
// start is the exact perspective one; in between the walk is linear.
TEST(SpanWalk, PerspectiveBlocks)
{
    SpanState& s = rastState;
    PublishFormat(k565);
    std::vector<uint16_t> tex(1024);
    for (int i = 0; i < 1024; ++i) tex[i] = uint16_t(i);
    std::vector<uint16_t> dst(70);
    RastEdge edge{};
    edge.x = 0.5f;
    edge.z = 1.0f;
    edge.u = 20.0f * 65536.0f;  // u/w in texture fixed-point units: column 20 at 1/w = 1
    s.rastSpanEdge = &edge;
    s.rastSpanX0 = 0;
    s.rastSpanX1 = 70;
    s.rastDestRow = reinterpret_cast<uint8_t*>(dst.data());
    s.rastTexBits = reinterpret_cast<const uint8_t*>(tex.data());
    s.rastTexMaskLo = 0xFFFFFFFF;  // 1024 x 1: hb = 0, wb = 10
    s.rastTexMaskHi = 0;
    s.rastTexShift = 22;
    s.rastDzDx = -0.0095f;
    s.rastDuDx = 3.0f * 65536.0f;
    s.rastDvDx = 0;
    s.rastDzDx32 = s.rastDzDx * 32;
    s.rastDuDx32 = s.rastDuDx * 32;
    s.rastDvDx32 = 0;
    RowOf(5, kSpanCopy).span();  // Texture1516FastPerspective
    auto exact = [&](int k) {
        const double p = 0.5 + k;
        return (p * double(s.rastDuDx) + edge.u) / (p * double(s.rastDzDx) + edge.z) / 65536.0;
    };
    for (int k : {0, 32, 64}) EXPECT_EQ(dst[k], int(std::floor(exact(k)))) << k;
    // Straight between the block starts; the tail of 6 steps toward the exact value 6 pixels on.
    for (int k = 1; k < 70; ++k) EXPECT_GE(dst[k], dst[k - 1]) << k;
    for (int k : {16, 48}) EXPECT_NEAR(dst[k], (exact(k - 16) + exact(k + 16)) / 2, 1.5) << k;
    EXPECT_NEAR(dst[69], exact(64) + (exact(70) - exact(64)) * 5.0 / 6.0, 1.5);
    // One straight walk over the whole span would be far off in the middle of the first block.
    EXPECT_GT(std::fabs(exact(16) - (exact(0) + (exact(64) - exact(0)) / 4.0)), 3.0);
}
