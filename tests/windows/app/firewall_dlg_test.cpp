// The main window in this process over the in-process stand-in firewall: the start-up that never
// reaches the profile (a hundred seconds of waiting in real life, none here), the children it builds,
// the system menu, the banner, and the web pages its commands open.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "app/banner_dlg.h"
#include "app/firewall_dlg.h"
#include "app/shell_open.h"
#include "controls/x_list_ctrl.h"
#include "pages/exception_page_win32.h"
#include "pages/port_dlg.h"
#include "pages/program_dlg.h"
#include "pages/tab_dialog.h"
#include "res/resource.h"
#include "standin/firewall/standin_com_creator.h"
#include "traffic/capture/scripted_capture_network.h"
#include "traffic/sniffer_dlg.h"

namespace {

std::vector<std::pair<std::string, std::string>> g_opened;

void RecordOpen(const char* verb, const char* file) {
    g_opened.emplace_back(verb ? verb : "(default)", file ? file : "");
}

class TestMainWindow : public CfirewallDlg {
public:
    explicit TestMainWindow(ComObjectCreator& creator) : CfirewallDlg(creator) {}

    void ShowMessageBox(const char* text, const char* caption, unsigned int style) override {
        messages.push_back({text, caption, style});
    }
    void WaitMilliseconds(unsigned int milliseconds) override { waits.push_back(milliseconds); }
    void EndRuntime(int status) override {
        endedProcess = status;
        captureRanAtEnd = TrafficPage() != nullptr && TrafficPage()->Capturing();
    }

    struct Message {
        std::string text;
        std::string caption;
        unsigned int style;
    };
    std::vector<Message> messages;
    std::vector<unsigned int> waits;
    int endedProcess = -1;
    bool captureRanAtEnd = false;
};

void Pump() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        InitCommonControls();
        policy_ = std::make_shared<standin::StandinPolicy>();
        creator_ = std::make_unique<standin::StandinComCreator>(policy_);
        g_opened.clear();
        palisor::SetShellOpenHook(&RecordOpen);
    }
    void TearDown() override { palisor::SetShellOpenHook(nullptr); }

    // The window created modeless, so that the test can look at it while it runs.
    std::unique_ptr<TestMainWindow> Open() {
        auto window = std::make_unique<TestMainWindow>(*creator_);
        EXPECT_TRUE(window->Create(nullptr));
        Pump();
        return window;
    }

    std::shared_ptr<standin::StandinPolicy> policy_;
    std::unique_ptr<standin::StandinComCreator> creator_;
};

TEST_F(MainWindowTest, WithTheProfileNeverThereItWaitsTwentyTimesSaysSoAndEndsWithoutItsLoop) {
    policy_->failures.Fail("INetFwPolicy::get_CurrentProfile", E_FAIL);
    TestMainWindow window(*creator_);
    EXPECT_EQ(window.DoModal(), 0) << "the run ended during start-up, with result 0";

    EXPECT_EQ(window.waits, std::vector<unsigned int>(20, 5000));
    ASSERT_EQ(window.messages.size(), 1u);
    EXPECT_EQ(window.messages[0].text, "Palisor works only under Windows XP");
    EXPECT_EQ(window.messages[0].caption, "Error");
    EXPECT_EQ(window.messages[0].style, static_cast<unsigned int>(MB_OK | MB_ICONSTOP));
    EXPECT_EQ(window.endedProcess, -1);
    EXPECT_EQ(window.Profile(), nullptr);
    // The rest of the start-up still ran, with nothing to list, up to the icon.
    ASSERT_NE(window.PortPage(), nullptr);
    EXPECT_EQ(window.PortPage()->rowCount, 0);
    EXPECT_EQ(window.ProgramPage()->rowCount, 0);
    EXPECT_FALSE(window.TrayIcon().iconRemoved);
    EXPECT_EQ(window.m_hWnd, nullptr) << "the window is gone once the run has ended";
}

