#include "tray/tray_icon_core.h"

#include <cstring>

namespace palisor::tray {

int TrayIconCore::tipLimit = 0;

bool TrayIconCore::CreateTrayIcon(WindowRef owner, std::uint32_t callbackMessage, const char* tip,
                                  IconRef icon, std::uint32_t id, bool hidden) {
    trayAvailable = system_.MajorVersion() >= 4;
    if (!trayAvailable) {
        return false;
    }
    tipLimit = kTipCapacity;

    // Creating again replaces the icon: one already in the shell would otherwise stay there,
    // since the second add of the same id fails and the icon would then count as removed.
    if (!iconRemoved) {
        DeleteTrayIcon();
    }

    WindowRef own = CreateOwnWindow();
    WindowRef recordWindow = owner ? owner : own;
    if (!recordWindow) {
        return false;
    }

    iconData = TrayIconRecord{};
    iconData.size = kNotifyIconRecordSize;
    iconData.window = recordWindow;
    iconData.id = id;
    iconData.icon = icon;
    iconData.flags = kNifMessage | kNifIcon | kNifTip;
    iconData.callbackMessage = callbackMessage;
    if (tip) {
        // Cut to the capacity; the record was cleared, so the tip stays terminated.
        std::size_t length = strnlen(tip, static_cast<std::size_t>(tipLimit - 1));
        std::memcpy(iconData.tip, tip, length);
    }

    iconHidden = hidden;
    creationFlags = iconData.flags;
    if (hidden) {
        return true;
    }

    bool added = system_.AddIcon(iconData);
    iconRemoved = iconHidden = readdPending = !added;
    return added;
}

bool TrayIconCore::DeleteTrayIcon() {
    readdPending = false;
    if (!trayAvailable || iconRemoved) {
        return true;
    }
    iconData.flags = 0;
    if (system_.DeleteIcon(iconData)) {
        iconHidden = true;
        iconRemoved = true;
    }
    return iconRemoved;
}

void TrayIconCore::ReAddTrayIcon() {
    if (!readdPending || iconHidden) {
        return;
    }
    iconData.flags = creationFlags;
    bool added = system_.AddIcon(iconData);
    iconHidden = readdPending = !added;
}

std::intptr_t TrayIconCore::OnShellRestart() {
    readdPending = true;
    ReAddTrayIcon();
    return 0;
}

void TrayIconCore::OnWorkAreaSetting(std::uint32_t flag) {
    if (flag != kSpiSetWorkArea) {
        return;
    }
    readdPending = !iconHidden;
    ReAddTrayIcon();
}

int TrayIconCore::HandleTrayMessage(std::uintptr_t id, std::intptr_t event) {
    if (id != iconData.id) {
        return 0;
    }
    WindowRef target = MenuTargetWindow();
    if (!target) {
        return 0;
    }
    switch (static_cast<std::uint32_t>(event) & 0xFFFFu) {
    case kMsgRButtonUp: {
        MenuRef menu = system_.LoadMenuResource(iconData.id);
        if (!menu) {
            return 0;
        }
        MenuRef popup = system_.SubMenu(menu, 0);
        if (!popup) {
            system_.DestroyMenu(menu);
            return 0;
        }
        system_.SetMenuDefault(popup, defaultItem, defaultByPosition);
        PrepareMenu(popup);
        TrayPoint at = system_.CursorPos();
        // The menu only closes on a click elsewhere when its owner is in the foreground, and
        // the message posted after it lets it close on the first click.
        system_.SetForegroundWindow(target);
        system_.TrackPopupMenu(popup, at, target);
        system_.PostMessage(target, kMsgNull, 0, 0);
        system_.DestroyMenu(menu);
        break;
    }
    case kMsgLButtonDblClk:
        if (!PostDefaultCommand(target)) {
            return 0;
        }
        break;
    default:
        break;
    }
    return 1;
}

bool TrayIconCore::PostDefaultCommand(WindowRef target) {
    system_.SetForegroundWindow(target);
    std::uint32_t command = defaultItem;
    if (defaultByPosition) {
        MenuRef menu = system_.LoadMenuResource(iconData.id);
        if (!menu) {
            return false;
        }
        MenuRef popup = system_.SubMenu(menu, 0);
        if (!popup) {
            system_.DestroyMenu(menu);
            return false;
        }
        command = system_.MenuItemId(popup, static_cast<int>(defaultItem));
        system_.DestroyMenu(menu);
    }
    system_.PostMessage(target, kMsgCommand, command, 0);
    return true;
}

void TrayIconCore::PrepareMenu(MenuRef) {}

WindowRef TrayIconCore::MenuTargetWindow() {
    return menuTarget ? menuTarget : system_.ThreadMainWindow();
}

} // namespace palisor::tray
