// The portable triangle routine: vertex preparation, degenerate input, wireframe.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "graphics2d/Surface.h"
#include "raster/portable/PortableSpans.h"
#include "testdata/RasterHarness.h"

using namespace raster_harness;

namespace {

int CountDrawn(Runner& run)
{
    int n = 0;
    for (int y = 0; y < run.Height(); ++y)
        for (int x = 0; x < run.Width(); ++x) n += run.Pixel(x, y);
    return n;
}

void DrawCount(Runner& run, uint32_t mode, const std::vector<RastVertex>& poly)
{
    run.Draw(&Rast_TriangleC, &Rast_SetupScanC, &CountSpan, mode, poly);
}

}  // namespace

TEST(Triangle, PreparesVerticesInPlace)
{
    Runner run(64, 64, true);
    CSystemMemorySurface tex;
    ASSERT_TRUE(tex.Create(256, 256, PixelFormatOf(PFID_R5G6B5)));
    run.SetTexture(&tex, nullptr);
    std::vector<RastVertex> tri{MakeVertex(1, 1), MakeVertex(30, 2), MakeVertex(5, 40)};
    tri[0].u = 0.5f;
    tri[0].z = 0.25f;
    tri[0].shade2 = 1.7f;
    tri[1].shade2 = 0.5f;
    // Perspective Gouraudmono 16-bit textured mode.
    DrawCount(run, 0x30000A, tri);
    const RastVertex* v = rastState.rastVertices;
    EXPECT_EQ(v[0].x, 1.5f);
    EXPECT_EQ(v[0].y, 1.5f);
    EXPECT_EQ(v[0].u, 0.5f * 262144.0f * 0.25f);
    EXPECT_EQ(v[0].shade2, 32767.0f);
    EXPECT_EQ(v[1].shade2, 16383.5f);
    EXPECT_EQ(v[0].z, 0.25f);

    // Linear modes scale z to the 32-bit z-buffer.
    tri[0].z = 0.5f;
    run.Draw(&Rast_TriangleC, &Rast_SetupScanC, &CountSpan, 0x10E, tri);
    EXPECT_EQ(rastState.rastVertices[0].z, 1073741824.0f);
}

TEST(Triangle, DegenerateInputDrawsNothingAndSkipsOnlyBadTriangles)
{
    Runner run(64, 64, true);
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();

    DrawCount(run, 0x1, {MakeVertex(0, 0), MakeVertex(30, 30)});
    EXPECT_EQ(CountDrawn(run), 0);
    // Zero area.
    DrawCount(run, 0x1, {MakeVertex(0, 0), MakeVertex(10, 10), MakeVertex(20, 20)});
    EXPECT_EQ(CountDrawn(run), 0);
    // Non-finite coordinates.
    DrawCount(run, 0x1, {MakeVertex(nan, 0), MakeVertex(10, 10), MakeVertex(0, 20)});
    DrawCount(run, 0x1, {MakeVertex(0, 0), MakeVertex(inf, 10), MakeVertex(0, 20)});
    EXPECT_EQ(CountDrawn(run), 0);
    // Huge but finite: drawn, each pixel at most once.
    DrawCount(run, 0x1, {MakeVertex(0, 0), MakeVertex(1e38f, 3e38f), MakeVertex(-3e38f, 1e38f)});
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x) ASSERT_LE(run.Pixel(x, y), 1);

    // In a fan only the triangles using the bad vertex are skipped.
    run.Fill(0, 0, 0);
    DrawCount(run, 0x1, {MakeVertex(0, 0), MakeVertex(10, 0), MakeVertex(10, 10), MakeVertex(nan, 10), MakeVertex(0, 10)});
    EXPECT_EQ(CountDrawn(run), 45);

    // A perspective triangle with 1/w <= 0 is not divided by.
    run.Fill(0, 0, 0);
    CSystemMemorySurface tex;
    ASSERT_TRUE(tex.Create(4, 4, PixelFormatOf(PFID_R5G6B5)));
    run.SetTexture(&tex, nullptr);
    std::vector<RastVertex> tri{MakeVertex(0, 0), MakeVertex(30, 0), MakeVertex(0, 30)};
    tri[1].z = 0.0f;
    DrawCount(run, 0x20000A, tri);
    tri = {MakeVertex(0, 0), MakeVertex(30, 0), MakeVertex(0, 30)};
    tri[2].z = -0.5f;
    DrawCount(run, 0x20000A, tri);
    EXPECT_EQ(CountDrawn(run), 0);
}

