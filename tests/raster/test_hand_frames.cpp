// The triangle frames of every family: the fill rule; the hand-written ones' rounding environment
// and setup routines.
#include <cfenv>
#include <cmath>

#include "raster_test.h"

using namespace rtest;

namespace {

const char* GroupName(int first) { return first == kP2FirstRow ? "II" : first == kMmxFirstRow ? "MMX" : first ? "K6-3D" : "C"; }

void DrawWith(Runner& run, const RasterizerRow& row, RastFn span, const std::vector<RastVertex>& poly)
{
    run.Draw(row.triangle, row.setup, span, row.mode & ~RM_LINEAR_TWIN, poly);
}

// Every pixel at most once; exactly the fill rule of the fan wherever no centre lies within eps.
// Returns the pixels compared.
int CheckFanCover(Runner& run, const std::vector<RastVertex>& poly, const ClipRect& vp, double eps,
                  bool depthOnly = false)
{
    int compared = 0;
    for (int y = 0; y < run.Height(); ++y)
        for (int x = 0; x < run.Width(); ++x) {
            const int got = depthOnly ? run.Depth16(x, y) == 0x4000 : run.Pixel(x, y);
            EXPECT_LE(got, 1) << x << "," << y;
            int want = 0;
            bool near = false;
            for (size_t i = 2; i < poly.size(); ++i) {
                const Cover c = ReferenceCover(poly[0], poly[i - 1], poly[i], x, y, vp, eps);
                near |= c == Cover::Near;
                want += c == Cover::In;
            }
            if (near) continue;
            if (got != want) {
                ADD_FAILURE() << "pixel " << x << "," << y << " drawn " << got << " want " << want;
                return compared;
            }
            ++compared;
        }
    return compared;
}

// What the spans of one draw saw: the first call's steps and whether every call ran toward zero.
struct Seen {
    int calls = 0;
    bool towardZero = true;
} g_seen;
void RecordSpan()
{
    ++g_seen.calls;
    g_seen.towardZero = g_seen.towardZero && std::fegetround() == FE_TOWARDZERO;
}

}  // namespace

// Edges at x 3.5 and 7.5, y 10.5 and 20.5 give pixels 4 to 7 on rows 11 to 20; a square fan; a
// flat-topped triangle (rows of 4, 3, 2, 1: centres on the hypotenuse belong to it); a flat top whose
// vertices share row 5 at different heights draws the two centres it covers, (10, 5) and (12, 6);
// two top vertices whose edges cross above the first row drawn are sided on that row; flat bottoms
// in either order; a triangle within one pixel row draws nothing and the fan goes on; a large
// triangle clipped on all four viewport sides.
TEST(Frames, FillRuleExamples)
{
    CoverageRunner run(64, 64, true);
    const ClipRect all{0, 63, 63, 0};
    struct Case {
        std::vector<RastVertex> poly;
        int drawn;  // -1: some
        ClipRect vp;
    };
    const Case cases[] = {
        {{MakeVertex(3.5, 10.5), MakeVertex(7.5, 10.5), MakeVertex(7.5, 20.5), MakeVertex(3.5, 20.5)}, 40, all},
        {{MakeVertex(0, 0), MakeVertex(10, 0), MakeVertex(10, 10), MakeVertex(0, 10)}, 100, all},
        {{MakeVertex(0, 0), MakeVertex(4, 0), MakeVertex(0, 4)}, 10, all},
        {{MakeVertex(20, 10), MakeVertex(10, 5.1), MakeVertex(10, 5.4)}, 2, all},
        {{MakeVertex(0, 4.625), MakeVertex(1, 5.375), MakeVertex(40, 8)}, -1, all},
        {{MakeVertex(20, 0), MakeVertex(10, 5.1), MakeVertex(9.9, 5.9)}, -1, all},
        {{MakeVertex(20, 0), MakeVertex(9.9, 5.9), MakeVertex(10, 5.1)}, -1, all},
        {{MakeVertex(2, 3.1), MakeVertex(20, 3.2), MakeVertex(9, 3.4)}, 0, all},
        {{MakeVertex(2, 3.1), MakeVertex(20, 3.2), MakeVertex(9, 3.4), MakeVertex(5, 20)}, -1, all},
        {{MakeVertex(-100, -50), MakeVertex(300, -40), MakeVertex(20, 400)}, 36 * 44, {5, 40, 50, 7}},
    };
    for (int first : {kPortableFirstRow, kP2FirstRow, kMmxFirstRow, kK63DFirstRow})
        for (const Case& c : cases) {
            SCOPED_TRACE(testing::Message() << GroupName(first) << " case " << (&c - cases));
            run.Fill(0, 0, 0);
            run.SetViewport(c.vp);
            DrawWith(run, ModeRow(first, 0x8), &CountSpan, c.poly);
            CheckFanCover(run, c.poly, c.vp, c.drawn < 0 ? 1e-3 : 0.0);
            int drawn = 0;
            for (int y = 0; y < 64; ++y)
                for (int x = 0; x < 64; ++x) drawn += run.Pixel(x, y);
            if (c.drawn >= 0) {
                EXPECT_EQ(drawn, c.drawn);
            } else {
                EXPECT_GT(drawn, 0);
            }
        }
}

