#pragma once
// A tree kept in memory, with the same operations and ordering as the tree-view control. Used by
// tests, the replay tool and the fuzzer.

#include "traffic/tree_access.h"

#include <string>
#include <vector>

namespace palisor {

class MemoryTree : public TreeAccess {
public:
    struct Node {
        std::string text;
        int image = 0;
        int selectedImage = 0;
        TreeItem parent = 0;
        TreeItem firstChild = 0;
        TreeItem lastChild = 0;
        TreeItem next = 0;
    };

    TreeItem FirstRoot() override { return firstRoot_; }
    TreeItem NextSibling(TreeItem item) override;
    TreeItem FirstChild(TreeItem item) override;
    std::size_t ItemCount() override { return nodes_.size(); }
    std::string GetText(TreeItem item) override;
    TreeItem InsertItem(TreeItem parent, const std::string& text, int image, int selectedImage) override;
    bool SetText(TreeItem item, const std::string& text) override;

    // Null for an unknown item.
    const Node* Find(TreeItem item) const;

    // The whole tree, one item per line in tree order, indented two blanks per level.
    std::string Dump() const;

private:
    Node* Lookup(TreeItem item);

    std::vector<Node> nodes_; // item n is nodes_[n - 1]
    TreeItem firstRoot_ = 0;
    TreeItem lastRoot_ = 0;
};

} // namespace palisor
