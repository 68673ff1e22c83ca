// The K6-3D rows through the harness: table wiring, the frame's rules and steps, coverage and
// meshes, and the rows against the Pentium II rows of the same mode.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <set>
#include <string>
#include <vector>

#include "graphics2d/PixelFormat.h"
#include "raster/LightPlanes.h"
#include "raster/RoutineTable.h"
#include "raster/k63d/K63DSpans.h"
#include "raster/k63d/K63DTriangle.h"
#include "raster/packed/TwoLaneSpan.h"
#include "testdata/RasterHarness.h"

using namespace raster_harness;

namespace {

const RasterizerRow& K6Row(int i) { return rasterizerTable[size_t(kK63DFirstRow + i)]; }
// The Pentium II row of the same place has the same mode.
const RasterizerRow& P2Row(int i) { return rasterizerTable[size_t(kP2FirstRow + i)]; }

// Textures whose texel or plane entry tells where it was read: 16-bit texel (row << 10 | col << 5
// | row ^ col), 8-bit texel = index, plane entry t of row p = p << 8 | t (or a built palette).
struct Textures {
    CSystemMemorySurface t8, t16;
    std::vector<uint16_t> plane = std::vector<uint16_t>(kRastPaletteRows * kRastPaletteEntries);
    const uint16_t* palette;
    Textures(bool is565, bool tellingPlane)
    {
        const CPixelFormat screen = PixelFormatOf(is565 ? PFID_R5G6B5 : PFID_X1R5G5B5);
        Rng rng(41);
        Texture_CreatePalettised(t8, 16, 16, screen);
        auto* built = static_cast<uint16_t*>(t8.plane.pixels);
        for (int i = 0; i < 256; ++i) built[i] = uint16_t(rng.Next() & (is565 ? 0xFFFF : 0x7FFF));
        Texture_BuildLightPlanes(t8.plane, screen);
        for (int i = 0; i < 256; ++i) static_cast<uint8_t*>(t8.pixels)[i] = uint8_t(i);
        for (size_t i = 0; i < plane.size(); ++i) plane[i] = uint16_t((i / 256) << 8 | (i % 256));
        palette = tellingPlane ? plane.data() : built;
        t16.Create(32, 32, screen);
        for (int r = 0; r < 32; ++r)
            for (int c = 0; c < 32; ++c)
                reinterpret_cast<uint16_t*>(t16.Row(r))[c] = uint16_t(((r << 10) | (c << 5) | (r ^ c)) & 0x7FFF);
    }
};

constexpr int kW = 96, kH = 56;
uint16_t DestAt(int x, int y, bool is565) { return uint16_t((x * 2731 + y * 9173) & (is565 ? 0xFFFF : 0x7FFF)); }
uint32_t DepthAt(int x, int y) { return (1u << 29) + ((uint32_t(x) * 2654435761u ^ uint32_t(y) * 40503u) & ((1u << 29) - 1)); }

// A 64 x 32 rectangle at integer corners: every height, slope difference and gradient is a power
// of two or a dyadic fraction, so the reciprocal estimate is exact and both families compute
// every value alike. The intensity rises to the right, or falls to the right and down.
std::vector<RastVertex> Rect(bool persp, bool falling = false, float depth = -1.0f)
{
    std::vector<RastVertex> q{MakeVertex(8, 8), MakeVertex(72, 8), MakeVertex(72, 40), MakeVertex(8, 40)};
    const float u[4] = {0, 1, 1, 0}, v[4] = {0, 0, 1, 1};
    for (int i = 0; i < 4; ++i) {
        RastVertex& p = q[size_t(i)];
        p.u = u[i], p.v = v[i];
        p.z = depth >= 0 ? depth : persp ? (u[i] ? 0.5f : 1.0f) : (u[i] ? 0.25f : 0.5f);
        p.shade2 = falling ? 0.75f - 0.5f * u[i] - 0.0625f * v[i] : u[i] ? 0.75f : 0.25f;
    }
    return q;
}

struct Drawn {
    std::vector<uint16_t> px;
    std::vector<uint32_t> z;
};

Drawn Draw(const RasterizerRow& row, bool is565, const Textures& tex, const std::vector<RastVertex>& poly,
           bool zFilled, uint16_t weight = 20)
{
    Runner run(kW, kH, is565);
    for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x) {
            reinterpret_cast<uint16_t*>(run.Colour().Row(y))[x] = DestAt(x, y, is565);
            reinterpret_cast<uint32_t*>(run.Z32().Row(y))[x] = zFilled ? DepthAt(x, y) : 0;
        }
    const bool t8 = row.mode & RM_TEXTURE8;
    run.SetTexture(t8 ? &tex.t8 : &tex.t16, t8 ? tex.palette : nullptr);
    run.SetVarWeight(weight);
    run.SetKeys(85, reinterpret_cast<const uint16_t*>(tex.t16.Row(5))[5]);
    run.Draw(row, poly);
    Drawn d;
    for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x) d.px.push_back(run.Pixel(x, y)), d.z.push_back(run.Depth32(x, y));
    return d;
}

