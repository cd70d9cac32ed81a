#include "traffic/tree/win32_tree_updater.h"

#include <cstring>

namespace palisor {

namespace {

// Changes written between two looks at the clock.
constexpr std::size_t kStride = 16;
// With more insertions and deletions than this waiting, the control neither repaints nor redoes
// its scroll bars until the update ends (each insertion would otherwise cost both).
constexpr std::size_t kQuietBatch = 16;

} // namespace

TreeItem& Win32TreeUpdater::Control(TreeItem modelItem) {
    if (modelItem >= items_.size())
        items_.resize(modelItem + 1 + items_.size() / 2, 0);
    return items_[modelItem];
}

std::vector<bool>::reference Win32TreeUpdater::Asks(TreeItem modelItem) {
    if (modelItem >= asks_.size())
        asks_.resize(modelItem + 1 + asks_.size() / 2, false);
    return asks_[modelItem];
}

std::string& Win32TreeUpdater::Text(TreeItem modelItem) {
    if (modelItem >= texts_.size())
        texts_.resize(modelItem + 1 + texts_.size() / 2);
    return texts_[modelItem];
}

bool Win32TreeUpdater::OnScreen(TreeItem item) {
    // The items on screen are looked up once per update: asking the control about each changed
    // item would make it measure that item's text.
    if (!onScreenKnown_) {
        onScreen_.clear();
        const HWND window = view_.window();
        LRESULT room = SendMessageA(window, TVM_GETVISIBLECOUNT, 0, 0) + 1;
        for (LRESULT shown = SendMessageA(window, TVM_GETNEXTITEM, TVGN_FIRSTVISIBLE, 0);
             shown != 0 && room > 0;
             shown = SendMessageA(window, TVM_GETNEXTITEM, TVGN_NEXTVISIBLE, shown), --room)
            onScreen_.push_back(static_cast<TreeItem>(shown));
        onScreenKnown_ = true;
    }
    for (const TreeItem shown : onScreen_)
        if (shown == item)
            return true;
    return false;
}

void Win32TreeUpdater::ForgetBranch(TreeItem item) {
    const HWND window = view_.window();
    if (!window)
        return;
    branch_.clear();
    for (LRESULT child = SendMessageA(window, TVM_GETNEXTITEM, TVGN_CHILD, static_cast<LPARAM>(item));
         child != 0; child = SendMessageA(window, TVM_GETNEXTITEM, TVGN_NEXT, child))
        branch_.push_back(static_cast<TreeItem>(child));
    while (!branch_.empty()) {
        const TreeItem below = branch_.back();
        branch_.pop_back();
        TVITEMA request = {};
        request.mask = TVIF_PARAM | TVIF_HANDLE;
        request.hItem = reinterpret_cast<HTREEITEM>(below);
        if (SendMessageA(window, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&request))) {
            const TreeItem modelItem = static_cast<TreeItem>(request.lParam);
            if (modelItem < items_.size() && items_[modelItem] == below)
                items_[modelItem] = 0;
        }
        for (LRESULT child = SendMessageA(window, TVM_GETNEXTITEM, TVGN_CHILD, static_cast<LPARAM>(below));
             child != 0; child = SendMessageA(window, TVM_GETNEXTITEM, TVGN_NEXT, child))
            branch_.push_back(static_cast<TreeItem>(child));
    }
}

bool Win32TreeUpdater::AnswerDisplayInfo(NMTVDISPINFOA* request) const {
    if (!request || request->hdr.hwndFrom != view_.window())
        return false;
    TVITEMA& item = request->item;
    if (!(item.mask & TVIF_TEXT) || !item.pszText || item.cchTextMax <= 0)
        return true;
    const TreeItem modelItem = static_cast<TreeItem>(item.lParam);
    const std::string* text = modelItem < texts_.size() ? &texts_[modelItem] : nullptr;
    const std::size_t room = static_cast<std::size_t>(item.cchTextMax) - 1;
    const std::size_t length = text ? (text->size() < room ? text->size() : room) : 0;
    if (length)
        std::memcpy(item.pszText, text->data(), length);
    item.pszText[length] = '\0';
    return true;
}

