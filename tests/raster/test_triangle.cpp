// The portable triangle routine: exact ties of the fill rule, degenerate input, missing resources,
// wireframe.
#include <cmath>
#include <limits>

#include "raster_test.h"

using namespace rtest;

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

// Two vertices, zero area, non-finite coordinates, 1/w <= 0 in a perspective mode, a flat mode
// without its texture, an empty viewport and an end pointer before the list draw nothing; huge
// finite triangles draw each pixel at most once; in a fan only the triangles using a bad vertex
// are skipped.
TEST(Triangle, DegenerateInputDrawsNothingAndSkipsOnlyBadTriangles)
{
    Runner run(64, 64, true);
    const float nan = std::numeric_limits<float>::quiet_NaN(), inf = std::numeric_limits<float>::infinity();
    const std::vector<RastVertex> tri{MakeVertex(0, 0), MakeVertex(30, 0), MakeVertex(0, 30)};
    DrawCount(run, 0x1, {MakeVertex(0, 0), MakeVertex(30, 30)});
    DrawCount(run, 0x1, {MakeVertex(0, 0), MakeVertex(10, 10), MakeVertex(20, 20)});
    DrawCount(run, 0x1, {MakeVertex(nan, 0), MakeVertex(10, 10), MakeVertex(0, 20)});
    DrawCount(run, 0x1, {MakeVertex(0, 0), MakeVertex(inf, 10), MakeVertex(0, 20)});
    DrawCount(run, 0x8, tri);
    CSystemMemorySurface tex;
    ASSERT_TRUE(tex.Create(4, 4, PixelFormatOf(PFID_R5G6B5)));
    run.SetTexture(&tex, nullptr);
    for (float w : {0.0f, -0.5f}) {
        std::vector<RastVertex> t = tri;
        t[1].z = w;
        DrawCount(run, 0x20000A, t);
    }
    run.SetViewport({10, 5, 20, 0});
    DrawCount(run, 0x1, tri);
    EXPECT_EQ(CountDrawn(run), 0);
    run.SetViewport({0, 63, 63, 0});
    DrawCount(run, 0x1, tri);
    EXPECT_GT(CountDrawn(run), 0);
    run.Fill(0, 0, 0);
    // Addresses formed as integers: the pointer itself would be out of the array.
    rastState.rastVertexEnd = reinterpret_cast<RastVertex*>(reinterpret_cast<uintptr_t>(rastState.rastVertices) - 5 * sizeof(RastVertex));
    Rast_TriangleC();
    EXPECT_EQ(CountDrawn(run), 0);

    DrawCount(run, 0x1, {MakeVertex(0, 0), MakeVertex(1e38f, 3e38f), MakeVertex(-3e38f, 1e38f)});
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x) ASSERT_LE(run.Pixel(x, y), 1);
    run.Fill(0, 0, 0);
    DrawCount(run, 0x1, {MakeVertex(0, 0), MakeVertex(10, 0), MakeVertex(10, 10), MakeVertex(nan, 10), MakeVertex(0, 10)});
    EXPECT_EQ(CountDrawn(run), 45);
}

// Truncated end points, colour 0xFFFF, each fan triangle's outline clipped to the viewport.
TEST(Triangle, WireframeOutlinesEachFanTriangleWithinTheViewport)
{
    Runner run(64, 64, true);
    run.SetViewport({0, 30, 40, 2});
    run.Draw(&Rast_Wireframe, nullptr, nullptr, 0x40000,
             {MakeVertex(5.7f, 5.2f), MakeVertex(50, 5), MakeVertex(50, 50), MakeVertex(5, 50)});
    for (const auto& [x, y] : {std::pair{5, 5}, {40, 5}, {20, 20}, {5, 30}}) EXPECT_EQ(run.Pixel(x, y), 0xFFFF) << x << "," << y;
    EXPECT_EQ(run.Pixel(20, 10), 0);
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x)
            if (x < 2 || x > 40 || y > 30) {
                ASSERT_EQ(run.Pixel(x, y), 0) << x << "," << y;
            }
}

// Vertices on a half or quarter-pixel grid put many centres exactly on edges and vertices: the
// coverage is the exact fill rule, ties included. The first two put centres on a right edge
// (pixel 39, 83) and on a left edge (pixels 61, 85 and 100, 98).
TEST(FillRule, GridAlignedTrianglesAreExactOnTies)
{
    Runner run(170, 130, true);
    const ClipRect vp{0, 129, 169, 0};
    std::vector<std::vector<RastVertex>> tris = {
        {MakeVertex(102.5, 7), MakeVertex(21.5, 22.5), MakeVertex(4.5, 126)},
        {MakeVertex(162, 119), MakeVertex(22.5, 72.5), MakeVertex(130, 27.5)},
    };
    Rng rng(0x7E5);
    for (int t = 0; t < 500; ++t) tris.push_back(RandomTriangle(rng, -6, 176, -6, 136, 1 + t % 2));
    int ties = 0;
    for (const std::vector<RastVertex>& tri : tris) {
        run.Fill(0, 0, 0);
        DrawCount(run, 0x1, tri);
        for (int y = 0; y < run.Height(); ++y)
            for (int x = 0; x < run.Width(); ++x) {
                const bool in = ReferenceCover(tri[0], tri[1], tri[2], x, y, vp, 0.0) == Cover::In;
                ASSERT_EQ(run.Pixel(x, y), in ? 1 : 0) << "pixel " << x << "," << y << " of (" << tri[0].x << ","
                                                      << tri[0].y << ") (" << tri[1].x << "," << tri[1].y << ") ("
                                                      << tri[2].x << "," << tri[2].y << ")";
                for (int e = 0; e < 3; ++e) ties += CentreOnSegment(tri[size_t(e)], tri[size_t((e + 1) % 3)], x, y);
            }
    }
    EXPECT_GT(ties, 800);
}
