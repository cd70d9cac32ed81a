// The screen's dots per inch, which every window of the session shares.
#pragma once

#include <windows.h>

#include "controls/dpi_scale.h"

namespace dpi {

// LOGPIXELSY of the screen; 96 when the screen cannot be asked.
inline int ScreenDpi() {
    HDC screen = ::GetDC(nullptr);
    if (screen == nullptr)
        return kBaseDpi;
    const int value = ::GetDeviceCaps(screen, LOGPIXELSY);
    ::ReleaseDC(nullptr, screen);
    return value > 0 ? value : kBaseDpi;
}

} // namespace dpi