TEST_F(MainWindowTest, WithoutTheManagerItSaysSoAndEndsTheProcessWithStatusZero) {
    policy_->failures.Fail("CoCreateInstance(NetFwMgr)", REGDB_E_CLASSNOTREG);
    TestMainWindow window(*creator_);
    ASSERT_TRUE(window.Create(nullptr));
    ASSERT_EQ(window.messages.size(), 1u);
    EXPECT_EQ(window.messages[0].text, "Palsor works only under Windows XP");
    EXPECT_EQ(window.messages[0].caption, "Error");
    EXPECT_EQ(window.endedProcess, 0);
    EXPECT_TRUE(window.waits.empty());
    window.DestroyWindow();
}

TEST_F(MainWindowTest, BuildsTabsPagesBannerSystemMenuAndIcon) {
    policy_->firewallEnabled = false;
    auto window = Open();
    ASSERT_NE(window->m_hWnd, nullptr);
    EXPECT_TRUE(window->messages.empty());
    EXPECT_TRUE(window->waits.empty());

    EXPECT_EQ(window->Tabs().GetItemCount(), 3);
    char text[64] = "";
    TCITEMA item{};
    item.mask = TCIF_TEXT;
    item.pszText = text;
    item.cchTextMax = sizeof text;
    const char* const tabs[] = {"Add/Remove Programs", "View Ports", "View Traffic"};
    for (int index = 0; index < 3; ++index) {
        SendMessageA(window->Tabs(), TCM_GETITEMA, index, reinterpret_cast<LPARAM>(&item));
        EXPECT_STREQ(text, tabs[index]);
    }
    EXPECT_EQ(IsDlgButtonChecked(*window, IDC_FIREWALL_OFF), BST_CHECKED) << "the firewall is off";
    EXPECT_EQ(IsDlgButtonChecked(*window, IDC_LOGS_ON), BST_CHECKED);

    // The pages in the container in tab order, the banner in its own container.
    CTabDialog* pages = window->PageContainer();
    ASSERT_NE(pages, nullptr);
    ASSERT_EQ(pages->GetPageCount(), 3);
    EXPECT_EQ(pages->GetPage(0), static_cast<CDialog*>(window->ProgramPage()));
    EXPECT_EQ(pages->GetPage(1), static_cast<CDialog*>(window->PortPage()));
    EXPECT_EQ(pages->GetPage(2), static_cast<CDialog*>(window->TrafficPage()));
    ASSERT_NE(window->Banner(), nullptr);
    EXPECT_EQ(window->BannerContainer()->GetPage(0), static_cast<CDialog*>(window->Banner()));
    EXPECT_TRUE(IsWindowVisible(*window->Banner()));

    // The container lies over the tab's display area, in front of the tab control.
    RECT tabArea, container;
    GetWindowRect(window->Tabs(), &tabArea);
    SendMessageA(window->Tabs(), TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&tabArea));
    GetWindowRect(*pages, &container);
    EXPECT_EQ(container.left, tabArea.left);
    EXPECT_EQ(container.top, tabArea.top);
    bool containerFirst = false;
    for (HWND child = GetWindow(*window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        if (child == pages->m_hWnd || child == window->Tabs().m_hWnd) {
            containerFirst = child == pages->m_hWnd;
            break;
        }
    }
    EXPECT_TRUE(containerFirst) << "the tab control must not paint over the pages";

    // The system menu ends with a separator and the About item.
    HMENU systemMenu = GetSystemMenu(*window, FALSE);
    const int count = GetMenuItemCount(systemMenu);
    ASSERT_GE(count, 2);
    EXPECT_EQ(GetMenuItemID(systemMenu, count - 1), static_cast<UINT>(IDM_ABOUTBOX));
    char about[64] = "";
    GetMenuStringA(systemMenu, count - 1, about, sizeof about, MF_BYPOSITION);
    EXPECT_STREQ(about, "&About Palisor...");
    MENUITEMINFOA separator{};
    separator.cbSize = sizeof separator;
    separator.fMask = MIIM_FTYPE;
    GetMenuItemInfoA(systemMenu, count - 2, TRUE, &separator);
    EXPECT_TRUE(separator.fType & MFT_SEPARATOR);

    // One icon for the window and the minimised drag.
    const LRESULT icon = SendMessageA(*window, WM_GETICON, ICON_BIG, 0);
    EXPECT_NE(icon, 0);
    EXPECT_EQ(SendMessageA(*window, WM_GETICON, ICON_SMALL, 0), icon);
    EXPECT_EQ(SendMessageA(*window, WM_QUERYDRAGICON, 0, 0), icon);
    EXPECT_FALSE(window->TrayIcon().iconRemoved);
    // The notification area gets the same icon drawn at the system's small-icon size.
    const auto& tray = window->TrayIcon().iconData;
    ASSERT_NE(tray.icon, nullptr);
    ICONINFO trayInfo{};
    ASSERT_TRUE(GetIconInfo(static_cast<HICON>(tray.icon), &trayInfo));
    BITMAP trayBitmap{};
    GetObjectA(trayInfo.hbmColor ? trayInfo.hbmColor : trayInfo.hbmMask, sizeof trayBitmap, &trayBitmap);
    EXPECT_EQ(trayBitmap.bmWidth, GetSystemMetrics(SM_CXSMICON));
    if (trayInfo.hbmColor)
        DeleteObject(trayInfo.hbmColor);
    if (trayInfo.hbmMask)
        DeleteObject(trayInfo.hbmMask);
    EXPECT_EQ(tray.window, static_cast<void*>(window->m_hWnd)) << "the icon's messages go to the main window";
    EXPECT_EQ(tray.id, static_cast<std::uint32_t>(IDR_TRAY_MENU));
    EXPECT_EQ(tray.callbackMessage, 0x800Au);
    EXPECT_STREQ(tray.tip, "Palisor");
    window->DestroyWindow();
}

