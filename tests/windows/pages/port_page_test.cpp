// The ports page in a main window over the stand-in firewall: the list's set-up, the input checks,
// adding, switching and removing exceptions, refills, and the Enable header.
#include <gtest/gtest.h>

#include "pages/exception_page_win32.h"
#include "pages/page_rules.h"
#include "pages/port_dlg.h"
#include "tests/windows/pages/page_fixture.h"

namespace pages_test {
namespace {

class PortPageTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        INITCOMMONCONTROLSEX init = {sizeof init, ICC_LISTVIEW_CLASSES | ICC_STANDARD_CLASSES};
        ::InitCommonControlsEx(&init);
    }

    void SetUp() override {
        Seed(80, 6, true, "Web server");
        Seed(53, 17, false, "Names");
        Seed(25, 6, true, "Mail");
        ASSERT_NE(main.m_hWnd, nullptr);
        ASSERT_TRUE(main.Open());
        page = std::make_unique<CPortDlg>(&main);
        ASSERT_TRUE(page->Create(&main));
        main.ports = page.get();
        page->ShowWindow(SW_SHOW);
        main.firewall.ListPortExceptions();
        PumpMessages(20);
    }

    void TearDown() override {
        main.ports = nullptr;
        if (page && page->m_hWnd != nullptr)
            page->DestroyWindow();
    }

    void Seed(long port, int protocol, bool enabled, const char* name) {
        standin::OpenPortData data;
        data.port = port;
        data.protocol = protocol;
        data.enabled = enabled;
        data.name = Ole(name);
        main.policy->PutPort(data);
    }

    void Type(const char* name, const char* port) {
        page->SetDlgItemText(IDC_PORT_NAME, name);
        page->SetDlgItemText(IDC_PORT_NUMBER, port);
    }
    void Click(int id) { ::SendMessageA(page->GetDlgItem(id), BM_CLICK, 0, 0); }
    HWND List() const { return page->list.m_hWnd; }
    int Rows() const { return page->list.GetItemCount(); }
    std::string Cell(int row, int column) const { return ItemText(List(), row, column); }
    int Box(int row) const { return page->list.GetCellCheck(row, 0); }
    bool Checked(int id) const { return ::IsDlgButtonChecked(page->m_hWnd, id) == BST_CHECKED; }
    std::shared_ptr<standin::OpenPortData> Held(long port, int protocol) const {
        return main.policy->FindPort(port, protocol);
    }

    // Adds through the button and expects a message box; returns what it said.
    SeenBox AddExpectingMessage() {
        auto box = AnswerNextMessageBox(main.m_hWnd);
        Click(IDC_ADD_PORT);
        return box.get();
    }

    TestMainWindow main;
    std::unique_ptr<CPortDlg> page;
};

TEST_F(PortPageTest, ListShowsTheFirewallsExceptionsInItsOrderDisabledOnesToo) {
    ASSERT_EQ(Rows(), 3);
    EXPECT_EQ(page->rowCount, 3);
    EXPECT_EQ(Cell(0, 1), "Web server");
    EXPECT_EQ(Cell(0, 2), "80 ");
    EXPECT_EQ(Cell(0, 3), "TCP");
    EXPECT_EQ(Cell(0, 4), "Remove");
    EXPECT_EQ(Cell(1, 1), "Names");
    EXPECT_EQ(Cell(1, 3), "UDP");
    EXPECT_EQ(Cell(2, 1), "Mail");
    EXPECT_EQ(Box(0), 1);
    EXPECT_EQ(Box(1), 0);
    EXPECT_EQ(Box(2), 1);
    const ListCellData* remove = page->list.GetCellData(0, 4);
    ASSERT_NE(remove, nullptr);
    EXPECT_EQ(remove->textColor, RGB(0, 0, 255));
    EXPECT_EQ(remove->backColor, RGB(255, 255, 255));
}

