// The span routines the Pentium II and MMX rows share, called directly: the 32-pixel subdivision,
// linear stepping and wrap, the depth rules, the intensity lanes, and the SSE2 spans against the
// scalar reference of every row.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "raster/p2/HandSpans.h"
#include "raster/p2/MxSpanPolicy.h"
#include "raster/packed/TwoLaneSpan.h"
#include "testdata/RasterHarness.h"

namespace {

using Reference = MxSpanPolicy<packed::Lane1>;

#define QM_REFERENCE_SPAN(index, name, mode) &HandModeSpan<Reference, mode>,
constexpr RastFn kReferenceSpans[] = {QM_HAND_TEXTURED_SPANS(QM_REFERENCE_SPAN)};
#undef QM_REFERENCE_SPAN

constexpr float kCol = 1024.0f;      // scaled u of one texel column of a 256 x 256 texture
constexpr float kRow = 262144.0f;    // scaled v of one texel row

// One row of 128 pixels, its z-buffer row, a 256 x 256 texture in both kinds (16-bit texel =
// row << 8 | column, 8-bit texel = column) and a palette plane whose entry t of plane p is p << 8 | t.
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
        edge.x = 0.5f;  // the first pixel's centre lies 0.5 right of the edge
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
        s.rastTexMaskLo = 0x00FFFFFF;
        s.rastTexMaskHi = 0xFF000000;
        s.rastTexShift = 16;
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
        s.rastDgDxInt = 0;
        SetShadeStep(0);
    }
    // Intensity step per pixel as the triangle routines publish it.
    static void SetShadeStep(int32_t k)
    {
        rastState.rastDgDxInt = uint32_t(k) & 0xFFFF;
        for (uint16_t& lane : rastState.rastDgDxLanes) lane = uint16_t(uint32_t(k) * 2);
    }
    static void SetLinearSteps(float dudx, float dvdx)
    {
        SpanState& s = rastState;
        s.rastDuDx = dudx, s.rastDvDx = dvdx;
        s.rastDuDxFixed = int32_t(uint32_t(int32_t(dudx)) << 6);
        s.rastDvDxFixed = int32_t(uint32_t(int32_t(dvdx)) << 6);
        s.rastDuDx2Fix[0] = s.rastDuDx2Fix[1] = int32_t(uint32_t(s.rastDuDxFixed) << 1);
        s.rastDvDx2Fix[0] = s.rastDvDx2Fix[1] = int32_t(uint32_t(s.rastDvDxFixed) << 1);
    }
    static void Call(RastFn span)
    {
        const RastRoundTowardZero rounding;
        span();
    }
};

}  // namespace

// Exact at the first pixel and at every 32nd, the tail's last pixel from its own division, every
// pixel within one texel of the true perspective position.
TEST(P2Spans, FastPerspectiveBlocksAndTails)
{
    for (int n : {1, 31, 32, 33, 64, 65}) {
        SCOPED_TRACE(n);
        Rig rig;
        rig.Publish(false, n);
        const double w0 = 0.5, dw = 0.001, u0 = 0.5 * 3.3 * kCol, du = 0.5 * 1.7 * kCol, v0 = 0.5 * 7.1 * kRow;
        rig.edge.z = float(w0), rig.edge.u = float(u0), rig.edge.v = float(v0);
        rastState.rastDzDx = float(dw), rastState.rastDuDx = float(du);
        rastState.rastDzDx32 = float(double(rastState.rastDzDx) * 32), rastState.rastDuDx32 = float(double(rastState.rastDuDx) * 32);
        Rig::Call(&Span_Texture16FastPerspective1516MX);
        for (int j = 0; j < n; ++j) {
            const double t = 0.5 + j;
            const double exact = (double(rig.edge.u) + double(rastState.rastDuDx) * t) /
                                 (double(rig.edge.z) + double(rastState.rastDzDx) * t) / kCol;
            const int col = rig.dst[size_t(j)] & 0xFF;
            if (j % 32 == 0) {
                ASSERT_EQ(col, int(exact)) << "pixel " << j;
            } else if (j == n - 1) {
                ASSERT_LE(std::abs(col - int(exact)), 1) << "pixel " << j;
            }
            ASSERT_LE(std::abs(col - int(exact)), 1) << "pixel " << j;
            const double exactRow = double(rig.edge.v) / (double(rig.edge.z) + double(rastState.rastDzDx) * t) / kRow;
            ASSERT_LE(std::abs((rig.dst[size_t(j)] >> 8) - int(exactRow)), 1) << "pixel " << j;
        }
        EXPECT_EQ(rig.dst[size_t(n)], 0) << "wrote past the span";
    }
}