TEST_F(MainWindowTest, ATabOutsideTheThreeShowsTheProgramsPage) {
    auto window = Open();
    auto visiblePages = [&] {
        std::vector<CDialog*> visible;
        for (int index = 0; index < 3; ++index) {
            if (window->PageContainer()->GetPage(index)->IsWindowVisible())
                visible.push_back(window->PageContainer()->GetPage(index));
        }
        return visible;
    };
    auto selectionChanged = [&] {
        NMHDR header{window->Tabs().m_hWnd, IDC_TABS, static_cast<UINT>(TCN_SELCHANGE)};
        SendMessageA(*window, WM_NOTIFY, IDC_TABS, reinterpret_cast<LPARAM>(&header));
    };
    window->Tabs().SetCurSel(2);
    selectionChanged();
    EXPECT_EQ(visiblePages(), std::vector<CDialog*>{window->TrafficPage()});
    RECT page;
    GetClientRect(*window->TrafficPage(), &page);
    EXPECT_EQ(page.right, 505);
    EXPECT_EQ(page.bottom, 230);

    window->Tabs().SetCurSel(-1);
    ASSERT_EQ(window->Tabs().GetCurSel(), -1);
    selectionChanged();
    EXPECT_EQ(visiblePages(), std::vector<CDialog*>{window->ProgramPage()});
    window->DestroyWindow();
}

