// The hand-written rows through the harness on an exact scene: Pentium II against portable, K6-3D
// against Pentium II with the documented differences; the K6-3D mesh seams.
#include "raster_test.h"

using namespace rtest;

// Every textured Pentium II row against the portable row of its mode. Exact where the arithmetic
// agrees; within one to three channel steps where the blends round differently (the Var blends,
// 5-5-5 red of the lit texel and of VarGouraudmono); Texture16 Gouraudmono lights by level as the
// portable keyed row does; perspective rows within one texel.
TEST(HandRows, PentiumIIAgreesWithThePortableRows)
{
    for (bool is565 : {true, false}) {
        const Textures tex(is565);
        for (int i = 1; i < kHandWrittenRows; ++i) {
            const RasterizerRow& row = rasterizerTable[kP2FirstRow + i];
            SCOPED_TRACE(testing::Message() << row.name << (is565 ? " 565" : " 555"));
            const RenderMode m = row.mode & ~RM_LINEAR_TWIN;
            const int v = HandVariantOfMode(m);
            const bool t8 = m & RM_TEXTURE8, persp = m & RM_PERSPECTIVE, z = m & RM_ZBUFFER;
            if (v == kSpanAddShade) continue;  // no portable row; see AddGouraudmonoAddsTheLitTexel
            // The portable keyed row with a key that matches nothing lights by level.
            const bool byLevel = v == kSpanShade && !t8;
            const RasterizerRow& portable = ModeRow(kPortableFirstRow, byLevel ? m | RM_OPACITY : m);
            const Drawn a = DrawScene(row, is565, tex, Rect(persp), z && !persp, !byLevel);
            const Drawn b = DrawScene(portable, is565, tex, Rect(persp), z && !persp, !byLevel);
            if (persp) {
                ExpectPerspectiveClose(a, b, m, is565);
                continue;
            }
            bool exact = v <= kSpanDestSubSrc && v != kSpanShade && v != kSpanKeyShade;
            if (v == kSpanShade || v == kSpanKeyShade) exact = t8 || is565;
            if (v == kSpanVarShade || v == kSpanVarKeyShade) exact = is565;
            const bool varBlend = v >= kSpanAddVar && v <= kSpanDestSubSrcVar;
            const int steps = !is565 ? 3 : varBlend || v == kSpanVarShade || v == kSpanVarKeyShade ? 2 : 1;
            int differing = 0;
            for (size_t k = 0; k < a.px.size(); ++k) {
                ASSERT_EQ(a.z[k], b.z[k]) << k;
                if (exact) {
                    ASSERT_EQ(a.px[k], b.px[k]) << k;
                } else {
                    ASSERT_LE(MaxChannelStep(a.px[k], b.px[k], is565), steps) << k;
                    differing += a.px[k] != b.px[k];
                }
            }
            if (varBlend) {
                EXPECT_GT(differing, 0);
            }
        }
    }
}

// Every MMX row draws through its own entries exactly what the Pentium II row of its position draws,
// pixels and depths, the depth-only row its 16-bit depths.
TEST(HandRows, MmxRowsDrawAsThePentiumIIRows)
{
    for (bool is565 : {true, false}) {
        const Textures tex(is565);
        for (int i = 0; i < kHandWrittenRows; ++i) {
            const RasterizerRow& mx = rasterizerTable[kMmxFirstRow + i];
            const RasterizerRow& p2 = rasterizerTable[kP2FirstRow + i];
            SCOPED_TRACE(testing::Message() << mx.name << (is565 ? " 565" : " 555"));
            const RenderMode m = mx.mode & ~RM_LINEAR_TWIN;
            const bool persp = m & RM_PERSPECTIVE, z = m & RM_ZBUFFER;
            if (i == 0) {
                std::vector<uint16_t> depths[2];
                for (int k = 0; k < 2; ++k) {
                    Runner run(kSceneW, kSceneH, is565);
                    FillPatterns(run);
                    run.Draw(k ? p2 : mx, Rect(false, true));
                    for (int y = 0; y < kSceneH; ++y)
                        for (int x = 0; x < kSceneW; ++x) depths[k].push_back(run.Depth16(x, y));
                }
                int written = 0;
                for (size_t k = 0; k < depths[0].size(); ++k)
                    written += depths[0][k] != uint16_t(DepthAt(int(k % kSceneW), int(k / kSceneW)) >> 16);
                EXPECT_GT(written, 500);
                EXPECT_TRUE(depths[0] == depths[1]);
                continue;
            }
            const Drawn a = DrawScene(mx, is565, tex, Rect(persp, true), z && !persp);
            const Drawn b = DrawScene(p2, is565, tex, Rect(persp, true), z && !persp);
            int drawn = 0;
            for (size_t k = 0; k < a.px.size(); ++k) drawn += a.px[k] != DestAt(int(k % kSceneW), int(k / kSceneW), is565);
            EXPECT_GT(drawn, 500);
            EXPECT_TRUE(a.px == b.px);
            EXPECT_TRUE(a.z == b.z);
        }
    }
}