// Linear members step by the truncated per-pixel step, not the float gradient; u wraps at the
// texture's width by its mask, v at its height by 32-bit overflow, negative values alike; a
// 100 x 50 texture is addressed as 128 x 64.
TEST(P2Spans, LinearSteppingAndWrap)
{
    Rig rig;
    rig.Publish(false, 40);
    rig.edge.u = 10.25f * kCol;
    Rig::SetLinearSteps(1.9f * kCol + 0.75f, 0.0f);
    Rig::Call(&Span_Texture16Linear1516MX);
    const uint32_t u0 = uint32_t(int32_t(rig.edge.u + 0.5f * rastState.rastDuDx)) << 6;
    for (int j = 0; j < 40; ++j)
        ASSERT_EQ(rig.dst[size_t(j)], ((u0 + uint32_t(j) * uint32_t(rastState.rastDuDxFixed)) >> 16) & 0xFF) << j;

    // 128 x 64 addressing: column at span bits 19..25, row in the top 6 bits.
    std::vector<uint16_t> tex(128 * 64);
    for (int i = 0; i < 128 * 64; ++i) tex[size_t(i)] = uint16_t((i / 128) << 8 | (i % 128));
    rig.Publish(false, 4);
    rastState.rastTexBits = reinterpret_cast<const uint8_t*>(tex.data());
    rastState.rastTexMaskLo = 0xFFFFFFFFu >> 6, rastState.rastTexMaskHi = ~rastState.rastTexMaskLo;
    rastState.rastTexShift = 19;
    rig.edge.u = 126.0f * 8192.0f, rig.edge.v = 64.25f * 1048576.0f;  // 0.5 pixel further: column 126.5 - 4096 units
    Rig::SetLinearSteps(8192.0f, 0.0f);
    Rig::Call(&Span_Texture16Linear1516MX);
    EXPECT_EQ(rig.dst[0], 126u);
    EXPECT_EQ(rig.dst[1], 127u);
    EXPECT_EQ(rig.dst[2], 0u);  // u past the width, v past the height: row 0
    EXPECT_EQ(rig.dst[3], 1u);
    rig.edge.u = -2.0f * 8192.0f, rig.edge.v = -0.75f * 1048576.0f;
    Rig::Call(&Span_Texture16Linear1516MX);
    EXPECT_EQ(rig.dst[0], 63u << 8 | 126u);
    // A one-pixel span writes only its pixel.
    rig.dst.assign(rig.dst.size(), 0xAAAA);
    rastState.rastSpanX1 = 1;
    Rig::Call(&Span_Texture16Linear1516MX);
    EXPECT_NE(rig.dst[0], 0xAAAA);
    EXPECT_EQ(rig.dst[1], 0xAAAA);
}

