// The Pentium II triangle frame: vertex adjustment, fixed-point steps, rounding mode, the fill rule
// on random polygons, vertical clipping and the depth scales.
#include <gtest/gtest.h>

#include <cfenv>
#include <cmath>
#include <vector>

#include "graphics2d/PixelFormat.h"
#include "raster/p2/HandSpans.h"
#include "raster/p2/P2Triangle.h"
#include "raster/packed/PackedConvert.h"
#include "testdata/RasterHarness.h"

using namespace raster_harness;

namespace {

// What the frame hands the spans, seen from the first span call of a draw.
struct Seen {
    int calls = 0;
    int rounding = -1;
    int32_t stepU = 0, stepU2[2] = {}, stepZ = 0;
    uint32_t stepS = 0;
    uint16_t stepS2[4] = {};
};
Seen g_seen;

void CaptureSpan()
{
    const SpanState& s = rastState;
    if (g_seen.calls++ == 0) {
        g_seen.rounding = std::fegetround();
        g_seen.stepU = s.rastDuDxFixed;
        g_seen.stepU2[0] = s.rastDuDx2Fix[0], g_seen.stepU2[1] = s.rastDuDx2Fix[1];
        g_seen.stepZ = s.rastDzDxFixed;
        g_seen.stepS = s.rastDgDxInt;
        std::copy(std::begin(s.rastDgDxLanes), std::end(s.rastDgDxLanes), g_seen.stepS2);
    }
    CountSpan();
}

struct Scene {
    Runner run{96, 96, true};
    CSystemMemorySurface tex;  // 256 x 256: scales 2^18
    Scene() { tex.Create(256, 256, PixelFormatOf(PFID_R5G6B5)); run.SetTexture(&tex, nullptr); }
    void Draw(RastFn tri, RastFn setup, uint32_t mode, const std::vector<RastVertex>& poly, RastFn span = &CaptureSpan)
    {
        g_seen = Seen{};
        run.Draw(tri, setup, span, mode, poly);
    }
    int Count(int x, int y) { return run.Pixel(x, y); }
};

// A right triangle 64 pixels wide and high whose u changes by du scaled units per pixel in x and
// whose intensity changes by ds per pixel.
std::vector<RastVertex> Ramp(double du, double ds)
{
    std::vector<RastVertex> t{MakeVertex(0, 0), MakeVertex(64, 0), MakeVertex(0, 64)};
    for (RastVertex& v : t) v.z = 0.5f;
    t[1].u = float(64 * du / 262144.0);
    t[1].shade2 = float(64 * ds / 32767.0);
    return t;
}

}  // namespace

TEST(P2Triangle, AdjustsEachVertexOnceInPlace)
{
    Scene s;
    std::vector<RastVertex> fan;
    for (int i = 0; i < 5; ++i) {
        RastVertex v = MakeVertex(40 + 30 * std::cos(i * 1.2566), 40 + 30 * std::sin(i * 1.2566));
        v.u = 0.25f * float(i), v.v = 0.5f, v.z = 0.5f, v.shade2 = 0.5f;
        fan.push_back(v);
    }
    fan[0].shade2 = 1.5f, fan[2].shade2 = -0.2f, fan[3].z = 0.0f;
    s.Draw(&Rast_TriangleZi32LinearGouraudII, &Rast_SetupScanZi32LinearGouraudII, 0x10010E, fan);
    for (int i = 0; i < 5; ++i) {
        const RastVertex& v = rastState.rastVertices[i];
        EXPECT_EQ(v.x, fan[size_t(i)].x + 0.5f) << i;
        EXPECT_EQ(v.y, fan[size_t(i)].y + 0.5f) << i;
        EXPECT_EQ(v.u, fan[size_t(i)].u * 262144.0f) << i;
        EXPECT_EQ(v.v, fan[size_t(i)].v * 67108864.0f) << i;
    }
    EXPECT_EQ(rastState.rastVertices[1].z, 1073741824.0f);
    EXPECT_EQ(rastState.rastVertices[3].z, std::ldexp(1.0f, -96));  // 0 on its exponent: 2^-96, depth 0
    EXPECT_EQ(rastState.rastVertices[0].shade2, 32767.0f);
    EXPECT_EQ(rastState.rastVertices[1].shade2, 16383.5f);
    EXPECT_NEAR(rastState.rastVertices[2].shade2, -6553.4f, 0.001f);
    EXPECT_GT(g_seen.calls, 0);

    // Perspective frames premultiply u and v by 1/w.
    fan[1].z = 0.25f;
    s.Draw(&Rast_TriangleFastPerspectiveII, &Rast_SetupScanFastPerspectiveII, 0x20000A, fan);
    EXPECT_EQ(rastState.rastVertices[1].u, 0.25f * 262144.0f * 0.25f);
    EXPECT_EQ(rastState.rastVertices[1].z, 0.25f);
}

