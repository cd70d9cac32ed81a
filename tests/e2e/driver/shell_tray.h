#pragma once
// What a driver sees of the shell's taskbar and notification area: whether a window's icon is
// there, clicks on the icons, and the taskbar's window buttons.

#include <windows.h>

#include <functional>

namespace e2e {

HWND ShellTrayWindow();

// True when the shell holds the icon of `window` and `id`: it accepts a modification that changes
// nothing, which it refuses for an icon it does not hold.
bool IconInShell(HWND window, UINT id);

// Posts `mouseMessage` at the places of the notification area's icons, from the right end, until
// `arrived` answers true. False when no place brought it.
bool ClickTrayIcon(UINT mouseMessage, const std::function<bool()>& arrived);

// The visible window buttons on the taskbar.
int VisibleTaskbarButtons();

} // namespace e2e
