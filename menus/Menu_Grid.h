// Grid hit test: the cell of a regular grid under the mouse.
#pragma once
#include <cstdint>

// Cell index under the mouse, row by row (byColumns 0) or column by column; -1 outside the grid,
// whose right and bottom edges are excluded. Empty or negative grids hold nothing.
int32_t Menu_GridHitTest(int32_t x0, int32_t y0, int32_t cellWidth, int32_t cellHeight, int32_t columns,
                         int32_t rows, uint8_t byColumns);
