// Where the list header draws: item margins, the image at the left of a title, the bitmap at the
// right, the separators between items and the raised border. Portable.
#pragma once

#include "controls/cell_geometry.h"

namespace header_geometry {

using cell_geometry::Rect;

// Margin inside each item and between an image or bitmap and the title.
constexpr int kSpacing = 6;

// True when the item's rectangle meets the clip box horizontally (edges touching count).
bool OverlapsHorizontally(const Rect& item, const Rect& clip);

struct ImagePlacement {
    bool drawn = false;
    int x = 0, y = 0;
    int width = 0, height = 0; // the drawn size; the width is cut to the item
    int used = 0;              // width the image takes from the item (its full width when drawn)
};

// The image of an item: none for image index 0, without an image list, or in an empty rectangle.
ImagePlacement PlaceImage(const Rect& item, int imageIndex, bool haveImageList, int imageWidth,
                          int imageHeight, bool atRight);

struct BitmapPlacement {
    bool drawn = false;
    int x = 0, y = 0;
};

// A bitmap is drawn whole or not at all.
BitmapPlacement PlaceBitmap(const Rect& item, bool haveBitmap, int bitmapWidth, int bitmapHeight,
                            bool atRight);

// The title's rectangle after an image at the left (used width) and a bitmap at the right.
Rect TitleRect(Rect item, int imageUsed, int bitmapUsed, int spacing = kSpacing);

struct Line {
    int x, top, bottom; // vertical, bottom excluded
};

struct Separator {
    Line shadow; // left line
    Line light;  // right line
};

// The separator at an item's right edge (the last item has none), inset from the top and bottom by
// two pixels at 96 DPI.
Separator SeparatorAt(const Rect& item, int dpi = dpi::kBaseDpi);

// The raised border around the columns' total width, from the client area's left edge.
// Its width is zero (no border) when the columns take no width.
Rect BorderRect(const Rect& client, int totalWidth);

} // namespace header_geometry
