// The span routines the Pentium II and MMX rows share, called directly: the 32-pixel subdivision and
// its tails, the depth rules, the intensity lanes, keys.
#include <cmath>
#include <vector>

#include "raster_test.h"

#include "raster/p2/HandSpans.h"

using namespace rtest;

namespace {

constexpr float kCol = 1024.0f;    // scaled u of one texel column of a 256 x 256 texture
constexpr float kRow = 262144.0f;  // scaled v of one texel row

}  // namespace

// Exact at the first pixel and at every 32nd, every pixel (the tail's included) within one texel
// of the true perspective position, nothing written past the span.
TEST(P2Spans, FastPerspectiveBlocksAndTails)
{
    for (int n : {1, 31, 32, 33, 64, 65}) {
        SCOPED_TRACE(n);
        SpanRig rig(false);
        rig.Publish(false, n);
        rig.SetPerspective(float(0.5 * 3.3 * kCol), float(0.5 * 1.7 * kCol), 0.5f, 0.001f);
        rig.edge.v = float(0.5 * 7.1 * kRow);
        rig.Call(&Span_Texture16FastPerspective1516MX);
        for (int j = 0; j < n; ++j) {
            const double t = 0.5 + j, w = double(rig.edge.z) + double(rastState.rastDzDx) * t;
            const double col = (double(rig.edge.u) + double(rastState.rastDuDx) * t) / w / kCol;
            const double row = double(rig.edge.v) / w / kRow;
            const int got = rig.dst[size_t(j)] & 0xFF;
            if (j % 32 == 0) {
                ASSERT_EQ(got, int(col)) << "pixel " << j;
            }
            ASSERT_LE(std::abs(got - int(col)), 1) << "pixel " << j;
            ASSERT_LE(std::abs((rig.dst[size_t(j)] >> 8) - int(row)), 1) << "pixel " << j;
        }
        EXPECT_EQ(rig.dst[size_t(n)], 0) << "wrote past the span";
    }
}

namespace {

// The texture coordinates the FastPerspective walk gives each pixel, in span units (32-bit words),
// worked out step by step from the published values as the Pentium II and MMX rows define it:
// divided out at the first pixel, every 32nd pixel and the tail's last pixel; each block steps by
// the difference of its end points' upper 27 bits; the tail by the difference to its last pixel
// times the tabulated reciprocal of its length. A point whose 1/w is 0 or less keeps the previous
// point's coordinates. Runs rounding toward zero, as the frame does.
void ReferenceWalk(const RastEdge& e, int x0, int n, std::vector<uint32_t>& us, std::vector<uint32_t>& vs)
{
    // The tail's reciprocal is a constant of the walk: the nearest float to 1 / (length - 1).
    static const std::vector<float> kReciprocal = [] {
        std::vector<float> t(33, 0.0f);
        for (int r = 2; r <= 32; ++r) t[size_t(r)] = float(1.0 / (r - 1));
        return t;
    }();
    const RastRoundTowardZero rounding;
    const SpanState& s = rastState;
    const double offset = double(x0 + 1) - double(e.x);
    double w = double(e.z) + double(s.rastDzDx) * offset;
    double uw = double(e.u) + double(s.rastDuDx) * offset;
    double vw = double(e.v) + double(s.rastDvDx) * offset;
    double u = 0, v = 0;
    auto point = [&](double W, double UW, double VW, double& pu, double& pv) {
        if (W > 0) pu = UW * (1.0 / W), pv = VW * (1.0 / W);
    };
    auto fix = [](double x) { return uint32_t(int32_t(x)); };
    point(w, uw, vw, u, v);
    int blocks = 0, tail = n;
    if (n > 32) {
        blocks = n >> 5, tail = n & 31;
        if (tail == 0) --blocks, tail = 32;
    }
    us.clear(), vs.clear();
    for (int k = 0; k < blocks; ++k) {
        const uint32_t pu = fix(u), pv = fix(v);
        w += s.rastDzDx32, uw += s.rastDuDx32, vw += s.rastDvDx32;
        point(w, uw, vw, u, v);
        const uint32_t du = (fix(u) >> 5) - (pu >> 5), dv = (fix(v) >> 5) - (pv >> 5);
        for (uint32_t j = 0; j < 32; ++j) us.push_back((pu + j * du) << 6), vs.push_back((pv + j * dv) << 6);
    }
    const float length = float(tail - 1), reciprocal = kReciprocal[size_t(tail)];
    double ue = u, ve = v;
    point(w + s.rastDzDx * double(length), uw + s.rastDuDx * double(length), vw + s.rastDvDx * double(length), ue, ve);
    const uint32_t du = fix((ue - u) * double(reciprocal)), dv = fix((ve - v) * double(reciprocal));
    for (uint32_t j = 0; j < uint32_t(tail); ++j) us.push_back((fix(u) + j * du) << 6), vs.push_back((fix(v) + j * dv) << 6);
}

}  // namespace