TEST_F(PortPageTest, ColumnsHeaderImagesAndStylesAreSetUp) {
    RECT rect;
    ::GetWindowRect(List(), &rect);
    const auto widths = page_rules::PortColumnWidths(rect.right - rect.left);
    const char* titles[] = {"Enable", "Port Name", "Port Number", "Protocol", ""};
    HWND header = page->list.GetHeaderCtrl();
    ASSERT_EQ(::SendMessageA(header, HDM_GETITEMCOUNT, 0, 0), 5);
    for (int column = 0; column < 5; ++column) {
        EXPECT_EQ(::SendMessageA(List(), LVM_GETCOLUMNWIDTH, column, 0), widths[column]) << column;
        char text[64] = {};
        HDITEMA item = {};
        item.mask = HDI_TEXT | HDI_FORMAT | HDI_IMAGE;
        item.pszText = text;
        item.cchTextMax = sizeof text;
        ::SendMessageA(header, HDM_GETITEMA, column, reinterpret_cast<LPARAM>(&item));
        EXPECT_STREQ(text, titles[column]);
        EXPECT_TRUE(item.fmt & HDF_IMAGE) << column;
        EXPECT_EQ(item.fmt & HDF_JUSTIFYMASK, HDF_LEFT) << column;
        // Column 0's image is its header check box: clear here, since one row is not ticked.
        EXPECT_EQ(item.iImage, column == 0 ? 1 : 0) << column;
    }
    HIMAGELIST images = reinterpret_cast<HIMAGELIST>(::SendMessageA(header, HDM_GETIMAGELIST, 0, 0));
    ASSERT_NE(images, nullptr);
    EXPECT_EQ(ImageList_GetImageCount(images), 3);
    EXPECT_TRUE(page->list.GetExtendedStyle() & LVS_EX_FULLROWSELECT);
    EXPECT_EQ(page->list.GetStyle() & LVS_TYPEMASK, static_cast<DWORD>(LVS_REPORT));
    EXPECT_TRUE(Checked(IDC_PROTOCOL_TCP));
    EXPECT_FALSE(Checked(IDC_PROTOCOL_UDP));
}

TEST_F(PortPageTest, UnusablePortNumbersAreAnsweredWithTheNumberMessage) {
    for (const char* port : {"0", "-5", "abc", ""}) {
        Type("Web", port);
        SeenBox box = AddExpectingMessage();
        ASSERT_TRUE(box.found) << '"' << port << '"';
        EXPECT_EQ(box.caption, "Palisor");
        EXPECT_EQ(box.text, "You most entre a number higher than 1");
        // The edits keep what was typed; nothing reaches the list or the firewall.
        EXPECT_EQ(page->GetDlgItemText(IDC_PORT_NAME), "Web");
        EXPECT_EQ(page->GetDlgItemText(IDC_PORT_NUMBER), port);
        EXPECT_EQ(Rows(), 3);
        EXPECT_EQ(main.policy->ports.size(), 3u);
    }
    // A bad number and no name: only the number message.
    Type("", "0");
    EXPECT_EQ(AddExpectingMessage().text, "You most entre a number higher than 1");
}

TEST_F(PortPageTest, AGoodPortWithoutANameIsAnsweredWithTheNameMessage) {
    Type("", "8080");
    SeenBox box = AddExpectingMessage();
    ASSERT_TRUE(box.found);
    EXPECT_EQ(box.caption, "Palisor");
    EXPECT_EQ(box.text, "You most entre the name for this port");
    EXPECT_EQ(page->GetDlgItemText(IDC_PORT_NUMBER), "8080");
    EXPECT_EQ(main.policy->ports.size(), 3u);
}

TEST_F(PortPageTest, AddingAppendsTheRowAsTypedAndReachesTheFirewall) {
    Type("Web", "  8080x");
    Click(IDC_ADD_PORT);
    ASSERT_EQ(Rows(), 4);
    EXPECT_EQ(page->rowCount, 4);
    EXPECT_EQ(Cell(3, 1), "Web");
    EXPECT_EQ(Cell(3, 2), "  8080x");
    EXPECT_EQ(Cell(3, 3), "TCP");
    EXPECT_EQ(Box(3), 1);
    auto held = Held(8080, 6);
    ASSERT_NE(held, nullptr);
    EXPECT_EQ(held->name, Ole("Web"));
    EXPECT_TRUE(held->enabled);
    EXPECT_EQ(page->GetDlgItemText(IDC_PORT_NAME), "");
    EXPECT_EQ(page->GetDlgItemText(IDC_PORT_NUMBER), "");
    // Port 1 is accepted.
    Type("Lowest", "1");
    Click(IDC_ADD_PORT);
    EXPECT_NE(Held(1, 6), nullptr);
}