// Random triangles (some thin, some reaching far outside) and convex polygons in random viewports
// through every family's frame kinds (the depth-only one seen through its span): the fill rule
// wherever no centre lies within the family's reach of an edge.
TEST(Frames, CoverageFollowsTheFillRule)
{
    CoverageRunner run(96, 96, true, 64);
    for (const Family& fam : kFamilies) {
        Rng rng(fam.eps > 1e-3 ? 47 : 31);
        const int fracBits = fam.eps > 1e-3 ? 2 : 3;
        int compared = 0;
        for (int iter = 0; iter < 900; ++iter) {
            const RenderMode mode = kFrameModes[iter % 9];
            const double m = iter % 5 == 1 ? 200 : 20;
            std::vector<RastVertex> poly = iter % 2 ? RandomTriangle(rng, -m, 96 + m, -m, 96 + m, fracBits)
                                                    : RandomConvexPolygon(rng, 7, 48, 48, 50, 4);
            if (iter % 14 == 1) poly[2] = MakeVertex(poly[0].x + rng.Dyadic(-3, 3, 4), poly[0].y + rng.Dyadic(-3, 3, 4));
            for (RastVertex& v : poly) v.z = 0.5f;
            const ClipRect view{int(rng.Range(0, 40)), int(rng.Range(50, 95)), int(rng.Range(50, 95)), int(rng.Range(0, 40))};
            run.Fill(0, 0, 0);
            run.SetViewport(view);
            const HandFrameRoutines f = fam.frameOf(mode);
            run.Draw(f.triangle, f.setup, mode == 0x806 ? fam.depthSpan : &CountSpan, mode, poly);
            SCOPED_TRACE(testing::Message() << fam.name << " iteration " << iter << " mode " << std::hex << mode);
            compared += CheckFanCover(run, poly, view, fam.eps, mode == 0x806);
            if (HasFailure()) return;
        }
        EXPECT_GT(compared, 500000);
    }
}

// The Pentium II and MMX frames run rounding toward zero and give the caller's mode back.
TEST(Frames, RunTowardZeroAndRestoreTheCallersRounding)
{
    Runner run(64, 64, true);
    const Textures tex(true);
    for (int first : {kP2FirstRow, kMmxFirstRow})
        for (const RenderMode mode : {0x10010Eu, 0x20800Au})
            for (int rounding : {FE_UPWARD, FE_TONEAREST}) {
                const RasterizerRow& row = ModeRow(first, mode);
                tex.Use(run, row.mode);
                g_seen = Seen{};
                std::fesetround(rounding);
                DrawWith(run, row, &RecordSpan, {MakeVertex(30, -40.3), MakeVertex(5, 55), MakeVertex(58, 47)});
                const int after = std::fegetround();
                std::fesetround(FE_TONEAREST);
                EXPECT_EQ(after, rounding) << row.name;
                EXPECT_GT(g_seen.calls, 20) << row.name;
                EXPECT_TRUE(g_seen.towardZero) << row.name;
            }
}

