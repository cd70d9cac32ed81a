#include "tray/tray_rect.h"

namespace palisor::tray {

namespace {

// How far the clock's bottom may sit above the area's bottom and still count as beside the icons.
constexpr int kClockAboveSlack = 5;
// Size of the guessed area at the taskbar's far end, and its gap to that end.
constexpr int kGuessLength = 100;
constexpr int kGuessGap = 16;
// Size of the corner of the work area used when nothing else is known.
constexpr int kCornerWidth = 150;
constexpr int kCornerHeight = 30;

} // namespace

TrayRect FindTrayRect(TraySystem& system) {
    TrayRect result;
    if (WindowRef tray = system.FindShellTrayWindow()) {
        system.WindowRect(tray, result);
        system.EnumDescendants(tray, [&result](const std::string& className, const TrayRect& rect) {
            if (className == "TrayNotifyWnd") {
                result = rect;
                return true;
            }
            if (className == "TrayClockWClass") {
                if (rect.bottom < result.bottom - kClockAboveSlack) {
                    result.top = rect.bottom; // a tall taskbar: the clock sits above the icons
                } else {
                    result.right = rect.left; // the clock sits right of the icons
                }
                return false;
            }
            return true;
        });
        return result;
    }

    TaskbarEdge edge = TaskbarEdge::Bottom;
    TrayRect bar;
    if (system.TaskbarPosition(edge, bar)) {
        if (edge == TaskbarEdge::Left || edge == TaskbarEdge::Right) {
            return TrayRect{bar.left, bar.bottom - kGuessLength, bar.right, bar.bottom - kGuessGap};
        }
        return TrayRect{bar.right - kGuessLength, bar.top, bar.right - kGuessGap, bar.bottom};
    }

    result = system.WorkArea();
    result.left = result.right - kCornerWidth;
    result.top = result.bottom - kCornerHeight;
    return result;
}

bool WindowAnimationEnabled(TraySystem& system) {
    return system.MinimizeAnimationEnabled();
}

} // namespace palisor::tray
