#pragma once
// The traffic tree on a tree-view control. Every operation is a message sent to the control, so
// a call from the capture thread is carried out by the user-interface thread that owns the
// control, and the caller waits for it.

#include "traffic/tree/tree_access.h"

#include <windows.h>
#include <commctrl.h>

#include <initializer_list>

namespace palisor {

// The traffic tree at the screen's DPI. Its look is given for 96 DPI (12-pixel text, 16-pixel images,
// the tree's own indent) and scaled in proportion.

// The tree's icons come in 16, 20, 24 and 32 pixels: the largest that fits 16 pixels scaled.
int TreeImageSize(int dpi);
// Adds the icon resources, in order, to the image list, each loaded at the given size. False when
// one of them could not be loaded or added (the ones before it stay).
bool AddTreeIcons(HIMAGELIST images, HINSTANCE instance, std::initializer_list<UINT> ids, int size);
// Widens the indent of each level in proportion to the DPI; never narrows it.
void ScaleTreeIndent(HWND tree, int dpi);

class Win32TreeView : public TreeAccess {
public:
    // The page makes its decoder before its tree control exists; the control is attached when the
    // dialog is initialised, before the first capture starts. Until then every operation does nothing.
    explicit Win32TreeView(HWND tree = nullptr) : tree_(tree) {}
    void Attach(HWND tree) { tree_ = tree; }

    TreeItem FirstRoot() override;
    TreeItem NextSibling(TreeItem item) override;
    TreeItem FirstChild(TreeItem item) override;
    std::size_t ItemCount() override;
    std::string GetText(TreeItem item) override;
    TreeItem InsertItem(TreeItem parent, const std::string& text, int image, int selectedImage) override;
    bool SetText(TreeItem item, const std::string& text) override;
    bool DeleteItem(TreeItem item) override;

    HWND window() const { return tree_; }

private:
    TreeItem Next(TreeItem item, WPARAM relation);

    HWND tree_;
};

} // namespace palisor
