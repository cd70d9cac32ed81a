#include "tray/win32_tray_system.h"

#include <shellapi.h>

#include <cstring>

namespace palisor::tray {

static_assert(NOTIFYICONDATAA_V2_SIZE == kNotifyIconRecordSize,
              "the icon record's size must be the version-2 size of this build's layout");

namespace {

const char kPlainClassName[] = "PalisorTrayWindow";

thread_local HWND t_mainWindow = nullptr;

HWND H(WindowRef window) {
    return static_cast<HWND>(window);
}
HMENU M(MenuRef menu) {
    return static_cast<HMENU>(menu);
}

TrayRect FromRect(const RECT& r) {
    return TrayRect{r.left, r.top, r.right, r.bottom};
}
RECT ToRect(const TrayRect& r) {
    return RECT{r.left, r.top, r.right, r.bottom};
}

bool Notify(DWORD operation, const TrayIconRecord& record) {
    NOTIFYICONDATAA data;
    std::memset(&data, 0, sizeof data);
    data.cbSize = record.size;
    data.hWnd = H(record.window);
    data.uID = record.id;
    data.uFlags = record.flags;
    data.uCallbackMessage = record.callbackMessage;
    data.hIcon = static_cast<HICON>(record.icon);
    static_assert(sizeof data.szTip == sizeof record.tip, "the tip has the record's capacity");
    std::memcpy(data.szTip, record.tip, sizeof data.szTip);
    return ::Shell_NotifyIconA(operation, &data) != FALSE;
}

} // namespace

Win32TraySystem& Win32TraySystem::Instance() {
    static Win32TraySystem instance;
    return instance;
}

void Win32TraySystem::SetThreadMainWindow(HWND window) {
    t_mainWindow = window;
}

const char* Win32TraySystem::PlainClassName() {
    static const bool registered = [] {
        WNDCLASSA wc = {};
        wc.lpfnWndProc = ::DefWindowProcA;
        wc.hInstance = ::GetModuleHandleA(nullptr);
        wc.lpszClassName = kPlainClassName;
        return ::RegisterClassA(&wc) != 0 || ::GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
    }();
    return registered ? kPlainClassName : nullptr;
}

unsigned Win32TraySystem::MajorVersion() {
    return LOBYTE(LOWORD(::GetVersion()));
}

bool Win32TraySystem::AddIcon(const TrayIconRecord& record) {
    return Notify(NIM_ADD, record);
}

bool Win32TraySystem::DeleteIcon(const TrayIconRecord& record) {
    return Notify(NIM_DELETE, record);
}

MenuRef Win32TraySystem::LoadMenuResource(std::uint32_t id) {
    return ::LoadMenuA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(id));
}

MenuRef Win32TraySystem::SubMenu(MenuRef menu, int position) {
    return ::GetSubMenu(M(menu), position);
}

void Win32TraySystem::SetMenuDefault(MenuRef menu, std::uint32_t item, bool byPosition) {
    ::SetMenuDefaultItem(M(menu), item, byPosition ? TRUE : FALSE);
}

std::uint32_t Win32TraySystem::MenuItemId(MenuRef menu, int position) {
    return ::GetMenuItemID(M(menu), position);
}

void Win32TraySystem::DestroyMenu(MenuRef menu) {
    ::DestroyMenu(M(menu));
}

TrayPoint Win32TraySystem::CursorPos() {
    POINT point = {0, 0};
    ::GetCursorPos(&point);
    return TrayPoint{point.x, point.y};
}

void Win32TraySystem::TrackPopupMenu(MenuRef menu, TrayPoint at, WindowRef owner) {
    ::TrackPopupMenu(M(menu), 0, at.x, at.y, 0, H(owner), nullptr);
}

void Win32TraySystem::PostMessage(WindowRef window, std::uint32_t message, std::uintptr_t wParam,
                                  std::intptr_t lParam) {
    ::PostMessageA(H(window), message, static_cast<WPARAM>(wParam), static_cast<LPARAM>(lParam));
}

HWND Win32TraySystem::NamedThreadMainWindow() {
    return t_mainWindow && ::IsWindow(t_mainWindow) ? t_mainWindow : nullptr;
}

