// The dialog templates as stored: sizes, styles, captions and fonts of the dialogs, and each
// control's id, class, caption, style and rectangle in dialog units, in tab order.
#include "res/resource.h"
#include "tests/windows/res/dialog_template_reader.h"

#include <gtest/gtest.h>
#include <commctrl.h>

#include <set>

namespace {

constexpr DWORD kChild = WS_CHILD | WS_VISIBLE;

struct ExpectedControl {
    int id;
    const char* className;
    const char* text;
    DWORD style;
    short x, y, width, height;
};

struct ExpectedDialog {
    DWORD style;
    DWORD exStyle;
    short width, height;
    const char* caption;
};

DialogTemplateInfo Load(int id) {
    DialogTemplateInfo info;
    std::string error;
    EXPECT_TRUE(ReadDialogTemplate(GetModuleHandleA(nullptr), id, info, error)) << error;
    return info;
}

void ExpectDialog(int id, const ExpectedDialog& dialog, const std::vector<ExpectedControl>& controls) {
    SCOPED_TRACE("dialog " + std::to_string(id));
    DialogTemplateInfo info = Load(id);
    EXPECT_EQ(dialog.style, info.style) << std::hex << "style 0x" << info.style;
    EXPECT_EQ(dialog.exStyle, info.exStyle);
    EXPECT_EQ(0, info.x);
    EXPECT_EQ(0, info.y);
    EXPECT_EQ(dialog.width, info.width);
    EXPECT_EQ(dialog.height, info.height);
    EXPECT_EQ(dialog.caption, info.caption);
    EXPECT_EQ("MS Shell Dlg", info.fontName);
    EXPECT_EQ(8, info.pointSize);
    ASSERT_EQ(controls.size(), info.controls.size());
    for (size_t i = 0; i < controls.size(); ++i) {
        const ExpectedControl& want = controls[i];
        const TemplateControl& got = info.controls[i];
        SCOPED_TRACE("control " + std::to_string(i) + " (id " + std::to_string(want.id) + ")");
        EXPECT_EQ(want.id, got.id);
        EXPECT_EQ(0, _stricmp(want.className, got.className.c_str())) << got.className;
        EXPECT_EQ(want.text, got.text);
        EXPECT_EQ(want.style, got.style) << std::hex << "style 0x" << got.style;
        EXPECT_EQ(0u, got.exStyle);
        EXPECT_EQ(want.x, got.x);
        EXPECT_EQ(want.y, got.y);
        EXPECT_EQ(want.width, got.width);
        EXPECT_EQ(want.height, got.height);
    }
}

TEST(DialogTemplates, MainWindow) {
    ExpectDialog(
        102,
        {DS_SETFONT | DS_MODALFRAME | WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU, WS_EX_APPWINDOW, 369,
         247, "Palisor"},
        {
            {1, "Button", "About", kChild | BS_DEFPUSHBUTTON | WS_GROUP | WS_TABSTOP, 251, 182, 49, 16},
            {1011, "Button", "Exit", kChild | BS_PUSHBUTTON | WS_TABSTOP, 307, 182, 49, 16},
            {IDC_STATIC, "Button", "FireWall Status", kChild | BS_GROUPBOX, 7, 174, 79, 27},
            {1002, "Button", "On", kChild | BS_AUTORADIOBUTTON | WS_TABSTOP, 15, 187, 25, 10},
            {1003, "Button", "Off", kChild | BS_AUTORADIOBUTTON, 49, 187, 27, 10},
            {1004, WC_TABCONTROLA, "", kChild, 7, 7, 355, 164},
            {IDC_PAGE_PLACEHOLDER, "Static", "", WS_CHILD | SS_LEFT | WS_GROUP, 15, 24, 74, 44},
            {IDC_BANNER_PLACEHOLDER, "Static", "", WS_CHILD | SS_LEFT | WS_GROUP, 7, 204, 355, 36},
            {IDC_STATIC, "Button", "", kChild | BS_GROUPBOX, 191, 174, 171, 27},
            {IDC_STATIC, "Button", "Enabled Logs", kChild | BS_GROUPBOX, 96, 174, 79, 27},
            {1012, "Button", "On", kChild | BS_AUTORADIOBUTTON | WS_TABSTOP, 103, 185, 25, 10},
            {1013, "Button", "Off", kChild | BS_AUTORADIOBUTTON, 137, 185, 27, 10},
            {1007, "Button", "Forum", kChild | BS_PUSHBUTTON | WS_TABSTOP, 195, 182, 49, 16},
        });
}

TEST(DialogTemplates, ContainersAreEmptyHiddenChildren) {
    ExpectDialog(132, {DS_SETFONT | WS_CHILD | WS_SYSMENU, 0, 344, 142, ""}, {});
    ExpectDialog(136, {DS_SETFONT | WS_CHILD | WS_BORDER, 0, 355, 38, ""}, {});
}

TEST(DialogTemplates, PortsPage) {
    const DWORD edit = kChild | ES_LEFT | ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP;
    ExpectDialog(
        130, {DS_SETFONT | WS_CHILD, 0, 339, 151, ""},
        {
            {IDC_PORT_LIST, WC_LISTVIEWA, "", kChild | LVS_REPORT | LVS_SINGLESEL | WS_BORDER | WS_TABSTOP, 0,
             1, 335, 106},
            {IDC_STATIC, "Static", "Name:", kChild | SS_RIGHT | WS_GROUP, 3, 113, 38, 12},
            {IDC_STATIC, "Static", "Port Number:", kChild | SS_RIGHT | WS_GROUP, 0, 127, 45, 11},
            {IDC_PORT_NAME, "Edit", "", edit, 46, 112, 164, 15},
            {IDC_PORT_NUMBER, "Edit", "", edit, 46, 126, 164, 15},
            {IDC_STATIC, "Button", "Protocol", kChild | BS_GROUPBOX, 213, 107, 79, 33},
            {IDC_PROTOCOL_TCP, "Button", "TCP", kChild | BS_AUTORADIOBUTTON | WS_TABSTOP, 219, 123, 25, 10},
            {IDC_PROTOCOL_UDP, "Button", "UDP", kChild | BS_AUTORADIOBUTTON, 255, 123, 29, 10},
            {IDC_ADD_PORT, "Button", "Add Port", kChild | BS_PUSHBUTTON | BS_MULTILINE | WS_TABSTOP, 303, 111,
             32, 29},
        });
}

TEST(DialogTemplates, ProgramsPage) {
    const DWORD edit = kChild | ES_LEFT | ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP;
    ExpectDialog(
        131, {DS_SETFONT | WS_CHILD, 0, 338, 141, ""},
        {
            {IDC_PROGRAM_LIST, WC_LISTVIEWA, "", kChild | LVS_REPORT | LVS_SINGLESEL | WS_BORDER | WS_TABSTOP,
             1, 1, 333, 103},
            {IDC_STATIC, "Static", "Path:", kChild | SS_RIGHT | WS_GROUP, 1, 108, 25, 17},
            {IDC_STATIC, "Static", "Name:", kChild | SS_RIGHT | WS_GROUP, 1, 129, 25, 11},
            {IDC_PROGRAM_PATH, "Edit", "", edit | ES_READONLY, 35, 108, 227, 14},
            {IDC_PROGRAM_NAME, "Edit", "", edit, 35, 125, 227, 14},
            {IDC_BROWSE, "Button", "Browse..", kChild | BS_PUSHBUTTON | WS_TABSTOP, 272, 108, 62, 14},
            {IDC_ADD_PROGRAM, "Button", "Add Program", kChild | BS_PUSHBUTTON | WS_TABSTOP, 272, 125, 62, 14},
        });
}

TEST(DialogTemplates, TrafficPageHidesTheInterfaceChooser) {
    ExpectDialog(141, {DS_SETFONT | WS_CHILD, 0, 335, 144, ""},
                 {
                     {IDC_INTERFACE_GROUP, "Button", "Interfaces", WS_CHILD | BS_GROUPBOX, 0, 0, 190, 27},
                     {IDC_INTERFACE_COMBO, "ComboBox", "",
                      WS_CHILD | CBS_DROPDOWN | CBS_SORT | WS_VSCROLL | WS_TABSTOP, 7, 9, 174, 37},
                     {IDC_TRAFFIC_TREE, WC_TREEVIEWA, "",
                      kChild | TVS_HASBUTTONS | TVS_HASLINES | WS_BORDER | WS_TABSTOP, 0, 0, 331, 141},
                 });
}

TEST(DialogTemplates, BannerShowsBitmap135Centred) {
    ExpectDialog(134, {DS_SETFONT | WS_CHILD, 0, 362, 37, ""},
                 {{1010, "Static", "", kChild | SS_BITMAP | SS_CENTERIMAGE | SS_NOTIFY, 2, 0, 359, 37}});
    DialogTemplateInfo info = Load(134);
    ASSERT_EQ(1u, info.controls.size());
    EXPECT_EQ(135, info.controls[0].textOrdinal);
}

TEST(DialogTemplates, AboutBox) {
    ExpectDialog(
        100, {DS_SETFONT | DS_MODALFRAME | WS_POPUP | WS_CAPTION | WS_SYSMENU, 0, 166, 66, "About Palisor"},
        {
            {IDC_STATIC, "Static", "", kChild | SS_ICON, 11, 17, 20, 20},
            {IDC_ABOUT_VERSION, "Static", "Palisor Version " PALISOR_VERSION,
             kChild | SS_LEFT | SS_NOPREFIX | WS_GROUP, 40, 16, 119, 8},
            {IDC_ABOUT_NOTICE, "Static", "Copyright (C) 2026 Palisor", kChild | SS_LEFT | WS_GROUP, 40, 31,
             119, 8},
            {1, "Button", "OK", kChild | BS_DEFPUSHBUTTON | WS_GROUP | WS_TABSTOP, 60, 48, 50, 16},
        });
    DialogTemplateInfo info = Load(100);
    ASSERT_EQ(4u, info.controls.size());
    EXPECT_EQ(128, info.controls[0].textOrdinal) << "the About box shows the program's icon";
}

// GetDlgItem finds the first control with an id: a repeated id hides the second control.
TEST(DialogTemplates, ControlIdsAreUniqueWithinEachDialog) {
    for (int id : {100, 102, 130, 131, 132, 134, 136, 141}) {
        SCOPED_TRACE("dialog " + std::to_string(id));
        std::set<int> seen;
        for (const TemplateControl& c : Load(id).controls) {
            if (c.id == IDC_STATIC)
                continue;
            EXPECT_TRUE(seen.insert(c.id).second) << "id " << c.id << " repeats";
        }
    }
}

} // namespace
