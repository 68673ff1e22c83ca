// Tests of the grid hit test at the edges of its cells and of the grid.
#include <gtest/gtest.h>

#include "framework/Input.h"
#include "menus/Menu_Grid.h"

namespace {

int32_t HitAt(int32_t mx, int32_t my, int32_t x0, int32_t y0, int32_t w, int32_t h, int32_t cols, int32_t rows,
              uint8_t byColumns) {
    MousePosition.x = mx;
    MousePosition.y = my;
    return Menu_GridHitTest(x0, y0, w, h, cols, rows, byColumns);
}

}  // namespace

TEST(MenuGrid, ChoiceStripHalfOpenBounds) {
    // One row of eight 80x150 cells from (0, 200).
    EXPECT_EQ(HitAt(85, 210, 0, 200, 80, 150, 8, 1, 0), 1);
    EXPECT_EQ(HitAt(0, 200, 0, 200, 80, 150, 8, 1, 0), 0);
    EXPECT_EQ(HitAt(79, 349, 0, 200, 80, 150, 8, 1, 0), 0);
    EXPECT_EQ(HitAt(80, 349, 0, 200, 80, 150, 8, 1, 0), 1);
    EXPECT_EQ(HitAt(639, 349, 0, 200, 80, 150, 8, 1, 0), 7);
    EXPECT_EQ(HitAt(640, 210, 0, 200, 80, 150, 8, 1, 0), -1);
    EXPECT_EQ(HitAt(10, 350, 0, 200, 80, 150, 8, 1, 0), -1);
    EXPECT_EQ(HitAt(-1, 210, 0, 200, 80, 150, 8, 1, 0), -1);
    EXPECT_EQ(HitAt(10, 199, 0, 200, 80, 150, 8, 1, 0), -1);
}

TEST(MenuGrid, RowAndColumnOrder) {
    // 2 columns by 3 rows of 10x10 from (0, 0).
    EXPECT_EQ(HitAt(15, 25, 0, 0, 10, 10, 2, 3, 1), 5);
    EXPECT_EQ(HitAt(15, 25, 0, 0, 10, 10, 2, 3, 0), 5);
    EXPECT_EQ(HitAt(5, 15, 0, 0, 10, 10, 2, 3, 1), 1);
    EXPECT_EQ(HitAt(5, 15, 0, 0, 10, 10, 2, 3, 0), 2);
    EXPECT_EQ(HitAt(10, 0, 0, 0, 10, 10, 2, 3, 1), 3);
    EXPECT_EQ(HitAt(10, 0, 0, 0, 10, 10, 2, 3, 0), 1);
    // A panel of one column of 62x62 cells, counted down the column, at a shifted origin.
    EXPECT_EQ(HitAt(419, 149, 419, 149, 62, 62, 1, 5, 1), 0);
    EXPECT_EQ(HitAt(480, 149 + 4 * 62 + 61, 419, 149, 62, 62, 1, 5, 1), 4);
    EXPECT_EQ(HitAt(481, 200, 419, 149, 62, 62, 1, 5, 1), -1);
}

TEST(MenuGrid, DegenerateAndExtremeGrids) {
    EXPECT_EQ(HitAt(0, 0, 0, 0, 0, 10, 2, 2, 0), -1);
    EXPECT_EQ(HitAt(0, 0, 0, 0, 10, 10, 0, 2, 0), -1);
    EXPECT_EQ(HitAt(5, 5, 10, 10, -10, -10, 2, 2, 0), -1);
    // The far edge lies past the 32-bit range: no wrap-around.
    EXPECT_EQ(HitAt(INT32_MAX, 0, INT32_MAX - 100, 0, 1 << 20, 10, 1 << 12, 1, 0), 0);
    EXPECT_EQ(HitAt(INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX, 100, 100, 10, 10, 0), -1);
}
