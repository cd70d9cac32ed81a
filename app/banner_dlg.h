// The picture strip under the tab area. A click on the picture opens the maker's web site; the mouse
// pointer is a hand everywhere over the strip.
#pragma once

#include "ui/dialog.h"
#include "ui/escape_filter.h"
#include "ui/gdi_objects.h"

class CBannerDlg : public EscapeFiltered<CDialog> {
public:
    // parent: the banner container.
    explicit CBannerDlg(CWnd* parent = nullptr);
    ~CBannerDlg() override;

    // Shows the picture drawn for the screen's DPI (at 96 DPI, the one the template names).
    BOOL OnInitDialog() override;

protected:
    void OnPictureClicked();
    LRESULT OnSetCursor(WPARAM, LPARAM);
    LRESULT OnDestroy(WPARAM, LPARAM);

    // The picture shown in place of the template's, and the template's, which the control gets back
    // before it goes.
    CBitmap picture;
    HBITMAP templatePicture = nullptr;

    DECLARE_MESSAGE_TABLE()
};
