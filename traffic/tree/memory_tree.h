#pragma once
// A tree kept in memory, with the same operations and ordering as the tree-view control. Used by
// tests, the replay tool, the fuzzer and the capture thread's queued tree.
//
// Each item is one 40-byte record, links and text together, found by its number alone in an array
// that grows in chunks (nothing already stored is ever copied): changing a short text writes the
// record and reads nothing else, as cheap with a million items as with ten. A text of up to 15
// characters is kept in the record. A longer one that starts with a label padded by dots ("Size:....
// 12") keeps only a number for that start, which is shared by every item with the same label, and
// the rest in the record. What is still longer goes to a 40-byte slot of a second array (up to 39
// characters), and only a text longer than that to a map beside them. The numbers and records of
// deleted items, and freed slots, are used again, so a tree whose entries come and go stays the
// size of what it holds.

#include "traffic/memory/chunked_array.h"
#include "traffic/tree/tree_access.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

namespace palisor {

class MemoryTree : public TreeAccess {
public:
    struct Node {
        static constexpr std::uint8_t kLong = 0xFF;     // the text is in the map of long texts
        static constexpr std::uint8_t kSlot = 0xFE;     // the text is in a slot; text holds its number
        static constexpr std::int8_t kWideImage = -128; // the images are in the map of wide images
        std::uint32_t parent = 0;
        std::uint32_t firstChild = 0;
        std::uint32_t lastChild = 0;
        std::uint32_t next = 0; // for a deleted item: the next deleted one
        std::uint32_t previous = 0;
        std::int8_t image = 0;
        std::int8_t selectedImage = 0;
        std::uint8_t live = 0;
        std::uint8_t prefix = 0; // 0 none, else the shared start of the text
        std::uint8_t length = 0; // of the text kept here, or kSlot or kLong
        char text[15] = {};
    };
    static_assert(sizeof(Node) == 40, "a small record per item");

    struct Slot {
        char text[39];
        std::uint8_t length; // for a free slot: unused; text holds the next free one
    };
    static_assert(sizeof(Slot) == 40, "a small slot per long text");

    MemoryTree() = default;
    MemoryTree(const MemoryTree&) = delete;
    MemoryTree& operator=(const MemoryTree&) = delete;

    TreeItem FirstRoot() override { return firstRoot_; }
    TreeItem NextSibling(TreeItem item) override;
    TreeItem FirstChild(TreeItem item) override;
    // Not counting a record grown for an insertion that failed, which is kept for the next one.
    std::size_t ItemCount() override { return nodes_.size() - freeCount_ - (spare_ != 0 ? 1 : 0); }
    std::string GetText(TreeItem item) override;
    TreeItem InsertItem(TreeItem parent, const std::string& text, int image, int selectedImage) override;
    bool SetText(TreeItem item, const std::string& text) override;
    // An item whose text starts with a shared label known to equal this one takes the new value
    // without the label being joined, compared or looked up again. Only the decoder's own labels
    // (IsFieldLabel) are known by their addresses; any other label is joined with the value and
    // stored as text, so a label object that holds another text the next time is read right.
    bool SetLabeledText(TreeItem item, const std::string& label, std::string_view value) override;
    TreeItem InsertLabeledItem(TreeItem parent, const std::string& label, std::string_view value, int image,
                               int selectedImage) override;
    bool DeleteItem(TreeItem item) override;

    // Null for an unknown or deleted item.
    const Node* Find(TreeItem item) const;
    // The images an item was inserted with; 0 for an unknown item.
    int Image(TreeItem item) const { return Images(item).first; }
    int SelectedImage(TreeItem item) const { return Images(item).second; }

    // The whole tree, one item per line in tree order, indented two blanks per level.
    std::string Dump() const;

private:
    Node* Lookup(TreeItem item) { return const_cast<Node*>(Find(item)); }
    Node& At(TreeItem item) { return nodes_[item - 1]; }
    // Writes the text into the item's record; may throw before changing anything.
    void StoreText(TreeItem item, const std::string& text);
    // Keeps length characters at data (at most a slot's) after the shared start prefix (0 none), in
    // the record or a slot; may throw before changing anything.
    void Place(Node& node, std::uint32_t index, std::uint8_t prefix, const char* data, std::size_t length);
    void AppendText(std::string& out, TreeItem item) const;
    // The number of a shared text start, 0 when there is none (and no room for a new one).
    std::uint8_t PrefixOf(const char* text, std::size_t length);
    void Release(TreeItem item);
    std::pair<int, int> Images(TreeItem item) const;
    // The number of the slot that holds a node's text (its length is kSlot).
    static std::uint32_t SlotOf(const Node& node);
    // An insertion whose text store(item) writes into the new record; it may throw, and then the
    // tree is as it was.
    template <typename Store>
    TreeItem Insert(TreeItem parent, int image, int selectedImage, const Store& store);
    // The shared start known to equal the label at this address, 0 if none.
    std::uint8_t KnownLabel(const std::string& label) const;
    // After the label and a value were stored as one text: remembers the label's address.
    void NoteLabel(TreeItem item, const std::string& label);
    // Gives back what holds the item's text outside its record (a slot or a long text).
    void DropOutside(Node& node, std::uint32_t index);

    ChunkedArray<Node> nodes_; // item n is nodes_[n - 1]
    ChunkedArray<Slot> slots_; // slot n is slots_[n - 1]
    std::uint32_t freeSlots_ = 0;
    std::unordered_map<std::uint32_t, std::string> longTexts_;
    std::unordered_map<std::uint32_t, std::pair<int, int>> wideImages_; // beyond what a record holds
    std::vector<std::string> prefixes_;                                 // prefix n is prefixes_[n - 1]
    std::vector<const std::string*> prefixLabels_;                      // a label known to equal prefix n
    std::string joined_;                                          // label and value, when they must be joined
    std::unordered_map<std::uint64_t, std::uint8_t> prefixIndex_; // hash of a prefix -> its number
    std::uint32_t firstRoot_ = 0;
    std::uint32_t lastRoot_ = 0;
    TreeItem spare_ = 0;     // a record grown for an insertion that failed before using it
    TreeItem freeItems_ = 0; // deleted items, linked through next
    std::size_t freeCount_ = 0;
};

} // namespace palisor
