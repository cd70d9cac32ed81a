#include "tray/tray_window_moves.h"

#include "tray/tray_rect.h"

namespace palisor::tray {

bool DetachFromTaskbar(TraySystem& system, WindowRef& hiddenOwner, WindowRef window) {
    if (!hiddenOwner) {
        hiddenOwner = system.CreateHiddenOwner();
        if (!hiddenOwner) {
            return false;
        }
    }
    system.SetParent(window, hiddenOwner);
    return true;
}

void HideToTray(TraySystem& system, WindowRef& hiddenOwner, WindowRef window, bool forceAnimation) {
    if (forceAnimation || WindowAnimationEnabled(system)) {
        TrayRect from;
        system.WindowRect(window, from);
        TrayRect to = FindTrayRect(system);
        system.DrawAnimatedRects(window, from, to);
    }
    DetachFromTaskbar(system, hiddenOwner, window);
    system.SetVisibleStyle(window, false);
}

void ShowFromTray(TraySystem& system, WindowRef hiddenOwner, WindowRef window, bool forceAnimation) {
    if (forceAnimation || WindowAnimationEnabled(system)) {
        TrayRect to;
        system.WindowRect(window, to);
        TrayRect from = FindTrayRect(system);
        system.SetParent(window, nullptr);
        system.DrawAnimatedRects(window, from, to);
    } else {
        system.SetParent(window, nullptr);
    }
    system.SetVisibleStyle(window, true);
    system.RedrawAll(window);
    if (hiddenOwner) {
        system.SetActiveWindow(hiddenOwner);
    }
    system.SetActiveWindow(window);
    system.SetForegroundWindow(window);
}

} // namespace palisor::tray
