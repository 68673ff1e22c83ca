// Every textured portable row drawn through the triangle routine onto a probe texture: each pixel
// must hold the variant's result for the texel under its centre, and the z-buffer the variant's rule.
#include <cmath>

#include "raster_test.h"

using namespace rtest;

namespace {

constexpr int kX0 = 8, kX1 = 104, kY0 = 6, kY1 = 70;  // the quad, exclusive right and bottom
constexpr float kZLeft = 1.0f, kZRight = 0.9f;        // 1/w (or depth) at the left and right sides
constexpr float kShade = 0.75f;
constexpr uint16_t kWeight = 20;
constexpr uint32_t kZStart = 0x1000;

uint16_t DestPattern(int x, int y, bool is565) { return uint16_t((x * 2731 + y * 9173) & (is565 ? 0xFFFF : 0x7FFF)); }

struct Probe {
    int w, h;
    bool tex8;
    CSystemMemorySurface surface;
    std::vector<uint16_t> texels16;
    const uint16_t* palette = nullptr;
    uint32_t Texel(int col, int row) const
    {
        return tex8 ? static_cast<const uint8_t*>(surface.pixels)[row * w + col] : texels16[row * w + col];
    }
};

// 8-bit: 16 x 16 indices, index = row * 16 + column, palette colours from the index; 16-bit: 32 x 32
// texels in the destination format whose value encodes the coordinates.
void MakeProbe(Probe& p, bool tex8, const Format& f)
{
    const CPixelFormat screen = PixelFormatOf(f.is565 ? PFID_R5G6B5 : PFID_X1R5G5B5);
    p.tex8 = tex8;
    if (tex8) {
        p.w = p.h = 16;
        ASSERT_TRUE(Texture_CreatePalettised(p.surface, 16, 16, screen));
        auto* plane = static_cast<uint16_t*>(p.surface.plane.pixels);
        for (int i = 0; i < 256; ++i) plane[i] = uint16_t((i * 40503u + 0x1234) & (f.is565 ? 0xFFFF : 0x7FFF));
        ASSERT_TRUE(Texture_BuildLightPlanes(p.surface.plane, screen));
        for (int i = 0; i < 256; ++i) static_cast<uint8_t*>(p.surface.pixels)[i] = uint8_t(i);
        p.palette = plane;
    } else {
        p.w = p.h = 32;
        ASSERT_TRUE(p.surface.Create(32, 32, screen));
        for (int r = 0; r < 32; ++r)
            for (int c = 0; c < 32; ++c)
                reinterpret_cast<uint16_t*>(p.surface.Row(r))[c] = uint16_t(((r << 10) | (c << 5) | (r ^ c)) & 0x7FFF);
        p.texels16.resize(32 * 32);
        for (int i = 0; i < 32 * 32; ++i) p.texels16[i] = reinterpret_cast<uint16_t*>(p.surface.pixels)[i];
    }
}

// A screen rectangle whose 1/w falls from left to right. For the perspective rows u/w and v/w must
// be affine on the screen: u = t zR / Q, v = s zL / Q (Q the interpolated 1/w), so the bottom right
// vertex has v = zL / zR.
std::vector<RastVertex> Quad(bool persp)
{
    std::vector<RastVertex> q{MakeVertex(kX0, kY0), MakeVertex(kX1, kY0), MakeVertex(kX1, kY1), MakeVertex(kX0, kY1)};
    const float u[4] = {0, 1, 1, 0}, v[4] = {0, 0, persp ? kZLeft / kZRight : 1.0f, 1};
    for (int i = 0; i < 4; ++i) {
        q[i].u = u[i];
        q[i].v = v[i];
        q[i].z = u[i] ? kZRight : kZLeft;
        q[i].shade2 = kShade;
    }
    return q;
}

// Texture position of a pixel centre in texels, perspective-correct or affine.
void TexelPosition(int x, int y, bool persp, const Probe& p, double& uf, double& vf)
{
    const double t = (x + 0.5 - kX0) / double(kX1 - kX0);
    const double s = (y + 0.5 - kY0) / double(kY1 - kY0);
    const double q = (1 - t) * kZLeft + t * kZRight;
    uf = (persp ? t * kZRight / q : t) * p.w;
    vf = (persp ? s * kZLeft / q : s) * p.h;
}

bool NearBoundary(double f, double tol) { return std::fabs(f - std::round(f)) < tol; }

void CheckRow(const Row& row, const Format& f)
{
    SCOPED_TRACE(row.name);
    Probe probe;
    MakeProbe(probe, Tex8(row.family), f);
    Runner run(112, 80, f.is565);
    for (int y = 0; y < 80; ++y)
        for (int x = 0; x < 112; ++x) reinterpret_cast<uint16_t*>(run.Colour().Row(y))[x] = DestPattern(x, y, f.is565);
    for (int y = 0; y < 80; ++y) std::fill_n(reinterpret_cast<uint32_t*>(run.Z32().Row(y)), 112, kZStart);
    run.SetTexture(&probe.surface, probe.palette);
    run.SetVarWeight(kWeight);
    // Key: index 85 (texel 5, 5), or the 16-bit texel at (5, 5).
    run.SetKeys(85, probe.Texel(5, 5));
    run.Draw(&Rast_TriangleC, &Rast_SetupScanC, row.span, PortableRowMode(row.family, row.variant), Quad(Perspective(row.family)));

    const bool persp = Perspective(row.family);
    const uint32_t s = uint32_t(kShade * 32767.0f);
    const uint32_t key = Tex8(row.family) ? 85 : probe.Texel(5, 5);
    int checked = 0, keyed = 0;
    for (int y = 0; y < 80; ++y) {
        for (int x = 0; x < 112; ++x) {
            const uint16_t before = DestPattern(x, y, f.is565);
            const uint16_t got = run.Pixel(x, y);
            const uint32_t z = run.Depth32(x, y);
            if (x < kX0 || x >= kX1 || y < kY0 || y >= kY1) {
                ASSERT_EQ(got, before) << x << "," << y;
                ASSERT_EQ(z, kZStart);
                continue;
            }
            double uf, vf;
            TexelPosition(x, y, persp, probe, uf, vf);
            if (NearBoundary(uf, persp ? 0.25 : 0.02) || NearBoundary(vf, persp ? 0.25 : 0.02)) continue;
            const uint32_t t = probe.Texel(int(uf) % probe.w, int(vf) % probe.h);
            uint32_t S = Tex8(row.family) ? probe.palette[t] : t;
            if (SpanVariantShaded(row.variant)) {
                S = Tex8(row.family) ? probe.palette[256 * (3 + (s >> 10)) + t]
                                     : RefShade16(f, t, s, row.variant == kSpanShade);
            }
            const bool skip = SpanVariantKeyed(row.variant) && t == key;
            const uint32_t want = skip ? before : RefPixel(f, row.variant, S, before, kWeight);
            ASSERT_EQ(got, want) << x << "," << y << " texel " << t;
            if (HasZ(row.family)) {
                if (SpanVariantWritesZ(row.variant) && !skip) {
                    // The depth along the row: 1/w x 2^31 in either walk.
                    const double tt = (x + 0.5 - kX0) / double(kX1 - kX0);
                    ASSERT_NEAR(double(z), ((1 - tt) * kZLeft + tt * kZRight) * 2147483648.0, 4096.0) << x << "," << y;
                } else {
                    ASSERT_EQ(z, kZStart) << x << "," << y;
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
    for (const Format& f : {k565, k555})
        for (const Row& row : kRows) CheckRow(row, f);
}
