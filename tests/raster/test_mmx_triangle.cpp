// The MMX triangle routines: against the Pentium II rows, the fill rule, vertex conversion and
// steps, clipping, the rounding environment, hostile input, and depth.
#include <gtest/gtest.h>

#include <cfenv>
#include <cmath>
#include <cstring>
#include <limits>
#include <string>

#include "graphics2d/PixelFormat.h"
#include "raster/LightPlanes.h"
#include "raster/RoutineTable.h"
#include "raster/mmx/MmxTriangle.h"
#include "testdata/RasterHarness.h"

using namespace raster_harness;

namespace {

constexpr int kW = 96, kH = 80;
const ClipRect kAll{0, kH - 1, kW - 1, 0};

const RasterizerRow& Row(const char* name)
{
    for (int i = 0; i < kHandWrittenRows; ++i)
        if (std::strcmp(rasterizerTable[kMmxFirstRow + i].name, name) == 0) return rasterizerTable[kMmxFirstRow + i];
    ADD_FAILURE() << name;
    return rasterizerTable[0];
}

// An 8-bit texture with its plane block and a 16-bit one, in 5-6-5, and the keys and weight.
struct Textures {
    CSystemMemorySurface tex8, tex16;
    Textures()
    {
        const CPixelFormat screen = PixelFormatOf(PFID_R5G6B5);
        EXPECT_TRUE(Texture_CreatePalettised(tex8, 16, 16, screen));
        auto* plane = static_cast<uint16_t*>(tex8.plane.pixels);
        for (int i = 0; i < 256; ++i) plane[i] = uint16_t(i * 40503u + 0x1234);
        EXPECT_TRUE(Texture_BuildLightPlanes(tex8.plane, screen));
        for (int i = 0; i < 256; ++i) static_cast<uint8_t*>(tex8.pixels)[i] = uint8_t(i * 7);
        EXPECT_TRUE(tex16.Create(32, 32, screen));
        for (int r = 0; r < 32; ++r)
            for (int c = 0; c < 32; ++c) reinterpret_cast<uint16_t*>(tex16.Row(r))[c] = uint16_t(r * 2113 + c * 97 + (r ^ c));
    }
    void Publish(Runner& run, uint32_t mode) const
    {
        if (mode & RM_TEXTURE8)
            run.SetTexture(&tex8, static_cast<const uint16_t*>(tex8.plane.pixels));
        else
            run.SetTexture(&tex16, nullptr);
        run.SetKeys(63, reinterpret_cast<const uint16_t*>(tex16.Row(3))[5]);
        run.SetVarWeight(21);
    }
};

// Destination and both z-buffers filled with patterns, so that depth tests pass and fail.
void Reset(Runner& run)
{
    for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x) {
            reinterpret_cast<uint16_t*>(run.Colour().Row(y))[x] = uint16_t(x * 2731 + y * 9173);
            reinterpret_cast<uint32_t*>(run.Z32().Row(y))[x] = 0x30000000u + uint32_t(x) * 0x00400000u;
            reinterpret_cast<uint16_t*>(run.Z16().Row(y))[x] = uint16_t(0x3000 + x * 0x40);
        }
}

// Random triangles and convex polygons, 1/w in (0, 1], texture coordinates around the texture,
// intensities past both ends of 0..1.
std::vector<RastVertex> RandomPolygon(Rng& rng, int n)
{
    std::vector<RastVertex> poly =
        n % 3 == 0 ? RandomTriangle(rng, -20, kW + 20, -20, kH + 20, n % 2 ? 7 : 2)
                   : RandomConvexPolygon(rng, 3 + int(rng.Range(0, 6)), kW / 2, kH / 2, 50, n % 2 ? 5 : 1);
    for (RastVertex& v : poly) {
        v.z = float(rng.Dyadic(0.05, 1.0, 12));
        v.u = float(rng.Dyadic(-1.0, 2.0, 10));
        v.v = float(rng.Dyadic(-1.0, 2.0, 10));
        v.shade2 = float(rng.Dyadic(-0.2, 1.3, 10));
    }
    return poly;
}

