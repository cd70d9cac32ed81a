// Keeps Escape from closing or hiding a dialog that has no usable Cancel button.
#pragma once

#include <windows.h>

namespace ui {

// True when the message is a key-down of Escape that the dialog must swallow: the dialog has no
// control with the Cancel command (IDCANCEL), or that control is enabled. The caller then reports
// the message as handled and does nothing else; otherwise it goes on with its usual pre-translation.
bool SwallowsEscape(HWND dialog, const MSG& msg);

} // namespace ui

// Gives a dialog class the Escape filter in its pre-translation:
//   class CPortDlg : public EscapeFiltered<CDialog> { ... };
template <typename Dialog> class EscapeFiltered : public Dialog {
public:
    using Dialog::Dialog;

    BOOL PreTranslateMessage(MSG* msg) override {
        if (::ui::SwallowsEscape(this->m_hWnd, *msg))
            return TRUE;
        return Dialog::PreTranslateMessage(msg);
    }
};
