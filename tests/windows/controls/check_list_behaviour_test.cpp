// The check-box list's operations and messages on a real list view in a dialog.
#include "check_list_fixture.h"

namespace testing_controls {
namespace {

using CheckListBehaviour = CheckListTest;

// Counts every column's ticked cells row by row, as the list itself no longer does, and compares.
void ExpectCountsMatchRows(CXListCtrl& list, const char* step) {
    for (int column = 0; column < list.GetColumnCount(); ++column) {
        int ticked = 0;
        for (int row = 0; row < list.GetItemCount(); ++row)
            ticked += list.GetCellCheck(row, column) == 1 ? 1 : 0;
        EXPECT_EQ(list.CountCheckedCells(column), ticked) << step << ", column " << column;
    }
}

// What the header window itself holds, past the list's own bookkeeping.
int HeaderImage(const CXListCtrl& list, int column) {
    HDITEMA item = {};
    item.mask = HDI_IMAGE;
    ::SendMessageA(list.GetHeaderCtrl(), HDM_GETITEMA, column, reinterpret_cast<LPARAM>(&item));
    return item.iImage;
}

TEST_F(CheckListBehaviour, HeaderBoxFollowsTheCellsOfItsColumn) {
    CXListCtrl& list = dialog->list;
    FillList(list);
    EXPECT_EQ(list.GetHeaderCheck(0), 1) << "row 1 is clear";
    EXPECT_EQ(list.CountCheckedCells(0), 2);
    // Ticking the last clear box ticks the header; clearing any box clears it again.
    EXPECT_TRUE(list.SetCellCheck(1, 0, 1));
    EXPECT_EQ(list.GetHeaderCheck(0), 2);
    EXPECT_TRUE(list.SetCellCheck(2, 0, 0));
    EXPECT_EQ(list.GetHeaderCheck(0), 1);
    EXPECT_EQ(list.GetCellCheck(2, 0), 0);
    // A column whose header image is 0 never changes its header, whatever its cells do.
    for (int row = 0; row < 3; ++row)
        EXPECT_TRUE(list.SetCellCheck(row, 1, 1));
    EXPECT_EQ(list.GetHeaderCheck(1), 0);
    EXPECT_EQ(list.CountCheckedCells(1), 3);
    // The state is stored as given.
    EXPECT_TRUE(list.SetCellCheck(0, 2, 7));
    EXPECT_EQ(list.GetCellCheck(0, 2), 7);
}

TEST_F(CheckListBehaviour, ARowWithoutABoxKeepsTheHeaderClearAndIsLeftAloneByTheColumnClick) {
    CXListCtrl& list = dialog->list;
    FillList(list);
    list.SetCellCheck(1, 0, 1);
    EXPECT_EQ(list.GetHeaderCheck(0), 2);
    // Take the box away from row 2: it no longer counts as ticked.
    EXPECT_TRUE(list.SetCellCheck(2, 0, -1));
    EXPECT_EQ(list.GetCellCheck(2, 0), -1);
    list.SetCellCheck(0, 0, 1);
    EXPECT_EQ(list.GetHeaderCheck(0), 1) << "two ticked of three rows";

    // A real click on the header of column 0.
    RECT item;
    ::SendMessageA(list.GetHeaderCtrl(), HDM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&item));
    LPARAM at = MAKELPARAM((item.left + item.right) / 2, (item.top + item.bottom) / 2);
    ::PostMessageA(list.GetHeaderCtrl(), WM_LBUTTONDOWN, MK_LBUTTON, at);
    ::PostMessageA(list.GetHeaderCtrl(), WM_LBUTTONUP, 0, at);
    PumpMessages(100);
    ASSERT_EQ(dialog->columnClicks, 1) << "the owner still receives the column click";
    EXPECT_EQ(dialog->lastColumnClicked, 0);
    EXPECT_EQ(list.GetHeaderCheck(0), 2);
    EXPECT_EQ(list.GetCellCheck(0, 0), 1);
    EXPECT_EQ(list.GetCellCheck(1, 0), 1);
    EXPECT_EQ(list.GetCellCheck(2, 0), -1);