TEST(P2Triangle, FixedPointStepsTruncateTowardZero)
{
    Scene s;
    const RastFn tri = &Rast_TriangleLinearGouraudII, setup = &Rast_SetupScanLinearGouraudII;
    s.Draw(tri, setup, 0x100008, Ramp(100.7, -3.9));
    EXPECT_EQ(g_seen.stepU, 6400);
    EXPECT_EQ(g_seen.stepU2[0], 12800);
    EXPECT_EQ(g_seen.stepU2[1], 12800);
    EXPECT_EQ(g_seen.stepS, 0xFFFDu);
    for (uint16_t lane : g_seen.stepS2) EXPECT_EQ(int16_t(lane), -6);
    s.Draw(tri, setup, 0x100008, Ramp(-2.5, 0.0));
    EXPECT_EQ(g_seen.stepU, -128);
    EXPECT_EQ(g_seen.stepU2[0], -256);
    std::vector<RastVertex> narrow = Ramp(0, 0);
    narrow[1].x = 16, narrow[1].shade2 = float(16 * 1000.9 / 32767.0);
    s.Draw(tri, setup, 0x100008, narrow);
    EXPECT_EQ(g_seen.stepS, 1000u);
    for (uint16_t lane : g_seen.stepS2) EXPECT_EQ(lane, 2000);

    // Depth steps: trunc(dzdx) in the linear frame, trunc(dInvWdx x 2^31) in the perspective one.
    std::vector<RastVertex> z = Ramp(0, 0);
    const float tiny = float(64 * 2.9 / 2147483648.0);
    z[0].z = z[2].z = 0.0f, z[1].z = tiny;
    s.Draw(&Rast_TriangleZi32LinearII, &Rast_SetupScanZi32LinearII, 0x10E, z);
    EXPECT_EQ(g_seen.stepZ, 2);
    z[0].z = z[2].z = tiny, z[1].z = 0.0f;
    s.Draw(&Rast_TriangleZi32LinearII, &Rast_SetupScanZi32LinearII, 0x10E, z);
    EXPECT_EQ(g_seen.stepZ, -2);
    z[0].z = z[2].z = 0.5f, z[1].z = float(0.5 - 0.25);
    s.Draw(&Rast_TriangleZi32FastPerspectiveII, &Rast_SetupScanZi32FastPerspectiveII, 0x20010E, z);
    EXPECT_EQ(g_seen.stepZ, -int32_t(0.25 / 64 * 2147483648.0));

    // Equal slopes of the first pair (a zero-area triangle): zero steps, not a garbage conversion.
    rastState.rastDuDxFixed = 12345;
    s.Draw(&Rast_TriangleLinearII, &Rast_SetupScanLinearII, 0x8,
           {MakeVertex(10, 10), MakeVertex(20, 20.5), MakeVertex(30, 31)});
    EXPECT_EQ(rastState.rastDuDxFixed, 0);
}

TEST(P2Triangle, RunsTowardZeroAndRestoresTheCallersRounding)
{
    Scene s;
    for (int mode : {FE_UPWARD, FE_TONEAREST}) {
        ASSERT_EQ(std::fesetround(mode), 0);
        s.Draw(&Rast_TriangleLinearII, &Rast_SetupScanLinearII, 0x8, Ramp(1, 0));
        EXPECT_EQ(std::fegetround(), mode);
        EXPECT_EQ(g_seen.rounding, FE_TOWARDZERO);
    }
    std::fesetround(FE_TONEAREST);
}

