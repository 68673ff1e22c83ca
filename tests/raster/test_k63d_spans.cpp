// The K6-3D span routines called directly: pixel order of short rows, the perspective blocks and
// remainders, keys, intensity lanes, depth rules, and every SSE2 span against its scalar reference.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "raster/k63d/K63DSpanPolicy.h"
#include "raster/k63d/K63DSpans.h"
#include "raster/packed/TwoLaneSpan.h"
#include "testdata/RasterHarness.h"

namespace {

using Reference = K63DSpanPolicy<packed::Lane1>;
#define QM_K63D_REFERENCE(index, name, mode) &HandModeSpan<Reference, mode>,
constexpr RastFn kReferenceSpans[] = {QM_K63D_TEXTURED_SPANS(QM_K63D_REFERENCE)};
#undef QM_K63D_REFERENCE

// One row of 128 pixels and its z-buffer row. The 16-bit texture is addressed so that a texel is
// one unit of u (mask 0x003FFFFF, shift 6, v kept at 0): texel i holds i, so a pixel shows its
// truncated u. The 8-bit texel i holds i & 255 and plane entry t of row p is p << 8 | t, so a
// pixel shows its index and, for Gouraudmono, its level + 3.
struct Rig {
    static constexpr int kW = 128;
    std::vector<uint16_t> dst = std::vector<uint16_t>(kW);
    std::vector<uint32_t> z = std::vector<uint32_t>(kW);
    std::vector<uint16_t> tex16 = std::vector<uint16_t>(65536);
    std::vector<uint8_t> tex8 = std::vector<uint8_t>(65536);
    std::vector<uint16_t> plane = std::vector<uint16_t>(kRastPaletteRows * kRastPaletteEntries);
    RastEdge edge{};

    Rig()
    {
        for (int i = 0; i < 65536; ++i) tex16[size_t(i)] = uint16_t(i), tex8[size_t(i)] = uint8_t(i);
        for (size_t i = 0; i < plane.size(); ++i) plane[i] = uint16_t((i / 256) << 8 | (i % 256));
        edge.x = 1.0f;  // the first pixel's centre is the edge: start values are the edge's
    }
    void Publish(bool texture8, int n)
    {
        SpanState& s = rastState;
        s.rastSpanEdge = &edge;
        s.rastSpanX0 = 0;
        s.rastSpanX1 = n;
        s.rastDestRow = reinterpret_cast<uint8_t*>(dst.data());
        s.rastZRow = reinterpret_cast<uint8_t*>(z.data());
        s.rastTexBits = texture8 ? tex8.data() : reinterpret_cast<const uint8_t*>(tex16.data());
        s.rastTexMaskLo = 0x003FFFFF;
        s.rastTexMaskHi = 0xFFC00000;
        s.rastTexShift = 6;
        s.rastPalette = plane.data();
        s.rastShadePlanes = plane.data() + kRastShadeRowFirst * kRastPaletteEntries;
        s.rastAlpha = s.rastAlphaPixel = 0x10000;  // matches no texel
        s.rastSpreadMask = 0x07E0F81F;
        s.rastCarryMask = 0xF80000E0;
        s.rastVarWeightR = s.rastVarWeightG = s.rastVarWeightB = 0;
        s.rastDuDx = s.rastDvDx = s.rastDzDx = s.rastDsDx = 0.0f;
        s.rastDuDx32 = s.rastDvDx32 = s.rastDzDx32 = 0.0f;
        s.rastDuDxFixed = s.rastDvDxFixed = s.rastDzDxFixed = 0;
        s.rastDuDx2Fix[0] = s.rastDuDx2Fix[1] = s.rastDvDx2Fix[0] = s.rastDvDx2Fix[1] = 0;
        SetShadeStep(0);
    }
    // The intensity step as the K6-3D set-up publishes it: the pair's high lanes carry.
    static void SetShadeStep(int32_t k)
    {
        const uint32_t step = uint32_t(k) & 0xFFFF, pair = 2 * (step * 65537u);
        rastState.rastDgDxInt = step;
        for (int i = 0; i < 4; ++i) rastState.rastDgDxLanes[i] = uint16_t(i % 2 ? pair >> 16 : pair);
    }
    static void SetLinearU(int32_t perPixel)
    {
        SpanState& s = rastState;
        s.rastDuDx = float(perPixel);
        s.rastDuDxFixed = int32_t(uint32_t(perPixel) << 6);
        s.rastDuDx2Fix[0] = s.rastDuDx2Fix[1] = int32_t(uint32_t(perPixel) << 7);
    }
    // u/w at the edge and its change per pixel; 1/w and its change.
    void SetPerspective(float uw, float duw, float w, float dw)
    {
        edge.u = uw, edge.z = w;
        SpanState& s = rastState;
        s.rastDuDx = duw, s.rastDuDx32 = duw * 32.0f;
        s.rastDzDx = dw, s.rastDzDx32 = dw * 32.0f;
    }
};

}  // namespace

