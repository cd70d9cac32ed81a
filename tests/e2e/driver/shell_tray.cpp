#include "tests/e2e/driver/shell_tray.h"

#include <shellapi.h>

#include "tests/e2e/driver/remote_process.h"

namespace e2e {

HWND ShellTrayWindow() {
    return FindWindowA("Shell_TrayWnd", nullptr);
}

bool IconInShell(HWND window, UINT id) {
    NOTIFYICONDATAA data{};
    data.cbSize = NOTIFYICONDATAA_V2_SIZE;
    data.hWnd = window;
    data.uID = id;
    return Shell_NotifyIconA(NIM_MODIFY, &data) != FALSE;
}

bool ClickTrayIcon(UINT mouseMessage, const std::function<bool()>& arrived) {
    HWND tray = ShellTrayWindow();
    if (!tray)
        return false;
    RECT client;
    GetClientRect(tray, &client);
    // Icons sit side by side from the taskbar's right end, each a small icon wide plus a border.
    const int iconWidth = GetSystemMetrics(SM_CXSMICON) + 4;
    const int y = (client.top + client.bottom) / 2;
    for (int index = 0; index < 8; ++index) {
        const int x = client.right - iconWidth * index - iconWidth / 2;
        const LPARAM at = MAKELPARAM(x, y);
        if (mouseMessage == WM_LBUTTONDBLCLK) {
            // The sequence a real double click makes.
            PostMessageA(tray, WM_LBUTTONDOWN, MK_LBUTTON, at);
            PostMessageA(tray, WM_LBUTTONUP, 0, at);
        }
        PostMessageA(tray, mouseMessage, mouseMessage == WM_RBUTTONUP ? 0 : MK_LBUTTON, at);
        if (mouseMessage == WM_LBUTTONDBLCLK)
            PostMessageA(tray, WM_LBUTTONUP, 0, at);
        if (WaitUntil(arrived, std::chrono::milliseconds(index == 0 ? 2000 : 500)))
            return true;
    }
    return false;
}

int VisibleTaskbarButtons() {
    int count = 0;
    if (HWND tray = ShellTrayWindow()) {
        EnumChildWindows(
            tray,
            [](HWND child, LPARAM param) -> BOOL {
                if (ClassName(child) == "Button" && IsWindowVisible(child))
                    ++*reinterpret_cast<int*>(param);
                return TRUE;
            },
            reinterpret_cast<LPARAM>(&count));
    }
    return count;
}

} // namespace e2e
