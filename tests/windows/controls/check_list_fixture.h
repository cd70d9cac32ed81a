// A test dialog holding a filled check-box list and an empty one, as the exception pages set them up:
// a check-box column with a header box, a name, a right-aligned port, and a blue-on-white "Remove".
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "controls/x_list_ctrl.h"
#include "ui/data_exchange.h"
#include "ui/dialog.h"
#include "ui/dialog_template.h"
#include "ui/message_loop.h"

namespace testing_controls {

constexpr int kListId = 1000;
constexpr int kEmptyListId = 1001;
constexpr int kEditId = 1002;
constexpr COLORREF kBlue = RGB(0, 0, 255);
constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kBlack = RGB(0, 0, 0);
// The test strip: image 1 a white box with a black frame, image 2 the same with a red centre.
constexpr COLORREF kStripMark = RGB(255, 0, 0);

class ListDialog : public CDialog {
public:
    explicit ListDialog(const DLGTEMPLATE* t) : CDialog(t) {}

    CXListCtrl list;
    CXListCtrl emptyList;
    int clicks = 0;
    int columnClicks = 0;
    int lastColumnClicked = -1;
    int clickRow = -5, clickColumn = -5;

    void DoDataExchange(CDataExchange* dx) override {
        DDX_Control(dx, kListId, list);
        DDX_Control(dx, kEmptyListId, emptyList);
    }
    LRESULT OnListClick(NMHDR* header) {
        ++clicks;
        NMITEMACTIVATE* click = reinterpret_cast<NMITEMACTIVATE*>(header);
        list.CellFromPoint(click->ptAction, &clickRow, &clickColumn);
        return 0;
    }
    LRESULT OnColumnClick(NMHDR* header) {
        ++columnClicks;
        lastColumnClicked = reinterpret_cast<NMLISTVIEW*>(header)->iSubItem;
        return 0;
    }
    DECLARE_MESSAGE_TABLE()
};

HBITMAP MakeCheckStrip();
DialogTemplate MakeListTemplate();
void PumpMessages(int milliseconds = 50);
// Sets up columns, header boxes and rows like the exception pages do.
void FillList(CXListCtrl& list);
void SetUpColumns(CXListCtrl& list);

class CheckListTest : public ::testing::Test {
protected:
    static void SetUpTestSuite();
    void SetUp() override;
    void TearDown() override;
    // Repaints the dialog and everything in it now.
    void Repaint();
    COLORREF Pixel(HWND window, int x, int y) const;
    // How many pixels of the area have exactly this colour.
    int CountColor(HWND window, const RECT& area, COLORREF color) const;

    DialogTemplate dialogTemplate = MakeListTemplate();
    std::unique_ptr<ListDialog> dialog;
};

} // namespace testing_controls
