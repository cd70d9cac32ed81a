#include "traffic/tree/memory_tree.h"

#include "traffic/decode/tcp_text.h"
#include "traffic/memory/flat_table.h"

#include <cstring>
#include <limits>
#include <new>

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
    prefixLabels_.reserve(prefixes_.size() + 1);
    prefixes_.emplace_back(text, length);
    try {
        prefixIndex_.emplace(hash, std::uint8_t(prefixes_.size()));
    } catch (...) {
        prefixes_.pop_back();
        throw;
    }
    prefixLabels_.push_back(nullptr);
    return std::uint8_t(prefixes_.size());
}

std::uint32_t MemoryTree::SlotOf(const Node& node) {
    std::uint32_t slot = 0;
    std::memcpy(&slot, node.text, sizeof slot);
    return slot;
}

void MemoryTree::DropOutside(Node& node, std::uint32_t index) {
    if (node.length == Node::kSlot) {
        const std::uint32_t slot = SlotOf(node);
        std::memcpy(slots_[slot - 1].text, &freeSlots_, sizeof freeSlots_);
        freeSlots_ = slot;
    } else if (node.length == Node::kLong) {
        longTexts_.erase(index);
    }
    node.length = 0;
}

void MemoryTree::StoreText(TreeItem item, const std::string& text) {
    constexpr std::size_t kInline = sizeof(Node::text);
    constexpr std::size_t kInSlot = sizeof(Slot::text);
    const char* data = text.data();
    std::size_t length = text.size();
    std::uint8_t prefix = 0;
    Node& node = At(item);
    if (length > kInline && node.prefix != 0) {
        // Mostly the same label as before, with a new value.
        const std::string& known = prefixes_[node.prefix - 1];
        if (known.size() < length && length - known.size() <= kInSlot &&
            std::memcmp(known.data(), data, known.size()) == 0) {
            prefix = node.prefix;
            data += known.size();
            length -= known.size();
        }
    }
    if (length > kInline && prefix == 0) {
        const std::size_t labelEnd = PaddedLabelEnd(data, length);
        if (labelEnd != 0 && length - labelEnd <= kInSlot && (prefix = PrefixOf(data, labelEnd)) != 0) {
            data += labelEnd;
            length -= labelEnd;
        }
    }
    const auto index = static_cast<std::uint32_t>(item);
    if (length > kInSlot) {
        longTexts_[index] = text; // first: it may throw
        if (node.length != Node::kLong)
            DropOutside(node, index);
        node.prefix = 0;
        node.length = Node::kLong;
        return;
    }
    Place(node, index, prefix, data, length);
}

void MemoryTree::Place(Node& node, std::uint32_t index, std::uint8_t prefix, const char* data,
                       std::size_t length) {
    if (length > sizeof(Node::text)) {
        std::uint32_t slot = 0;
        if (node.length == Node::kSlot) {
            slot = SlotOf(node);
        } else {
            if (freeSlots_ != 0) {
                slot = freeSlots_;
                std::memcpy(&freeSlots_, slots_[slot - 1].text, sizeof freeSlots_);
            } else {
                if (slots_.size() >= std::numeric_limits<std::uint32_t>::max())
                    throw std::bad_alloc();
                slot = static_cast<std::uint32_t>(slots_.Grow() + 1); // may throw, before any change
            }
            DropOutside(node, index);
        }
        Slot& held = slots_[slot - 1];
        std::memcpy(held.text, data, length);
        held.length = static_cast<std::uint8_t>(length);
        std::memcpy(node.text, &slot, sizeof slot);
        node.prefix = prefix;
        node.length = Node::kSlot;
        return;
    }
    if (node.length > sizeof(Node::text))
        DropOutside(node, index);
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
    if (node.length == Node::kSlot) {
        const Slot& held = slots_[SlotOf(node) - 1];
        out.append(held.text, held.length);
        return;
    }
    out.append(node.text, node.length);
}

