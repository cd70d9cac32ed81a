// The whole program under Wine, driven from this process as a user would drive it: palisor.exe
// against the stand-in firewall, each test with its own policy file.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <vector>

#include "res/resource.h"
#include "tests/e2e/driver/remote_controls.h"
#include "tests/e2e/driver/remote_process.h"
#include "tests/e2e/driver/screen_capture.h"
#include "tests/e2e/driver/shell_tray.h"
#include "tests/e2e/palisor/palisor_session.h"

using namespace e2e;
using namespace std::chrono_literals;

namespace {

const char kPolicy[] = "firewall on\n"
                       "port 21 TCP on File transfer\n"
                       "port 53 UDP off Name service\n"
                       "program on C:\\Tools\\mail.exe | Mail\n"
                       "program off C:\\Tools\\chat.exe | Chat\n";

const char kBadPortText[] = "You most entre a number higher than 1";
const char kNoPortNameText[] = "You most entre the name for this port";
const char kNoProgramText[] = "You most choose a program";
const char kNoProgramNameText[] = "You most entre the name for this program";

void SaveShot(HWND window, const std::string& name) {
    const std::string directory = WorkDirectory() + "\\screenshots";
    CreateDirectoryA(directory.c_str(), nullptr);
    // A page switch leaves parts of the window to be painted later: have the program paint the whole
    // window now, and give the screen a moment to show it, so the picture is not half drawn.
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    Sleep(300);
    EXPECT_TRUE(SaveScreenshot(window, directory + "\\" + name + ".bmp")) << name;
}

class PalisorTest : public ::testing::Test {
protected:
    void Launch(const std::string& policy = kPolicy, const std::vector<std::string>& environment = {}) {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        session_ = std::make_unique<PalisorSession>(info->name(), policy);
        ASSERT_TRUE(session_->Start(environment))
            << "starting the program failed, error " << ::GetLastError();
        ASSERT_TRUE(session_->WaitForMainWindow()) << "no main window";
    }

    void TearDown() override {
        if (session_ && session_->process().Running()) {
            EXPECT_TRUE(session_->ExitThroughButton());
        }
    }

    PalisorSession& palisor() { return *session_; }
    HWND main() { return session_->main(); }
    DWORD pid() { return session_->Id(); }

    // Clicks a tab as the user does and waits for its page.
    void ShowTab(int index, HWND page) {
        ClickTab(palisor().Control(IDC_TABS), index);
        ASSERT_TRUE(WaitUntil([&] { return OnlyVisible(Pages()) == page; })) << "tab " << index;
    }

    std::vector<HWND> Pages() {
        return {palisor().ProgramsPage(), palisor().PortsPage(), palisor().TrafficPage()};
    }

    // Presses a button whose answer is a message box; checks the box and closes it.
    void ExpectMessage(HWND button, const std::string& text) {
        PostClick(button);
        const MessageBoxInfo box = WaitForMessageBox(pid());
        ASSERT_NE(box.window, nullptr) << "no message for: " << text;
        EXPECT_EQ(box.caption, "Palisor");
        EXPECT_EQ(box.text, text);
        DismissMessageBox(box);
        ASSERT_TRUE(WaitForNoMessageBox(pid()));
    }

    // Opens the About box through `open`, checks it and closes it through `close`.
    template <typename Open, typename Close> void ExpectAboutBox(const char* how, Open open, Close close) {
        SCOPED_TRACE(how);
        open();
        HWND about = WaitForDialog(pid(), "About Palisor", IDC_ABOUT_VERSION);
        ASSERT_NE(about, nullptr) << "no About box";
        EXPECT_EQ(Text(GetDlgItem(about, IDC_ABOUT_VERSION)), "Palisor Version 4.5.0");
        EXPECT_FALSE(IsWindowEnabled(main())) << "the main window takes no input while the box runs";
        close(about);
        EXPECT_TRUE(WaitUntil([&] { return !IsWindow(about); }));
        EXPECT_TRUE(WaitUntil([&] { return IsWindowEnabled(main()) != FALSE; }));
    }

    // Right-clicks the icon in the notification area and picks the menu item `downs` lines down.
    void ChooseTrayMenuItem(int downs) {
        ASSERT_TRUE(ClickTrayIcon(WM_RBUTTONUP, [&] { return FindPopupMenu(pid()) != nullptr; }))
            << "the icon's menu did not open";
        for (int i = 0; i < downs; ++i)
            PostMessageA(main(), WM_KEYDOWN, VK_DOWN, 0);
        PostMessageA(main(), WM_KEYDOWN, VK_RETURN, 0);
    }

