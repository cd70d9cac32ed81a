#include "controls/x_list_ctrl.h"

#include <string>

#include "controls/cell_geometry.h"
#include "controls/check_rules.h"
#include "controls/rect_conversion.h"
#include "controls/screen_dpi.h"

namespace {

constexpr COLORREF kUseSystemColor = static_cast<COLORREF>(-1);

using cell_geometry::ToGeometry;
using cell_geometry::ToRect;

} // namespace

BEGIN_MESSAGE_TABLE(CXListCtrl, CListCtrl)
ON_MESSAGE(WM_CREATE, &CXListCtrl::OnCreate)
ON_MESSAGE(WM_DESTROY, &CXListCtrl::OnDestroy)
ON_MESSAGE(WM_PAINT, &CXListCtrl::OnPaint)
ON_MESSAGE(WM_SYSCOLORCHANGE, &CXListCtrl::OnSysColorChange)
ON_MESSAGE(WM_SETREDRAW, &CXListCtrl::OnSetRedraw)
ON_MESSAGE(LVM_SETITEMA, &CXListCtrl::OnSetItem)
ON_MESSAGE(LVM_SETITEMW, &CXListCtrl::OnSetItem)
ON_NOTIFY_REFLECT(NM_CLICK, &CXListCtrl::OnClick)
ON_NOTIFY_REFLECT(NM_CUSTOMDRAW, &CXListCtrl::OnCustomDraw)
ON_NOTIFY_REFLECT(LVN_COLUMNCLICK, &CXListCtrl::OnColumnClick)
ON_NOTIFY_REFLECT(LVN_DELETEITEM, &CXListCtrl::OnDeleteItem)
ON_NOTIFY_RANGE(TTN_NEEDTEXTA, 0, 0xFFFF, &CXListCtrl::OnToolTipText)
ON_NOTIFY_RANGE(TTN_NEEDTEXTW, 0, 0xFFFF, &CXListCtrl::OnToolTipText)
END_MESSAGE_TABLE()

CXListCtrl::CXListCtrl() : screenDpi(dpi::ScreenDpi()) {
    ReadColors();
}

CXListCtrl::~CXListCtrl() {
    if (m_hWnd != nullptr)
        FreeAllRecords();
    // Whatever the window did not give back (it went without WM_DESTROY reaching us) is freed here.
    for (auto& entry : recordLengths)
        cell_records::Free(const_cast<ListCellData*>(entry.first));
    recordLengths.clear();
}

void CXListCtrl::ReadColors() {
    colorWindow = ::GetSysColor(COLOR_WINDOW);
    colorWindowText = ::GetSysColor(COLOR_WINDOWTEXT);
    colorHighlight = ::GetSysColor(COLOR_HIGHLIGHT);
    colorHighlightText = ::GetSysColor(COLOR_HIGHLIGHTTEXT);
    colorButtonFace = ::GetSysColor(COLOR_BTNFACE);
}

// ---- records ----

ListCellData* CXListCtrl::Records(int row) const {
    DWORD_PTR data = GetItemData(row);
    if (data == 0)
        return nullptr;
    // Item data this list did not make (set through the base class) is not taken for records.
    ListCellData* records = reinterpret_cast<ListCellData*>(data);
    return recordLengths.count(records) != 0 ? records : nullptr;
}

ListCellData* CXListCtrl::Cell(int row, int column) const {
    ListCellData* records = Records(row);
    if (records == nullptr || column < 0)
        return nullptr;
    // A column added after the row was inserted has no record in it.
    return column < RecordLength(records) ? &records[column] : nullptr;
}

int CXListCtrl::RecordLength(const ListCellData* records) const {
    auto found = recordLengths.find(records);
    return found != recordLengths.end() ? found->second : 0;
}

const ListCellData* CXListCtrl::GetCellData(int row, int column) const {
    if (!IsValidRow(row) || !IsValidColumn(column))
        return nullptr;
    return Cell(row, column);
}

void CXListCtrl::FreeRecords(ListCellData* records) {
    auto found = recordLengths.find(records);
    if (found == recordLengths.end())
        return;
    checkedCounts.RowRemoved(records, found->second);
    recordLengths.erase(found);
    cell_records::Free(records);
}

void CXListCtrl::FreeAllRecords() {
    int rows = GetItemCount();
    for (int row = 0; row < rows; ++row) {
        ListCellData* records = Records(row);
        if (records == nullptr)
            continue;
        FreeRecords(records);
        SetItemData(row, 0);
    }
}

