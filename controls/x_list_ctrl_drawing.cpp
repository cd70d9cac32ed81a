// The check-box list's drawing: every cell through custom draw (check-box cells and text cells, in
// the colours of their records and the selection), and the message in the empty list.
#include "controls/x_list_ctrl.h"

#include <string>

#include "controls/cell_geometry.h"
#include "controls/rect_conversion.h"
#include "controls/selection_colors.h"
#include "ui/gdi_objects.h"

namespace {

constexpr COLORREF kTickColor = RGB(0, 0, 0);

using cell_geometry::ToGeometry;
using cell_geometry::ToRect;

// Restores a drawing context's state when a cell is done with it.
class SavedDCState {
public:
    explicit SavedDCState(HDC dc) : m_dc(dc), m_saved(::SaveDC(dc)) {}
    ~SavedDCState() {
        if (m_saved != 0)
            ::RestoreDC(m_dc, m_saved);
    }

private:
    HDC m_dc;
    int m_saved;
};

} // namespace

LRESULT CXListCtrl::OnCustomDraw(NMHDR* notify) {
    NMLVCUSTOMDRAW* draw = reinterpret_cast<NMLVCUSTOMDRAW*>(notify);
    switch (draw->nmcd.dwDrawStage) {
    case CDDS_PREPAINT:
        return CDRF_NOTIFYITEMDRAW;
    case CDDS_ITEMPREPAINT:
        return CDRF_NOTIFYSUBITEMDRAW;
    case CDDS_ITEMPREPAINT | CDDS_SUBITEM: {
        int row = static_cast<int>(draw->nmcd.dwItemSpec);
        int column = draw->iSubItem;
        COLORREF text = colorWindowText, back = colorWindow;
        const ListCellData* cell = Cell(row, column);
        if (cell != nullptr) {
            text = cell->textColor;
            back = cell->backColor;
        }
        RECT rect;
        if (!GetCellRect(row, column, LVIR_BOUNDS, &rect))
            return CDRF_SKIPDEFAULT;
        CDC dc;
        dc.Attach(draw->nmcd.hdc);
        {
            SavedDCState saved(dc.m_hDC);
            if (cell != nullptr && cell->HasCheckBox())
                PaintCheckCell(&dc, row, column, rect, text, back);
            else
                PaintCellText(&dc, row, column, rect, text, back);
        }
        dc.Detach();
        return CDRF_SKIPDEFAULT;
    }
    default:
        return CDRF_DODEFAULT;
    }
}

void CXListCtrl::ResolveCellColors(int row, int column, COLORREF* text, COLORREF* back) const {
    selection_colors::ListState state;
    state.rowSelected = GetItemState(row, LVIS_SELECTED) != 0;
    state.fullRowSelect = (GetExtendedStyle() & LVS_EX_FULLROWSELECT) != 0;
    state.hasFocus = ::GetFocus() == m_hWnd;
    state.showSelAlways = (GetStyle() & LVS_SHOWSELALWAYS) != 0;
    selection_colors::SystemColors system = {colorWindow, colorWindowText, colorHighlight, colorHighlightText,
                                             colorButtonFace};
    selection_colors::CellColors resolved = selection_colors::Resolve(state, column, {*text, *back}, system);
    *text = resolved.text;
    *back = resolved.back;
}

void CXListCtrl::PaintCheckCell(CDC* dc, int row, int column, const RECT& rect, COLORREF text,
                                COLORREF back) {
    ResolveCellColors(row, column, &text, &back);
    dc->FillSolidRect(rect, back);
    std::string label = CListCtrl::GetItemText(row, column);
    cell_geometry::CheckCellLayout layout =
        cell_geometry::LayOutCheckCell(ToGeometry(rect), label.empty(), screenDpi);
    dc->FillSolidRect(ToRect(layout.box), colorWindow);
    RECT frame = ToRect(layout.frame);
    dc->DrawEdge(&frame, EDGE_SUNKEN, BF_RECT);
    const ListCellData* cell = Cell(row, column);
    if (cell != nullptr && cell->checkState == 1) {
        CPen pen(PS_SOLID, 1, kTickColor);
        HGDIOBJ previous = dc->SelectObject(pen);
        for (const cell_geometry::TickStroke& stroke : cell_geometry::TickStrokes(layout.frame, screenDpi)) {
            dc->MoveTo(stroke.x, stroke.top);
            dc->LineTo(stroke.x, stroke.bottom);
        }
        dc->SelectObject(previous);
    }
    if (!label.empty()) {
        dc->SetBkMode(TRANSPARENT);
        dc->SetTextColor(text);
        dc->SetBkColor(back);
        RECT area = ToRect(layout.text);
        dc->DrawText(label.c_str(), -1, &area, DT_LEFT | DT_VCENTER | DT_SINGLELINE);
    }
}

