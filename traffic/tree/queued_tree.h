#pragma once
// The traffic tree as the capture thread sees it: an in-memory model that answers every call at
// once, and a record of what changed since the user-interface thread last took the changes. The
// capture thread never waits on the window; the window catches up whenever it takes the changes.
//
// Changes are coalesced, so what waits to be taken never outgrows the model: an item inserted and
// not yet taken is handed over once, with its latest text; an item whose text changed many times
// is written once, with its latest text; an item deleted before its insertion was taken is never
// handed over at all.

#include "platform/sync.h"
#include "traffic/tree/memory_tree.h"
#include "traffic/tree/tree_access.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

namespace palisor {

class QueuedTree : public TreeAccess {
public:
    struct Change {
        enum Kind : std::uint8_t { kInsert, kDelete, kText };
        Kind kind = kInsert;
        TreeItem item = 0;   // the model's item
        TreeItem parent = 0; // kInsert: the model's parent, 0 for a top-level item
        int image = 0;
        int selectedImage = 0;
        std::string text; // kInsert and kText
    };

    QueuedTree() = default;
    QueuedTree(const QueuedTree&) = delete;
    QueuedTree& operator=(const QueuedTree&) = delete;

    TreeItem FirstRoot() override;
    TreeItem NextSibling(TreeItem item) override;
    TreeItem FirstChild(TreeItem item) override;
    std::size_t ItemCount() override;
    std::string GetText(TreeItem item) override;
    TreeItem InsertItem(TreeItem parent, const std::string& text, int image, int selectedImage) override;
    bool SetText(TreeItem item, const std::string& text) override;
    bool SetLabeledText(TreeItem item, const std::string& label, std::string_view value) override;
    TreeItem InsertLabeledItem(TreeItem parent, const std::string& label, std::string_view value, int image,
                               int selectedImage) override;
    bool DeleteItem(TreeItem item) override;

    // Appends every change since the last call to changes, in an order that gives a tree holding
    // what the model held then the model's content now: insertions and deletions in the order
    // they were made (an insertion with the item's latest text), then the latest text of every
    // other item whose text changed. False when nothing changed. Any thread.
    bool TakeChanges(std::vector<Change>& changes);
    // Changes waiting to be taken (insertions, deletions, text changes).
    std::size_t PendingChanges();
    // The model, one item per line, indented two blanks per level (MemoryTree::Dump).
    std::string Dump();

private:
    struct Operation {
        Change::Kind kind;
        bool cancelled;
        TreeItem item;
        TreeItem parent;
        int image;
        int selectedImage;
    };
    struct Pending {
        std::size_t insertion = 0; // 1 + the index of the item's insertion in operations_, or 0
        bool textChanged = false;  // listed in changedTexts_
    };

    void Compact();
    void LetTheTakerIn();
    // Records that the item's text changed (the model already holds the new one); under the lock.
    void NoteTextChange(TreeItem item);
    // Records an insertion the model made (item 0: it made none); under the lock.
    TreeItem NoteInsertion(TreeItem item, TreeItem parent, int image, int selectedImage);

    Mutex mutex_;
    // Threads waiting in TakeChanges for the lock; writers hold back, asleep, until it is zero.
    std::atomic<int> takersWaiting_{0};
    Mutex gateMutex_;
    ConditionVariable takerIn_;
    MemoryTree model_;
    std::vector<Operation> operations_;
    std::size_t cancelled_ = 0;
    std::vector<TreeItem> changedTexts_;
    std::unordered_map<TreeItem, Pending> pending_;
    std::vector<TreeItem> doomed_; // reused by DeleteItem
};

} // namespace palisor
