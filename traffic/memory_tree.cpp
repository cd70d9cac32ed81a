#include "traffic/memory_tree.h"

#include "traffic/flat_table.h"

#include <cstring>
#include <limits>

namespace palisor {

namespace {

constexpr std::size_t kMaxPrefixes = 254;

// Where a label padded with dots ends: just after the first blank that follows a dot, or 0.
std::size_t PaddedLabelEnd(const char* text, std::size_t length) {
    for (std::size_t from = 1; from < length;) {
        const void* blank = std::memchr(text + from, ' ', length - from);
        if (!blank)
            break;
        const std::size_t i = std::size_t(static_cast<const char*>(blank) - text);
        if (text[i - 1] == '.')
            return i + 1;
        from = i + 1;
    }
    return 0;
}

} // namespace

const MemoryTree::Node* MemoryTree::Find(TreeItem item) const {
    if (item == 0 || item > nodes_.size())
        return nullptr;
    const Node& node = nodes_[item - 1];
    return node.live ? &node : nullptr;
}

TreeItem MemoryTree::NextSibling(TreeItem item) {
    const Node* node = Find(item);
    return node ? node->next : 0;
}

TreeItem MemoryTree::FirstChild(TreeItem item) {
    const Node* node = Find(item);
    return node ? node->firstChild : 0;
}

std::uint8_t MemoryTree::PrefixOf(const char* text, std::size_t length) {
    const std::uint64_t hash = HashBytes(text, length);
    auto found = prefixIndex_.find(hash);
    if (found != prefixIndex_.end()) {
        const std::string& known = prefixes_[found->second - 1];
        return known.size() == length && std::memcmp(known.data(), text, length) == 0 ? found->second : 0;
    }
    if (prefixes_.size() >= kMaxPrefixes)
        return 0;
    prefixes_.emplace_back(text, length);
    try {
        prefixIndex_.emplace(hash, std::uint8_t(prefixes_.size()));
    } catch (...) {
        prefixes_.pop_back();
        throw;
    }
    return std::uint8_t(prefixes_.size());
}

void MemoryTree::StoreText(TreeItem item, const std::string& text) {
    const char* data = text.data();
    std::size_t length = text.size();
    std::uint8_t prefix = 0;
    Node& node = At(item);
    if (length > sizeof(Node::text) && node.prefix != 0) {
        // Mostly the same label as before, with a new value.
        const std::string& known = prefixes_[node.prefix - 1];
        if (known.size() < length && length - known.size() <= sizeof(Node::text) &&
            std::memcmp(known.data(), data, known.size()) == 0) {
            prefix = node.prefix;
            data += known.size();
            length -= known.size();
        }
    }
    if (length > sizeof(Node::text)) {
        const std::size_t labelEnd = PaddedLabelEnd(data, length);
        if (labelEnd != 0 && length - labelEnd <= sizeof(Node::text) &&
            (prefix = PrefixOf(data, labelEnd)) != 0) {
            data += labelEnd;
            length -= labelEnd;
        }
    }
    const auto index = static_cast<std::uint32_t>(item);
    if (length > sizeof(Node::text)) {
        longTexts_[index] = text;
        node.prefix = 0;
        node.length = Node::kLong;
        return;
    }
    // Only a tree that holds long texts looks for one to drop.
    if (node.length == Node::kLong)
        longTexts_.erase(index);
    std::memcpy(node.text, data, length);
    node.prefix = prefix;
    node.length = static_cast<std::uint8_t>(length);
}

void MemoryTree::AppendText(std::string& out, TreeItem item) const {
    const Node& node = nodes_[item - 1];
    if (node.length == Node::kLong) {
        out += longTexts_.at(static_cast<std::uint32_t>(item));
        return;
    }
    if (node.prefix != 0)
        out += prefixes_[node.prefix - 1];
    out.append(node.text, node.length);
}

std::string MemoryTree::GetText(TreeItem item) {
    std::string text;
    if (Find(item))
        AppendText(text, item);
    return text;
}

TreeItem MemoryTree::InsertItem(TreeItem parent, const std::string& text, int image, int selectedImage) {
    if (parent != 0 && !Find(parent))
        return 0;
    TreeItem item = freeItems_;
    if (item == 0) {
        if (nodes_.size() >= std::numeric_limits<std::uint32_t>::max())
            return 0;
        // A record made by an insertion that failed after it is used by the next one.
        if (spare_ == 0) {
            spare_ = nodes_.Grow() + 1;
            At(spare_) = Node{};
        }
        item = spare_;
    }
    StoreText(item, text);
    if (item == freeItems_) {
        freeItems_ = At(item).next;
        --freeCount_;
    } else {
        spare_ = 0;
    }
    Node& node = At(item);
    node.parent = static_cast<std::uint32_t>(parent);
    node.firstChild = node.lastChild = node.next = 0;
    node.image = image;
    node.selectedImage = selectedImage;
    node.live = 1;
    std::uint32_t& last = parent == 0 ? lastRoot_ : At(parent).lastChild;
    std::uint32_t& first = parent == 0 ? firstRoot_ : At(parent).firstChild;
    if (last != 0)
        At(last).next = static_cast<std::uint32_t>(item);
    else
        first = static_cast<std::uint32_t>(item);
    node.previous = last;
    last = static_cast<std::uint32_t>(item);
    return item;
}

bool MemoryTree::SetText(TreeItem item, const std::string& text) {
    if (!Find(item))
        return false;
    StoreText(item, text);
    return true;
}

void MemoryTree::Release(TreeItem item) {
    Node& node = At(item);
    if (node.length == Node::kLong)
        longTexts_.erase(static_cast<std::uint32_t>(item));
    node = Node{};
    node.next = static_cast<std::uint32_t>(freeItems_);
    freeItems_ = item;
    ++freeCount_;
}

bool MemoryTree::DeleteItem(TreeItem item) {
    Node* node = Lookup(item);
    if (!node)
        return false;
    // Out of its parent's list of children (or the list of top-level items).
    Node* up = node->parent ? &At(node->parent) : nullptr;
    if (node->previous)
        At(node->previous).next = node->next;
    else
        (up ? up->firstChild : firstRoot_) = node->next;
    if (node->next)
        At(node->next).previous = node->previous;
    else
        (up ? up->lastChild : lastRoot_) = node->previous;
    // Then the item and everything below it, leaves first, without a stack: a leaf is released and
    // the walk goes on with its next sibling, or back up to its parent, which is a leaf by then.
    TreeItem current = item;
    for (;;) {
        Node& at = At(current);
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
            At(above).firstChild = 0;
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
        AppendText(out, item);
        out += '\n';
        if (node.next != 0)
            stack.emplace_back(node.next, depth);
        if (node.firstChild != 0)
            stack.emplace_back(node.firstChild, depth + 1);
    }
    return out;
}

} // namespace palisor
