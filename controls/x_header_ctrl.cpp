#include "controls/x_header_ctrl.h"

#include "controls/header_geometry.h"
#include "controls/mem_dc.h"
#include "controls/rect_conversion.h"
#include "controls/screen_dpi.h"
#include "ui/gdi_objects.h"

namespace {

// Every title is drawn in pure blue, whatever the system's button-text colour.
constexpr COLORREF kTitleColor = RGB(0, 0, 255);
constexpr int kTitleBufferSize = 80;

using cell_geometry::ToGeometry;
using cell_geometry::ToRect;

} // namespace

BEGIN_MESSAGE_TABLE(CXHeaderCtrl, CHeaderCtrl)
ON_MESSAGE(WM_PAINT, &CXHeaderCtrl::OnPaint)
ON_MESSAGE(WM_ERASEBKGND, &CXHeaderCtrl::OnEraseBackground)
ON_MESSAGE(WM_SYSCOLORCHANGE, &CXHeaderCtrl::OnSysColorChange)
ON_MESSAGE(HDM_SETIMAGELIST, &CXHeaderCtrl::OnSetImageList)
ON_MESSAGE(HDM_LAYOUT, &CXHeaderCtrl::OnLayout)
END_MESSAGE_TABLE()

CXHeaderCtrl::CXHeaderCtrl()
    : screenDpi(dpi::ScreenDpi()), spacing(dpi::Scale(header_geometry::kSpacing, screenDpi)) {
    ReadColors();
}

void CXHeaderCtrl::ReadColors() {
    colorLight = ::GetSysColor(COLOR_BTNHIGHLIGHT);
    colorShadow = ::GetSysColor(COLOR_BTNSHADOW);
    colorFace = ::GetSysColor(COLOR_BTNFACE);
    colorText = ::GetSysColor(COLOR_BTNTEXT);
}

LRESULT CXHeaderCtrl::OnPaint(WPARAM, LPARAM) {
    CPaintDC paint(m_hWnd);
    CMemDC offscreen(&paint);
    PaintHeader(&offscreen);
    return 0;
}

LRESULT CXHeaderCtrl::OnSysColorChange(WPARAM, LPARAM) {
    LRESULT result = Default();
    ReadColors();
    return result;
}

LRESULT CXHeaderCtrl::OnSetImageList(WPARAM, LPARAM imageList) {
    IMAGEINFO info = {};
    HIMAGELIST list = reinterpret_cast<HIMAGELIST>(imageList);
    // Detaching the list (null) keeps the size of the last one.
    const SIZE before = imageSize;
    if (list != nullptr && ImageList_GetImageInfo(list, 0, &info)) {
        imageSize.cx = info.rcImage.right - info.rcImage.left;
        imageSize.cy = info.rcImage.bottom - info.rcImage.top;
    }
    LRESULT result = Default();
    // A taller image may need a taller header: the list lays out its header again when it is sized.
    HWND owner = ::GetParent(m_hWnd);
    RECT frame;
    if (imageSize.cy > before.cy && owner != nullptr && ::GetWindowRect(owner, &frame)) {
        const UINT flags = SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE;
        ::SetWindowPos(owner, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top + 1, flags);
        ::SetWindowPos(owner, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top, flags);
    }
    return result;
}

LRESULT CXHeaderCtrl::OnLayout(WPARAM, LPARAM layoutParam) {
    LRESULT result = Default();
    // The header's height follows its font; it also holds its images with a pixel to spare, as the
    // 16-pixel boxes have at 96 DPI, when the boxes are drawn larger for the screen.
    auto* layout = reinterpret_cast<HDLAYOUT*>(layoutParam);
    if (result == 0 || layout == nullptr || layout->pwpos == nullptr || layout->prc == nullptr)
        return result;
    const int needed = imageSize.cy > 0 ? imageSize.cy + dpi::Scale(1, screenDpi) : 0;
    if (layout->pwpos->cy < needed) {
        layout->prc->top += needed - layout->pwpos->cy;
        layout->pwpos->cy = needed;
    }
    return result;
}

