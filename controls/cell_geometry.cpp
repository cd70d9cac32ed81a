#include "controls/cell_geometry.h"

#include <cmath>

namespace cell_geometry {

CheckCellLayout LayOutCheckCell(const Rect& cell, bool textEmpty, int dpi) {
    CheckCellLayout layout;
    int size = cell.bottom - 1 - cell.top;
    const int indent = dpi::Scale(kBoxIndent, dpi);
    Rect box = {cell.left + indent, cell.top, cell.left + indent + size, cell.bottom - 1};
    if (textEmpty) {
        // C++ division truncates toward zero, as the placement expects.
        box.left = cell.left + (cell.right - cell.left) / 2 - size / 2 - 1;
        box.right = box.left + size;
    }
    layout.box = box;
    layout.frame = box;
    layout.frame.left += 1;
    layout.text = cell;
    layout.text.left = box.right + dpi::Scale(kTextGap, dpi);
    return layout;
}

std::vector<TickStroke> TickStrokes(const Rect& frame, int dpi) {
    // At 96 DPI the column at x = left + p starts at y = top + 7 - |p - 5| for p = 3 .. 9: the V's
    // centre line in units of 96-DPI pixels, sampled here at each column's centre and scaled back.
    const double scale = dpi > 0 ? dpi / static_cast<double>(dpi::kBaseDpi) : 1.0;
    const int first = dpi::Scale(3, dpi), end = dpi::Scale(10, dpi), length = dpi::Scale(3, dpi);
    std::vector<TickStroke> strokes;
    // From the right end down to the bottom of the V and up again to the left, as the pen goes.
    for (int p = end - 1; p >= first; --p) {
        const double top = 7 * scale - std::fabs(p + 0.5 - 5.5 * scale);
        const int y = frame.top + static_cast<int>(std::floor(top + 0.5));
        strokes.push_back({frame.left + p, y, y + length});
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

Rect EmptyMessageArea(const Rect& windowInClient, bool hasHeader, int headerBottom, int dpi) {
    Rect area = windowInClient;
    if (hasHeader)
        area.top += headerBottom;
    area.top += dpi::Scale(kEmptyMessageGap, dpi);
    return area;
}

Rect ClipFirstColumn(const Rect& cell, int columnCount, int secondColumnLeft) {
    Rect clipped = cell;
    if (columnCount > 1)
        clipped.right = secondColumnLeft;
    return clipped;
}

} // namespace cell_geometry