void Win32TreeUpdater::Write(const QueuedTree::Change& change) {
    switch (change.kind) {
    case QueuedTree::Change::kInsert: {
        TreeItem parent = 0;
        if (change.parent != 0) {
            parent = Control(change.parent);
            // The parent's own insertion failed: leave the child out rather than at the top level.
            if (parent == 0) {
                Control(change.item) = 0;
                break;
            }
        }
        Text(change.item) = change.text;
        TVINSERTSTRUCTA insert = {};
        insert.hParent = parent ? reinterpret_cast<HTREEITEM>(parent) : TVI_ROOT;
        insert.hInsertAfter = TVI_LAST;
        insert.item.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_PARAM;
        // Top-level items are on screen and keep their text; the control asks for a child's text
        // when it shows the child.
        insert.item.pszText = parent ? LPSTR_TEXTCALLBACKA : const_cast<char*>(change.text.c_str());
        insert.item.iImage = change.image;
        insert.item.iSelectedImage = change.selectedImage;
        insert.item.lParam = static_cast<LPARAM>(change.item);
        Asks(change.item) = parent != 0;
        Control(change.item) = view_.window()
                                   ? static_cast<TreeItem>(SendMessageA(view_.window(), TVM_INSERTITEMA, 0,
                                                                        reinterpret_cast<LPARAM>(&insert)))
                                   : 0;
        break;
    }
    case QueuedTree::Change::kDelete: {
        const TreeItem item = Control(change.item);
        if (item != 0) {
            // The control deletes the whole branch; none of its items may be used again when the
            // model gives their numbers to new items.
            ForgetBranch(item);
            view_.DeleteItem(item);
        }
        Control(change.item) = 0;
        break;
    }
    case QueuedTree::Change::kText: {
        const TreeItem item = Control(change.item);
        if (item == 0)
            break;
        Text(change.item) = change.text;
        // Only an item on screen needs a repaint.
        if (!repaint_)
            repaint_ = OnScreen(item);
        if (!Asks(change.item))
            view_.SetText(item, change.text);
        break;
    }
    }
    ++written_;
}

bool Win32TreeUpdater::Update(QueuedTree& source, unsigned long budgetMilliseconds) {
    if (next_ == batch_.size()) {
        batch_.clear();
        next_ = 0;
        if (!source.TakeChanges(batch_))
            return true;
    }
    const HWND window = view_.window();
    std::size_t structural = 0;
    for (std::size_t i = next_; i < batch_.size() && structural <= kQuietBatch; ++i)
        if (batch_[i].kind != QueuedTree::Change::kText)
            ++structural;
    const bool quiet = window && structural > kQuietBatch;
    if (quiet)
        SendMessageA(window, WM_SETREDRAW, FALSE, 0);
    const DWORD start = GetTickCount();
    while (next_ < batch_.size()) {
        const std::size_t end = next_ + kStride < batch_.size() ? next_ + kStride : batch_.size();
        for (; next_ < end; ++next_)
            Write(batch_[next_]);
        if (GetTickCount() - start >= budgetMilliseconds)
            break;
    }
    if (quiet)
        SendMessageA(window, WM_SETREDRAW, TRUE, 0);
    onScreenKnown_ = false;
    // The control asks for the new texts when it paints.
    if ((quiet || repaint_) && window)
        InvalidateRect(window, nullptr, FALSE);
    repaint_ = false;
    return next_ == batch_.size();
}

void Win32TreeUpdater::UpdateAll(QueuedTree& source) {
    do {
        while (!Update(source, 0xFFFFFFFFul)) {
        }
    } while (source.PendingChanges() != 0);
}

} // namespace palisor
