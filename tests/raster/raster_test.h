// Helpers shared by the raster tests: the portable row list, pixel formats and per-channel
// references, the cross-family scene, and a span rig for calling hand-written spans directly.
#pragma once
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <utility>
#include <vector>

#include "graphics2d/PixelFormat.h"
#include "raster/LightPlanes.h"
#include "raster/RoutineTable.h"
#include "raster/k63d/K63DSpans.h"
#include "raster/k63d/K63DTriangle.h"
#include "raster/p2/HandSpans.h"
#include "raster/p2/P2Triangle.h"
#include "raster/packed/PackedConvert.h"
#include "raster/packed/TwoLaneSpan.h"
#include "raster/portable/PortableSpans.h"
#include "raster/portable/SpanKernel.h"
#include "testdata/RasterHarness.h"

namespace rtest {
using namespace raster_harness;

// ---- Portable rows -------------------------------------------------------------------------
struct Row {
    int row;
    const char* name;
    int family;
    int variant;
    RastFn span;
};
#define QM_SPAN_TEST_ROW(row, name, family, variant) Row{row, #name, family, variant, &Span_##name},
inline constexpr Row kRows[] = {QM_PORTABLE_TEXTURED_SPANS(QM_SPAN_TEST_ROW)};
#undef QM_SPAN_TEST_ROW
inline const Row& RowOf(int family, int variant) { return kRows[family * 12 + variant]; }
// The row of the group starting at `first` that draws a mode, or -1; ModeRow fails the test without one.
inline int RowOfMode(int first, RenderMode mode)
{
    const int count = first == kPortableFirstRow ? kPortableRows : kHandWrittenRows;
    for (int i = first; i < first + count; ++i)
        if ((rasterizerTable[i].mode & ~RM_LINEAR_TWIN) == mode) return i;
    return -1;
}
inline const RasterizerRow& ModeRow(int first, RenderMode mode)
{
    const int i = RowOfMode(first, mode);
    EXPECT_GE(i, 0) << std::hex << mode;
    return rasterizerTable[size_t(std::max(i, 0))];
}
inline bool Tex8(int family) { return family < 4; }
inline bool HasZ(int family) { return (family & 2) != 0; }
inline bool Perspective(int family) { return (family & 1) != 0; }

// ---- Pixel formats and per-channel references ----------------------------------------------
struct Format {
    bool is565;
    int shift[3];  // red, green, blue
    int max[3];
    uint32_t mask, fill;  // spread channel mask and saturation fill of the packed blends
};
inline constexpr Format k565{true, {11, 5, 0}, {31, 63, 31}, 0x07E0F81F, 0xF80000E0};
inline constexpr Format k555{false, {10, 5, 0}, {31, 31, 31}, 0x03E07C1F, 0xFC0080E0};
inline int Ch(const Format& f, uint32_t p, int c) { return int(p >> f.shift[c]) & f.max[c]; }

inline void PublishFormat(const Format& f)
{
    rastState.rastRedMask = f.is565 ? 0xF800 : 0x7C00;
    rastState.rastGreenMask = f.is565 ? 0x7E0 : 0x3E0;
    rastState.rastAboveRedMask = f.is565 ? 0xFFFF0000 : 0xFFFF8000;
    rastState.rastAboveGreenMask = f.is565 ? 0xFFFFF800 : 0xFFFFFC00;
}

// One pixel at column 0 drawn by a portable span with a 1x1 texture, z and intensity constant.
struct OnePixel {
    uint16_t dst = 0;
    uint32_t z = 0;
    uint16_t texel16 = 0;
    uint8_t texel8 = 0;
    uint16_t palette[kRastPaletteEntries * kRastPaletteRows] = {};
    RastEdge edge{};
    // depth: the z value the span starts from (exact as a float); shade: the intensity.
    void Publish(int family, uint32_t depth, float shade)
    {
        SpanState& s = rastState;
        edge = RastEdge{};
        edge.x = 0.5f;
        edge.shade = shade;
        edge.z = Perspective(family) ? float(double(depth) / 2147483648.0) : float(depth);
        s.rastSpanEdge = &edge;
        s.rastSpanX0 = 0;
        s.rastSpanX1 = 1;
        s.rastDestRow = reinterpret_cast<uint8_t*>(&dst);
        s.rastZRow = reinterpret_cast<uint8_t*>(&z);
        s.rastTexBits = Tex8(family) ? &texel8 : reinterpret_cast<const uint8_t*>(&texel16);
        s.rastTexMaskLo = 0xFFFFFFFF;
        s.rastTexMaskHi = 0;
        s.rastTexShift = 32;
        s.rastPalette = palette;
        s.rastDzDx = s.rastDuDx = s.rastDvDx = s.rastDsDx = 0.0f;
        s.rastDzDx32 = s.rastDuDx32 = s.rastDvDx32 = 0.0f;
        s.rastDzDxFixed = s.rastDuDxFixed = s.rastDvDxFixed = s.rastDsDxFixed = 0;
    }
};

inline int64_t FloorDiv32(int64_t x) { return x >= 0 ? x / 32 : -((-x + 31) / 32); }

// Portable reference of one channel (values shifted down) for variants 4..11; w is the weight.
inline uint32_t RefBlendChannel(int variant, uint32_t s, uint32_t d, uint32_t w, int shift, uint32_t max)
{
    switch (variant) {
    case kSpanAdd: return std::min(d + s, max);
    case kSpanSrcSubDest: return s > d ? s - d : 0;
    case kSpanDestSubSrc: return d > s ? d - s : 0;
    case kSpanAddVar: return std::min(d + s * w / 16, max);
    case kSpanSrcSubDestVar: {
        const uint32_t x = std::min(s * w / 16, max);
        return x > d ? x - d : 0;
    }
    case kSpanDestSubSrcVar: {
        // The weighted source keeps its bits below the channel: compare in place.
        const uint64_t W = (uint64_t(s) * w << shift) >> 4, D = uint64_t(d) << shift;
        return D >= W ? uint32_t((D - W) >> shift) & max : 0;
    }
    default: return uint32_t(int64_t(d) + FloorDiv32((int64_t(s) - int64_t(d)) * int64_t(w))) & max;
    }
}
// Shaded 16-bit source: form A (variant 2) and form B (variants 3, 10, 11).
inline uint32_t RefShade16(const Format& f, uint32_t S, uint32_t k, bool formA)
{
    uint32_t out = 0;
    for (int c = 0; c < 3; ++c) {
        const uint32_t v = uint32_t(Ch(f, S, c));
        out |= (formA ? v * k / 32768 : v * (k >> 10) / 32) << f.shift[c];
    }
    return out;
}
// The whole new pixel for a variant given the (already shaded) source.
inline uint32_t RefPixel(const Format& f, int variant, uint32_t S, uint32_t D, uint32_t w)
{
    if (variant <= kSpanKeyShade) return S;
    uint32_t out = 0;
    for (int c = 0; c < 3; ++c)
        out |= RefBlendChannel(variant, uint32_t(Ch(f, S, c)), uint32_t(Ch(f, D, c)), w, f.shift[c], uint32_t(f.max[c]))
               << f.shift[c];
    return out;
}

// ---- The cross-family scene ----------------------------------------------------------------
// 8-bit: 16 x 16 indices (index = position) over a random palette, or over a telling plane whose
// entry t of row p is p << 8 | t; 16-bit: 32 x 32 texels row << 10 | col << 5 | row ^ col.
struct Textures {
    CSystemMemorySurface t8, t16;
    std::vector<uint16_t> plane = std::vector<uint16_t>(kRastPaletteRows * kRastPaletteEntries);
    const uint16_t* palette;
    explicit Textures(bool is565, bool tellingPlane = false)
    {
        const CPixelFormat screen = PixelFormatOf(is565 ? PFID_R5G6B5 : PFID_X1R5G5B5);
        Rng rng(41);
        EXPECT_TRUE(Texture_CreatePalettised(t8, 16, 16, screen));
        auto* built = static_cast<uint16_t*>(t8.plane.pixels);
        for (int i = 0; i < 256; ++i) built[i] = uint16_t(rng.Next() & (is565 ? 0xFFFF : 0x7FFF));
        EXPECT_TRUE(Texture_BuildLightPlanes(t8.plane, screen));
        for (int i = 0; i < 256; ++i) static_cast<uint8_t*>(t8.pixels)[i] = uint8_t(i);
        for (size_t i = 0; i < plane.size(); ++i) plane[i] = uint16_t((i / 256) << 8 | (i % 256));
        palette = tellingPlane ? plane.data() : built;
        EXPECT_TRUE(t16.Create(32, 32, screen));
        for (int r = 0; r < 32; ++r)
            for (int c = 0; c < 32; ++c)
                reinterpret_cast<uint16_t*>(t16.Row(r))[c] = uint16_t(((r << 10) | (c << 5) | (r ^ c)) & 0x7FFF);
    }
    // The texture of the mode, weight 20, keys index 85 and texel (5, 5) (or no 16-bit key).
    void Use(Runner& run, RenderMode mode, bool keyed16 = true) const
    {
        const bool is8 = mode & RM_TEXTURE8;
        run.SetTexture(is8 ? &t8 : &t16, is8 ? palette : nullptr);
        run.SetVarWeight(20);
        run.SetKeys(85, keyed16 ? reinterpret_cast<const uint16_t*>(t16.Row(5))[5] : 0x10000u);
    }
};

constexpr int kSceneW = 96, kSceneH = 56;
inline uint16_t DestAt(int x, int y, bool is565) { return uint16_t((x * 2731 + y * 9173) & (is565 ? 0xFFFF : 0x7FFF)); }
inline uint32_t DepthAt(int x, int y)
{
    return (1u << 29) + ((uint32_t(x) * 2654435761u ^ uint32_t(y) * 40503u) & ((1u << 29) - 1));
}
// Destination and both z-buffers filled with patterns, so that depth tests pass and fail.
inline void FillPatterns(Runner& run, bool zFilled = true)
{
    for (int y = 0; y < run.Height(); ++y)
        for (int x = 0; x < run.Width(); ++x) {
            reinterpret_cast<uint16_t*>(run.Colour().Row(y))[x] = DestAt(x, y, run.Is565());
            reinterpret_cast<uint32_t*>(run.Z32().Row(y))[x] = zFilled ? DepthAt(x, y) : 0;
            reinterpret_cast<uint16_t*>(run.Z16().Row(y))[x] = zFilled ? uint16_t(DepthAt(x, y) >> 16) : 0;
        }
}

// A 64 x 32 rectangle at integer corners: every gradient is a dyadic fraction, so all families
// compute every value exactly. The intensity rises to the right, or falls to the right and down.
inline std::vector<RastVertex> Rect(bool persp, bool falling = false)
{
    std::vector<RastVertex> q{MakeVertex(8, 8), MakeVertex(72, 8), MakeVertex(72, 40), MakeVertex(8, 40)};
    const float u[4] = {0, 1, 1, 0}, v[4] = {0, 0, 1, 1};
    for (int i = 0; i < 4; ++i) {
        RastVertex& p = q[size_t(i)];
        p.u = u[i], p.v = v[i];
        p.z = persp ? (u[i] ? 0.5f : 1.0f) : (u[i] ? 0.25f : 0.5f);
        p.shade2 = falling ? 0.75f - 0.5f * u[i] - 0.0625f * v[i] : u[i] ? 0.75f : 0.25f;
    }
    return q;
}

struct Drawn {
    std::vector<uint16_t> px;
    std::vector<uint32_t> z;
};
inline Drawn DrawScene(const RasterizerRow& row, bool is565, const Textures& tex, const std::vector<RastVertex>& poly,
                       bool zFilled, bool keyed16 = true)
{
    Runner run(kSceneW, kSceneH, is565);
    FillPatterns(run, zFilled);
    tex.Use(run, row.mode, keyed16);
    run.Draw(row, poly);
    Drawn d;
    for (int y = 0; y < kSceneH; ++y)
        for (int x = 0; x < kSceneW; ++x) d.px.push_back(run.Pixel(x, y)), d.z.push_back(run.Depth32(x, y));
    return d;
}

inline int MaxChannelStep(uint16_t a, uint16_t b, bool is565)
{
    const Format& f = is565 ? k565 : k555;
    int worst = 0;
    for (int c = 0; c < 3; ++c) worst = std::max(worst, std::abs(Ch(f, a, c) - Ch(f, b, c)));
    return worst;
}

// Perspective rows of two families divide differently: the texel coordinates of the plain 16-bit
// rows agree within one texel (or across the wrap), depths within 2^10.
inline void ExpectPerspectiveClose(const Drawn& a, const Drawn& b, RenderMode m, bool is565)
{
    for (size_t k = 0; k < a.px.size(); ++k) {
        const int x = int(k % kSceneW), y = int(k / kSceneW);
        if (HandVariantOfMode(m) == kSpanCopy && !(m & RM_TEXTURE8) && a.px[k] != DestAt(x, y, is565)) {
            ASSERT_NE(b.px[k], DestAt(x, y, is565)) << x << "," << y;
            const int dc = std::abs(((a.px[k] >> 5) & 31) - ((b.px[k] >> 5) & 31));
            const int dr = std::abs(((a.px[k] >> 10) & 31) - ((b.px[k] >> 10) & 31));
            ASSERT_TRUE((dc <= 1 || dc == 31) && (dr <= 1 || dr == 31)) << x << "," << y;
        }
        if (m & RM_ZBUFFER) {
            ASSERT_NEAR(double(a.z[k]), double(b.z[k]), 1024.0) << x << "," << y;
        }
    }
}

// A runner for coverage tests: its textured rows read a blank texture of the destination format.
struct CoverageRunner : Runner {
    CSystemMemorySurface blank;
    CoverageRunner(int w, int h, bool is565, int side = 4) : Runner(w, h, is565)
    {
        EXPECT_TRUE(blank.Create(side, side, PixelFormatOf(is565 ? PFID_R5G6B5 : PFID_X1R5G5B5)));
        SetTexture(&blank, nullptr);
    }
};

// ---- Triangle frames of the three families -------------------------------------------------
// The edge-side tolerance of a family's coverage: float rounding, or the K6-3D reciprocal estimate.
struct Family {
    const char* name;
    HandFrameRoutines (*frameOf)(RenderMode);
    RastFn depthSpan;  // the depth-only span, for the frame kind that writes no colour
    double eps;
};
inline HandFrameRoutines PortableFrame(RenderMode) { return {&Rast_TriangleC, &Rast_SetupScanC}; }
inline HandFrameRoutines P2Frame(RenderMode m) { return P2FrameOf(m); }
inline HandFrameRoutines K63DFrame(RenderMode m) { return K63DFrameOf(m); }
inline const Family kFamilies[] = {{"C", &PortableFrame, &Span_Zi32b15C, 1e-3},
                                   {"II and MMX", &P2Frame, &Span_Zi32b15AsmMMX3, 1e-3},
                                   {"K6-3D", &K63DFrame, &Span_Zi32b15AsmMMX3K63D, 1e-2}};
// The frame kinds: flat, linear and perspective textures, with and without depth, depth only.
inline constexpr RenderMode kFrameModes[] = {0x8,   0x100008, 0x20000A, 0x30000A, 0x10E,
                                             0x10010E, 0x20010E, 0x30010E, 0x806};

// ---- A rig for calling hand-written spans directly -----------------------------------------
// One row of 128 pixels and its z-buffer row; a 256 x 256 16-bit texture (texel i holds i), the
// 8-bit texels i & 255, and a plane whose entry t of row p is p << 8 | t. The Pentium II rig
// addresses 256 x 256 (shift 16) from a first centre 0.5 right of the edge; the K6-3D rig makes
// one unit of u one texel (shift 6) from a first centre on the edge, and its pair lanes carry.
struct SpanRig {
    static constexpr int kW = 128;
    bool k6;
    std::vector<uint16_t> dst = std::vector<uint16_t>(kW);
    std::vector<uint32_t> z = std::vector<uint32_t>(kW);
    std::vector<uint16_t> tex16 = std::vector<uint16_t>(65536);
    std::vector<uint8_t> tex8 = std::vector<uint8_t>(65536);
    std::vector<uint16_t> plane = std::vector<uint16_t>(kRastPaletteRows * kRastPaletteEntries);
    RastEdge edge{};

