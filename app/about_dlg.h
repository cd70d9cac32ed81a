// The About box: the program's icon, name and version, and the maker's notice. A new one is built
// for every request and closed by OK, Escape or its close box alike.
#pragma once

#include "ui/dialog.h"

class CAboutDlg : public CDialog {
public:
    // owner: the window kept disabled while the box runs (none: no window is disabled).
    explicit CAboutDlg(CWnd* owner = nullptr);
    ~CAboutDlg() override;
};
