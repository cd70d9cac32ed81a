#include "pages/exception_page_win32.h"

#include <commctrl.h>

#include "res/resource.h"

namespace exception_page {

FirewallAccess* FindFirewall(HWND page) {
    if (page == nullptr)
        return nullptr;
    HWND root = ::GetAncestor(page, GA_ROOT);
    if (root == nullptr || root == page)
        return nullptr;
    auto* host = dynamic_cast<FirewallPagesHost*>(CWnd::FromHandle(root));
    return host != nullptr ? &host->PagesFirewall() : nullptr;
}

std::string ApplicationTitle() {
    char title[256] = {};
    if (::LoadStringA(::GetModuleHandleA(nullptr), IDS_APP_TITLE, title, sizeof title) > 0)
        return title;
    return "Palisor";
}

void ShowMessage(HWND page, const char* text) {
    HWND owner = page != nullptr ? ::GetAncestor(page, GA_ROOT) : nullptr;
    ::MessageBoxA(owner, text, ApplicationTitle().c_str(), MB_OK);
}

void ShowRefusal(HWND page, page_rules::Refused what, FW_ERROR_CODE code, HRESULT cause) {
    ShowMessage(page, page_rules::RefusalMessage(what, code, static_cast<std::int32_t>(cause)).c_str());
}

int SelectedRow(const CXListCtrl& list) {
    if (list.m_hWnd == nullptr)
        return -1;
    return static_cast<int>(
        ::SendMessageA(list.m_hWnd, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
}

bool IsSpaceKey(const NMHDR* header) {
    return header != nullptr && header->code == LVN_KEYDOWN &&
           reinterpret_cast<const NMLVKEYDOWN*>(header)->wVKey == VK_SPACE;
}

bool IsHeldSpaceRepeat(const CXListCtrl& list, const MSG& msg) {
    // Bit 30 of a key-down's lParam: the key was already down before this message.
    return msg.message == WM_KEYDOWN && msg.wParam == VK_SPACE && list.m_hWnd != nullptr &&
           msg.hwnd == list.m_hWnd && (msg.lParam & (1L << 30)) != 0;
}

std::basic_string<OLECHAR> ToOleText(const std::string& text) {
    if (text.empty())
        return std::basic_string<OLECHAR>();
    int length = ::MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    if (length <= 0)
        return std::basic_string<OLECHAR>();
    std::basic_string<OLECHAR> wide(static_cast<std::size_t>(length), OLECHAR(0));
    ::MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), &wide[0], length);
    return wide;
}

void SetUpCheckHeader(CXListCtrl& list) {
    list.SetExtendedStyle(list.GetExtendedStyle() | LVS_EX_FULLROWSELECT);
    list.ModifyStyle(0, LVS_REPORT);
    list.LoadCheckImages(
        {{16, IDB_CHECK_BOXES}, {20, IDB_CHECK_BOXES_20}, {24, IDB_CHECK_BOXES_24}, {32, IDB_CHECK_BOXES_32}},
        RGB(255, 0, 255));
    HWND header = list.GetHeaderCtrl();
    ::SendMessageA(header, HDM_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(list.checkImages.GetSafeHandle()));
    int columns = static_cast<int>(::SendMessageA(header, HDM_GETITEMCOUNT, 0, 0));
    for (int column = 0; column < columns; ++column) {
        HDITEMA item = {};
        item.mask = HDI_FORMAT;
        ::SendMessageA(header, HDM_GETITEMA, column, reinterpret_cast<LPARAM>(&item));
        item.mask = HDI_FORMAT | HDI_IMAGE;
        item.fmt |= HDF_IMAGE;
        item.iImage = column == 0 ? 1 : 0;
        ::SendMessageA(header, HDM_SETITEMA, column, reinterpret_cast<LPARAM>(&item));
    }
}

int ListWidth(const CXListCtrl& list) {
    RECT rect = {};
    list.GetWindowRect(&rect);
    return rect.right - rect.left;
}

std::vector<int> EnableColumnStates(const CXListCtrl& list) {
    std::vector<int> states;
    int rows = list.GetItemCount();
    states.reserve(static_cast<std::size_t>(rows));
    for (int row = 0; row < rows; ++row)
        states.push_back(list.GetCellCheck(row, 0));
    return states;
}

void HeaderClickTracker::Notice(const CXListCtrl& list, UINT message, LPARAM lParam) {
    if (message != WM_NOTIFY || list.m_hWnd == nullptr)
        return;
    const auto* header = reinterpret_cast<const NMHDR*>(lParam);
    if (header->hwndFrom == list.m_hWnd && header->code == LVN_COLUMNCLICK &&
        reinterpret_cast<const NMLISTVIEW*>(lParam)->iSubItem == 0) {
        before_ = EnableColumnStates(list);
        seen_ = true;
    }
}

bool HeaderClickTracker::TakeChanges(const CXListCtrl& list, const NMHDR* header,
                                     std::vector<page_rules::BoxChange>& changes) {
    const auto* click = reinterpret_cast<const NMLISTVIEW*>(header);
    if (click->iSubItem != 0 || !seen_)
        return false;
    seen_ = false;
    changes = page_rules::ChangedBoxes(before_, EnableColumnStates(list));
    before_.clear();
    return true;
}

void ClearRows(CXListCtrl& list) {
    list.DeleteAllItems();
    // An empty list's header shows the clear box; the rows added next tick it when all are ticked.
    if (list.GetHeaderCheck(0) > 0)
        list.SetHeaderCheck(0, 1);
}

} // namespace exception_page