// Add with Gouraudmono, a mode only the hand-written groups have: the lit texel of the
// Gouraudmono row added to the destination with saturation, channel by channel; no depth stored.
TEST(HandRows, AddGouraudmonoAddsTheLitTexel)
{
    for (bool is565 : {true, false}) {
        const Format& f = is565 ? k565 : k555;
        const Textures tex(is565);
        for (int i = 1; i < kHandWrittenRows; ++i) {
            const RasterizerRow& row = rasterizerTable[kP2FirstRow + i];
            if (HandVariantOfMode(row.mode) != kSpanAddShade) continue;
            SCOPED_TRACE(row.name);
            const RasterizerRow& lit = ModeRow(kP2FirstRow, row.mode & ~(RM_ADD | RM_LINEAR_TWIN));
            const Drawn sum = DrawScene(row, is565, tex, Rect(false), false), shaded = DrawScene(lit, is565, tex, Rect(false), false);
            for (size_t k = 0; k < sum.px.size(); ++k) {
                const uint16_t d = DestAt(int(k % kSceneW), int(k / kSceneW), is565);
                if (shaded.px[k] == d) continue;  // outside the rectangle
                uint16_t want = 0;
                for (int c = 0; c < 3; ++c) want |= uint16_t(std::min(f.max[c], Ch(f, d, c) + Ch(f, shaded.px[k], c)) << f.shift[c]);
                ASSERT_EQ(sum.px[k], want) << k;
                ASSERT_EQ(sum.z[k], 0u) << k;
            }
        }
    }
}

// On the exact rectangle every linear K6-3D row gives the Pentium II row's pixels and depths, but
// for AddVar green: the K6-3D adds the destination's green alone, the Pentium II the whole pixel,
// whose blue can carry one step into green. FastPerspective rows within one texel.
TEST(HandRows, K63DAgreesWithThePentiumIIRows)
{
    for (bool is565 : {true, false}) {
        const Format& f = is565 ? k565 : k555;
        const Textures tex(is565);
        for (int i = 1; i < kHandWrittenRows; ++i) {
            const RasterizerRow& row = rasterizerTable[kK63DFirstRow + i];
            SCOPED_TRACE(testing::Message() << row.name << (is565 ? " 565" : " 555"));
            const RenderMode m = row.mode & ~RM_LINEAR_TWIN;
            const bool persp = m & RM_PERSPECTIVE, z = m & RM_ZBUFFER;
            const bool addVar = HandVariantOfMode(m) == kSpanAddVar;
            const Drawn a = DrawScene(row, is565, tex, Rect(persp), z && !persp);
            const Drawn b = DrawScene(rasterizerTable[kP2FirstRow + i], is565, tex, Rect(persp), z && !persp);
            if (persp) {
                ExpectPerspectiveClose(a, b, m, is565);
                continue;
            }
            int greenUp = 0;
            for (size_t k = 0; k < a.px.size(); ++k) {
                ASSERT_EQ(a.z[k], b.z[k]) << k;
                if (!addVar) {
                    ASSERT_EQ(a.px[k], b.px[k]) << k;
                    continue;
                }
                ASSERT_EQ(Ch(f, a.px[k], 0), Ch(f, b.px[k], 0)) << k;
                ASSERT_EQ(Ch(f, a.px[k], 2), Ch(f, b.px[k], 2)) << k;
                const int g = Ch(f, a.px[k], 1), gp = Ch(f, b.px[k], 1);
                ASSERT_TRUE(gp == g || gp == g + 1) << k;
                greenUp += gp != g;
            }
            if (addVar) {
                EXPECT_GT(greenUp, 0);
            }
        }
    }
}

