#include "tray/system_tray.h"

#include "tests/windows/tray/shell_tray.h"
#include "tests/windows/tray/tray_test_window.h"

#include <gtest/gtest.h>
#include <shellapi.h>

#include <algorithm>
#include <cstring>
#include <memory>

namespace tray_test {

namespace {

using palisor::tray::Win32TraySystem;

HICON AppIcon() {
    return ::LoadIconA(nullptr, MAKEINTRESOURCEA(32512));
} // IDI_APPLICATION

void RemoveBehindItsBack(HWND window, UINT id) {
    ASSERT_TRUE(DeleteIconFromShell(window, id));
    ASSERT_FALSE(IconInShell(window, id));
}

void Broadcast(UINT message, WPARAM wParam, LPARAM lParam) {
    DWORD_PTR result = 0;
    ::SendMessageTimeoutA(HWND_BROADCAST, message, wParam, lParam, SMTO_ABORTIFHUNG, 2000, &result);
    PumpUntil([] { return false; }, 100);
}

bool Contains(const std::vector<WPARAM>& commands, WPARAM command) {
    return std::find(commands.begin(), commands.end(), command) != commands.end();
}

class SystemTrayTest : public ::testing::Test {
protected:
    TrayTestWindow main;

    void SetUp() override {
        ASSERT_TRUE(main.Open());
        Win32TraySystem::SetThreadMainWindow(main);
    }
    void TearDown() override {
        main.tray.DeleteTrayIcon();
        Win32TraySystem::SetThreadMainWindow(nullptr);
    }
    void CreateIcon(UINT id = kIconId) {
        ASSERT_TRUE(main.tray.CreateTrayIcon(&main, kCallbackMessage, "Palisor", AppIcon(), id, FALSE,
                                             nullptr, nullptr, 0, 10));
        ASSERT_TRUE(IconInShell(main, id));
    }
};

TEST_F(SystemTrayTest, TheIconIsAddedToTheShellAndDeletedFromIt) {
    CreateIcon();
    EXPECT_EQ(main.tray.iconData.size, static_cast<std::uint32_t>(NOTIFYICONDATAA_V2_SIZE));
    // The shell gets the icon drawn at the system's small-icon size, not the 32-pixel one it was given.
    ICONINFO info = {};
    ASSERT_TRUE(::GetIconInfo(static_cast<HICON>(main.tray.iconData.icon), &info));
    BITMAP mask = {};
    ::GetObjectA(info.hbmMask, sizeof mask, &mask);
    if (info.hbmColor)
        ::DeleteObject(info.hbmColor);
    ::DeleteObject(info.hbmMask);
    EXPECT_EQ(mask.bmWidth, ::GetSystemMetrics(SM_CXSMICON));
    EXPECT_FALSE(main.tray.iconHidden);
    EXPECT_FALSE(main.tray.iconRemoved);
    EXPECT_TRUE(main.tray.trayAvailable);
    // The shell shows its notification area now that it holds an icon.
    HWND shellTray = ShellTrayWindow();
    ASSERT_NE(shellTray, nullptr);
    EXPECT_TRUE(::IsWindowVisible(shellTray));
    // The object's own window is an invisible popup that only listens to broadcasts.
    ASSERT_TRUE(::IsWindow(main.tray.m_hWnd));
    EXPECT_FALSE(::IsWindowVisible(main.tray.m_hWnd));
    EXPECT_TRUE(main.tray.GetStyle() & WS_POPUP);

    EXPECT_TRUE(main.tray.DeleteTrayIcon());
    EXPECT_FALSE(IconInShell(main, kIconId));
    EXPECT_TRUE(main.tray.iconRemoved);
    // A second deletion asks the shell nothing and reports success.
    EXPECT_TRUE(main.tray.DeleteTrayIcon());
}

TEST_F(SystemTrayTest, DestroyingTheObjectDeletesTheIconAndItsWindow) {
    HWND own = nullptr;
    {
        CSystemTray tray;
        ASSERT_TRUE(tray.CreateTrayIcon(&main, kCallbackMessage, "Palisor", AppIcon(), 150, FALSE));
        ASSERT_TRUE(IconInShell(main, 150));
        own = tray.m_hWnd;
        ASSERT_TRUE(::IsWindow(own));
    }
    EXPECT_FALSE(IconInShell(main, 150));
    EXPECT_FALSE(::IsWindow(own));
}

TEST_F(SystemTrayTest, WithoutAnOwnerTheIconBelongsToTheObjectsWindow) {
    CSystemTray tray;
    std::string tip(200, 'x');
    ASSERT_TRUE(tray.CreateTrayIcon(nullptr, kCallbackMessage, tip.c_str(), AppIcon(), 151, FALSE));
    EXPECT_TRUE(IconInShell(tray.m_hWnd, 151));
    EXPECT_EQ(std::strlen(tray.iconData.tip), 127u);

    // The callback reaches the object's window and goes to HandleTrayMessage: a mouse move on the
    // icon is accepted, a callback for another id is not.
    EXPECT_EQ(tray.SendMessage(kCallbackMessage, 151, WM_MOUSEMOVE), 1);
    EXPECT_EQ(tray.SendMessage(kCallbackMessage, 152, WM_MOUSEMOVE), 0);
}

TEST_F(SystemTrayTest, AnIconCreatedHiddenStaysOutOfTheShell) {
    ASSERT_TRUE(main.tray.CreateTrayIcon(&main, kCallbackMessage, "Palisor", AppIcon(), kIconId, TRUE));
    EXPECT_FALSE(IconInShell(main, kIconId));
    Broadcast(CSystemTray::taskbarCreatedMessage, 0, 0);
    EXPECT_FALSE(IconInShell(main, kIconId));
    EXPECT_TRUE(main.tray.readdPending);
}

TEST_F(SystemTrayTest, ANewTaskbarGetsTheIconAgain) {
    CreateIcon();
    RemoveBehindItsBack(main, kIconId);
    Broadcast(CSystemTray::taskbarCreatedMessage, 0, 0);
    EXPECT_TRUE(IconInShell(main, kIconId));
    EXPECT_FALSE(main.tray.iconHidden);
    EXPECT_FALSE(main.tray.readdPending);
}

TEST_F(SystemTrayTest, AWorkAreaChangeAddsTheIconAgain) {
    CreateIcon();
    RemoveBehindItsBack(main, kIconId);
    Broadcast(WM_SETTINGCHANGE, SPI_SETWORKAREA + 1, 0);
    EXPECT_FALSE(IconInShell(main, kIconId));
    Broadcast(WM_SETTINGCHANGE, SPI_SETWORKAREA, 0);
    EXPECT_TRUE(IconInShell(main, kIconId));
}

// Plays the user in the popup menu while it is open: notes that it is shown and how many items
// it has, then moves down to the chosen item and presses Enter.
struct MenuPlayer {
    static MenuPlayer* current;
    HWND keyTarget = nullptr;
    int downs = 0;
    bool shown = false;
    int items = -1;

