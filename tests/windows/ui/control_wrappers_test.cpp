// The thin control wrappers against the real common controls: what goes in comes back out.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <string>

#include "ui/combo_box.h"
#include "ui/list_ctrl.h"
#include "ui/tab_ctrl.h"
#include "ui/tree_ctrl.h"

namespace {

class ControlWrappers : public ::testing::Test {
protected:
    void SetUp() override {
        INITCOMMONCONTROLSEX init = {sizeof(init),
                                     ICC_LISTVIEW_CLASSES | ICC_TAB_CLASSES | ICC_TREEVIEW_CLASSES};
        ::InitCommonControlsEx(&init);
        ASSERT_TRUE(
            parent.CreateEx(0, nullptr, "wrappers", WS_OVERLAPPEDWINDOW, 0, 0, 400, 300, nullptr, nullptr));
    }
    void TearDown() override { parent.DestroyWindow(); }
    template <typename Control> void Make(Control& control, LPCSTR className, DWORD style) {
        ASSERT_TRUE(control.Create(className, "", WS_VISIBLE | style, RECT{0, 0, 300, 200}, &parent, 10));
    }
    CWnd parent;
};

TEST_F(ControlWrappers, TreeInsertsWalksAndRenames) {
    CTreeCtrl tree;
    Make(tree, WC_TREEVIEWA, 0);
    HTREEITEM first = tree.InsertItem("10.0.0.1 -> 10.0.0.2", 0, 0);
    HTREEITEM second = tree.InsertItem("10.0.0.3 -> 10.0.0.4", 0, 0);
    HTREEITEM child = tree.InsertItem("Port 80", 1, 1, first);
    ASSERT_NE(child, nullptr);
    EXPECT_EQ(tree.GetCount(), 3u);
    EXPECT_EQ(tree.GetRootItem(), first);
    EXPECT_EQ(tree.GetNextSiblingItem(first), second);
    EXPECT_EQ(tree.GetNextSiblingItem(second), nullptr);
    EXPECT_EQ(tree.GetChildItem(first), child);
    EXPECT_TRUE(tree.SetItemText(child, "Port 443"));
    EXPECT_EQ(tree.GetItemText(child), "Port 443");
    EXPECT_EQ(tree.GetItemText(nullptr), "");
    EXPECT_TRUE(tree.DeleteAllItems());
    EXPECT_EQ(tree.GetCount(), 0u);
}

TEST_F(ControlWrappers, ComboBoxGivesEntriesBackAndNothingOutOfRange) {
    CComboBox combo;
    Make(combo, "COMBOBOX", CBS_DROPDOWNLIST);
    std::string longEntry(600, 'x');
    EXPECT_EQ(combo.AddString("192.168.1.10"), 0);
    EXPECT_EQ(combo.AddString(longEntry.c_str()), 1);
    EXPECT_EQ(combo.GetCount(), 2);
    EXPECT_EQ(combo.GetLBText(0), "192.168.1.10");
    EXPECT_EQ(combo.GetLBText(1), longEntry);
    EXPECT_EQ(combo.GetLBText(2), "");
    EXPECT_EQ(combo.GetLBText(-1), "");
    EXPECT_EQ(combo.SetCurSel(1), 1);
    EXPECT_EQ(combo.GetCurSel(), 1);
    EXPECT_EQ(combo.FindStringExact(-1, "192.168.1.10"), 0);
}

TEST_F(ControlWrappers, TabAndListKeepTheirItems) {
    CTabCtrl tabs;
    Make(tabs, WC_TABCONTROLA, 0);
    EXPECT_EQ(tabs.InsertItem(0, "Add/Remove Programs"), 0);
    EXPECT_EQ(tabs.InsertItem(1, "View Ports"), 1);
    EXPECT_EQ(tabs.GetItemCount(), 2);
    EXPECT_EQ(tabs.GetCurSel(), 0);
    RECT display = {0, 0, 300, 200};
    tabs.AdjustRect(FALSE, &display);
    EXPECT_GT(display.top, 0) << "the display area lies below the tabs";

    CListCtrl list;
    Make(list, WC_LISTVIEWA, LVS_REPORT);
    list.InsertColumn(0, "Name", LVCFMT_LEFT, 100);
    list.InsertColumn(1, "Path", LVCFMT_LEFT, 150);
    std::string longPath = "C:\\" + std::string(700, 'p') + ".exe";
    EXPECT_EQ(list.InsertItem(0, "Editor"), 0);
    EXPECT_TRUE(list.SetItemText(0, 1, longPath.c_str()));
    EXPECT_EQ(list.GetItemText(0, 0), "Editor");
    EXPECT_EQ(list.GetItemText(0, 1), longPath) << "long texts come back whole";
    EXPECT_TRUE(list.SetItemData(0, 0xBEEF));
    EXPECT_EQ(list.GetItemData(0), 0xBEEFu);
    EXPECT_EQ(list.GetItemData(5), 0u);
    EXPECT_NE(list.GetHeaderCtrl(), nullptr);
}

} // namespace
