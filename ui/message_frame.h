// The message each window procedure of the framework is handling now, innermost first, so that
// Default() knows what to pass on without touching the object once its handler has returned (a
// handler may have destroyed the window and, with it, the object).
#pragma once

#include <windows.h>

namespace ui::detail {

struct MessageFrame {
    HWND hwnd;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    bool defaultRequested; // a dialog's handler asked for the dialog manager's processing
    MessageFrame* outer;
};

MessageFrame*& CurrentFrame();

// Makes a frame current for its lifetime.
class FrameScope {
public:
    FrameScope(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
        : frame{hwnd, message, wParam, lParam, false, CurrentFrame()} {
        CurrentFrame() = &frame;
    }
    ~FrameScope() { CurrentFrame() = frame.outer; }
    FrameScope(const FrameScope&) = delete;
    FrameScope& operator=(const FrameScope&) = delete;

    MessageFrame frame;
};

// The innermost frame of this window, or null.
MessageFrame* FrameOf(HWND hwnd);

} // namespace ui::detail