std::pair<int, int> MemoryTree::Images(TreeItem item) const {
    const Node* node = Find(item);
    if (!node)
        return {0, 0};
    if (node->image == Node::kWideImage)
        return wideImages_.at(std::uint32_t(item));
    return {node->image, node->selectedImage};
}

std::string MemoryTree::GetText(TreeItem item) {
    std::string text;
    if (Find(item))
        AppendText(text, item);
    return text;
}

template <typename Store>
TreeItem MemoryTree::Insert(TreeItem parent, int image, int selectedImage, const Store& store) {
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
    // Images a record cannot hold go to the map first, and leave it again if the text fails.
    const auto narrow = [](int image) { return image > Node::kWideImage && image <= 127; };
    const bool wide = !narrow(image) || !narrow(selectedImage);
    if (wide)
        wideImages_[static_cast<std::uint32_t>(item)] = {image, selectedImage};
    try {
        store(item);
    } catch (...) {
        if (wide)
            wideImages_.erase(static_cast<std::uint32_t>(item));
        throw;
    }
    if (item == freeItems_) {
        freeItems_ = At(item).next;
        --freeCount_;
    } else {
        spare_ = 0;
    }
    Node& node = At(item);
    node.parent = static_cast<std::uint32_t>(parent);
    node.firstChild = node.lastChild = node.next = 0;
    node.image = wide ? Node::kWideImage : static_cast<std::int8_t>(image);
    node.selectedImage = wide ? Node::kWideImage : static_cast<std::int8_t>(selectedImage);
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

TreeItem MemoryTree::InsertItem(TreeItem parent, const std::string& text, int image, int selectedImage) {
    return Insert(parent, image, selectedImage, [&](TreeItem item) { StoreText(item, text); });
}

std::uint8_t MemoryTree::KnownLabel(const std::string& label) const {
    for (std::size_t i = 0; i < prefixLabels_.size(); ++i)
        if (prefixLabels_[i] == &label)
            return static_cast<std::uint8_t>(i + 1);
    return 0;
}

void MemoryTree::NoteLabel(TreeItem item, const std::string& label) {
    // A shared start as long as the label is the label. Only the decoder's own labels, which never
    // change, are known by their addresses from now on; any other label object may hold another
    // text the next time, so it is read as text each time.
    const std::uint8_t prefix = At(item).prefix;
    if (prefix != 0 && prefixes_[prefix - 1].size() == label.size() && IsFieldLabel(label))
        prefixLabels_[prefix - 1] = &label;
}

TreeItem MemoryTree::InsertLabeledItem(TreeItem parent, const std::string& label, std::string_view value,
                                       int image, int selectedImage) {
    const std::uint8_t prefix = value.size() <= sizeof(Slot::text) ? KnownLabel(label) : 0;
    if (prefix != 0)
        return Insert(parent, image, selectedImage, [&](TreeItem item) {
            Place(At(item), static_cast<std::uint32_t>(item), prefix, value.data(), value.size());
        });
    joined_.assign(label).append(value.data(), value.size());
    const TreeItem item = InsertItem(parent, joined_, image, selectedImage);
    if (item != 0)
        NoteLabel(item, label);
    return item;
}

bool MemoryTree::SetText(TreeItem item, const std::string& text) {
    if (!Find(item))
        return false;
    StoreText(item, text);
    return true;
}

bool MemoryTree::SetLabeledText(TreeItem item, const std::string& label, std::string_view value) {
    Node* node = Lookup(item);
    if (!node)
        return false;
    if (node->prefix != 0 && node->length != Node::kLong && value.size() <= sizeof(Slot::text) &&
        prefixLabels_[node->prefix - 1] == &label) {
        Place(*node, static_cast<std::uint32_t>(item), node->prefix, value.data(), value.size());
        return true;
    }
    joined_.assign(label).append(value.data(), value.size());
    StoreText(item, joined_);
    NoteLabel(item, label);
    return true;
}

void MemoryTree::Release(TreeItem item) {
    Node& node = At(item);
    DropOutside(node, static_cast<std::uint32_t>(item));
    if (node.image == Node::kWideImage)
        wideImages_.erase(static_cast<std::uint32_t>(item));
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
