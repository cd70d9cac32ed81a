// Owns an image list; destroyed with the object.
#pragma once

#include <windows.h>
#include <commctrl.h>

class CImageList {
public:
    CImageList() = default;
    ~CImageList() { DeleteImageList(); }
    CImageList(const CImageList&) = delete;
    CImageList& operator=(const CImageList&) = delete;

    HIMAGELIST m_hImageList = nullptr;
    HIMAGELIST GetSafeHandle() const { return m_hImageList; }
    operator HIMAGELIST() const { return m_hImageList; }

    BOOL Create(int width, int height, UINT flags, int initial, int grow);
    // From a bitmap resource cut into images of the given width.
    BOOL Create(UINT bitmapId, int width, int grow, COLORREF mask);
    BOOL Attach(HIMAGELIST list);
    HIMAGELIST Detach();
    BOOL DeleteImageList();

    int Add(HBITMAP image, HBITMAP mask) const { return ImageList_Add(m_hImageList, image, mask); }
    int Add(HBITMAP image, COLORREF mask) const { return ImageList_AddMasked(m_hImageList, image, mask); }
    int Add(HICON icon) const { return ImageList_AddIcon(m_hImageList, icon); }
    int GetImageCount() const { return ImageList_GetImageCount(m_hImageList); }
    BOOL GetImageInfo(int index, IMAGEINFO* info) const {
        return ImageList_GetImageInfo(m_hImageList, index, info);
    }
    COLORREF SetBkColor(COLORREF color) const { return ImageList_SetBkColor(m_hImageList, color); }
    COLORREF GetBkColor() const { return ImageList_GetBkColor(m_hImageList); }
    BOOL Draw(HDC dc, int index, POINT at, UINT style) const {
        return ImageList_Draw(m_hImageList, index, dc, at.x, at.y, style);
    }
};
