// A top-level window that uses the icon the way the program's main window does: it owns the
// icon, handles the icon's callback itself (a double click first brings it back from the
// notification area) and records the commands it receives.
#pragma once

#include <windows.h>

#include <vector>

#include "tray/system_tray.h"
#include "ui/window.h"

namespace tray_test {

constexpr UINT kCallbackMessage = WM_APP + 10;
constexpr UINT kIconId = 145;

class TrayTestWindow : public CWnd {
public:
    bool Open(const char* title = "Tray test window") {
        return CreateEx(WS_EX_APPWINDOW, nullptr, title, WS_OVERLAPPEDWINDOW | WS_VISIBLE, 200, 150, 400, 300,
                        nullptr, nullptr) != FALSE;
    }
    ~TrayTestWindow() override { DestroyWindow(); }

    CSystemTray tray;
    std::vector<WPARAM> commands;
    std::vector<LRESULT> callbackResults;

protected:
    LRESULT OnTrayCallback(WPARAM id, LPARAM event) {
        if (event == WM_LBUTTONDBLCLK) {
            CSystemTray::ShowFromTray(m_hWnd, FALSE);
        }
        LRESULT result = tray.HandleTrayMessage(id, event);
        callbackResults.push_back(result);
        return result;
    }
    LRESULT OnCommand(WPARAM wParam, LPARAM) {
        commands.push_back(wParam);
        return 0;
    }

    DECLARE_MESSAGE_TABLE()
};

} // namespace tray_test
