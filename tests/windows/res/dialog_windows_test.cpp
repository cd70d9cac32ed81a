// The templates as the dialog manager builds them: every dialog creates with its controls in
// template order, tab stops and radio groups behave, hidden parts stay hidden, pictures attach,
// and no caption is cut off in the dialog font.
#include "res/resource.h"
#include "tests/windows/res/dialog_template_reader.h"

#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

INT_PTR CALLBACK PlainDialogProc(HWND, UINT message, WPARAM, LPARAM) {
    return message == WM_INITDIALOG ? TRUE : FALSE;
}

const int kAllDialogs[] = {100, 102, 130, 131, 132, 134, 136, 141};

std::string ClassOf(HWND w) {
    char name[128] = "";
    GetClassNameA(w, name, sizeof name);
    return name;
}

std::string TextOf(HWND w) {
    char text[256] = "";
    GetWindowTextA(w, text, sizeof text);
    return text;
}

class DialogWindows : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_WIN95_CLASSES};
        InitCommonControlsEx(&icc);
    }

    void SetUp() override {
        m_host =
            CreateWindowExA(0, "Static", "", WS_POPUP, 0, 0, 800, 600, nullptr, nullptr, nullptr, nullptr);
        ASSERT_NE(nullptr, m_host);
    }

    void TearDown() override {
        for (HWND w : m_dialogs)
            DestroyWindow(w);
        DestroyWindow(m_host);
    }

    HWND Create(int id) {
        HWND dialog =
            CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(id), m_host, PlainDialogProc, 0);
        if (dialog)
            m_dialogs.push_back(dialog);
        return dialog;
    }

    static bool Checked(HWND dialog, int id) { return IsDlgButtonChecked(dialog, id) == BST_CHECKED; }

    static void Click(HWND dialog, int id) { SendMessageA(GetDlgItem(dialog, id), BM_CLICK, 0, 0); }

    // The ids met by Tab from the first tab stop until the walk comes round again.
    static std::vector<int> TabCycle(HWND dialog) {
        std::vector<int> ids;
        HWND first = GetNextDlgTabItem(dialog, nullptr, FALSE);
        for (HWND w = first; w && ids.size() < 32;) {
            ids.push_back(GetDlgCtrlID(w));
            w = GetNextDlgTabItem(dialog, w, FALSE);
            if (w == first)
                break;
        }
        return ids;
    }

    HWND m_host = nullptr;
    std::vector<HWND> m_dialogs;
};

TEST_F(DialogWindows, EveryTemplateCreatesWithItsControlsInTemplateOrder) {
    for (int id : kAllDialogs) {
        SCOPED_TRACE("dialog " + std::to_string(id));
        DialogTemplateInfo info;
        std::string error;
        ASSERT_TRUE(ReadDialogTemplate(GetModuleHandleA(nullptr), id, info, error)) << error;
        HWND dialog = Create(id);
        ASSERT_NE(nullptr, dialog);
        HWND child = GetWindow(dialog, GW_CHILD);
        for (const TemplateControl& c : info.controls) {
            ASSERT_NE(nullptr, child) << "missing control id " << c.id;
            EXPECT_EQ(c.id, static_cast<int>(static_cast<short>(GetDlgCtrlID(child))));
            EXPECT_EQ(0, _stricmp(c.className.c_str(), ClassOf(child).c_str())) << ClassOf(child);
            child = GetWindow(child, GW_HWNDNEXT);
        }
        EXPECT_EQ(nullptr, child) << "more windows than template controls";
    }
}

