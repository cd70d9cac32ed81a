#include "tests/windows/tray/shell_tray.h"

#include <shellapi.h>

#include <cstring>

namespace tray_test {

HWND ShellTrayWindow() {
    return ::FindWindowA("Shell_TrayWnd", nullptr);
}

namespace {

// Asks the shell for an operation on the icon of window and id, changing nothing else of it.
bool NotifyShell(DWORD operation, HWND window, UINT id) {
    NOTIFYICONDATAA data;
    std::memset(&data, 0, sizeof data);
    data.cbSize = NOTIFYICONDATAA_V2_SIZE;
    data.hWnd = window;
    data.uID = id;
    return ::Shell_NotifyIconA(operation, &data) != FALSE;
}

} // namespace

bool IconInShell(HWND window, UINT id) {
    return NotifyShell(NIM_MODIFY, window, id);
}

bool DeleteIconFromShell(HWND window, UINT id) {
    return NotifyShell(NIM_DELETE, window, id);
}

bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs) {
    DWORD start = ::GetTickCount();
    for (;;) {
        MSG msg;
        while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageA(&msg);
        }
        if (done()) {
            return true;
        }
        if (::GetTickCount() - start > timeoutMs) {
            return false;
        }
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
}

bool ClickIcon(UINT mouseMessage, const std::function<bool()>& arrived) {
    HWND tray = ShellTrayWindow();
    if (!tray) {
        return false;
    }
    RECT client;
    ::GetClientRect(tray, &client);
    // Icons sit side by side from the right end of the taskbar, each a small icon and a border;
    // icons of other programs may come first, so the places are tried from the right.
    int iconWidth = ::GetSystemMetrics(SM_CXSMICON) + 4;
    int y = (client.top + client.bottom) / 2;
    for (int index = 0; index < 8; ++index) {
        int x = client.right - iconWidth * index - iconWidth / 2;
        ::PostMessageA(tray, mouseMessage, mouseMessage == WM_RBUTTONUP ? 0 : MK_LBUTTON, MAKELPARAM(x, y));
        if (PumpUntil(arrived, index == 0 ? 2000 : 500)) {
            return true;
        }
    }
    return false;
}

namespace {

BOOL CALLBACK CountButton(HWND child, LPARAM param) {
    char name[64] = {};
    ::GetClassNameA(child, name, sizeof name);
    if (::lstrcmpiA(name, "Button") == 0 && ::IsWindowVisible(child)) {
        ++*reinterpret_cast<int*>(param);
    }
    return TRUE;
}

} // namespace

int VisibleTaskbarButtons() {
    int count = 0;
    if (HWND tray = ShellTrayWindow()) {
        ::EnumChildWindows(tray, &CountButton, reinterpret_cast<LPARAM>(&count));
    }
    return count;
}

} // namespace tray_test