int Channel(uint16_t p, int c, bool is565)
{
    const int shifts[3] = {is565 ? 11 : 10, 5, 0}, masks[3] = {31, is565 ? 63 : 31, 31};
    return (p >> shifts[c]) & masks[c];
}

// A span that records what slot B published for it.
struct Published {
    uint32_t shadeStep;
    uint16_t shadeLanes[4];
    int32_t zStep;
    float dzdx;
    int calls;
};
Published g_published;
void CaptureSpan()
{
    const SpanState& s = rastState;
    g_published = {s.rastDgDxInt, {}, s.rastDzDxFixed, s.rastDzDx, g_published.calls + 1};
    std::copy(std::begin(s.rastDgDxLanes), std::end(s.rastDgDxLanes), g_published.shadeLanes);
}

}  // namespace

// Rows 100 to 204: the frame of each mode, the row's own span, one span per row, the span named
// as the row but for the four rows whose names end in "II" and the depth-only row.
TEST(K63DRows, TableWiresTheFramesAndTheOwnSpans)
{
    std::set<RastFn> spans;
    for (int i = 0; i < kHandWrittenRows; ++i) {
        const RasterizerRow& row = K6Row(i);
        SCOPED_TRACE(row.name);
        EXPECT_EQ(row.key, 0x610u);
        const HandFrameRoutines frame = K63DFrameOf(row.mode);
        EXPECT_EQ(row.triangle, frame.triangle);
        EXPECT_EQ(row.setup, frame.setup);
        EXPECT_EQ(row.span, kK63DSpans[i].span);
        EXPECT_EQ(row.mode, kK63DSpans[i].mode);
        EXPECT_TRUE(spans.insert(row.span).second);
        std::string name = row.name;
        if (name.ends_with("II")) name = name.substr(0, name.size() - 2) + "K63D";
        if (i == 0) name += "K63D";
        EXPECT_EQ(name, kK63DSpans[i].name);
    }
    EXPECT_EQ(K6Row(0).triangle, &Rast_TriangleZi32b15K63D);
    EXPECT_EQ(K6Row(1).setup, &Rast_SetupScanZi32LinearGouraudK63D);
    EXPECT_EQ(K6Row(2).triangle, &Rast_TriangleZi32FastPerspectiveGouraudK63D);
    EXPECT_EQ(K6Row(104).triangle, &Rast_TriangleFastPerspectiveK63D);
}