void CXListCtrl::PaintCellText(CDC* dc, int row, int column, const RECT& rect, COLORREF text, COLORREF back) {
    ResolveCellColors(row, column, &text, &back);
    dc->FillSolidRect(rect, back);
    const ListCellData* records = Records(row);
    const ListCellData* cell = Cell(row, column);
    RECT area = rect;

    // The record fields below are kept for completeness; the exception lists leave them at their
    // defaults, so these branches draw only what a caller explicitly asks for.
    if (records != nullptr && !records[0].enabled)
        text = ::GetSysColor(COLOR_GRAYTEXT);
    if (cell != nullptr && cell->progressShown) {
        RECT bar = area;
        ::InflateRect(&bar, -2, -2);
        if (bar.right > bar.left && bar.bottom > bar.top) {
            dc->DrawEdge(&bar, BDR_SUNKENOUTER, BF_RECT | BF_ADJUST);
            int percent =
                cell->progressPercent < 0 ? 0 : (cell->progressPercent > 100 ? 100 : cell->progressPercent);
            RECT filled = bar;
            filled.right = bar.left + (bar.right - bar.left) * percent / 100;
            dc->FillSolidRect(filled, colorHighlight);
            if (cell->progressTextShown) {
                std::string progress = cell_records::ProgressText(*cell);
                dc->SetBkMode(TRANSPARENT);
                dc->SetTextColor(text);
                dc->DrawText(progress.c_str(), -1, &bar, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
            }
        }
        return;
    }
    if (cell != nullptr && cell->image >= 0) {
        HIMAGELIST images = reinterpret_cast<HIMAGELIST>(SendMessage(LVM_GETIMAGELIST, LVSIL_SMALL));
        int width = 0, height = 0;
        if (images != nullptr && ImageList_GetIconSize(images, &width, &height)) {
            int left = area.left + header.spacing;
            ImageList_Draw(images, cell->image, dc->m_hDC, left, (area.top + area.bottom - height) / 2,
                           ILD_TRANSPARENT);
            area.left = left + width + header.spacing;
        }
    }

    std::string label = CListCtrl::GetItemText(row, column);
    if (label.empty())
        return;
    UINT format = DT_VCENTER | DT_SINGLELINE;
    HDITEMA item = {};
    item.mask = HDI_FORMAT;
    ::SendMessageA(GetHeaderCtrl(), HDM_GETITEMA, static_cast<WPARAM>(column),
                   reinterpret_cast<LPARAM>(&item));
    switch (cell_geometry::AlignmentFromJustify(item.fmt & HDF_JUSTIFYMASK)) {
    case cell_geometry::TextAlign::Center:
        format |= DT_CENTER;
        break;
    case cell_geometry::TextAlign::Left:
        format |= DT_LEFT;
        break;
    case cell_geometry::TextAlign::Right:
        format |= DT_RIGHT;
        break;
    }
    CFont bold;
    HGDIOBJ previousFont = nullptr;
    if (cell != nullptr && cell->bold) {
        LOGFONTA font = {};
        HGDIOBJ current = ::GetCurrentObject(dc->m_hDC, OBJ_FONT);
        if (current != nullptr && ::GetObjectA(current, sizeof(font), &font) != 0) {
            font.lfWeight = FW_BOLD;
            if (bold.CreateFontIndirect(&font))
                previousFont = dc->SelectObject(bold);
        }
    }
    dc->SetBkMode(TRANSPARENT);
    dc->SetTextColor(text);
    dc->SetBkColor(back);
    dc->DrawText(label.c_str(), -1, &area, format);
    if (previousFont != nullptr)
        dc->SelectObject(previousFont);
}

void CXListCtrl::PaintEmptyMessage() {
    HDC dc = ::GetDC(m_hWnd);
    if (dc == nullptr)
        return;
    int saved = ::SaveDC(dc);
    RECT window;
    GetWindowRect(&window);
    ScreenToClient(&window);
    HWND headerWindow = GetHeaderCtrl();
    bool hasHeader = headerWindow != nullptr && ::IsWindowVisible(headerWindow);
    RECT first = {0, 0, 0, 0};
    if (hasHeader)
        ::SendMessageA(headerWindow, HDM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&first));
    RECT area =
        ToRect(cell_geometry::EmptyMessageArea(ToGeometry(window), hasHeader, first.bottom, screenDpi));
    CBrush brush(colorWindow);
    ::FillRect(dc, &area, brush);
    ::SetTextColor(dc, colorWindowText);
    ::SetBkColor(dc, colorWindow);
    // At 96 DPI the message has the stock variable-width font. That font keeps its size at other
    // DPIs, so there the message takes the list's own font, which grows with the screen's text.
    HGDIOBJ font = ::GetStockObject(ANSI_VAR_FONT);
    if (screenDpi != dpi::kBaseDpi) {
        if (HGDIOBJ listFont = reinterpret_cast<HGDIOBJ>(SendMessage(WM_GETFONT)))
            font = listFont;
    }
    ::SelectObject(dc, font);
    ::DrawTextA(dc, kEmptyMessage, -1, &area, DT_CENTER | DT_WORDBREAK | DT_NOPREFIX | DT_NOCLIP);
    ::RestoreDC(dc, saved);
    ::ReleaseDC(m_hWnd, dc);
}