TEST_F(MainWindowTest, BannerShowsAHandEverywhereAndItsCommandsOpenTheirPages) {
    auto window = Open();
    HWND banner = *window->Banner();
    HWND picture = GetDlgItem(banner, IDC_BANNER_PICTURE);
    ASSERT_NE(picture, nullptr);
    const HCURSOR hand = LoadCursor(nullptr, IDC_HAND);
    for (HWND over : {banner, picture}) {
        SetCursor(LoadCursor(nullptr, IDC_ARROW));
        SendMessageA(over, WM_SETCURSOR, reinterpret_cast<WPARAM>(over), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
        EXPECT_EQ(GetCursor(), hand);
    }

    SendMessageA(banner, WM_COMMAND, MAKEWPARAM(IDC_BANNER_PICTURE, STN_CLICKED),
                 reinterpret_cast<LPARAM>(picture));
    SendMessageA(*window, WM_COMMAND, ID_TRAY_HOMEPAGE, 0);
    SendMessageA(GetDlgItem(*window, IDC_FORUM), BM_CLICK, 0, 0);
    const std::vector<std::pair<std::string, std::string>> expected = {
        {"open", "http://www.palisor.example"},
        {"open", "http://www.palisor.example/content+index.id+16.htm"},
        {"(default)", "http://www.palisor.example/newbb+index.cat+2.htm"}};
    EXPECT_EQ(g_opened, expected);
    EXPECT_TRUE(window->IsWindowVisible()) << "opening a page leaves the window as it was";
    window->DestroyWindow();
}

TEST_F(MainWindowTest, TheFirewallRadioButtonsSwitchTheFirewallAndLeaveTheLogsPairAlone) {
    auto window = Open();
    ASSERT_TRUE(policy_->firewallEnabled);
    SendMessageA(GetDlgItem(*window, IDC_FIREWALL_OFF), BM_CLICK, 0, 0);
    EXPECT_FALSE(policy_->firewallEnabled);
    EXPECT_EQ(IsDlgButtonChecked(*window, IDC_LOGS_ON), BST_CHECKED);
    SendMessageA(GetDlgItem(*window, IDC_FIREWALL_ON), BM_CLICK, 0, 0);
    EXPECT_TRUE(policy_->firewallEnabled);
    EXPECT_TRUE(window->messages.empty());

    // A user without administrator rights: the radios go back to the firewall's state and one message
    // says why.
    policy_->writesRefused = true;
    SendMessageA(GetDlgItem(*window, IDC_FIREWALL_OFF), BM_CLICK, 0, 0);
    EXPECT_TRUE(policy_->firewallEnabled);
    EXPECT_EQ(IsDlgButtonChecked(*window, IDC_FIREWALL_ON), BST_CHECKED);
    EXPECT_EQ(IsDlgButtonChecked(*window, IDC_FIREWALL_OFF), BST_UNCHECKED);
    ASSERT_EQ(window->messages.size(), 1u);
    EXPECT_EQ(window->messages[0].text,
              "The firewall was not switched off: changing the firewall needs administrator rights.");
    EXPECT_EQ(window->messages[0].caption, "Palisor");
    // Clicking the selected button again asks for no change, so nothing is refused.
    SendMessageA(GetDlgItem(*window, IDC_FIREWALL_ON), BM_CLICK, 0, 0);
    EXPECT_EQ(window->messages.size(), 1u);
    window->DestroyWindow();
}

struct AboutWhileHidden {
    HWND main = nullptr;
    bool boxFound = false;
    HWND boxOwner = nullptr;
    bool enabledWhileHidden = true;
    bool visibleAfterDoubleClick = false;
    bool enabledAfterDoubleClick = true;
};
AboutWhileHidden g_about;

BOOL CALLBACK FindAboutBox(HWND window, LPARAM found) {
    char caption[64] = "";
    GetWindowTextA(window, caption, sizeof caption);
    if (IsWindowVisible(window) && std::string(caption) == "About Palisor") {
        *reinterpret_cast<HWND*>(found) = window;
        return FALSE;
    }
    return TRUE;
}

// Runs inside the About box's modal loop: looks at the windows, double-clicks the icon, closes the box.
void CALLBACK LookAtTheAboutBox(HWND, UINT, UINT_PTR timer, DWORD) {
    HWND box = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), &FindAboutBox, reinterpret_cast<LPARAM>(&box));
    if (box == nullptr)
        return; // not up yet
    KillTimer(nullptr, timer);
    g_about.boxFound = true;
    g_about.boxOwner = GetWindow(box, GW_OWNER);
    g_about.enabledWhileHidden = IsWindowEnabled(g_about.main) != FALSE;
    SendMessageA(g_about.main, CfirewallDlg::kTrayCallbackMessage, IDR_TRAY_MENU, WM_LBUTTONDBLCLK);
    g_about.visibleAfterDoubleClick = IsWindowVisible(g_about.main) != FALSE;
    g_about.enabledAfterDoubleClick = IsWindowEnabled(g_about.main) != FALSE;
    PostMessageA(box, WM_COMMAND, IDOK, 0);
}

