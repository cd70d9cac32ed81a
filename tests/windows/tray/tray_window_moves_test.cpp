#include "tray/system_tray.h"

#include "tests/windows/tray/shell_tray.h"
#include "tests/windows/tray/tray_test_window.h"

#include <gtest/gtest.h>

namespace tray_test {
namespace {

// Switches the system's minimise animation for one test and puts it back afterwards.
class AnimationSetting {
public:
    explicit AnimationSetting(bool on) {
        original_.cbSize = sizeof original_;
        ::SystemParametersInfoA(SPI_GETANIMATION, sizeof original_, &original_, 0);
        ANIMATIONINFO wanted = {sizeof wanted, on ? 1 : 0};
        ::SystemParametersInfoA(SPI_SETANIMATION, sizeof wanted, &wanted, 0);
        ANIMATIONINFO now = {sizeof now, -1};
        ::SystemParametersInfoA(SPI_GETANIMATION, sizeof now, &now, 0);
        taken_ = (now.iMinAnimate != 0) == on;
    }
    // Some systems accept the setting and keep reporting the old value.
    bool Taken() const { return taken_; }
    ~AnimationSetting() { ::SystemParametersInfoA(SPI_SETANIMATION, sizeof original_, &original_, 0); }

private:
    ANIMATIONINFO original_{};
    bool taken_ = false;
};

class HideToTrayTest : public ::testing::TestWithParam<bool> {
protected:
    TrayTestWindow window;
    int buttonsShown = 0;

    void SetUp() override {
        // An icon keeps the taskbar on the screen in every test, whatever ran before.
        ASSERT_TRUE(keeper.CreateTrayIcon(nullptr, kCallbackMessage, "keeper", nullptr, 7, FALSE));
        ASSERT_TRUE(window.Open("Hidden into the tray"));
        ::SetForegroundWindow(window);
        ASSERT_TRUE(PumpUntil([&] { return VisibleTaskbarButtons() > 0; }));
        PumpUntil([] { return false; }, 300);
        buttonsShown = VisibleTaskbarButtons();
    }

    CSystemTray keeper;
};

TEST_P(HideToTrayTest, TakesTheWindowOffTheScreenAndTheTaskbarAndBringsItBack) {
    const BOOL force = GetParam();
    AnimationSetting animation(false);
    ASSERT_TRUE(animation.Taken());
    ASSERT_FALSE(CSystemTray::WindowAnimationEnabled());
    RECT before;
    window.GetWindowRect(&before);

    CSystemTray::HideToTray(window, force);
    EXPECT_FALSE(window.IsWindowVisible());
    ASSERT_NE(CSystemTray::hiddenOwner, nullptr);
    EXPECT_EQ(::GetAncestor(window, GA_PARENT), CSystemTray::hiddenOwner);
    EXPECT_FALSE(::IsWindowVisible(CSystemTray::hiddenOwner));
    EXPECT_TRUE(PumpUntil([&] { return VisibleTaskbarButtons() == buttonsShown - 1; }))
        << VisibleTaskbarButtons() << " buttons, " << buttonsShown << " before";

    CSystemTray::ShowFromTray(window, force);
    EXPECT_TRUE(window.IsWindowVisible());
    EXPECT_EQ(::GetAncestor(window, GA_PARENT), ::GetDesktopWindow());
    EXPECT_EQ(::GetActiveWindow(), window.m_hWnd);
    EXPECT_EQ(::GetForegroundWindow(), window.m_hWnd);
    RECT after;
    window.GetWindowRect(&after);
    EXPECT_TRUE(::EqualRect(&before, &after));
    EXPECT_TRUE(PumpUntil([&] { return VisibleTaskbarButtons() == buttonsShown; }))
        << VisibleTaskbarButtons() << " buttons, " << buttonsShown << " before";
}

INSTANTIATE_TEST_SUITE_P(WithAndWithoutForcedAnimation, HideToTrayTest, ::testing::Values(false, true));

TEST_F(HideToTrayTest, FollowsTheSystemsMinimiseAnimationSetting) {
    AnimationSetting animation(true);
    if (!animation.Taken()) {
        GTEST_SKIP() << "the system keeps its minimise animation switched off";
    }
    EXPECT_TRUE(CSystemTray::WindowAnimationEnabled());
    CSystemTray::HideToTray(window, FALSE);
    EXPECT_FALSE(window.IsWindowVisible());
    CSystemTray::ShowFromTray(window, FALSE);
    EXPECT_TRUE(window.IsWindowVisible());
    EXPECT_EQ(::GetActiveWindow(), window.m_hWnd);
}

TEST_F(HideToTrayTest, TheNotificationAreaIsFoundOnTheShellsTaskbar) {
    HWND shellTray = ShellTrayWindow();
    ASSERT_NE(shellTray, nullptr);
    RECT expected;
    ::GetWindowRect(shellTray, &expected);
    // This taskbar has no separate notification-area or clock windows: the taskbar itself.
    RECT found = CSystemTray::FindTrayRect();
    EXPECT_TRUE(::EqualRect(&found, &expected))
        << found.left << "," << found.top << "," << found.right << "," << found.bottom;
    EXPECT_GT(found.right, found.left);
}

} // namespace
} // namespace tray_test