TEST(P2Spans, DepthTestStoreAndWrap)
{
    Rig rig;
    // d0 = 5, step -2: 5, 3, 1, 0xFFFFFFFF, all stored over 0.
    rig.Publish(false, 4);
    rig.edge.z = 5.0f;
    rastState.rastDzDxFixed = -2;
    Rig::Call(&Span_Zi32Texture16Linear1516MX);
    EXPECT_EQ(rig.z[0], 5u);
    EXPECT_EQ(rig.z[1], 3u);
    EXPECT_EQ(rig.z[2], 1u);
    EXPECT_EQ(rig.z[3], 0xFFFFFFFFu);

    // Unsigned test, equal passes: 0x7FFFFF80 is hidden by a stored 0x80000000; a start of 2^31
    // or more is 0x80000000 and passes over 0x80000000 but not 0x80000001.
    rig.Publish(false, 2);
    rig.dst.assign(rig.dst.size(), 0xFFFF);
    rig.z[0] = 0x80000000u, rig.z[1] = 0x7FFFFF80u;
    rig.edge.z = 2147483520.0f;
    Rig::Call(&Span_Zi32Texture16Linear1516MX);
    EXPECT_EQ(rig.z[0], 0x80000000u);
    EXPECT_EQ(rig.dst[0], 0xFFFF);
    EXPECT_NE(rig.dst[1], 0xFFFF);
    rig.z[0] = 0x80000000u, rig.z[1] = 0x80000001u;
    rig.edge.z = 3.0e9f;
    rig.dst.assign(rig.dst.size(), 0xFFFF);
    Rig::Call(&Span_Zi32Texture16Linear1516MX);
    EXPECT_NE(rig.dst[0], 0xFFFF);
    EXPECT_EQ(rig.dst[1], 0xFFFF);
    // A start below 0 is 0, never a large unsigned depth.
    rig.z[0] = 1, rig.z[1] = 0;
    rig.edge.z = -5.0f;
    rig.dst.assign(rig.dst.size(), 0xFFFF);
    Rig::Call(&Span_Zi32Texture16Linear1516MX);
    EXPECT_EQ(rig.dst[0], 0xFFFF);
    EXPECT_NE(rig.dst[1], 0xFFFF);
    EXPECT_EQ(rig.z[1], 0u);

    // FastPerspective: 1/w of 1.0 gives 0x80000000, 0.5 gives 0x40000000.
    for (auto [w, want] : {std::pair{1.0f, 0x80000000u}, std::pair{0.5f, 0x40000000u}}) {
        rig.Publish(false, 1);
        rig.z[0] = 0;
        rig.edge.z = w;
        Rig::Call(&Span_Zi32Texture16FastPerspective1516MX);
        EXPECT_EQ(rig.z[0], want);
    }

    // The first pixel of a pair fails, the second passes with d + step; a blend member stores
    // nothing; a keyed texel that passes leaves pixel and depth alone.
    rig.Publish(false, 4);
    rig.edge.z = 100.0f, rig.edge.u = 0.25f * kCol;
    Rig::SetLinearSteps(kCol, 0.0f);
    rastState.rastDzDxFixed = 10;
    rig.z[0] = 101, rig.z[1] = 110, rig.z[2] = 0, rig.z[3] = 131;
    rig.dst.assign(rig.dst.size(), 0xFFFF);
    Rig::Call(&Span_Zi32Texture16Linear1516MX);
    EXPECT_EQ(rig.dst[0], 0xFFFF);
    EXPECT_EQ(rig.dst[1], 1u);
    EXPECT_EQ(rig.dst[3], 0xFFFF);
    EXPECT_EQ((std::vector<uint32_t>(rig.z.begin(), rig.z.begin() + 4)), (std::vector<uint32_t>{101, 110, 120, 131}));
    rig.z.assign(rig.z.size(), 0);
    rig.dst.assign(rig.dst.size(), 0x0841);
    Rig::Call(&Span_Zi32Texture16LinearAddTransparency1516MX);
    EXPECT_EQ(rig.z[0], 0u);
    EXPECT_EQ(rig.dst[1], 0x0842u);
    rastState.rastAlphaPixel = 1;  // the second texel
    rig.z.assign(rig.z.size(), 0);
    Rig::Call(&Span_Zi32Texture16LinearOpacity1516MX);
    EXPECT_EQ(rig.z[1], 0u);
    EXPECT_EQ(rig.dst[1], 0x0842u);
    EXPECT_EQ(rig.z[2], 120u);
}

