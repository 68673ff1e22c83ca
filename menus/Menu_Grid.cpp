// Grid hit test: the cell of a regular grid under the mouse.
#include "menus/Menu_Grid.h"

#include "framework/Input.h"

int32_t Menu_GridHitTest(int32_t x0, int32_t y0, int32_t cellWidth, int32_t cellHeight, int32_t columns,
                         int32_t rows, uint8_t byColumns) {
    if (cellWidth <= 0 || cellHeight <= 0 || columns <= 0 || rows <= 0) return -1;
    // 64-bit so that a grid near the ends of the coordinate range cannot wrap.
    const int64_t dx = int64_t(MousePosition.x) - x0;
    const int64_t dy = int64_t(MousePosition.y) - y0;
    if (dx < 0 || dy < 0 || dx >= int64_t(cellWidth) * columns || dy >= int64_t(cellHeight) * rows) return -1;
    const int64_t column = dx / cellWidth, row = dy / cellHeight;
    const int64_t cell = byColumns ? column * rows + row : row * columns + column;
    return cell > INT32_MAX ? -1 : int32_t(cell);
}
