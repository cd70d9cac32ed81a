#include "traffic/tree/queued_tree.h"

#include <mutex>

namespace palisor {

void QueuedTree::LetTheTakerIn() {
    // The capture thread takes the lock several times per segment and would otherwise win it again
    // and again over a waiting user-interface thread. It sleeps until the taker has the lock.
    if (takersWaiting_.load(std::memory_order_acquire) == 0)
        return;
    std::unique_lock<Mutex> gate(gateMutex_);
    takerIn_.wait(gate, [this] { return takersWaiting_.load(std::memory_order_acquire) == 0; });
}

TreeItem QueuedTree::FirstRoot() {
    std::lock_guard<Mutex> lock(mutex_);
    return model_.FirstRoot();
}

TreeItem QueuedTree::NextSibling(TreeItem item) {
    std::lock_guard<Mutex> lock(mutex_);
    return model_.NextSibling(item);
}

TreeItem QueuedTree::FirstChild(TreeItem item) {
    std::lock_guard<Mutex> lock(mutex_);
    return model_.FirstChild(item);
}

std::size_t QueuedTree::ItemCount() {
    std::lock_guard<Mutex> lock(mutex_);
    return model_.ItemCount();
}

std::string QueuedTree::GetText(TreeItem item) {
    std::lock_guard<Mutex> lock(mutex_);
    return model_.GetText(item);
}

TreeItem QueuedTree::InsertItem(TreeItem parent, const std::string& text, int image, int selectedImage) {
    LetTheTakerIn();
    std::lock_guard<Mutex> lock(mutex_);
    return NoteInsertion(model_.InsertItem(parent, text, image, selectedImage), parent, image, selectedImage);
}

TreeItem QueuedTree::InsertLabeledItem(TreeItem parent, const std::string& label, std::string_view value,
                                       int image, int selectedImage) {
    LetTheTakerIn();
    std::lock_guard<Mutex> lock(mutex_);
    return NoteInsertion(model_.InsertLabeledItem(parent, label, value, image, selectedImage), parent, image,
                         selectedImage);
}

TreeItem QueuedTree::NoteInsertion(TreeItem item, TreeItem parent, int image, int selectedImage) {
    if (item == 0)
        return 0;
    operations_.push_back(Operation{Change::kInsert, false, item, parent, image, selectedImage});
    // A number the model used again after a deletion starts afresh.
    pending_[item] = Pending{operations_.size(), false};
    return item;
}

bool QueuedTree::SetText(TreeItem item, const std::string& text) {
    LetTheTakerIn();
    std::lock_guard<Mutex> lock(mutex_);
    if (!model_.SetText(item, text))
        return false;
    NoteTextChange(item);
    return true;
}

bool QueuedTree::SetLabeledText(TreeItem item, const std::string& label, std::string_view value) {
    LetTheTakerIn();
    std::lock_guard<Mutex> lock(mutex_);
    if (!model_.SetLabeledText(item, label, value))
        return false;
    NoteTextChange(item);
    return true;
}

void QueuedTree::NoteTextChange(TreeItem item) {
    Pending& pending = pending_[item];
    // An insertion not yet taken carries the latest text anyway.
    if (pending.insertion == 0 && !pending.textChanged) {
        pending.textChanged = true;
        changedTexts_.push_back(item);
    }
}

bool QueuedTree::DeleteItem(TreeItem item) {
    LetTheTakerIn();
    std::lock_guard<Mutex> lock(mutex_);
    // The item and everything below it, before the model forgets them.
    doomed_.clear();
    doomed_.push_back(item);
    for (std::size_t i = 0; i < doomed_.size(); ++i)
        for (TreeItem child = model_.FirstChild(doomed_[i]); child != 0; child = model_.NextSibling(child))
            doomed_.push_back(child);
    if (!model_.DeleteItem(item))
        return false;
    bool handedOver = true;
    for (const TreeItem gone : doomed_) {
        const auto found = pending_.find(gone);
        if (found == pending_.end())
            continue;
        if (found->second.insertion != 0) {
            operations_[found->second.insertion - 1].cancelled = true;
            ++cancelled_;
            if (gone == item)
                handedOver = false;
        }
        // A text change listed for it is skipped when taken: its entry is gone.
        pending_.erase(found);
    }
    // An item whose insertion was never taken has nothing in the window to delete; its
    // descendants were inserted after it, so none of them was taken either.
    if (handedOver)
        operations_.push_back(Operation{Change::kDelete, false, item, 0, 0, 0});
    if (cancelled_ > 64 && cancelled_ * 2 > operations_.size())
        Compact();
    return true;
}

void QueuedTree::Compact() {
    std::size_t kept = 0;
    for (std::size_t i = 0; i < operations_.size(); ++i) {
        const Operation& operation = operations_[i];
        if (operation.cancelled)
            continue;
        operations_[kept] = operation;
        ++kept;
        if (operation.kind == Change::kInsert)
            pending_[operation.item].insertion = kept;
    }
    operations_.resize(kept);
    cancelled_ = 0;
}

bool QueuedTree::TakeChanges(std::vector<Change>& changes) {
    takersWaiting_.fetch_add(1, std::memory_order_acq_rel);
    std::lock_guard<Mutex> lock(mutex_);
    {
        // Under the gate, so that a writer that saw a taker waiting either finds it gone or is
        // woken.
        std::lock_guard<Mutex> gate(gateMutex_);
        takersWaiting_.fetch_sub(1, std::memory_order_acq_rel);
    }
    takerIn_.notify_all();
    const std::size_t before = changes.size();
    for (const Operation& operation : operations_) {
        if (operation.cancelled)
            continue;
        Change change;
        change.kind = operation.kind;
        change.item = operation.item;
        if (operation.kind == Change::kInsert) {
            change.parent = operation.parent;
            change.image = operation.image;
            change.selectedImage = operation.selectedImage;
            change.text = model_.GetText(operation.item);
        }
        changes.push_back(std::move(change));
    }
    for (const TreeItem item : changedTexts_) {
        const auto found = pending_.find(item);
        if (found == pending_.end() || !found->second.textChanged)
            continue;
        Change change;
        change.kind = Change::kText;
        change.item = item;
        change.text = model_.GetText(item);
        changes.push_back(std::move(change));
    }
    operations_.clear();
    cancelled_ = 0;
    changedTexts_.clear();
    pending_.clear();
    return changes.size() > before;
}

std::size_t QueuedTree::PendingChanges() {
    std::lock_guard<Mutex> lock(mutex_);
    std::size_t texts = 0;
    for (const TreeItem item : changedTexts_) {
        const auto found = pending_.find(item);
        if (found != pending_.end() && found->second.textChanged)
            ++texts;
    }
    return operations_.size() - cancelled_ + texts;
}

std::string QueuedTree::Dump() {
    std::lock_guard<Mutex> lock(mutex_);
    return model_.Dump();
}

} // namespace palisor
