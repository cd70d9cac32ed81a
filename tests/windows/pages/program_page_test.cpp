// The programs page in a main window over the stand-in firewall: the input checks, the real
// open-file dialog, adding, switching and removing exceptions, refills and the Enable header.
#include <gtest/gtest.h>

#include <cstdio>

#include "pages/exception_page_win32.h"
#include "pages/page_rules.h"
#include "pages/program_dlg.h"
#include "tests/windows/pages/page_fixture.h"

namespace pages_test {
namespace {

class ProgramPageTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        INITCOMMONCONTROLSEX init = {sizeof init, ICC_LISTVIEW_CLASSES | ICC_STANDARD_CLASSES};
        ::InitCommonControlsEx(&init);
    }

    void SetUp() override {
        Seed("C:\\Tools\\editor.exe", true, "Editor");
        Seed("C:\\Games\\chess.exe", false, "Chess");
        ASSERT_NE(main.m_hWnd, nullptr);
        ASSERT_TRUE(main.Open());
        page = std::make_unique<CProgramDlg>(&main);
        ASSERT_TRUE(page->Create(&main));
        main.programs = page.get();
        page->ShowWindow(SW_SHOW);
        main.firewall.ListProgramExceptions();
        PumpMessages(20);
    }

    void TearDown() override {
        main.programs = nullptr;
        if (page && page->m_hWnd != nullptr)
            page->DestroyWindow();
    }

    void Seed(const char* path, bool enabled, const char* name) {
        standin::ApplicationData data;
        data.path = Ole(path);
        data.enabled = enabled;
        data.name = Ole(name);
        main.policy->PutApplication(data);
    }
    void Click(int id) { ::SendMessageA(page->GetDlgItem(id), BM_CLICK, 0, 0); }
    // Empties the list and lists the firewall's program exceptions into it again, as a refill does.
    void ClearAndList() {
        exception_page::ClearRows(page->list);
        page->rowCount = 0;
        main.firewall.ListProgramExceptions();
        PumpMessages(20);
    }
    HWND List() const { return page->list.m_hWnd; }
    int Rows() const { return page->list.GetItemCount(); }
    std::string Cell(int row, int column) const { return ItemText(List(), row, column); }
    int Box(int row) const { return page->list.GetCellCheck(row, 0); }
    std::shared_ptr<standin::ApplicationData> Held(const char* path) const {
        return main.policy->FindApplication(Ole(path));
    }
    SeenBox AddExpectingMessage() {
        auto box = AnswerNextMessageBox(main.m_hWnd);
        Click(IDC_ADD_PROGRAM);
        return box.get();
    }
    // Browses through the real open-file dialog, answered from another thread.
    bool Browse(void (*answer)(HWND, const std::string&), const std::string& path) {
        auto dialog = WithNextDialog(main.m_hWnd, "Open", answer, path);
        Click(IDC_BROWSE);
        return dialog.get();
    }
    // The path edit is read-only for the user; tests put a path there the way Browse would.
    void SetPath(const char* path) {
        page->programPath = path;
        page->SetDlgItemText(IDC_PROGRAM_PATH, path);
    }

    TestMainWindow main;
    std::unique_ptr<CProgramDlg> page;
};

void TypeFileNameAndConfirm(HWND dialog, const std::string& path) {
    // The file name box: a combo box in the explorer-style dialog, an edit in older ones.
    HWND name = ::GetDlgItem(dialog, 0x047C);
    if (name == nullptr)
        name = ::GetDlgItem(dialog, 0x0480);
    ::SendMessageA(name, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(path.c_str()));
    ::PostMessageA(dialog, WM_COMMAND, IDOK, 0);
}

void CancelDialog(HWND dialog, const std::string&) {
    ::PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
}

BOOL CALLBACK CloseOwnedBox(HWND window, LPARAM owner) {
    if (::GetWindow(window, GW_OWNER) == reinterpret_cast<HWND>(owner) && ::IsWindowVisible(window))
        ::PostMessageA(window, WM_COMMAND, IDOK, 0);
    return TRUE;
}

bool g_dialogStayedOpen = false;

// Types the name of a file that does not exist and confirms: the dialog must refuse it and stay.
void TypeMissingFileAndConfirm(HWND dialog, const std::string& path) {
    TypeFileNameAndConfirm(dialog, path);
    ::Sleep(800);
    g_dialogStayedOpen = ::IsWindow(dialog) && ::IsWindowVisible(dialog);
    // The dialog's own warning first, then the dialog.
    ::EnumThreadWindows(::GetWindowThreadProcessId(dialog, nullptr), &CloseOwnedBox,
                        reinterpret_cast<LPARAM>(dialog));
    ::Sleep(300);
    ::PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
}

