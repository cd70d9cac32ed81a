#pragma once
// Brings a tree-view control up to date with the capture thread's queued tree. Runs on the
// user-interface thread that owns the control, from a timer: each call takes what changed and
// writes it into the control, for at most a given time, so that the window keeps answering under
// any flood; what is left is written by the next call before anything newer is taken.
//
// A top-level item is inserted with its text, which the control keeps. The control takes the texts
// of all other items from here when it shows them (the owner answers TVN_GETDISPINFO with
// AnswerDisplayInfo), so a change of such a text is a string copy, and a repaint only when the
// item is on screen, instead of a text set that makes the control measure the text and redo its
// scroll bars. The items that change, the TCP fields, sit under collapsed branches: a paint asks
// for none of them unless the user has opened one. Each item's parameter is the model's number
// for it.

#include "traffic/tree/queued_tree.h"
#include "traffic/tree/win32_tree_view.h"

#include <windows.h>
#include <commctrl.h>

#include <cstddef>
#include <string>
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

    // Fills in the text the control asks for; false for a request that is not the tree's.
    bool AnswerDisplayInfo(NMTVDISPINFOA* request) const;

    std::size_t changesWritten() const { return written_; }

private:
    void Write(const QueuedTree::Change& change);
    TreeItem& Control(TreeItem modelItem);
    std::string& Text(TreeItem modelItem);
    std::vector<bool>::reference Asks(TreeItem modelItem);
    bool OnScreen(TreeItem controlItem);
    // Clears the handles of every item below the control's item, which goes with it.
    void ForgetBranch(TreeItem controlItem);

    Win32TreeView& view_;
    std::vector<QueuedTree::Change> batch_;
    std::size_t next_ = 0;
    // The control's item for each of the model's items (the model numbers its items densely and
    // uses the numbers of deleted items again, so this stays the size of the model).
    std::vector<TreeItem> items_;
    std::vector<std::string> texts_; // each model item's text, as the control shows it
    std::vector<bool> asks_;         // the control asks for the item's text (not a top-level item)
    bool repaint_ = false;
    std::vector<TreeItem> onScreen_; // the control's items on screen, during one update
    std::vector<TreeItem> branch_;   // reused by ForgetBranch
    bool onScreenKnown_ = false;
    std::size_t written_ = 0;
};

} // namespace palisor