    static void CALLBACK Tick(HWND, UINT, UINT_PTR timer, DWORD) {
        HWND menuWindow = ::FindWindowA("#32768", nullptr);
        if (!menuWindow || !::IsWindowVisible(menuWindow)) {
            return;
        }
        ::KillTimer(nullptr, timer);
        current->shown = true;
        HMENU menu = reinterpret_cast<HMENU>(::SendMessageA(menuWindow, MN_GETHMENU, 0, 0));
        current->items = menu ? ::GetMenuItemCount(menu) : -1;
        for (int i = 0; i < current->downs; ++i) {
            ::PostMessageA(current->keyTarget, WM_KEYDOWN, VK_DOWN, 0);
        }
        ::PostMessageA(current->keyTarget, WM_KEYDOWN, VK_RETURN, 0);
    }
};
MenuPlayer* MenuPlayer::current = nullptr;

TEST_F(SystemTrayTest, ARightClickShowsTheMenuAndTheChosenCommandReachesTheWindow) {
    CreateIcon();
    struct Case {
        int downs;
        WPARAM command;
    } cases[] = {{1, 32773}, {3, 32772}}; // the separator is skipped on the way to "E&xit"
    for (const Case& c : cases) {
        MenuPlayer player;
        player.keyTarget = main;
        player.downs = c.downs;
        MenuPlayer::current = &player;
        UINT_PTR timer = ::SetTimer(nullptr, 0, 50, &MenuPlayer::Tick);
        main.commands.clear();
        EXPECT_TRUE(ClickIcon(WM_RBUTTONUP, [&] { return Contains(main.commands, c.command); }))
            << "command " << c.command << " did not arrive";
        ::KillTimer(nullptr, timer);
        EXPECT_TRUE(player.shown);
        EXPECT_EQ(player.items, 4);
        ASSERT_FALSE(main.callbackResults.empty());
        EXPECT_EQ(main.callbackResults.back(), 1);
    }
    MenuPlayer::current = nullptr;
}

TEST_F(SystemTrayTest, ARightClickWithoutAPopupInTheMenuShowsNothing) {
    ASSERT_TRUE(main.tray.CreateTrayIcon(&main, kCallbackMessage, "Palisor", AppIcon(), 146, FALSE));
    bool menuSeen = false;
    EXPECT_EQ(main.tray.HandleTrayMessage(146, WM_RBUTTONUP), 0);
    PumpUntil(
        [&] {
            HWND menuWindow = ::FindWindowA("#32768", nullptr);
            menuSeen = menuSeen || (menuWindow && ::IsWindowVisible(menuWindow));
            return false;
        },
        200);
    EXPECT_FALSE(menuSeen);
    EXPECT_TRUE(main.commands.empty());
}

TEST_F(SystemTrayTest, TheOwnerTakesTheMenuCommandsWhileHiddenInTheTray) {
    Win32TraySystem::SetThreadMainWindow(nullptr);
    CreateIcon();
    CSystemTray::HideToTray(main, FALSE);
    ASSERT_FALSE(main.IsWindowVisible());
    EXPECT_EQ(main.tray.MenuTargetWindow(), static_cast<void*>(main.m_hWnd));

    // A window the thread named itself is kept.
    TrayTestWindow other;
    ASSERT_TRUE(other.Open("Named main window"));
    Win32TraySystem::SetThreadMainWindow(other);
    CSystemTray tray;
    ASSERT_TRUE(tray.CreateTrayIcon(&main, kCallbackMessage, "Palisor", AppIcon(), 153, FALSE));
    EXPECT_EQ(tray.MenuTargetWindow(), static_cast<void*>(other.m_hWnd));
    CSystemTray::ShowFromTray(main, FALSE);
}

TEST_F(SystemTrayTest, ADoubleClickBringsTheWindowBackAndPostsTheDefaultCommand) {
    CreateIcon();
    CSystemTray::HideToTray(main, FALSE);
    ASSERT_FALSE(main.IsWindowVisible());

    EXPECT_TRUE(ClickIcon(WM_LBUTTONDBLCLK, [&] { return !main.commands.empty(); }));
    EXPECT_EQ(main.commands, std::vector<WPARAM>{0}); // the program's default item is command 0
    EXPECT_TRUE(main.IsWindowVisible());
    EXPECT_EQ(::GetActiveWindow(), main.m_hWnd);

    // With the default item taken by position, the command of the popup's first item is posted.
    main.tray.defaultByPosition = true;
    main.commands.clear();
    EXPECT_TRUE(ClickIcon(WM_LBUTTONDBLCLK, [&] { return !main.commands.empty(); }));
    EXPECT_EQ(main.commands, std::vector<WPARAM>{32773});
}

} // namespace
} // namespace tray_test
