// What the tests see of the shell's notification area and taskbar: whether an icon is there,
// clicks on it, and the taskbar's window buttons.
#pragma once

#include <windows.h>

#include <functional>

namespace tray_test {

HWND ShellTrayWindow();

// True when the shell holds an icon of window and id (it accepts a modification of it).
bool IconInShell(HWND window, UINT id);

// Deletes the icon of window and id from the shell behind its owner's back.
bool DeleteIconFromShell(HWND window, UINT id);

// Posts a mouse message at the places of the notification area's icons, one after the other,
// pumping messages after each until arrived() is true. False when no place brought it.
bool ClickIcon(UINT mouseMessage, const std::function<bool()>& arrived);

// Number of visible window buttons on the taskbar.
int VisibleTaskbarButtons();

// Handles this thread's messages until done() is true or timeoutMs has passed.
bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs = 3000);

} // namespace tray_test
