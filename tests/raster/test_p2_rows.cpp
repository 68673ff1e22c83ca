// The Pentium II rows against the table and against the portable rows of the same mode, drawn
// through the harness on a scene whose arithmetic is exact in both families.
#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include "graphics2d/PixelFormat.h"
#include "raster/LightPlanes.h"
#include "raster/RoutineTable.h"
#include "raster/p2/HandSpans.h"
#include "raster/p2/P2Triangle.h"
#include "raster/packed/TwoLaneSpan.h"
#include "raster/portable/PortableSpans.h"
#include "testdata/RasterHarness.h"

using namespace raster_harness;

namespace {

const RasterizerRow* PortableRowOf(RenderMode mode)
{
    for (int p = 1; p < kPortableRows; ++p)
        if (rasterizerTable[p].mode == (mode & ~RM_LINEAR_TWIN)) return &rasterizerTable[p];
    return nullptr;
}

struct Textures {
    CSystemMemorySurface t8, t16;
    const uint16_t* palette;
    explicit Textures(bool is565)
    {
        const CPixelFormat screen = PixelFormatOf(is565 ? PFID_R5G6B5 : PFID_X1R5G5B5);
        Rng rng(41);
        Texture_CreatePalettised(t8, 16, 16, screen);
        auto* plane = static_cast<uint16_t*>(t8.plane.pixels);
        for (int i = 0; i < 256; ++i) plane[i] = uint16_t(rng.Next() & (is565 ? 0xFFFF : 0x7FFF));
        Texture_BuildLightPlanes(t8.plane, screen);
        for (int i = 0; i < 256; ++i) static_cast<uint8_t*>(t8.pixels)[i] = uint8_t(i);
        palette = plane;
        t16.Create(32, 32, screen);
        for (int r = 0; r < 32; ++r)
            for (int c = 0; c < 32; ++c)
                reinterpret_cast<uint16_t*>(t16.Row(r))[c] = uint16_t(((r << 10) | (c << 5) | (r ^ c)) & 0x7FFF);
    }
};

constexpr int kW = 96, kH = 56;
uint16_t DestAt(int x, int y, bool is565) { return uint16_t((x * 2731 + y * 9173) & (is565 ? 0xFFFF : 0x7FFF)); }
uint32_t DepthAt(int x, int y) { return (1u << 29) + ((uint32_t(x) * 2654435761u ^ uint32_t(y) * 40503u) & ((1u << 29) - 1)); }

// A 64 x 32 rectangle at integer corners: every gradient is a power-of-two fraction, so both
// families compute every edge value, start value and step exactly.
std::vector<RastVertex> Rect(bool persp)
{
    std::vector<RastVertex> q{MakeVertex(8, 8), MakeVertex(72, 8), MakeVertex(72, 40), MakeVertex(8, 40)};
    const float u[4] = {0, 1, 1, 0}, v[4] = {0, 0, 1, 1};
    for (int i = 0; i < 4; ++i) {
        q[size_t(i)].u = u[i], q[size_t(i)].v = v[i];
        q[size_t(i)].z = persp ? (u[i] ? 0.5f : 1.0f) : (u[i] ? 0.25f : 0.5f);
        q[size_t(i)].shade2 = u[i] ? 0.75f : 0.25f;
    }
    return q;
}

struct Drawn {
    std::vector<uint16_t> px;
    std::vector<uint32_t> z;
};

Drawn Draw(const RasterizerRow& row, bool is565, const Textures& tex, bool zFilled, bool keyed = true)
{
    Runner run(kW, kH, is565);
    for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x) {
            reinterpret_cast<uint16_t*>(run.Colour().Row(y))[x] = DestAt(x, y, is565);
            reinterpret_cast<uint32_t*>(run.Z32().Row(y))[x] = zFilled ? DepthAt(x, y) : 0;
        }
    const bool t8 = row.mode & RM_TEXTURE8;
    run.SetTexture(t8 ? &tex.t8 : &tex.t16, t8 ? tex.palette : nullptr);
    run.SetVarWeight(20);
    // 16-bit keys above 0xFFFF match no texel.
    run.SetKeys(85, keyed ? reinterpret_cast<const uint16_t*>(tex.t16.Row(5))[5] : 0x10000);
    run.Draw(row, Rect(row.mode & RM_PERSPECTIVE));
    Drawn d;
    for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x) d.px.push_back(run.Pixel(x, y)), d.z.push_back(run.Depth32(x, y));
    return d;
}

int MaxChannelStep(uint16_t a, uint16_t b, bool is565)
{
    const int shifts[3] = {is565 ? 11 : 10, 5, 0}, masks[3] = {31, is565 ? 63 : 31, 31};
    int worst = 0;
    for (int c = 0; c < 3; ++c) worst = std::max(worst, std::abs(((a >> shifts[c]) & masks[c]) - ((b >> shifts[c]) & masks[c])));
    return worst;
}

}  // namespace

