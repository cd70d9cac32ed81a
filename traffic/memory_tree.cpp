#include "traffic/memory_tree.h"

#include <cstring>

namespace palisor {

const MemoryTree::Node* MemoryTree::Find(TreeItem item) const {
    if (item == 0 || item > nodes_.size() || !nodes_[item - 1].live)
        return nullptr;
    return &nodes_[item - 1];
}

MemoryTree::Node* MemoryTree::Lookup(TreeItem item) {
    return const_cast<Node*>(Find(item));
}

TreeItem MemoryTree::NextSibling(TreeItem item) {
    const Node* node = Find(item);
    return node ? node->next : 0;
}

TreeItem MemoryTree::FirstChild(TreeItem item) {
    const Node* node = Find(item);
    return node ? node->firstChild : 0;
}

void MemoryTree::StoreText(std::size_t index, const std::string& text) {
    TextSlot& slot = texts_[index];
    if (text.size() <= sizeof(slot.text)) {
        // Only a tree that holds long texts reads the slot before writing it.
        if (!longTexts_.empty() && slot.length == TextSlot::kLong)
            longTexts_.erase(index);
        std::memcpy(slot.text, text.data(), text.size());
        slot.length = static_cast<std::uint8_t>(text.size());
        return;
    }
    longTexts_[index] = text;
    slot.length = TextSlot::kLong;
}

void MemoryTree::AppendText(std::string& out, std::size_t index) const {
    const TextSlot& slot = texts_[index];
    if (slot.length == TextSlot::kLong)
        out += longTexts_.at(index);
    else
        out.append(slot.text, slot.length);
}

std::string MemoryTree::GetText(TreeItem item) {
    std::string text;
    if (Find(item))
        AppendText(text, item - 1);
    return text;
}

TreeItem MemoryTree::InsertItem(TreeItem parent, const std::string& text, int image, int selectedImage) {
    if (parent != 0 && !Find(parent))
        return 0;
    TreeItem item = freeItems_;
    if (item != 0) {
        StoreText(item - 1, text);
        freeItems_ = nodes_[item - 1].next;
        --freeCount_;
        nodes_[item - 1] = Node{image, selectedImage, parent, 0, 0, 0, 0, true};
    } else {
        const std::size_t index = nodes_.size();
        // The text slot first; one left over by an insertion that failed after it is used again.
        if (texts_.size() <= index)
            texts_.emplace_back();
        StoreText(index, text);
        nodes_.push_back(Node{image, selectedImage, parent, 0, 0, 0, 0, true});
        item = nodes_.size();
    }
    TreeItem& last = parent == 0 ? lastRoot_ : Lookup(parent)->lastChild;
    TreeItem& first = parent == 0 ? firstRoot_ : Lookup(parent)->firstChild;
    if (last != 0)
        Lookup(last)->next = item;
    else
        first = item;
    nodes_[item - 1].previous = last;
    last = item;
    return item;
}

bool MemoryTree::SetText(TreeItem item, const std::string& text) {
    if (!Find(item))
        return false;
    StoreText(item - 1, text);
    return true;
}

void MemoryTree::Release(TreeItem item) {
    Node& node = nodes_[item - 1];
    if (!longTexts_.empty() && texts_[item - 1].length == TextSlot::kLong)
        longTexts_.erase(item - 1);
    texts_[item - 1].length = 0;
    node = Node{};
    node.live = false;
    node.next = freeItems_;
    freeItems_ = item;
    ++freeCount_;
}

bool MemoryTree::DeleteItem(TreeItem item) {
    Node* node = Lookup(item);
    if (!node)
        return false;
    // Out of its parent's list of children (or the list of top-level items).
    const TreeItem parent = node->parent;
    Node* up = parent ? Lookup(parent) : nullptr;
    if (node->previous)
        Lookup(node->previous)->next = node->next;
    else
        (up ? up->firstChild : firstRoot_) = node->next;
    if (node->next)
        Lookup(node->next)->previous = node->previous;
    else
        (up ? up->lastChild : lastRoot_) = node->previous;
    // Then the item and everything below it, leaves first, without a stack: a leaf is released and
    // the walk goes on with its next sibling, or back up to its parent, which is a leaf by then.
    TreeItem current = item;
    for (;;) {
        Node& at = nodes_[current - 1];
        if (at.firstChild != 0) {
            current = at.firstChild;
            continue;
        }
        const TreeItem next = at.next;
        const TreeItem above = at.parent;
        Release(current);
        if (current == item)
            break;
        if (next != 0) {
            current = next;
        } else {
            nodes_[above - 1].firstChild = 0;
            current = above;
        }
    }
    return true;
}

std::string MemoryTree::Dump() const {
    std::string out;
    // Depth-first walk without recursion: a deep tree cannot exhaust the stack.
    std::vector<std::pair<TreeItem, int>> stack;
    if (firstRoot_ != 0)
        stack.emplace_back(firstRoot_, 0);
    while (!stack.empty()) {
        const auto [item, depth] = stack.back();
        stack.pop_back();
        const Node& node = nodes_[item - 1];
        out.append(static_cast<std::size_t>(depth) * 2, ' ');
        AppendText(out, item - 1);
        out += '\n';
        if (node.next != 0)
            stack.emplace_back(node.next, depth);
        if (node.firstChild != 0)
            stack.emplace_back(node.firstChild, depth + 1);
    }
    return out;
}

} // namespace palisor
