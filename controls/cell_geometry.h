// Where the check-box list draws: the box, tick and text of a check-box cell, the text alignment of a
// text cell, the area of the empty-list message. Portable; rectangles have exclusive right and bottom.
// Distances are pixels at 96 dots per inch, scaled to the screen's DPI where a dpi is taken.
#pragma once

#include <vector>

#include "controls/dpi_scale.h"

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

// The box is as high as the row less one pixel; the indent and the text's gap grow with the DPI.
CheckCellLayout LayOutCheckCell(const Rect& cell, bool textEmpty, int dpi = dpi::kBaseDpi);

// One vertical stroke of the tick: x, from top to bottom (bottom excluded).
struct TickStroke {
    int x, top, bottom;
};

// The tick, one stroke per pixel column, from the frame's moved left edge and its top. At 96 DPI it
// is seven 3-pixel strokes, down and then up to the left from (left + 9, top + 3); at other DPIs the
// same V, its width, height and thickness scaled.
std::vector<TickStroke> TickStrokes(const Rect& frame, int dpi = dpi::kBaseDpi);

enum class TextAlign { Left, Center, Right };

// A header item's justification (HDF_LEFT 0, HDF_RIGHT 1, HDF_CENTER 2 after HDF_JUSTIFYMASK):
// centre and left as given, anything else right.
TextAlign AlignmentFromJustify(int justify);

// The empty-list message's area: the window rectangle in client coordinates, below the header's
// bottom when there is a header, and a further gap below that.
Rect EmptyMessageArea(const Rect& windowInClient, bool hasHeader, int headerBottom, int dpi = dpi::kBaseDpi);

// The column-0 cell of a list with more columns ends where column 1 begins.
Rect ClipFirstColumn(const Rect& cell, int columnCount, int secondColumnLeft);

} // namespace cell_geometry
