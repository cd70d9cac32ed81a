#include "controls/cell_geometry.h"

#include <cstddef>

namespace cell_geometry {

CheckCellLayout LayOutCheckCell(const Rect& cell, bool textEmpty) {
    CheckCellLayout layout;
    int size = cell.bottom - 1 - cell.top;
    Rect box = {cell.left + kBoxIndent, cell.top, cell.left + kBoxIndent + size, cell.bottom - 1};
    if (textEmpty) {
        // C++ division truncates toward zero, as the placement expects.
        box.left = cell.left + (cell.right - cell.left) / 2 - size / 2 - 1;
        box.right = box.left + size;
    }
    layout.box = box;
    layout.frame = box;
    layout.frame.left += 1;
    layout.text = cell;
    layout.text.left = box.right + kTextGap;
    return layout;
}

std::array<TickStroke, 7> TickStrokes(const Rect& frame) {
    std::array<TickStroke, 7> strokes{};
    int x = frame.left + 9, y = frame.top + 3;
    for (int i = 0; i < 4; ++i) {
        strokes[static_cast<size_t>(i)] = {x, y, y + 3};
        x -= 1;
        y += 1;
    }
    for (int i = 4; i < 7; ++i) {
        strokes[static_cast<size_t>(i)] = {x, y, y + 3};
        x -= 1;
        y -= 1;
    }
    return strokes;
}

TextAlign AlignmentFromJustify(int justify) {
    switch (justify) {
    case 2:
        return TextAlign::Center;
    case 0:
        return TextAlign::Left;
    default:
        return TextAlign::Right;
    }
}

Rect EmptyMessageArea(const Rect& windowInClient, bool hasHeader, int headerBottom) {
    Rect area = windowInClient;
    if (hasHeader)
        area.top += headerBottom;
    area.top += kEmptyMessageGap;
    return area;
}

Rect ClipFirstColumn(const Rect& cell, int columnCount, int secondColumnLeft) {
    Rect clipped = cell;
    if (columnCount > 1)
        clipped.right = secondColumnLeft;
    return clipped;
}

} // namespace cell_geometry
