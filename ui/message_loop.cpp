#include "ui/message_loop.h"

#include "ui/window.h"

namespace ui {

bool PreTranslateThroughParents(MSG* msg) {
    for (HWND hwnd = msg->hwnd; hwnd != nullptr;) {
        CWnd* window = CWnd::FromHandle(hwnd);
        if (window != nullptr && window->PreTranslateMessage(msg))
            return true;
        // The walk ends at the top-level window; owners are not asked.
        if ((::GetWindowLongPtrA(hwnd, GWL_STYLE) & WS_CHILD) == 0)
            break;
        hwnd = ::GetParent(hwnd);
    }
    return false;
}

bool PumpOneMessage() {
    MSG msg;
    BOOL got = ::GetMessageA(&msg, nullptr, 0, 0);
    if (got == 0) {
        // Leave the quit request for the loop outside this one.
        ::PostQuitMessage(static_cast<int>(msg.wParam));
        return false;
    }
    if (got == -1)
        return false;
    if (!PreTranslateThroughParents(&msg)) {
        ::TranslateMessage(&msg);
        ::DispatchMessageA(&msg);
    }
    return true;
}

} // namespace ui