// Linear rows of one, two and three pixels: the single pixel at the start, one pair, one pair and
// the odd pixel at two steps; nothing beyond the row.
TEST(K63DSpans, ShortLinearRows)
{
    for (int n : {1, 2, 3}) {
        Rig rig;
        rig.Publish(false, n);
        rig.edge.u = 100.75f;
        Rig::SetLinearU(-3);
        Span_Texture16Linear1516K63D();
        for (int j = 0; j < n; ++j) EXPECT_EQ(rig.dst[size_t(j)], 100 - 3 * j) << n << " pixel " << j;
        EXPECT_EQ(rig.dst[size_t(n)], 0) << n;
    }
}

// FastPerspective rows of 1/w = 1 and u/w rising 1.875 a pixel: a block steps by its change of
// 60 rounded down to 32, one unit a pixel, and the next block restarts on the divided value; the
// remainder steps by the truncated product with 1/m; a last single pixel is its own divided value.
TEST(K63DSpans, PerspectiveBlocksAndRemainders)
{
    for (int n : {1, 2, 3, 31, 32, 33, 64, 65}) {
        SCOPED_TRACE(n);
        Rig rig;
        rig.Publish(false, n);
        rig.SetPerspective(1000.0f, 1.875f, 1.0f, 0.0f);
        Span_Texture16FastPerspective1516K63D();
        for (int j = 0; j < n; ++j) {
            const int block = j / 32, k = j % 32;
            const int start = 1000 + 60 * block;
            // Whole blocks, and remainders: trunc(1.875 m x 1/m) = 1; pixel 32 starts block 1.
            ASSERT_EQ(rig.dst[size_t(j)], start + k) << "pixel " << j;
        }
        EXPECT_EQ(rig.dst[size_t(n)], 0);
    }
    // The division: 1/w falling from 1 to 1/2 over the block doubles u: the change 1000 gives 31
    // units a pixel, and pixel 32 is 2000.
    Rig rig;
    rig.Publish(false, 33);
    rig.SetPerspective(1000.0f, 0.0f, 1.0f, -1.0f / 64.0f);
    Span_Texture16FastPerspective1516K63D();
    for (int j = 0; j < 32; ++j) ASSERT_EQ(rig.dst[size_t(j)], 1000 + 31 * j) << j;
    EXPECT_EQ(rig.dst[32], 2000);
}

// Block steps are the truncated change shifted right by 5: a fall of 1.5 over a block is one unit
// a pixel down, a fall of 0.9 or a rise of 31.9 none. A remainder's step truncates toward zero: a
// fall of 1.5 over two pixels is none.
TEST(K63DSpans, PerspectiveStepRounding)
{
    struct Case {
        int n;
        float perPixel;
        int unitsPerPixel;
    };
    for (const Case& c : {Case{32, -1.5f / 32, -1}, Case{32, -0.9f / 32, 0}, Case{32, 31.9f / 32, 0}, Case{3, -0.75f, 0}}) {
        Rig rig;
        rig.Publish(false, c.n);
        rig.SetPerspective(1000.0f, c.perPixel, 1.0f, 0.0f);
        Span_Texture16FastPerspective1516K63D();
        for (int j = 0; j < c.n; ++j) ASSERT_EQ(rig.dst[size_t(j)], 1000 + c.unitsPerPixel * j) << c.n << " " << j;
    }
}