    std::unique_ptr<PalisorSession> session_;
};

TEST_F(PalisorTest, StartsWithTheFirewallStateTheFirstTabTheListsAndTheIcon) {
    ASSERT_NO_FATAL_FAILURE(Launch());
    EXPECT_TRUE(IsChecked(palisor().Control(IDC_FIREWALL_ON)));
    EXPECT_FALSE(IsChecked(palisor().Control(IDC_FIREWALL_OFF)));
    EXPECT_TRUE(IsChecked(palisor().Control(IDC_LOGS_ON)));
    EXPECT_FALSE(IsChecked(palisor().Control(IDC_LOGS_OFF)));
    EXPECT_EQ(TabSelection(palisor().Control(IDC_TABS)), 0);
    EXPECT_EQ(OnlyVisible(Pages()), palisor().ProgramsPage());

    // Both lists in the firewall's order, the disabled exceptions too.
    HWND programs = GetDlgItem(palisor().ProgramsPage(), IDC_PROGRAM_LIST);
    const std::vector<std::vector<std::string>> programRows = {{"", "Mail", "Remove", "C:\\Tools\\mail.exe"},
                                                               {"", "Chat", "Remove", "C:\\Tools\\chat.exe"}};
    EXPECT_EQ(ListRows(programs, 4), programRows);
    HWND ports = GetDlgItem(palisor().PortsPage(), IDC_PORT_LIST);
    const std::vector<std::vector<std::string>> portRows = {{"", "File transfer", "21 ", "TCP", "Remove"},
                                                            {"", "Name service", "53 ", "UDP", "Remove"}};
    EXPECT_EQ(ListRows(ports, 5), portRows);
    SaveShot(main(), "programs");

    // "Exit" ends the process with status 0, and the icon goes with it.
    HWND window = main();
    EXPECT_TRUE(palisor().ExitThroughButton());
    EXPECT_FALSE(IconInShell(window, IDR_TRAY_MENU));
}

TEST_F(PalisorTest, ShowsTheFirewallOffWhenItIsOff) {
    ASSERT_NO_FATAL_FAILURE(Launch("firewall off\n"));
    EXPECT_FALSE(IsChecked(palisor().Control(IDC_FIREWALL_ON)));
    EXPECT_TRUE(IsChecked(palisor().Control(IDC_FIREWALL_OFF)));
    EXPECT_EQ(ListItemCount(GetDlgItem(palisor().ProgramsPage(), IDC_PROGRAM_LIST)), 0);
    EXPECT_EQ(ListItemCount(GetDlgItem(palisor().PortsPage(), IDC_PORT_LIST)), 0);
}

TEST_F(PalisorTest, PortsPageValidatesAddsSwitchesAndRemovesThroughTheFirewall) {
    ASSERT_NO_FATAL_FAILURE(Launch());
    HWND page = palisor().PortsPage();
    ASSERT_NO_FATAL_FAILURE(ShowTab(1, page));
    HWND list = GetDlgItem(page, IDC_PORT_LIST);
    HWND name = GetDlgItem(page, IDC_PORT_NAME);
    HWND number = GetDlgItem(page, IDC_PORT_NUMBER);
    HWND add = GetDlgItem(page, IDC_ADD_PORT);

    for (const char* text : {"0", "-5", "abc", ""}) {
        SCOPED_TRACE(text);
        SetText(name, "Any");
        SetText(number, text);
        ExpectMessage(add, kBadPortText);
    }
    SetText(name, "");
    SetText(number, "8080");
    ExpectMessage(add, kNoPortNameText);
    EXPECT_EQ(ListItemCount(list), 2) << "a refused port adds no row";

    SetText(name, "Web");
    SetText(number, "8080");
    PostClick(add);
    ASSERT_TRUE(WaitUntil([&] { return ListItemCount(list) == 3; }));
    EXPECT_EQ(ListRows(list, 5)[2], (std::vector<std::string>{"", "Web", "8080", "TCP", "Remove"}));
    EXPECT_TRUE(palisor().WaitForPolicyLine("port 8080 TCP on Web"));

    // The UDP choice holds for every add until TCP is chosen again.
    PostClick(GetDlgItem(page, IDC_PROTOCOL_UDP));
    for (const auto& [portName, port] :
         {std::pair<const char*, const char*>{"Voice", "5060"}, {"Game", "27015"}}) {
        SetText(name, portName);
        SetText(number, port);
        PostClick(add);
        EXPECT_TRUE(palisor().WaitForPolicyLine(std::string("port ") + port + " UDP on " + portName));
        EXPECT_TRUE(IsChecked(GetDlgItem(page, IDC_PROTOCOL_UDP)));
        EXPECT_FALSE(IsChecked(GetDlgItem(page, IDC_PROTOCOL_TCP)));
    }
    ASSERT_TRUE(WaitUntil([&] { return ListItemCount(list) == 5; }));
    SaveShot(main(), "ports");

    // A row's box switches its exception.
    ClickListCell(list, 0, 0);
    EXPECT_TRUE(palisor().WaitForPolicyLine("port 21 TCP off File transfer"));
    ClickListCell(list, 0, 0);
    EXPECT_TRUE(palisor().WaitForPolicyLine("port 21 TCP on File transfer"));

    // "Remove" on a disabled exception leaves it; on an enabled one removes it, and the list is
    // refilled from the firewall. The clicks are handled in order, so once the second removal shows,
    // the first has been handled too.
    ClickListCell(list, 1, 4);
    ClickListCell(list, 2, 4);
    EXPECT_TRUE(palisor().WaitForPolicyLine("port 8080 TCP on Web", false));
    ASSERT_TRUE(WaitUntil([&] { return ListItemCount(list) == 4; }));
    const auto rows = ListRows(list, 5);
    EXPECT_EQ(rows[1], (std::vector<std::string>{"", "Name service", "53 ", "UDP", "Remove"}));
    EXPECT_EQ(rows[2], (std::vector<std::string>{"", "Voice", "5060 ", "UDP", "Remove"}));
    EXPECT_TRUE(palisor().WaitForPolicyLine("port 53 UDP off Name service"));
}

TEST_F(PalisorTest, ProgramsPageBrowsesAddsSwitchesAndRemovesThroughTheFirewall) {
    ASSERT_NO_FATAL_FAILURE(Launch());
    HWND page = palisor().ProgramsPage();
    HWND list = GetDlgItem(page, IDC_PROGRAM_LIST);
    HWND path = GetDlgItem(page, IDC_PROGRAM_PATH);
    HWND name = GetDlgItem(page, IDC_PROGRAM_NAME);
    HWND add = GetDlgItem(page, IDC_ADD_PROGRAM);

    SetText(name, "Editor");
    ExpectMessage(add, kNoProgramText);

    // The path comes from the system's open-file dialog.
    PostClick(GetDlgItem(page, IDC_BROWSE));
    HWND open = WaitForDialog(pid(), "Open", 0);
    ASSERT_NE(open, nullptr) << "no open-file dialog";
    HWND fileName = FindDescendant(open, 0x47C); // the file name box
    if (fileName != nullptr && ClassName(fileName) == "ComboBox")
        fileName = FindDescendant(fileName, 1001, "Edit");
    if (fileName == nullptr)
        fileName = FindDescendant(open, 0x480, "Edit");
    ASSERT_NE(fileName, nullptr);
    SetText(fileName, "C:\\windows\\notepad.exe");
    PostClick(GetDlgItem(open, IDOK));
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(open); }));
    ASSERT_TRUE(WaitUntil([&] { return _stricmp(Text(path).c_str(), "C:\\windows\\notepad.exe") == 0; }))
        << Text(path);
    const std::string chosen = Text(path);

    SetText(name, "");
    ExpectMessage(add, kNoProgramNameText);
    SetText(name, "Editor");
    PostClick(add);
    ASSERT_TRUE(WaitUntil([&] { return ListItemCount(list) == 3; }));
    EXPECT_EQ(ListRows(list, 4)[2], (std::vector<std::string>{"", "Editor", "Remove", chosen}));
    EXPECT_TRUE(palisor().WaitForPolicyLine("program on " + chosen + " | Editor"));

    ClickListCell(list, 0, 0);
    EXPECT_TRUE(palisor().WaitForPolicyLine("program off C:\\Tools\\mail.exe | Mail"));

    ClickListCell(list, 2, 2);
    EXPECT_TRUE(palisor().WaitForPolicyLine("program on " + chosen + " | Editor", false));
    ASSERT_TRUE(WaitUntil([&] { return ListItemCount(list) == 2; }));
    EXPECT_EQ(ListItemText(list, 1, 1), "Chat");
}

