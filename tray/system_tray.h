// The program's icon in the notification area: adds it with its tip and callback message, adds
// it again when the shell starts a new taskbar or the work area changes, shows its popup menu on a
// right click, turns a double click into a command, and deletes it when the object goes away.
// The class operations take a top-level window into the notification area and back.
#pragma once

#include <windows.h>

#include "tray/tray_icon_core.h"
#include "tray/win32_tray_system.h"
#include "ui/window.h"

class CSystemTray : public CWnd, public palisor::tray::TrayIconCore {
public:
    CSystemTray();
    // With another seam to the shell; tests use it to make the shell refuse.
    explicit CSystemTray(palisor::tray::TraySystem& system);
    ~CSystemTray() override;

    // owner: the window named in the icon record (none: the object's own window); unless the thread
    // has named its main window, the owner becomes it. The four last arguments are accepted for
    // callers that pass them and are not used.
    BOOL CreateTrayIcon(CWnd* owner, UINT callbackMessage, LPCSTR tip, HICON icon, UINT id, BOOL hidden,
                        LPCSTR unusedText = nullptr, LPCSTR unusedTitle = nullptr, DWORD unusedStyle = 0,
                        UINT unusedTimeout = 10);
    BOOL DeleteTrayIcon();

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

    static void HideToTray(HWND window, BOOL forceAnimation);
    static void ShowFromTray(HWND window, BOOL forceAnimation);
    static RECT FindTrayRect();
    static BOOL WindowAnimationEnabled();
    static BOOL DetachFromTaskbar(HWND window);

    // The invisible popup that keeps hidden windows off the taskbar; made on first use.
    static HWND hiddenOwner;
    // The registered "TaskbarCreated" message.
    static const UINT taskbarCreatedMessage;

protected:
    LRESULT OnShellRestart(WPARAM, LPARAM);
    LRESULT OnSettingChange(WPARAM flag, LPARAM section);

    palisor::tray::WindowRef CreateOwnWindow() override;

private:
    // The icon drawn at the system's small-icon size, made from the icon's resource when it has one;
    // owned, and destroyed after the icon has left the shell.
    HICON smallIcon = nullptr;

    DECLARE_MESSAGE_TABLE()
};
