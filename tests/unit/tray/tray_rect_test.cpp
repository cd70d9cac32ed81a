#include "tray/tray_rect.h"

#include "tests/unit/tray/fake_tray_system.h"

#include <gtest/gtest.h>

namespace palisor::tray {
namespace {

using testing::FakeTraySystem;
using testing::Str;
using testing::Win;

class FindTrayRectTest : public ::testing::Test {
protected:
    FakeTraySystem shell;

    void WithShellTray(TrayRect bar) {
        shell.shellTray = Win(0x900);
        shell.shellTrayRect = bar;
    }
};

TEST_F(FindTrayRectTest, ClockBesideTheIconsCutsTheAreaAtTheClocksLeft) {
    WithShellTray({0, 738, 1024, 768});
    shell.children = {{"Button", {0, 740, 60, 766}},
                      {"TrayNotifyWnd", {880, 740, 1022, 766}},
                      {"ToolbarWindow32", {884, 742, 960, 764}},
                      {"TrayClockWClass", {962, 742, 1020, 764}},
                      {"AfterTheClock", {0, 0, 1, 1}}};
    EXPECT_EQ(Str(FindTrayRect(shell)), Str({880, 740, 962, 766}));
    // The walk stops at the clock.
    EXPECT_EQ(shell.visitedClasses.size(), 4u);
}

TEST_F(FindTrayRectTest, ClockAboveTheIconsKeepsThePartBelowIt) {
    // A tall taskbar on the right edge: the clock sits over the icons.
    WithShellTray({900, 0, 1024, 738});
    shell.children = {{"TrayNotifyWnd", {904, 600, 1020, 736}}, {"TrayClockWClass", {906, 602, 1018, 630}}};
    EXPECT_EQ(Str(FindTrayRect(shell)), Str({904, 630, 1020, 736}));
}

TEST_F(FindTrayRectTest, AClockWithinFivePixelsOfTheBottomCountsAsBeside) {
    WithShellTray({0, 738, 1024, 768});
    shell.children = {{"TrayNotifyWnd", {880, 740, 1022, 766}}, {"TrayClockWClass", {962, 742, 1020, 761}}};
    EXPECT_EQ(Str(FindTrayRect(shell)), Str({880, 740, 962, 766}));
    shell.children[1].rect.bottom = 760; // now more than 5 pixels above
    EXPECT_EQ(Str(FindTrayRect(shell)), Str({880, 760, 1022, 766}));
}

TEST_F(FindTrayRectTest, ClassNamesCompareExactly) {
    WithShellTray({0, 738, 1024, 768});
    shell.children = {{"traynotifywnd", {1, 2, 3, 4}}, {"TrayClockWClassX", {5, 6, 7, 8}}};
    EXPECT_EQ(Str(FindTrayRect(shell)), Str({0, 738, 1024, 768}));
}

TEST_F(FindTrayRectTest, ATaskbarWindowWithoutNotificationAreaGivesTheTaskbarCutByTheClock) {
    WithShellTray({0, 738, 1024, 768});
    shell.children = {{"TrayClockWClass", {962, 742, 1020, 764}}};
    EXPECT_EQ(Str(FindTrayRect(shell)), Str({0, 738, 962, 768}));
}

TEST_F(FindTrayRectTest, OnlyTheShellsAnswerGuessesTheFarEndOfTheTaskbar) {
    shell.taskbarAnswers = true;
    const TrayRect vertical{0, 0, 60, 768};
    const TrayRect horizontal{0, 738, 1024, 768};
    struct Case {
        TaskbarEdge edge;
        TrayRect bar;
        TrayRect expected;
    } cases[] = {
        {TaskbarEdge::Left, vertical, {0, 668, 60, 752}},
        {TaskbarEdge::Right, {964, 0, 1024, 768}, {964, 668, 1024, 752}},
        {TaskbarEdge::Top, {0, 0, 1024, 30}, {924, 0, 1008, 30}},
        {TaskbarEdge::Bottom, horizontal, {924, 738, 1008, 768}},
    };
    for (const Case& c : cases) {
        shell.taskbarEdge = c.edge;
        shell.taskbarRect = c.bar;
        EXPECT_EQ(Str(FindTrayRect(shell)), Str(c.expected)) << "edge " << static_cast<int>(c.edge);
    }
}

TEST_F(FindTrayRectTest, WithNeitherTheCornerOfTheWorkAreaIsUsed) {
    shell.workArea = {0, 0, 1024, 738};
    EXPECT_EQ(Str(FindTrayRect(shell)), Str({874, 708, 1024, 738}));
    shell.workArea = {100, 50, 800, 600};
    EXPECT_EQ(Str(FindTrayRect(shell)), Str({650, 570, 800, 600}));
}

} // namespace
} // namespace palisor::tray