// Draws with a row's triangle and setup routines and another span.
void DrawWith(Runner& run, const RasterizerRow& row, RastFn span, const std::vector<RastVertex>& poly)
{
    run.Draw(row.triangle, row.setup, span, row.mode & ~RM_LINEAR_TWIN, poly);
}

// Publishes everything and fills the vertices without drawing, so that a test can change a cell.
void Prepare(Runner& run, const RasterizerRow& row, RastFn span, const std::vector<RastVertex>& poly)
{
    run.Draw(nullptr, row.setup, span, row.mode & ~RM_LINEAR_TWIN, poly);
}

void CountZ16Span()
{
    auto* z = reinterpret_cast<uint16_t*>(rastState.rastZRow);
    for (int x = rastState.rastSpanX0; x < rastState.rastSpanX1; ++x) ++z[x];
}

// What the spans of one draw saw: the first call's row addresses and left edge, and whether every
// call ran rounding toward zero.
struct Seen {
    int calls = 0;
    bool towardZero = true;
    const uint8_t *destRow = nullptr, *zRow = nullptr;
    RastEdge left{};
} g_seen;
void RecordSpan()
{
    const SpanState& s = rastState;
    if (g_seen.calls++ == 0) g_seen.destRow = s.rastDestRow, g_seen.zRow = s.rastZRow, g_seen.left = *s.rastSpanEdge;
    g_seen.towardZero = g_seen.towardZero && std::fegetround() == FE_TOWARDZERO;
}

int CountDrawn(Runner& run)
{
    int n = 0;
    for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x) n += run.Pixel(x, y);
    return n;
}

// Checks a counting draw against the fill rule of (a, b, c); centres within eps of an edge may go
// either way. Returns the pixels drawn.
int CheckCover(Runner& run, const RastVertex& a, const RastVertex& b, const RastVertex& c, double eps)
{
    for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x) {
            const Cover cover = ReferenceCover(a, b, c, x, y, kAll, eps);
            if (cover != Cover::Near) {
                EXPECT_EQ(run.Pixel(x, y), cover == Cover::In ? 1 : 0) << x << "," << y;
            }
        }
    return CountDrawn(run);
}

}  // namespace

// One frame serves both groups: every MMX row draws what the Pentium II row of the same index
// draws, pixel for pixel and depth for depth.
TEST(MmxRows, DrawLikeThePentiumIIRows)
{
    const Textures tex;
    Runner mx(kW, kH, true), p2(kW, kH, true);
    for (int i = 0; i < kHandWrittenRows; ++i) {
        const RasterizerRow& a = rasterizerTable[kMmxFirstRow + i];
        const RasterizerRow& b = rasterizerTable[kP2FirstRow + i];
        ASSERT_EQ(a.mode, b.mode);
        ASSERT_EQ(a.span, b.span) << a.name;
        tex.Publish(mx, a.mode);
        tex.Publish(p2, b.mode);
        Rng rng(1000 + i);
        for (int n = 0; n < 40; ++n) {
            const ClipRect vp = n % 4 ? kAll
                                      : ClipRect{int(rng.Range(0, 20)), int(rng.Range(40, kH - 1)),
                                                 int(rng.Range(50, kW - 1)), int(rng.Range(0, 30))};
            mx.SetViewport(vp);
            p2.SetViewport(vp);
            Reset(mx);
            Reset(p2);
            const std::vector<RastVertex> poly = RandomPolygon(rng, n);
            mx.Draw(a, poly);
            p2.Draw(b, poly);
            for (int y = 0; y < kH; ++y)
                for (int x = 0; x < kW; ++x) {
                    ASSERT_EQ(mx.Pixel(x, y), p2.Pixel(x, y)) << a.name << " polygon " << n << " at " << x << "," << y;
                    ASSERT_EQ(mx.Depth32(x, y), p2.Depth32(x, y)) << a.name << " polygon " << n << " at " << x << "," << y;
                    ASSERT_EQ(mx.Depth16(x, y), p2.Depth16(x, y)) << a.name << " polygon " << n << " at " << x << "," << y;
                }
        }
    }
}

