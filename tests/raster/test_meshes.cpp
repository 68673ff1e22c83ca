// Meshes and fans whose vertices lie on a dyadic grid, through every family's triangle routines:
// neighbouring triangles draw every pixel once, with no gap and no overlap.
#include <cmath>

#include "raster_test.h"

using namespace rtest;

namespace {

// A grid of (cols + 1) x (rows + 1) points over the target and beyond it, the inner ones moved by up
// to `jitter` pixels, every coordinate a multiple of 2^-fracBits.
std::vector<RastVertex> Grid(Rng& rng, int cols, int rows, double w, double h, double jitter, int fracBits)
{
    std::vector<RastVertex> g;
    for (int j = 0; j <= rows; ++j)
        for (int i = 0; i <= cols; ++i) {
            const bool outline = i == 0 || j == 0 || i == cols || j == rows;
            const double x = -3 + i * (w + 6) / cols + (outline ? 0 : rng.Dyadic(-jitter, jitter, fracBits));
            const double y = -3 + j * (h + 6) / rows + (outline ? 0 : rng.Dyadic(-jitter, jitter, fracBits));
            const double s = std::ldexp(1.0, fracBits);
            RastVertex v = MakeVertex(std::round(x * s) / s, std::round(y * s) / s);
            v.u = float(i) / float(cols), v.v = float(j) / float(rows);
            v.z = 0.25f + 0.5f * float(i + j) / float(cols + rows);
            v.shade2 = 0.5f;
            g.push_back(v);
        }
    return g;
}

// Whether the centre of pixel (x, y) lies within eps of the polygon's outline.
bool NearOutline(const std::vector<RastVertex>& poly, int x, int y, double eps)
{
    const double px = x + 0.5, py = y + 0.5;
    for (size_t i = 0; i < poly.size(); ++i) {
        const RastVertex& a = poly[i];
        const RastVertex& b = poly[(i + 1) % poly.size()];
        const double dx = double(b.x) - a.x, dy = double(b.y) - a.y;
        const double t = std::clamp(((px - a.x) * dx + (py - a.y) * dy) / (dx * dx + dy * dy), 0.0, 1.0);
        if (std::hypot(a.x + t * dx - px, a.y + t * dy - py) < eps) return true;
    }
    return false;
}

}  // namespace

// Each cell of a jittered grid split into two triangles along a random diagonal, every triangle
// drawn by its own call with its vertices in a random rotation and orientation: every pixel of the
// target is drawn exactly once.
TEST(Meshes, DyadicMeshesCoverEveryPixelOnce)
{
    constexpr int kW = 112, kH = 84;
    CoverageRunner run(kW, kH, true, 16);
    for (const Family& fam : kFamilies) {
        Rng rng(0xD1AD);
        int twice = 0, missing = 0;
        for (int mesh = 0; mesh < 20; ++mesh) {
            const RenderMode mode = kFrameModes[mesh % 8];
            const int cols = 5 + int(rng.Range(0, 9)), rows = 4 + int(rng.Range(0, 7));
            const std::vector<RastVertex> g = Grid(rng, cols, rows, kW, kH, 0.3 * std::min((kW + 6.0) / cols, (kH + 6.0) / rows), mesh % 3 == 0 ? 1 : 2);
            run.Fill(0, 0, 0);
            const HandFrameRoutines f = fam.frameOf(mode);
            auto at = [&](int i, int j) { return g[size_t(j * (cols + 1) + i)]; };
            for (int j = 0; j < rows; ++j)
                for (int i = 0; i < cols; ++i) {
                    const bool diag = rng.Next() & 1;
                    std::vector<RastVertex> t1{at(i, j), at(i + 1, j), diag ? at(i + 1, j + 1) : at(i, j + 1)};
                    std::vector<RastVertex> t2{diag ? at(i, j) : at(i + 1, j), at(i + 1, j + 1), at(i, j + 1)};
                    for (auto* t : {&t1, &t2}) {
                        std::rotate(t->begin(), t->begin() + int(rng.Range(0, 2)), t->end());
                        if (rng.Next() & 1) std::swap((*t)[1], (*t)[2]);
                        run.Draw(f.triangle, f.setup, &CountSpan, mode, *t);
                    }
                }
            for (int y = 0; y < kH; ++y)
                for (int x = 0; x < kW; ++x) {
                    twice += run.Pixel(x, y) > 1;
                    missing += run.Pixel(x, y) == 0;
                }
        }
        EXPECT_EQ(twice, 0) << fam.name;
        EXPECT_EQ(missing, 0) << fam.name;
    }
}

// Convex polygons on a dyadic grid drawn as one fan each: the seams inside meet at vertex 0 and
// along its diagonals, so every pixel is drawn at most once, and every pixel whose centre lies
// inside the outline (beyond rounding of it) exactly once.
TEST(Meshes, DyadicFansCoverTheirInsideOnce)
{
    constexpr int kSize = 96;
    CoverageRunner run(kSize, kSize, false, 16);
    for (const Family& fam : kFamilies) {
        Rng rng(0xFA5);
        int inside = 0;
        for (int n = 0; n < 60; ++n) {
            const RenderMode mode = kFrameModes[n % 8];
            std::vector<RastVertex> poly = RandomConvexPolygon(rng, 4 + int(rng.Range(0, 10)), 48, 48, 50, 1 + n % 2);
            if (poly.size() < 4) continue;
            for (RastVertex& v : poly) v.z = 0.5f, v.shade2 = 0.5f;
            std::rotate(poly.begin(), poly.begin() + int(rng.Range(0, int(poly.size()) - 1)), poly.end());
            run.Fill(0, 0, 0);
            const HandFrameRoutines f = fam.frameOf(mode);
            run.Draw(f.triangle, f.setup, &CountSpan, mode, poly);
            for (int y = 0; y < kSize; ++y)
                for (int x = 0; x < kSize; ++x) {
                    const int got = run.Pixel(x, y);
                    ASSERT_LE(got, 1) << fam.name << " polygon " << n << " pixel " << x << "," << y;
                    if (NearOutline(poly, x, y, 1e-2)) continue;
                    int want = 0;
                    for (size_t i = 2; i < poly.size(); ++i)
                        want += ReferenceCover(poly[0], poly[i - 1], poly[i], x, y, {0, kSize - 1, kSize - 1, 0}, 0.0) == Cover::In;
                    ASSERT_EQ(got, want) << fam.name << " polygon " << n << " pixel " << x << "," << y;
                    inside += want;
                }
        }
        EXPECT_GT(inside, 100000) << fam.name;
    }
}