// Every pixel's texture coordinates, between the subdivision points too, as the walk defines them,
// and nothing written past the span: each coordinate word is read back through four texture masks
// (its upper and lower 16 bits of u and of v) on random spans, some whose 1/w reaches 0 or below
// before their end.
TEST(P2Spans, FastPerspectiveCoordinatesOfEveryPixel)
{
    Rng rng(77);
    SpanRig rig(false);
    struct Window {
        uint32_t lo, hi, shift;
        uint32_t (*of)(uint32_t u, uint32_t v);
    };
    const Window windows[] = {
        {0xFFFFFFFF, 0, 16, [](uint32_t u, uint32_t) { return u >> 16; }},
        {0x003FFFC0, 0, 6, [](uint32_t u, uint32_t) { return (u & 0x003FFFC0) >> 6; }},
        {0, 0xFFFF0000, 16, [](uint32_t, uint32_t v) { return v >> 16; }},
        {0, 0x003FFFC0, 6, [](uint32_t, uint32_t v) { return (v & 0x003FFFC0) >> 6; }},
    };
    std::vector<uint32_t> us, vs;
    int crossings = 0;
    for (int iter = 0; iter < 300; ++iter) {
        const int n = int(rng.Range(1, SpanRig::kW - 1)), x0 = 0;
        RastEdge e{};
        e.x = float(rng.Range(0, 1023)) / 1024.0f;
        e.z = float(rng.Range(64, 1024)) / 1024.0f;
        e.u = float(rng.Range(-(1 << 22), 1 << 22)) * e.z;
        e.v = float(rng.Range(-(1 << 22), 1 << 22)) * e.z;
        const bool cross = iter % 4 == 0;
        const float dz = cross ? -e.z / float(rng.Range(4, n + 4)) : float(rng.Range(-400, 400)) / 262144.0f;
        const float du = float(rng.Range(-(1 << 18), 1 << 18)) / 16.0f, dv = float(rng.Range(-(1 << 18), 1 << 18)) / 16.0f;
        for (const Window& win : windows) {
            rig.Publish(false, n);
            rig.edge = e;
            SpanState& s = rastState;
            s.rastTexMaskLo = win.lo, s.rastTexMaskHi = win.hi, s.rastTexShift = win.shift;
            s.rastDzDx = dz, s.rastDzDx32 = dz * 32.0f;
            s.rastDuDx = du, s.rastDuDx32 = du * 32.0f;
            s.rastDvDx = dv, s.rastDvDx32 = dv * 32.0f;
            const std::vector<uint16_t> before = rig.dst;
            rig.Call(&Span_Texture16FastPerspective1516MX);
            ASSERT_TRUE(std::equal(before.begin() + n, before.end(), rig.dst.begin() + n)) << "wrote past the span";
            ReferenceWalk(e, x0, n, us, vs);
            for (int j = 0; j < n; ++j)
                ASSERT_EQ(rig.dst[size_t(j)], win.of(us[size_t(j)], vs[size_t(j)]) & 0xFFFF)
                    << "span " << iter << " pixel " << j << " of " << n << " window " << (&win - windows);
        }
        crossings += cross && double(e.z) + double(dz) * (n - 0.5) <= 0.0;
    }
    EXPECT_GT(crossings, 20);
}

