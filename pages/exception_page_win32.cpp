#include "pages/exception_page_win32.h"

#include <commctrl.h>

#include <algorithm>

#include "res/resource.h"

namespace exception_page {

namespace {

struct PlacedChild {
    HWND window;
    RECT rect; // in the page's client coordinates
};

bool HasClass(HWND window, const char* name) {
    char className[32] = {};
    ::GetClassNameA(window, className, sizeof className);
    return ::lstrcmpiA(className, name) == 0;
}

bool IsRightAlignedLabel(HWND window) {
    return HasClass(window, "Static") &&
           (static_cast<DWORD>(::GetWindowLongA(window, GWL_STYLE)) & SS_TYPEMASK) == SS_RIGHT;
}

// The width of the label's caption drawn on one line in the label's font; 0 for no caption.
int OneLineCaptionWidth(HWND label) {
    const int length = ::GetWindowTextLengthA(label);
    if (length <= 0)
        return 0;
    std::string text(static_cast<std::size_t>(length) + 1, '\0');
    const int copied = ::GetWindowTextA(label, &text[0], length + 1);
    if (copied <= 0)
        return 0;
    HDC dc = ::GetDC(label);
    if (dc == nullptr)
        return 0;
    HFONT font = reinterpret_cast<HFONT>(::SendMessageA(label, WM_GETFONT, 0, 0));
    HGDIOBJ previous = font != nullptr ? ::SelectObject(dc, font) : nullptr;
    const DWORD style = static_cast<DWORD>(::GetWindowLongA(label, GWL_STYLE));
    RECT need = {0, 0, 0, 0};
    ::DrawTextA(dc, text.c_str(), copied, &need,
                DT_CALCRECT | DT_SINGLELINE | DT_EXPANDTABS | ((style & SS_NOPREFIX) != 0 ? DT_NOPREFIX : 0));
    if (previous != nullptr)
        ::SelectObject(dc, previous);
    ::ReleaseDC(label, dc);
    return need.right - need.left;
}

// The edit box to the right of the label that shares the most of its height; -1 when none does.
int EditBeside(const RECT& label, const std::vector<PlacedChild>& edits) {
    int best = -1, bestShared = 0;
    for (std::size_t i = 0; i < edits.size(); ++i) {
        const RECT& edit = edits[i].rect;
        const int shared = std::min(label.bottom, edit.bottom) - std::max(label.top, edit.top);
        if (edit.left <= label.left || shared <= bestShared)
            continue;
        best = static_cast<int>(i);
        bestShared = shared;
    }
    return best;
}

void Place(const PlacedChild& child) {
    const RECT& r = child.rect;
    ::SetWindowPos(child.window, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top,
                   SWP_NOZORDER | SWP_NOACTIVATE);
}

} // namespace

void FitLabelColumns(HWND page) {
    if (page == nullptr)
        return;
    std::vector<PlacedChild> labels, edits;
    for (HWND child = ::GetWindow(page, GW_CHILD); child != nullptr;
         child = ::GetWindow(child, GW_HWNDNEXT)) {
        PlacedChild placed = {child, {}};
        ::GetWindowRect(child, &placed.rect);
        ::MapWindowPoints(nullptr, page, reinterpret_cast<POINT*>(&placed.rect), 2);
        if (IsRightAlignedLabel(child))
            labels.push_back(placed);
        else if (HasClass(child, "Edit"))
            edits.push_back(placed);
    }
    // Each label with the edit box beside it, and how many pixels its caption lacks.
    struct Pair {
        std::size_t label;
        int edit;
        int shortfall;
    };
    std::vector<Pair> pairs;
    for (std::size_t i = 0; i < labels.size(); ++i) {
        const int edit = EditBeside(labels[i].rect, edits);
        if (edit < 0)
            continue;
        RECT client = {};
        ::GetClientRect(labels[i].window, &client);
        pairs.push_back({i, edit, OneLineCaptionWidth(labels[i].window) - (client.right - client.left)});
    }
    // A column is the edit boxes that start at one left edge.
    std::vector<LONG> columns;
    for (const Pair& pair : pairs) {
        const LONG left = edits[static_cast<std::size_t>(pair.edit)].rect.left;
        if (std::find(columns.begin(), columns.end(), left) == columns.end())
            columns.push_back(left);
    }
    for (const LONG column : columns) {
        int shortfall = 0;
        for (const Pair& pair : pairs)
            if (edits[static_cast<std::size_t>(pair.edit)].rect.left == column)
                shortfall = std::max(shortfall, pair.shortfall);
        // Every box of the column keeps at least half its width.
        for (const PlacedChild& edit : edits)
            if (edit.rect.left == column)
                shortfall = std::min(shortfall, static_cast<int>(edit.rect.right - edit.rect.left) / 2);
        if (shortfall <= 0)
            continue;
        for (const Pair& pair : pairs) {
            if (edits[static_cast<std::size_t>(pair.edit)].rect.left != column)
                continue;
            PlacedChild label = labels[pair.label];
            label.rect.right += shortfall;
            Place(label);
        }
        for (const PlacedChild& edit : edits) {
            if (edit.rect.left != column)
                continue;
            PlacedChild moved = edit;
            moved.rect.left += shortfall;
            Place(moved);
        }
    }
}

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
