// What the program draws itself, measured at the screen's DPI: the test runs in the usual prefix
// (96 DPI) and in ones set to 120, 144 and 192 DPI, where PALISOR_EXPECT_DPI says which DPI it must
// find. Also: the exception pages' labels hold their captions on one line at that DPI.
#include <winsock2.h>

#include "check_list_fixture.h"

#include <cstdlib>
#include <utility>
#include <vector>

#include "app/banner_dlg.h"
#include "controls/cell_geometry.h"
#include "controls/screen_dpi.h"
#include "pages/port_dlg.h"
#include "pages/program_dlg.h"
#include "res/resource.h"
#include "tests/windows/res/dialog_template_reader.h"
#include "traffic/capture/scripted_capture_network.h"
#include "traffic/sniffer_dlg.h"

namespace testing_controls {
namespace {

const std::vector<CXListCtrl::CheckStrip> kStrips = {
    {16, IDB_CHECK_BOXES}, {20, IDB_CHECK_BOXES_20}, {24, IDB_CHECK_BOXES_24}, {32, IDB_CHECK_BOXES_32}};

int Scaled(int size) {
    return ::MulDiv(size, dpi::ScreenDpi(), 96);
}

// The height of text in the window's font.
int TextHeight(HWND window) {
    HDC dc = ::GetDC(window);
    HGDIOBJ previous = ::SelectObject(dc, reinterpret_cast<HFONT>(::SendMessageA(window, WM_GETFONT, 0, 0)));
    TEXTMETRICA metrics = {};
    ::GetTextMetricsA(dc, &metrics);
    ::SelectObject(dc, previous);
    ::ReleaseDC(window, dc);
    return metrics.tmHeight;
}

TEST(ScreenDpi, IsTheOneThePrefixWasSetTo) {
    const char* expected = std::getenv("PALISOR_EXPECT_DPI");
    const int dpi = dpi::ScreenDpi();
    if (expected != nullptr) {
        EXPECT_EQ(dpi, std::atoi(expected));
    }
    std::printf("screen: %d dots per inch\n", dpi);
}

class CheckListAtScreenDpi : public CheckListTest {
protected:
    void SetUp() override {
        CheckListTest::SetUp();
        CXListCtrl& list = dialog->list;
        FillList(list);
        // The header's boxes as the pages load them: the strip drawn for the screen.
        ASSERT_TRUE(list.LoadCheckImages(kStrips, RGB(255, 0, 255)));
        ::SendMessageA(list.GetHeaderCtrl(), HDM_SETIMAGELIST, 0,
                       reinterpret_cast<LPARAM>(list.checkImages.m_hImageList));
        Repaint();
    }
    RECT Cell(int row) const {
        RECT cell = {};
        dialog->list.GetCellRect(row, 0, LVIR_BOUNDS, &cell);
        return cell;
    }
};

TEST_F(CheckListAtScreenDpi, TheTickFillsItsBoxAsAt96Dpi) {
    CXListCtrl& list = dialog->list;
    const RECT cell = Cell(0);
    const cell_geometry::CheckCellLayout layout =
        cell_geometry::LayOutCheckCell({cell.left, cell.top, cell.right, cell.bottom}, true, list.screenDpi);
    const cell_geometry::Rect& frame = layout.frame;
    // The black pixels inside the frame's edges are the tick's.
    HDC dc = ::GetDC(list.m_hWnd);
    int left = frame.right, right = -1, top = frame.bottom, bottom = -1;
    for (int y = frame.top + 2; y < frame.bottom - 2; ++y)
        for (int x = frame.left + 2; x < frame.right - 2; ++x)
            if (::GetPixel(dc, x, y) == kBlack) {
                left = std::min(left, x);
                right = std::max(right, x);
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
    ::ReleaseDC(list.m_hWnd, dc);
    ASSERT_GE(right, left) << "no tick in the box";
    const double scale = list.screenDpi / 96.0;
    std::printf("row %ld, box %d, tick %d x %d at (%d, %d) in the frame\n", cell.bottom - cell.top,
                layout.box.Width(), right - left + 1, bottom - top + 1, left - frame.left, top - frame.top);
    // At 96 DPI: 7 x 7 pixels, 3 pixels from the frame's left and top.
    EXPECT_EQ(right - left + 1, Scaled(10) - Scaled(3));
    EXPECT_NEAR(bottom - top + 1, 7 * scale, 1.0);
    EXPECT_EQ(left - frame.left, Scaled(3));
    EXPECT_NEAR(top - frame.top, 3 * scale, 1.0);
    // The box grows with the row, the row with the text: the tick takes the same share of its frame
    // as at 96 DPI, 7 of 12 pixels.
    EXPECT_NEAR((right - left + 1) / static_cast<double>(frame.Width()), 7.0 / 12, 0.05);
}

TEST_F(CheckListAtScreenDpi, RowsAndBoxesGrowWithTheText) {
    CXListCtrl& list = dialog->list;
    const RECT first = Cell(0), second = Cell(1);
    const int row = second.top - first.top;
    const int text = TextHeight(list.m_hWnd);
    std::printf("row %d, text %d\n", row, text);
    // The row holds its text with room to spare, and its box is the row less one pixel.
    EXPECT_GE(row, text + 1);
    EXPECT_LE(row, text + Scaled(6));
    const cell_geometry::CheckCellLayout layout = cell_geometry::LayOutCheckCell(
        {first.left, first.top, first.right, first.bottom}, false, list.screenDpi);
    EXPECT_EQ(layout.box.left - first.left, Scaled(9));
    EXPECT_EQ(layout.text.left - layout.box.right, Scaled(4));
}

TEST_F(CheckListAtScreenDpi, TheHeaderHoldsItsBoxDrawnForTheScreen) {
    CXListCtrl& list = dialog->list;
    int width = 0, height = 0;
    ASSERT_TRUE(ImageList_GetIconSize(list.checkImages.m_hImageList, &width, &height));
    EXPECT_EQ(width, dpi::PickImageSize(16, list.screenDpi, {16, 20, 24, 32}));
    EXPECT_EQ(height, width);
    EXPECT_EQ(list.header.imageSize.cx, width);
    EXPECT_EQ(list.header.spacing, Scaled(6));
    RECT item = {};
    ::SendMessageA(list.GetHeaderCtrl(), HDM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&item));
    std::printf("header %ld, image %d\n", item.bottom - item.top, height);
    // The whole box shows: the header is at least a scaled pixel higher than its image, as at 96 DPI.
    EXPECT_GE(item.bottom - item.top, height + Scaled(1));
    // The clear box's white inside, where the strip puts it, in the header.
    const int x = item.left + list.header.spacing + width / 2;
    const int y = (item.top + item.bottom) / 2;
    EXPECT_EQ(Pixel(list.GetHeaderCtrl(), x, y), kWhite);
}

// The rows of the area holding ink of the colour, as runs of neighbouring rows: one run per line.
std::vector<std::pair<int, int>> InkLines(HWND window, const RECT& area, COLORREF color) {
    std::vector<std::pair<int, int>> lines;
    HDC dc = ::GetDC(window);
    for (int y = area.top; y < area.bottom; ++y) {
        bool ink = false;
        for (int x = area.left; x < area.right && !ink; ++x)
            ink = ::GetPixel(dc, x, y) == color;
        if (!ink)
            continue;
        if (!lines.empty() && lines.back().second == y - 1)
            lines.back().second = y;
        else
            lines.push_back({y, y});
    }
    ::ReleaseDC(window, dc);
    return lines;
}

TEST_F(CheckListAtScreenDpi, TheEmptyListsMessageGrowsWithTheListsText) {
    CXListCtrl& empty = dialog->emptyList;
    RECT client = {}, headerItem = {};
    empty.GetClientRect(&client);
    ::SendMessageA(empty.GetHeaderCtrl(), HDM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&headerItem));
    const RECT below = {client.left, headerItem.bottom, client.right, client.bottom};
    const auto lines = InkLines(empty.m_hWnd, below, ::GetSysColor(COLOR_WINDOWTEXT));
    // The narrow list wraps the message: the distance from one line to the next is its font's height.
    ASSERT_GE(lines.size(), 2u) << "the message is drawn on two lines or more";
    const int pitch = lines[1].first - lines[0].first, text = TextHeight(empty.m_hWnd);
    std::printf("message lines %d pixels apart, the list's text %d, gap %d\n", pitch, text,
                static_cast<int>(lines[0].first - headerItem.bottom));
    EXPECT_GE(pitch, text * 0.8);
    EXPECT_LE(pitch, text * 1.2);
    EXPECT_GE(lines[0].first - headerItem.bottom, Scaled(10) - 1);
}

TEST(TrafficPageAtScreenDpi, TreeTextIsTheSizeOfTheDialogsAndItsImagesAndIndentFollow) {
    INITCOMMONCONTROLSEX init = {sizeof init, ICC_TREEVIEW_CLASSES | ICC_STANDARD_CLASSES};
    ::InitCommonControlsEx(&init);
    CWnd main;
    ASSERT_TRUE(main.CreateEx(0, nullptr, "Traffic", WS_POPUP | WS_CAPTION | WS_VISIBLE, 20, 20, 900, 600,
                              nullptr, nullptr));
    palisor::ScriptedCaptureNetwork network;
    network.hostAddresses = {"192.168.1.9"};
    auto page =
        std::make_unique<CSnifferDlg>(&main, network, [](const char*, const char*, const char*, int) {});
    ASSERT_TRUE(page->Create(&main));
    HWND tree = page->trafficTree.m_hWnd;
    LOGFONTA font = {};
    ::GetObjectA(reinterpret_cast<HFONT>(::SendMessageA(tree, WM_GETFONT, 0, 0)), sizeof font, &font);
    EXPECT_EQ(font.lfHeight, Scaled(12));
    // Lucida Console at 12 pixels beside the dialog font of 8 points at 96 DPI: 12 against 13.
    const int treeText = TextHeight(tree), dialogText = TextHeight(page->m_hWnd);
    std::printf("tree text %d, dialog text %d\n", treeText, dialogText);
    EXPECT_GE(treeText, dialogText * 0.8);
    EXPECT_LE(treeText, dialogText * 1.1);
    HIMAGELIST images = reinterpret_cast<HIMAGELIST>(::SendMessageA(tree, TVM_GETIMAGELIST, TVSIL_NORMAL, 0));
    int width = 0, height = 0;
    ASSERT_TRUE(ImageList_GetIconSize(images, &width, &height));
    EXPECT_EQ(width, palisor::TreeImageSize(dpi::ScreenDpi()));
    EXPECT_EQ(ImageList_GetImageCount(images), 3);
    EXPECT_GE(static_cast<int>(::SendMessageA(tree, TVM_GETINDENT, 0, 0)), Scaled(19));
    page->OnClose();
    page->DestroyWindow();
    page.reset();
    main.DestroyWindow();
}

TEST(BannerAtScreenDpi, ShowsThePictureDrawnForTheScreenAndGivesTheControlItsOwnBack) {
    CWnd parent;
    ASSERT_TRUE(
        parent.CreateEx(0, nullptr, "Banner", WS_POPUP | WS_VISIBLE, 0, 0, 1200, 200, nullptr, nullptr));
    CBannerDlg banner(&parent);
    ASSERT_TRUE(banner.Create(IDD_BANNER, &parent));
    HWND picture = ::GetDlgItem(banner.m_hWnd, IDC_BANNER_PICTURE);
    HBITMAP shown = reinterpret_cast<HBITMAP>(::SendMessageA(picture, STM_GETIMAGE, IMAGE_BITMAP, 0));
    BITMAP info = {};
    ASSERT_NE(::GetObjectA(shown, sizeof info, &info), 0);
    EXPECT_EQ(info.bmWidth, Scaled(468));
    EXPECT_EQ(info.bmHeight, Scaled(60));
    banner.DestroyWindow();
    parent.DestroyWindow();
    if (dpi::ScreenDpi() != 96) {
        // The picture shown at this DPI was the banner's own and is gone with it.
        EXPECT_EQ(::GetObjectA(shown, sizeof info, &info), 0);
    }
}

struct PlacedControl {
    HWND window;
    TemplateControl made; // as the template has it
    RECT atTemplate;      // where the template puts it, in pixels
    RECT now;             // where the page put it
};

bool Overlap(const RECT& a, const RECT& b) {
    RECT both = {};
    return ::IntersectRect(&both, &a, &b) != FALSE;
}

int OneLineWidth(HWND label) {
    char text[128] = {};
    ::GetWindowTextA(label, text, sizeof text);
    HDC dc = ::GetDC(label);
    HGDIOBJ previous = ::SelectObject(dc, reinterpret_cast<HFONT>(::SendMessageA(label, WM_GETFONT, 0, 0)));
    RECT need = {};
    ::DrawTextA(dc, text, -1, &need, DT_CALCRECT | DT_SINGLELINE);
    ::SelectObject(dc, previous);
    ::ReleaseDC(label, dc);
    return need.right;
}

// The page's controls beside its template: every label shows its caption on one line and keeps out
// of the edit boxes, each at the distance from its box the template gives it; edit boxes keep their
// right edges and those of one column stay aligned; nothing else moves, and when the template's
// labels hold their captions, nothing moves at all.
void ExpectLabelsFit(HWND page, int templateId) {
    DialogTemplateInfo info;
    std::string error;
    ASSERT_TRUE(ReadDialogTemplate(::GetModuleHandleA(nullptr), templateId, info, error)) << error;
    std::vector<PlacedControl> labels, edits, others;
    HWND child = ::GetWindow(page, GW_CHILD);
    for (const TemplateControl& made : info.controls) {
        ASSERT_NE(child, nullptr);
        // The dialog manager maps the position and the size each on their own.
        RECT mapped = {made.x, made.y, made.width, made.height};
        ::MapDialogRect(page, &mapped);
        PlacedControl placed = {
            child,
            made,
            {mapped.left, mapped.top, mapped.left + mapped.right, mapped.top + mapped.bottom},
            {}};
        ::GetWindowRect(child, &placed.now);
        ::MapWindowPoints(nullptr, page, reinterpret_cast<POINT*>(&placed.now), 2);
        if (_stricmp(made.className.c_str(), "Static") == 0 && (made.style & SS_TYPEMASK) == SS_RIGHT)
            labels.push_back(placed);
        else if (_stricmp(made.className.c_str(), "Edit") == 0)
            edits.push_back(placed);
        else
            others.push_back(placed);
        child = ::GetWindow(child, GW_HWNDNEXT);
    }
    ASSERT_EQ(labels.size(), 2u);
    ASSERT_EQ(edits.size(), 2u);
    bool templateFits = true;
    for (const PlacedControl& label : labels) {
        SCOPED_TRACE("label \"" + label.made.text + "\"");
        const int need = OneLineWidth(label.window);
        const int width = label.now.right - label.now.left;
        std::printf("\"%s\" needs %d pixels, has %d (the template gives it %ld)\n", label.made.text.c_str(),
                    need, width, label.atTemplate.right - label.atTemplate.left);
        templateFits = templateFits && need <= label.atTemplate.right - label.atTemplate.left;
        EXPECT_LE(need, width) << "the caption wraps";
        EXPECT_EQ(label.now.left, label.atTemplate.left);
        EXPECT_EQ(label.now.top, label.atTemplate.top);
        for (const PlacedControl& edit : edits) {
            EXPECT_FALSE(Overlap(label.now, edit.now)) << "reaches into the edit box " << edit.made.id;
            // The box beside the label: the one on its line.
            if (edit.made.y <= label.made.y + label.made.height / 2 &&
                label.made.y + label.made.height / 2 < edit.made.y + edit.made.height) {
                EXPECT_EQ(edit.now.left - label.now.right, edit.atTemplate.left - label.atTemplate.right);
            }
        }
    }
    for (const PlacedControl& edit : edits) {
        EXPECT_EQ(edit.now.right, edit.atTemplate.right) << "edit box " << edit.made.id;
        EXPECT_EQ(edit.now.top, edit.atTemplate.top);
        EXPECT_EQ(edit.now.left, edits[0].now.left) << "the edit boxes stay aligned";
    }
    for (const PlacedControl& other : others)
        EXPECT_TRUE(::EqualRect(&other.now, &other.atTemplate)) << "control " << other.made.id << " moved";
    if (templateFits) {
        for (const auto* group : {&labels, &edits})
            for (const PlacedControl& control : *group)
                EXPECT_TRUE(::EqualRect(&control.now, &control.atTemplate))
                    << "control " << control.made.id << " \"" << control.made.text << "\" moved";
    }
}

TEST(ExceptionPagesAtScreenDpi, LabelsHoldTheirCaptionsOnOneLineBesideTheEditBoxes) {
    INITCOMMONCONTROLSEX init = {sizeof init, ICC_LISTVIEW_CLASSES | ICC_STANDARD_CLASSES};
    ::InitCommonControlsEx(&init);
    CWnd main;
    ASSERT_TRUE(main.CreateEx(0, nullptr, "Pages", WS_POPUP | WS_CAPTION | WS_VISIBLE, 20, 20, 900, 600,
                              nullptr, nullptr));
    {
        SCOPED_TRACE("ports page");
        CPortDlg ports(&main);
        ASSERT_TRUE(ports.Create(&main));
        ExpectLabelsFit(ports.m_hWnd, IDD_PORTS_PAGE);
        ports.DestroyWindow();
    }
    {
        SCOPED_TRACE("programs page");
        CProgramDlg programs(&main);
        ASSERT_TRUE(programs.Create(&main));
        ExpectLabelsFit(programs.m_hWnd, IDD_PROGRAMS_PAGE);
        programs.DestroyWindow();
    }
    main.DestroyWindow();
}

} // namespace
} // namespace testing_controls
