#include "traffic/memory_tree.h"

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

std::string MemoryTree::GetText(TreeItem item) {
    const Node* node = Find(item);
    return node ? node->text : std::string();
}

TreeItem MemoryTree::InsertItem(TreeItem parent, const std::string& text, int image, int selectedImage) {
    if (parent != 0 && !Find(parent))
        return 0;
    nodes_.push_back(Node{text, image, selectedImage, parent, 0, 0, 0});
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
    Node* node = Lookup(item);
    if (!node)
        return false;
    node->text = text;
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
        out += node.text;
        out += '\n';
        if (node.next != 0)
            stack.emplace_back(node.next, depth);
        if (node.firstChild != 0)
            stack.emplace_back(node.firstChild, depth + 1);
    }
    return out;
}

} // namespace palisor
