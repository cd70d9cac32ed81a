// Where the check-box list draws: the box, tick and text of a check-box cell, the text alignment of a
// text cell, the area of the empty-list message. Portable; rectangles have exclusive right and bottom.
#pragma once

#include <array>

namespace cell_geometry {

struct Rect {
    int left = 0, top = 0, right = 0, bottom = 0;
    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    bool operator==(const Rect& o) const {
        return left == o.left && top == o.top && right == o.right && bottom == o.bottom;
    }
};

// The box of a check-box cell sits this far from the cell's left edge.
constexpr int kBoxIndent = 9;
// The text of a check-box cell starts this far right of the box.
constexpr int kTextGap = 4;
// The empty-list message starts this far below the header.
constexpr int kEmptyMessageGap = 10;

struct CheckCellLayout {
    Rect box;   // filled with the window colour
    Rect frame; // the sunken frame: the box moved one pixel right on its left side
    Rect text;  // where the text goes (only drawn when there is text)
};

CheckCellLayout LayOutCheckCell(const Rect& cell, bool textEmpty);

// One vertical stroke of the tick: x, from top to bottom (bottom excluded).
struct TickStroke {
    int x, top, bottom;
};

// The tick's seven strokes, from the frame's moved left edge and its top.
std::array<TickStroke, 7> TickStrokes(const Rect& frame);

enum class TextAlign { Left, Center, Right };

// A header item's justification (HDF_LEFT 0, HDF_RIGHT 1, HDF_CENTER 2 after HDF_JUSTIFYMASK):
// centre and left as given, anything else right.
TextAlign AlignmentFromJustify(int justify);

// The empty-list message's area: the window rectangle in client coordinates, below the header's
// bottom when there is a header, and a further gap below that.
Rect EmptyMessageArea(const Rect& windowInClient, bool hasHeader, int headerBottom);

// The column-0 cell of a list with more columns ends where column 1 begins.
Rect ClipFirstColumn(const Rect& cell, int columnCount, int secondColumnLeft);

} // namespace cell_geometry