// ---- operations ----

int CXListCtrl::InsertItem(int row, LPCSTR text) {
    if (row < 0)
        return -1;
    return InsertItem(row, text, colorWindowText, colorWindow);
}

int CXListCtrl::InsertItem(int row, LPCSTR text, COLORREF textColor, COLORREF backColor) {
    if (row < 0)
        return -1;
    // The records go in with the row, in one message; setting them afterwards would cost the owner
    // two more notifications per row.
    int columns = GetColumnCount();
    ListCellData* records = cell_records::Allocate(columns, colorWindowText, colorWindow);
    if (records != nullptr) {
        recordLengths[records] = columns > 0 ? columns : 1;
        records[0].textColor = textColor;
        records[0].backColor = backColor;
        records[0].image = -1;
    }
    LVITEMA item = {};
    item.mask = LVIF_TEXT | (records != nullptr ? LVIF_PARAM : 0u);
    item.iItem = row;
    item.pszText = const_cast<LPSTR>(text);
    item.lParam = reinterpret_cast<LPARAM>(records);
    int index = CListCtrl::InsertItem(&item);
    if (index < 0) {
        FreeRecords(records);
        return index;
    }
    if (records == nullptr)
        return -1; // the row stays, without records
    return index;
}

BOOL CXListCtrl::SetItemText(int row, int column, LPCSTR text) {
    if (!IsValidRow(row) || !IsValidColumn(column))
        return FALSE;
    BOOL result = CListCtrl::SetItemText(row, column, text);
    RedrawCell(row, column);
    return result;
}

BOOL CXListCtrl::SetItemText(int row, int column, LPCSTR text, COLORREF textColor, COLORREF backColor) {
    if (!IsValidRow(row) || !IsValidColumn(column))
        return FALSE;
    BOOL result = text != nullptr ? CListCtrl::SetItemText(row, column, text) : TRUE;
    if (ListCellData* cell = Cell(row, column)) {
        cell->textColor = textColor == kUseSystemColor ? colorWindowText : textColor;
        cell->backColor = backColor == kUseSystemColor ? colorWindow : backColor;
    }
    RedrawCell(row, column);
    return result;
}

BOOL CXListCtrl::DeleteAllItems() {
    FreeAllRecords();
    return CListCtrl::DeleteAllItems();
}

BOOL CXListCtrl::SetCellCheck(int row, int column, int state) {
    if (!IsValidRow(row) || !IsValidColumn(column))
        return FALSE;
    ListCellData* cell = Cell(row, column);
    if (cell == nullptr)
        return FALSE;
    checkedCounts.CellChanged(column, cell->checkState, state);
    cell->checkState = state;
    RedrawCell(row, column);
    FollowHeader(column);
    return TRUE;
}

void CXListCtrl::FollowHeader(int column) {
    const int ticked = checkedCounts.Count(column);
    const int rows = GetItemCount();
    if (redrawOff) {
        if (pendingHeaders.size() <= static_cast<size_t>(column))
            pendingHeaders.resize(static_cast<size_t>(column) + 1);
        PendingHeader& header = pendingHeaders[static_cast<size_t>(column)];
        if (!header.pending) {
            header.pending = true;
            header.shown = header.target = ReadHeaderImage(column);
        }
        header.target = check_rules::HeaderAfterCellChange(header.target, ticked, rows);
        return;
    }
    const int shown = ReadHeaderImage(column);
    const int target = check_rules::HeaderAfterCellChange(shown, ticked, rows);
    if (target != shown)
        WriteHeaderImage(column, target);
}

void CXListCtrl::SettleHeaders() {
    std::vector<PendingHeader> pending;
    pending.swap(pendingHeaders);
    for (size_t column = 0; column < pending.size(); ++column) {
        const PendingHeader& header = pending[column];
        if (header.pending && header.target != header.shown && IsValidColumn(static_cast<int>(column)))
            WriteHeaderImage(static_cast<int>(column), header.target);
    }
}

int CXListCtrl::GetCellCheck(int row, int column) const {
    if (!IsValidRow(row) || !IsValidColumn(column))
        return -1;
    const ListCellData* cell = Cell(row, column);
    return cell != nullptr ? cell->checkState : -1;
}

void CXListCtrl::CellFromPoint(POINT point, int* row, int* column) const {
    LVHITTESTINFO hit = {};
    hit.pt = point;
    hit.iItem = -1;
    hit.iSubItem = -1;
    SubItemHitTest(&hit);
    if (hit.iItem == -1)
        return;
    if (row != nullptr)
        *row = hit.iItem;
    if (column != nullptr)
        *column = hit.iSubItem;
}

