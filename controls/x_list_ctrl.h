// The check-box list: a report list that draws every cell itself, with per-cell colours and check
// boxes kept in one record per cell (ListCellData), a header check box per check-box column that
// follows its cells and sets them when clicked, and a message in the empty list.
//
// The list never toggles a cell's box by itself on a row click: the owner receives NM_CLICK, finds the
// cell with CellFromPoint and uses GetCellCheck / SetCellCheck.
//
// Filling costs the same for every row: the list keeps the number of ticked cells of each column, so
// a header box follows its cells without a recount, and while its redraw is off (WM_SETREDRAW, e.g.
// through ListRedrawOff during a fill) it paints no single cells and holds the header boxes' updates
// back; switching redraw on again brings the header boxes up to date and repaints the list once.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <unordered_map>
#include <vector>

#include "controls/check_rules.h"
#include "controls/list_cell_data.h"
#include "controls/x_header_ctrl.h"
#include "ui/dc.h"
#include "ui/image_list.h"
#include "ui/list_ctrl.h"

class CXListCtrl : public CListCtrl {
public:
    CXListCtrl();
    ~CXListCtrl() override;

    int InsertItem(int row, LPCSTR text);
    int InsertItem(int row, LPCSTR text, COLORREF textColor, COLORREF backColor);
    BOOL SetItemText(int row, int column, LPCSTR text);
    // A colour of -1 stands for the current system colour (window text, window).
    BOOL SetItemText(int row, int column, LPCSTR text, COLORREF textColor, COLORREF backColor);
    BOOL DeleteAllItems();

    BOOL SetCellCheck(int row, int column, int state);
    int GetCellCheck(int row, int column) const;
    // Writes both outputs when the point is over a row; leaves them alone otherwise.
    void CellFromPoint(POINT point, int* row, int* column) const;
    int GetColumnCount() const;
    int GetHeaderCheck(int column) const;
    BOOL SetHeaderCheck(int column, int state);
    int CountCheckedCells(int column) const;
    void RedrawCell(int row, int column);
    BOOL GetCellRect(int row, int column, int area, RECT* rect) const;
    void SubclassHeader();
    // WM_SETREDRAW; see the top of this file.
    void SetRedraw(BOOL on) { SendMessage(WM_SETREDRAW, on); }
    bool IsRedrawOff() const { return redrawOff; }

    // The three header images (blank, clear box, ticked box) side by side in a bitmap resource, drawn
    // for images of `size` pixels.
    struct CheckStrip {
        int size;
        UINT bitmapId;
    };
    // Fills checkImages from the strip drawn for the screen's DPI: of the strips (ascending sizes),
    // the largest that fits 16 pixels scaled. The colour `transparent` is left out of the images.
    BOOL LoadCheckImages(const std::vector<CheckStrip>& strips, COLORREF transparent);

    // The record of a cell, or null for a row without records (or a column its records do not cover).
    const ListCellData* GetCellData(int row, int column) const;

    void PreSubclassWindow() override;
    // Cell tooltips are not used: no cell offers a tool, and no text is supplied.
    virtual INT_PTR OnToolHitTest(POINT point, TOOLINFOA* info) const;
    virtual BOOL OnNeedToolTipText(UINT id, NMHDR* header, LRESULT* result);

    static constexpr const char* kEmptyMessage = "There are no items to show in this view.";

    CXHeaderCtrl header;
    CImageList checkImages;
    // The screen's DPI: boxes, ticks and gaps are 96-DPI pixels scaled to it.
    int screenDpi;
    bool headerSubclassed = false;
    COLORREF colorWindow, colorWindowText, colorHighlight, colorHighlightText, colorButtonFace;

protected:
    void ReadColors();
    bool IsValidRow(int row) const { return row >= 0 && row < GetItemCount(); }
    bool IsValidColumn(int column) const { return column >= 0 && column < GetColumnCount(); }
    ListCellData* Records(int row) const;
    ListCellData* Cell(int row, int column) const;
    void FreeAllRecords();
    void FreeRecords(ListCellData* records);
    int RecordLength(const ListCellData* records) const;

    // The header box of a column after one of its cells changed: at once, or noted while redraw is off.
    void FollowHeader(int column);
    // Writes the header boxes noted while redraw was off.
    void SettleHeaders();
    int ReadHeaderImage(int column) const;
    void WriteHeaderImage(int column, int state) const;
    // Repaints the visible cells of a column at once (nothing while redraw is off).
    void RedrawColumn(int column);

    void ResolveCellColors(int row, int column, COLORREF* text, COLORREF* back) const;
    void PaintCheckCell(CDC* dc, int row, int column, const RECT& rect, COLORREF text, COLORREF back);
    void PaintCellText(CDC* dc, int row, int column, const RECT& rect, COLORREF text, COLORREF back);
    void PaintEmptyMessage();

private:
    LRESULT OnCreate(WPARAM, LPARAM);
    LRESULT OnDestroy(WPARAM, LPARAM);
    LRESULT OnPaint(WPARAM, LPARAM);
    LRESULT OnSysColorChange(WPARAM, LPARAM);
    LRESULT OnSetRedraw(WPARAM, LPARAM);
    LRESULT OnSetItem(WPARAM, LPARAM);
    LRESULT OnClick(NMHDR* header, bool& handled);
    LRESULT OnCustomDraw(NMHDR* header);
    LRESULT OnColumnClick(NMHDR* header, bool& handled);
    LRESULT OnDeleteItem(NMHDR* header, bool& handled);
    LRESULT OnToolTipText(NMHDR* header, bool& handled);

    // The length of every record array this list made, by its address.
    std::unordered_map<const ListCellData*, int> recordLengths;
    // Ticked cells per column, over the rows that hold records.
    check_rules::CheckedCounts checkedCounts;
    bool redrawOff = false;
    // A header box whose update waits for redraw: the image it shows and the one it is to show.
    struct PendingHeader {
        bool pending = false;
        int shown = 0;
        int target = 0;
    };
    std::vector<PendingHeader> pendingHeaders;

    DECLARE_MESSAGE_TABLE()
};

// Switches a list's redraw off for its lifetime (a fill), then on again: the header boxes follow the
// rows and the list is repainted once. Does nothing for a null list, or one whose redraw is off already.
class ListRedrawOff {
public:
    explicit ListRedrawOff(CXListCtrl* list);
    ~ListRedrawOff();
    ListRedrawOff(const ListRedrawOff&) = delete;
    ListRedrawOff& operator=(const ListRedrawOff&) = delete;

private:
    CXListCtrl* list_;
};
