#pragma once
// The traffic tree on a tree-view control. Every operation is a message sent to the control, so
// a call from the capture thread is carried out by the user-interface thread that owns the
// control, and the caller waits for it.

#include "traffic/tree/tree_access.h"

#include <windows.h>

namespace palisor {

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