// Rows 205 to 414: the Pentium II frame by mode, one shared span per mode in both groups.
TEST(P2Rows, TableWiresTheFrameAndTheSharedSpans)
{
    for (int i = 0; i < kHandWrittenRows; ++i) {
        const RasterizerRow& p2 = rasterizerTable[kP2FirstRow + i];
        const RasterizerRow& mx = rasterizerTable[kMmxFirstRow + i];
        SCOPED_TRACE(p2.name);
        const HandFrameRoutines frame = P2FrameOf(p2.mode);
        EXPECT_EQ(p2.triangle, frame.triangle);
        EXPECT_EQ(p2.setup, frame.setup);
        ASSERT_NE(p2.span, nullptr);
        EXPECT_EQ(p2.span, kHandSpans[i].span);
        EXPECT_EQ(p2.mode, kHandSpans[i].mode);
        EXPECT_EQ(mx.span, p2.span);
        // The span carries the MMX row's name.
        EXPECT_EQ(std::string(mx.name), kHandSpans[i].name);
        EXPECT_NE(mx.triangle, nullptr);
        EXPECT_NE(mx.setup, nullptr);
    }
    EXPECT_EQ(rasterizerTable[kP2FirstRow].triangle, &Rast_TriangleZi32b15II);
    EXPECT_EQ(rasterizerTable[kP2FirstRow + 2].triangle, &Rast_TriangleZi32FastPerspectiveGouraudII);
    EXPECT_EQ(rasterizerTable[kP2FirstRow + 104].triangle, &Rast_TriangleFastPerspectiveII);
}

// Every textured Pentium II row against the portable row of its mode. Exact where the arithmetic
// agrees; where the blends round differently within one to three channel steps (the Var blends,
// 5-5-5 red of the lit texel and of VarGouraudmono); Texture16 Gouraudmono lights by level as the portable keyed row does,
// not by the whole intensity as the portable unkeyed row does; perspective rows within one texel.
TEST(P2Rows, AgreeWithThePortableRows)
{
    for (bool is565 : {true, false}) {
        const Textures tex(is565);
        for (int i = 1; i < kHandWrittenRows; ++i) {
            const RasterizerRow& row = rasterizerTable[kP2FirstRow + i];
            SCOPED_TRACE(testing::Message() << row.name << (is565 ? " 565" : " 555"));
            const RenderMode m = row.mode & ~RM_LINEAR_TWIN;
            const int v = HandVariantOfMode(m);
            const bool t8 = m & RM_TEXTURE8, persp = m & RM_PERSPECTIVE, z = m & RM_ZBUFFER;
            if (v == kSpanAddShade) continue;  // no portable row; see AddGouraudmonoAddsTheLitTexel
            // The portable keyed row with a key that matches nothing lights by level.
            const bool byLevel = v == kSpanShade && !t8;
            const RasterizerRow* portable = PortableRowOf(byLevel ? m | RM_OPACITY : m);
            ASSERT_NE(portable, nullptr);
            const Drawn a = Draw(row, is565, tex, z && !persp, !byLevel);
            const Drawn b = Draw(*portable, is565, tex, z && !persp, !byLevel);
            bool exact = v <= kSpanDestSubSrc && v != kSpanShade && v != kSpanKeyShade;
            if (v == kSpanShade || v == kSpanKeyShade) exact = t8 || is565;
            if (v == kSpanVarShade || v == kSpanVarKeyShade) exact = is565;
            // The Var blends double red and blue from 1/32 steps, up to two steps off the portable
            // 1/16 product. 5-5-5 red's lowest bit takes no part in a product, and VarGouraudmono
            // keeps the destination's: up to three steps there.
            const bool varBlend = v >= kSpanAddVar && v <= kSpanDestSubSrcVar;
            const int steps = !is565 ? 3 : varBlend || v == kSpanVarShade || v == kSpanVarKeyShade ? 2 : 1;
            int differing = 0;
            for (size_t k = 0; k < a.px.size(); ++k) {
                const int x = int(k % kW), y = int(k / kW);
                if (persp) {
                    // Texel coordinates of the plain rows; the depth of every depth-writing row.
                    if (v == kSpanCopy && !t8 && a.px[k] != DestAt(x, y, is565)) {
                        ASSERT_NE(b.px[k], DestAt(x, y, is565)) << x << "," << y;
                        const int dc = std::abs(((a.px[k] >> 5) & 31) - ((b.px[k] >> 5) & 31));
                        const int dr = std::abs(((a.px[k] >> 10) & 31) - ((b.px[k] >> 10) & 31));
                        ASSERT_TRUE((dc <= 1 || dc == 31) && (dr <= 1 || dr == 31)) << x << "," << y;
                    }
                    if (z) {
                        ASSERT_NEAR(double(a.z[k]), double(b.z[k]), 1024.0) << x << "," << y;
                    }
                    continue;
                }
                ASSERT_EQ(a.z[k], b.z[k]) << x << "," << y;
                if (exact) {
                    ASSERT_EQ(a.px[k], b.px[k]) << x << "," << y;
                } else {
                    ASSERT_LE(MaxChannelStep(a.px[k], b.px[k], is565), steps) << x << "," << y;
                    differing += a.px[k] != b.px[k];
                }
            }
            if (!persp && varBlend) {
                EXPECT_GT(differing, 0);
            }
        }
    }
}