// Random triangles and convex polygons in random viewports: every pixel at most once, and the
// fill rule wherever a pixel centre is not within float rounding of an edge.
TEST(P2Triangle, CoverageFollowsTheFillRule)
{
    Scene s;
    Rng rng(31);
    const RastFn tris[] = {&Rast_TriangleLinearII, &Rast_TriangleFastPerspectiveGouraudII, &Rast_TriangleZi32LinearII};
    const RastFn setups[] = {&Rast_SetupScanLinearII, &Rast_SetupScanFastPerspectiveGouraudII, &Rast_SetupScanZi32LinearII};
    const uint32_t modes[] = {0x8, 0x30000A, 0x10E};
    int checked = 0;
    for (int iter = 0; iter < 600; ++iter) {
        const int k = iter % 3;
        std::vector<RastVertex> poly = iter % 2 ? RandomTriangle(rng, -20, 110, -20, 110, 3)
                                                : RandomConvexPolygon(rng, 7, 48, 48, 50, 4);
        for (RastVertex& v : poly) v.z = 0.5f;
        const ClipRect view{int(rng.Range(0, 40)), int(rng.Range(50, 95)), int(rng.Range(50, 95)), int(rng.Range(0, 40))};
        s.run.Fill(0, 0, 0);
        s.run.SetViewport(view);
        s.Draw(tris[k], setups[k], modes[k], poly);
        for (int y = 0; y < 96; ++y)
            for (int x = 0; x < 96; ++x) {
                int want = 0;
                bool near = false;
                for (size_t i = 2; i < poly.size(); ++i) {
                    const Cover c = ReferenceCover(poly[0], poly[i - 1], poly[i], x, y, view, 1e-3);
                    near |= c == Cover::Near;
                    want += c == Cover::In;
                }
                ASSERT_LE(s.Count(x, y), 1) << x << "," << y << " iteration " << iter;
                if (near) continue;
                ASSERT_EQ(s.Count(x, y), want) << x << "," << y << " iteration " << iter;
                ++checked;
            }
    }
    s.run.SetViewport({0, 95, 95, 0});
    EXPECT_GT(checked, 500000);
}

TEST(P2Triangle, ExamplesOfTheFrame)
{
    Scene s;
    auto drawn = [&](const std::vector<RastVertex>& poly) {
        s.run.Fill(0, 0, 0);
        s.Draw(&Rast_TriangleLinearII, &Rast_SetupScanLinearII, 0x8, poly);
        std::vector<std::pair<int, int>> px;
        for (int y = 0; y < 96; ++y)
            for (int x = 0; x < 96; ++x)
                if (s.Count(x, y)) px.push_back({x, y});
        return px;
    };
    // Rows 10 to 12 and columns 4 to 7: centres on the top and left edges are out, on the bottom
    // and right edges in.
    const auto box = drawn({MakeVertex(3.5, 9.5), MakeVertex(7.5, 9.5), MakeVertex(7.5, 12.5), MakeVertex(3.5, 12.5)});
    ASSERT_EQ(box.size(), 12u);
    EXPECT_EQ(box.front(), (std::pair{4, 10}));
    EXPECT_EQ(box.back(), (std::pair{7, 12}));
    // Three vertices on one row draw nothing.
    EXPECT_TRUE(drawn({MakeVertex(2, 4.5), MakeVertex(30, 4.9), MakeVertex(9, 5.4)}).empty());
    // Flat top whose two top vertices share a row at different heights: the sides are ordered by
    // their x on the first row, so the pixels the fill rule covers are drawn.
    const auto flat = drawn({MakeVertex(20, 10), MakeVertex(10, 5.1), MakeVertex(10, 5.4)});
    const std::vector<std::pair<int, int>> want = {{10, 5}, {12, 6}};
    for (const auto& p : want) EXPECT_NE(std::find(flat.begin(), flat.end(), p), flat.end()) << p.first << "," << p.second;
    for (const auto& [x, y] : flat)
        EXPECT_NE(ReferenceCover(MakeVertex(20, 10), MakeVertex(10, 5.1), MakeVertex(10, 5.4), x, y, {0, 95, 95, 0}, 1e-3),
                  Cover::Out);
}