TEST_F(MainWindowTest, AboutFromTheIconsMenuWhileHiddenKeepsTheWindowFromInputUntilItCloses) {
    auto window = Open();
    SendMessageA(*window, WM_COMMAND, IDCANCEL, 0); // the close box: into the notification area
    Pump();
    ASSERT_FALSE(IsWindowVisible(*window));
    g_about = AboutWhileHidden();
    g_about.main = *window;
    const UINT_PTR timer = SetTimer(nullptr, 0, 50, &LookAtTheAboutBox);
    ASSERT_NE(timer, 0u);
    SendMessageA(*window, WM_COMMAND, ID_TRAY_ABOUT, 0); // returns when the box has closed
    KillTimer(nullptr, timer);
    ASSERT_TRUE(g_about.boxFound);
    EXPECT_EQ(g_about.boxOwner, window->m_hWnd);
    EXPECT_FALSE(g_about.enabledWhileHidden);
    EXPECT_TRUE(g_about.visibleAfterDoubleClick);
    EXPECT_FALSE(g_about.enabledAfterDoubleClick) << "the main window took input under the box";
    EXPECT_TRUE(IsWindowEnabled(*window));
    window->DestroyWindow();
}

// Colour changes reach the top-level window only; the main window passes them down to the lists and
// their headers, which paint with the new colours.
TEST_F(MainWindowTest, ColourChangesSentToTheMainWindowReachTheListsAndTheirHeaders) {
    auto window = Open();
    CXListCtrl& list = window->ProgramPage()->list;
    struct ChangedColors {
        int elements[2] = {COLOR_WINDOW, COLOR_BTNFACE};
        COLORREF saved[2] = {GetSysColor(COLOR_WINDOW), GetSysColor(COLOR_BTNFACE)};
        COLORREF changed[2] = {RGB(250, 240, 200), RGB(190, 210, 230)};
        bool applied = SetSysColors(2, elements, changed) != FALSE;
        ~ChangedColors() {
            if (applied)
                SetSysColors(2, elements, saved);
        }
    } colors;
    ASSERT_TRUE(colors.applied);
    // Wine sends the change to the top-level windows from SetSysColors itself; the explicit message
    // stands for a system that only posts it.
    SendMessageA(*window, WM_SYSCOLORCHANGE, 0, 0);
    EXPECT_EQ(list.colorWindow, colors.changed[0]);
    EXPECT_EQ(list.colorButtonFace, colors.changed[1]);
    EXPECT_EQ(list.header.colorFace, colors.changed[1]);
    EXPECT_EQ(window->PortPage()->list.header.colorFace, colors.changed[1]);
    // And paints with them: the header's band.
    RedrawWindow(*window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    HWND header = list.GetHeaderCtrl();
    RECT item;
    SendMessageA(header, HDM_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&item));
    HDC dc = GetDC(header);
    const COLORREF face = GetPixel(dc, item.left + 3, item.top + 3);
    ReleaseDC(header, dc);
    EXPECT_EQ(face, colors.changed[1]);
    window->DestroyWindow();
}

// 10.0.0.5:1025 -> 10.0.0.1:80, SYN, sequence number 1000: twenty bytes of IP, twenty of TCP.
const unsigned char kSyn[40] = {0x45, 0, 0,  40, 0,    0,    0,    0,    64, 6,  0, 0, 10,   0,
                                0,    5, 10, 0,  0,    1,    0x04, 0x01, 0,  80, 0, 0, 0x03, 0xE8,
                                0,    0, 0,  0,  0x50, 0x02, 0,    0,    0,  0,  0, 0};

// The traffic page over a scripted network whose receive blocks while nothing arrives, so that a
// capture keeps running until it is stopped.
class ScriptedMainWindow : public TestMainWindow {
public:
    ScriptedMainWindow(ComObjectCreator& creator, palisor::CaptureNetwork& network)
        : TestMainWindow(creator), network_(network) {}

protected:
    CSnifferDlg* NewTrafficPage(CWnd* parent) override {
        return new CSnifferDlg(parent, network_, [](const char*, const char*, const char*, int) {});
    }

private:
    palisor::CaptureNetwork& network_;
};

