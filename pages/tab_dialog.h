// The container of the tab pages: a borderless child dialog over the tab control's display area,
// holding pages (child dialogs) by a zero-based index in the order they were added. It lays them out,
// shows the first and hides them all; it never destroys a page (the page windows end with its window).
#pragma once

#include <map>

#include "ui/dialog.h"

class CTabDialog : public CDialog {
public:
    // Size of a page in the tab area, and of the banner page, in pixels, for the dialog font the
    // templates were drawn with (base units 6 x 13: 8-point Tahoma at 96 dots per inch). A page whose
    // dialog font is larger (another font, more dots per inch) gets these sizes scaled by its base
    // units, as its template is, so none of its controls is cut off; a smaller font keeps them.
    static constexpr int kDesignBaseX = 6;
    static constexpr int kDesignBaseY = 13;
    static constexpr int kPageWidth = 505;
    static constexpr int kPageHeight = 230;
    static constexpr int kBannerWidth = 1000;
    static constexpr int kBannerHeight = 64;

    CTabDialog(UINT templateId, CWnd* owner);
    CTabDialog(const DLGTEMPLATE* templateData, CWnd* owner);

    // Stores the page under the next index.
    BOOL AddPage(CDialog* page);
    // Moves every page to the container's top-left corner at page size, keeping the z-order, and shows
    // the first; the others keep their visibility.
    void LayOutPages();
    // The same at banner size.
    void LayOutBanner();
    void HidePages();
    // Moves a page of this container to the corner at page size (the size LayOutPages gives it).
    void PlacePage(CDialog* page);

    int GetPageCount() const { return pageCount; }
    CDialog* GetPage(int index) const;

private:
    void LayOut(int width, int height);
    void Place(CDialog* page, int width, int height);

    int pageCount = 0;
    std::map<int, CDialog*> pages; // not owned
};
