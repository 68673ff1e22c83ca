// The K6-3D span routines called directly: short rows, the perspective blocks and remainders,
// keys, intensity lanes (beside the Pentium II ones), depth rules. The rig makes a pixel show its truncated u (16-bit) or its
// index and plane row (8-bit).
#include "raster_test.h"

#include "raster/k63d/K63DSpans.h"
#include "raster/p2/HandSpans.h"

using namespace rtest;

// Linear rows of one, two and three pixels: the single pixel at the start, one pair, one pair and
// the odd pixel at two steps; nothing beyond the row.
TEST(K63DSpans, ShortLinearRows)
{
    for (int n : {1, 2, 3}) {
        SpanRig rig(true);
        rig.Publish(false, n);
        rig.edge.u = 100.75f;
        SpanRig::SetLinearSteps(-3, 0);
        rig.Call(&Span_Texture16Linear1516K63D);
        for (int j = 0; j < n; ++j) EXPECT_EQ(rig.dst[size_t(j)], 100 - 3 * j) << n << " pixel " << j;
        EXPECT_EQ(rig.dst[size_t(n)], 0) << n;
    }
}

// FastPerspective rows at 1/w = 1: a block steps by its change rounded down to 32 units (a rise of
// 1.875 a pixel, 60 a block, is one unit a pixel; a fall of 1.5 a block one unit down; a fall of
// 0.9 or a rise of 31.9 none), the next block restarts on the divided value, a remainder steps by
// the truncated product with 1/m (toward zero). 1/w falling to 1/2 over a block doubles u.
TEST(K63DSpans, PerspectiveBlocksAndRemainders)
{
    for (int n : {1, 2, 3, 31, 32, 33, 64, 65}) {
        SpanRig rig(true);
        rig.Publish(false, n);
        rig.SetPerspective(1000.0f, 1.875f, 1.0f, 0.0f);
        rig.Call(&Span_Texture16FastPerspective1516K63D);
        for (int j = 0; j < n; ++j) ASSERT_EQ(rig.dst[size_t(j)], 1000 + 60 * (j / 32) + j % 32) << n << " pixel " << j;
        EXPECT_EQ(rig.dst[size_t(n)], 0) << n;
    }
    struct Case {
        int n;
        float perPixel;
        int unitsPerPixel;
    };
    for (const Case& c : {Case{32, -1.5f / 32, -1}, Case{32, -0.9f / 32, 0}, Case{32, 31.9f / 32, 0}, Case{3, -0.75f, 0}}) {
        SpanRig rig(true);
        rig.Publish(false, c.n);
        rig.SetPerspective(1000.0f, c.perPixel, 1.0f, 0.0f);
        rig.Call(&Span_Texture16FastPerspective1516K63D);
        for (int j = 0; j < c.n; ++j) ASSERT_EQ(rig.dst[size_t(j)], 1000 + c.unitsPerPixel * j) << c.n << " " << j;
    }
    SpanRig rig(true);
    rig.Publish(false, 33);
    rig.SetPerspective(1000.0f, 0.0f, 1.0f, -1.0f / 64.0f);
    rig.Call(&Span_Texture16FastPerspective1516K63D);
    for (int j = 0; j < 32; ++j) ASSERT_EQ(rig.dst[size_t(j)], 1000 + 31 * j) << j;
    EXPECT_EQ(rig.dst[32], 2000);
}

// A texel equal to the key leaves its pixel alone and its neighbours are drawn; a 16-bit key above
// 0xFFFF and an 8-bit key above 255 match nothing.
TEST(K63DSpans, KeyedTexels)
{
    for (bool t8 : {false, true})
        for (uint32_t key : {105u, 0x10069u}) {
            SpanRig rig(true);
            rig.Publish(t8, 9);
            std::fill(rig.dst.begin(), rig.dst.end(), uint16_t(0xBEEF));
            rig.edge.u = 101.0f;
            SpanRig::SetLinearSteps(1, 0);
            rastState.rastAlpha = rastState.rastAlphaPixel = key;
            rig.Call(t8 ? &Span_Texture8LinearOpacity1516K63D : &Span_Texture16LinearOpacity1516K63D);
            for (int j = 0; j < 9; ++j)
                EXPECT_EQ(rig.dst[size_t(j)], 101u + j == key ? 0xBEEF : 101 + j) << t8 << " " << key << " " << j;
        }
}