std::string MakeTemporaryProgram() {
    char folder[MAX_PATH] = {};
    ::GetTempPathA(sizeof folder, folder);
    std::string path = std::string(folder) + "palisor_pages_tool.exe";
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file != nullptr) {
        std::fputs("MZ", file);
        std::fclose(file);
    }
    return path;
}

TEST_F(ProgramPageTest, ListAndColumnsAreSetUp) {
    ASSERT_EQ(Rows(), 2);
    EXPECT_EQ(Cell(0, 1), "Editor");
    EXPECT_EQ(Cell(0, 2), "Remove");
    EXPECT_EQ(Cell(0, 3), "C:\\Tools\\editor.exe");
    EXPECT_EQ(Box(0), 1);
    EXPECT_EQ(Cell(1, 1), "Chess");
    EXPECT_EQ(Box(1), 0);
    RECT rect;
    ::GetWindowRect(List(), &rect);
    const auto widths = page_rules::ProgramColumnWidths(rect.right - rect.left);
    const char* titles[] = {"Enable", "Program", "", "Path"};
    HWND header = page->list.GetHeaderCtrl();
    for (int column = 0; column < 4; ++column) {
        EXPECT_EQ(::SendMessageA(List(), LVM_GETCOLUMNWIDTH, column, 0), widths[column]) << column;
        char text[64] = {};
        HDITEMA item = {};
        item.mask = HDI_TEXT | HDI_FORMAT | HDI_IMAGE;
        item.pszText = text;
        item.cchTextMax = sizeof text;
        ::SendMessageA(header, HDM_GETITEMA, column, reinterpret_cast<LPARAM>(&item));
        EXPECT_STREQ(text, titles[column]);
        EXPECT_TRUE(item.fmt & HDF_IMAGE);
        EXPECT_EQ(item.iImage, column == 0 ? 1 : 0) << column;
    }
    EXPECT_TRUE(::GetWindowLongA(page->GetDlgItem(IDC_PROGRAM_PATH), GWL_STYLE) & ES_READONLY);
}

TEST_F(ProgramPageTest, AddingAsksForTheProgramFirstThenTheName) {
    page->SetDlgItemText(IDC_PROGRAM_NAME, "Viewer");
    SeenBox box = AddExpectingMessage();
    ASSERT_TRUE(box.found);
    EXPECT_EQ(box.caption, "Palisor");
    EXPECT_EQ(box.text, "You most choose a program");
    EXPECT_EQ(page->GetDlgItemText(IDC_PROGRAM_NAME), "Viewer");

    page->SetDlgItemText(IDC_PROGRAM_NAME, "");
    EXPECT_EQ(AddExpectingMessage().text, "You most choose a program");

    SetPath("C:\\Tools\\viewer.exe");
    box = AddExpectingMessage();
    ASSERT_TRUE(box.found);
    EXPECT_EQ(box.caption, "Palisor");
    EXPECT_EQ(box.text, "You most entre the name for this program");
    EXPECT_EQ(main.policy->applications.size(), 2u);
    EXPECT_EQ(Rows(), 2);
}

TEST_F(ProgramPageTest, BrowseTakesThePathFromTheOpenFileDialog) {
    const std::string program = MakeTemporaryProgram();
    page->SetDlgItemText(IDC_PROGRAM_NAME, "Tool");
    ASSERT_TRUE(Browse(&TypeFileNameAndConfirm, program));
    PumpMessages(20);
    EXPECT_EQ(page->GetDlgItemText(IDC_PROGRAM_PATH), program);
    // The typed name is left alone.
    EXPECT_EQ(page->GetDlgItemText(IDC_PROGRAM_NAME), "Tool");

    // Cancelling keeps the path and the name.
    ASSERT_TRUE(Browse(&CancelDialog, ""));
    EXPECT_EQ(page->GetDlgItemText(IDC_PROGRAM_PATH), program);
    EXPECT_EQ(page->GetDlgItemText(IDC_PROGRAM_NAME), "Tool");

    // Only a file that exists is taken.
    g_dialogStayedOpen = false;
    ASSERT_TRUE(Browse(&TypeMissingFileAndConfirm, program + ".missing.exe"));
    EXPECT_TRUE(g_dialogStayedOpen) << "the dialog took a file that does not exist";
    EXPECT_EQ(page->GetDlgItemText(IDC_PROGRAM_PATH), program);

    Click(IDC_ADD_PROGRAM);
    auto held = Held(program.c_str());
    ASSERT_NE(held, nullptr);
    EXPECT_EQ(held->name, Ole("Tool"));
    std::remove(program.c_str());
}

