// The tab page container with real child dialogs: layout, showing the first page, hiding, and the
// pages added after a layout.
#include <gtest/gtest.h>

#include <windows.h>

#include <memory>
#include <vector>

#include "pages/tab_dialog.h"
#include "ui/dialog_template.h"

namespace {

struct Placement {
    RECT rect; // in the container's client coordinates
    bool visible;
};

class TabDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(owner.CreateEx(0, nullptr, "owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 800, 600,
                                   nullptr, nullptr));
        container = std::make_unique<CTabDialog>(containerTemplate.Get(), &owner);
        ASSERT_TRUE(container->Create());
        container->SetWindowPos(nullptr, 10, 40, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_SHOWWINDOW);
    }
    void TearDown() override { owner.DestroyWindow(); }

    // A page from a template without the visible style, at 7,5 dialog units.
    CDialog* NewPage(const DialogTemplate* from = nullptr) {
        pages.push_back(std::make_unique<CDialog>((from ? *from : pageTemplate).Get()));
        CDialog* page = pages.back().get();
        EXPECT_TRUE(page->Create(container.get()));
        return page;
    }
    Placement Where(CDialog* page) const {
        Placement p;
        page->GetWindowRect(&p.rect);
        container->ScreenToClient(&p.rect);
        p.visible = page->IsWindowVisible() != FALSE;
        return p;
    }
    static void ExpectAtOriginWithSize(const Placement& p, int width, int height, const char* what) {
        EXPECT_EQ(p.rect.left, 0) << what;
        EXPECT_EQ(p.rect.top, 0) << what;
        EXPECT_EQ(p.rect.right - p.rect.left, width) << what;
        EXPECT_EQ(p.rect.bottom - p.rect.top, height) << what;
    }

    CWnd owner;
    DialogTemplate containerTemplate{WS_CHILD | WS_SYSMENU, 0, 0, 0, 344, 142};
    DialogTemplate pageTemplate{WS_CHILD, 0, 7, 5, 100, 60};
    std::unique_ptr<CTabDialog> container;
    std::vector<std::unique_ptr<CDialog>> pages;
};

TEST_F(TabDialogTest, WithoutPagesTheBulkOperationsDoNothing) {
    EXPECT_EQ(container->GetPageCount(), 0);
    container->LayOutPages();
    container->LayOutBanner();
    container->HidePages();
    EXPECT_EQ(container->GetPageCount(), 0);
    EXPECT_EQ(container->GetPage(0), nullptr);
    EXPECT_EQ(::GetWindow(container->m_hWnd, GW_CHILD), nullptr);
    EXPECT_TRUE(container->IsWindowVisible());
}

TEST_F(TabDialogTest, LayoutSizesEveryPageAndShowsOnlyTheFirst) {
    CDialog* programs = NewPage();
    CDialog* ports = NewPage();
    CDialog* traffic = NewPage();
    for (CDialog* page : {programs, ports, traffic})
        EXPECT_TRUE(container->AddPage(page));
    EXPECT_EQ(container->GetPageCount(), 3);
    EXPECT_EQ(container->GetPage(1), ports);
    EXPECT_FALSE(Where(programs).visible) << "pages start hidden";
    std::vector<HWND> zOrderBefore;
    for (HWND h = ::GetWindow(container->m_hWnd, GW_CHILD); h; h = ::GetWindow(h, GW_HWNDNEXT))
        zOrderBefore.push_back(h);

    container->LayOutPages();
    ExpectAtOriginWithSize(Where(programs), 505, 230, "page 0");
    ExpectAtOriginWithSize(Where(ports), 505, 230, "page 1");
    ExpectAtOriginWithSize(Where(traffic), 505, 230, "page 2");
    EXPECT_TRUE(Where(programs).visible);
    EXPECT_FALSE(Where(ports).visible);
    EXPECT_FALSE(Where(traffic).visible);
    std::vector<HWND> zOrderAfter;
    for (HWND h = ::GetWindow(container->m_hWnd, GW_CHILD); h; h = ::GetWindow(h, GW_HWNDNEXT))
        zOrderAfter.push_back(h);
    EXPECT_EQ(zOrderBefore, zOrderAfter) << "layout keeps the z-order";

    // Selecting a tab: hide all, then show the chosen page at page size; twice the same is harmless.
    for (CDialog* chosen : {ports, ports, traffic, programs}) {
        container->HidePages();
        chosen->SetWindowPos(nullptr, 0, 0, 505, 230, SWP_NOZORDER);
        chosen->ShowWindow(SW_SHOW);
        int visible = 0;
        for (CDialog* page : {programs, ports, traffic})
            visible += Where(page).visible ? 1 : 0;
        EXPECT_EQ(visible, 1);
        EXPECT_TRUE(Where(chosen).visible);
    }
    container->HidePages();
    for (CDialog* page : {programs, ports, traffic})
        EXPECT_FALSE(Where(page).visible);
}

