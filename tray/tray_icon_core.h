// The notification-area icon without its window: the record handed to the shell, the flags that
// track whether the icon is shown, removed or waiting to be added again, and the mouse handling
// on the icon. The shell and menus are reached through a TraySystem.
#pragma once

#include "tray/tray_system.h"
#include "tray/tray_types.h"

#include <cstdint>

namespace palisor::tray {

class TrayIconCore {
public:
    explicit TrayIconCore(TraySystem& system) : system_(system) {}
    virtual ~TrayIconCore() = default;
    TrayIconCore(const TrayIconCore&) = delete;
    TrayIconCore& operator=(const TrayIconCore&) = delete;

    // Adds the icon with its tip and callback message, unless created hidden. The record names
    // owner when it is given, else the object's own window. False when the system has no
    // notification area, when there is no window to name, or when the shell refuses the icon.
    bool CreateTrayIcon(WindowRef owner, std::uint32_t callbackMessage, const char* tip, IconRef icon,
                        std::uint32_t id, bool hidden);
    bool DeleteTrayIcon();
    void ReAddTrayIcon();
    // The shell announced a new taskbar.
    std::intptr_t OnShellRestart();
    // A system setting changed; only a work-area change matters to the icon.
    void OnWorkAreaSetting(std::uint32_t flag);

    // Answers the icon's callback: 0 when it is not this icon's or nothing can take the command.
    virtual int HandleTrayMessage(std::uintptr_t id, std::intptr_t event);
    // Called with the popup menu just before it is shown.
    virtual void PrepareMenu(MenuRef menu);
    WindowRef MenuTargetWindow();

    static int tipLimit;

    TrayIconRecord iconData;
    bool trayAvailable = false;
    bool iconHidden = true;
    bool iconRemoved = true;
    bool readdPending = false;
    std::uint32_t creationFlags = 0;
    std::uint32_t defaultItem = 0;
    bool defaultByPosition = false;
    WindowRef menuTarget = nullptr;

protected:
    // Creates (or returns the already created) window of the object itself, which receives the
    // shell's broadcasts; none on failure.
    virtual WindowRef CreateOwnWindow() = 0;
    TraySystem& system() { return system_; }

private:
    bool PostDefaultCommand(WindowRef target);

    TraySystem& system_;
};

} // namespace palisor::tray