// Rows follow the fill rule exactly; columns too, except centres within the edge walk's rounding
// (f32 steps rounded toward zero: thousandths of a pixel here) of an edge.
TEST(MmxFrame, RandomTrianglesFollowTheFillRule)
{
    const Textures tex;
    Runner run(kW, kH, true);
    const RasterizerRow& row = Row("Texture16Linear1516MX");
    tex.Publish(run, row.mode);
    Rng rng(0x3A7);
    long compared = 0, near = 0;
    for (int n = 0; n < 1500; ++n) {
        const ClipRect vp = n % 3 ? kAll
                                  : ClipRect{int(rng.Range(0, 30)), int(rng.Range(40, kH - 1)),
                                             int(rng.Range(50, kW - 1)), int(rng.Range(0, 40))};
        run.SetViewport(vp);
        run.Fill(0, 0, 0);
        const double m = n % 5 == 0 ? 200.0 : 10.0;
        std::vector<RastVertex> tri = RandomTriangle(rng, -m, kW + m, -m, kH + m, n % 2 ? 8 : 2);
        if (n % 7 == 0) tri[2] = MakeVertex(tri[0].x + rng.Dyadic(-3, 3, 4), tri[0].y + rng.Dyadic(-3, 3, 4));
        DrawWith(run, row, &CountSpan, tri);
        for (int y = 0; y < kH; ++y)
            for (int x = 0; x < kW; ++x) {
                const Cover c = ReferenceCover(tri[0], tri[1], tri[2], x, y, vp, 0.02);
                near += c == Cover::Near;
                compared += c != Cover::Near;
                ASSERT_LE(run.Pixel(x, y), c == Cover::Out ? 0 : 1) << "triangle " << n << " at " << x << "," << y;
                if (c == Cover::In) {
                    ASSERT_EQ(run.Pixel(x, y), 1) << "triangle " << n << " at " << x << "," << y;
                }
            }
    }
    EXPECT_LT(near * 1000, compared);
}

TEST(MmxFrame, FillRuleExamples)
{
    const Textures tex;
    Runner run(kW, kH, true);
    const RasterizerRow& row = Row("Texture16Linear1516MX");
    tex.Publish(run, row.mode);
    // Edges at x 3.5 and 7.5, y 10.5 and 20.5: pixels 4 to 7 on rows 11 to 20.
    DrawWith(run, row, &CountSpan, {MakeVertex(3.5, 10.5), MakeVertex(7.5, 10.5), MakeVertex(7.5, 20.5), MakeVertex(3.5, 20.5)});
    for (int y = 0; y < 24; ++y)
        for (int x = 0; x < 12; ++x) ASSERT_EQ(run.Pixel(x, y), (x >= 4 && x <= 7 && y >= 11 && y <= 20) ? 1 : 0) << x << "," << y;

    // Flat top whose top vertices share row 5 at different y: ordered by their x on row 5, the
    // edges draw the two centres the fill rule covers, (10, 5) and (12, 6).
    const std::vector<RastVertex> flat{MakeVertex(20, 10), MakeVertex(10, 5.1), MakeVertex(10, 5.4)};
    run.Fill(0, 0, 0);
    DrawWith(run, row, &CountSpan, flat);
    EXPECT_EQ(CheckCover(run, flat[0], flat[1], flat[2], 0.0), 2);
    EXPECT_EQ(run.Pixel(10, 5) + run.Pixel(12, 6), 2);
    // Flat bottoms alike, in either vertex order.
    for (const auto& tri : {std::vector<RastVertex>{MakeVertex(20, 0), MakeVertex(10, 5.1), MakeVertex(9.9, 5.9)},
                            std::vector<RastVertex>{MakeVertex(20, 0), MakeVertex(9.9, 5.9), MakeVertex(10, 5.1)}}) {
        run.Fill(0, 0, 0);
        DrawWith(run, row, &CountSpan, tri);
        EXPECT_GT(CheckCover(run, tri[0], tri[1], tri[2], 1e-3), 0);
    }
    // A first triangle on one scanline draws nothing; the fan goes on.
    const std::vector<RastVertex> fan{MakeVertex(2, 3.1), MakeVertex(20, 3.2), MakeVertex(9, 3.4), MakeVertex(5, 20)};
    run.Fill(0, 0, 0);
    DrawWith(run, row, &CountSpan, fan);
    EXPECT_GT(CheckCover(run, fan[0], fan[2], fan[3], 1e-3), 20);
}