void CXHeaderCtrl::PaintHeader(CDC* dc) {
    RECT clip;
    if (dc->GetClipBox(&clip) == ERROR)
        return;
    RECT client;
    GetClientRect(&client);
    dc->FillSolidRect(clip, colorFace);

    int count = GetItemCount();
    CPen lightPen(PS_SOLID, 1, colorLight);
    CPen shadowPen(PS_SOLID, 1, colorShadow);
    HGDIOBJ previousPen = ::GetCurrentObject(dc->m_hDC, OBJ_PEN);
    HFONT font = GetFont();
    HGDIOBJ previousFont = font != nullptr ? dc->SelectObject(font) : nullptr;
    dc->SetBkColor(colorFace);
    dc->SetTextColor(colorText);

    int total = 0;
    for (int position = 0; position < count; ++position) {
        int index = OrderToIndex(position);
        char text[kTitleBufferSize] = "";
        HDITEMA item = {};
        item.mask = HDI_WIDTH | HDI_TEXT | HDI_FORMAT | HDI_BITMAP | HDI_IMAGE;
        item.pszText = text;
        item.cchTextMax = kTitleBufferSize;
        GetItem(index, &item);
        RECT rect = {0, 0, 0, 0};
        GetItemRect(index, &rect);

        if (header_geometry::OverlapsHorizontally(ToGeometry(rect), ToGeometry(clip))) {
            if (item.fmt & HDF_OWNERDRAW) {
                DRAWITEMSTRUCT draw = {};
                draw.CtlType = ODT_HEADER;
                draw.CtlID = static_cast<UINT>(GetDlgCtrlID());
                draw.itemID = static_cast<UINT>(index);
                draw.itemAction = ODA_DRAWENTIRE;
                draw.itemState = 0;
                draw.hwndItem = m_hWnd;
                draw.hDC = dc->m_hDC;
                draw.rcItem = rect;
                draw.itemData = 0;
                DrawItem(&draw);
            } else {
                RECT inner = rect;
                inner.left += spacing;
                inner.right -= spacing;
                DrawHeaderItem(dc, inner, &item);
            }
            if (position < count - 1) {
                header_geometry::Separator separator =
                    header_geometry::SeparatorAt(ToGeometry(rect), screenDpi);
                dc->SelectObject(shadowPen);
                dc->MoveTo(separator.shadow.x, separator.shadow.top);
                dc->LineTo(separator.shadow.x, separator.shadow.bottom);
                dc->SelectObject(lightPen);
                dc->MoveTo(separator.light.x, separator.light.top);
                dc->LineTo(separator.light.x, separator.light.bottom);
            }
        }
        total += item.cxy;
    }

    if (total > 0) {
        header_geometry::Rect border = header_geometry::BorderRect(ToGeometry(client), total);
        dc->Draw3dRect(ToRect(border), colorLight, colorShadow);
    }
    if (previousFont != nullptr)
        dc->SelectObject(previousFont);
    dc->SelectObject(previousPen);
    // The pens are deleted when they go out of scope, after the previous pen is back.
}

void CXHeaderCtrl::DrawHeaderItem(CDC* dc, RECT rect, const HDITEMA* item) {
    HBITMAP bitmap = nullptr;
    BITMAP info = {};
    if ((item->fmt & HDF_BITMAP) && item->hbm != nullptr && ::GetObjectType(item->hbm) == OBJ_BITMAP &&
        ::GetObjectA(item->hbm, sizeof(info), &info) != 0)
        bitmap = item->hbm;

    const int imageUsed = PaintItemImage(dc, rect, item, false);
    const RECT besideImage = ToRect(header_geometry::TitleRect(ToGeometry(rect), imageUsed, 0, spacing));
    const int bitmapUsed = PaintItemBitmap(dc, besideImage, item, bitmap, info, true);
    PaintItemText(dc, ToRect(header_geometry::TitleRect(ToGeometry(rect), imageUsed, bitmapUsed, spacing)),
                  item);
}

int CXHeaderCtrl::PaintItemImage(CDC* dc, const RECT& rect, const HDITEMA* item, bool atRight) {
    HIMAGELIST list = GetImageList();
    header_geometry::ImagePlacement place = header_geometry::PlaceImage(
        ToGeometry(rect), item->iImage, list != nullptr, imageSize.cx, imageSize.cy, atRight);
    if (!place.drawn)
        return 0;
    COLORREF savedBack = ImageList_GetBkColor(list);
    ImageList_SetBkColor(list, dc->GetBkColor());
    IMAGELISTDRAWPARAMS params = {};
    params.cbSize = sizeof(params);
    params.himl = list;
    params.i = item->iImage;
    params.hdcDst = dc->m_hDC;
    params.x = place.x;
    params.y = place.y;
    params.cx = place.width;
    params.cy = place.height;
    params.rgbBk = CLR_DEFAULT;
    params.rgbFg = CLR_DEFAULT;
    params.fStyle = ILD_NORMAL;
    params.dwRop = SRCCOPY;
    ImageList_DrawIndirect(&params);
    ImageList_SetBkColor(list, savedBack);
    return place.used;
}

int CXHeaderCtrl::PaintItemBitmap(CDC* dc, const RECT& rect, const HDITEMA*, HBITMAP bitmap,
                                  const BITMAP& info, bool atRight) {
    header_geometry::BitmapPlacement place = header_geometry::PlaceBitmap(
        ToGeometry(rect), bitmap != nullptr, info.bmWidth, info.bmHeight, atRight);
    if (!place.drawn)
        return 0;
    CDC memory;
    if (!memory.CreateCompatibleDC(dc->m_hDC))
        return 0;
    HGDIOBJ previous = memory.SelectObject(bitmap);
    BOOL copied = dc->BitBlt(place.x, place.y, info.bmWidth, info.bmHeight, memory.m_hDC, 0, 0, SRCCOPY);
    memory.SelectObject(previous);
    return copied ? info.bmWidth : 0;
}

void CXHeaderCtrl::PaintItemText(CDC* dc, const RECT& rect, const HDITEMA* item) {
    dc->SetTextColor(kTitleColor);
    if (rect.right - rect.left <= 0 || !(item->mask & HDI_TEXT) || !(item->fmt & HDF_STRING) ||
        item->pszText == nullptr)
        return;
    RECT area = rect;
    // The column's own alignment is not used for its title.
    dc->DrawText(item->pszText, -1, &area, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS);
}