TEST_F(PalisorTest, EnterOpensAboutEscapeDoesNothingAndTheCloseBoxHidesIntoTheTray) {
    ASSERT_NO_FATAL_FAILURE(Launch());
    HWND tabs = palisor().Control(IDC_TABS);
    ExpectAboutBox(
        "Enter", [&] { PostKey(tabs, VK_RETURN); }, [](HWND about) { PostKey(about, VK_ESCAPE); });

    // Escape on the main window and on every page: each is followed by an Enter, handled after it,
    // so once the About box opens the Escape has been handled and left the window where it was.
    HWND escapeTargets[] = {tabs, GetDlgItem(palisor().ProgramsPage(), IDC_PROGRAM_NAME),
                            GetDlgItem(palisor().PortsPage(), IDC_PORT_NUMBER),
                            GetDlgItem(palisor().TrafficPage(), IDC_TRAFFIC_TREE)};
    for (HWND target : escapeTargets) {
        ExpectAboutBox(
            "Escape, then Enter",
            [&] {
                PostKey(target, VK_ESCAPE);
                PostKey(tabs, VK_RETURN);
            },
            [](HWND about) { PostClick(GetDlgItem(about, IDOK)); });
        EXPECT_TRUE(IsWindowVisible(main()));
    }

    // The close box: off the screen and the taskbar, the icon stays; a double click brings it back.
    const int buttons = VisibleTaskbarButtons();
    PostMessageA(main(), WM_SYSCOMMAND, SC_CLOSE, 0);
    ASSERT_TRUE(WaitUntil([&] { return !IsWindowVisible(main()); }));
    EXPECT_TRUE(WaitUntil([&] { return VisibleTaskbarButtons() == buttons - 1; }));
    EXPECT_TRUE(IconInShell(main(), IDR_TRAY_MENU));
    EXPECT_TRUE(palisor().process().Running());
    EXPECT_TRUE(ClickTrayIcon(WM_LBUTTONDBLCLK, [&] { return IsWindowVisible(main()) != FALSE; }));
    EXPECT_TRUE(WaitUntil([&] { return VisibleTaskbarButtons() == buttons; }));
}