    explicit SpanRig(bool k6Family) : k6(k6Family)
    {
        for (int i = 0; i < 65536; ++i) tex16[size_t(i)] = uint16_t(i), tex8[size_t(i)] = uint8_t(i);
        for (size_t i = 0; i < plane.size(); ++i) plane[i] = uint16_t((i / 256) << 8 | (i % 256));
        edge.x = k6 ? 1.0f : 0.5f;
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
        s.rastTexMaskLo = k6 ? 0x003FFFFF : 0x00FFFFFF;
        s.rastTexMaskHi = ~s.rastTexMaskLo;
        s.rastTexShift = k6 ? 6 : 16;
        s.rastPalette = plane.data();
        s.rastShadePlanes = plane.data() + kRastShadeRowFirst * kRastPaletteEntries;
        s.rastAlpha = s.rastAlphaPixel = 0x10000;  // matches no texel
        s.rastSpreadMask = k565.mask;
        s.rastCarryMask = k565.fill;
        s.rastVarWeightR = s.rastVarWeightG = s.rastVarWeightB = 0;
        s.rastDuDx = s.rastDvDx = s.rastDzDx = s.rastDsDx = 0.0f;
        s.rastDuDx32 = s.rastDvDx32 = s.rastDzDx32 = 0.0f;
        s.rastDuDxFixed = s.rastDvDxFixed = s.rastDzDxFixed = 0;
        s.rastDuDx2Fix[0] = s.rastDuDx2Fix[1] = s.rastDvDx2Fix[0] = s.rastDvDx2Fix[1] = 0;
        SetShadeStep(0);
    }
    // The intensity step as each family's set-up publishes it.
    void SetShadeStep(int32_t k) const
    {
        const uint32_t step = uint32_t(k) & 0xFFFF, pair = 2 * (step * 65537u);
        rastState.rastDsDx = float(k);
        rastState.rastDgDxInt = step;
        for (int i = 0; i < 4; ++i)
            rastState.rastDgDxLanes[i] = k6 ? uint16_t(i % 2 ? pair >> 16 : pair) : uint16_t(uint32_t(k) * 2);
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
    // u/w at the edge and its change per pixel; 1/w and its change.
    void SetPerspective(float uw, float duw, float w, float dw)
    {
        edge.u = uw, edge.z = w;
        SpanState& s = rastState;
        s.rastDuDx = duw, s.rastDuDx32 = duw * 32.0f;
        s.rastDzDx = dw, s.rastDzDx32 = dw * 32.0f;
    }
    // The Pentium II frame runs its spans rounding toward zero.
    void Call(RastFn span) const
    {
        if (k6) {
            span();
        } else {
            const RastRoundTowardZero rounding;
            span();
        }
    }
    std::vector<uint16_t> Dst(int n) const { return {dst.begin(), dst.begin() + n}; }
    std::vector<uint32_t> Z(int n) const { return {z.begin(), z.begin() + n}; }

    // Random texels of sixteen indices (keys are met often), a random plane, 16-bit texels the
    // plane-0 colours of the 8-bit ones.
    void Randomise(Rng& rng)
    {
        for (size_t i = 0; i < tex8.size(); ++i) tex8[i] = uint8_t(rng.Next() & 15);
        for (size_t i = 0; i < plane.size(); ++i) plane[i] = uint16_t(rng.Next());
        for (size_t i = 0; i < tex16.size(); ++i) tex16[i] = plane[tex8[i]];
    }
};

// A random span: position, edge, gradients, weights, key, destination and z rows.
struct RandomSpan {
    RastEdge edge{};
    float dz, du, dv;
    int32_t dzFixed, ds;
    uint16_t weights[3];
    int n, x0;
    uint8_t key;
    std::vector<uint16_t> dst;
    std::vector<uint32_t> z;