// A triangle cut by the viewport's top draws, below it, exactly what it draws uncut: every edge
// value comes from a prestep from its vertex.
TEST(P2Triangle, ClippedAtTheTopStartsFromTheVertex)
{
    Scene s;
    auto& tex = s.tex;
    for (int y = 0; y < 256; ++y)
        for (int x = 0; x < 256; ++x) reinterpret_cast<uint16_t*>(tex.Row(y))[x] = uint16_t(y << 8 | x);
    std::vector<RastVertex> tri{MakeVertex(8, 2), MakeVertex(72, 2), MakeVertex(8, 66)};
    tri[1].u = 0.5f, tri[2].v = 0.25f;
    for (RastVertex& v : tri) v.z = 0.5f;
    std::vector<uint16_t> whole(96 * 96);
    for (const ClipRect view : {ClipRect{0, 95, 95, 0}, ClipRect{21, 95, 95, 13}}) {
        s.run.Fill(0, 0, 0);
        s.run.SetViewport(view);
        s.Draw(&Rast_TriangleLinearII, &Rast_SetupScanLinearII, 0x8, tri, &Span_Texture16Linear1516MX);
        for (int y = 0; y < 96; ++y)
            for (int x = 0; x < 96; ++x) {
                if (view.top == 0) {
                    whole[size_t(y * 96 + x)] = s.run.Pixel(x, y);
                } else {
                    const bool inside = y >= view.top && x >= view.left;
                    ASSERT_EQ(s.run.Pixel(x, y), inside ? whole[size_t(y * 96 + x)] : 0) << x << "," << y;
                }
            }
    }
    s.run.SetViewport({0, 95, 95, 0});
}

TEST(P2Triangle, DepthScalesOfTheZi32AndB15Frames)
{
    Scene s;
    std::vector<RastVertex> tri{MakeVertex(4, 4), MakeVertex(60, 6), MakeVertex(10, 50)};
    auto depthAt = [&](RastFn t, RastFn setup, RastFn span, uint32_t mode, float z, bool b15) {
        for (RastVertex& v : tri) v.z = z;
        s.run.Fill(0, 0, 0);
        s.Draw(t, setup, mode, tri, span);
        return b15 ? uint32_t(s.run.Depth16(12, 12)) : s.run.Depth32(12, 12);
    };
    const RastFn zl = &Rast_TriangleZi32LinearII, zls = &Rast_SetupScanZi32LinearII;
    const RastFn zp = &Rast_TriangleZi32FastPerspectiveII, zps = &Rast_SetupScanZi32FastPerspectiveII;
    EXPECT_EQ(depthAt(zl, zls, &Span_Zi32Texture16Linear1516MX, 0x10E, 0.25f, false), 0x20000000u);
    EXPECT_EQ(depthAt(zp, zps, &Span_Zi32Texture16FastPerspective1516MX, 0x20010E, 0.5f, false), 0x40000000u);
    EXPECT_EQ(depthAt(zp, zps, &Span_Zi32Texture16FastPerspective1516MX, 0x20010E, 1.0f, false), 0x80000000u);
    EXPECT_EQ(depthAt(zl, zls, &Span_Zi32Texture16Linear1516MX, 0x10E, 1.0f, false), 0x80000000u);
    // A depth of 0 stores 0 where the buffer holds 0.
    s.run.Fill(0x1234, 0, 0);
    for (RastVertex& v : tri) v.z = 0.0f;
    s.Draw(zl, zls, 0x10E, tri, &Span_Zi32Texture16Linear1516MX);
    EXPECT_NE(s.run.Pixel(12, 12), 0x1234);
    EXPECT_EQ(s.run.Depth32(12, 12), 0u);

    const RastFn b = &Rast_TriangleZi32b15II, bs = &Rast_SetupScanZi32b15II;
    EXPECT_EQ(depthAt(b, bs, &Span_Zi32b15AsmMMX3, 0x806, 0.5f, true), 0x4000u);
    EXPECT_EQ(depthAt(b, bs, &Span_Zi32b15AsmMMX3, 0x806, 0.25f, true), 0x2000u);
    EXPECT_EQ(depthAt(b, bs, &Span_Zi32b15AsmMMX3, 0x806, 1.0f, true), 0x8000u);
    EXPECT_EQ(s.run.Pixel(12, 12), 0);  // the depth-only frame writes no colour
}