TEST_F(MainWindowTest, LogsOnIsIgnoredWhileACaptureRunsOffStopsItAndTheWindowStopsItWhenItGoes) {
    // The page is never deleted, so the network outlives it.
    static palisor::ScriptedCaptureNetwork network;
    network.hostAddresses = {"10.0.0.5"};
    ScriptedMainWindow window(*creator_, network);
    ASSERT_TRUE(window.Create(nullptr));
    Pump();
    CSnifferDlg* page = window.TrafficPage();
    ASSERT_NE(page, nullptr);
    ASSERT_TRUE(network.WaitUntilIdle(5000)) << "the capture started at start-up";
    EXPECT_TRUE(page->Capturing());
    EXPECT_EQ(IsDlgButtonChecked(window, IDC_LOGS_ON), BST_CHECKED);
    const auto running = network.counts();
    EXPECT_EQ(running.socketsCreated, 1);
    EXPECT_EQ(running.boundAddress, "10.0.0.5");

    SendMessageA(GetDlgItem(window, IDC_LOGS_ON), BM_CLICK, 0, 0);
    EXPECT_TRUE(page->Capturing());
    EXPECT_EQ(network.counts().socketsCreated, 1) << "no second capture";
    EXPECT_EQ(network.counts().startups, running.startups) << "nor a second start of the network";
    EXPECT_EQ(page->captureEngine().interfaceList().size(), 1u);

    SendMessageA(GetDlgItem(window, IDC_LOGS_OFF), BM_CLICK, 0, 0);
    EXPECT_FALSE(page->Capturing());
    EXPECT_EQ(network.counts().socketsClosed, 1);
    EXPECT_EQ(IsDlgButtonChecked(window, IDC_LOGS_ON), BST_UNCHECKED);

    SendMessageA(GetDlgItem(window, IDC_LOGS_ON), BM_CLICK, 0, 0);
    ASSERT_TRUE(network.WaitUntilIdle(5000)) << "a new capture";
    EXPECT_TRUE(page->Capturing());
    EXPECT_EQ(network.counts().socketsCreated, 2);
    EXPECT_EQ(network.counts().boundAddress, "10.0.0.5");

    window.DestroyWindow();
    EXPECT_FALSE(page->Capturing()) << "the capture ends with the window, before the page's state";
    EXPECT_EQ(network.counts().socketsClosed, 2);
}

// A transcript that holds the capture thread in its first line until released, as a slow decoder
// or a stalled output would.
class HoldingTranscript : public palisor::TranscriptSink {
public:
    HoldingTranscript()
        : entered_(CreateEventA(nullptr, TRUE, FALSE, nullptr)),
          released_(CreateEventA(nullptr, TRUE, FALSE, nullptr)) {}
    ~HoldingTranscript() override {
        CloseHandle(entered_);
        CloseHandle(released_);
    }
    void WriteLine(const char*, std::size_t) override {
        SetEvent(entered_);
        WaitForSingleObject(released_, INFINITE);
    }
    bool WaitEntered(DWORD milliseconds) {
        return WaitForSingleObject(entered_, milliseconds) == WAIT_OBJECT_0;
    }
    void Release() { SetEvent(released_); }

private:
    HANDLE entered_;
    HANDLE released_;
};

class HoldingMainWindow : public ScriptedMainWindow {
public:
    HoldingMainWindow(ComObjectCreator& creator, palisor::CaptureNetwork& network,
                      palisor::TranscriptSink& sink)
        : ScriptedMainWindow(creator, network), sink_(sink) {}

protected:
    CSnifferDlg* NewTrafficPage(CWnd* parent) override {
        CSnifferDlg* page = ScriptedMainWindow::NewTrafficPage(parent);
        page->SetTranscriptSink(sink_);
        return page;
    }

private:
    palisor::TranscriptSink& sink_;
};