TEST_F(PortPageTest, AUdpChoiceStaysAcrossAddsAndTheRadiosShowIt) {
    Click(IDC_PROTOCOL_UDP);
    EXPECT_EQ(page->protocolChoice, 2);
    Type("Game", "5000");
    Click(IDC_ADD_PORT);
    EXPECT_TRUE(Checked(IDC_PROTOCOL_UDP));
    EXPECT_FALSE(Checked(IDC_PROTOCOL_TCP));
    Type("Voice", "5001");
    Click(IDC_ADD_PORT);
    EXPECT_NE(Held(5000, 17), nullptr);
    EXPECT_NE(Held(5001, 17), nullptr);
    EXPECT_EQ(Held(5001, 6), nullptr);
    EXPECT_EQ(Cell(4, 3), "UDP");
    Click(IDC_PROTOCOL_TCP);
    Type("Back", "5002");
    Click(IDC_ADD_PORT);
    EXPECT_NE(Held(5002, 6), nullptr);
}

TEST_F(PortPageTest, APortTheFirewallRefusesIsTakenOffAgainAndTheRefusalShown) {
    Type("Too high", "70000");
    SeenBox box = ExpectOneMessage(main.m_hWnd, [&] { Click(IDC_ADD_PORT); });
    EXPECT_EQ(box.caption, "Palisor");
    EXPECT_EQ(box.text, "The port was not added: the port number must be from 1 to 65535.");
    EXPECT_EQ(Rows(), 3);
    EXPECT_EQ(page->rowCount, 3);
    EXPECT_EQ(main.policy->ports.size(), 3u);
    // What was typed stays, to be put right: only the number needs typing again.
    // (The add below would stop at the name message without the name.)
    ASSERT_EQ(page->GetDlgItemText(IDC_PORT_NAME), "Too high");
    EXPECT_EQ(page->GetDlgItemText(IDC_PORT_NUMBER), "70000");
    page->SetDlgItemText(IDC_PORT_NUMBER, "7000");
    Click(IDC_ADD_PORT);
    ASSERT_NE(Held(7000, 6), nullptr);
    EXPECT_EQ(Held(7000, 6)->name, Ole("Too high"));
    EXPECT_EQ(Rows(), 4);
    EXPECT_EQ(page->GetDlgItemText(IDC_PORT_NAME), "");
    EXPECT_EQ(page->GetDlgItemText(IDC_PORT_NUMBER), "");
}

// A user without administrator rights: every change is refused, the list shows the firewall as it
// is, and each refusal is one message.
TEST_F(PortPageTest, WithWritesRefusedTheScreenKeepsTheFirewallsStateAndSaysWhy) {
    main.policy->writesRefused = true;
    const std::string needsRights = ": changing the firewall needs administrator rights.";

    Type("Proxy", "3128");
    SeenBox box = ExpectOneMessage(main.m_hWnd, [&] { Click(IDC_ADD_PORT); });
    EXPECT_EQ(box.text, "The port was not added" + needsRights);
    EXPECT_EQ(Rows(), 3);
    EXPECT_EQ(Held(3128, 6), nullptr);
    EXPECT_EQ(page->GetDlgItemText(IDC_PORT_NAME), "Proxy");
    EXPECT_EQ(page->GetDlgItemText(IDC_PORT_NUMBER), "3128");

    box = ExpectOneMessage(main.m_hWnd, [&] { ClickCell(List(), 0, 0); });
    EXPECT_EQ(box.text, "The port was not switched" + needsRights);
    EXPECT_EQ(Box(0), 1);
    EXPECT_TRUE(Held(80, 6)->enabled);

    box = ExpectOneMessage(main.m_hWnd, [&] { PressSpaceOnRow(List(), 1); });
    EXPECT_EQ(box.text, "The port was not switched" + needsRights);
    EXPECT_EQ(Box(1), 0);

    box = ExpectOneMessage(main.m_hWnd, [&] { ClickCell(List(), 2, 4); });
    EXPECT_EQ(box.text, "The port was not removed" + needsRights);
    ASSERT_EQ(Rows(), 3);
    EXPECT_EQ(Cell(2, 1), "Mail");
    EXPECT_NE(Held(25, 6), nullptr);

    box = ExpectOneMessage(main.m_hWnd, [&] { ClickHeaderItem(List(), 0); });
    EXPECT_EQ(box.text, "Not every port was switched" + needsRights);
    EXPECT_EQ(Box(0), 1);
    EXPECT_EQ(Box(1), 0);
    EXPECT_EQ(Box(2), 1);
    EXPECT_FALSE(Held(53, 17)->enabled);
    EXPECT_EQ(page->list.GetHeaderCheck(0), 1);
}