    // A second click clears the real boxes and the header.
    ::PostMessageA(list.GetHeaderCtrl(), WM_LBUTTONDOWN, MK_LBUTTON, at);
    ::PostMessageA(list.GetHeaderCtrl(), WM_LBUTTONUP, 0, at);
    PumpMessages(100);
    EXPECT_EQ(dialog->columnClicks, 2);
    EXPECT_EQ(list.GetHeaderCheck(0), 1);
    EXPECT_EQ(list.GetCellCheck(0, 0), 0);
    EXPECT_EQ(list.GetCellCheck(1, 0), 0);
    EXPECT_EQ(list.GetCellCheck(2, 0), -1);
}

TEST_F(CheckListBehaviour, TickedCountsStayEqualToTheRowsThroughEveryChange) {
    CXListCtrl& list = dialog->list;
    FillList(list);
    ExpectCountsMatchRows(list, "filled");
    // Ticking a ticked box, clearing a clear one, odd states and a box taken away.
    list.SetCellCheck(0, 0, 1);
    list.SetCellCheck(1, 0, 0);
    list.SetCellCheck(2, 0, 7);
    list.SetCellCheck(2, 1, 1);
    list.SetCellCheck(2, 1, 1);
    list.SetCellCheck(0, 1, 0);
    ExpectCountsMatchRows(list, "set");
    EXPECT_EQ(list.CountCheckedCells(0), 1);
    list.SetCellCheck(2, 0, 1);
    list.SetCellCheck(0, 0, -1);
    ExpectCountsMatchRows(list, "box taken away");
    for (int row = 3; row < 40; ++row) {
        list.InsertItem(row, "");
        list.SetCellCheck(row, 0, row % 3 == 0 ? 1 : 0);
    }
    // A row inserted in the middle, with its box ticked.
    list.InsertItem(5, "");
    list.SetCellCheck(5, 0, 1);
    ExpectCountsMatchRows(list, "added");
    // Single rows deleted through the base class, ticked and clear.
    list.DeleteItem(2);
    list.DeleteItem(3);
    list.DeleteItem(list.GetItemCount() - 1);
    ExpectCountsMatchRows(list, "deleted");
    // Records taken off a ticked row through the base class, and put back.
    int ticked = 0;
    while (ticked < list.GetItemCount() && list.GetCellCheck(ticked, 0) != 1)
        ++ticked;
    ASSERT_LT(ticked, list.GetItemCount());
    const int before = list.CountCheckedCells(0);
    const DWORD_PTR records = list.GetItemData(ticked);
    list.SetItemData(ticked, 0);
    EXPECT_EQ(list.CountCheckedCells(0), before - 1);
    ExpectCountsMatchRows(list, "records off");
    list.SetItemData(ticked, records);
    EXPECT_EQ(list.CountCheckedCells(0), before);
    ExpectCountsMatchRows(list, "records back");

    // The header click ticks every box, then clears every box, and the counts follow.
    NMLISTVIEW click = {};
    click.hdr = NMHDR{list.m_hWnd, static_cast<UINT_PTR>(kListId), static_cast<UINT>(LVN_COLUMNCLICK)};
    click.iItem = -1;
    click.iSubItem = 0;
    dialog->SendMessage(WM_NOTIFY, kListId, reinterpret_cast<LPARAM>(&click));
    ExpectCountsMatchRows(list, "header ticked");
    EXPECT_EQ(list.CountCheckedCells(0), list.GetItemCount() - 1) << "row 0 has no box";
    dialog->SendMessage(WM_NOTIFY, kListId, reinterpret_cast<LPARAM>(&click));
    ExpectCountsMatchRows(list, "header cleared");
    EXPECT_EQ(list.CountCheckedCells(0), 0);
    list.SetCellCheck(1, 0, 1);
    EXPECT_EQ(list.CountCheckedCells(0), 1);

    // Emptied, and filled again: the count starts from nothing.
    EXPECT_TRUE(list.DeleteAllItems());
    EXPECT_EQ(list.CountCheckedCells(0), 0);
    EXPECT_EQ(list.CountCheckedCells(1), 0);
    for (int row = 0; row < 4; ++row) {
        list.InsertItem(row, "");
        list.SetCellCheck(row, 0, 1);
    }
    ExpectCountsMatchRows(list, "refilled");
    EXPECT_EQ(list.CountCheckedCells(0), 4);
    EXPECT_EQ(list.GetHeaderCheck(0), 2);
}

TEST_F(CheckListBehaviour, WithRedrawOffTheHeaderBoxFollowsOnceRedrawComesBack) {
    CXListCtrl& list = dialog->list;
    FillList(list);
    ASSERT_EQ(list.GetHeaderCheck(0), 1);
    {
        ListRedrawOff fill(&list);
        EXPECT_TRUE(list.IsRedrawOff());
        { ListRedrawOff nested(&list); }
        EXPECT_TRUE(list.IsRedrawOff()) << "an inner fill leaves the outer one's redraw off";
        list.SetCellCheck(1, 0, 1);
        // The list answers with the box's state; the header window gets it when redraw is on again.
        EXPECT_EQ(list.GetHeaderCheck(0), 2);
        EXPECT_EQ(HeaderImage(list, 0), 1);
        list.SetCellCheck(0, 0, 0);
        list.SetCellCheck(0, 0, 1);
        EXPECT_EQ(list.GetHeaderCheck(0), 2);
        // A column without a header box keeps none.
        list.SetCellCheck(0, 1, 1);
        EXPECT_EQ(list.GetHeaderCheck(1), 0);
    }
    EXPECT_FALSE(list.IsRedrawOff());
    EXPECT_EQ(HeaderImage(list, 0), 2);
    EXPECT_EQ(HeaderImage(list, 1), 0);

    // What the owner sets while redraw is off stands until a cell changes again.
    list.SetRedraw(FALSE);
    list.SetCellCheck(2, 0, 0);
    EXPECT_TRUE(list.SetHeaderCheck(0, 2));
    EXPECT_EQ(list.GetHeaderCheck(0), 2);
    list.SetRedraw(TRUE);
    EXPECT_EQ(HeaderImage(list, 0), 2);
    list.SetRedraw(FALSE);
    list.SetCellCheck(1, 0, 0);
    EXPECT_TRUE(list.DeleteAllItems());
    list.SetRedraw(TRUE);
    EXPECT_EQ(HeaderImage(list, 0), 1) << "the last change left one of three rows ticked";
}

TEST_F(CheckListBehaviour, ClickOnAColumnWithoutHeaderBoxChangesNothing) {
    CXListCtrl& list = dialog->list;
    FillList(list);
    list.SetCellCheck(0, 1, 1);
    NMLISTVIEW click = {};
    click.hdr = NMHDR{list.m_hWnd, static_cast<UINT_PTR>(kListId), static_cast<UINT>(LVN_COLUMNCLICK)};
    click.iItem = -1;
    click.iSubItem = 1;
    dialog->SendMessage(WM_NOTIFY, kListId, reinterpret_cast<LPARAM>(&click));
    EXPECT_EQ(dialog->columnClicks, 1);
    EXPECT_EQ(list.GetHeaderCheck(1), 0);
    EXPECT_EQ(list.GetCellCheck(0, 1), 1);
    EXPECT_EQ(list.GetCellCheck(1, 1), -1);
}

TEST_F(CheckListBehaviour, RowClickReachesTheOwnerAndTogglesNothing) {
    CXListCtrl& list = dialog->list;
    FillList(list);
    RECT cell;
    ASSERT_TRUE(list.GetCellRect(1, 0, LVIR_BOUNDS, &cell));
    LPARAM at = MAKELPARAM(cell.left + 15, (cell.top + cell.bottom) / 2);
    ::PostMessageA(list.m_hWnd, WM_LBUTTONDOWN, MK_LBUTTON, at);
    ::PostMessageA(list.m_hWnd, WM_LBUTTONUP, 0, at);
    PumpMessages(100);
    EXPECT_EQ(dialog->clicks, 1);
    EXPECT_EQ(dialog->clickRow, 1);
    EXPECT_EQ(dialog->clickColumn, 0);
    EXPECT_EQ(list.GetCellCheck(1, 0), 0) << "the list never toggles a box by itself";
}

TEST_F(CheckListBehaviour, CellFromPointWritesOnlyWhenThePointIsOverARow) {
    CXListCtrl& list = dialog->list;
    FillList(list);
    RECT cell;
    ASSERT_TRUE(list.GetCellRect(2, 2, LVIR_BOUNDS, &cell));
    int row = 11, column = 22;
    list.CellFromPoint(POINT{cell.left + 3, cell.top + 3}, &row, &column);
    EXPECT_EQ(row, 2);
    EXPECT_EQ(column, 2);
    RECT client;
    list.GetClientRect(&client);
    row = 11;
    column = 22;
    list.CellFromPoint(POINT{client.right - 5, client.bottom - 5}, &row, &column);
    EXPECT_EQ(row, 11);
    EXPECT_EQ(column, 22);
    list.CellFromPoint(POINT{-50, -50}, &row, &column);
    EXPECT_EQ(row, 11);
    EXPECT_EQ(column, 22);
}

TEST_F(CheckListBehaviour, InvalidRowsAndColumnsAreRefusedAndChangeNothing) {
    CXListCtrl& list = dialog->list;
    FillList(list);
    int rows = list.GetItemCount();
    ASSERT_EQ(rows, 3);
    ASSERT_EQ(list.GetColumnCount(), 4);
    RECT rect = {1, 2, 3, 4};
    for (int row : {-1, rows, 100}) {
        EXPECT_EQ(list.GetCellCheck(row, 0), -1) << row;
        EXPECT_FALSE(list.SetCellCheck(row, 0, 1)) << row;
        EXPECT_FALSE(list.SetItemText(row, 1, "x")) << row;
        EXPECT_FALSE(list.SetItemText(row, 1, "x", kBlue, kWhite)) << row;
        EXPECT_FALSE(list.GetCellRect(row, 0, LVIR_BOUNDS, &rect)) << row;
        list.RedrawCell(row, 0);
    }
    for (int column : {-1, 4, 50}) {
        EXPECT_EQ(list.GetCellCheck(0, column), -1) << column;
        EXPECT_FALSE(list.SetCellCheck(0, column, 1)) << column;
        EXPECT_FALSE(list.SetItemText(0, column, "x")) << column;
        EXPECT_EQ(list.GetHeaderCheck(column), -1) << column;
        EXPECT_FALSE(list.SetHeaderCheck(column, 2)) << column;
        EXPECT_EQ(list.CountCheckedCells(column), 0) << column;
        EXPECT_FALSE(list.GetCellRect(0, column, LVIR_BOUNDS, &rect)) << column;
    }
    EXPECT_EQ(rect.left, 1);
    EXPECT_EQ(rect.bottom, 4);
    EXPECT_EQ(list.InsertItem(-1, "x"), -1);
    EXPECT_EQ(list.InsertItem(-3, "x", kBlue, kWhite), -1);
    EXPECT_EQ(list.GetItemCount(), 3);
    EXPECT_EQ(list.GetHeaderCheck(0), 1);
    EXPECT_EQ(list.CountCheckedCells(0), 2);
    EXPECT_EQ(list.CListCtrl::GetItemText(0, 1), "Web server");
}

TEST_F(CheckListBehaviour, RowsWithoutRecordsAreTextRowsThatRefuseBoxes) {
    CXListCtrl& list = dialog->list;
    SetUpColumns(list);
    // A row inserted through the list view itself has no records.
    static_cast<CListCtrl&>(list).InsertItem(0, "bare");
    list.InsertItem(1, "");
    list.SetCellCheck(1, 0, 1);
    EXPECT_EQ(list.GetCellData(0, 0), nullptr);
    EXPECT_FALSE(list.SetCellCheck(0, 0, 1));
    EXPECT_EQ(list.GetCellCheck(0, 0), -1);
    EXPECT_TRUE(list.SetItemText(0, 1, "text", kBlue, kWhite)) << "the text is still set";
    EXPECT_EQ(list.CListCtrl::GetItemText(0, 1), "text");
    EXPECT_EQ(list.CountCheckedCells(0), 1);
    EXPECT_EQ(list.GetHeaderCheck(0), 1) << "the bare row counts as not ticked";
    // Item data the list did not make is never taken for records.
    list.SetItemData(0, 0x1234);
    EXPECT_EQ(list.GetCellCheck(0, 0), -1);
    Repaint();
    list.SetItemData(0, 0);
}

TEST_F(CheckListBehaviour, RecordsAreFreedByDeleteAllItemsByDestructionAndBySingleDeletes) {
    long before = cell_records::LiveArrays();
    CXListCtrl& list = dialog->list;
    FillList(list);
    EXPECT_EQ(cell_records::LiveArrays(), before + 3);
    EXPECT_TRUE(list.DeleteAllItems());
    EXPECT_EQ(list.GetItemCount(), 0);
    EXPECT_EQ(cell_records::LiveArrays(), before);

    for (int row = 0; row < 4; ++row)
        list.InsertItem(row, "r");
    EXPECT_EQ(cell_records::LiveArrays(), before + 4);
    list.DeleteItem(1);
    EXPECT_EQ(cell_records::LiveArrays(), before + 3);
    // Destroying the window gives back every remaining array; the rows went with the window.
    dialog->DestroyWindow();
    EXPECT_EQ(cell_records::LiveArrays(), before);
}

TEST_F(CheckListBehaviour, ColoursOfMinusOneBecomeTheCurrentSystemColours) {
    CXListCtrl& list = dialog->list;
    FillList(list);
    EXPECT_TRUE(list.SetItemText(0, 3, nullptr, static_cast<COLORREF>(-1), static_cast<COLORREF>(-1)));
    const ListCellData* cell = list.GetCellData(0, 3);
    ASSERT_NE(cell, nullptr);
    EXPECT_EQ(cell->textColor, ::GetSysColor(COLOR_WINDOWTEXT));
    EXPECT_EQ(cell->backColor, ::GetSysColor(COLOR_WINDOW));
    EXPECT_EQ(list.CListCtrl::GetItemText(0, 3), "Remove") << "a null text leaves the text";

    // New system colours are read again on WM_SYSCOLORCHANGE, by the list and its header.
    struct ChangedColors {
        int elements[3] = {COLOR_WINDOW, COLOR_WINDOWTEXT, COLOR_BTNFACE};
        COLORREF saved[3] = {::GetSysColor(COLOR_WINDOW), ::GetSysColor(COLOR_WINDOWTEXT),
                             ::GetSysColor(COLOR_BTNFACE)};
        COLORREF changed[3] = {RGB(250, 250, 200), RGB(20, 40, 60), RGB(200, 210, 220)};
        bool applied = ::SetSysColors(3, elements, changed) != FALSE;
        // The session's colours come back even when an expectation fails.
        ~ChangedColors() {
            if (applied)
                ::SetSysColors(3, elements, saved);
        }
    } colors;
    ASSERT_TRUE(colors.applied);
    list.SendMessage(WM_SYSCOLORCHANGE);
    EXPECT_EQ(list.colorWindow, colors.changed[0]);
    EXPECT_EQ(list.colorWindowText, colors.changed[1]);
    EXPECT_EQ(list.colorButtonFace, colors.changed[2]);
    EXPECT_EQ(list.header.colorFace, colors.changed[2]);
    list.SetItemText(1, 3, nullptr, static_cast<COLORREF>(-1), static_cast<COLORREF>(-1));
    EXPECT_EQ(list.GetCellData(1, 3)->textColor, colors.changed[1]);
    EXPECT_EQ(list.GetCellData(1, 3)->backColor, colors.changed[0]);
    // The header band is painted in the new face colour; titles stay blue.
    Repaint();
    RECT item;
    ::SendMessageA(list.GetHeaderCtrl(), HDM_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&item));
    EXPECT_EQ(Pixel(list.GetHeaderCtrl(), item.left + 3, item.top + 3), colors.changed[2]);
    EXPECT_GT(CountColor(list.GetHeaderCtrl(), item, kBlue), 10);
}