TEST(Triangle, VertexEndOutsideTheListIsBounded)
{
    Runner run(64, 64, true);
    std::vector<RastVertex> poly(80, MakeVertex(0, 0));
    for (int i = 0; i < 80; ++i) poly[i] = MakeVertex(32 + 20 * std::cos(i * 0.0785), 32 + 20 * std::sin(i * 0.0785));
    run.Draw(&Rast_TriangleC, &Rast_SetupScanC, &CountSpan, 0x1, poly);
    const int once = CountDrawn(run);
    EXPECT_GT(once, 0);
    // End pointers before the list or far past it.
    run.Fill(0, 0, 0);
    run.Draw(&Rast_TriangleC, &Rast_SetupScanC, &CountSpan, 0x1, {});
    // Addresses formed as integers: the pointers themselves would be out of the array.
    const auto base = reinterpret_cast<uintptr_t>(rastState.rastVertices);
    rastState.rastVertexEnd = reinterpret_cast<RastVertex*>(base - 5 * sizeof(RastVertex));
    Rast_TriangleC();
    EXPECT_EQ(CountDrawn(run), 0);
    rastState.rastVertexEnd = reinterpret_cast<RastVertex*>(base + 1000 * sizeof(RastVertex));
    Rast_TriangleC();
    SUCCEED();
}

TEST(Triangle, MissingResourcesDrawNothing)
{
    Runner run(32, 32, true);
    run.Draw(&Rast_TriangleC, &Rast_SetupScanC, &CountSpan, 0x8, {MakeVertex(0, 0), MakeVertex(20, 0), MakeVertex(0, 20)});
    EXPECT_EQ(CountDrawn(run), 0);
    // An empty viewport.
    run.SetViewport({10, 5, 20, 0});
    run.Draw(&Rast_TriangleC, &Rast_SetupScanC, &CountSpan, 0x1, {MakeVertex(0, 0), MakeVertex(20, 0), MakeVertex(0, 20)});
    EXPECT_EQ(CountDrawn(run), 0);
}

TEST(Triangle, WireframeOutlinesEachFanTriangleWithinTheViewport)
{
    Runner run(64, 64, true);
    run.SetViewport({0, 30, 40, 2});
    const std::vector<RastVertex> quad{MakeVertex(5.7f, 5.2f), MakeVertex(50, 5), MakeVertex(50, 50), MakeVertex(5, 50)};
    run.Draw(&Rast_Wireframe, nullptr, nullptr, 0x40000, quad);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(rastState.rastVertices[i].x, quad[i].x);
        EXPECT_EQ(rastState.rastVertices[i].y, quad[i].y);
    }
    // Truncated end points, colour 0xFFFF, the top edge and the diagonal, clipped.
    EXPECT_EQ(run.Pixel(5, 5), 0xFFFF);
    EXPECT_EQ(run.Pixel(40, 5), 0xFFFF);
    EXPECT_EQ(run.Pixel(20, 20), 0xFFFF);
    EXPECT_EQ(run.Pixel(5, 30), 0xFFFF);
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x)
            if (x < 2 || x > 40 || y > 30) {
                ASSERT_EQ(run.Pixel(x, y), 0) << x << "," << y;
            }
    EXPECT_EQ(run.Pixel(20, 10), 0);
}
