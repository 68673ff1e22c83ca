// The canoe's board and ground depth without the screen: cells under the cursor, quarter turns, the
// depth factors and the pasting of depth rectangles.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <tuple>
#include <vector>

#include "puzzles/pz_pirogue.h"
#include "puzzles/pz_pirogue_scene.h"
#include "raster/Rasterizer.h"
#include "testdata/CanoeScene.h"

namespace {

TEST(CanoeBoard, TheCellUnderTheCursorFollowsTheBoardsLines) {
    init_plateau();
    for (int32_t n = 0; n < PIROGUE_NB_CASES; n++) {
        const CasePlateau& c = pirogue_plateau[n];
        EXPECT_EQ(c.code, 4 * n);
        EXPECT_EQ(c.piece, n);
        // The middle of the cell and points near each of its four corners.
        for (auto [dx, dy] : {std::pair{PIROGUE_ANCRE_X, PIROGUE_ANCRE_Y}, {0, 3}, {115, 46}, {-84, 63}, {32, 105}})
            EXPECT_EQ(case_sous_souris(c.x + dx, c.y + dy), n) << dx << "," << dy;
    }
    // Outside each side and corner of the board.
    for (auto [x, y] : {std::pair{270, 84}, {636, 224}, {366, 416}, {0, 275}, {450, 150}, {500, 320}, {180, 345},
                        {130, 175}, {0, 0}, {639, 479}})
        EXPECT_EQ(case_sous_souris(x, y), -1) << x << "," << y;
    // On a line between two rows or two columns: the cell before the line.
    EXPECT_EQ(case_sous_souris(270 - 89 + 121, 86 + 63 + 46), 1);   // corner shared by cells 0, 1, 3 and 4
    EXPECT_EQ(case_sous_souris(270 - 89, 86 + 63), 0);              // on row line 1, column line 0
    for (auto [x, y] : {std::pair{270, 86}, {633, 224}, {366, 413}}) EXPECT_EQ(case_sous_souris(x, y), -1);
    EXPECT_EQ(case_sous_souris(3, 275), 6);
}

TEST(CanoeBoard, AQuarterTurnCyclesThroughTheFourCodesOfAPiece) {
    for (auto [code, turned] : {std::pair{0, 1}, {2, 3}, {3, 0}, {29, 30}, {31, 28}})
        EXPECT_EQ(pirogue_tourne_code(code), turned) << code;
}

TEST(CanoeBoard, DepthFactorsFromTheCameraBesideTheFixedOnes) {
    CTCamera camera = CanoeScene_Camera();
    pirogue_camera = &camera;
    calc_ratios_zbuffer();
    pirogue_camera = nullptr;
    const CTVector3 eye = camera.frame.GetPosition(nullptr);
    auto dist = [&](int n) { return double(std::sqrt(Vec3_Norm2(Vec3_Sub(eye, pirogue_centre_case(n))))); };
    for (int h = 0; h < 8; h++)
        for (int c = 0; c < 8; c++) {
            if (PIROGUE_RATIOS[h][c] > 0) {
                EXPECT_EQ(ratio_zbuffer[h][c], double(float(PIROGUE_RATIOS[h][c]))) << h << c;
            } else {
                EXPECT_NEAR(ratio_zbuffer[h][c], dist(h) / dist(c), 1e-6) << h << c;
            }
        }
    EXPECT_EQ(ratio_zbuffer[3][3], double(1.009036f));
    for (int h : {0, 1, 2, 4, 5, 6, 7}) EXPECT_EQ(ratio_zbuffer[h][h], 1.0) << h;
    EXPECT_NEAR(ratio_zbuffer[0][1] * ratio_zbuffer[1][0], 1.0, 1e-12);
    EXPECT_EQ(pirogue_centres[7].x, 151.39505f);
    EXPECT_EQ(pirogue_centres[5].y, -153.98566f);
    EXPECT_EQ(pirogue_pas_x, 99.16676f);
    EXPECT_EQ(pirogue_pas_y, -99.16639f);
}

TEST(CanoeBoard, ADepthIsScaledTruncatedAndHeldToItsRange) {
    EXPECT_EQ(pirogue_echelle_z(1000, 1.5), 1500u);
    EXPECT_EQ(pirogue_echelle_z(1001, 0.5), 500u);
    EXPECT_EQ(pirogue_echelle_z(4000000000u, 1.25), 0xFFFFFFFFu);
    EXPECT_EQ(pirogue_echelle_z(0xFFFFFFFFu, 1.0), 0xFFFFFFFFu);
    EXPECT_EQ(pirogue_echelle_z(7, std::nan("")), 0u);
    EXPECT_EQ(pirogue_echelle_z(3000000000u, 1.009036), uint32_t(3000000000.0 * 1.009036));
}

// A rectangle of 3 x 2 for code c: 0 means no ground.
struct Rect {
    explicit Rect(int32_t code) : code(code) {
        pirogue_zbuffers[code] = {cells, 2, 3};
    }
    ~Rect() { pirogue_zbuffers[code] = {}; }
    int32_t code;
    uint32_t cells[6] = {100, 0, 300, 400, 500, 0};
};

uint32_t At(const CSurface& s, int x, int y) { return reinterpret_cast<const uint32_t*>(s.Row(y))[x]; }

TEST(CanoeBoard, RectanglesArePastedScaledClippedAndLeaveEmptyCellsAlone) {
    CPixelFormat z;
    rasterizerTR.GetZBufferFormat(z);
    ASSERT_TRUE(zbuffer_sol.Create(PIROGUE_LARGEUR, PIROGUE_HAUTEUR, z, 0, 1));
    for (int y = 0; y < zbuffer_sol.height; y++)
        for (int x = 0; x < zbuffer_sol.width; x++) reinterpret_cast<uint32_t*>(zbuffer_sol.Row(y))[x] = 7;
    for (auto& row : ratio_zbuffer)
        for (double& r : row) r = 1.0;
    ratio_zbuffer[2][5] = 2.0;
    Rect piece(9), fixed(PIROGUE_FIXED_CODE);
    copy_zbuffer_piece(9, 10, 20, 5);
    for (auto [x, y, z] : {std::tuple{10, 20, 200u}, {11, 20, 7u}, {12, 20, 600u}, {10, 21, 800u}, {11, 21, 1000u},
                           {12, 21, 7u}, {13, 20, 7u}})
        EXPECT_EQ(At(zbuffer_sol, x, y), z) << x << "," << y;
    // The fixed piece is never scaled.
    copy_zbuffer_piece(PIROGUE_FIXED_CODE, 30, 20, 5);
    EXPECT_EQ(At(zbuffer_sol, 30, 20), 100u);
    // Near every edge only what falls inside is written.
    copy_zbuffer_piece(9, -1, -1, 5);
    EXPECT_EQ(At(zbuffer_sol, 0, 0), 1000u);
    copy_zbuffer_piece(9, 638, 479, 5);
    EXPECT_EQ(At(zbuffer_sol, 638, 479), 200u);
    EXPECT_EQ(At(zbuffer_sol, 639, 479), 7u);
    copy_zbuffer_piece(9, 639, -1, 5);
    EXPECT_EQ(At(zbuffer_sol, 639, 0), 800u);
    copy_zbuffer_piece(9, -3, 478, 5);
    copy_zbuffer_piece(9, 640, 480, 5);
    copy_zbuffer_piece(9, -100000, 100000, 5);
    zbuffer_sol.Free();
}

}  // namespace
