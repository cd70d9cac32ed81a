// Thin wrapper of the header control.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include "ui/window.h"

class CHeaderCtrl : public CWnd {
public:
    int GetItemCount() const { return static_cast<int>(SendMessage(HDM_GETITEMCOUNT)); }
    BOOL GetItem(int index, HDITEMA* item) const {
        return static_cast<BOOL>(SendMessage(HDM_GETITEMA, index, reinterpret_cast<LPARAM>(item)));
    }
    BOOL SetItem(int index, const HDITEMA* item) const {
        return static_cast<BOOL>(SendMessage(HDM_SETITEMA, index, reinterpret_cast<LPARAM>(item)));
    }
    int InsertItem(int index, const HDITEMA* item) const {
        return static_cast<int>(SendMessage(HDM_INSERTITEMA, index, reinterpret_cast<LPARAM>(item)));
    }
    BOOL GetItemRect(int index, RECT* rect) const {
        return static_cast<BOOL>(SendMessage(HDM_GETITEMRECT, index, reinterpret_cast<LPARAM>(rect)));
    }
    int OrderToIndex(int order) const { return static_cast<int>(SendMessage(HDM_ORDERTOINDEX, order)); }
    HIMAGELIST GetImageList() const { return reinterpret_cast<HIMAGELIST>(SendMessage(HDM_GETIMAGELIST)); }
    HIMAGELIST SetImageList(HIMAGELIST list) const {
        return reinterpret_cast<HIMAGELIST>(SendMessage(HDM_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(list)));
    }
    BOOL SetOrderArray(int count, int* order) const {
        return static_cast<BOOL>(SendMessage(HDM_SETORDERARRAY, count, reinterpret_cast<LPARAM>(order)));
    }

    // The owner-draw hook of an item with HDF_OWNERDRAW; draws nothing here.
    virtual void DrawItem(DRAWITEMSTRUCT* item);
};
