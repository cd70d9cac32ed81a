// The platform's side of the notification-area icon: the shell, menus and windows of Win32.
#pragma once

#include <windows.h>

#include "tray/tray_system.h"

namespace palisor::tray {

class Win32TraySystem : public TraySystem {
public:
    // The one instance; it holds no state of its own.
    static Win32TraySystem& Instance();

    // Names the main window of the calling user-interface thread, the window that receives the
    // icon's menu commands when the icon has no target of its own; null forgets it.
    static void SetThreadMainWindow(HWND window);
    // The window named by SetThreadMainWindow while it exists, else null.
    static HWND NamedThreadMainWindow();

    // The window class of the icon's own window and of the hidden owner: no class style, cursor,
    // brush or icon.
    static const char* PlainClassName();

    unsigned MajorVersion() override;
    bool AddIcon(const TrayIconRecord& record) override;
    bool DeleteIcon(const TrayIconRecord& record) override;

    MenuRef LoadMenuResource(std::uint32_t id) override;
    MenuRef SubMenu(MenuRef menu, int position) override;
    void SetMenuDefault(MenuRef menu, std::uint32_t item, bool byPosition) override;
    std::uint32_t MenuItemId(MenuRef menu, int position) override;
    void DestroyMenu(MenuRef menu) override;
    TrayPoint CursorPos() override;
    void TrackPopupMenu(MenuRef menu, TrayPoint at, WindowRef owner) override;
    void PostMessage(WindowRef window, std::uint32_t message, std::uintptr_t wParam,
                     std::intptr_t lParam) override;
    WindowRef ThreadMainWindow() override;

    bool WindowRect(WindowRef window, TrayRect& rect) override;
    void DrawAnimatedRects(WindowRef window, const TrayRect& from, const TrayRect& to) override;
    bool MinimizeAnimationEnabled() override;
    WindowRef CreateHiddenOwner() override;
    void SetParent(WindowRef window, WindowRef parent) override;
    void SetVisibleStyle(WindowRef window, bool visible) override;
    void RedrawAll(WindowRef window) override;
    void SetActiveWindow(WindowRef window) override;
    void SetForegroundWindow(WindowRef window) override;

    WindowRef FindShellTrayWindow() override;
    void EnumDescendants(
        WindowRef window,
        const std::function<bool(const std::string& className, const TrayRect& rect)>& visit) override;
    bool TaskbarPosition(TaskbarEdge& edge, TrayRect& rect) override;
    TrayRect WorkArea() override;
};

} // namespace palisor::tray
