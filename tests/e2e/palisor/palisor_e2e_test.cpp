// The whole program under Wine, driven from this process as a user would drive it: palisor.exe
// against the stand-in firewall, each test with its own policy file.
#include <gtest/gtest.h>

#include <winsock2.h>
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "res/resource.h"
#include "tests/e2e/driver/loopback_traffic.h"
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

// A user without administrator rights: the stand-in refuses every change. The screen keeps showing the
// firewall as it is, and each refusal is one message.
TEST_F(PalisorTest, WithoutAdministratorRightsRefusedChangesAreShownAsRefused) {
    ASSERT_NO_FATAL_FAILURE(Launch(kPolicy, {"PALISOR_STANDIN_READONLY=1"}));
    const std::string before = palisor().Policy();
    const std::string needsRights = ": changing the firewall needs administrator rights.";
    HWND page = palisor().PortsPage();
    ASSERT_NO_FATAL_FAILURE(ShowTab(1, page));
    HWND list = GetDlgItem(page, IDC_PORT_LIST);
    SetText(GetDlgItem(page, IDC_PORT_NAME), "Web");
    SetText(GetDlgItem(page, IDC_PORT_NUMBER), "8080");
    ExpectMessage(GetDlgItem(page, IDC_ADD_PORT), "The port was not added" + needsRights);
    EXPECT_EQ(ListItemCount(list), 2);

    ASSERT_TRUE(IsChecked(palisor().Control(IDC_FIREWALL_ON)));
    ExpectMessage(palisor().Control(IDC_FIREWALL_OFF), "The firewall was not switched off" + needsRights);
    EXPECT_TRUE(IsChecked(palisor().Control(IDC_FIREWALL_ON)));
    EXPECT_FALSE(IsChecked(palisor().Control(IDC_FIREWALL_OFF)));
    EXPECT_EQ(palisor().Policy(), before);
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

    // "Remove" removes an enabled exception and a disabled one alike, and the list is refilled from
    // the firewall. The clicks are handled in order: the second is hit-tested on the refilled list.
    ClickListCell(list, 2, 4);
    ClickListCell(list, 1, 4);
    EXPECT_TRUE(palisor().WaitForPolicyLine("port 8080 TCP on Web", false));
    EXPECT_TRUE(palisor().WaitForPolicyLine("port 53 UDP off Name service", false));
    ASSERT_TRUE(WaitUntil([&] { return ListItemCount(list) == 3; }));
    const auto rows = ListRows(list, 5);
    EXPECT_EQ(rows[1], (std::vector<std::string>{"", "Voice", "5060 ", "UDP", "Remove"}));
    EXPECT_EQ(rows[2], (std::vector<std::string>{"", "Game", "27015 ", "UDP", "Remove"}));
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

std::string Padded(const std::string& label, const std::string& value) {
    return label + std::string(40 - label.size(), '.') + " " + value;
}

bool HasEntry(const std::vector<std::string>& lines, const std::string& entry) {
    return std::find(lines.begin(), lines.end(), entry) != lines.end();
}

// Run by scripts/e2e-live-traffic.sh in a private network namespace whose only address is 127.0.0.1
// (root only); skipped anywhere else.
TEST(LiveTraffic, TheTreeAndTheTranscriptShowLoopbackConnectionsOffOnAndExit) {
    char flag[8] = {};
    if (GetEnvironmentVariableA("PALISOR_NETNS", flag, sizeof flag) == 0 || std::string(flag) != "1")
        GTEST_SKIP() << "needs a private network namespace (scripts/e2e-live-traffic.sh)";
    WSADATA winsock;
    ASSERT_EQ(WSAStartup(MAKEWORD(2, 2), &winsock), 0);
    PalisorSession palisor("live-traffic", kPolicy);
    ASSERT_TRUE(palisor.Start());
    ASSERT_TRUE(palisor.WaitForMainWindow());
    const std::string capturing = "Receive-all is not supported here: capturing the TCP traffic of 127.0.0.1 "
                                  "through a raw TCP socket\r\n";
    ASSERT_TRUE(WaitUntil([&] { return palisor.Output().find(capturing) != std::string::npos; }))
        << palisor.Output();
    HWND tree = GetDlgItem(palisor.TrafficPage(), IDC_TRAFFIC_TREE);

    u_short clientPort = 0, serverPort = 0, ports[2];
    ASSERT_TRUE(TalkOverLoopback("127.0.0.1", ports[0], ports[1]));
    ASSERT_TRUE(TalkOverLoopback("127.0.0.2", clientPort, serverPort));
    // The window shows what the capture decoded within a few of its 100 ms updates.
    std::vector<std::string> lines;
    ASSERT_TRUE(WaitUntil([&] {
        lines = TreeLines(tree);
        return HasEntry(lines, "127.0.0.1 - 127.0.0.1") && HasEntry(lines, "127.0.0.2 - 127.0.0.1");
    })) << lines.size();
    Sleep(500);
    lines = TreeLines(tree);
    // Only datagrams to the bound address arrive: the replies to 127.0.0.2 are not seen.
    ASSERT_EQ(lines.size(), 22u);
    const auto second = std::find(lines.begin(), lines.end(), "127.0.0.2 - 127.0.0.1") - lines.begin();
    ASSERT_LE(second, 11);
    EXPECT_EQ(lines[second + 1], "  IP Header");
    EXPECT_EQ(lines[second + 2], "    " + Padded("Source IP:", "127.0.0.2"));
    EXPECT_EQ(lines[second + 3], "    " + Padded("Destination IP:", "127.0.0.1"));
    EXPECT_EQ(lines[second + 4], "  TCP Header");

    // The picture of the traffic page, with the first entry and its TCP fields opened.
    ClickTab(palisor.Control(IDC_TABS), 2);
    ASSERT_TRUE(WaitUntil([&] { return IsWindowVisible(palisor.TrafficPage()) != FALSE; }));
    const LPARAM first = SendMessageA(tree, TVM_GETNEXTITEM, TVGN_ROOT, 0);
    const LPARAM ipHeader = SendMessageA(tree, TVM_GETNEXTITEM, TVGN_CHILD, first);
    SendMessageA(tree, TVM_EXPAND, TVE_EXPAND, first);
    SendMessageA(tree, TVM_EXPAND, TVE_EXPAND, SendMessageA(tree, TVM_GETNEXTITEM, TVGN_NEXT, ipHeader));
    SaveShot(palisor.main(), "traffic-live");

    // "Off" with no traffic: the closed socket releases the blocked receive at once.
    auto began = std::chrono::steady_clock::now();
    PostClick(palisor.Control(IDC_LOGS_OFF));
    DWORD_PTR answer = 0;
    Sleep(50);
    ASSERT_NE(SendMessageTimeoutA(palisor.main(), WM_NULL, 0, 0, SMTO_NORMAL, 10000, &answer), 0);
    EXPECT_LT(std::chrono::steady_clock::now() - began, 5s);
    ASSERT_TRUE(IsChecked(palisor.Control(IDC_LOGS_OFF)));
    u_short unseen[2];
    ASSERT_TRUE(TalkOverLoopback("127.0.0.3", unseen[0], unseen[1]));
    // "On" captures again.
    PostClick(palisor.Control(IDC_LOGS_ON));
    ASSERT_TRUE(WaitUntil([&] {
        const std::string output = palisor.Output();
        return output.find(capturing) != output.rfind(capturing);
    })) << palisor.Output();
    u_short again[2];
    ASSERT_TRUE(TalkOverLoopback("127.0.0.4", again[0], again[1]));
    ASSERT_TRUE(WaitUntil([&] { return HasEntry(TreeLines(tree), "127.0.0.4 - 127.0.0.1"); }));
    Sleep(500);
    const std::vector<std::string> last = TreeLines(tree);
    EXPECT_FALSE(HasEntry(last, "127.0.0.3 - 127.0.0.1")) << "captured while off";

    // "Exit" while capturing ends the program with status 0 within two seconds.
    began = std::chrono::steady_clock::now();
    PostClick(palisor.Control(IDC_EXIT));
    DWORD status = 1;
    ASSERT_TRUE(palisor.process().WaitForExit(15000, &status));
    EXPECT_LT(std::chrono::steady_clock::now() - began, 2s);
    EXPECT_EQ(status, 0u);
    WSACleanup();

    // Standard output: the capture's lines and one CR LF line per segment in the transcript's format.
    const std::string output = palisor.Output();
    std::vector<std::string> transcript;
    for (std::size_t at = 0; at < output.size();) {
        const std::size_t end = output.find("\r\n", at);
        ASSERT_NE(end, std::string::npos) << "a line without CR LF: " << output.substr(at);
        const std::string line = output.substr(at, end - at);
        EXPECT_EQ(line.find('\n'), std::string::npos) << line;
        if (line.rfind("127.0.0.", 0) == 0)
            transcript.push_back(line);
        else
            EXPECT_TRUE(line == "WSASocket() failed: 10043" || line + "\r\n" == capturing) << line;
        at = end + 2;
    }
    const std::string pair = "127.0.0.2 - 127.0.0.1 {" + std::to_string(clientPort) + "-" +
                             std::to_string(serverPort) + "}, len: ";
    std::vector<std::string> mine;
    for (const std::string& line : transcript) {
        EXPECT_EQ(line.find("127.0.0.3"), std::string::npos) << "captured while off: " << line;
        if (line.rfind(pair, 0) == 0)
            mine.push_back(line);
    }
    // Handshake, data, acknowledgements and the close, as the client sent them.
    ASSERT_GE(mine.size(), 4u);
    EXPECT_NE(mine.front().find(", Flags: SYN,TAPI  /*New session*/ "), std::string::npos) << mine.front();
    EXPECT_TRUE(std::any_of(mine.begin(), mine.end(), [](const std::string& line) {
        return line.find("Flags: ACK,PUSH ") != std::string::npos;
    }));
    EXPECT_TRUE(std::any_of(mine.begin(), mine.end(), [](const std::string& line) {
        return line.find("Flags: FIN,ACK,NETDEV ") != std::string::npos;
    }));
    // The entry's TCP fields are those of the pair's last segment.
    unsigned long size = 0, seq = 0, ack = 0;
    char flags[64] = {};
    const std::string& final = mine.back();
    ASSERT_EQ(std::sscanf(final.c_str() + pair.size(), "%lu, seq: %lu,ack: %lu, Flags: %63[A-Z,]", &size,
                          &seq, &ack, flags),
              4)
        << final;
    EXPECT_EQ(lines[second + 5], "    " + Padded("Source Port:", std::to_string(clientPort)));
    EXPECT_EQ(lines[second + 6], "    " + Padded("Destination Port:", std::to_string(serverPort)));
    EXPECT_EQ(lines[second + 7], "    " + Padded("Size:", std::to_string(size)));
    EXPECT_EQ(lines[second + 8], "    " + Padded("Flags:", flags));
    EXPECT_EQ(lines[second + 9], "    " + Padded("Sequence:", std::to_string(seq)));
    EXPECT_EQ(lines[second + 10], "    " + Padded("Ack:", std::to_string(ack)));
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