// 8-bit Gouraudmono in both hand-written families: a pixel's plane is its own lane's level
// (intensity >> 10, plane 0 for a negative lane). Lane 0 (first pixels) and lane 1 start at the first
// two centres and step by twice the step, saturating at 32767 and -32768; the K6-3D's lane 1 steps
// one unit less when the step is negative, by its pair step's carry.
TEST(HandSpans, IntensityLanesOfEightBitTexels)
{
    for (bool k6 : {false, true})
        for (const auto& [start, step] : {std::pair{10280, -3}, {32000, 300}, {500, -300}, {-32000, -900}, {-100, 700},
                                          {-5000, 1500}, {30000, 900}, {32767, 0}, {1023, 0}}) {
            SpanRig rig(k6);
            rig.Publish(true, 127);
            // The K6-3D rig's first centre lies on the edge, the Pentium II rig's half a pixel right of it.
            rig.edge.shade = float(start) - (k6 ? 0.0f : 0.5f * float(step));
            rig.SetShadeStep(step);
            if (k6) SpanRig::SetLinearSteps(1, 0);
            rig.Call(k6 ? &Span_Texture8LinearGouraudmono1516K63D : &Span_Texture8LinearGouraudmono1516MX);
            int64_t lane[2] = {start, std::clamp<int64_t>(start + step, -32768, 32767)};
            const int64_t pairStep[2] = {2 * step, 2 * step + (k6 && step < 0 ? 1 : 0)};
            for (int j = 0; j < 127; ++j) {
                const int64_t l = lane[j % 2];
                ASSERT_EQ(rig.dst[size_t(j)] >> 8, kRastShadeRowFirst + (l < 0 ? 0 : l >> 10))
                    << (k6 ? "K6-3D " : "II ") << start << " " << step << " pixel " << j;
                ASSERT_EQ(rig.dst[size_t(j)] & 0xFF, k6 ? j & 0xFF : 0);
                if (j % 2)
                    for (int p = 0; p < 2; ++p) lane[p] = std::clamp<int64_t>(lane[p] + pairStep[p], -32768, 32767);
            }
        }
}

// A pixel passes when its depth is at least the entry (unsigned); the opaque rows store it, the
// blending rows never. A start of 2^31 units or more saturates to 0x7FFFFFFF, in the Linear rows
// and from 1/w = 1 in the FastPerspective rows; a start below 0 is 0.
TEST(K63DSpans, DepthTestAndStore)
{
    SpanRig rig(true);
    rig.Publish(false, 6);
    rig.edge.z = float(0x7FFFFF00u - 0x80);
    rig.edge.u = 5.0f;
    rastState.rastDzDxFixed = 0x40;
    const uint32_t entries[6] = {0x7FFFFE80u, 0x7FFFFEC1u, 0x7FFFFF00u, 0, 0xFFFFFFFFu, 0x80000000u};
    std::copy(std::begin(entries), std::end(entries), rig.z.begin());
    rig.Call(&Span_Zi32Texture16Linear1516K63D);
    for (int j = 0; j < 6; ++j) {
        const uint32_t d = 0x7FFFFE80u + 0x40u * uint32_t(j);
        const bool pass = d >= entries[j];
        EXPECT_EQ(rig.z[size_t(j)], pass ? d : entries[j]) << j;
        EXPECT_EQ(rig.dst[size_t(j)] != 0, pass) << j;
    }
    std::copy(std::begin(entries), std::end(entries), rig.z.begin());
    std::fill(rig.dst.begin(), rig.dst.end(), uint16_t(0));
    rig.Call(&Span_Zi32Texture16LinearAddTransparency1516K63D);
    EXPECT_TRUE(std::equal(std::begin(entries), std::end(entries), rig.z.begin()));
    EXPECT_NE(rig.dst[2], 0);  // an equal depth passes

    for (float start : {2147483648.0f, 3.0e9f, -5.0f}) {
        std::fill(rig.z.begin(), rig.z.end(), 0u);
        rig.edge.z = start;
        rastState.rastDzDxFixed = 0;
        rig.Call(&Span_Zi32Texture16Linear1516K63D);
        EXPECT_EQ(rig.z[0], start < 0 ? 0u : 0x7FFFFFFFu) << start;
    }
    std::fill(rig.z.begin(), rig.z.end(), 0u);
    rig.SetPerspective(0.0f, 0.0f, 1.0f, 0.0f);
    rig.Call(&Span_Zi32Texture16FastPerspective1516K63D);
    EXPECT_EQ(rig.z[0], 0x7FFFFFFFu);
}