TEST_F(PortPageTest, TheEnableBoxSwitchesTheException) {
    ClickCell(List(), 0, 0);
    EXPECT_EQ(Box(0), 0);
    EXPECT_FALSE(Held(80, 6)->enabled);
    ClickCell(List(), 1, 0);
    EXPECT_EQ(Box(1), 1);
    EXPECT_TRUE(Held(53, 17)->enabled);
    ClickCell(List(), 0, 0);
    EXPECT_EQ(Box(0), 1);
    EXPECT_TRUE(Held(80, 6)->enabled);
    // Clicks on the name, number and protocol change nothing.
    for (int column = 1; column <= 3; ++column)
        ClickCell(List(), 2, column);
    EXPECT_EQ(Box(2), 1);
    EXPECT_TRUE(Held(25, 6)->enabled);
    EXPECT_EQ(Rows(), 3);
    // Space on the selected row switches it as a click on its box does.
    PressSpaceOnRow(List(), 2);
    EXPECT_EQ(Box(2), 0);
    EXPECT_FALSE(Held(25, 6)->enabled);
    EXPECT_EQ(Box(0), 1);
    PressSpaceOnRow(List(), 2);
    EXPECT_EQ(Box(2), 1);
    EXPECT_TRUE(Held(25, 6)->enabled);
    // Space held down switches the row once: its repeats write nothing.
    const int writes = main.policy->failures.Calls("INetFwOpenPort::put_Enabled");
    HoldSpaceOnRow(List(), 2, 3);
    EXPECT_EQ(Box(2), 0);
    EXPECT_FALSE(Held(25, 6)->enabled);
    EXPECT_EQ(main.policy->failures.Calls("INetFwOpenPort::put_Enabled"), writes + 1);
    PressSpaceOnRow(List(), 2);
    EXPECT_EQ(Box(2), 1);
    EXPECT_TRUE(Held(25, 6)->enabled);
}

TEST_F(PortPageTest, RemoveRefillsFromTheFirewallAndRemovesADisabledExceptionToo) {
    ClickCell(List(), 0, 4);
    EXPECT_EQ(Held(80, 6), nullptr);
    ASSERT_EQ(Rows(), 2);
    EXPECT_EQ(page->rowCount, 2);
    EXPECT_EQ(Cell(0, 1), "Names");
    EXPECT_EQ(Cell(1, 1), "Mail");
    // "Names" is switched off: it goes all the same.
    ClickCell(List(), 0, 4);
    EXPECT_EQ(Held(53, 17), nullptr);
    ASSERT_EQ(Rows(), 1);
    EXPECT_EQ(Cell(0, 1), "Mail");
    EXPECT_EQ(main.policy->ports.size(), 1u);
}

TEST_F(PortPageTest, ADuplicateAddShowsTwiceUntilTheNextRefill) {
    Type("Web again", "80");
    Click(IDC_ADD_PORT);
    EXPECT_EQ(Rows(), 4);
    ClickCell(List(), 2, 4); // removes "Mail"
    ASSERT_EQ(Rows(), 2);
    EXPECT_EQ(Cell(0, 2), "80 ");
}

TEST_F(PortPageTest, TheEnableHeaderSwitchesEveryChangedExceptionThenShowsTheFirewall) {
    ClickHeaderItem(List(), 0);
    ASSERT_EQ(Rows(), 3);
    EXPECT_TRUE(Held(80, 6)->enabled);
    EXPECT_TRUE(Held(53, 17)->enabled);
    EXPECT_TRUE(Held(25, 6)->enabled);
    EXPECT_EQ(Box(0), 1);
    EXPECT_EQ(Box(1), 1);
    EXPECT_EQ(Box(2), 1);
    EXPECT_EQ(page->list.GetHeaderCheck(0), 2);

    ClickHeaderItem(List(), 0);
    EXPECT_FALSE(Held(80, 6)->enabled);
    EXPECT_FALSE(Held(53, 17)->enabled);
    EXPECT_FALSE(Held(25, 6)->enabled);
    EXPECT_EQ(Box(0), 0);
    EXPECT_EQ(Box(2), 0);
    EXPECT_EQ(page->list.GetHeaderCheck(0), 1);
}

