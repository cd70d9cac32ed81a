#include "controls/header_geometry.h"

#include <algorithm>

namespace header_geometry {

bool OverlapsHorizontally(const Rect& item, const Rect& clip) {
    return item.right >= clip.left && item.left <= clip.right;
}

ImagePlacement PlaceImage(const Rect& item, int imageIndex, bool haveImageList, int imageWidth,
                          int imageHeight, bool atRight) {
    ImagePlacement placement;
    if (imageIndex == 0 || !haveImageList || item.right - item.left <= 0)
        return placement;
    placement.drawn = true;
    placement.y = (item.top + item.bottom) / 2 - (imageHeight >> 1);
    placement.x = atRight ? item.right - imageWidth : item.left;
    placement.width = std::min(item.right - item.left, imageWidth);
    placement.height = imageHeight;
    placement.used = imageWidth;
    return placement;
}

BitmapPlacement PlaceBitmap(const Rect& item, bool haveBitmap, int bitmapWidth, int bitmapHeight,
                            bool atRight) {
    BitmapPlacement placement;
    int width = item.right - item.left;
    if (!haveBitmap || bitmapWidth > width || width < 1)
        return placement;
    placement.drawn = true;
    placement.y = (item.top + item.bottom) / 2 - (bitmapHeight >> 1);
    placement.x = atRight ? item.right - bitmapWidth : item.left;
    return placement;
}

Rect TitleRect(Rect item, int imageUsed, int bitmapUsed, int spacing) {
    if (imageUsed != 0)
        item.left += imageUsed + spacing;
    if (bitmapUsed != 0)
        item.right -= bitmapUsed + spacing;
    return item;
}

Separator SeparatorAt(const Rect& item, int dpi) {
    const int inset = dpi::Scale(2, dpi);
    return Separator{{item.right - 1, item.top + inset, item.bottom - inset},
                     {item.right, item.top + inset, item.bottom - inset}};
}

Rect BorderRect(const Rect& client, int totalWidth) {
    Rect border = client;
    border.right = client.left + std::max(totalWidth, 0);
    return border;
}

} // namespace header_geometry
