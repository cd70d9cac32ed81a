// What the check-box list and its header put on screen, read back from the real windows at the places
// the geometry promises.
#include "check_list_fixture.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "controls/cell_geometry.h"

namespace testing_controls {
namespace {

class CheckListPixels : public CheckListTest {
protected:
    cell_geometry::CheckCellLayout Layout(int row, int column, bool emptyText) {
        RECT cell;
        EXPECT_TRUE(dialog->list.GetCellRect(row, column, LVIR_BOUNDS, &cell));
        return cell_geometry::LayOutCheckCell({cell.left, cell.top, cell.right, cell.bottom}, emptyText);
    }
    COLORREF ListPixel(int x, int y) const { return Pixel(dialog->list.m_hWnd, x, y); }
    // Rows of the area where some pixel has the colour: first and last, or -1.
    std::pair<int, int> RowsWithColor(HWND window, const RECT& area, COLORREF color) const {
        HDC dc = ::GetDC(window);
        int first = -1, last = -1;
        for (int y = area.top; y < area.bottom; ++y)
            for (int x = area.left; x < area.right; ++x)
                if (::GetPixel(dc, x, y) == color) {
                    if (first < 0)
                        first = y;
                    last = y;
                    break;
                }
        ::ReleaseDC(window, dc);
        return {first, last};
    }
    struct BlueColumns {
        int left, right; // x range of one run of columns that hold blue
        int top, bottom; // the rows where those columns hold blue
    };
    // Runs of neighbouring pixel columns of the area that hold blue, from left to right.
    std::vector<BlueColumns> BlueRuns(HWND window, const RECT& area) const {
        std::vector<BlueColumns> runs;
        HDC dc = ::GetDC(window);
        bool inRun = false;
        for (int x = area.left; x < area.right; ++x) {
            int top = -1, bottom = -1;
            for (int y = area.top; y < area.bottom; ++y)
                if (::GetPixel(dc, x, y) == kBlue) {
                    if (top < 0)
                        top = y;
                    bottom = y;
                }
            if (top < 0) {
                inRun = false;
                continue;
            }
            if (!inRun)
                runs.push_back({x, x, top, bottom});
            BlueColumns& run = runs.back();
            run.right = x;
            run.top = std::min(run.top, top);
            run.bottom = std::max(run.bottom, bottom);
            inRun = true;
        }
        ::ReleaseDC(window, dc);
        return runs;
    }
    RECT HeaderItem(int index) const {
        RECT item = {};
        ::SendMessageA(dialog->list.GetHeaderCtrl(), HDM_GETITEMRECT, index, reinterpret_cast<LPARAM>(&item));
        return item;
    }
};

TEST_F(CheckListPixels, CheckBoxSitsNinePixelsInWithASunkenFrameAndItsTick) {
    CXListCtrl& list = dialog->list;
    FillList(list);
    list.SetItemText(0, 0, "On");
    list.SetItemText(1, 0, "Off");
    Repaint();
    COLORREF window = ::GetSysColor(COLOR_WINDOW);
    for (int row : {0, 1}) {
        cell_geometry::CheckCellLayout layout = Layout(row, 0, false);
        RECT cell;
        list.GetCellRect(row, 0, LVIR_BOUNDS, &cell);
        ASSERT_EQ(layout.box.left, cell.left + 9);
        const cell_geometry::Rect& f = layout.frame;
        // The sunken edge: shadow and dark shadow at the top left, highlight and light at the bottom right.
        EXPECT_EQ(ListPixel(f.left + 4, f.top), ::GetSysColor(COLOR_BTNSHADOW)) << row;
        EXPECT_EQ(ListPixel(f.left, f.top + 4), ::GetSysColor(COLOR_BTNSHADOW)) << row;
        EXPECT_EQ(ListPixel(f.left + 4, f.top + 1), ::GetSysColor(COLOR_3DDKSHADOW)) << row;
        EXPECT_EQ(ListPixel(f.left + 4, f.bottom - 1), ::GetSysColor(COLOR_BTNHIGHLIGHT)) << row;
        EXPECT_EQ(ListPixel(f.right - 1, f.top + 4), ::GetSysColor(COLOR_BTNHIGHLIGHT)) << row;
        EXPECT_EQ(ListPixel(f.left + 4, f.bottom - 2), ::GetSysColor(COLOR_3DLIGHT)) << row;
        // The box's own first column, left of the moved frame, is in the window colour.
        EXPECT_EQ(ListPixel(layout.box.left, f.top + 4), window) << row;
        // The text starts 4 pixels right of the box: nothing of it before that.
        RECT gap = {layout.box.right, cell.top, layout.box.right + 4, cell.bottom};
        EXPECT_EQ(CountColor(list.m_hWnd, gap, ::GetSysColor(COLOR_WINDOWTEXT)), 0) << row;
        RECT label = {layout.text.left, cell.top, layout.text.left + 20, cell.bottom};
        EXPECT_GT(CountColor(list.m_hWnd, label, ::GetSysColor(COLOR_WINDOWTEXT)), 5) << row;
    }
    // Row 0 is ticked: black exactly along the tick's strokes; row 1 is clear inside.
    cell_geometry::CheckCellLayout ticked = Layout(0, 0, false);
    for (const cell_geometry::TickStroke& s : cell_geometry::TickStrokes(ticked.frame))
        for (int y = s.top; y < s.bottom; ++y)
            EXPECT_EQ(ListPixel(s.x, y), kBlack) << s.x << "," << y;
    auto strokes = cell_geometry::TickStrokes(ticked.frame);
    EXPECT_NE(ListPixel(strokes[0].x, strokes[0].top - 1), kBlack);
    EXPECT_NE(ListPixel(strokes[0].x, strokes[0].bottom), kBlack);
    EXPECT_NE(ListPixel(strokes[0].x + 1, strokes[0].top + 1), kBlack);
    cell_geometry::CheckCellLayout clear = Layout(1, 0, false);
    RECT inside = {clear.frame.left + 2, clear.frame.top + 2, clear.frame.right - 2, clear.frame.bottom - 2};
    EXPECT_EQ(CountColor(list.m_hWnd, inside, kBlack), 0);
    EXPECT_EQ(CountColor(list.m_hWnd, inside, window),
              (inside.right - inside.left) * (inside.bottom - inside.top));
}

TEST_F(CheckListPixels, CellChangesAreOnScreenWhenTheCallReturns) {
    CXListCtrl& list = dialog->list;
    FillList(list);
    Repaint();
    cell_geometry::CheckCellLayout layout = Layout(1, 0, true);
    auto strokes = cell_geometry::TickStrokes(layout.frame);
    ASSERT_NE(ListPixel(strokes[3].x, strokes[3].top), kBlack);
    // No message is pumped between the call and the reads.
    list.SetCellCheck(1, 0, 1);
    EXPECT_EQ(ListPixel(strokes[3].x, strokes[3].top), kBlack);
    RECT name;
    list.GetCellRect(1, 1, LVIR_BOUNDS, &name);
    list.SetItemText(1, 1, nullptr, kWhite, kBlue);
    EXPECT_EQ(ListPixel(name.left + 1, name.top + 1), kBlue);

    // With redraw off nothing is painted; switching it on paints the list and its header at once.
    list.SetRedraw(FALSE);
    list.SetCellCheck(1, 0, 0);
    list.SetItemText(1, 1, nullptr, kBlue, kWhite);
    EXPECT_EQ(ListPixel(strokes[3].x, strokes[3].top), kBlack);
    EXPECT_EQ(ListPixel(name.left + 1, name.top + 1), kBlue);
    list.SetRedraw(TRUE);
    EXPECT_NE(ListPixel(strokes[3].x, strokes[3].top), kBlack);
    EXPECT_EQ(ListPixel(name.left + 1, name.top + 1), kWhite);

    // A click on the header repaints the whole column before it returns.
    NMLISTVIEW click = {};
    click.hdr = NMHDR{list.m_hWnd, static_cast<UINT_PTR>(kListId), static_cast<UINT>(LVN_COLUMNCLICK)};
    click.iSubItem = 0;
    dialog->SendMessage(WM_NOTIFY, kListId, reinterpret_cast<LPARAM>(&click));
    ASSERT_EQ(list.GetHeaderCheck(0), 2);
    for (int row = 0; row < list.GetItemCount(); ++row) {
        auto rowStrokes = cell_geometry::TickStrokes(Layout(row, 0, true).frame);
        EXPECT_EQ(ListPixel(rowStrokes[3].x, rowStrokes[3].top), kBlack) << row;
    }
}

TEST_F(CheckListPixels, BoxIsCentredInACellWithoutText) {
    CXListCtrl& list = dialog->list;
    FillList(list); // column 0 has no text in these rows
    Repaint();
    RECT cell;
    list.GetCellRect(2, 0, LVIR_BOUNDS, &cell);
    cell_geometry::CheckCellLayout layout = Layout(2, 0, true);
    int size = cell.bottom - 1 - cell.top;
    EXPECT_EQ(layout.box.left, cell.left + (cell.right - cell.left) / 2 - size / 2 - 1);
    EXPECT_EQ(ListPixel(layout.frame.left, layout.frame.top + 4), ::GetSysColor(COLOR_BTNSHADOW));
    EXPECT_EQ(ListPixel(layout.frame.left - 1, layout.frame.top + 4), ::GetSysColor(COLOR_WINDOW));
    EXPECT_EQ(ListPixel(cell.left + 9, layout.frame.top + 4), ::GetSysColor(COLOR_WINDOW))
        << "nothing at the indented place";
}

TEST_F(CheckListPixels, RemoveCellIsPureBlueOnWhiteAndTextFollowsTheColumnFormat) {
    CXListCtrl& list = dialog->list;
    FillList(list);
    Repaint();
    RECT cell;
    list.GetCellRect(0, 3, LVIR_BOUNDS, &cell);
    EXPECT_EQ(ListPixel(cell.left + 1, cell.top + 1), kWhite);
    EXPECT_EQ(ListPixel(cell.right - 2, cell.bottom - 2), kWhite);
    int blue = CountColor(list.m_hWnd, cell, kBlue);
    int white = CountColor(list.m_hWnd, cell, kWhite);
    EXPECT_GT(blue, 20);
    EXPECT_EQ(blue + white, (cell.right - cell.left) * (cell.bottom - cell.top)) << "only blue and white";
    // "Remove" is centred: the white margins left and right of the ink differ only by the glyphs' side
    // bearings (centring works on advance widths), a few pixels at most.
    HDC dc = ::GetDC(list.m_hWnd);
    int leftmost = cell.right, rightmost = cell.left;
    for (int y = cell.top; y < cell.bottom; ++y)
        for (int x = cell.left; x < cell.right; ++x)
            if (::GetPixel(dc, x, y) == kBlue) {
                leftmost = std::min(leftmost, static_cast<int>(x));
                rightmost = std::max(rightmost, static_cast<int>(x));
            }
    ::ReleaseDC(list.m_hWnd, dc);
    EXPECT_LE(std::abs((leftmost - cell.left) - (cell.right - 1 - rightmost)), 4);

    // The port column is right-aligned, the name column left-aligned.
    COLORREF text = ::GetSysColor(COLOR_WINDOWTEXT);
    RECT port;
    list.GetCellRect(0, 2, LVIR_BOUNDS, &port);
    RECT portRight = {port.right - 20, port.top, port.right, port.bottom};
    RECT portLeft = {port.left, port.top, port.left + 20, port.bottom};
    EXPECT_GT(CountColor(list.m_hWnd, portRight, text), 0);
    EXPECT_EQ(CountColor(list.m_hWnd, portLeft, text), 0);
    RECT name;
    list.GetCellRect(0, 1, LVIR_BOUNDS, &name);
    RECT nameLeft = {name.left, name.top, name.left + 15, name.bottom};
    RECT nameRight = {name.right - 15, name.top, name.right, name.bottom};
    EXPECT_GT(CountColor(list.m_hWnd, nameLeft, text), 0);
    EXPECT_EQ(CountColor(list.m_hWnd, nameRight, text), 0);
}

TEST_F(CheckListPixels, SelectedRowUsesTheHighlightColoursOnlyWhileTheListHasFocus) {
    CXListCtrl& list = dialog->list;
    FillList(list);
    list.SetItemState(1, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    list.SetFocus();
    PumpMessages(30);
    ASSERT_EQ(::GetFocus(), list.m_hWnd);
    Repaint();
    COLORREF highlight = ::GetSysColor(COLOR_HIGHLIGHT), highlightText = ::GetSysColor(COLOR_HIGHLIGHTTEXT);
    for (int column = 0; column < 4; ++column) {
        RECT cell;
        list.GetCellRect(1, column, LVIR_BOUNDS, &cell);
        EXPECT_EQ(ListPixel(cell.left + 2, cell.top + 1), highlight) << column;
    }
    RECT name;
    list.GetCellRect(1, 1, LVIR_BOUNDS, &name);
    EXPECT_GT(CountColor(list.m_hWnd, name, highlightText), 5);
    RECT other;
    list.GetCellRect(0, 1, LVIR_BOUNDS, &other);
    EXPECT_EQ(ListPixel(other.left + 2, other.top + 1), ::GetSysColor(COLOR_WINDOW));

    // Focus elsewhere: the list lacks LVS_SHOWSELALWAYS, so the row shows its own colours.
    ::SetFocus(dialog->GetDlgItem(kEditId));
    PumpMessages(30);
    Repaint();
    EXPECT_EQ(ListPixel(name.left + 2, name.top + 1), ::GetSysColor(COLOR_WINDOW));
    RECT remove;
    list.GetCellRect(1, 3, LVIR_BOUNDS, &remove);
    EXPECT_EQ(ListPixel(remove.left + 2, remove.top + 1), kWhite);
    EXPECT_GT(CountColor(list.m_hWnd, remove, kBlue), 20);

    // A list that shows its selection always paints the row in button face with window text then.
    list.ModifyStyle(0, LVS_SHOWSELALWAYS);
    Repaint();
    COLORREF face = ::GetSysColor(COLOR_BTNFACE);
    EXPECT_EQ(ListPixel(name.left + 2, name.top + 1), face);
    EXPECT_EQ(ListPixel(remove.left + 2, remove.top + 1), face);
    EXPECT_EQ(CountColor(list.m_hWnd, remove, kBlue), 0) << "the row's own text colour gives way too";
    list.ModifyStyle(LVS_SHOWSELALWAYS, 0);

    // Without full-row select only the first cell of the selected row takes the highlight.
    list.SetExtendedStyle(0);
    list.SetFocus();
    PumpMessages(30);
    ASSERT_EQ(::GetFocus(), list.m_hWnd);
    Repaint();
    RECT first;
    list.GetCellRect(1, 0, LVIR_BOUNDS, &first);
    EXPECT_EQ(ListPixel(first.left + 2, first.top + 1), highlight);
    EXPECT_EQ(ListPixel(name.left + 2, name.top + 1), ::GetSysColor(COLOR_WINDOW));
    EXPECT_EQ(ListPixel(remove.left + 2, remove.top + 1), kWhite);
}

TEST_F(CheckListPixels, HeaderIsFlatWithBlueTitlesSeparatorsBetweenColumnsAndABorderAsWideAsThem) {
    CXListCtrl& list = dialog->list;
    FillList(list);
    Repaint();
    HWND header = list.GetHeaderCtrl();
    RECT client;
    ::GetClientRect(header, &client);
    COLORREF face = ::GetSysColor(COLOR_BTNFACE), light = ::GetSysColor(COLOR_BTNHIGHLIGHT),
             shadow = ::GetSysColor(COLOR_BTNSHADOW);
    int total = 0;
    for (int i = 0; i < 4; ++i)
        total += HeaderItem(i).right - HeaderItem(i).left;
    ASSERT_LT(total, client.right - 10) << "the test needs free band right of the columns";
    int mid = (client.top + client.bottom) / 2;

    for (int i = 0; i < 4; ++i) {
        RECT item = HeaderItem(i);
        EXPECT_GT(CountColor(header, item, kBlue), 10) << "title " << i;
        if (i < 3) {
            EXPECT_EQ(Pixel(header, item.right - 1, mid), shadow) << "separator " << i;
            EXPECT_EQ(Pixel(header, item.right, mid), light) << "separator " << i;
            EXPECT_EQ(Pixel(header, item.right - 1, item.top + 1), face) << "separator inset " << i;
        }
    }
    // After the last column: the border's right side, then only the band.
    RECT last = HeaderItem(3);
    EXPECT_EQ(Pixel(header, last.right - 1, mid), shadow);
    EXPECT_EQ(Pixel(header, last.right, mid), face) << "no separator after the last column";
    // The raised border: light top and left, shadow bottom and right, exactly the columns' width.
    EXPECT_EQ(Pixel(header, 0, mid), light);
    EXPECT_EQ(Pixel(header, total / 2, 0), light);
    EXPECT_EQ(Pixel(header, total - 2, 0), light);
    EXPECT_EQ(Pixel(header, total, 0), face);
    EXPECT_EQ(Pixel(header, total / 2, client.bottom - 1), shadow);
    EXPECT_EQ(Pixel(header, total - 1, client.bottom - 1), shadow);
    EXPECT_EQ(Pixel(header, total, client.bottom - 1), face);
    EXPECT_EQ(Pixel(header, total + 20, mid), face);

    // Column 0 has the clear box 6 pixels in; its title is centred in the rest of the item.
    RECT first = HeaderItem(0);
    int imageTop = (first.top + first.bottom) / 2 - 8;
    EXPECT_EQ(Pixel(header, first.left + 6 + 1, imageTop + 1), kBlack);
    EXPECT_EQ(Pixel(header, first.left + 6 + 5, imageTop + 5), kWhite);
    RECT beforeTitle = {first.left + 1, first.top + 1, first.left + 6 + 16 + 6, first.bottom - 1};
    EXPECT_EQ(CountColor(header, beforeTitle, kBlue), 0);
    // Ticking every row shows the ticked image.
    list.SetCellCheck(1, 0, 1);
    Repaint();
    EXPECT_EQ(list.GetHeaderCheck(0), 2);
    EXPECT_EQ(Pixel(header, first.left + 6 + 7, imageTop + 7), kStripMark);
    // The other columns have no image: their first pixels are band.
    RECT second = HeaderItem(1);
    EXPECT_EQ(Pixel(header, second.left + 8, imageTop + 1), face);
}

TEST_F(CheckListPixels, ReorderedColumnsArePaintedInDisplayOrder) {
    CXListCtrl& list = dialog->list;
    FillList(list);
    int order[] = {0, 3, 1, 2};
    ASSERT_TRUE(::SendMessageA(list.GetHeaderCtrl(), HDM_SETORDERARRAY, 4, reinterpret_cast<LPARAM>(order)));
    Repaint();
    HWND header = list.GetHeaderCtrl();
    RECT client;
    ::GetClientRect(header, &client);
    int mid = (client.top + client.bottom) / 2;
    COLORREF face = ::GetSysColor(COLOR_BTNFACE), light = ::GetSysColor(COLOR_BTNHIGHLIGHT);
    RECT remove = HeaderItem(3), port = HeaderItem(2);
    ASSERT_LT(remove.right, port.left) << "column 3 is now shown second";
    // The last column in display order (2) has no separator; column 3, now in the middle, has one.
    EXPECT_EQ(Pixel(header, remove.right, mid), light);
    EXPECT_EQ(Pixel(header, port.right, mid), face);
    EXPECT_GT(CountColor(header, remove, kBlue), 10);
}

TEST_F(CheckListPixels, LongTitleEndsInAnEllipsisInsideItsColumn) {
    CXListCtrl& list = dialog->list;
    FillList(list);
    HDITEMA item = {};
    item.mask = HDI_TEXT;
    item.pszText = const_cast<LPSTR>("A title much too long for its column");
    ::SendMessageA(list.GetHeaderCtrl(), HDM_SETITEMA, 2, reinterpret_cast<LPARAM>(&item));
    Repaint();
    RECT port = HeaderItem(2);
    RECT margins[] = {{port.left, port.top + 2, port.left + 6, port.bottom - 2},
                      {port.right - 6, port.top + 2, port.right, port.bottom - 2}};
    for (const RECT& margin : margins)
        EXPECT_EQ(CountColor(list.GetHeaderCtrl(), margin, kBlue), 0);
    EXPECT_GT(CountColor(list.GetHeaderCtrl(), port, kBlue), 10);
    // The title ends in three dots: the last three runs of blue are low and flat, on one baseline,
    // where a title only clipped would end in the strokes of a cut letter.
    const std::vector<BlueColumns> runs = BlueRuns(list.GetHeaderCtrl(), port);
    ASSERT_GE(runs.size(), 4u);
    for (std::size_t i = runs.size() - 3; i < runs.size(); ++i) {
        EXPECT_LE(runs[i].bottom - runs[i].top, 2) << "run " << i << " is no dot";
        EXPECT_EQ(runs[i].bottom, runs.back().bottom) << "run " << i << " is off the dots' line";
        EXPECT_LE(runs[i].right - runs[i].left, 2) << "run " << i << " is no dot";
    }
    EXPECT_GT(runs[runs.size() - 4].bottom - runs[runs.size() - 4].top, 2)
        << "a letter comes before the dots";
}

TEST_F(CheckListPixels, ARightAlignedColumnStillHasItsTitleCentred) {
    CXListCtrl& list = dialog->list;
    FillList(list);
    HDITEMA format = {};
    format.mask = HDI_FORMAT;
    ::SendMessageA(list.GetHeaderCtrl(), HDM_GETITEMA, 2, reinterpret_cast<LPARAM>(&format));
    ASSERT_EQ(format.fmt & HDF_JUSTIFYMASK, HDF_RIGHT) << "column 2 is right-aligned";
    Repaint();
    RECT port = HeaderItem(2);
    const std::vector<BlueColumns> runs = BlueRuns(list.GetHeaderCtrl(), port);
    ASSERT_FALSE(runs.empty());
    const int titleLeft = runs.front().left, titleRight = runs.back().right;
    const int itemMiddle = (port.left + port.right) / 2;
    EXPECT_LE(std::abs((titleLeft + titleRight) / 2 - itemMiddle), 2)
        << "title at " << titleLeft << ".." << titleRight << " in " << port.left << ".." << port.right;
    EXPECT_GT(port.right - 6 - titleRight, 6) << "the title keeps off the right edge";
}

TEST_F(CheckListPixels, EmptyListShowsItsMessageTenPixelsBelowTheHeaderUntilARowArrives) {
    CXListCtrl& empty = dialog->emptyList;
    Repaint();
    RECT client;
    empty.GetClientRect(&client);
    RECT headerItem;
    ::SendMessageA(empty.GetHeaderCtrl(), HDM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&headerItem));
    COLORREF text = ::GetSysColor(COLOR_WINDOWTEXT);
    RECT below = {client.left, headerItem.bottom, client.right, client.bottom};
    auto rows = RowsWithColor(empty.m_hWnd, below, text);
    ASSERT_GE(rows.first, 0) << "the message is drawn";
    // The text starts 10 px below the header; some fonts put a pixel of ink one row above their
    // line box, so the ink may begin a row early but never further up.
    EXPECT_GE(rows.first, headerItem.bottom + 10 - 1);
    EXPECT_LE(rows.first, headerItem.bottom + 10 + 4) << "its first line starts at the gap";
    RECT gap = {client.left, headerItem.bottom, client.right, headerItem.bottom + 9};
    EXPECT_EQ(CountColor(empty.m_hWnd, gap, ::GetSysColor(COLOR_WINDOW)), (client.right - client.left) * 9);
    EXPECT_GT(rows.second - rows.first, 12) << "the narrow list wraps the message";
    // Each line is centred: the first line's ink leaves about as much room on the left as on the right.
    int leftmost = client.right, rightmost = client.left;
    HDC dc = ::GetDC(empty.m_hWnd);
    for (int y = rows.first; y < rows.first + 10; ++y)
        for (int x = client.left; x < client.right; ++x)
            if (::GetPixel(dc, x, y) == text) {
                leftmost = std::min(leftmost, x);
                rightmost = std::max(rightmost, x);
            }
    ::ReleaseDC(empty.m_hWnd, dc);
    ASSERT_LT(leftmost, rightmost);
    EXPECT_GT(leftmost - client.left, 4);
    EXPECT_LE(std::abs((leftmost - client.left) - (client.right - 1 - rightmost)), 4);

    // A row makes it go at the next paint.
    empty.InsertItem(0, "");
    Repaint();
    RECT lower = {client.left, rows.second - 4, client.right, rows.second + 1};
    EXPECT_EQ(CountColor(empty.m_hWnd, lower, text), 0);
}

// Captures the test dialog with a filled list from the screen, as a user would see it, and saves it as
// a BMP when PALISOR_SCREENSHOT_DIR names a folder (a Windows path, e.g. Z:\tmp).
TEST_F(CheckListPixels, ScreenCaptureOfAFilledListShowsItsBlueTexts) {
    CXListCtrl& list = dialog->list;
    FillList(list);
    list.SetItemText(0, 0, "On");
    list.SetItemState(2, LVIS_SELECTED, LVIS_SELECTED);
    list.SetFocus();
    Repaint();
    RECT window;
    dialog->GetWindowRect(&window);
    int width = window.right - window.left, height = window.bottom - window.top;
    HDC screen = ::GetDC(nullptr);
    HDC memory = ::CreateCompatibleDC(screen);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP dib = ::CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    ASSERT_NE(dib, nullptr);
    HGDIOBJ previous = ::SelectObject(memory, dib);
    EXPECT_TRUE(::BitBlt(memory, 0, 0, width, height, screen, window.left, window.top, SRCCOPY));
    ::GdiFlush();
    DWORD stride = ((static_cast<DWORD>(width) * 3 + 3) & ~3u);
    // Four titles and three "Remove" cells in pure blue (stored blue, green, red).
    const unsigned char* pixels = static_cast<const unsigned char*>(bits);
    int blue = 0;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const unsigned char* p = pixels + static_cast<DWORD>(y) * stride + static_cast<DWORD>(x) * 3;
            blue += (p[0] == 255 && p[1] == 0 && p[2] == 0) ? 1 : 0;
        }
    EXPECT_GT(blue, 7 * 15);

    const char* folder = std::getenv("PALISOR_SCREENSHOT_DIR");
    if (folder != nullptr && *folder != '\0') {
        BITMAPFILEHEADER file = {};
        file.bfType = 0x4D42;
        file.bfOffBits = sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER);
        file.bfSize = file.bfOffBits + stride * static_cast<DWORD>(height);
        std::string path = std::string(folder) + "\\check_list.bmp";
        FILE* out = std::fopen(path.c_str(), "wb");
        EXPECT_NE(out, nullptr) << path;
        if (out != nullptr) {
            std::fwrite(&file, sizeof(file), 1, out);
            std::fwrite(&info.bmiHeader, sizeof(info.bmiHeader), 1, out);
            std::fwrite(bits, 1, stride * static_cast<DWORD>(height), out);
            EXPECT_EQ(std::fclose(out), 0);
        }
    }
    ::SelectObject(memory, previous);
    ::DeleteObject(dib);
    ::DeleteDC(memory);
    ::ReleaseDC(nullptr, screen);
}

} // namespace
} // namespace testing_controls
