#include "ui/escape_filter.h"

namespace ui {

bool SwallowsEscape(HWND dialog, const MSG& msg) {
    if (msg.message != WM_KEYDOWN || msg.wParam != VK_ESCAPE)
        return false;
    HWND cancel = ::GetDlgItem(dialog, IDCANCEL);
    return cancel == nullptr || ::IsWindowEnabled(cancel);
}

} // namespace ui