TEST_F(CheckListBehaviour, ListCreatedDirectlyTakesOverItsHeaderOnCreation) {
    CXListCtrl created;
    ASSERT_TRUE(created.Create(WC_LISTVIEWA, "", WS_VISIBLE | WS_BORDER | LVS_REPORT, RECT{5, 250, 305, 350},
                               dialog.get(), 1010));
    EXPECT_TRUE(created.headerSubclassed);
    EXPECT_EQ(created.header.m_hWnd, created.GetHeaderCtrl());
    long before = cell_records::LiveArrays();
    FillList(created);
    EXPECT_EQ(created.GetHeaderCheck(0), 1);
    EXPECT_EQ(cell_records::LiveArrays(), before + 3);
    created.DestroyWindow();
    EXPECT_EQ(cell_records::LiveArrays(), before);
    EXPECT_EQ(created.header.m_hWnd, nullptr);
}

TEST_F(CheckListBehaviour, HeaderRecordsTheImageSizeOfItsList) {
    CXListCtrl& list = dialog->list;
    SetUpColumns(list);
    EXPECT_EQ(list.header.imageSize.cx, 16);
    EXPECT_EQ(list.header.imageSize.cy, 16);
    EXPECT_EQ(list.header.spacing, 6);
}

} // namespace
} // namespace testing_controls