int CXListCtrl::GetColumnCount() const {
    HWND headerWindow = GetHeaderCtrl();
    if (headerWindow == nullptr)
        return 0;
    return static_cast<int>(::SendMessageA(headerWindow, HDM_GETITEMCOUNT, 0, 0));
}

int CXListCtrl::GetHeaderCheck(int column) const {
    if (!IsValidColumn(column))
        return -1;
    // While redraw is off the header may not show its box's state yet; the list knows it.
    if (static_cast<size_t>(column) < pendingHeaders.size() &&
        pendingHeaders[static_cast<size_t>(column)].pending)
        return pendingHeaders[static_cast<size_t>(column)].target;
    return ReadHeaderImage(column);
}

int CXListCtrl::ReadHeaderImage(int column) const {
    HDITEMA item = {};
    item.mask = HDI_IMAGE;
    ::SendMessageA(GetHeaderCtrl(), HDM_GETITEMA, static_cast<WPARAM>(column),
                   reinterpret_cast<LPARAM>(&item));
    return item.iImage;
}

BOOL CXListCtrl::SetHeaderCheck(int column, int state) {
    if (!IsValidColumn(column))
        return FALSE;
    // What the caller sets stands until a cell of the column changes again.
    if (static_cast<size_t>(column) < pendingHeaders.size())
        pendingHeaders[static_cast<size_t>(column)].pending = false;
    WriteHeaderImage(column, state);
    return TRUE;
}

void CXListCtrl::WriteHeaderImage(int column, int state) const {
    HDITEMA item = {};
    item.mask = HDI_IMAGE;
    item.iImage = state;
    ::SendMessageA(GetHeaderCtrl(), HDM_SETITEMA, static_cast<WPARAM>(column),
                   reinterpret_cast<LPARAM>(&item));
}

int CXListCtrl::CountCheckedCells(int column) const {
    if (!IsValidColumn(column))
        return 0;
    return checkedCounts.Count(column);
}

void CXListCtrl::RedrawCell(int row, int column) {
    if (redrawOff)
        return;
    RECT rect;
    if (!GetCellRect(row, column, LVIR_BOUNDS, &rect))
        return;
    InvalidateRect(&rect, TRUE);
    UpdateWindow();
}

BOOL CXListCtrl::GetCellRect(int row, int column, int area, RECT* rect) const {
    if (!IsValidRow(row) || !IsValidColumn(column) || rect == nullptr)
        return FALSE;
    BOOL result = GetSubItemRect(row, column, area, rect);
    const int columns = GetColumnCount();
    if (column == 0 && columns > 1) {
        // Column 0's bounds are the whole row's; the cell ends where column 1 begins.
        RECT second;
        result = GetSubItemRect(row, 1, LVIR_BOUNDS, &second);
        *rect = ToRect(cell_geometry::ClipFirstColumn(ToGeometry(*rect), columns, second.left));
    }
    return result;
}

BOOL CXListCtrl::LoadCheckImages(const std::vector<CheckStrip>& strips, COLORREF transparent) {
    std::vector<int> sizes;
    for (const CheckStrip& strip : strips)
        sizes.push_back(strip.size);
    const int size = dpi::PickImageSize(16, screenDpi, sizes);
    for (const CheckStrip& strip : strips)
        if (strip.size == size)
            return checkImages.Create(strip.bitmapId, size, 3, transparent);
    return FALSE;
}

void CXListCtrl::SubclassHeader() {
    if (headerSubclassed)
        return;
    HWND headerWindow = GetHeaderCtrl();
    if (headerWindow == nullptr)
        return;
    if (header.SubclassWindow(headerWindow))
        headerSubclassed = true;
}

void CXListCtrl::RedrawColumn(int column) {
    if (redrawOff)
        return;
    // Only the rows in view can show a change: from the first of them down to the client's bottom.
    const int top = static_cast<int>(SendMessage(LVM_GETTOPINDEX));
    RECT first, client;
    if (!GetCellRect(top, column, LVIR_BOUNDS, &first))
        return;
    GetClientRect(&client);
    RECT strip = {first.left, first.top, first.right, client.bottom};
    InvalidateRect(&strip, TRUE);
    UpdateWindow();
}

void CXListCtrl::PreSubclassWindow() {
    CListCtrl::PreSubclassWindow();
    SubclassHeader();
}

INT_PTR CXListCtrl::OnToolHitTest(POINT, TOOLINFOA*) const {
    return -1;
}

