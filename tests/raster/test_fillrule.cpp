// Coverage of the portable triangle routine against the exact fill-rule model, and fan seams.
#include <gtest/gtest.h>

#include "raster/portable/PortableSpans.h"
#include "testdata/RasterHarness.h"

using namespace raster_harness;

namespace {

constexpr uint32_t kFlat = 0x1;

void DrawCount(Runner& run, const std::vector<RastVertex>& poly)
{
    run.Draw(&Rast_TriangleC, &Rast_SetupScanC, &CountSpan, kFlat, poly);
}

}  // namespace

TEST(FillRule, RandomTrianglesMatchExactModel)
{
    Runner run(160, 120, true);
    Rng rng(0x5EED1);
    int compared = 0, drawn = 0;
    for (int t = 0; t < 1500; ++t) {
        const ClipRect vp = t % 3 == 0 ? ClipRect{int(rng.Range(0, 30)), int(rng.Range(60, 119)), int(rng.Range(80, 159)),
                                                  int(rng.Range(0, 40))}
                                       : ClipRect{0, 119, 159, 0};
        run.SetViewport(vp);
        run.Fill(0, 0, 0);
        // Mostly on screen, some reaching far outside; a few tiny or thin ones.
        const double m = t % 5 == 0 ? 200.0 : 10.0;
        std::vector<RastVertex> tri = RandomTriangle(rng, -m, 160 + m, -m, 120 + m, t % 2 ? 8 : 2);
        if (t % 7 == 0) tri[2] = MakeVertex(tri[0].x + rng.Dyadic(-3, 3, 4), tri[0].y + rng.Dyadic(-3, 3, 4));
        const std::vector<RastVertex> original = tri;
        DrawCount(run, tri);
        for (int y = 0; y < run.Height(); ++y) {
            for (int x = 0; x < run.Width(); ++x) {
                const Cover c = ReferenceCover(original[0], original[1], original[2], x, y, vp, 1e-3);
                const uint16_t n = run.Pixel(x, y);
                if (c == Cover::Near) {
                    ASSERT_LE(n, 1) << "triangle " << t << " pixel " << x << "," << y;
                    continue;
                }
                ASSERT_EQ(n, c == Cover::In ? 1 : 0) << "triangle " << t << " pixel " << x << "," << y << " ("
                                                     << original[0].x << "," << original[0].y << ") ("
                                                     << original[1].x << "," << original[1].y << ") ("
                                                     << original[2].x << "," << original[2].y << ")";
                ++compared;
                drawn += n;
            }
        }
    }
    EXPECT_GT(drawn, 100000);
    EXPECT_GT(compared, 1000000);
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
        DrawCount(run, tri);
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

// Every pixel of a convex polygon is drawn exactly once: no double pixels and no gaps on the
// interior edges of the fan, including centres that lie exactly on them.
TEST(FillRule, FanSeamsAreExact)
{
    Runner run(128, 128, false);
    Rng rng(77);
    int onSeams = 0;
    for (int t = 0; t < 400; ++t) {
        run.Fill(0, 0, 0);
        // Half-pixel grids put many pixel centres exactly on the seams.
        const std::vector<RastVertex> poly = RandomConvexPolygon(rng, 3 + int(rng.Range(0, 12)), 64, 64, 70, t % 2 ? 1 : 6);
        if (poly.size() < 3) continue;
        DrawCount(run, poly);
        for (int y = 0; y < 128; ++y) {
            for (int x = 0; x < 128; ++x) {
                const uint16_t n = run.Pixel(x, y);
                ASSERT_LE(n, 1) << "polygon " << t << " pixel " << x << "," << y;
                for (size_t i = 2; i + 1 < poly.size(); ++i) {
                    // Interior of the seam: its end points are vertices on the outline.
                    if (!CentreOnSegment(poly[0], poly[i], x, y) || CentreOnSegment(poly[0], poly[0], x, y) ||
                        CentreOnSegment(poly[i], poly[i], x, y))
                        continue;
                    ++onSeams;
                    ASSERT_EQ(n, 1) << "seam pixel " << x << "," << y << " of polygon " << t;
                }
            }
        }
    }
    EXPECT_GT(onSeams, 200);
}

// A square fan, a flat-topped triangle (rows of 4, 3, 2, 1: centres on the hypotenuse belong to
// it), a triangle within one pixel row, and a large triangle clipped on all four viewport sides.
TEST(FillRule, ExamplesMatchTheExactModel)
{
    struct Case {
        std::vector<RastVertex> poly;
        ClipRect vp;
        int count;
    };
    const Case cases[] = {
        {{MakeVertex(0, 0), MakeVertex(10, 0), MakeVertex(10, 10), MakeVertex(0, 10)}, {0, 63, 63, 0}, 100},
        {{MakeVertex(0, 0), MakeVertex(4, 0), MakeVertex(0, 4)}, {0, 63, 63, 0}, 10},
        {{MakeVertex(2, 3.1), MakeVertex(20, 3.2), MakeVertex(9, 3.4)}, {0, 63, 63, 0}, 0},
        {{MakeVertex(-100, -50), MakeVertex(300, -40), MakeVertex(20, 400)}, {5, 40, 50, 7}, 36 * 44},
    };
    for (const Case& c : cases) {
        Runner run(64, 64, true);
        run.SetViewport(c.vp);
        DrawCount(run, c.poly);
        int count = 0;
        for (int y = 0; y < 64; ++y)
            for (int x = 0; x < 64; ++x) {
                int want = 0;
                for (size_t i = 2; i < c.poly.size(); ++i)
                    want += ReferenceCover(c.poly[0], c.poly[i - 1], c.poly[i], x, y, c.vp, 0.0) == Cover::In;
                ASSERT_EQ(run.Pixel(x, y), want) << x << "," << y;
                count += want;
            }
        EXPECT_EQ(count, c.count);
    }
}
