// Thin wrapper of the tab control.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include "ui/window.h"

class CTabCtrl : public CWnd {
public:
    int InsertItem(int index, LPCSTR caption) const {
        TCITEMA item = {};
        item.mask = TCIF_TEXT;
        item.pszText = const_cast<LPSTR>(caption);
        return static_cast<int>(SendMessage(TCM_INSERTITEMA, index, reinterpret_cast<LPARAM>(&item)));
    }
    int GetItemCount() const { return static_cast<int>(SendMessage(TCM_GETITEMCOUNT)); }
    int GetCurSel() const { return static_cast<int>(SendMessage(TCM_GETCURSEL)); }
    int SetCurSel(int index) const { return static_cast<int>(SendMessage(TCM_SETCURSEL, index)); }
    BOOL GetItemRect(int index, RECT* rect) const {
        return static_cast<BOOL>(SendMessage(TCM_GETITEMRECT, index, reinterpret_cast<LPARAM>(rect)));
    }
    // larger = TRUE: window rectangle from display area; FALSE: display area from window rectangle.
    void AdjustRect(BOOL larger, RECT* rect) const {
        SendMessage(TCM_ADJUSTRECT, larger, reinterpret_cast<LPARAM>(rect));
    }
    BOOL DeleteAllItems() const { return static_cast<BOOL>(SendMessage(TCM_DELETEALLITEMS)); }
};
