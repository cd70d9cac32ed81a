// The container of the tab pages: a borderless child dialog over the tab control's display area,
// holding pages (child dialogs) by a zero-based index in the order they were added. It lays them out,
// shows the first and hides them all; it never destroys a page (the page windows end with its window).
#pragma once

#include <map>

#include "ui/dialog.h"

class CTabDialog : public CDialog {
public:
    // Size of a page in the tab area, and of the banner page, in pixels.
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

    int GetPageCount() const { return pageCount; }
    CDialog* GetPage(int index) const;

private:
    void LayOut(int width, int height);

    int pageCount = 0;
    std::map<int, CDialog*> pages; // not owned
};
