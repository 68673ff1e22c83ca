// Tests of the grid hit test at the edges of its cells and of the grid.
#include <gtest/gtest.h>

#include "framework/Input.h"
#include "menus/Menu_Grid.h"

TEST(MenuGrid, HitsAtCellAndGridEdges) {
    const struct {
        int32_t mx, my, x0, y0, w, h, cols, rows;
        uint8_t byColumns;
        int32_t want;
    } cases[] = {
        // One row of eight 80x150 cells from (0, 200): half-open bounds.
        {85, 210, 0, 200, 80, 150, 8, 1, 0, 1},
        {0, 200, 0, 200, 80, 150, 8, 1, 0, 0},
        {79, 349, 0, 200, 80, 150, 8, 1, 0, 0},
        {80, 349, 0, 200, 80, 150, 8, 1, 0, 1},
        {639, 349, 0, 200, 80, 150, 8, 1, 0, 7},
        {640, 210, 0, 200, 80, 150, 8, 1, 0, -1},
        {10, 350, 0, 200, 80, 150, 8, 1, 0, -1},
        {-1, 210, 0, 200, 80, 150, 8, 1, 0, -1},
        {10, 199, 0, 200, 80, 150, 8, 1, 0, -1},
        // 2 columns by 3 rows of 10x10: counted along the rows or down the columns.
        {5, 15, 0, 0, 10, 10, 2, 3, 1, 1},
        {5, 15, 0, 0, 10, 10, 2, 3, 0, 2},
        {10, 0, 0, 0, 10, 10, 2, 3, 1, 3},
        {10, 0, 0, 0, 10, 10, 2, 3, 0, 1},
        {480, 149 + 4 * 62 + 61, 419, 149, 62, 62, 1, 5, 1, 4},
        {481, 200, 419, 149, 62, 62, 1, 5, 1, -1},
        // Degenerate grids; a far edge past the 32-bit range does not wrap around.
        {0, 0, 0, 0, 0, 10, 2, 2, 0, -1},
        {0, 0, 0, 0, 10, 10, 0, 2, 0, -1},
        {5, 5, 10, 10, -10, -10, 2, 2, 0, -1},
        {INT32_MAX, 0, INT32_MAX - 100, 0, 1 << 20, 10, 1 << 12, 1, 0, 0},
        {INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX, 100, 100, 10, 10, 0, -1},
    };
    for (const auto& c : cases) {
        MousePosition.x = c.mx;
        MousePosition.y = c.my;
        EXPECT_EQ(Menu_GridHitTest(c.x0, c.y0, c.w, c.h, c.cols, c.rows, c.byColumns), c.want)
            << c.mx << "," << c.my << " in " << c.cols << "x" << c.rows << " by columns " << int(c.byColumns);
    }
}
