// Where the notification area is on the screen, for the zoom into and out of it.
#pragma once

#include "tray/tray_system.h"
#include "tray/tray_types.h"

namespace palisor::tray {

// The notification area's rectangle: from the shell's taskbar window and its children when it
// exists, else from the shell's taskbar answer, else the bottom-right corner of the work area.
TrayRect FindTrayRect(TraySystem& system);

// The system's minimise-animation setting.
bool WindowAnimationEnabled(TraySystem& system);

} // namespace palisor::tray
