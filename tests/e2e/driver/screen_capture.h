#pragma once
// Saves what the screen shows, so a run leaves pictures of the program to look at.

#include <windows.h>

#include <string>

namespace e2e {

// Writes the screen rectangle of `window` (the whole screen when null) as a 24-bit BMP file.
bool SaveScreenshot(HWND window, const std::string& path);

} // namespace e2e