// Vertices are converted in place once per call; steps truncate toward zero before their shifts.
TEST(MmxFrame, ConvertsVerticesAndFormsTheSteps)
{
    const Textures tex;
    Runner run(kW, kH, true);
    // g_TexScaleU 4 and g_TexScaleV 8: (1, 1, w 0.5, u 0.5, v 0.25, intensity 0.5) becomes
    // (1.5, 1.5, 0.5, 1.0, 1.0, 16383.5); intensity 1.5 is clamped, -0.2 is not; words 5, 6, 8 stay.
    const RasterizerRow& pg = Row("Texture16FastPerspectiveGouraudmono1516MX");
    tex.Publish(run, pg.mode);
    std::vector<RastVertex> tri{MakeVertex(1, 1), MakeVertex(20, 3), MakeVertex(4, 25)};
    tri[0].z = 0.5f, tri[0].u = 0.5f, tri[0].v = 0.25f, tri[0].shade2 = 0.5f, tri[0].shade0 = 7.0f, tri[0].shade3 = 9.0f;
    tri[1].shade2 = 1.5f, tri[2].shade2 = -0.2f;
    Prepare(run, pg, &CountSpan, tri);
    rastState.rastTexScaleU = 4.0f;
    rastState.rastTexScaleV = 8.0f;
    pg.triangle();
    const RastVertex* v = rastState.rastVertices;
    EXPECT_EQ(v[0].x, 1.5f);
    EXPECT_EQ(v[0].y, 1.5f);
    EXPECT_EQ(v[0].z, 0.5f);
    EXPECT_EQ(v[0].u, 1.0f);
    EXPECT_EQ(v[0].v, 1.0f);
    EXPECT_EQ(v[0].shade2, 16383.5f);
    EXPECT_EQ(v[0].shade0 + v[0].shade3, 16.0f);
    EXPECT_EQ(v[1].shade2, 32767.0f);
    EXPECT_NEAR(v[2].shade2, -6553.4, 1e-3);

    // A fan of seven through the linear depth member: each depth times 2^31 exactly once, and a
    // depth of 0 becomes the pattern 0x0F800000; the perspective member keeps 1/w.
    std::vector<RastVertex> fan;
    for (int i = 0; i < 7; ++i) {
        fan.push_back(MakeVertex(40 + 30 * std::cos(i * 0.9), 40 + 30 * std::sin(i * 0.9)));
        fan.back().z = i == 3 ? 0.0f : 0.1f * float(i + 1);
    }
    for (const char* name : {"Zi32Texture16Linear1516MX", "Zi32Texture16FastPerspective1516MX", "Zi32b15AsmMMX3"}) {
        const RasterizerRow& row = Row(name);
        const bool persp = row.mode & RM_PERSPECTIVE;
        DrawWith(run, row, row.mode & RM_TEXTURE ? &CountSpan : &CountZ16Span, fan);
        for (int i = 0; i < 7; ++i) {
            uint32_t bits;
            std::memcpy(&bits, &v[i].z, 4);
            EXPECT_EQ(v[i].x, fan[i].x + 0.5f) << name << " " << i;
            if (persp) {
                EXPECT_EQ(v[i].z, fan[i].z) << name << " " << i;
            } else if (i == 3) {
                EXPECT_EQ(bits, 0x0F800000u) << name;
            } else {
                EXPECT_EQ(v[i].z, std::ldexp(fan[i].z, 31)) << name << " " << i;
            }
        }
    }

    // Flat top (0, 0)-(10, 0) over (0, 10), u and intensity growing by du and dg per pixel in x.
    const RasterizerRow& lg = Row("Texture16LinearGouraudmono1516MX");
    struct Case {
        float du, dg;
        int32_t fix;
        uint16_t gInt;
    };
    for (const Case& c : {Case{-2.7f, -3.9f, -128, 0xFFFD}, Case{100.7f, 1000.9f, 6400, 1000}, Case{-2.5f, -5.7f, -128, 0xFFFB}}) {
        std::vector<RastVertex> t{MakeVertex(0, 0), MakeVertex(10, 0), MakeVertex(0, 10)};
        t[1].u = 10.0f * c.du;
        t[1].shade2 = 10.0f * c.dg / 32767.0f;
        Prepare(run, lg, &CountSpan, t);
        rastState.rastTexScaleU = 1.0f;
        lg.triangle();
        const SpanState& s = rastState;
        EXPECT_EQ(s.rastDuDxFixed, c.fix) << c.du;
        EXPECT_EQ(s.rastDuDx2Fix[0], 2 * c.fix);
        EXPECT_EQ(s.rastDuDx2Fix[1], 2 * c.fix);
        EXPECT_EQ(s.rastDgDxInt, c.gInt) << c.dg;
        for (uint16_t lane : s.rastDgDxLanes) EXPECT_EQ(lane, uint16_t(2 * c.gInt)) << c.dg;
    }
}

