#include "traffic/win32_tree_updater.h"

#include <windows.h>

namespace palisor {

namespace {

// Changes written between two looks at the clock.
constexpr std::size_t kStride = 64;
// Above this many changes the control does not repaint until the batch is written.
constexpr std::size_t kQuietBatch = 256;

} // namespace

TreeItem& Win32TreeUpdater::Control(TreeItem modelItem) {
    if (modelItem >= items_.size())
        items_.resize(modelItem + 1 + items_.size() / 2, 0);
    return items_[modelItem];
}

void Win32TreeUpdater::Write(const QueuedTree::Change& change) {
    switch (change.kind) {
    case QueuedTree::Change::kInsert: {
        TreeItem parent = 0;
        if (change.parent != 0) {
            parent = Control(change.parent);
            // The parent's own insertion failed: leave the child out rather than at the top level.
            if (parent == 0)
                break;
        }
        Control(change.item) = view_.InsertItem(parent, change.text, change.image, change.selectedImage);
        break;
    }
    case QueuedTree::Change::kDelete: {
        TreeItem& item = Control(change.item);
        if (item != 0)
            view_.DeleteItem(item);
        item = 0;
        break;
    }
    case QueuedTree::Change::kText: {
        const TreeItem item = Control(change.item);
        if (item != 0)
            view_.SetText(item, change.text);
        break;
    }
    }
    ++written_;
}

bool Win32TreeUpdater::Update(QueuedTree& source, unsigned long budgetMilliseconds) {
    if (next_ == batch_.size()) {
        batch_.clear();
        next_ = 0;
        if (!source.TakeChanges(batch_))
            return true;
    }
    const HWND window = view_.window();
    const bool quiet = window && batch_.size() - next_ > kQuietBatch;
    if (quiet)
        SendMessageA(window, WM_SETREDRAW, FALSE, 0);
    const DWORD start = GetTickCount();
    while (next_ < batch_.size()) {
        const std::size_t end = next_ + kStride < batch_.size() ? next_ + kStride : batch_.size();
        for (; next_ < end; ++next_)
            Write(batch_[next_]);
        if (GetTickCount() - start >= budgetMilliseconds)
            break;
    }
    if (quiet) {
        SendMessageA(window, WM_SETREDRAW, TRUE, 0);
        InvalidateRect(window, nullptr, FALSE);
    }
    return next_ == batch_.size();
}

void Win32TreeUpdater::UpdateAll(QueuedTree& source) {
    do {
        while (!Update(source, 0xFFFFFFFFul)) {
        }
    } while (source.PendingChanges() != 0);
}

} // namespace palisor
