#pragma once
// Reads and works the common controls of another process. Their messages carry pointers, so the
// structures and text buffers are placed in the other process's memory.

#include <windows.h>

#include <string>
#include <vector>

namespace e2e {

// A block of memory inside another process, freed when destroyed.
class RemoteBuffer {
public:
    RemoteBuffer(HWND owner, size_t size);
    ~RemoteBuffer();
    RemoteBuffer(const RemoteBuffer&) = delete;
    RemoteBuffer& operator=(const RemoteBuffer&) = delete;

    bool Valid() const { return address_ != nullptr; }
    void* Address() const { return address_; }
    LPARAM Param() const { return reinterpret_cast<LPARAM>(address_); }
    bool Write(const void* data, size_t size, size_t offset = 0);
    bool Read(void* data, size_t size, size_t offset = 0) const;

private:
    HANDLE process_ = nullptr;
    void* address_ = nullptr;
};

// List view.
int ListItemCount(HWND list);
std::string ListItemText(HWND list, int row, int column);
std::vector<std::vector<std::string>> ListRows(HWND list, int columns);
// The rectangle of a cell in list client coordinates (column 0: the first column's cell only).
RECT ListCellRect(HWND list, int row, int column);
// Posts a click at the centre of a cell, or at `xOffset` pixels from its left edge when >= 0.
void ClickListCell(HWND list, int row, int column, int xOffset = -1);

// Tab control.
RECT TabItemRect(HWND tab, int index);
int TabSelection(HWND tab);
void ClickTab(HWND tab, int index);

// Tree view: the item texts in tree order, each prefixed by two blanks per level.
std::vector<std::string> TreeLines(HWND tree);

} // namespace e2e