TEST_F(ProgramPageTest, AddingAppendsTheRowReachesTheFirewallAndEmptiesBothEdits) {
    SetPath("C:\\Tools\\viewer.exe");
    page->SetDlgItemText(IDC_PROGRAM_NAME, "Viewer");
    Click(IDC_ADD_PROGRAM);
    ASSERT_EQ(Rows(), 3);
    EXPECT_EQ(page->rowCount, 3);
    EXPECT_EQ(Cell(2, 1), "Viewer");
    EXPECT_EQ(Cell(2, 3), "C:\\Tools\\viewer.exe");
    EXPECT_EQ(Box(2), 1);
    auto held = Held("C:\\Tools\\viewer.exe");
    ASSERT_NE(held, nullptr);
    EXPECT_EQ(held->name, Ole("Viewer"));
    EXPECT_EQ(page->GetDlgItemText(IDC_PROGRAM_PATH), "");
    EXPECT_EQ(page->GetDlgItemText(IDC_PROGRAM_NAME), "");
    // Both edits are empty now, so a second add asks for the program.
    page->SetDlgItemText(IDC_PROGRAM_NAME, "Again");
    EXPECT_EQ(AddExpectingMessage().text, "You most choose a program");
}

TEST_F(ProgramPageTest, TheEnableBoxSwitchesAndRemoveRefills) {
    ClickCell(List(), 0, 0);
    EXPECT_EQ(Box(0), 0);
    EXPECT_FALSE(Held("C:\\Tools\\editor.exe")->enabled);
    ClickCell(List(), 0, 0);
    EXPECT_TRUE(Held("C:\\Tools\\editor.exe")->enabled);
    // Name and path columns do nothing.
    ClickCell(List(), 0, 1);
    ClickCell(List(), 0, 3);
    EXPECT_EQ(Box(0), 1);
    EXPECT_EQ(Rows(), 2);

    // Space on the selected row switches it as a click on its box does.
    PressSpaceOnRow(List(), 1);
    EXPECT_EQ(Box(1), 1);
    EXPECT_TRUE(Held("C:\\Games\\chess.exe")->enabled);
    PressSpaceOnRow(List(), 1);
    EXPECT_EQ(Box(1), 0);
    EXPECT_FALSE(Held("C:\\Games\\chess.exe")->enabled);
    // Held down, Space switches the row once however often the key repeats.
    const int writes = main.policy->failures.Calls("INetFwAuthorizedApplication::put_Enabled");
    HoldSpaceOnRow(List(), 1, 4);
    EXPECT_EQ(Box(1), 1);
    EXPECT_TRUE(Held("C:\\Games\\chess.exe")->enabled);
    EXPECT_EQ(main.policy->failures.Calls("INetFwAuthorizedApplication::put_Enabled"), writes + 1);
    PressSpaceOnRow(List(), 1);
    EXPECT_FALSE(Held("C:\\Games\\chess.exe")->enabled);

    ClickCell(List(), 0, 2);
    EXPECT_EQ(Held("C:\\Tools\\editor.exe"), nullptr);
    ASSERT_EQ(Rows(), 1);
    EXPECT_EQ(Cell(0, 1), "Chess");
    // "Chess" is switched off: it goes all the same.
    ClickCell(List(), 0, 2);
    EXPECT_EQ(Held("C:\\Games\\chess.exe"), nullptr);
    EXPECT_EQ(Rows(), 0);
    EXPECT_EQ(page->rowCount, 0);
}