// A texel equal to the key leaves its pixel alone and its neighbours are drawn; a 16-bit key above
// 0xFFFF and an 8-bit key above 255 match nothing.
TEST(K63DSpans, KeyedTexels)
{
    for (bool t8 : {false, true}) {
        for (uint32_t key : {105u, 0x10069u}) {
            Rig rig;
            rig.Publish(t8, 9);
            std::fill(rig.dst.begin(), rig.dst.end(), uint16_t(0xBEEF));
            rig.edge.u = 101.0f;
            Rig::SetLinearU(1);
            rastState.rastAlpha = rastState.rastAlphaPixel = key;
            t8 ? Span_Texture8LinearOpacity1516K63D() : Span_Texture16LinearOpacity1516K63D();
            for (int j = 0; j < 9; ++j) {
                const uint16_t texel = uint16_t(101 + j);
                const bool keyed = texel == key;
                EXPECT_EQ(rig.dst[size_t(j)], keyed ? 0xBEEF : texel) << t8 << " " << key << " " << j;
            }
        }
    }
}

// 8-bit Gouraudmono: a pixel's plane is its own lane's level. Lane 0 (first pixels) steps by the
// low pair lane, lane 1 (second pixels) by the high one, which a negative step's carry makes one
// unit smaller; lanes stick at 32767 and -32768, and a negative lane selects plane 0.
TEST(K63DSpans, IntensityLanesOfEightBitTexels)
{
    struct Case {
        int32_t start, step;
    };
    for (const Case& c : {Case{10280, -3}, Case{32000, 300}, Case{500, -300}, Case{-32000, -900}, Case{-100, 700}}) {
        Rig rig;
        rig.Publish(true, 127);
        rig.edge.shade = float(c.start);
        Rig::SetShadeStep(c.step);
        Rig::SetLinearU(1);
        Span_Texture8LinearGouraudmono1516K63D();
        int64_t lane[2] = {c.start, std::clamp<int64_t>(c.start + c.step, -32768, 32767)};
        const int64_t pairStep[2] = {2 * c.step, 2 * c.step + (c.step < 0 ? 1 : 0)};
        for (int j = 0; j < 127; ++j) {
            const int64_t l = lane[j % 2];
            ASSERT_EQ(rig.dst[size_t(j)] >> 8, 3 + (l < 0 ? 0 : l >> 10)) << c.start << " " << c.step << " pixel " << j;
            ASSERT_EQ(rig.dst[size_t(j)] & 0xFF, j & 0xFF);
            if (j % 2) {
                for (int p = 0; p < 2; ++p) lane[p] = std::clamp<int64_t>(lane[p] + pairStep[p], -32768, 32767);
            }
        }
    }
}

// 16-bit Gouraudmono on a white texel: blue follows each pixel's low lane, green and red its high
// lane, and with a negative step the high lanes fall one unit a pair slower. Full intensity keeps
// 31/32 of each channel.
TEST(K63DSpans, IntensityLanesOfSixteenBitTexels)
{
    Rig rig;
    rig.Publish(false, 64);
    std::fill(rig.tex16.begin(), rig.tex16.end(), uint16_t(0xFFFF));
    const int32_t start = 10280, step = -3;
    rig.edge.shade = float(start);
    Rig::SetShadeStep(step);
    Span_Texture16LinearGouraudmono1516K63D();
    for (int j = 0; j < 64; ++j) {
        const int32_t pairs = j / 2, first = start + (j % 2) * step;
        const int32_t lo = (first + pairs * 2 * step) >> 10, hi = (first + pairs * (2 * step + 1)) >> 10;
        const uint16_t p = rig.dst[size_t(j)];
        ASSERT_EQ(p & 31, (31 * lo) >> 5) << j;
        ASSERT_EQ((p >> 5) & 63, (63 * hi) >> 5) << j;
        ASSERT_EQ(p >> 11, (31 * hi) >> 5) << j;
    }
    rig.edge.shade = 32767.0f;
    Rig::SetShadeStep(0);
    rastState.rastSpanX1 = 1;
    Span_Texture16LinearGouraudmono1516K63D();
    EXPECT_EQ(rig.dst[0], (30 << 11) | (61 << 5) | 30);
}