// Intensity lanes: level = intensity >> 10 from the lit planes, pairs step twice the step with
// saturation, a negative lane counts as level 0, the second lane starts saturated too.
TEST(P2Spans, IntensityLanesSelectTheLitPlanes)
{
    Rig rig;
    auto levels = [&](float start, int32_t step, int n, RastFn span) {
        rig.Publish(true, n);
        rig.edge.shade = start;
        rastState.rastDsDx = float(step);
        Rig::SetShadeStep(step);
        rig.dst.assign(rig.dst.size(), 0);
        Rig::Call(span);
        std::vector<int> out;
        for (int j = 0; j < n; ++j) out.push_back((rig.dst[size_t(j)] >> 8) - kRastShadeRowFirst);
        return out;
    };
    const RastFn g = &Span_Texture8LinearGouraudmono1516MX;
    EXPECT_EQ(levels(32767.0f, 0, 2, g), (std::vector<int>{31, 31}));
    EXPECT_EQ(levels(16383.0f, 0, 1, g), (std::vector<int>{15}));
    EXPECT_EQ(levels(1023.0f, 0, 1, g), (std::vector<int>{0}));
    // -5000 at the first centre, then -3500, -2000, -500, 1000, 2500, ...: negative lanes are level 0,
    // not the high levels their bits would select.
    EXPECT_EQ(levels(-5000.0f - 750.0f, 1500, 8, g), (std::vector<int>{0, 0, 0, 0, 0, 2, 3, 5}));
    // Saturation: the lanes stop at 32767 instead of wrapping to negative values.
    EXPECT_EQ(levels(30000.0f - 450.0f, 900, 8, g), (std::vector<int>{29, 30, 31, 31, 31, 31, 31, 31}));
    EXPECT_EQ(levels(32767.0f, 5, 4, g), (std::vector<int>{31, 31, 31, 31}));
    // FastPerspective, 33 pixels: the tail's single pixel has the intensity of its own position.
    const std::vector<int> fp = levels(1000.0f - 250.0f, 500, 33, &Span_Texture8FastPerspectiveGouraudmono1516MX);
    EXPECT_EQ(fp[32], (1000 + 32 * 500) >> 10);
    EXPECT_EQ(fp[31], (1000 + 31 * 500) >> 10);
}

// Both pixels of a pair tested on their own: transparent texels in the middle of a
// VarOpacityGouraudmono span leave the others exactly as without them.
TEST(P2Spans, KeyedPixelsDoNotDisturbTheirNeighbours)
{
    Rig rig;
    auto draw = [&](uint8_t third, uint8_t fourth) {
        rig.Publish(true, 8);
        rig.tex8[2] = third, rig.tex8[3] = fourth;
        rastState.rastAlpha = 200;
        rastState.rastVarWeightR = 12, rastState.rastVarWeightG = 20, rastState.rastVarWeightB = 7;
        rig.edge.u = 0.25f * kCol, rig.edge.shade = 20000.0f;
        Rig::SetLinearSteps(kCol, 0.0f);
        rastState.rastDsDx = 700.0f;
        Rig::SetShadeStep(700);
        for (int j = 0; j < 8; ++j) rig.dst[size_t(j)] = uint16_t(0x9A5C + j * 0x0421);
        Rig::Call(&Span_Texture8LinearVarTransparencyOpacityGouraudmono1516MX);
        return std::vector<uint16_t>(rig.dst.begin(), rig.dst.begin() + 8);
    };
    const std::vector<uint16_t> open = draw(2, 3), keyed = draw(200, 200);
    EXPECT_EQ(keyed[2], 0x9A5C + 2 * 0x0421);
    EXPECT_EQ(keyed[3], 0x9A5C + 3 * 0x0421);
    for (int j : {0, 1, 4, 5, 6, 7}) EXPECT_EQ(keyed[size_t(j)], open[size_t(j)]) << j;
    EXPECT_NE(open[2], 0x9A5C + 2 * 0x0421);
}