// A triangle from above the viewport starts on its first row with every value placed on that
// row's centre; the z row keeps in step with the destination row. The whole call runs rounding
// toward zero and gives the caller's mode back.
TEST(MmxFrame, ClippedTopAndTheRoundingEnvironment)
{
    const Textures tex;
    Runner run(kW, kH, true);
    run.SetViewport({20, 50, 60, 3});
    const float z[3] = {0.9f, 0.3f, 0.6f}, u[3] = {0.1f, 0.7f, 0.4f}, g[3] = {1.0f, 0.2f, 0.5f};
    for (const char* name : {"Zi32Texture16LinearGouraudmono1516MX", "Zi32Texture8FastPerspectiveGouraudmono1516MX"}) {
        for (int mode : {FE_UPWARD, FE_TONEAREST}) {
            SCOPED_TRACE(name);
            const RasterizerRow& row = Row(name);
            tex.Publish(run, row.mode);
            std::vector<RastVertex> tri{MakeVertex(30, -40.3), MakeVertex(5, 55), MakeVertex(58, 47)};
            for (int i = 0; i < 3; ++i) tri[i].z = z[i], tri[i].u = u[i], tri[i].shade2 = g[i];
            g_seen = Seen{};
            std::fesetround(mode);
            DrawWith(run, row, &RecordSpan, tri);
            const int after = std::fegetround();
            std::fesetround(FE_TONEAREST);
            EXPECT_EQ(after, mode);
            EXPECT_TRUE(g_seen.towardZero);
            ASSERT_GT(g_seen.calls, 20);
            const SpanState& st = rastState;
            EXPECT_EQ(g_seen.destRow, st.rastDestBits + 20 * st.rastDestPitch);
            EXPECT_EQ(g_seen.zRow, st.rastZBits + 20 * st.rastZPitch);
            // On row 20 the left edge runs from vertex 0 to vertex 1; compare with the exact values.
            const bool persp = row.mode & RM_PERSPECTIVE;
            const double a = (21.0 - (-40.3 + 0.5)) / (55.0 - (-40.3));
            auto lerp = [a](double p, double q) { return p + (q - p) * a; };
            const RastEdge& e = g_seen.left;
            EXPECT_NEAR(e.x, lerp(30.5, 5.5), 1e-4);
            EXPECT_NEAR(e.z / (persp ? 1.0 : 2147483648.0), lerp(z[0], z[1]), 1e-6);
            EXPECT_NEAR(e.u / st.rastTexScaleU, lerp(u[0] * (persp ? z[0] : 1.0), u[1] * (persp ? z[1] : 1.0)), 1e-6);
            EXPECT_NEAR(e.shade, lerp(32767.0, 0.2 * 32767.0), 1e-2);
        }
    }
    // Toward zero shows in the stored values: 0.1 + 0.5 rounds down, not to the nearer float above.
    volatile float x = 0.1f;
    const RasterizerRow& row = Row("Texture16Linear1516MX");
    tex.Publish(run, row.mode);
    DrawWith(run, row, &CountSpan, {MakeVertex(x, 1), MakeVertex(30, 2), MakeVertex(5, 28)});
    std::fesetround(FE_TOWARDZERO);
    const float towardZero = x + 0.5f;
    std::fesetround(FE_TONEAREST);
    EXPECT_LT(towardZero, x + 0.5f);
    EXPECT_EQ(rastState.rastVertices[0].x, towardZero);
}