TEST_F(PortPageTest, TheScreenFollowsTheFirewallWhenAHeaderSwitchFails) {
    main.policy->failures.Fail("INetFwOpenPort::put_Enabled", E_ACCESSDENIED);
    SeenBox box = ExpectOneMessage(main.m_hWnd, [&] { ClickHeaderItem(List(), 0); });
    EXPECT_EQ(box.text, "Not every port was switched: changing the firewall needs administrator rights.");
    // Nothing was switched, and the list says so.
    EXPECT_FALSE(Held(53, 17)->enabled);
    ASSERT_EQ(Rows(), 3);
    EXPECT_EQ(Box(1), 0);
}

// Ten switches, the fifth refused: one message, and every row shows what the firewall holds.
TEST_F(PortPageTest, AHeaderClickWithOneRefusedSwitchShowsOneMessageAndTheFirewallsState) {
    main.policy->ports.clear();
    for (long port = 6001; port <= 6010; ++port)
        Seed(port, port % 2 == 0 ? 6 : 17, false, ("Port " + std::to_string(port)).c_str());
    exception_page::ClearRows(page->list);
    page->rowCount = 0;
    main.firewall.ListPortExceptions();
    ASSERT_EQ(Rows(), 10);
    main.policy->failures.FailAfter("INetFwOpenPort::put_Enabled", 4, E_FAIL, 1);
    const int writes = main.policy->failures.Calls("INetFwOpenPort::put_Enabled");

    SeenBox box = ExpectOneMessage(main.m_hWnd, [&] { ClickHeaderItem(List(), 0); });
    EXPECT_EQ(box.text, "Not every port was switched: the firewall refused the change.");
    EXPECT_EQ(main.policy->failures.Calls("INetFwOpenPort::put_Enabled") - writes, 10);
    ASSERT_EQ(Rows(), 10);
    EXPECT_EQ(page->rowCount, 10);
    for (int row = 0; row < 10; ++row) {
        const auto& held = main.policy->ports[static_cast<std::size_t>(row)];
        EXPECT_EQ(Cell(row, 1), "Port " + std::to_string(held->port)) << row;
        EXPECT_EQ(Cell(row, 2), std::to_string(held->port) + " ") << row;
        EXPECT_EQ(Cell(row, 3), held->protocol == 6 ? "TCP" : "UDP") << row;
        EXPECT_EQ(Box(row), held->enabled ? 1 : 0) << row;
        EXPECT_EQ(held->enabled, row != 4) << row;
    }
    EXPECT_EQ(page->list.GetHeaderCheck(0), 1) << "not every row is ticked";
}

TEST_F(PortPageTest, EscapeAndEnterNeitherCloseNorHideThePage) {
    HWND edit = page->GetDlgItem(IDC_PORT_NAME);
    ::SetFocus(edit);
    for (WPARAM key : {WPARAM(VK_ESCAPE), WPARAM(VK_RETURN)}) {
        ::PostMessageA(edit, WM_KEYDOWN, key, 1);
        ::PostMessageA(edit, WM_KEYUP, key, 0xC0000001);
        PumpMessages(50);
        EXPECT_TRUE(page->IsWindow());
        EXPECT_TRUE(page->IsWindowVisible()) << key;
    }
}

TEST(PortPageElsewhere, APageOutsideAMainWindowChangesNoFirewall) {
    INITCOMMONCONTROLSEX init = {sizeof init, ICC_LISTVIEW_CLASSES};
    ::InitCommonControlsEx(&init);
    // A plain top-level window that carries no firewall: the page must not take it for the main window.
    CWnd plain;
    ASSERT_TRUE(plain.CreateEx(0, nullptr, "Other", WS_POPUP | WS_VISIBLE, 0, 0, 600, 400, nullptr, nullptr));
    CPortDlg page(&plain);
    ASSERT_TRUE(page.Create(&plain));
    page.ShowWindow(SW_SHOW);
    page.AddRow("Web", "TCP", "80 ", 1);
    ClickCell(page.list.m_hWnd, 0, 4);
    EXPECT_EQ(page.list.GetItemCount(), 1);
    // Without a firewall to switch, the box keeps showing the row's state.
    ClickCell(page.list.m_hWnd, 0, 0);
    EXPECT_EQ(page.list.GetCellCheck(0, 0), 1);
    page.DestroyWindow();
    plain.DestroyWindow();
}

} // namespace
} // namespace pages_test
