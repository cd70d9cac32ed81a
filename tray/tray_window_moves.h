// Takes a top-level window into the notification area and back: off the screen and off the
// taskbar, with the system's zoom animation between the window and the notification area.
#pragma once

#include "tray/tray_system.h"
#include "tray/tray_types.h"

namespace palisor::tray {

// Re-parents window under the invisible hidden owner, created on first use into hiddenOwner,
// which takes it off the taskbar. False when the hidden owner cannot be created.
bool DetachFromTaskbar(TraySystem& system, WindowRef& hiddenOwner, WindowRef window);

void HideToTray(TraySystem& system, WindowRef& hiddenOwner, WindowRef window, bool forceAnimation);
void ShowFromTray(TraySystem& system, WindowRef hiddenOwner, WindowRef window, bool forceAnimation);

} // namespace palisor::tray