// Every textured span against the scalar reference, and each Texture8 member without Gouraudmono
// against its Texture16 twin drawing the plane-0 colours, on random spans and buffers.
TEST(P2Spans, EverySpanMatchesItsReferenceAndItsTwin)
{
    raster_harness::Rng rng(21);
    Rig rig;
    // Sixteen indices, so that keys are met often.
    for (size_t i = 0; i < rig.tex8.size(); ++i) rig.tex8[i] = uint8_t(rng.Next() & 15);
    for (size_t i = 0; i < rig.plane.size(); ++i) rig.plane[i] = uint16_t(rng.Next());
    std::vector<uint16_t> colours(65536);
    for (size_t i = 0; i < colours.size(); ++i) colours[i] = rig.plane[rig.tex8[i]];

    struct Setup {
        RastEdge edge;
        float grads[4];
        int32_t dz, ds;
        uint16_t weights[3];
        int n, x0;
        uint8_t key;
        std::vector<uint16_t> dst;
        std::vector<uint32_t> z;
    };
    auto randomSetup = [&](bool persp) {
        Setup s{};
        s.x0 = int(rng.Range(0, 20));
        s.key = uint8_t(rng.Range(0, 15));
        s.n = int(rng.Range(1, Rig::kW - 1 - s.x0));
        s.edge.x = float(s.x0) + float(rng.Range(0, 1024)) / 1024.0f - 0.5f;
        s.edge.z = persp ? float(rng.Range(300, 1000)) / 1024.0f : float(rng.Range(0, 1 << 30)) * 2.0f;
        s.edge.u = float(rng.Range(-1 << 20, 1 << 20));
        s.edge.v = float(rng.Range(-1 << 28, 1 << 28));
        s.edge.shade = float(rng.Range(-3000, 34000));
        s.grads[0] = persp ? float(rng.Range(-100, 100)) / 65536.0f : float(rng.Range(-1 << 24, 1 << 24));
        s.grads[1] = float(rng.Range(-3000, 3000));
        s.grads[2] = float(rng.Range(-1 << 19, 1 << 19));
        s.grads[3] = float(rng.Range(-900, 900));
        s.dz = int32_t(rng.Next());
        s.ds = int32_t(s.grads[3]);
        for (uint16_t& w : s.weights) w = uint16_t(rng.Range(0, 40));
        for (int j = 0; j < Rig::kW; ++j) s.dst.push_back(uint16_t(rng.Next())), s.z.push_back(uint32_t(rng.Next()));
        return s;
    };
    // 16-bit spans draw the plane-0 colours of the 8-bit texels; keyed runs use the same key in
    // both kinds, the twin runs none.
    auto run = [&](const Setup& s, RastFn span, bool tex8, bool keyed) {
        std::copy(s.dst.begin(), s.dst.end(), rig.dst.begin());
        std::copy(s.z.begin(), s.z.end(), rig.z.begin());
        rig.Publish(tex8, s.n);
        rastState.rastSpanX0 = s.x0, rastState.rastSpanX1 = s.x0 + s.n;
        if (!tex8) rastState.rastTexBits = reinterpret_cast<const uint8_t*>(colours.data());
        if (keyed) rastState.rastAlpha = s.key, rastState.rastAlphaPixel = rig.plane[s.key];
        rig.edge = s.edge;
        rastState.rastDzDx = s.grads[0], rastState.rastDzDx32 = s.grads[0] * 32.0f;
        Rig::SetLinearSteps(s.grads[1] * 64.0f, s.grads[2]);
        rastState.rastDuDx32 = rastState.rastDuDx * 32.0f, rastState.rastDvDx32 = rastState.rastDvDx * 32.0f;
        rastState.rastDzDxFixed = s.dz;
        rastState.rastDsDx = s.grads[3];
        Rig::SetShadeStep(s.ds);
        rastState.rastVarWeightR = s.weights[0], rastState.rastVarWeightG = s.weights[1], rastState.rastVarWeightB = s.weights[2];
        Rig::Call(span);
        return std::pair{rig.dst, rig.z};
    };
    for (size_t i = 1; i < std::size(kHandSpans); ++i) {
        const HandSpanEntry& e = kHandSpans[i];
        SCOPED_TRACE(e.name);
        const bool tex8 = e.mode & RM_TEXTURE8;
        for (int iter = 0; iter < 24; ++iter) {
            const Setup s = randomSetup(e.mode & RM_PERSPECTIVE);
            ASSERT_EQ(run(s, e.span, tex8, true), run(s, kReferenceSpans[i - 1], tex8, true)) << "iteration " << iter;
            if (tex8 && !(e.mode & RM_GOURAUDMONO)) {
                const RastFn twin = HandSpanOf(e.mode & ~RM_TEXTURE8);
                ASSERT_EQ(run(s, e.span, true, false), run(s, twin, false, false)) << "iteration " << iter;
            }
        }
    }
}

// The depth-only span keeps the upper half of the depth where it is at least the stored entry.
TEST(P2Spans, DepthOnlySpanKeepsTheNearerUpperHalf)
{
    std::vector<uint16_t> z16 = {0x3FFF, 0x4000, 0x4001, 0x0000};
    RastEdge e{};
    e.x = 0.5f, e.z = 1073741824.0f;  // 0.5 x 2^31
    rastState.rastSpanEdge = &e;
    rastState.rastSpanX0 = 0, rastState.rastSpanX1 = 3;
    rastState.rastZRow = reinterpret_cast<uint8_t*>(z16.data());
    rastState.rastDzDx = 0.0f;
    rastState.rastDzDxFixed = 0;
    Rig::Call(&Span_Zi32b15AsmMMX3);
    EXPECT_EQ(z16, (std::vector<uint16_t>{0x4000, 0x4000, 0x4001, 0x0000}));
}