// Add with Gouraudmono, a mode only the hand-written groups have: the lit texel of the
// Gouraudmono row added to the destination with saturation, channel by channel; no depth stored.
TEST(P2Rows, AddGouraudmonoAddsTheLitTexel)
{
    for (bool is565 : {true, false}) {
        const Textures tex(is565);
        for (int i = 1; i < kHandWrittenRows; ++i) {
            const RasterizerRow& row = rasterizerTable[kP2FirstRow + i];
            if (HandVariantOfMode(row.mode) != kSpanAddShade) continue;
            SCOPED_TRACE(row.name);
            const RasterizerRow* lit = &rasterizerTable[kP2FirstRow + i];
            for (int j = kP2FirstRow + 1; j < kP2FirstRow + kHandWrittenRows; ++j)
                if (rasterizerTable[j].mode == (row.mode & ~RM_ADD)) lit = &rasterizerTable[j];
            ASSERT_NE(lit, &row);
            const Drawn sum = Draw(row, is565, tex, false), shaded = Draw(*lit, is565, tex, false);
            const int shifts[3] = {is565 ? 11 : 10, 5, 0}, maxes[3] = {31, is565 ? 63 : 31, 31};
            for (size_t k = 0; k < sum.px.size(); ++k) {
                const uint16_t d = DestAt(int(k % kW), int(k / kW), is565);
                if (shaded.px[k] == d) continue;  // outside the rectangle
                uint16_t want = 0;
                for (int c = 0; c < 3; ++c)
                    want |= uint16_t(std::min(maxes[c], ((d >> shifts[c]) & maxes[c]) + ((shaded.px[k] >> shifts[c]) & maxes[c]))
                                     << shifts[c]);
                ASSERT_EQ(sum.px[k], want) << k;
                if (row.mode & RM_ZBUFFER) {
                    ASSERT_EQ(sum.z[k], 0u);
                }
            }
        }
    }
}

// Random triangles through each frame kind against the portable frame: the same pixels wherever no
// pixel centre lies within float rounding of an edge.
TEST(P2Rows, CoverageAgreesWithThePortableFrame)
{
    Rng rng(43);
    Runner p2(96, 96, true), portable(96, 96, true);
    CSystemMemorySurface tex;
    tex.Create(64, 64, PixelFormatOf(PFID_R5G6B5));
    p2.SetTexture(&tex, nullptr);
    portable.SetTexture(&tex, nullptr);
    const uint32_t modes[] = {0x8, 0x100008, 0x20000A, 0x30000A, 0x10E, 0x10010E, 0x20010E, 0x30010E, 0x806};
    for (int iter = 0; iter < 900; ++iter) {
        const uint32_t mode = modes[iter % 9];
        std::vector<RastVertex> tri = RandomTriangle(rng, -10, 105, -10, 105, 2);
        for (RastVertex& v : tri) v.z = 0.5f;
        p2.Fill(0, 0, 0), portable.Fill(0, 0, 0);
        const HandFrameRoutines f = P2FrameOf(mode);
        // The depth-only frame keeps no destination row: it is seen through its own span.
        const bool depthOnly = mode == 0x806;
        p2.Draw(f.triangle, f.setup, depthOnly ? &Span_Zi32b15AsmMMX3 : &CountSpan, mode, tri);
        portable.Draw(&Rast_TriangleC, &Rast_SetupScanC, depthOnly ? &Span_Zi32b15C : &CountSpan, mode, tri);
        for (int y = 0; y < 96; ++y)
            for (int x = 0; x < 96; ++x) {
                if (ReferenceCover(tri[0], tri[1], tri[2], x, y, {0, 95, 95, 0}, 1e-3) == Cover::Near) continue;
                ASSERT_EQ(p2.Pixel(x, y), portable.Pixel(x, y)) << x << "," << y << " mode " << std::hex << mode;
                ASSERT_EQ(p2.Depth16(x, y), portable.Depth16(x, y)) << x << "," << y << " mode " << std::hex << mode;
            }
    }
}