namespace {
struct Captured {
    RastEdge *left = nullptr, *right = nullptr, *nextLeft = nullptr, *nextRight = nullptr;
} g_captured;
void CaptureSpan()
{
    const SpanState& s = rastState;
    if (!g_captured.left) g_captured = {s.rastLeftEdge, s.rastRightEdge, s.rastNextLeftEdge, s.rastNextRightEdge};
    CountSpan();
}
}  // namespace

// A setup routine works only for the triangle its own triangle routine hands it: called again on
// that triangle's published edges after the call, it draws nothing.
TEST(Frames, SetupRoutinesServeOnlyTheirOwnTriangleRoutine)
{
    CoverageRunner run(64, 64, true);
    for (const HandFrameRoutines f : {P2FrameOf(0x8), K63DFrameOf(0x8)}) {
        run.Fill(0, 0, 0);
        g_captured = {};
        run.Draw(f.triangle, f.setup, &CaptureSpan, 0x8, {MakeVertex(5, 3), MakeVertex(50, 20), MakeVertex(12, 60)});
        int drawn = 0;
        for (int y = 0; y < 64; ++y)
            for (int x = 0; x < 64; ++x) drawn += run.Pixel(x, y);
        ASSERT_GT(drawn, 0);
        SpanState& s = rastState;
        s.rastLeftEdge = g_captured.left, s.rastRightEdge = g_captured.right;
        s.rastNextLeftEdge = g_captured.nextLeft, s.rastNextRightEdge = g_captured.nextRight;
        f.setup();
        int again = 0;
        for (int y = 0; y < 64; ++y)
            for (int x = 0; x < 64; ++x) again += run.Pixel(x, y);
        EXPECT_EQ(again, drawn);
    }
}

// Without a resource its spans read (the palette plane of 8-bit texels, the texture, the depth
// buffer) every row of every group draws nothing and touches no depth cell; with all of them it
// draws.
TEST(Frames, EveryRowDrawsNothingWithoutAResourceItNeeds)
{
    enum Missing { kNone, kPalette, kTexture, kDepth };
    const Textures tex(true);
    int refused = 0;
    for (int i = 1; i < kRasterizerRows; ++i) {
        const RasterizerRow& row = rasterizerTable[size_t(i)];
        const RenderMode m = row.mode & ~RM_LINEAR_TWIN;
        SCOPED_TRACE(testing::Message() << "row " << i << " " << row.name);
        for (Missing miss : {kNone, kPalette, kTexture, kDepth}) {
            if ((miss == kPalette && !(m & RM_TEXTURE8)) || (miss == kTexture && !(m & RM_TEXTURE)) ||
                (miss == kDepth && !(m & RM_ZBUFFER)))
                continue;
            Runner run(kSceneW, kSceneH, true);
            FillPatterns(run);
            tex.Use(run, m);
            run.Draw(nullptr, nullptr, nullptr, m, Rect(m & RM_PERSPECTIVE));  // state and vertices alone
            SpanState& s = rastState;
            s.rastTriangleFn = row.triangle, s.rastSetupFn = row.setup, s.rastSpanFn = row.span;
            if (miss == kPalette) s.rastPalette = s.rastShadePlanes = nullptr;
            if (miss == kTexture) s.rastTexBits = nullptr;
            if (miss == kDepth) s.rastZBits = nullptr;
            row.triangle();
            int changed = 0;
            for (int y = 0; y < kSceneH; ++y)
                for (int x = 0; x < kSceneW; ++x)
                    changed += run.Pixel(x, y) != DestAt(x, y, true) || run.Depth32(x, y) != DepthAt(x, y) ||
                               run.Depth16(x, y) != uint16_t(DepthAt(x, y) >> 16);
            if (miss == kNone) {
                EXPECT_GT(changed, 0);
            } else {
                EXPECT_EQ(changed, 0) << "missing " << miss;
                ++refused;
            }
        }
    }
    // Textured rows, then 8-bit ones, then depth-buffered ones: the portable group's, then three hand-written groups'.
    EXPECT_EQ(refused, (96 + 3 * 104) + (48 + 3 * 52) + (50 + 3 * 53));
}
