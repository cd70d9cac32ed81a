#include "tray/system_tray.h"

#include "tray/tray_rect.h"
#include "tray/tray_window_moves.h"

using palisor::tray::TrayRect;
using palisor::tray::Win32TraySystem;
using palisor::tray::WindowRef;

HWND CSystemTray::hiddenOwner = nullptr;
const UINT CSystemTray::taskbarCreatedMessage = ::RegisterWindowMessageA("TaskbarCreated");

BEGIN_MESSAGE_TABLE(CSystemTray, CWnd)
ON_MESSAGE(CSystemTray::taskbarCreatedMessage, &CSystemTray::OnShellRestart)
ON_MESSAGE(WM_SETTINGCHANGE, &CSystemTray::OnSettingChange)
END_MESSAGE_TABLE()

CSystemTray::CSystemTray() : CSystemTray(Win32TraySystem::Instance()) {}

CSystemTray::CSystemTray(palisor::tray::TraySystem& system) : TrayIconCore(system) {}

CSystemTray::~CSystemTray() {
    DeleteTrayIcon();
    DestroyWindow();
    if (smallIcon)
        ::DestroyIcon(smallIcon);
}

namespace {

// The notification area shows icons at the small-icon size, which grows with the screen's DPI. An
// icon loaded from resources is drawn again from its resource at that size, so the shell does not
// shrink a large image; any other icon (or a failed copy) is handed over as it is.
HICON SmallIconFor(HICON icon) {
    if (!icon)
        return nullptr;
    const int width = ::GetSystemMetrics(SM_CXSMICON), height = ::GetSystemMetrics(SM_CYSMICON);
    if (width <= 0 || height <= 0)
        return nullptr;
    return static_cast<HICON>(::CopyImage(icon, IMAGE_ICON, width, height, LR_COPYFROMRESOURCE));
}

} // namespace

BOOL CSystemTray::CreateTrayIcon(CWnd* owner, UINT callbackMessage, LPCSTR tip, HICON icon, UINT id,
                                 BOOL hidden, LPCSTR, LPCSTR, DWORD, UINT) {
    HWND ownerWindow = owner ? owner->GetSafeHwnd() : nullptr;
    // The window that owns the icon is the program's main window; it takes the menu commands even
    // while it is hidden in the notification area and nothing on the thread is active.
    if (ownerWindow && !Win32TraySystem::NamedThreadMainWindow() &&
        ::GetWindowThreadProcessId(ownerWindow, nullptr) == ::GetCurrentThreadId()) {
        Win32TraySystem::SetThreadMainWindow(ownerWindow);
    }
    // A second creation replaces the icon of the first, whose small copy is then no longer shown.
    HICON previousSmall = smallIcon;
    smallIcon = SmallIconFor(icon);
    const bool created = TrayIconCore::CreateTrayIcon(ownerWindow, callbackMessage, tip,
                                                      smallIcon ? smallIcon : icon, id, hidden != FALSE);
    if (previousSmall)
        ::DestroyIcon(previousSmall);
    return created ? TRUE : FALSE;
}

BOOL CSystemTray::DeleteTrayIcon() {
    return TrayIconCore::DeleteTrayIcon() ? TRUE : FALSE;
}

WindowRef CSystemTray::CreateOwnWindow() {
    if (m_hWnd) {
        return m_hWnd;
    }
    const char* className = Win32TraySystem::PlainClassName();
    if (!className || !CreateEx(0, className, "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr)) {
        return nullptr;
    }
    return m_hWnd;
}

LRESULT CSystemTray::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (iconData.callbackMessage != 0 && message == iconData.callbackMessage) {
        return HandleTrayMessage(wParam, lParam);
    }
    return CWnd::WindowProc(message, wParam, lParam);
}

LRESULT CSystemTray::OnShellRestart(WPARAM, LPARAM) {
    return TrayIconCore::OnShellRestart();
}

LRESULT CSystemTray::OnSettingChange(WPARAM flag, LPARAM) {
    LRESULT result = Default();
    OnWorkAreaSetting(static_cast<std::uint32_t>(flag));
    return result;
}

void CSystemTray::HideToTray(HWND window, BOOL forceAnimation) {
    WindowRef owner = hiddenOwner;
    palisor::tray::HideToTray(Win32TraySystem::Instance(), owner, window, forceAnimation != FALSE);
    hiddenOwner = static_cast<HWND>(owner);
}

void CSystemTray::ShowFromTray(HWND window, BOOL forceAnimation) {
    palisor::tray::ShowFromTray(Win32TraySystem::Instance(), hiddenOwner, window, forceAnimation != FALSE);
}

RECT CSystemTray::FindTrayRect() {
    TrayRect r = palisor::tray::FindTrayRect(Win32TraySystem::Instance());
    return RECT{r.left, r.top, r.right, r.bottom};
}

BOOL CSystemTray::WindowAnimationEnabled() {
    return palisor::tray::WindowAnimationEnabled(Win32TraySystem::Instance()) ? TRUE : FALSE;
}

BOOL CSystemTray::DetachFromTaskbar(HWND window) {
    WindowRef owner = hiddenOwner;
    BOOL detached =
        palisor::tray::DetachFromTaskbar(Win32TraySystem::Instance(), owner, window) ? TRUE : FALSE;
    hiddenOwner = static_cast<HWND>(owner);
    return detached;
}
