#include "traffic/memory_tree.h"

#include <cstring>

namespace palisor {

const MemoryTree::Node* MemoryTree::Find(TreeItem item) const {
    if (item == 0 || item > nodes_.size())
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
    const std::size_t index = nodes_.size();
    // The text slot first; one left over by an insertion that failed after it is used again.
    if (texts_.size() <= index)
        texts_.emplace_back();
    StoreText(index, text);
    nodes_.push_back(Node{image, selectedImage, parent, 0, 0, 0});
    const TreeItem item = nodes_.size();
    if (parent == 0) {
        if (lastRoot_ != 0)
            Lookup(lastRoot_)->next = item;
        else
            firstRoot_ = item;
        lastRoot_ = item;
    } else {
        Node* p = Lookup(parent);
        if (p->lastChild != 0)
            Lookup(p->lastChild)->next = item;
        else
            p->firstChild = item;
        p->lastChild = item;
    }
    return item;
}

bool MemoryTree::SetText(TreeItem item, const std::string& text) {
    if (item == 0 || item > nodes_.size())
        return false;
    StoreText(item - 1, text);
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
