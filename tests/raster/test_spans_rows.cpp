// Every textured portable row drawn through the triangle routine onto the probe textures: each pixel
// must hold the variant's result for the texel under its centre, and the z-buffer the variant's rule.
#include <cmath>

#include "raster_test.h"

using namespace rtest;

namespace {

constexpr int kX0 = 8, kX1 = 104, kY0 = 6, kY1 = 70;  // the quad, exclusive right and bottom
constexpr float kZLeft = 1.0f, kZRight = 0.9f;        // 1/w (or depth) at the left and right sides
constexpr float kShade = 0.75f;

// A screen rectangle whose 1/w falls from left to right. For the perspective rows u/w and v/w must
// be affine on the screen: u = t zR / Q, v = s zL / Q (Q the interpolated 1/w), so the bottom right
// vertex has v = zL / zR.
std::vector<RastVertex> Quad(bool persp)
{
    std::vector<RastVertex> q{MakeVertex(kX0, kY0), MakeVertex(kX1, kY0), MakeVertex(kX1, kY1), MakeVertex(kX0, kY1)};
    const float u[4] = {0, 1, 1, 0}, v[4] = {0, 0, persp ? kZLeft / kZRight : 1.0f, 1};
    for (int i = 0; i < 4; ++i) q[i].u = u[i], q[i].v = v[i], q[i].z = u[i] ? kZRight : kZLeft, q[i].shade2 = kShade;
    return q;
}

bool NearBoundary(double f, double tol) { return std::fabs(f - std::round(f)) < tol; }

void CheckRow(const Row& row, const Format& f, const Textures& tex)
{
    SCOPED_TRACE(row.name);
    const bool t8 = Tex8(row.family), persp = Perspective(row.family);
    const int side = t8 ? 16 : 32;
    // Texels as the probe textures lay them out (see Textures).
    auto texel = [&](int c, int r) { return t8 ? uint32_t(r * 16 + c) : uint32_t(((r << 10) | (c << 5) | (r ^ c)) & 0x7FFF); };
    Runner run(112, 80, f.is565);
    FillPatterns(run);
    const RenderMode mode = PortableRowMode(row.family, row.variant);
    tex.Use(run, mode);
    run.Draw(&Rast_TriangleC, &Rast_SetupScanC, row.span, mode, Quad(persp));

    const uint32_t s = uint32_t(kShade * 32767.0f), key = t8 ? 85 : texel(5, 5);
    int checked = 0, keyed = 0;
    for (int y = 0; y < 80; ++y) {
        for (int x = 0; x < 112; ++x) {
            const uint16_t before = DestAt(x, y, f.is565), got = run.Pixel(x, y);
            const uint32_t z = run.Depth32(x, y);
            if (x < kX0 || x >= kX1 || y < kY0 || y >= kY1) {
                ASSERT_EQ(got, before) << x << "," << y;
                ASSERT_EQ(z, DepthAt(x, y));
                continue;
            }
            // The texture position of the centre, perspective-correct or affine.
            const double t = (x + 0.5 - kX0) / double(kX1 - kX0), sv = (y + 0.5 - kY0) / double(kY1 - kY0);
            const double q = (1 - t) * kZLeft + t * kZRight;
            const double uf = (persp ? t * kZRight / q : t) * side, vf = (persp ? sv * kZLeft / q : sv) * side;
            if (NearBoundary(uf, persp ? 0.25 : 0.02) || NearBoundary(vf, persp ? 0.25 : 0.02)) continue;
            const uint32_t tx = texel(int(uf) % side, int(vf) % side);
            uint32_t S = t8 ? tex.palette[tx] : tx;
            if (SpanVariantShaded(row.variant))
                S = t8 ? tex.palette[256 * (3 + (s >> 10)) + tx] : RefShade16(f, tx, s, row.variant == kSpanShade);
            const bool skip = SpanVariantKeyed(row.variant) && tx == key;
            ASSERT_EQ(got, skip ? before : RefPixel(f, row.variant, S, before, 20)) << x << "," << y << " texel " << tx;
            if (HasZ(row.family)) {
                // The depth along the row: 1/w x 2^31 in either walk.
                if (SpanVariantWritesZ(row.variant) && !skip) {
                    ASSERT_NEAR(double(z), q * 2147483648.0, 4096.0) << x << "," << y;
                } else {
                    ASSERT_EQ(z, DepthAt(x, y)) << x << "," << y;
                }
            }
            ++checked;
            keyed += skip;
        }
    }
    EXPECT_GT(checked, (kX1 - kX0) * (kY1 - kY0) / 5);
    if (SpanVariantKeyed(row.variant)) {
        EXPECT_GT(keyed, 0);
    }
}

}  // namespace

TEST(SpanRows, EveryTexturedRowOnTheProbe)
{
    for (const Format& f : {k565, k555}) {
        const Textures tex(f.is565);
        for (const Row& row : kRows) CheckRow(row, f, tex);
    }
}
