#include "ui/list_ctrl.h"

#include <vector>

int CListCtrl::InsertColumn(int column, LPCSTR heading, int format, int width) const {
    LVCOLUMNA info = {};
    info.mask = LVCF_FMT | LVCF_TEXT | LVCF_SUBITEM;
    info.fmt = format;
    info.pszText = const_cast<LPSTR>(heading);
    info.iSubItem = column;
    if (width >= 0) {
        info.mask |= LVCF_WIDTH;
        info.cx = width;
    }
    return static_cast<int>(SendMessage(LVM_INSERTCOLUMNA, column, reinterpret_cast<LPARAM>(&info)));
}

int CListCtrl::InsertItem(int row, LPCSTR text) const {
    LVITEMA item = {};
    item.mask = LVIF_TEXT;
    item.iItem = row;
    item.pszText = const_cast<LPSTR>(text);
    return InsertItem(&item);
}

BOOL CListCtrl::SetItemText(int row, int column, LPCSTR text) const {
    LVITEMA item = {};
    item.iSubItem = column;
    item.pszText = const_cast<LPSTR>(text);
    return static_cast<BOOL>(SendMessage(LVM_SETITEMTEXTA, row, reinterpret_cast<LPARAM>(&item)));
}

int CListCtrl::GetItemText(int row, int column, LPSTR buffer, int size) const {
    if (buffer == nullptr || size <= 0)
        return 0;
    buffer[0] = '\0';
    LVITEMA item = {};
    item.iSubItem = column;
    item.pszText = buffer;
    item.cchTextMax = size;
    return static_cast<int>(SendMessage(LVM_GETITEMTEXTA, row, reinterpret_cast<LPARAM>(&item)));
}

std::string CListCtrl::GetItemText(int row, int column) const {
    // The list view reports how much it copied; grow until the text fits with room to spare.
    for (int size = 256;; size *= 2) {
        std::vector<char> buffer(static_cast<size_t>(size), '\0');
        int copied = GetItemText(row, column, buffer.data(), size);
        if (copied < size - 1 || size >= (1 << 20))
            return std::string(buffer.data());
    }
}

DWORD_PTR CListCtrl::GetItemData(int row) const {
    LVITEMA item = {};
    item.mask = LVIF_PARAM;
    item.iItem = row;
    if (!GetItem(&item))
        return 0;
    return static_cast<DWORD_PTR>(item.lParam);
}

BOOL CListCtrl::SetItemData(int row, DWORD_PTR data) const {
    LVITEMA item = {};
    item.mask = LVIF_PARAM;
    item.iItem = row;
    item.lParam = static_cast<LPARAM>(data);
    return SetItem(&item);
}

BOOL CListCtrl::SetItemState(int row, UINT state, UINT mask) const {
    LVITEMA item = {};
    item.state = state;
    item.stateMask = mask;
    return static_cast<BOOL>(
        SendMessage(LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item)));
}

BOOL CListCtrl::GetSubItemRect(int row, int column, int area, RECT* rect) const {
    rect->top = column;
    rect->left = area;
    rect->right = rect->bottom = 0;
    return static_cast<BOOL>(SendMessage(LVM_GETSUBITEMRECT, row, reinterpret_cast<LPARAM>(rect)));
}

BOOL CListCtrl::GetItemRect(int row, RECT* rect, int area) const {
    rect->left = area;
    rect->top = rect->right = rect->bottom = 0;
    return static_cast<BOOL>(SendMessage(LVM_GETITEMRECT, row, reinterpret_cast<LPARAM>(rect)));
}
