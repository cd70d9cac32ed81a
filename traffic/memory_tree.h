#pragma once
// A tree kept in memory, with the same operations and ordering as the tree-view control. Used by
// tests, the replay tool and the fuzzer.
//
// Each item is one 64-byte record, links and text together, found by its number alone in an array
// that grows in chunks (nothing already stored is ever copied): changing a text writes one cache
// line and reads nothing else, as cheap with a million items as with ten. A text of up to 34
// characters is kept in the record. A longer one that starts with a label padded by dots ("Size:....
// 12") keeps only a number for that start, which is shared by every item with the same label, and
// the rest in the record; texts that fit neither way are kept in a map beside the records. The
// numbers and records of deleted items are used again by later insertions, so a tree whose entries
// come and go stays the size of what it holds.

#include "traffic/chunked_array.h"
#include "traffic/tree_access.h"

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

namespace palisor {

class MemoryTree : public TreeAccess {
public:
    struct alignas(64) Node {
        static constexpr std::uint8_t kLong = 0xFF; // the text is in the map of long texts
        std::uint32_t parent = 0;
        std::uint32_t firstChild = 0;
        std::uint32_t lastChild = 0;
        std::uint32_t next = 0; // for a deleted item: the next deleted one
        std::uint32_t previous = 0;
        std::int32_t image = 0;
        std::int32_t selectedImage = 0;
        std::uint8_t live = 0;
        std::uint8_t prefix = 0; // 0 none, else the shared start of the text
        std::uint8_t length = 0; // of the text kept here, or kLong
        char text[33] = {};
    };
    static_assert(sizeof(Node) == 64, "one item per cache line");

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
    Node* Lookup(TreeItem item) { return const_cast<Node*>(Find(item)); }
    Node& At(TreeItem item) { return nodes_[item - 1]; }
    // Writes the text into the item's record; may throw before changing anything.
    void StoreText(TreeItem item, const std::string& text);
    void AppendText(std::string& out, TreeItem item) const;
    // The number of a shared text start, 0 when there is none (and no room for a new one).
    std::uint8_t PrefixOf(const char* text, std::size_t length);
    void Release(TreeItem item);

    ChunkedArray<Node> nodes_; // item n is nodes_[n - 1]
    std::unordered_map<std::uint32_t, std::string> longTexts_;
    std::vector<std::string> prefixes_;                           // prefix n is prefixes_[n - 1]
    std::unordered_map<std::uint64_t, std::uint8_t> prefixIndex_; // hash of a prefix -> its number
    std::uint32_t firstRoot_ = 0;
    std::uint32_t lastRoot_ = 0;
    TreeItem spare_ = 0;     // a record grown for an insertion that failed before using it
    TreeItem freeItems_ = 0; // deleted items, linked through next
    std::size_t freeCount_ = 0;
};

} // namespace palisor