// Rows are known to the firewall by the path it holds, not by the shortened or converted text shown:
// a path of 259 characters and one with a character outside the code page are switched and removed.
TEST_F(ProgramPageTest, ExceptionsAreSwitchedAndRemovedByTheirExactPath) {
    std::basic_string<OLECHAR> longPath = Ole("C:\\");
    longPath += std::basic_string<OLECHAR>(252, OLECHAR('p'));
    longPath += Ole(".exe");
    ASSERT_EQ(longPath.size(), 259u);
    std::basic_string<OLECHAR> foreignPath = Ole("C:\\Tools\\");
    foreignPath += OLECHAR(0x4E2D); // not in the ANSI code page
    foreignPath += Ole(".exe");
    BOOL lost = FALSE;
    char narrow[64] = {};
    ::WideCharToMultiByte(CP_ACP, 0, foreignPath.c_str(), -1, narrow, sizeof narrow, nullptr, &lost);
    ASSERT_TRUE(lost) << "the test needs a character the code page lacks";
    for (const auto& path : {longPath, foreignPath}) {
        standin::ApplicationData data;
        data.path = path;
        data.name = Ole("Odd");
        main.policy->PutApplication(data);
    }
    ClearAndList();
    ASSERT_EQ(Rows(), 4);
    EXPECT_EQ(Cell(2, 3).size(), 255u) << "the shown path is cut to the row buffer";

    for (int row : {2, 3}) {
        const auto path = row == 2 ? longPath : foreignPath;
        ClickCell(List(), row, 0);
        EXPECT_EQ(Box(row), 0);
        EXPECT_FALSE(main.policy->FindApplication(path)->enabled) << row;
        ClickCell(List(), row, 0);
        EXPECT_TRUE(main.policy->FindApplication(path)->enabled) << row;
    }
    ClickCell(List(), 3, 2);
    EXPECT_EQ(main.policy->FindApplication(foreignPath), nullptr);
    ASSERT_EQ(Rows(), 3);
    ClickCell(List(), 2, 2);
    EXPECT_EQ(main.policy->FindApplication(longPath), nullptr);
    EXPECT_EQ(Rows(), 2);
}

TEST_F(ProgramPageTest, WithWritesRefusedTheScreenKeepsTheFirewallsStateAndSaysWhy) {
    main.policy->writesRefused = true;
    const std::string needsRights = ": changing the firewall needs administrator rights.";
    SetPath("C:\\Tools\\viewer.exe");
    page->SetDlgItemText(IDC_PROGRAM_NAME, "Viewer");
    SeenBox box = ExpectOneMessage(main.m_hWnd, [&] { Click(IDC_ADD_PROGRAM); });
    EXPECT_EQ(box.caption, "Palisor");
    EXPECT_EQ(box.text, "The program was not added" + needsRights);
    EXPECT_EQ(Rows(), 2);
    EXPECT_EQ(Held("C:\\Tools\\viewer.exe"), nullptr);
    // The chosen path and the typed name stay for another try.
    EXPECT_EQ(page->GetDlgItemText(IDC_PROGRAM_PATH), "C:\\Tools\\viewer.exe");
    EXPECT_EQ(page->GetDlgItemText(IDC_PROGRAM_NAME), "Viewer");

    box = ExpectOneMessage(main.m_hWnd, [&] { ClickCell(List(), 1, 0); });
    EXPECT_EQ(box.text, "The program was not switched" + needsRights);
    EXPECT_EQ(Box(1), 0);
    EXPECT_FALSE(Held("C:\\Games\\chess.exe")->enabled);

    box = ExpectOneMessage(main.m_hWnd, [&] { ClickCell(List(), 0, 2); });
    EXPECT_EQ(box.text, "The program was not removed" + needsRights);
    EXPECT_EQ(Rows(), 2);
    EXPECT_NE(Held("C:\\Tools\\editor.exe"), nullptr);

    box = ExpectOneMessage(main.m_hWnd, [&] { ClickHeaderItem(List(), 0); });
    EXPECT_EQ(box.text, "Not every program was switched" + needsRights);
    EXPECT_EQ(Box(0), 1);
    EXPECT_EQ(Box(1), 0);
}

TEST_F(ProgramPageTest, TheEnableHeaderSwitchesEveryChangedException) {
    ClickHeaderItem(List(), 0);
    EXPECT_TRUE(Held("C:\\Games\\chess.exe")->enabled);
    EXPECT_TRUE(Held("C:\\Tools\\editor.exe")->enabled);
    ASSERT_EQ(Rows(), 2);
    EXPECT_EQ(Box(1), 1);
    ClickHeaderItem(List(), 0);
    EXPECT_FALSE(Held("C:\\Games\\chess.exe")->enabled);
    EXPECT_FALSE(Held("C:\\Tools\\editor.exe")->enabled);
    EXPECT_EQ(Box(0), 0);
    EXPECT_EQ(Box(1), 0);
}

} // namespace
} // namespace pages_test
