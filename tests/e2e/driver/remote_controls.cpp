#include "tests/e2e/driver/remote_controls.h"

#include "tests/e2e/driver/remote_process.h"

#include <commctrl.h>

namespace e2e {

RemoteBuffer::RemoteBuffer(HWND owner, size_t size) {
    DWORD pid = 0;
    GetWindowThreadProcessId(owner, &pid);
    process_ = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid);
    if (process_)
        address_ = VirtualAllocEx(process_, nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
}

RemoteBuffer::~RemoteBuffer() {
    if (address_)
        VirtualFreeEx(process_, address_, 0, MEM_RELEASE);
    if (process_)
        CloseHandle(process_);
}

bool RemoteBuffer::Write(const void* data, size_t size, size_t offset) {
    SIZE_T done = 0;
    return WriteProcessMemory(process_, static_cast<char*>(address_) + offset, data, size, &done) &&
           done == size;
}

bool RemoteBuffer::Read(void* data, size_t size, size_t offset) const {
    SIZE_T done = 0;
    return ReadProcessMemory(process_, static_cast<char*>(address_) + offset, data, size, &done) &&
           done == size;
}

int ListItemCount(HWND list) {
    return static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
}

std::string ListItemText(HWND list, int row, int column) {
    constexpr size_t kTextSize = 1024;
    RemoteBuffer buffer(list, sizeof(LVITEMA) + kTextSize);
    if (!buffer.Valid())
        return {};
    LVITEMA item{};
    item.iSubItem = column;
    item.pszText = static_cast<char*>(buffer.Address()) + sizeof(LVITEMA);
    item.cchTextMax = kTextSize;
    buffer.Write(&item, sizeof item);
    SendMessageA(list, LVM_GETITEMTEXTA, row, buffer.Param());
    char text[kTextSize] = "";
    buffer.Read(text, kTextSize, sizeof(LVITEMA));
    text[kTextSize - 1] = '\0';
    return text;
}

std::vector<std::vector<std::string>> ListRows(HWND list, int columns) {
    std::vector<std::vector<std::string>> rows;
    const int count = ListItemCount(list);
    for (int row = 0; row < count; ++row) {
        std::vector<std::string> cells;
        for (int column = 0; column < columns; ++column)
            cells.push_back(ListItemText(list, row, column));
        rows.push_back(cells);
    }
    return rows;
}

RECT ListCellRect(HWND list, int row, int column) {
    RemoteBuffer buffer(list, sizeof(RECT));
    RECT rect{};
    rect.top = column;
    rect.left = LVIR_BOUNDS;
    buffer.Write(&rect, sizeof rect);
    SendMessageA(list, LVM_GETSUBITEMRECT, row, buffer.Param());
    buffer.Read(&rect, sizeof rect);
    if (column == 0) {
        // For column 0 the bounds are the whole row; the first column's width bounds the cell.
        const int width = static_cast<int>(SendMessageA(list, LVM_GETCOLUMNWIDTH, 0, 0));
        rect.right = rect.left + width;
    }
    return rect;
}

void ClickListCell(HWND list, int row, int column, int xOffset) {
    const RECT cell = ListCellRect(list, row, column);
    const int x = xOffset >= 0 ? cell.left + xOffset : (cell.left + cell.right) / 2;
    PostLeftClick(list, x, (cell.top + cell.bottom) / 2);
}

RECT TabItemRect(HWND tab, int index) {
    RemoteBuffer buffer(tab, sizeof(RECT));
    RECT rect{};
    SendMessageA(tab, TCM_GETITEMRECT, index, buffer.Param());
    buffer.Read(&rect, sizeof rect);
    return rect;
}

int TabSelection(HWND tab) {
    return static_cast<int>(SendMessageA(tab, TCM_GETCURSEL, 0, 0));
}

void ClickTab(HWND tab, int index) {
    const RECT rect = TabItemRect(tab, index);
    PostLeftClick(tab, (rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2);
}

namespace {

std::string TreeItemText(HWND tree, HTREEITEM handle) {
    constexpr size_t kTextSize = 1024;
    RemoteBuffer buffer(tree, sizeof(TVITEMA) + kTextSize);
    TVITEMA item{};
    item.mask = TVIF_TEXT | TVIF_HANDLE;
    item.hItem = handle;
    item.pszText = static_cast<char*>(buffer.Address()) + sizeof(TVITEMA);
    item.cchTextMax = kTextSize;
    buffer.Write(&item, sizeof item);
    SendMessageA(tree, TVM_GETITEMA, 0, buffer.Param());
    char text[kTextSize] = "";
    buffer.Read(text, kTextSize, sizeof(TVITEMA));
    text[kTextSize - 1] = '\0';
    return text;
}

void CollectTree(HWND tree, HTREEITEM first, int depth, std::vector<std::string>& lines) {
    for (HTREEITEM item = first; item;
         item = reinterpret_cast<HTREEITEM>(SendMessageA(tree, TVM_GETNEXTITEM, TVGN_NEXT, (LPARAM)item))) {
        lines.push_back(std::string(2 * depth, ' ') + TreeItemText(tree, item));
        auto child =
            reinterpret_cast<HTREEITEM>(SendMessageA(tree, TVM_GETNEXTITEM, TVGN_CHILD, (LPARAM)item));
        CollectTree(tree, child, depth + 1, lines);
    }
}

} // namespace

std::vector<std::string> TreeLines(HWND tree) {
    std::vector<std::string> lines;
    auto root = reinterpret_cast<HTREEITEM>(SendMessageA(tree, TVM_GETNEXTITEM, TVGN_ROOT, 0));
    CollectTree(tree, root, 0, lines);
    return lines;
}

} // namespace e2e