// Nothing is read or written outside the surfaces and the viewport, whatever the input.
TEST(MmxFrame, HostileInputStaysInsideTheViewport)
{
    const Textures tex;
    Runner run(kW, kH, true);
    const float nan = std::numeric_limits<float>::quiet_NaN(), inf = std::numeric_limits<float>::infinity();
    const ClipRect vp{4, 40, 40, 6};
    const std::vector<std::vector<RastVertex>> polys{
        {MakeVertex(nan, 0), MakeVertex(10, 10), MakeVertex(0, 20), MakeVertex(0, 30)},
        {MakeVertex(0, 0), MakeVertex(inf, 10), MakeVertex(-inf, 20)},
        {MakeVertex(-1e30f, -1e30f), MakeVertex(1e30f, 5), MakeVertex(3, 1e30f)},
        {MakeVertex(3e9f, 2), MakeVertex(-3e9f, 30), MakeVertex(20, 3e9f), MakeVertex(20, -3e9f)},
    };
    for (int i = 0; i < kHandWrittenRows; i += 3) {
        const RasterizerRow& row = rasterizerTable[kMmxFirstRow + i];
        tex.Publish(run, row.mode);
        for (const auto& p : polys) {
            std::vector<RastVertex> poly = p;
            for (RastVertex& v : poly) v.z = v.u = v.v = v.shade2 = i % 2 ? nan : 1e30f;
            Reset(run);
            run.SetViewport(vp);
            run.Draw(row, p);
            run.Draw(row, poly);
            Runner ref(kW, kH, true);
            Reset(ref);
            for (int y = 0; y < kH; ++y)
                for (int x = 0; x < kW; ++x)
                    if (x < vp.left || x > vp.right || y < vp.top || y > vp.bottom) {
                        ASSERT_EQ(run.Pixel(x, y), ref.Pixel(x, y)) << row.name << " " << x << "," << y;
                        ASSERT_EQ(run.Depth32(x, y), ref.Depth32(x, y)) << row.name << " " << x << "," << y;
                        ASSERT_EQ(run.Depth16(x, y), ref.Depth16(x, y)) << row.name << " " << x << "," << y;
                    }
        }
    }
    // The finite triangle of a fan with a NaN vertex elsewhere is still drawn.
    const RasterizerRow& row = Row("Texture16Linear1516MX");
    tex.Publish(run, row.mode);
    run.SetViewport(kAll);
    run.Fill(0, 0, 0);
    const std::vector<RastVertex> withNan{MakeVertex(10, 10), MakeVertex(40, 10), MakeVertex(40, 40), MakeVertex(nan, 40)};
    DrawWith(run, row, &CountSpan, withNan);
    EXPECT_GT(CheckCover(run, withNan[0], withNan[1], withNan[2], 1e-3), 400);

    // End pointers before the list and far past it; slot B without slot A.
    const auto base = reinterpret_cast<uintptr_t>(rastState.rastVertices);
    const std::vector<RastVertex> tri{MakeVertex(8, 8), MakeVertex(30, 9), MakeVertex(12, 30)};
    run.Fill(0, 0, 0);
    Prepare(run, row, &CountSpan, tri);
    rastState.rastVertexEnd = reinterpret_cast<RastVertex*>(base - 5 * sizeof(RastVertex));
    row.triangle();
    EXPECT_EQ(CountDrawn(run), 0);
    rastState.rastVertexEnd = reinterpret_cast<RastVertex*>(base + 1000 * sizeof(RastVertex));
    row.triangle();
    EXPECT_GT(CountDrawn(run), 0);
    RastEdge foreign{-100000, 100000, -5.0f, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    run.Fill(0, 0, 0);
    Prepare(run, row, &CountSpan, tri);
    rastState.rastLeftEdge = rastState.rastRightEdge = &foreign;
    rastState.rastNextLeftEdge = rastState.rastNextRightEdge = nullptr;
    for (int i = 0; i < kHandWrittenRows; ++i) rasterizerTable[kMmxFirstRow + i].setup();
    EXPECT_EQ(CountDrawn(run), 0);
}

// A constant depth term d writes trunc(d x 2^31) into every cell drawn, linear and perspective
// members alike (1.0, 0.25, 0 give 0x80000000, 0x20000000, 0); with a varying depth the
// perspective rows and their linear twins agree up to the last bits of the f32 walk.
TEST(MmxDepth, DepthBufferedMembers)
{
    const Textures tex;
    Runner run(kW, kH, true), twin(kW, kH, true);
    for (const char* name : {"Zi32Texture16Linear1516MX", "Zi32Texture8FastPerspectiveGouraudmono1516MX"}) {
        const RasterizerRow& row = Row(name);
        tex.Publish(run, row.mode);
        for (const auto& [d, cell] : {std::pair{1.0f, 0x80000000u}, {0.25f, 0x20000000u}, {0.0f, 0u}}) {
            run.Fill(0x0F0F, 0, 0);
            std::vector<RastVertex> quad{MakeVertex(10, 8), MakeVertex(70, 12), MakeVertex(80, 60), MakeVertex(6, 70)};
            for (RastVertex& v : quad) v.z = d, v.u = v.x / 40, v.v = v.y / 40, v.shade2 = 1.0f;
            run.Draw(row, quad);
            EXPECT_EQ(rastState.rastDzDxFixed, 0);
            int drawn = 0;
            for (int y = 0; y < kH; ++y)
                for (int x = 0; x < kW; ++x)
                    if (run.Pixel(x, y) != 0x0F0F || run.Depth32(x, y) != 0) {
                        ASSERT_EQ(run.Depth32(x, y), cell) << name << " " << d << " at " << x << "," << y;
                        ++drawn;
                    }
            EXPECT_GT(drawn, 2500) << name << " " << d;
        }
    }
    Rng rng(77);
    int64_t worst = 0;
    for (int i = 2; i < kHandWrittenRows; i += 2) {
        const RasterizerRow& row = rasterizerTable[kMmxFirstRow + i];
        const RasterizerRow& linear = rasterizerTable[kMmxFirstRow + i - 1];
        // Only rows that write every drawn cell: no blend, no colour key.
        if (!(row.mode & RM_ZBUFFER) || (row.mode & (RM_OPACITY | RM_ADD | RM_SRC_SUB_DEST | RM_DEST_SUB_SRC | RM_VAR_TRANSPARENCY)))
            continue;
        ASSERT_EQ(row.mode & ~(RM_LINEAR_TWIN | RM_PERSPECTIVE), linear.mode) << row.name;
        tex.Publish(run, row.mode);
        tex.Publish(twin, linear.mode);
        for (int n = 0; n < 8; ++n) {
            const std::vector<RastVertex> poly = RandomPolygon(rng, n);
            run.Fill(0, 0, 0);
            twin.Fill(0, 0, 0);
            run.Draw(row, poly);
            twin.Draw(linear, poly);
            for (int y = 0; y < kH; ++y)
                for (int x = 0; x < kW; ++x) {
                    const int64_t a = run.Depth32(x, y), b = twin.Depth32(x, y);
                    ASSERT_EQ(a == 0, b == 0) << row.name << " " << x << "," << y;
                    worst = std::max(worst, std::abs(a - b));
                }
        }
    }
    EXPECT_LT(worst, 1 << 9);
}

// The depth-only row: the upper 16 bits of depth x 2^31, kept where not below the stored value;
// the target untouched; the same polygon drawn again changes nothing; clipped at the top, the
// first row gets the depth of its own centres.
TEST(MmxDepth, DepthOnlyRow)
{
    Runner run(kW, kH, true);
    const RasterizerRow& row = rasterizerTable[kMmxFirstRow];
    const std::vector<RastVertex> quad{MakeVertex(10, 8), MakeVertex(70, 12), MakeVertex(80, 60), MakeVertex(6, 70)};
    auto draw = [&](float z0, float z1) {
        std::vector<RastVertex> q = quad;
        for (RastVertex& v : q) v.z = z0 + (z1 - z0) * (v.x - 6) / 74;
        run.Draw(row, q);
    };
    auto count = [&](uint16_t value) {
        int n = 0;
        for (int y = 0; y < kH; ++y)
            for (int x = 0; x < kW; ++x) n += run.Depth16(x, y) == value;
        return n;
    };
    run.Fill(0x1357, 0x2468, 0x1234);
    draw(1.0f, 1.0f);
    const int covered = count(0x8000);
    EXPECT_GT(covered, 2500);
    EXPECT_EQ(covered + count(0x1234), kW * kH);
    draw(0.0f, 0.0f);  // below every stored cell
    EXPECT_EQ(count(0x8000), covered);

    run.Fill(0x1357, 0x2468, 0);
    draw(0.5f, 0.25f);
    std::vector<uint16_t> once(kW * kH);
    for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x) once[y * kW + x] = run.Depth16(x, y);
    draw(0.5f, 0.25f);
    for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x) {
            ASSERT_EQ(run.Depth16(x, y), once[y * kW + x]) << x << "," << y;
            ASSERT_EQ(run.Pixel(x, y), 0x1357);
            ASSERT_EQ(run.Depth32(x, y), 0x2468u);
            // From 0x4000 down to 0x2000 across the quad, at the centre, truncated after a walk
            // rounded toward zero.
            if (const uint16_t got = run.Depth16(x, y)) {
                const double want = std::ldexp(0.5 - 0.25 * (x + 0.5 - 6) / 74, 15);
                ASSERT_LE(got, want + 1e-3) << x << "," << y;
                ASSERT_GT(got, want - 2.0) << x << "," << y;
            }
        }
    // Less than 2^16 units across a row: neighbouring cells hold the same value.
    run.Fill(0, 0, 0);
    draw(0.5f, 0.5f + 1.0f / 65536);
    for (int y = 20; y < 60; ++y)
        for (int x = 20; x < 60; ++x) ASSERT_EQ(run.Depth16(x, y), run.Depth16(x + 1, y)) << x << "," << y;

    run.Fill(0, 0, 0);
    run.SetViewport({30, kH - 1, kW - 1, 0});
    std::vector<RastVertex> tri{MakeVertex(10, -50), MakeVertex(90, 70), MakeVertex(5, 70)};
    tri[0].z = 0.1f, tri[1].z = tri[2].z = 0.9f;
    run.Draw(row, tri);
    int checked = 0;
    for (int x = 0; x < kW; ++x) {
        EXPECT_EQ(run.Depth16(x, 29), 0) << x;
        // The depth runs with y alone: 0.1 at y -50 to 0.9 at y 70, taken at the centre 30.5.
        if (const uint16_t got = run.Depth16(x, 30)) {
            EXPECT_NEAR(got, std::ldexp(0.1 + 0.8 * (30.5 + 50.0) / 120.0, 15), 2.0) << x;
            ++checked;
        }
    }
    EXPECT_GT(checked, 10);
}
