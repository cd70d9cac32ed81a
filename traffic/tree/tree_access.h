#pragma once
// The few tree operations the traffic view needs. On Windows they are carried out by the page's
// tree-view control on the user-interface thread; in tests by an in-memory tree.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace palisor {

// An item of the tree; 0 is "no item".
using TreeItem = std::uintptr_t;

class TreeAccess {
public:
    virtual ~TreeAccess() = default;

    virtual TreeItem FirstRoot() = 0;
    virtual TreeItem NextSibling(TreeItem item) = 0;
    virtual TreeItem FirstChild(TreeItem item) = 0;
    virtual std::size_t ItemCount() = 0;
    virtual std::string GetText(TreeItem item) = 0;
    // Appends an item after the last child of parent (0 for a top-level item); returns 0 on failure.
    virtual TreeItem InsertItem(TreeItem parent, const std::string& text, int image, int selectedImage) = 0;
    virtual bool SetText(TreeItem item, const std::string& text) = 0;
    // Sets the text label + value. By default the two are joined and set as one text. A tree may
    // know the decoder's own labels (IsFieldLabel in tcp_text.h), which never change, by their
    // addresses; any other label it must read as text.
    virtual bool SetLabeledText(TreeItem item, const std::string& label, std::string_view value) {
        return SetText(item, Join(label, value));
    }
    // InsertItem with the text label + value; the label as for SetLabeledText.
    virtual TreeItem InsertLabeledItem(TreeItem parent, const std::string& label, std::string_view value,
                                       int image, int selectedImage) {
        return InsertItem(parent, Join(label, value), image, selectedImage);
    }

    // Removes an item together with all its descendants; false when there is no such item.
    virtual bool DeleteItem(TreeItem item) = 0;

protected:
    static std::string Join(const std::string& label, std::string_view value) {
        std::string text;
        text.reserve(label.size() + value.size());
        text.append(label).append(value.data(), value.size());
        return text;
    }
};

} // namespace palisor