TEST_F(MainWindowTest, OnAfterAnOffWhoseWaitRanOutIsKeptAndCapturesOnceTheOldThreadIsDone) {
    // The page is never deleted: the network and the transcript outlive it.
    static palisor::ScriptedCaptureNetwork network;
    static HoldingTranscript transcript;
    network.hostAddresses = {"10.0.0.5"};
    HoldingMainWindow window(*creator_, network, transcript);
    ASSERT_TRUE(window.Create(nullptr));
    Pump();
    CSnifferDlg* page = window.TrafficPage();
    ASSERT_NE(page, nullptr);
    ASSERT_TRUE(network.WaitUntilIdle(5000));
    network.QueueDatagram(std::vector<std::uint8_t>(kSyn, kSyn + sizeof kSyn));
    ASSERT_TRUE(transcript.WaitEntered(5000));

    // "Off" waits its five seconds in vain: the thread is still inside the segment.
    SendMessageA(GetDlgItem(window, IDC_LOGS_OFF), BM_CLICK, 0, 0);
    EXPECT_TRUE(page->Capturing());
    EXPECT_EQ(IsDlgButtonChecked(window, IDC_LOGS_OFF), BST_CHECKED);

    // "On" shows as selected, so it must lead to a capture.
    SendMessageA(GetDlgItem(window, IDC_LOGS_ON), BM_CLICK, 0, 0);
    EXPECT_EQ(IsDlgButtonChecked(window, IDC_LOGS_ON), BST_CHECKED);
    transcript.Release();
    EXPECT_TRUE(network.WaitUntilIdle(5000)) << "capturing again once the old loop has ended";
    EXPECT_TRUE(page->Capturing());
    EXPECT_EQ(network.counts().socketsCreated, 2);
    EXPECT_EQ(network.counts().boundAddress, "10.0.0.5");

    window.DestroyWindow();
    EXPECT_FALSE(page->Capturing());
    EXPECT_EQ(network.counts().socketsClosed, network.counts().socketsCreated);
}

// How many more drawing objects this process can make: brushes are made until the system refuses one,
// then all are given back. The room shrinks by exactly the objects the process keeps alive (Wine's
// GetGuiResources does not count them).
std::size_t DrawingObjectRoom() {
    std::vector<HBRUSH> made;
    made.reserve(70000);
    while (made.size() < 200000) {
        HBRUSH brush = CreateSolidBrush(RGB(1, 2, 3));
        if (brush == nullptr)
            break;
        made.push_back(brush);
    }
    for (HBRUSH brush : made)
        DeleteObject(brush);
    return made.size();
}