    RandomSpan(Rng& rng, bool persp)
    {
        x0 = int(rng.Range(0, 20));
        key = uint8_t(rng.Range(0, 15));
        n = int(rng.Range(1, SpanRig::kW - 1 - x0));
        edge.x = float(x0) + float(rng.Range(0, 1024)) / 1024.0f - 0.5f;
        edge.z = persp ? float(rng.Range(300, 1000)) / 1024.0f : float(rng.Range(0, 1 << 30)) * 2.0f;
        edge.u = float(rng.Range(-1 << 20, 1 << 20));
        edge.v = float(rng.Range(-1 << 28, 1 << 28));
        edge.shade = float(rng.Range(-3000, 34000));
        dz = persp ? float(rng.Range(-100, 100)) / 65536.0f : float(rng.Range(-1 << 24, 1 << 24));
        du = float(rng.Range(-3000, 3000)) * 64.0f;
        dv = float(rng.Range(-1 << 19, 1 << 19));
        ds = int32_t(rng.Range(-900, 900));
        dzFixed = int32_t(rng.Next());
        for (uint16_t& w : weights) w = uint16_t(rng.Range(0, 32));
        for (int j = 0; j < SpanRig::kW; ++j) dst.push_back(uint16_t(rng.Next())), z.push_back(uint32_t(rng.Next()));
    }
    // Runs a span on the rig over a 256 x 256 texture; keyed runs use the same key in both texel kinds.
    std::pair<std::vector<uint16_t>, std::vector<uint32_t>> Run(SpanRig& rig, RastFn span, bool tex8, bool keyed) const
    {
        rig.dst = dst, rig.z = z;
        rig.Publish(tex8, n);
        SpanState& s = rastState;
        s.rastSpanX0 = x0, s.rastSpanX1 = x0 + n;
        s.rastTexMaskLo = 0x00FFFFFF, s.rastTexMaskHi = 0xFF000000, s.rastTexShift = 16;
        if (keyed) s.rastAlpha = key, s.rastAlphaPixel = rig.plane[key];
        rig.edge = edge;
        s.rastDzDx = dz, s.rastDzDx32 = dz * 32.0f, s.rastDzDxFixed = dzFixed;
        SpanRig::SetLinearSteps(du, dv);
        s.rastDuDx32 = s.rastDuDx * 32.0f, s.rastDvDx32 = s.rastDvDx * 32.0f;
        rig.SetShadeStep(ds);
        s.rastVarWeightR = weights[0], s.rastVarWeightG = weights[1], s.rastVarWeightB = weights[2];
        rig.Call(span);
        return {rig.dst, rig.z};
    }
};

}  // namespace rtest
