// The picture strip under the tab area. A click on the picture opens the maker's web site; the mouse
// pointer is a hand everywhere over the strip.
#pragma once

#include "ui/dialog.h"
#include "ui/escape_filter.h"

class CBannerDlg : public EscapeFiltered<CDialog> {
public:
    // parent: the banner container.
    explicit CBannerDlg(CWnd* parent = nullptr);
    ~CBannerDlg() override;

protected:
    void OnPictureClicked();
    LRESULT OnSetCursor(WPARAM, LPARAM);

    DECLARE_MESSAGE_TABLE()
};