// Repaints, page switches and refills give back every drawing object they take.
TEST_F(MainWindowTest, RepaintsPageSwitchesAndRefillsLeakNoDrawingObjects) {
    for (int i = 0; i < 6; ++i) {
        standin::OpenPortData port;
        port.port = 1000 + i;
        port.name = L"Port";
        port.enabled = i % 2 == 0;
        policy_->PutPort(port);
    }
    // A capture that waits for datagrams that never come: nothing else draws while the room is
    // measured.
    static palisor::ScriptedCaptureNetwork network;
    network.hostAddresses = {"10.0.0.5"};
    auto window = std::make_unique<ScriptedMainWindow>(*creator_, network);
    ASSERT_TRUE(window->Create(nullptr));
    Pump();
    HWND tabs = GetDlgItem(*window, IDC_TABS);
    auto cycle = [&](int round) {
        const int tab = round % 3;
        SendMessageA(tabs, TCM_SETCURSEL, tab, 0);
        NMHDR change = {tabs, static_cast<UINT_PTR>(IDC_TABS), static_cast<UINT>(TCN_SELCHANGE)};
        SendMessageA(*window, WM_NOTIFY, IDC_TABS, reinterpret_cast<LPARAM>(&change));
        exception_page::ClearRows(window->PortPage()->list);
        window->PortPage()->rowCount = 0;
        window->ListPortExceptions();
        RedrawWindow(*window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
        Pump();
    };
    for (int round = 0; round < 6; ++round)
        cycle(round); // caches and first-use objects settle
    const DWORD countBefore = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
    const std::size_t roomBefore = DrawingObjectRoom();
    ASSERT_LT(roomBefore, 200000u) << "the system set no limit to find";
    // Each round repaints the whole window, switches the page and refills the ports list.
    for (int round = 0; round < 200; ++round)
        cycle(round);
    const std::size_t roomAfter = DrawingObjectRoom();
    const DWORD countAfter = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
    EXPECT_LE(roomBefore, roomAfter + 3) << "drawing objects grew by " << (roomBefore - roomAfter);
    if (countBefore != 0) { // where the system counts them
        EXPECT_LE(countAfter, countBefore + 3);
    }
    EXPECT_EQ(window->PortPage()->list.GetItemCount(), 6);
    window->DestroyWindow();
}

TEST_F(MainWindowTest, WithoutTheManagerTheCaptureIsStoppedBeforeTheProcessEnds) {
    static palisor::ScriptedCaptureNetwork network;
    network.hostAddresses = {"10.0.0.5"};
    policy_->failures.Fail("CoCreateInstance(NetFwMgr)", REGDB_E_CLASSNOTREG);
    ScriptedMainWindow window(*creator_, network);
    ASSERT_TRUE(window.Create(nullptr));
    EXPECT_EQ(window.endedProcess, 0);
    ASSERT_NE(window.TrafficPage(), nullptr);
    EXPECT_FALSE(window.captureRanAtEnd) << "the capture thread ran into the process's end";
    EXPECT_GE(network.counts().socketsCreated, 1) << "a capture had started";
    window.DestroyWindow();
}

TEST_F(MainWindowTest, TheProgramsTrafficPageWritesEachTranscriptLineToStandardOutputAsFormed) {
    // Standard output is sent to a file in text mode, as a redirection gives it; the page's own network is
    // the real one, whose failure line under Wine lands in the same file and does not matter here.
    char path[MAX_PATH] = "";
    char folder[MAX_PATH] = "";
    GetTempPathA(MAX_PATH, folder);
    GetTempFileNameA(folder, "trn", 0, path);
    std::fflush(stdout);
    const int saved = _dup(_fileno(stdout));
    const int file = _open(path, _O_WRONLY | _O_TRUNC | _O_TEXT);
    ASSERT_GE(file, 0);
    _dup2(file, _fileno(stdout));
    _close(file);

    auto window = Open();
    CSnifferDlg* page = window->TrafficPage();
    ASSERT_NE(page, nullptr);
    // The tree calls are carried out by this thread, so the datagram comes from another one.
    HANDLE feeder = CreateThread(
        nullptr, 0,
        [](void* param) -> DWORD {
            static_cast<CSnifferDlg*>(param)->DecodeDatagram(kSyn, sizeof kSyn);
            return 0;
        },
        page, 0, nullptr);
    ASSERT_NE(feeder, nullptr);
    while (MsgWaitForMultipleObjects(1, &feeder, FALSE, 5000, QS_ALLINPUT) == WAIT_OBJECT_0 + 1)
        Pump();
    CloseHandle(feeder);
    window->DestroyWindow();

    std::fflush(stdout);
    _dup2(saved, _fileno(stdout));
    _close(saved);
    std::string written;
    if (FILE* in = std::fopen(path, "rb")) {
        char chunk[512];
        for (size_t n; (n = std::fread(chunk, 1, sizeof chunk, in)) > 0;)
            written.append(chunk, n);
        std::fclose(in);
    }
    DeleteFileA(path);
    EXPECT_NE(
        written.find(
            "10.0.0.5 - 10.0.0.1 {1025-80}, len: 0, seq: 1000,ack: 0, Flags: SYN,TAPI  /*New session*/ \r\n"),
        std::string::npos)
        << written;
    EXPECT_EQ(written.find("\r\r\n"), std::string::npos) << "no doubled CR";
}

} // namespace