TEST_F(TabDialogTest, LayoutLeavesTheVisibilityOfLaterPagesAlone) {
    CDialog* first = NewPage();
    CDialog* second = NewPage();
    container->AddPage(first);
    container->AddPage(second);
    second->ShowWindow(SW_SHOW);
    container->LayOutPages();
    EXPECT_TRUE(Where(first).visible);
    EXPECT_TRUE(Where(second).visible);
}

TEST_F(TabDialogTest, PageAddedAfterLayoutWaitsHiddenAtItsTemplatePosition) {
    CDialog* first = NewPage();
    container->AddPage(first);
    container->LayOutPages();
    CDialog* late = NewPage();
    Placement before = Where(late);
    EXPECT_TRUE(container->AddPage(late));
    EXPECT_EQ(container->GetPageCount(), 2);
    Placement after = Where(late);
    EXPECT_FALSE(after.visible);
    EXPECT_EQ(after.rect.left, before.rect.left);
    EXPECT_EQ(after.rect.top, before.rect.top);
    EXPECT_GT(after.rect.left, 0) << "the template puts the page away from the corner";
    EXPECT_NE(after.rect.right - after.rect.left, 505);
    container->LayOutPages();
    ExpectAtOriginWithSize(Where(late), 505, 230, "after the next layout");
    EXPECT_FALSE(Where(late).visible);
}

TEST_F(TabDialogTest, BannerLayoutUsesTheBannerSize) {
    CDialog* banner = NewPage();
    container->AddPage(banner);
    container->LayOutBanner();
    ExpectAtOriginWithSize(Where(banner), 1000, 64, "banner");
    EXPECT_TRUE(Where(banner).visible);
}

TEST_F(TabDialogTest, APageWithALargerDialogFontGetsThePageSizeScaledLikeItsTemplate) {
    // The same page template in 8 and in 12 points: with the larger font (or more dots per inch)
    // the template grows, and a page cut at 505 x 230 pixels would hide its right-hand controls.
    DialogTemplate largeFont{WS_CHILD, 0, 0, 0, 100, 60, std::string(), 12, "MS Shell Dlg"};
    CDialog* large = NewPage(&largeFont);
    CDialog* normal = NewPage();
    RECT units{0, 0, 4, 8};
    ASSERT_TRUE(::MapDialogRect(large->m_hWnd, &units));
    ASSERT_GT(units.right, CTabDialog::kDesignBaseX);
    ASSERT_GT(units.bottom, CTabDialog::kDesignBaseY);
    const int width = ::MulDiv(505, units.right, CTabDialog::kDesignBaseX);
    const int height = ::MulDiv(230, units.bottom, CTabDialog::kDesignBaseY);
    container->AddPage(large);
    container->AddPage(normal);
    container->LayOutPages();
    ExpectAtOriginWithSize(Where(large), width, height, "page in 12 points");
    ExpectAtOriginWithSize(Where(normal), 505, 230, "page in 8 points");
    // Showing a page for its tab places it the same way.
    for (CDialog* page : {large, normal})
        page->SetWindowPos(nullptr, 3, 4, 10, 10, SWP_NOZORDER);
    container->PlacePage(large);
    container->PlacePage(normal);
    ExpectAtOriginWithSize(Where(large), width, height, "page in 12 points, placed");
    ExpectAtOriginWithSize(Where(normal), 505, 230, "page in 8 points, placed");
    container->PlacePage(nullptr);
}

} // namespace