// On the exact rectangle every linear row gives the Pentium II row's pixels and depths, but for
// AddVar green: the K6-3D adds the destination's green alone, the Pentium II the whole pixel, whose
// blue can carry one step into green. FastPerspective rows divide differently: texel coordinates
// within one texel, depths within 2^10.
TEST(K63DRows, AgreeWithThePentiumIIRows)
{
    for (bool is565 : {true, false}) {
        const Textures tex(is565, false);
        for (int i = 1; i < kHandWrittenRows; ++i) {
            const RasterizerRow& row = K6Row(i);
            SCOPED_TRACE(testing::Message() << row.name << (is565 ? " 565" : " 555"));
            const RenderMode m = row.mode & ~RM_LINEAR_TWIN;
            const bool persp = m & RM_PERSPECTIVE, z = m & RM_ZBUFFER;
            const int v = HandVariantOfMode(m);
            const Drawn a = Draw(row, is565, tex, Rect(persp), z && !persp);
            const Drawn b = Draw(P2Row(i), is565, tex, Rect(persp), z && !persp);
            int greenUp = 0;
            for (size_t k = 0; k < a.px.size(); ++k) {
                const int x = int(k % kW), y = int(k / kW);
                if (persp) {
                    if (v == kSpanCopy && !(m & RM_TEXTURE8) && a.px[k] != DestAt(x, y, is565)) {
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
                if (v != kSpanAddVar) {
                    ASSERT_EQ(a.px[k], b.px[k]) << x << "," << y;
                    continue;
                }
                ASSERT_EQ(Channel(a.px[k], 0, is565), Channel(b.px[k], 0, is565));
                ASSERT_EQ(Channel(a.px[k], 2, is565), Channel(b.px[k], 2, is565));
                const int g = Channel(a.px[k], 1, is565), gp = Channel(b.px[k], 1, is565);
                ASSERT_TRUE(gp == g || gp == g + 1) << x << "," << y;
                greenUp += gp != g;
            }
            if (v == kSpanAddVar && !persp) {
                EXPECT_GT(greenUp, 0);
            }
        }
    }
}

// An intensity falling to the right: the pair step's carry lifts the second lane by one unit of
// 1/32768 per pair. With 8-bit texels that lane is the pair's second pixel, which can end one
// level above the Pentium II's; with 16-bit texels it is the green and red lane of both pixels.
TEST(K63DRows, NegativeIntensityStepLiftsTheSecondLane)
{
    const bool is565 = true;
    const Textures tex(is565, true);
    for (int i = 1; i < kHandWrittenRows; ++i) {
        const RasterizerRow& row = K6Row(i);
        const RenderMode m = row.mode & ~RM_LINEAR_TWIN;
        if (HandVariantOfMode(m) != kSpanShade || (m & RM_PERSPECTIVE)) continue;
        SCOPED_TRACE(row.name);
        const bool t8 = m & RM_TEXTURE8;
        // The lower-left half: every row starts at column 8, so odd columns are second pixels.
        std::vector<RastVertex> tri = Rect(false, true);
        tri.erase(tri.begin() + 1);
        const Drawn a = Draw(row, is565, tex, tri, false);
        const Drawn b = Draw(P2Row(i), is565, tex, tri, false);
        int brighter = 0;
        for (size_t k = 0; k < a.px.size(); ++k) {
            const int x = int(k % kW);
            if (t8) {
                // The plane row is the level + 3.
                const int up = (a.px[k] >> 8) - (b.px[k] >> 8);
                ASSERT_TRUE(up == 0 || (up == 1 && x % 2 == 1)) << k;
                brighter += up;
            } else {
                ASSERT_EQ(Channel(a.px[k], 2, is565), Channel(b.px[k], 2, is565)) << k;
                for (int c : {0, 1}) {
                    const int up = Channel(a.px[k], c, is565) - Channel(b.px[k], c, is565);
                    ASSERT_TRUE(up >= 0 && up <= 2) << k;
                    brighter += up > 0;
                }
            }
        }
        EXPECT_GT(brighter, 0);
    }
}

// A depth of 1.0 is 2^31 units: the K6-3D start saturates to 0x7FFFFFFF, the Pentium II's
// conversion gives 0x80000000. Below 0 both start at 0.
TEST(K63DRows, DepthOfOneSaturates)
{
    const Textures tex(true, false);
    for (int i : {11, 12, 63, 64}) {  // Zi32Texture8 and Zi32Texture16 plain, Linear and FastPerspective
        const bool persp = K6Row(i).mode & RM_PERSPECTIVE;
        const Drawn one = Draw(K6Row(i), true, tex, Rect(persp, false, 1.0f), false);
        const Drawn p2 = Draw(P2Row(i), true, tex, Rect(persp, false, 1.0f), false);
        const Drawn below = Draw(K6Row(i), true, tex, Rect(persp, false, 0.0f), false);
        const size_t inside = size_t(20 * kW + 30);
        EXPECT_EQ(one.z[inside], 0x7FFFFFFFu) << K6Row(i).name;
        EXPECT_EQ(p2.z[inside], 0x80000000u) << K6Row(i).name;
        EXPECT_EQ(below.z[inside], 0u) << K6Row(i).name;
    }
}

// Random dyadic triangles and viewports through every frame kind cover exactly the pixels of the
// fill rule, but those whose centre lies within the estimate's reach of an edge.
TEST(K63DRows, CoverageFollowsTheFillRule)
{
    Rng rng(47);
    Runner run(96, 96, true);
    CSystemMemorySurface tex;
    tex.Create(64, 64, PixelFormatOf(PFID_R5G6B5));
    run.SetTexture(&tex, nullptr);
    const uint32_t modes[] = {0x8, 0x100008, 0x20000A, 0x30000A, 0x10E, 0x10010E, 0x20010E, 0x30010E, 0x806};
    for (int iter = 0; iter < 1800; ++iter) {
        const uint32_t mode = modes[iter % 9];
        const ClipRect view{int(rng.Range(0, 30)), int(rng.Range(60, 95)), int(rng.Range(60, 95)), int(rng.Range(0, 30))};
        run.SetViewport(view);
        std::vector<RastVertex> tri = RandomTriangle(rng, -10, 105, -10, 105, 2);
        for (RastVertex& v : tri) v.z = 0.5f;
        run.Fill(0, 0, 0);
        const HandFrameRoutines f = K63DFrameOf(mode);
        const bool depthOnly = mode == 0x806;
        run.Draw(f.triangle, f.setup, depthOnly ? &Span_Zi32b15AsmMMX3K63D : &CountSpan, mode, tri);
        for (int y = 0; y < 96; ++y)
            for (int x = 0; x < 96; ++x) {
                const Cover c = ReferenceCover(tri[0], tri[1], tri[2], x, y, view, 1e-2);
                if (c == Cover::Near) continue;
                const int drawn = depthOnly ? (run.Depth16(x, y) == 0x4000) : run.Pixel(x, y);
                ASSERT_EQ(drawn, c == Cover::In ? 1 : 0) << x << "," << y << " mode " << std::hex << mode;
            }
    }
}

// Two top vertices on one row whose edges cross over above the first row drawn: the vertex to
// the left owns the right edge there. Sided by x on that row, the sliver is drawn.
TEST(K63DRows, FlatTopIsSidedOnTheFirstRowDrawn)
{
    Runner run(64, 32, true);
    std::vector<RastVertex> tri{MakeVertex(0, 4.625), MakeVertex(1, 5.375), MakeVertex(40, 8)};
    CSystemMemorySurface tex;
    tex.Create(4, 4, PixelFormatOf(PFID_R5G6B5));
    run.SetTexture(&tex, nullptr);
    run.Draw(&Rast_TriangleLinearK63D, &Rast_SetupScanLinearK63D, &CountSpan, 0x8, tri);
    int drawn = 0;
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 64; ++x) {
            const Cover c = ReferenceCover(tri[0], tri[1], tri[2], x, y, {0, 31, 63, 0}, 1e-3);
            if (c == Cover::Near) continue;
            ASSERT_EQ(run.Pixel(x, y), c == Cover::In ? 1 : 0) << x << "," << y;
            drawn += run.Pixel(x, y);
        }
    EXPECT_GT(drawn, 10);
}

// A jittered mesh over the whole target drawn triangle by triangle with the Add rows, a texel of
// blue 1 onto black: every pixel is covered exactly once, whatever the estimate makes of the
// shared edges, since both triangles compute each of them alike.
TEST(K63DRows, AdditiveMeshHasNoGapsOrOverlaps)
{
    for (bool is565 : {true, false}) {
        Runner run(120, 90, is565);
        CSystemMemorySurface tex;
        tex.Create(2, 2, PixelFormatOf(is565 ? PFID_R5G6B5 : PFID_X1R5G5B5));
        for (int r = 0; r < 2; ++r) std::fill_n(reinterpret_cast<uint16_t*>(tex.Row(r)), 2, uint16_t(1));
        run.SetTexture(&tex, nullptr);
        Rng rng(is565 ? 5 : 6);
        constexpr int kCols = 9, kRows = 7;
        std::vector<RastVertex> grid;
        for (int j = 0; j <= kRows; ++j)
            for (int i = 0; i <= kCols; ++i) {
                const bool edge = i == 0 || j == 0 || i == kCols || j == kRows;
                const double jx = edge ? 0 : double(rng.Next() % 10000) / 1000.0 - 5, jy = edge ? 0 : double(rng.Next() % 10000) / 1000.0 - 5;
                RastVertex v = MakeVertex(-4 + i * 128.0 / kCols + jx, -4 + j * 98.0 / kRows + jy);
                v.u = float(i) / kCols, v.v = float(j) / kRows, v.z = 0.5f + 0.25f * float(i) / kCols;
                grid.push_back(v);
            }
        for (const RenderMode mode : {0x02000008u, 0x4220000Au}) {
            run.Fill(0, 0, 0);
            const HandFrameRoutines f = K63DFrameOf(mode);
            const RastFn span = K63DSpanOf(mode);
            for (int j = 0; j < kRows; ++j)
                for (int i = 0; i < kCols; ++i) {
                    const RastVertex& a = grid[size_t(j * (kCols + 1) + i)];
                    const RastVertex& b = grid[size_t(j * (kCols + 1) + i + 1)];
                    const RastVertex& c = grid[size_t((j + 1) * (kCols + 1) + i + 1)];
                    const RastVertex& d = grid[size_t((j + 1) * (kCols + 1) + i)];
                    run.Draw(f.triangle, f.setup, span, mode, {a, b, c});
                    run.Draw(f.triangle, f.setup, span, mode, {a, c, d});
                }
            for (int y = 0; y < 90; ++y)
                for (int x = 0; x < 120; ++x) ASSERT_EQ(run.Pixel(x, y), 1) << x << "," << y << " mode " << std::hex << mode;
        }
    }
}

// A fan of five vertices prepares each vertex once: x, y + 0.5, u, v scaled (times 1/w when
// perspective), the intensity clamped at 1.0 but not at 0 and scaled, the linear depth times 2^31.
TEST(K63DRows, FanPreparesEachVertexOnce)
{
    Runner run(64, 64, true);
    CSystemMemorySurface tex;
    tex.Create(64, 32, PixelFormatOf(PFID_R5G6B5));
    run.SetTexture(&tex, nullptr);
    const float xs[5] = {10, 50, 60, 30, 4}, ys[5] = {4, 8, 40, 60, 30}, shades[5] = {1.5f, 1.0f, -0.25f, 0.5f, 0.0f};
    std::vector<RastVertex> fan;
    for (int i = 0; i < 5; ++i) {
        RastVertex v = MakeVertex(xs[i], ys[i]);
        v.u = 0.25f * float(i), v.v = 0.5f, v.z = 0.5f, v.shade2 = shades[i];
        fan.push_back(v);
    }
    for (const RenderMode mode : {0x0010010Eu, 0x4030010Eu}) {
        const bool persp = mode & RM_PERSPECTIVE;
        const HandFrameRoutines f = K63DFrameOf(mode);
        run.Draw(f.triangle, f.setup, &CountSpan, mode, fan);
        for (int i = 0; i < 5; ++i) {
            const RastVertex& v = rastState.rastVertices[i];
            EXPECT_EQ(v.x, xs[i] + 0.5f);
            EXPECT_EQ(v.y, ys[i] + 0.5f);
            EXPECT_EQ(v.u, 0.25f * float(i) * rastState.rastTexScaleU * (persp ? 0.5f : 1.0f));
            EXPECT_EQ(v.v, 0.5f * rastState.rastTexScaleV * (persp ? 0.5f : 1.0f));
            EXPECT_EQ(v.z, persp ? 0.5f : 1073741824.0f);
            EXPECT_EQ(v.shade2, std::min(shades[i], 1.0f) * 32767.0f);
        }
    }
}

// Slot B's steps on exact triangles: an intensity gradient of -3.5 gives the step -3 and pair
// lanes -6 (low) and -5 (high), +5.25 gives 5 and 10 in all lanes; a depth gradient of -3.75 z-buffer
// units truncates to -3, and the FastPerspective frame scales its 1/w gradient before truncating.
TEST(K63DRows, SetupPublishesTheIntegerSteps)
{
    Runner run(80, 40, true);
    CSystemMemorySurface tex;
    tex.Create(8, 8, PixelFormatOf(PFID_R5G6B5));
    run.SetTexture(&tex, nullptr);
    // A float whose product with 32767 is the wanted whole scaled intensity.
    auto shadeFor = [](float scaled) {
        float s = scaled / 32767.0f;
        while (s * 32767.0f < scaled) s = std::nextafter(s, 2.0f);
        while (s * 32767.0f > scaled) s = std::nextafter(s, 0.0f);
        return s;
    };
    for (const float perPixel : {-3.5f, 5.25f}) {
        std::vector<RastVertex> tri{MakeVertex(0, 0), MakeVertex(64, 0), MakeVertex(0, 32)};
        tri[0].shade2 = tri[2].shade2 = shadeFor(16384.0f);
        tri[1].shade2 = shadeFor(16384.0f + 64 * perPixel);
        g_published = {};
        run.Draw(&Rast_TriangleLinearGouraudK63D, &Rast_SetupScanLinearGouraudK63D, &CaptureSpan, 0x100008, tri);
        ASSERT_GT(g_published.calls, 0);
        const int step = int(perPixel);
        EXPECT_EQ(g_published.shadeStep, uint32_t(step) & 0xFFFF);
        for (int k = 0; k < 4; ++k) EXPECT_EQ(g_published.shadeLanes[k], uint16_t(2 * step + (step < 0 ? k % 2 : 0))) << k;
    }
    std::vector<RastVertex> tri{MakeVertex(0, 0), MakeVertex(64, 0), MakeVertex(0, 32)};
    tri[0].z = tri[2].z = 0x1p-10f;
    tri[1].z = 0x1p-10f - 15 * 0x1p-27f;  // 240 z-buffer units less over 64 pixels
    run.Draw(&Rast_TriangleZi32LinearK63D, &Rast_SetupScanZi32LinearK63D, &CaptureSpan, 0x10E, tri);
    EXPECT_EQ(g_published.dzdx, -3.75f);
    EXPECT_EQ(g_published.zStep, -3);
    run.Draw(&Rast_TriangleZi32FastPerspectiveK63D, &Rast_SetupScanZi32FastPerspectiveK63D, &CaptureSpan, 0x20010E, tri);
    EXPECT_EQ(g_published.dzdx, -3.75f * 0x1p-31f);
    EXPECT_EQ(g_published.zStep, -3);
}

// Hostile vertices through every row: huge, infinite and NaN coordinates, texture values, depths
// and intensities, zero heights and widths. Nothing is read or written outside the surfaces (the
// sanitizers watch), nothing outside the viewport changes.
TEST(K63DRows, HostileInputStaysInsideTheViewport)
{
    const Textures tex(true, false);
    Rng rng(89);
    const float specials[] = {0.0f, -0.0f, 1e30f, -1e30f, INFINITY, -INFINITY, NAN, 1e-40f, 3.0e9f, -7.5f, 0.5f, 40.0f};
    auto pick = [&](float lo, float hi) {
        return rng.Range(0, 3) == 0 ? specials[rng.Range(0, std::size(specials) - 1)]
                                    : float(rng.Dyadic(lo, hi, 3));
    };
    Runner run(kW, kH, true);
    const ClipRect view{6, 40, 70, 10};
    for (int i = 0; i < kHandWrittenRows; ++i) {
        const RasterizerRow& row = K6Row(i);
        const bool t8 = row.mode & RM_TEXTURE8;
        run.SetTexture(t8 ? &tex.t8 : &tex.t16, t8 ? tex.palette : nullptr);
        run.SetViewport(view);
        run.SetVarWeight(32);
        for (int iter = 0; iter < 40; ++iter) {
            run.Fill(0x1234, 0, 0);
            std::vector<RastVertex> poly;
            for (int k = 0; k < 3 + int(rng.Range(0, 3)); ++k) {
                RastVertex v = MakeVertex(pick(-50, 150), pick(-50, 150));
                v.z = pick(-2, 2), v.u = pick(-1e6f, 1e6f), v.v = pick(-1e6f, 1e6f), v.shade2 = pick(-2, 2);
                poly.push_back(v);
            }
            run.Draw(row, poly);
            for (int y = 0; y < kH; ++y)
                for (int x = 0; x < kW; ++x) {
                    if (y >= view.top && y <= view.bottom && x >= view.left && x <= view.right) continue;
                    ASSERT_EQ(run.Pixel(x, y), 0x1234) << row.name << " " << x << "," << y;
                    ASSERT_EQ(run.Depth32(x, y), 0u) << row.name << " " << x << "," << y;
                    ASSERT_EQ(run.Depth16(x, y), 0) << row.name << " " << x << "," << y;
                }
        }
    }
}