// Depth: a pixel passes when its depth is at least the entry; the opaque rows store it, the
// blending rows never; the depth steps by the integer step, wrapping. A start of 2^31 units or more
// saturates to 0x7FFFFFFF, in the Linear rows and from 1/w = 1 in the FastPerspective rows; a
// start below 0 is 0.
TEST(K63DSpans, DepthTestAndStore)
{
    Rig rig;
    rig.Publish(false, 6);
    rig.edge.z = float(0x7FFFFF00u - 0x80);
    rig.edge.u = 5.0f;
    rastState.rastDzDxFixed = 0x40;
    const uint32_t entries[6] = {0x7FFFFE80u, 0x7FFFFEC1u, 0x7FFFFF00u, 0, 0xFFFFFFFFu, 0x80000000u};
    std::copy(std::begin(entries), std::end(entries), rig.z.begin());
    Span_Zi32Texture16Linear1516K63D();
    for (int j = 0; j < 6; ++j) {
        const uint32_t d = 0x7FFFFE80u + 0x40u * uint32_t(j);
        const bool pass = d >= entries[j];
        EXPECT_EQ(rig.z[size_t(j)], pass ? d : entries[j]) << j;
        EXPECT_EQ(rig.dst[size_t(j)] != 0, pass) << j;
    }
    std::copy(std::begin(entries), std::end(entries), rig.z.begin());
    std::fill(rig.dst.begin(), rig.dst.end(), uint16_t(0));
    Span_Zi32Texture16LinearAddTransparency1516K63D();
    EXPECT_TRUE(std::equal(std::begin(entries), std::end(entries), rig.z.begin()));
    EXPECT_NE(rig.dst[2], 0);  // an equal depth passes

    for (float start : {2147483648.0f, 3.0e9f, -5.0f}) {
        std::fill(rig.z.begin(), rig.z.end(), 0u);
        rig.edge.z = start;
        rastState.rastDzDxFixed = 0;
        Span_Zi32Texture16Linear1516K63D();
        EXPECT_EQ(rig.z[0], start < 0 ? 0u : 0x7FFFFFFFu) << start;
    }
    std::fill(rig.z.begin(), rig.z.end(), 0u);
    rig.SetPerspective(0.0f, 0.0f, 1.0f, 0.0f);
    Span_Zi32Texture16FastPerspective1516K63D();
    EXPECT_EQ(rig.z[0], 0x7FFFFFFFu);
}

// The depth-only span keeps the upper half of its running depth where it is at least the entry.
TEST(K63DSpans, DepthOnlySpanKeepsTheNearerUpperHalf)
{
    Rig rig;
    rig.Publish(false, 4);
    std::vector<uint16_t> z16 = {0x4000, 0x4001, 0x3FFF, 0xFFFF, 0x1234};
    rastState.rastZRow = reinterpret_cast<uint8_t*>(z16.data());
    rig.edge.z = 1073741824.0f;  // 0.5 x 2^31
    rastState.rastDzDxFixed = 0x8000;
    Span_Zi32b15AsmMMX3K63D();
    EXPECT_EQ(z16, (std::vector<uint16_t>{0x4000, 0x4001, 0x4001, 0xFFFF, 0x1234}));
}

