#include "tests/windows/pages/page_fixture.h"

#include "pages/port_dlg.h"
#include "pages/program_dlg.h"
#include "ui/message_loop.h"

namespace pages_test {

TestMainWindow::TestMainWindow() {
    CreateEx(0, nullptr, "Pages", WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_VISIBLE, 20, 20, 640, 420, nullptr,
             nullptr);
}

TestMainWindow::~TestMainWindow() {
    firewall.CloseFirewallProfile();
    if (m_hWnd != nullptr)
        DestroyWindow();
}

bool TestMainWindow::Open() {
    return firewall.OpenFirewallProfile() == FW_ERROR_NONE;
}

void TestMainWindow::AddPortRow(const char* name, const char* protocolText, const char* portText,
                                int enabled) {
    if (ports != nullptr)
        ports->AddRow(name, protocolText, portText, enabled);
}

void TestMainWindow::AddProgramRow(const char* name, const char* path, int enabled,
                                   const OLECHAR* firewallPath) {
    if (programs != nullptr)
        programs->AddRow(name, path, enabled, firewallPath);
}

void PumpMessages(int milliseconds) {
    DWORD end = ::GetTickCount() + static_cast<DWORD>(milliseconds);
    do {
        MSG msg;
        while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (!ui::PreTranslateThroughParents(&msg)) {
                ::TranslateMessage(&msg);
                ::DispatchMessageA(&msg);
            }
        }
        ::Sleep(2);
    } while (static_cast<LONG>(end - ::GetTickCount()) > 0);
}

void ClickAt(HWND window, POINT point) {
    LPARAM at = MAKELPARAM(point.x, point.y);
    ::PostMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON, at);
    ::PostMessageA(window, WM_LBUTTONUP, 0, at);
    PumpMessages(60);
}

void ClickCell(HWND list, int row, int column) {
    RECT cell = {};
    cell.top = column;
    cell.left = LVIR_BOUNDS;
    ::SendMessageA(list, LVM_GETSUBITEMRECT, row, reinterpret_cast<LPARAM>(&cell));
    // Column 0's bounds span the whole row; its own width ends where column 1 starts.
    if (column == 0)
        cell.right = cell.left + static_cast<int>(::SendMessageA(list, LVM_GETCOLUMNWIDTH, 0, 0));
    ClickAt(list, {(cell.left + cell.right) / 2, (cell.top + cell.bottom) / 2});
}

void ClickHeaderItem(HWND list, int column) {
    HWND header = reinterpret_cast<HWND>(::SendMessageA(list, LVM_GETHEADER, 0, 0));
    RECT item = {};
    ::SendMessageA(header, HDM_GETITEMRECT, column, reinterpret_cast<LPARAM>(&item));
    ClickAt(header, {(item.left + item.right) / 2, (item.top + item.bottom) / 2});
}

void PressSpaceOnRow(HWND list, int row) {
    HoldSpaceOnRow(list, row, 0);
}

void HoldSpaceOnRow(HWND list, int row, int repeats) {
    LVITEMA state = {};
    state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    state.state = LVIS_SELECTED | LVIS_FOCUSED;
    ::SendMessageA(list, LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&state));
    ::SetFocus(list);
    ::PostMessageA(list, WM_KEYDOWN, VK_SPACE, 0x00390001);
    // A repeated key-down says, in bit 30, that the key was down already.
    for (int repeat = 0; repeat < repeats; ++repeat)
        ::PostMessageA(list, WM_KEYDOWN, VK_SPACE, 0x40390001);
    ::PostMessageA(list, WM_KEYUP, VK_SPACE, 0xC0390001);
    PumpMessages(60);
}

std::string ItemText(HWND list, int row, int column) {
    char text[512] = {};
    LVITEMA item = {};
    item.iSubItem = column;
    item.pszText = text;
    item.cchTextMax = sizeof text;
    ::SendMessageA(list, LVM_GETITEMTEXTA, row, reinterpret_cast<LPARAM>(&item));
    return text;
}

namespace {

struct OwnedSearch {
    HWND owner;
    const char* caption; // null: any
    HWND found;
};

BOOL CALLBACK FindOwnedDialog(HWND window, LPARAM param) {
    auto* search = reinterpret_cast<OwnedSearch*>(param);
    char className[32] = {};
    ::GetClassNameA(window, className, sizeof className);
    if (std::string(className) != "#32770" || ::GetWindow(window, GW_OWNER) != search->owner ||
        !::IsWindowVisible(window))
        return TRUE;
    if (search->caption != nullptr) {
        char caption[256] = {};
        ::GetWindowTextA(window, caption, sizeof caption);
        if (std::string(caption) != search->caption)
            return TRUE;
    }
    search->found = window;
    return FALSE;
}

HWND WaitForOwnedDialog(HWND owner, const char* caption, int milliseconds) {
    DWORD thread = ::GetWindowThreadProcessId(owner, nullptr);
    for (int waited = 0; waited <= milliseconds; waited += 20) {
        OwnedSearch search = {owner, caption, nullptr};
        ::EnumThreadWindows(thread, &FindOwnedDialog, reinterpret_cast<LPARAM>(&search));
        if (search.found != nullptr)
            return search.found;
        ::Sleep(20);
    }
    return nullptr;
}

} // namespace

Pending<SeenBox> AnswerNextMessageBox(HWND owner, int milliseconds) {
    return Pending<SeenBox>([owner, milliseconds] {
        SeenBox seen;
        HWND box = WaitForOwnedDialog(owner, nullptr, milliseconds);
        if (box == nullptr)
            return seen;
        seen.found = true;
        char text[512] = {};
        ::GetWindowTextA(box, text, sizeof text);
        seen.caption = text;
        // The message box's text is its static control 0xFFFF.
        text[0] = '\0';
        ::GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
        seen.text = text;
        ::PostMessageA(box, WM_COMMAND, IDOK, 0);
        return seen;
    });
}

Pending<bool> WithNextDialog(HWND owner, const char* caption, void (*action)(HWND, const std::string&),
                             std::string arg, int milliseconds) {
    std::string wanted = caption;
    return Pending<bool>([owner, wanted, action, arg, milliseconds] {
        HWND dialog = WaitForOwnedDialog(owner, wanted.c_str(), milliseconds);
        if (dialog == nullptr)
            return false;
        action(dialog, arg);
        return true;
    });
}

std::basic_string<OLECHAR> Ole(const char* text) {
    std::basic_string<OLECHAR> wide;
    for (; *text != '\0'; ++text)
        wide.push_back(static_cast<OLECHAR>(static_cast<unsigned char>(*text)));
    return wide;
}

} // namespace pages_test
