#pragma once
// Brings a tree-view control up to date with the capture thread's queued tree. Runs on the
// user-interface thread that owns the control, from a timer: each call takes what changed and
// writes it into the control, for at most a given time, so that the window keeps answering under
// any flood; what is left is written by the next call before anything newer is taken.

#include "traffic/queued_tree.h"
#include "traffic/win32_tree_view.h"

#include <cstddef>
#include <vector>

namespace palisor {

class Win32TreeUpdater {
public:
    explicit Win32TreeUpdater(Win32TreeView& view) : view_(view) {}

    // Writes the waiting changes into the control for at most budgetMilliseconds (a few dozen
    // changes at least). True when what it took is all written.
    bool Update(QueuedTree& source, unsigned long budgetMilliseconds);
    // Writes every waiting change, however long it takes (once the capture has stopped).
    void UpdateAll(QueuedTree& source);

    std::size_t changesWritten() const { return written_; }

private:
    void Write(const QueuedTree::Change& change);
    TreeItem& Control(TreeItem modelItem);

    Win32TreeView& view_;
    std::vector<QueuedTree::Change> batch_;
    std::size_t next_ = 0;
    // The control's item for each of the model's items (the model numbers its items densely and
    // uses the numbers of deleted items again, so this stays the size of the model).
    std::vector<TreeItem> items_;
    std::size_t written_ = 0;
};

} // namespace palisor
