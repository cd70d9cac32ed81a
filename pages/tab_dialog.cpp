#include "pages/tab_dialog.h"

CTabDialog::CTabDialog(UINT templateId, CWnd* owner) : CDialog(templateId, owner) {}

CTabDialog::CTabDialog(const DLGTEMPLATE* templateData, CWnd* owner) : CDialog(templateData, owner) {}

BOOL CTabDialog::AddPage(CDialog* page) {
    pages[pageCount] = page;
    ++pageCount;
    return TRUE;
}

CDialog* CTabDialog::GetPage(int index) const {
    auto found = pages.find(index);
    return found != pages.end() ? found->second : nullptr;
}

void CTabDialog::LayOut(int width, int height) {
    for (int index = 0; index < pageCount; ++index) {
        CDialog* page = GetPage(index);
        if (page == nullptr || page->m_hWnd == nullptr)
            continue;
        Place(page, width, height);
        if (index == 0)
            page->ShowWindow(SW_SHOW);
    }
}

void CTabDialog::Place(CDialog* page, int width, int height) {
    // The page's dialog base units: a rectangle of 4 x 8 dialog units in pixels.
    RECT units{0, 0, 4, 8};
    if (::MapDialogRect(page->m_hWnd, &units)) {
        if (units.right > kDesignBaseX)
            width = ::MulDiv(width, units.right, kDesignBaseX);
        if (units.bottom > kDesignBaseY)
            height = ::MulDiv(height, units.bottom, kDesignBaseY);
    }
    page->SetWindowPos(nullptr, 0, 0, width, height, SWP_NOZORDER);
}

void CTabDialog::PlacePage(CDialog* page) {
    if (page != nullptr && page->m_hWnd != nullptr)
        Place(page, kPageWidth, kPageHeight);
}

void CTabDialog::LayOutPages() {
    LayOut(kPageWidth, kPageHeight);
}

void CTabDialog::LayOutBanner() {
    LayOut(kBannerWidth, kBannerHeight);
}

void CTabDialog::HidePages() {
    for (int index = 0; index < pageCount; ++index) {
        CDialog* page = GetPage(index);
        if (page != nullptr && page->m_hWnd != nullptr)
            page->ShowWindow(SW_HIDE);
    }
}