TEST_F(DialogWindows, TabWalksTheControlsInOrder) {
    EXPECT_EQ((std::vector<int>{1, 1011, 1002, 1012, 1007}), TabCycle(Create(102)));
    EXPECT_EQ(
        (std::vector<int>{IDC_PORT_LIST, IDC_PORT_NAME, IDC_PORT_NUMBER, IDC_PROTOCOL_TCP, IDC_ADD_PORT}),
        TabCycle(Create(130)));
    EXPECT_EQ(
        (std::vector<int>{IDC_PROGRAM_LIST, IDC_PROGRAM_PATH, IDC_PROGRAM_NAME, IDC_BROWSE, IDC_ADD_PROGRAM}),
        TabCycle(Create(131)));
    EXPECT_EQ((std::vector<int>{IDC_TRAFFIC_TREE}), TabCycle(Create(141)))
        << "the hidden chooser takes no Tab";
    EXPECT_EQ((std::vector<int>{IDOK}), TabCycle(Create(100)));
}

TEST_F(DialogWindows, FirewallAndLogsRadiosAreSeparateGroups) {
    HWND main = Create(102);
    ASSERT_NE(nullptr, main);
    Click(main, 1002);
    Click(main, 1012);
    EXPECT_TRUE(Checked(main, 1002)) << "logs On must not clear firewall On";
    EXPECT_TRUE(Checked(main, 1012));
    Click(main, 1003);
    EXPECT_FALSE(Checked(main, 1002));
    EXPECT_TRUE(Checked(main, 1003));
    EXPECT_TRUE(Checked(main, 1012)) << "firewall Off must not clear logs On";
    Click(main, 1013);
    EXPECT_FALSE(Checked(main, 1012));
    EXPECT_TRUE(Checked(main, 1013));
    EXPECT_TRUE(Checked(main, 1003));
}

TEST_F(DialogWindows, ProtocolRadiosExcludeEachOther) {
    HWND page = Create(130);
    ASSERT_NE(nullptr, page);
    Click(page, IDC_PROTOCOL_UDP);
    EXPECT_TRUE(Checked(page, IDC_PROTOCOL_UDP));
    Click(page, IDC_PROTOCOL_TCP);
    EXPECT_TRUE(Checked(page, IDC_PROTOCOL_TCP));
    EXPECT_FALSE(Checked(page, IDC_PROTOCOL_UDP));
}

TEST_F(DialogWindows, PagesStartHiddenAndTheTrafficPageShowsOnlyItsTree) {
    for (int id : {130, 131, 132, 134, 136, 141}) {
        HWND dialog = Create(id);
        ASSERT_NE(nullptr, dialog);
        EXPECT_FALSE(GetWindowLongA(dialog, GWL_STYLE) & WS_VISIBLE) << "dialog " << id;
    }
    HWND traffic = m_dialogs.back();
    EXPECT_FALSE(GetWindowLongA(GetDlgItem(traffic, IDC_INTERFACE_GROUP), GWL_STYLE) & WS_VISIBLE);
    EXPECT_FALSE(GetWindowLongA(GetDlgItem(traffic, IDC_INTERFACE_COMBO), GWL_STYLE) & WS_VISIBLE);
    EXPECT_TRUE(GetWindowLongA(GetDlgItem(traffic, IDC_TRAFFIC_TREE), GWL_STYLE) & WS_VISIBLE);
}