// Unsigned test, equal passes, the depth steps by the integer step and wraps; a start of 2^31 or
// more is 0x80000000, below 0 is 0; FastPerspective 1/w of 1.0 is 0x80000000. Each pixel of a pair
// is tested on its own; blend members store nothing; a keyed texel leaves pixel and depth.
TEST(P2Spans, DepthRules)
{
    SpanRig rig(false);
    rig.Publish(false, 4);
    rig.edge.z = 5.0f;
    rastState.rastDzDxFixed = -2;
    rig.Call(&Span_Zi32Texture16Linear1516MX);
    EXPECT_EQ(rig.Z(4), (std::vector<uint32_t>{5, 3, 1, 0xFFFFFFFF}));

    struct Case {
        float start;
        uint32_t entries[2];
        bool drawn[2];
    };
    for (const Case& c : {Case{2147483520.0f, {0x80000000u, 0x7FFFFF80u}, {false, true}},
                          Case{3.0e9f, {0x80000000u, 0x80000001u}, {true, false}}, Case{-5.0f, {1, 0}, {false, true}}}) {
        rig.Publish(false, 2);
        rig.dst.assign(rig.dst.size(), 0xFFFF);
        rig.z[0] = c.entries[0], rig.z[1] = c.entries[1];
        rig.edge.z = c.start;
        rig.Call(&Span_Zi32Texture16Linear1516MX);
        for (int j = 0; j < 2; ++j) EXPECT_EQ(rig.dst[size_t(j)] != 0xFFFF, c.drawn[j]) << c.start << " " << j;
    }
    EXPECT_EQ(rig.z[1], 0u);
    rig.Publish(false, 1);
    rig.z[0] = 0;
    rig.edge.z = 1.0f;
    rig.Call(&Span_Zi32Texture16FastPerspective1516MX);
    EXPECT_EQ(rig.z[0], 0x80000000u);

    rig.Publish(false, 4);
    rig.edge.z = 100.0f, rig.edge.u = 0.25f * kCol;
    SpanRig::SetLinearSteps(kCol, 0.0f);
    rastState.rastDzDxFixed = 10;
    rig.z[0] = 101, rig.z[1] = 110, rig.z[2] = 0, rig.z[3] = 131;
    rig.dst.assign(rig.dst.size(), 0xFFFF);
    rig.Call(&Span_Zi32Texture16Linear1516MX);
    EXPECT_EQ(rig.Dst(4), (std::vector<uint16_t>{0xFFFF, 1, 2, 0xFFFF}));
    EXPECT_EQ(rig.Z(4), (std::vector<uint32_t>{101, 110, 120, 131}));
    rig.z.assign(rig.z.size(), 0);
    rig.dst.assign(rig.dst.size(), 0x0841);
    rig.Call(&Span_Zi32Texture16LinearAddTransparency1516MX);
    EXPECT_EQ(rig.z[0], 0u);
    EXPECT_EQ(rig.dst[1], 0x0842u);
    rastState.rastAlphaPixel = 1;  // the second texel
    rig.dst.assign(rig.dst.size(), 0x0841);
    rig.Call(&Span_Zi32Texture16LinearOpacity1516MX);
    EXPECT_EQ(rig.z[1], 0u);
    EXPECT_EQ(rig.dst[1], 0x0841u);
    EXPECT_EQ(rig.z[2], 120u);
}

// A FastPerspective tail pixel has the intensity of its own position.
TEST(P2Spans, FastPerspectiveTailPixelsHaveTheirOwnIntensity)
{
    SpanRig rig(false);
    rig.Publish(true, 33);
    rig.edge.shade = 1000.0f - 250.0f;
    rig.SetShadeStep(500);
    rig.Call(&Span_Texture8FastPerspectiveGouraudmono1516MX);
    for (int j : {31, 32}) EXPECT_EQ((rig.dst[size_t(j)] >> 8) - kRastShadeRowFirst, (1000 + j * 500) >> 10) << j;
}
