// The seam between the icon's logic and the platform: the shell's notification area, menus,
// and the few window operations that hiding into the notification area needs. The Win32
// implementation calls the platform; tests record the calls and script the answers.
#pragma once

#include "tray/tray_types.h"

#include <cstdint>
#include <functional>
#include <string>

namespace palisor::tray {

class TraySystem {
public:
    virtual ~TraySystem() = default;

    // --- shell ---
    // Major version of the operating system (the low byte of the version word).
    virtual unsigned MajorVersion() = 0;
    virtual bool AddIcon(const TrayIconRecord& record) = 0;
    virtual bool DeleteIcon(const TrayIconRecord& record) = 0;

    // --- menus and messages ---
    virtual MenuRef LoadMenuResource(std::uint32_t id) = 0;
    virtual MenuRef SubMenu(MenuRef menu, int position) = 0;
    virtual void SetMenuDefault(MenuRef menu, std::uint32_t item, bool byPosition) = 0;
    // Identifier of the item at a position; a sub-menu or a missing item gives 0xFFFFFFFF.
    virtual std::uint32_t MenuItemId(MenuRef menu, int position) = 0;
    virtual void DestroyMenu(MenuRef menu) = 0;
    virtual TrayPoint CursorPos() = 0;
    // Shows the menu at the point and returns once it is closed; the chosen command goes to owner.
    virtual void TrackPopupMenu(MenuRef menu, TrayPoint at, WindowRef owner) = 0;
    virtual void PostMessage(WindowRef window, std::uint32_t message, std::uintptr_t wParam,
                             std::intptr_t lParam) = 0;
    // The main window of the current user-interface thread, or none.
    virtual WindowRef ThreadMainWindow() = 0;

    // --- windows ---
    virtual bool WindowRect(WindowRef window, TrayRect& rect) = 0;
    virtual void DrawAnimatedRects(WindowRef window, const TrayRect& from, const TrayRect& to) = 0;
    virtual bool MinimizeAnimationEnabled() = 0;
    // Creates the invisible popup that takes windows off the taskbar; none on failure.
    virtual WindowRef CreateHiddenOwner() = 0;
    // Makes parent (none: the desktop) the window's parent.
    virtual void SetParent(WindowRef window, WindowRef parent) = 0;
    // Sets or clears the visible style bit without moving or redrawing the window.
    virtual void SetVisibleStyle(WindowRef window, bool visible) = 0;
    virtual void RedrawAll(WindowRef window) = 0;
    virtual void SetActiveWindow(WindowRef window) = 0;
    virtual void SetForegroundWindow(WindowRef window) = 0;

    // --- where the notification area is ---
    // The shell's taskbar window; none when there is no such window.
    virtual WindowRef FindShellTrayWindow() = 0;
    // Walks the descendants of window in the platform's order until visit returns false.
    virtual void
    EnumDescendants(WindowRef window,
                    const std::function<bool(const std::string& className, const TrayRect& rect)>& visit) = 0;
    // The shell's answer about the taskbar's edge and rectangle; false when it does not answer.
    virtual bool TaskbarPosition(TaskbarEdge& edge, TrayRect& rect) = 0;
    virtual TrayRect WorkArea() = 0;
};

} // namespace palisor::tray
