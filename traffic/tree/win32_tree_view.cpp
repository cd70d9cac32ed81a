#include "traffic/tree/win32_tree_view.h"

#include <commctrl.h>

#include "controls/dpi_scale.h"

namespace palisor {

namespace {

HTREEITEM Handle(TreeItem item) {
    return reinterpret_cast<HTREEITEM>(item);
}

// The indent a tree view gives each level at 96 DPI.
constexpr int kIndentAt96Dpi = 19;

} // namespace

int TreeImageSize(int dpi) {
    return dpi::PickImageSize(16, dpi, {16, 20, 24, 32});
}

bool AddTreeIcons(HIMAGELIST images, HINSTANCE instance, std::initializer_list<UINT> ids, int size) {
    if (images == nullptr)
        return false;
    for (UINT id : ids) {
        // An icon loaded at a size of its own is not shared: the list keeps a copy, this one goes.
        HICON icon =
            static_cast<HICON>(::LoadImageA(instance, MAKEINTRESOURCEA(id), IMAGE_ICON, size, size, 0));
        if (icon == nullptr)
            return false;
        const int index = ImageList_ReplaceIcon(images, -1, icon);
        ::DestroyIcon(icon);
        if (index < 0)
            return false;
    }
    return true;
}

void ScaleTreeIndent(HWND tree, int dpi) {
    if (tree == nullptr)
        return;
    const int indent = static_cast<int>(::SendMessageA(tree, TVM_GETINDENT, 0, 0));
    const int scaled = dpi::Scale(kIndentAt96Dpi, dpi);
    if (scaled > indent)
        ::SendMessageA(tree, TVM_SETINDENT, static_cast<WPARAM>(scaled), 0);
}

TreeItem Win32TreeView::Next(TreeItem item, WPARAM relation) {
    if (!tree_)
        return 0;
    return static_cast<TreeItem>(
        SendMessageA(tree_, TVM_GETNEXTITEM, relation, reinterpret_cast<LPARAM>(Handle(item))));
}

TreeItem Win32TreeView::FirstRoot() {
    return Next(0, TVGN_ROOT);
}

TreeItem Win32TreeView::NextSibling(TreeItem item) {
    return item ? Next(item, TVGN_NEXT) : 0;
}

TreeItem Win32TreeView::FirstChild(TreeItem item) {
    return item ? Next(item, TVGN_CHILD) : 0;
}

std::size_t Win32TreeView::ItemCount() {
    if (!tree_)
        return 0;
    return static_cast<std::size_t>(SendMessageA(tree_, TVM_GETCOUNT, 0, 0));
}

std::string Win32TreeView::GetText(TreeItem item) {
    if (!item || !tree_)
        return std::string();
    char text[1024] = {};
    TVITEMA request = {};
    request.mask = TVIF_TEXT | TVIF_HANDLE;
    request.hItem = Handle(item);
    request.pszText = text;
    request.cchTextMax = sizeof text;
    if (!SendMessageA(tree_, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&request)))
        return std::string();
    return std::string(request.pszText ? request.pszText : "");
}

TreeItem Win32TreeView::InsertItem(TreeItem parent, const std::string& text, int image, int selectedImage) {
    if (!tree_)
        return 0;
    TVINSERTSTRUCTA insert = {};
    insert.hParent = parent ? Handle(parent) : TVI_ROOT;
    insert.hInsertAfter = TVI_LAST;
    insert.item.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE;
    insert.item.pszText = const_cast<char*>(text.c_str());
    insert.item.iImage = image;
    insert.item.iSelectedImage = selectedImage;
    return static_cast<TreeItem>(SendMessageA(tree_, TVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&insert)));
}

bool Win32TreeView::SetText(TreeItem item, const std::string& text) {
    if (!item || !tree_)
        return false;
    TVITEMA change = {};
    change.mask = TVIF_TEXT | TVIF_HANDLE;
    change.hItem = Handle(item);
    change.pszText = const_cast<char*>(text.c_str());
    return SendMessageA(tree_, TVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&change)) != 0;
}

bool Win32TreeView::DeleteItem(TreeItem item) {
    // Item 0 would be TVI_ROOT to the control, which empties the whole tree.
    if (!item || !tree_)
        return false;
    return SendMessageA(tree_, TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(Handle(item))) != 0;
}

} // namespace palisor
