#include "tray/tray_window_moves.h"

#include "tests/unit/tray/fake_tray_system.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace palisor::tray {
namespace {

using testing::FakeTraySystem;
using testing::Win;

using Log = std::vector<std::string>;

class TrayWindowMovesTest : public ::testing::Test {
protected:
    FakeTraySystem shell;
    WindowRef hiddenOwner = nullptr;
    const WindowRef window = Win(0x10);

    void SetUp() override { shell.workArea = {0, 0, 1024, 738}; } // zoom target (874,708,1024,738)
};

TEST_F(TrayWindowMovesTest, HideZoomsIntoTheTrayThenDetachesAndHides) {
    HideToTray(shell, hiddenOwner, window, false);
    EXPECT_EQ(shell.log, (Log{"zoom 16 (100,100,500,400)->(874,708,1024,738)", "create owner",
                              "parent 16 119", "invisible 16"}));
    EXPECT_EQ(hiddenOwner, Win(0x77));

    // The hidden owner is made once and reused.
    shell.log.clear();
    HideToTray(shell, hiddenOwner, window, false);
    EXPECT_EQ(shell.Count("create owner"), 0);
    EXPECT_EQ(shell.Count("parent 16 119"), 1);
}

TEST_F(TrayWindowMovesTest, ShowZoomsOutOfTheTrayAndActivates) {
    hiddenOwner = Win(0x77);
    ShowFromTray(shell, hiddenOwner, window, false);
    EXPECT_EQ(shell.log, (Log{"parent 16 0", "zoom 16 (874,708,1024,738)->(100,100,500,400)", "visible 16",
                              "redraw 16", "activate 119", "activate 16", "foreground 16"}));
}

TEST_F(TrayWindowMovesTest, WithoutTheSystemAnimationThereIsNoZoom) {
    shell.animation = false;
    HideToTray(shell, hiddenOwner, window, false);
    EXPECT_EQ(shell.log, (Log{"create owner", "parent 16 119", "invisible 16"}));
    shell.log.clear();
    ShowFromTray(shell, hiddenOwner, window, false);
    EXPECT_EQ(shell.log, (Log{"parent 16 0", "visible 16", "redraw 16", "activate 119", "activate 16",
                              "foreground 16"}));
}

TEST_F(TrayWindowMovesTest, ForcingTheAnimationZoomsEvenWhenTheSystemDoesNot) {
    shell.animation = false;
    HideToTray(shell, hiddenOwner, window, true);
    ShowFromTray(shell, hiddenOwner, window, true);
    EXPECT_EQ(shell.Count("zoom 16 (100,100,500,400)->(874,708,1024,738)"), 1);
    EXPECT_EQ(shell.Count("zoom 16 (874,708,1024,738)->(100,100,500,400)"), 1);
}

TEST_F(TrayWindowMovesTest, WithoutAHiddenOwnerTheWindowIsOnlyHidden) {
    shell.animation = false;
    shell.hiddenOwnerToCreate = nullptr;
    EXPECT_FALSE(DetachFromTaskbar(shell, hiddenOwner, window));
    shell.log.clear();
    HideToTray(shell, hiddenOwner, window, false);
    EXPECT_EQ(shell.log, (Log{"create owner", "invisible 16"}));
    EXPECT_EQ(hiddenOwner, nullptr);

    // Shown again without an owner to activate first.
    shell.log.clear();
    ShowFromTray(shell, hiddenOwner, window, false);
    EXPECT_EQ(shell.log, (Log{"parent 16 0", "visible 16", "redraw 16", "activate 16", "foreground 16"}));
}

} // namespace
} // namespace palisor::tray
