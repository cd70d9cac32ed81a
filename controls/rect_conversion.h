// Converts between the platform's rectangles and those of the portable drawing geometry.
#pragma once

#include <windows.h>

#include "controls/cell_geometry.h"

namespace cell_geometry {

inline Rect ToGeometry(const RECT& r) {
    return {r.left, r.top, r.right, r.bottom};
}

inline RECT ToRect(const Rect& r) {
    return RECT{r.left, r.top, r.right, r.bottom};
}

} // namespace cell_geometry