BOOL CXListCtrl::OnNeedToolTipText(UINT, NMHDR*, LRESULT*) {
    return FALSE;
}

// ---- messages ----

LRESULT CXListCtrl::OnCreate(WPARAM, LPARAM) {
    if (Default() == -1)
        return -1;
    SubclassHeader();
    return 0;
}

LRESULT CXListCtrl::OnDestroy(WPARAM, LPARAM) {
    // The rows stay until the list view goes; only their records are given back now.
    FreeAllRecords();
    return Default();
}

LRESULT CXListCtrl::OnPaint(WPARAM, LPARAM) {
    LRESULT result = Default();
    if (GetItemCount() == 0)
        PaintEmptyMessage();
    return result;
}

LRESULT CXListCtrl::OnSysColorChange(WPARAM, LPARAM) {
    LRESULT result = Default();
    ReadColors();
    // The header is a child of the list; it learns of the change from here.
    if (headerSubclassed && header.m_hWnd != nullptr)
        header.SendMessage(WM_SYSCOLORCHANGE);
    return result;
}

LRESULT CXListCtrl::OnSetRedraw(WPARAM on, LPARAM) {
    const bool wasOff = redrawOff;
    redrawOff = on == FALSE;
    LRESULT result = Default();
    if (wasOff && !redrawOff) {
        SettleHeaders();
        ::RedrawWindow(m_hWnd, nullptr, nullptr,
                       RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
    }
    return result;
}

LRESULT CXListCtrl::OnSetItem(WPARAM, LPARAM lParam) {
    // Item data set through the base class can take a row's records off it (or put them back): the
    // counts follow the records the rows hold.
    const auto* item = reinterpret_cast<const LVITEMA*>(lParam);
    if (item == nullptr || (item->mask & LVIF_PARAM) == 0 || item->iSubItem != 0)
        return Default();
    const ListCellData* before = Records(item->iItem);
    LRESULT result = Default();
    const ListCellData* after = Records(item->iItem);
    if (before != after) {
        checkedCounts.RowRemoved(before, RecordLength(before));
        checkedCounts.RowAdded(after, RecordLength(after));
    }
    return result;
}

LRESULT CXListCtrl::OnClick(NMHDR*, bool& handled) {
    // The owner decides what a click on a cell means.
    handled = false;
    return 0;
}

LRESULT CXListCtrl::OnColumnClick(NMHDR* notify, bool& handled) {
    handled = false; // the owner still receives the column click
    int column = reinterpret_cast<NMLISTVIEW*>(notify)->iSubItem;
    if (!IsValidColumn(column))
        return 0;
    int headerState = GetHeaderCheck(column);
    if (headerState == check_rules::kNoHeaderBox)
        return 0;
    int newState = check_rules::HeaderAfterClick(headerState);
    SetHeaderCheck(column, newState);
    ::UpdateWindow(GetHeaderCtrl());
    const int cellState = check_rules::CellStateForHeader(newState);
    int rows = GetItemCount();
    for (int row = 0; row < rows; ++row) {
        ListCellData* cell = Cell(row, column);
        if (cell == nullptr || !cell->HasCheckBox())
            continue;
        checkedCounts.CellChanged(column, cell->checkState, cellState);
        cell->checkState = cellState;
    }
    // One repaint of the column's cells in view, not one per row.
    RedrawColumn(column);
    return 0;
}

LRESULT CXListCtrl::OnDeleteItem(NMHDR* notify, bool& handled) {
    // A row deleted on its own through the base class gives its records back.
    handled = false;
    ListCellData* records = reinterpret_cast<ListCellData*>(reinterpret_cast<NMLISTVIEW*>(notify)->lParam);
    if (records != nullptr)
        FreeRecords(records);
    return 0;
}

LRESULT CXListCtrl::OnToolTipText(NMHDR* notify, bool& handled) {
    LRESULT result = 0;
    handled = OnNeedToolTipText(static_cast<UINT>(notify->idFrom), notify, &result) != FALSE;
    return result;
}

ListRedrawOff::ListRedrawOff(CXListCtrl* list) : list_(list) {
    if (list_ == nullptr || list_->m_hWnd == nullptr || list_->IsRedrawOff())
        list_ = nullptr;
    else
        list_->SetRedraw(FALSE);
}

ListRedrawOff::~ListRedrawOff() {
    if (list_ != nullptr && list_->m_hWnd != nullptr)
        list_->SetRedraw(TRUE);
}
