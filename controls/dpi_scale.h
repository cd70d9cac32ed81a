// Sizes drawn by hand are given in pixels at 96 dots per inch and scaled to the screen's, so that
// every proportion of the 96-DPI drawing holds at any DPI. Portable.
#pragma once

#include <cstdint>
#include <vector>

namespace dpi {

constexpr int kBaseDpi = 96;

// size * dpi / 96 rounded to the nearest pixel, halves away from zero, as MulDiv(size, dpi, 96)
// rounds. A DPI of 0 or less (no screen to ask) leaves the size as it is.
constexpr int Scale(int size, int dpi) {
    if (dpi <= 0)
        return size;
    const std::int64_t product = static_cast<std::int64_t>(size) * dpi;
    const std::int64_t half = kBaseDpi / 2;
    return static_cast<int>(product >= 0 ? (product + half) / kBaseDpi : -((-product + half) / kBaseDpi));
}

// Of the sizes an image comes in (ascending), the largest that fits in baseSize scaled to the DPI;
// the smallest when none fits.
inline int PickImageSize(int baseSize, int dpi, const std::vector<int>& sizes) {
    const int wanted = Scale(baseSize, dpi);
    int picked = 0;
    for (int size : sizes) {
        if (picked == 0 || size <= wanted)
            picked = size;
        if (size > wanted)
            break;
    }
    return picked;
}

} // namespace dpi
