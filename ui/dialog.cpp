#include "ui/dialog.h"

#include "ui/data_exchange.h"
#include "ui/message_frame.h"
#include "ui/message_loop.h"

namespace {

bool IsTabKey(const MSG& msg) {
    return (msg.message == WM_KEYDOWN && msg.wParam == VK_TAB) ||
           (msg.message == WM_CHAR && msg.wParam == '\t');
}

// The dialog whose window is being created on this thread; messages that come before
// WM_INITDIALOG (WM_SETFONT, notifications of the controls) bind it.
thread_local CDialog* t_creatingDialog = nullptr;

} // namespace

BEGIN_MESSAGE_TABLE(CDialog, CWnd)
ON_MESSAGE(WM_INITDIALOG, &CDialog::HandleInitDialog)
ON_COMMAND(IDOK, &CDialog::HandleOk)
ON_COMMAND(IDCANCEL, &CDialog::HandleCancel)
END_MESSAGE_TABLE()

CDialog::CDialog(UINT templateId, CWnd* parent)
    : m_parent(parent), m_templateId(templateId), m_instance(::GetModuleHandleA(nullptr)) {}

CDialog::CDialog(const DLGTEMPLATE* templateData, CWnd* parent)
    : m_parent(parent), m_templateData(templateData), m_instance(::GetModuleHandleA(nullptr)) {}

bool CDialog::ReturnsResultDirectly(UINT message) {
    switch (message) {
    case WM_CHARTOITEM:
    case WM_COMPAREITEM:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
    case WM_INITDIALOG:
    case WM_QUERYDRAGICON:
    case WM_VKEYTOITEM:
        return true;
    default:
        return false;
    }
}

INT_PTR CALLBACK CDialog::StandardDialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    CDialog* dialog = static_cast<CDialog*>(CWnd::FromHandle(hwnd));
    if (dialog == nullptr) {
        dialog = message == WM_INITDIALOG ? reinterpret_cast<CDialog*>(lParam) : t_creatingDialog;
        if (dialog == nullptr || dialog->m_hWnd != nullptr)
            return FALSE;
        t_creatingDialog = nullptr;
        dialog->BindHandle(hwnd);
    }
    return dialog->DialogProcedure(message, wParam, lParam);
}

INT_PTR CDialog::DialogProcedure(UINT message, WPARAM wParam, LPARAM lParam) {
    HWND hwnd = m_hWnd;
    LRESULT result;
    bool declined;
    {
        ::ui::detail::FrameScope scope(hwnd, message, wParam, lParam);
        result = WindowProc(message, wParam, lParam);
        declined = scope.frame.defaultRequested;
    }
    if (message == WM_NCDESTROY) {
        // The dialog manager does the rest; the object may delete itself in PostNcDestroy.
        m_modalRunning = false;
        FinishDestroy();
        return FALSE;
    }
    // From here on only the handle is used: the handler may have destroyed the window and the object.
    if (declined)
        return message == WM_INITDIALOG ? TRUE : FALSE;
    if (ReturnsResultDirectly(message))
        return static_cast<INT_PTR>(result);
    ::SetWindowLongPtrA(hwnd, DWLP_MSGRESULT, static_cast<LONG_PTR>(result));
    return TRUE;
}

LRESULT CDialog::DefWindowProc(UINT, WPARAM, LPARAM) {
    // The dialog manager does the default processing once the dialog procedure returns FALSE.
    if (::ui::detail::MessageFrame* frame = ::ui::detail::FrameOf(m_hWnd))
        frame->defaultRequested = true;
    return 0;
}

BOOL CDialog::CreateFromTemplate(HWND parent) {
    if (m_hWnd != nullptr)
        return FALSE;
    CDialog* outer = t_creatingDialog;
    t_creatingDialog = this;
    HWND hwnd;
    if (m_templateData != nullptr)
        hwnd = ::CreateDialogIndirectParamA(m_instance, m_templateData, parent, &CDialog::StandardDialogProc,
                                            reinterpret_cast<LPARAM>(this));
    else
        hwnd = ::CreateDialogParamA(m_instance, MAKEINTRESOURCEA(m_templateId), parent,
                                    &CDialog::StandardDialogProc, reinterpret_cast<LPARAM>(this));
    t_creatingDialog = outer;
    if (hwnd == nullptr) {
        if (m_hWnd != nullptr)
            UnbindHandle();
        return FALSE;
    }
    // A child dialog's controls belong to the tab order of the dialog it sits in.
    if (::GetWindowLongPtrA(hwnd, GWL_STYLE) & WS_CHILD)
        ::SetWindowLongPtrA(hwnd, GWL_EXSTYLE, ::GetWindowLongPtrA(hwnd, GWL_EXSTYLE) | WS_EX_CONTROLPARENT);
    return TRUE;
}