// Every textured span, SSE2 against the scalar lane form, on random rows: random texels and
// destinations, keys that hit, intensities beyond both ends, negative steps, depths, weights.
TEST(K63DSpans, EverySpanMatchesItsScalarReference)
{
    raster_harness::Rng rng(61);
    Rig rig;
    for (size_t i = 0; i < rig.tex8.size(); ++i) rig.tex8[i] = uint8_t(rng.Next() & 15);
    for (size_t i = 0; i < rig.plane.size(); ++i) rig.plane[i] = uint16_t(rng.Next());
    for (size_t i = 0; i < rig.tex16.size(); ++i) rig.tex16[i] = rig.plane[rig.tex8[i]];
    for (size_t i = 0; i < std::size(kReferenceSpans); ++i) {
        const HandSpanEntry& entry = kK63DSpans[i + 1];
        SCOPED_TRACE(entry.name);
        const bool t8 = entry.mode & RM_TEXTURE8, persp = entry.mode & RM_PERSPECTIVE;
        for (int iter = 0; iter < 12; ++iter) {
            const int x0 = int(rng.Range(0, 20)), n = int(rng.Range(1, Rig::kW - 1 - x0));
            RastEdge edge{};
            edge.x = float(x0) + float(rng.Range(0, 1024)) / 1024.0f - 0.5f;
            edge.z = persp ? float(rng.Range(300, 1000)) / 1024.0f : float(rng.Range(0, 1 << 30)) * 2.0f;
            edge.u = float(rng.Range(-1 << 20, 1 << 20)), edge.v = float(rng.Range(-1 << 28, 1 << 28));
            edge.shade = float(rng.Range(-3000, 34000));
            const float dz = persp ? float(rng.Range(-100, 100)) / 65536.0f : 0.0f, du = float(rng.Range(-3000, 3000));
            const float dv = float(rng.Range(-1 << 19, 1 << 19)), ds = float(rng.Range(-900, 900));
            const int32_t dzFixed = int32_t(rng.Next());
            const uint16_t weight = uint16_t(rng.Range(0, 32)), key = uint16_t(rng.Range(0, 15));
            std::vector<uint16_t> dst0(Rig::kW);
            std::vector<uint32_t> z0(Rig::kW);
            for (int j = 0; j < Rig::kW; ++j) dst0[size_t(j)] = uint16_t(rng.Next()), z0[size_t(j)] = uint32_t(rng.Next());
            auto run = [&](RastFn span) {
                rig.Publish(t8, n);
                rig.edge = edge;
                rastState.rastSpanX0 = x0, rastState.rastSpanX1 = x0 + n;
                rastState.rastTexMaskLo = 0x00FFFFFF, rastState.rastTexMaskHi = 0xFF000000, rastState.rastTexShift = 16;
                rastState.rastAlpha = key, rastState.rastAlphaPixel = rig.plane[key];
                rastState.rastDzDx = dz, rastState.rastDzDx32 = dz * 32.0f, rastState.rastDzDxFixed = dzFixed;
                Rig::SetLinearU(int32_t(du));
                rastState.rastDuDx = du * 1.25f, rastState.rastDuDx32 = rastState.rastDuDx * 32.0f;
                rastState.rastDvDx = dv, rastState.rastDvDx32 = dv * 32.0f;
                rastState.rastDvDxFixed = int32_t(uint32_t(int32_t(dv)) << 6);
                rastState.rastDvDx2Fix[0] = rastState.rastDvDx2Fix[1] = int32_t(uint32_t(int32_t(dv)) << 7);
                rastState.rastDsDx = ds;
                Rig::SetShadeStep(int32_t(ds));
                rastState.rastVarWeightR = rastState.rastVarWeightG = rastState.rastVarWeightB = weight;
                rig.dst = dst0, rig.z = z0;
                span();
                return std::pair{rig.dst, rig.z};
            };
            ASSERT_EQ(run(entry.span), run(kReferenceSpans[i])) << "iteration " << iter;
        }
    }
}