TEST_F(PalisorTest, AboutComesFromTheButtonTheIconMenuAndTheSystemMenu) {
    ASSERT_NO_FATAL_FAILURE(Launch());
    ExpectAboutBox(
        "About button", [&] { PostClick(palisor().Control(IDOK)); },
        [](HWND about) { PostClick(GetDlgItem(about, IDOK)); });
    ExpectAboutBox(
        "icon menu", [&] { ChooseTrayMenuItem(2); },
        [&](HWND about) {
            SaveShot(about, "about");
            PostMessageA(about, WM_SYSCOMMAND, SC_CLOSE, 0);
        });
    ExpectAboutBox(
        "system menu", [&] { PostMessageA(main(), WM_SYSCOMMAND, IDM_ABOUTBOX, 0); },
        [](HWND about) { PostKey(GetDlgItem(about, IDOK), VK_ESCAPE); });
}

TEST_F(PalisorTest, FirewallRadioButtonsSwitchTheFirewall) {
    ASSERT_NO_FATAL_FAILURE(Launch());
    PostClick(palisor().Control(IDC_FIREWALL_OFF));
    EXPECT_TRUE(palisor().WaitForPolicyLine("firewall off"));
    EXPECT_FALSE(IsChecked(palisor().Control(IDC_FIREWALL_ON)));
    EXPECT_TRUE(IsChecked(palisor().Control(IDC_LOGS_ON))) << "the two radio pairs are separate groups";
    PostClick(palisor().Control(IDC_FIREWALL_ON));
    EXPECT_TRUE(palisor().WaitForPolicyLine("firewall on"));
}

TEST_F(PalisorTest, TabsShowExactlyOnePageAtATime) {
    ASSERT_NO_FATAL_FAILURE(Launch());
    const std::vector<HWND> pages = Pages();
    for (int index : {1, 2, 0, 2, 1, 0}) {
        ASSERT_NO_FATAL_FAILURE(ShowTab(index, pages[index]));
        EXPECT_EQ(TabSelection(palisor().Control(IDC_TABS)), index);
    }
}