BOOL CDialog::Create(CWnd* parent) {
    if (parent != nullptr)
        m_parent = parent;
    return CreateFromTemplate(m_parent ? m_parent->m_hWnd : nullptr);
}

BOOL CDialog::Create(UINT templateId, CWnd* parent) {
    m_templateId = templateId;
    m_templateData = nullptr;
    return Create(parent);
}

BOOL CDialog::CreateIndirect(const DLGTEMPLATE* templateData, CWnd* parent) {
    m_templateData = templateData;
    return Create(parent);
}

INT_PTR CDialog::DoModal() {
    // The owner is the first window up from the parent that is not a child window. A popup window
    // that was given a parent of its own (the main window in the notification area, placed under a
    // hidden helper) is still the owner, and is the window that must take no input.
    HWND owner = m_parent ? m_parent->m_hWnd : nullptr;
    while (owner != nullptr && (::GetWindowLongA(owner, GWL_STYLE) & (WS_CHILD | WS_POPUP)) == WS_CHILD) {
        HWND up = ::GetParent(owner);
        if (up == nullptr)
            break;
        owner = up;
    }
    // The owner is disabled before the dialog exists, so no input reaches it from the start.
    bool ownerDisabled = owner != nullptr && ::IsWindowEnabled(owner);
    if (ownerDisabled)
        ::EnableWindow(owner, FALSE);
    // The run counts from before creation, so that EndDialog in OnInitDialog ends it at once.
    m_modalResult = -1;
    m_modalRunning = true;
    if (!CreateFromTemplate(owner)) {
        m_modalRunning = false;
        if (ownerDisabled)
            ::EnableWindow(owner, TRUE);
        return -1;
    }
    if (m_modalRunning && m_hWnd != nullptr && !IsWindowVisible())
        ShowWindow(SW_SHOWNORMAL);
    ui::RunMessageLoop([this] { return m_modalRunning && m_hWnd != nullptr; });
    m_modalRunning = false;
    // The owner is enabled before the dialog goes, so that activation returns to it.
    if (ownerDisabled)
        ::EnableWindow(owner, TRUE);
    if (m_hWnd != nullptr) {
        ::SetWindowPos(m_hWnd, nullptr, 0, 0, 0, 0,
                       SWP_HIDEWINDOW | SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE | SWP_NOZORDER);
        DestroyWindow();
    }
    return m_modalResult;
}

void CDialog::EndDialog(int result) {
    if (m_modalRunning) {
        m_modalResult = result;
        m_modalRunning = false;
        // Wakes the loop should it be waiting for a message.
        if (m_hWnd != nullptr)
            PostMessage(WM_NULL);
    } else if (m_hWnd != nullptr) {
        ShowWindow(SW_HIDE);
    }
}

BOOL CDialog::UpdateData(BOOL saveAndValidate) {
    CDataExchange dx(this, saveAndValidate);
    DoDataExchange(&dx);
    return dx.Failed() ? FALSE : TRUE;
}

BOOL CDialog::PreTranslateMessage(MSG* msg) {
    if (m_hWnd == nullptr || msg->message < WM_KEYFIRST || msg->message > WM_KEYLAST)
        return FALSE;
    // Inside another dialog, Tab is left to that one: its tab order runs through this dialog's controls
    // and on to its own, where this dialog's would go round in circles.
    if (IsTabKey(*msg) && (GetStyle() & WS_CHILD) != 0 &&
        dynamic_cast<CDialog*>(CWnd::FromHandle(::GetParent(m_hWnd))) != nullptr)
        return FALSE;
    return ::IsDialogMessageA(m_hWnd, msg);
}

LRESULT CDialog::HandleInitDialog(WPARAM, LPARAM) {
    return OnInitDialog();
}

// Overrides call this first, so that the controls are bound and filled before they are used.
BOOL CDialog::OnInitDialog() {
    UpdateData(FALSE);
    return TRUE;
}

void CDialog::DoDataExchange(CDataExchange*) {}

void CDialog::OnOK() {
    if (!UpdateData(TRUE))
        return;
    EndDialog(IDOK);
}

void CDialog::OnCancel() {
    EndDialog(IDCANCEL);
}