// The picture control centres the bitmap and cuts what does not fit (the dialog font decides the
// control's size in pixels): only the picture's plain margin may be lost.
TEST_F(DialogWindows, BannerPictureShowsAllOfThePicturesContent) {
    HWND banner = Create(134);
    ASSERT_NE(nullptr, banner);
    HWND picture = GetDlgItem(banner, 1010);
    HBITMAP bitmap = reinterpret_cast<HBITMAP>(SendMessageA(picture, STM_GETIMAGE, IMAGE_BITMAP, 0));
    ASSERT_NE(nullptr, bitmap);
    BITMAP info = {};
    ASSERT_NE(0, GetObjectA(bitmap, sizeof info, &info));
    ASSERT_EQ(468, info.bmWidth);
    ASSERT_EQ(60, info.bmHeight);

    // The band of the picture that differs from its top-left colour.
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, bitmap);
    COLORREF plain = GetPixel(dc, 0, 0);
    int left = info.bmWidth, top = info.bmHeight, right = -1, bottom = -1;
    for (int y = 0; y < info.bmHeight; ++y)
        for (int x = 0; x < info.bmWidth; ++x)
            if (GetPixel(dc, x, y) != plain) {
                left = std::min(left, x), right = std::max(right, x);
                top = std::min(top, y), bottom = std::max(bottom, y);
            }
    SelectObject(dc, old);
    DeleteDC(dc);
    ASSERT_GE(right, left) << "the picture is not one plain colour";

    RECT client;
    GetClientRect(picture, &client);
    int cutX = std::max<int>(0, (info.bmWidth - static_cast<int>(client.right) + 1) / 2);
    int cutY = std::max<int>(0, (info.bmHeight - static_cast<int>(client.bottom) + 1) / 2);
    EXPECT_GE(left, cutX);
    EXPECT_LT(right, info.bmWidth - cutX);
    EXPECT_GE(top, cutY) << "control " << client.bottom << " px high";
    EXPECT_LT(bottom, info.bmHeight - cutY) << "control " << client.bottom << " px high";
}

TEST_F(DialogWindows, AboutBoxShowsIconAndVersion) {
    HWND about = Create(100);
    ASSERT_NE(nullptr, about);
    HWND icon = GetWindow(about, GW_CHILD);
    EXPECT_NE(nullptr, reinterpret_cast<HICON>(SendMessageA(icon, STM_GETICON, 0, 0)));
    EXPECT_EQ("Palisor Version " PALISOR_VERSION, TextOf(GetDlgItem(about, IDC_ABOUT_VERSION)));
    EXPECT_EQ("About Palisor", TextOf(about));
}

// Room a control keeps for itself beside its caption, in pixels.
int CaptionMargin(HWND control) {
    DWORD style = GetWindowLongA(control, GWL_STYLE);
    if (_stricmp(ClassOf(control).c_str(), "Button") != 0)
        return 0;
    switch (style & BS_TYPEMASK) {
    case BS_GROUPBOX:
        return 12;
    case BS_AUTORADIOBUTTON:
    case BS_RADIOBUTTON:
    case BS_AUTOCHECKBOX:
    case BS_CHECKBOX:
        return GetSystemMetrics(SM_CXMENUCHECK) + 3;
    default:
        return 6;
    }
}

TEST_F(DialogWindows, CaptionsFitTheirControls) {
    for (int id : {100, 102, 130, 131}) {
        HWND dialog = Create(id);
        ASSERT_NE(nullptr, dialog);
        for (HWND c = GetWindow(dialog, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
            std::string text = TextOf(c);
            std::string cls = ClassOf(c);
            if (text.empty() ||
                (_stricmp(cls.c_str(), "Button") != 0 && _stricmp(cls.c_str(), "Static") != 0))
                continue;
            SCOPED_TRACE("dialog " + std::to_string(id) + ", caption \"" + text + "\"");
            RECT client;
            GetClientRect(c, &client);
            HDC dc = GetDC(c);
            HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageA(c, WM_GETFONT, 0, 0)));
            DWORD style = GetWindowLongA(c, GWL_STYLE);
            int available = client.right - CaptionMargin(c);
            RECT need = {0, 0, available, 0};
            UINT flags = DT_CALCRECT |
                         ((style & BS_MULTILINE) && _stricmp(cls.c_str(), "Button") == 0 ? DT_WORDBREAK
                                                                                         : DT_SINGLELINE);
            DrawTextA(dc, text.c_str(), -1, &need, flags);
            SelectObject(dc, old);
            ReleaseDC(c, dc);
            EXPECT_LE(need.right, available) << "text needs " << need.right << " px";
            EXPECT_LE(need.bottom, client.bottom) << "text needs " << need.bottom << " px high";
        }
    }
}

} // namespace