WindowRef Win32TraySystem::ThreadMainWindow() {
    if (HWND named = NamedThreadMainWindow()) {
        return named;
    }
    // Without a named main window, the top-level window the user works in on this thread.
    HWND active = ::GetActiveWindow();
    return active ? ::GetAncestor(active, GA_ROOT) : nullptr;
}

bool Win32TraySystem::WindowRect(WindowRef window, TrayRect& rect) {
    RECT r = {0, 0, 0, 0};
    bool ok = ::GetWindowRect(H(window), &r) != FALSE;
    rect = FromRect(r);
    return ok;
}

void Win32TraySystem::DrawAnimatedRects(WindowRef window, const TrayRect& from, const TrayRect& to) {
    RECT a = ToRect(from);
    RECT b = ToRect(to);
    ::DrawAnimatedRects(H(window), IDANI_CAPTION, &a, &b);
}

bool Win32TraySystem::MinimizeAnimationEnabled() {
    ANIMATIONINFO info;
    info.cbSize = sizeof info;
    info.iMinAnimate = 0;
    // A refused query counts as no animation rather than reading an unset member.
    if (!::SystemParametersInfoA(SPI_GETANIMATION, sizeof info, &info, 0)) {
        return false;
    }
    return info.iMinAnimate != 0;
}

WindowRef Win32TraySystem::CreateHiddenOwner() {
    const char* className = PlainClassName();
    if (!className) {
        return nullptr;
    }
    return ::CreateWindowExA(0, className, "", WS_POPUP, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                             CW_USEDEFAULT, nullptr, nullptr, ::GetModuleHandleA(nullptr), nullptr);
}

void Win32TraySystem::SetParent(WindowRef window, WindowRef parent) {
    ::SetParent(H(window), H(parent));
}

void Win32TraySystem::SetVisibleStyle(WindowRef window, bool visible) {
    LONG_PTR style = ::GetWindowLongPtrA(H(window), GWL_STYLE);
    LONG_PTR changed = visible ? (style | WS_VISIBLE) : (style & ~static_cast<LONG_PTR>(WS_VISIBLE));
    if (changed != style) {
        ::SetWindowLongPtrA(H(window), GWL_STYLE, changed);
    }
}

void Win32TraySystem::RedrawAll(WindowRef window) {
    ::RedrawWindow(H(window), nullptr, nullptr,
                   RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW | RDW_FRAME);
}

void Win32TraySystem::SetActiveWindow(WindowRef window) {
    ::SetActiveWindow(H(window));
}

void Win32TraySystem::SetForegroundWindow(WindowRef window) {
    ::SetForegroundWindow(H(window));
}

WindowRef Win32TraySystem::FindShellTrayWindow() {
    return ::FindWindowA("Shell_TrayWnd", nullptr);
}

void Win32TraySystem::EnumDescendants(
    WindowRef window, const std::function<bool(const std::string& className, const TrayRect& rect)>& visit) {
    struct Walk {
        const std::function<bool(const std::string&, const TrayRect&)>* visit;
        static BOOL CALLBACK Child(HWND child, LPARAM param) {
            Walk* walk = reinterpret_cast<Walk*>(param);
            char name[256] = {};
            ::GetClassNameA(child, name, sizeof name);
            RECT r = {0, 0, 0, 0};
            ::GetWindowRect(child, &r);
            return (*walk->visit)(name, FromRect(r)) ? TRUE : FALSE;
        }
    } walk{&visit};
    ::EnumChildWindows(H(window), &Walk::Child, reinterpret_cast<LPARAM>(&walk));
}

bool Win32TraySystem::TaskbarPosition(TaskbarEdge& edge, TrayRect& rect) {
    APPBARDATA data;
    std::memset(&data, 0, sizeof data);
    data.cbSize = sizeof data;
    if (!::SHAppBarMessage(ABM_GETTASKBARPOS, &data)) {
        return false;
    }
    edge = static_cast<TaskbarEdge>(data.uEdge);
    rect = FromRect(data.rc);
    return true;
}

TrayRect Win32TraySystem::WorkArea() {
    RECT r = {0, 0, 0, 0};
    ::SystemParametersInfoA(SPI_GETWORKAREA, 0, &r, 0);
    return FromRect(r);
}

} // namespace palisor::tray
