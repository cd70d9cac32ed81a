#pragma once
// A tree kept in memory, with the same operations and ordering as the tree-view control. Used by
// tests, the replay tool and the fuzzer.
//
// Texts live apart from the links, in one 64-byte slot per item found by the item number alone:
// changing a text writes one slot and reads nothing else, as cheap with a million items as with
// ten. Texts too long for a slot are kept in a map beside it. The numbers and slots of deleted
// items are used again by later insertions, so a tree whose entries come and go stays the size of
// what it holds.

#include "traffic/tree_access.h"

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

namespace palisor {

class MemoryTree : public TreeAccess {
public:
    struct Node {
        int image = 0;
        int selectedImage = 0;
        TreeItem parent = 0;
        TreeItem firstChild = 0;
        TreeItem lastChild = 0;
        TreeItem next = 0;     // for a deleted item: the next deleted one
        TreeItem previous = 0; // the sibling before
        bool live = true;
    };

    MemoryTree() = default;
    MemoryTree(const MemoryTree&) = delete;
    MemoryTree& operator=(const MemoryTree&) = delete;

    TreeItem FirstRoot() override { return firstRoot_; }
    TreeItem NextSibling(TreeItem item) override;
    TreeItem FirstChild(TreeItem item) override;
    std::size_t ItemCount() override { return nodes_.size() - freeCount_; }
    std::string GetText(TreeItem item) override;
    TreeItem InsertItem(TreeItem parent, const std::string& text, int image, int selectedImage) override;
    bool SetText(TreeItem item, const std::string& text) override;
    bool DeleteItem(TreeItem item) override;

    // Null for an unknown or deleted item.
    const Node* Find(TreeItem item) const;

    // The whole tree, one item per line in tree order, indented two blanks per level.
    std::string Dump() const;

private:
    struct alignas(64) TextSlot {
        static constexpr std::uint8_t kLong = 0xFF; // the text is in longTexts_
        std::uint8_t length = 0;
        char text[63];
    };
    static_assert(sizeof(TextSlot) == 64, "one text slot per cache line");

    Node* Lookup(TreeItem item);
    void StoreText(std::size_t index, const std::string& text);
    void AppendText(std::string& out, std::size_t index) const;
    void Release(TreeItem item);

    std::vector<Node> nodes_;     // item n is nodes_[n - 1]
    std::vector<TextSlot> texts_; // and its text texts_[n - 1]
    std::unordered_map<std::size_t, std::string> longTexts_;
    TreeItem firstRoot_ = 0;
    TreeItem lastRoot_ = 0;
    TreeItem freeItems_ = 0; // deleted items, linked through next
    std::size_t freeCount_ = 0;
};

} // namespace palisor
