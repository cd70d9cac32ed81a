// The flat header of the check-box list: a button-face band, titles centred in blue, an image from
// the header's image list at the left of a title (the column's check box), an optional bitmap at
// the right, etched separators between columns and a raised border around the columns' width.
// It paints off screen and never erases its background separately.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include "ui/dc.h"
#include "ui/header_ctrl.h"

class CXHeaderCtrl : public CHeaderCtrl {
public:
    CXHeaderCtrl();

    // Draws one item that is not owner-drawn, inside the item's margins.
    virtual void DrawHeaderItem(CDC* dc, RECT rect, const HDITEMA* item);

    // The screen's DPI; the margins and separators are 96-DPI pixels scaled to it.
    int screenDpi;
    int spacing;
    SIZE imageSize = {0, 0};
    COLORREF colorLight, colorShadow, colorFace, colorText;

protected:
    void PaintHeader(CDC* dc);
    int PaintItemImage(CDC* dc, const RECT& rect, const HDITEMA* item, bool atRight);
    int PaintItemBitmap(CDC* dc, const RECT& rect, const HDITEMA* item, HBITMAP bitmap, const BITMAP& info,
                        bool atRight);
    void PaintItemText(CDC* dc, const RECT& rect, const HDITEMA* item);
    void ReadColors();

private:
    LRESULT OnPaint(WPARAM, LPARAM);
    LRESULT OnEraseBackground(WPARAM, LPARAM) { return TRUE; }
    LRESULT OnSysColorChange(WPARAM, LPARAM);
    LRESULT OnSetImageList(WPARAM, LPARAM imageList);
    LRESULT OnLayout(WPARAM, LPARAM layout);

    DECLARE_MESSAGE_TABLE()
};