// An intensity falling to the right: the K6-3D pair step's carry lifts the second lane by one unit
// per pair. With 8-bit texels that lane is the pair's second pixel, which can end one level above
// the Pentium II's; with 16-bit texels it is the green and red lane of both pixels.
TEST(HandRows, K63DNegativeIntensityStepLiftsTheSecondLane)
{
    const Textures tex(true, true);
    for (int i = 1; i < kHandWrittenRows; ++i) {
        const RasterizerRow& row = rasterizerTable[kK63DFirstRow + i];
        const RenderMode m = row.mode & ~RM_LINEAR_TWIN;
        if (HandVariantOfMode(m) != kSpanShade || (m & RM_PERSPECTIVE)) continue;
        SCOPED_TRACE(row.name);
        // The lower-left half: every row starts at column 8, so odd columns are second pixels.
        std::vector<RastVertex> tri = Rect(false, true);
        tri.erase(tri.begin() + 1);
        const Drawn a = DrawScene(row, true, tex, tri, false);
        const Drawn b = DrawScene(rasterizerTable[kP2FirstRow + i], true, tex, tri, false);
        int brighter = 0;
        for (size_t k = 0; k < a.px.size(); ++k) {
            if (m & RM_TEXTURE8) {
                const int up = (a.px[k] >> 8) - (b.px[k] >> 8);  // the plane row is the level + 3
                ASSERT_TRUE(up == 0 || (up == 1 && k % kSceneW % 2 == 1)) << k;
                brighter += up;
            } else {
                ASSERT_EQ(Ch(k565, a.px[k], 2), Ch(k565, b.px[k], 2)) << k;
                for (int c : {0, 1}) {
                    const int up = Ch(k565, a.px[k], c) - Ch(k565, b.px[k], c);
                    ASSERT_TRUE(up >= 0 && up <= 2) << k;
                    brighter += up > 0;
                }
            }
        }
        EXPECT_GT(brighter, 0);
    }
}

// A jittered mesh over the whole target drawn triangle by triangle with the Add rows, a texel of
// blue 1 onto black: every pixel is covered exactly once.
TEST(HandRows, K63DAdditiveMeshHasNoGapsOrOverlaps)
{
    for (bool is565 : {true, false}) {
        Runner run(120, 90, is565);
        CSystemMemorySurface tex;
        ASSERT_TRUE(tex.Create(2, 2, PixelFormatOf(is565 ? PFID_R5G6B5 : PFID_X1R5G5B5)));
        for (int r = 0; r < 2; ++r) std::fill_n(reinterpret_cast<uint16_t*>(tex.Row(r)), 2, uint16_t(1));
        run.SetTexture(&tex, nullptr);
        Rng rng(is565 ? 5 : 6);
        constexpr int kCols = 9, kRows = 7;
        std::vector<RastVertex> grid;
        for (int j = 0; j <= kRows; ++j)
            for (int i = 0; i <= kCols; ++i) {
                const bool edge = i == 0 || j == 0 || i == kCols || j == kRows;
                const double jx = edge ? 0 : double(rng.Next() % 10000) / 1000.0 - 5;
                const double jy = edge ? 0 : double(rng.Next() % 10000) / 1000.0 - 5;
                RastVertex v = MakeVertex(-4 + i * 128.0 / kCols + jx, -4 + j * 98.0 / kRows + jy);
                v.u = float(i) / kCols, v.v = float(j) / kRows, v.z = 0.5f + 0.25f * float(i) / kCols;
                grid.push_back(v);
            }
        for (const RenderMode mode : {0x02000008u, 0x4220000Au}) {
            run.Fill(0, 0, 0);
            const HandFrameRoutines f = K63DFrameOf(mode);
            const RastFn span = K63DSpanOf(mode);
            auto at = [&](int i, int j) { return grid[size_t(j * (kCols + 1) + i)]; };
            for (int j = 0; j < kRows; ++j)
                for (int i = 0; i < kCols; ++i) {
                    run.Draw(f.triangle, f.setup, span, mode, {at(i, j), at(i + 1, j), at(i + 1, j + 1)});
                    run.Draw(f.triangle, f.setup, span, mode, {at(i, j), at(i + 1, j + 1), at(i, j + 1)});
                }
            for (int y = 0; y < 90; ++y)
                for (int x = 0; x < 120; ++x) ASSERT_EQ(run.Pixel(x, y), 1) << x << "," << y << " mode " << std::hex << mode;
        }
    }
}