TEST_F(PalisorTest, TheIconMenusExitEndsTheProgramAndTakesTheIcon) {
    ASSERT_NO_FATAL_FAILURE(Launch());
    HWND window = main();
    ChooseTrayMenuItem(3); // "E&xit", past the separator
    DWORD status = 1;
    ASSERT_TRUE(palisor().process().WaitForExit(15000, &status));
    EXPECT_EQ(status, 0u);
    EXPECT_FALSE(IconInShell(window, IDR_TRAY_MENU));
}

TEST_F(PalisorTest, TrafficPageStaysUsableAndTheCaptureReportsItsSocketFailure) {
    ASSERT_NO_FATAL_FAILURE(Launch());
    HWND page = palisor().TrafficPage();
    ASSERT_NO_FATAL_FAILURE(ShowTab(2, page));
    HWND tree = GetDlgItem(page, IDC_TRAFFIC_TREE);
    EXPECT_TRUE(IsWindowVisible(tree));
    SaveShot(main(), "traffic");

    // Logs "Off" stops the capture, "On" starts a new one, which meets the same failure.
    PostClick(palisor().Control(IDC_LOGS_OFF));
    ASSERT_TRUE(WaitUntil([&] { return IsChecked(palisor().Control(IDC_LOGS_OFF)); }));
    EXPECT_FALSE(IsChecked(palisor().Control(IDC_FIREWALL_OFF))) << "the two radio pairs are separate groups";
    PostClick(palisor().Control(IDC_LOGS_ON));
    ASSERT_TRUE(WaitUntil([&] { return IsChecked(palisor().Control(IDC_LOGS_ON)); }));
    ASSERT_NO_FATAL_FAILURE(ShowTab(0, palisor().ProgramsPage()));
    ASSERT_NO_FATAL_FAILURE(ShowTab(2, page));

    ASSERT_TRUE(palisor().ExitThroughButton());
    // One line per capture, in the text mode of the platform's runtime.
    const std::string kSocketFailure = "WSASocket() failed: 10043\r\n";
    const std::string output = palisor().Output();
    size_t lines = 0;
    for (size_t at = output.find(kSocketFailure); at != std::string::npos;
         at = output.find(kSocketFailure, at + 1))
        ++lines;
    EXPECT_EQ(lines, 2u) << output;
}

TEST(PalisorStartUpFailures, WithoutTheFirewallManagerItSaysSoAndEndsWithStatusZero) {
    PalisorSession palisor("no-manager", kPolicy);
    ASSERT_TRUE(palisor.Start({"PALISOR_FIREWALL_FAIL=CoCreateInstance(NetFwMgr)=0x80040154:always"}));
    const MessageBoxInfo box = WaitForMessageBox(palisor.Id(), 20s);
    ASSERT_NE(box.window, nullptr);
    EXPECT_EQ(box.caption, "Error");
    EXPECT_EQ(box.text, "Palsor works only under Windows XP");
    HWND main = FindDialog(palisor.Id(), "Palisor", IDC_TABS);
    EXPECT_TRUE(main == nullptr || !IsWindowVisible(main)) << "the main window never shows";
    DismissMessageBox(box);
    DWORD status = 1;
    ASSERT_TRUE(palisor.process().WaitForExit(15000, &status));
    EXPECT_EQ(status, 0u);
}

TEST(PalisorStartUpFailures, WithTheProfileLateItWaitsTwiceAndStartsWithoutAMessage) {
    PalisorSession palisor("late-profile", kPolicy);
    const auto started = std::chrono::steady_clock::now();
    ASSERT_TRUE(palisor.Start({"PALISOR_FIREWALL_FAIL=INetFwMgr::get_LocalPolicy=0x80004005:2"}));
    bool sawMessage = false;
    ASSERT_TRUE(WaitUntil(
        [&] {
            sawMessage = sawMessage || FindMessageBox(palisor.Id()).window != nullptr;
            HWND main = FindDialog(palisor.Id(), "Palisor", IDC_TABS);
            return main != nullptr && IsWindowVisible(main);
        },
        40s));
    ASSERT_TRUE(palisor.WaitForMainWindow());
    EXPECT_GE(std::chrono::steady_clock::now() - started, 10s) << "two waits of five seconds";
    EXPECT_FALSE(sawMessage);
    EXPECT_TRUE(IsChecked(palisor.Control(IDC_FIREWALL_ON))) << "the state read once the profile came";
    EXPECT_EQ(ListItemCount(GetDlgItem(palisor.PortsPage(), IDC_PORT_LIST)), 2);
    EXPECT_TRUE(palisor.ExitThroughButton());
}

} // namespace
