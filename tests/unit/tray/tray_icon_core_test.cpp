#include "tray/tray_icon_core.h"

#include "tests/unit/tray/fake_tray_system.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace palisor::tray {
namespace {

using testing::FakeTraySystem;
using testing::Menu;
using testing::Win;

constexpr std::uint32_t kCallback = 0x800A;
constexpr std::uint32_t kIconId = 145;
const WindowRef kOwner = Win(0x10);
const IconRef kIcon = reinterpret_cast<IconRef>(0x30);

class TestTray : public TrayIconCore {
public:
    using TrayIconCore::TrayIconCore;
    WindowRef ownWindow = Win(0x20);
    int windowsCreated = 0;
    std::vector<MenuRef> prepared;

    void PrepareMenu(MenuRef menu) override { prepared.push_back(menu); }

protected:
    WindowRef CreateOwnWindow() override {
        ++windowsCreated;
        return ownWindow;
    }
};

struct Flags {
    bool hidden;
    bool removed;
    bool pending;
};

std::string Describe(const TrayIconCore& tray) {
    return std::string("hidden=") + (tray.iconHidden ? "1" : "0") +
           " removed=" + (tray.iconRemoved ? "1" : "0") + " pending=" + (tray.readdPending ? "1" : "0");
}

std::string Describe(const Flags& f) {
    return std::string("hidden=") + (f.hidden ? "1" : "0") + " removed=" + (f.removed ? "1" : "0") +
           " pending=" + (f.pending ? "1" : "0");
}

class TrayIconStateTest : public ::testing::Test {
protected:
    FakeTraySystem shell;
    TestTray tray{shell};

    bool Create(bool hidden = false, const char* tip = "Palisor") {
        return tray.CreateTrayIcon(kOwner, kCallback, tip, kIcon, kIconId, hidden);
    }
    // Brings the icon into the shown state with one successful add, then forgets the calls.
    void Shown() {
        ASSERT_TRUE(Create());
        shell.log.clear();
        shell.added.clear();
    }
    void ExpectFlags(Flags expected) { EXPECT_EQ(Describe(tray), Describe(expected)); }
};

// One test per row of the flag table, in its order.

TEST_F(TrayIconStateTest, ConstructionShowsNothingAndCallsNothing) {
    ExpectFlags({true, true, false});
    EXPECT_FALSE(tray.trayAvailable);
    EXPECT_EQ(tray.creationFlags, 0u);
    EXPECT_EQ(tray.iconData.size, 0u);
    EXPECT_TRUE(shell.log.empty());
}

TEST_F(TrayIconStateTest, CreateBelowMajorVersionFourChangesNothing) {
    shell.majorVersion = 3;
    tray.readdPending = true; // a value construction never gives, to see it left alone
    EXPECT_FALSE(Create());
    ExpectFlags({true, true, true});
    EXPECT_FALSE(tray.trayAvailable);
    EXPECT_EQ(tray.windowsCreated, 0);
    EXPECT_TRUE(shell.log.empty());
    // Every later deletion reports success without the shell.
    EXPECT_TRUE(tray.DeleteTrayIcon());
    EXPECT_TRUE(shell.log.empty());
}

TEST_F(TrayIconStateTest, CreateHiddenAddsNothing) {
    EXPECT_TRUE(Create(true));
    ExpectFlags({true, true, false});
    EXPECT_TRUE(tray.trayAvailable);
    EXPECT_EQ(tray.creationFlags, 7u);
    EXPECT_TRUE(shell.added.empty());
    // Flags other than iconHidden keep the values they had.
    TestTray other{shell};
    other.readdPending = true;
    other.iconHidden = false;
    EXPECT_TRUE(other.CreateTrayIcon(kOwner, kCallback, "x", kIcon, kIconId, true));
    EXPECT_EQ(Describe(other), Describe(Flags{true, true, true}));
    EXPECT_TRUE(shell.added.empty());
}

TEST_F(TrayIconStateTest, CreateWhoseAddSucceedsShowsTheIcon) {
    EXPECT_TRUE(Create());
    ExpectFlags({false, false, false});
    ASSERT_EQ(shell.added.size(), 1u);
    const TrayIconRecord& record = shell.added[0];
    EXPECT_EQ(record.size, kNotifyIconRecordSize);
    EXPECT_EQ(record.window, kOwner);
    EXPECT_EQ(record.id, kIconId);
    EXPECT_EQ(record.flags, 7u);
    EXPECT_EQ(record.callbackMessage, kCallback);
    EXPECT_EQ(record.icon, kIcon);
    EXPECT_STREQ(record.tip, "Palisor");
    EXPECT_EQ(tray.creationFlags, 7u);
    EXPECT_EQ(TrayIconCore::tipLimit, 128);
    EXPECT_EQ(tray.windowsCreated, 1);
}

TEST_F(TrayIconStateTest, CreateWhoseAddFailsCountsTheIconHiddenAndPending) {
    shell.addResults = {false};
    EXPECT_FALSE(Create());
    ExpectFlags({true, true, true});
    EXPECT_EQ(shell.added.size(), 1u);
}

TEST_F(TrayIconStateTest, TaskbarCreatedWithIconShownAddsAgain) {
    Shown();
    EXPECT_EQ(tray.OnShellRestart(), 0);
    ExpectFlags({false, false, false});
    ASSERT_EQ(shell.added.size(), 1u);
    EXPECT_EQ(shell.added[0].flags, 7u);
    EXPECT_STREQ(shell.added[0].tip, "Palisor");

    shell.addResults = {false};
    EXPECT_EQ(tray.OnShellRestart(), 0);
    ExpectFlags({true, false, true});
    EXPECT_EQ(shell.added.size(), 2u);
}

TEST_F(TrayIconStateTest, TaskbarCreatedWithIconHiddenOnlyMarksItPending) {
    EXPECT_TRUE(Create(true));
    EXPECT_EQ(tray.OnShellRestart(), 0);
    ExpectFlags({true, true, true});
    EXPECT_TRUE(shell.added.empty());
}

TEST_F(TrayIconStateTest, WorkAreaChangeWithIconShownAddsAgain) {
    Shown();
    tray.OnWorkAreaSetting(kSpiSetWorkArea);
    ExpectFlags({false, false, false});
    EXPECT_EQ(shell.added.size(), 1u);

    shell.addResults = {false};
    tray.OnWorkAreaSetting(kSpiSetWorkArea);
    ExpectFlags({true, false, true});
    EXPECT_EQ(shell.added.size(), 2u);
}

TEST_F(TrayIconStateTest, WorkAreaChangeWithIconHiddenClearsPending) {
    EXPECT_TRUE(Create(true));
    tray.readdPending = true;
    tray.OnWorkAreaSetting(kSpiSetWorkArea);
    ExpectFlags({true, true, false});
    EXPECT_TRUE(shell.added.empty());
}

TEST_F(TrayIconStateTest, OtherSettingChangesLeaveTheIconAlone) {
    Shown();
    tray.readdPending = true;
    tray.OnWorkAreaSetting(kSpiSetWorkArea + 1);
    tray.OnWorkAreaSetting(0);
    ExpectFlags({false, false, true});
    EXPECT_TRUE(shell.added.empty());
}

TEST_F(TrayIconStateTest, DeleteThatSucceedsRemovesTheIcon) {
    Shown();
    tray.readdPending = true;
    EXPECT_TRUE(tray.DeleteTrayIcon());
    ExpectFlags({true, true, false});
    ASSERT_EQ(shell.deleted.size(), 1u);
    EXPECT_EQ(shell.deleted[0].flags, 0u);
    EXPECT_EQ(shell.deleted[0].window, kOwner);
    EXPECT_EQ(shell.deleted[0].id, kIconId);
}

TEST_F(TrayIconStateTest, DeleteThatFailsKeepsTheIconCounted) {
    Shown();
    tray.readdPending = true;
    shell.deleteResults = {false};
    EXPECT_FALSE(tray.DeleteTrayIcon());
    ExpectFlags({false, false, false});
    EXPECT_EQ(shell.deleted.size(), 1u);
}

TEST_F(TrayIconStateTest, DeleteOfARemovedIconCallsNoShell) {
    EXPECT_TRUE(Create(true));
    tray.readdPending = true;
    EXPECT_TRUE(tray.DeleteTrayIcon());
    ExpectFlags({true, true, false});
    EXPECT_TRUE(shell.deleted.empty());

    Shown();
    EXPECT_TRUE(tray.DeleteTrayIcon());
    EXPECT_TRUE(tray.DeleteTrayIcon());
    EXPECT_EQ(shell.deleted.size(), 1u);
}

// Sequences through several rows.

TEST_F(TrayIconStateTest, AFailedAddAtCreationIsNotRetriedByTaskbarCreated) {
    shell.addResults = {false};
    EXPECT_FALSE(Create());
    tray.OnShellRestart();
    tray.OnShellRestart();
    EXPECT_EQ(shell.added.size(), 1u);
    ExpectFlags({true, true, true});
}

TEST_F(TrayIconStateTest, AReAddRefusedAfterAWorkAreaChangeStopsReAddsButNotTheDeletion) {
    Shown();
    shell.addResults = {false};
    tray.OnWorkAreaSetting(kSpiSetWorkArea);
    tray.OnShellRestart();
    EXPECT_EQ(shell.added.size(), 1u);
    EXPECT_TRUE(tray.DeleteTrayIcon());
    EXPECT_EQ(shell.deleted.size(), 1u);
    ExpectFlags({true, true, false});
}

TEST_F(TrayIconStateTest, ReAddAfterADeletionUsesTheCreationFlags) {
    Shown();
    tray.DeleteTrayIcon();
    tray.iconHidden = false; // as if shown again by a caller that knows better
    tray.OnShellRestart();
    ASSERT_EQ(shell.added.size(), 1u);
    EXPECT_EQ(shell.added[0].flags, 7u);
}

// Creation details.

TEST_F(TrayIconStateTest, ATipLongerThan127BytesIsCutTo127) {
    std::string tip(300, 'a');
    for (std::size_t i = 0; i < tip.size(); ++i) {
        tip[i] = static_cast<char>('a' + i % 26);
    }
    ASSERT_TRUE(Create(false, tip.c_str()));
    ASSERT_EQ(shell.added.size(), 1u);
    EXPECT_EQ(std::string(shell.added[0].tip), tip.substr(0, 127));
    EXPECT_EQ(shell.added[0].tip[127], '\0');

    TestTray exact{shell};
    std::string fits(127, 'z');
    ASSERT_TRUE(exact.CreateTrayIcon(kOwner, kCallback, fits.c_str(), kIcon, 7, false));
    EXPECT_EQ(std::string(exact.iconData.tip), fits);
}

TEST_F(TrayIconStateTest, WithoutAnOwnerTheRecordNamesTheObjectsOwnWindow) {
    ASSERT_TRUE(tray.CreateTrayIcon(nullptr, kCallback, nullptr, kIcon, kIconId, false));
    ASSERT_EQ(shell.added.size(), 1u);
    EXPECT_EQ(shell.added[0].window, tray.ownWindow);
    EXPECT_STREQ(shell.added[0].tip, "");
}

TEST_F(TrayIconStateTest, WithNoWindowToNameNothingIsAdded) {
    tray.ownWindow = nullptr;
    EXPECT_FALSE(tray.CreateTrayIcon(nullptr, kCallback, "Palisor", kIcon, kIconId, false));
    EXPECT_TRUE(shell.added.empty());
    ExpectFlags({true, true, false});
}

TEST_F(TrayIconStateTest, CreatingAgainReplacesTheShownIcon) {
    Shown();
    ASSERT_TRUE(tray.CreateTrayIcon(kOwner, kCallback, "Second", kIcon, 146, false));
    ASSERT_EQ(shell.deleted.size(), 1u);
    EXPECT_EQ(shell.deleted[0].id, kIconId);
    ASSERT_EQ(shell.added.size(), 1u);
    EXPECT_EQ(shell.added[0].id, 146u);
    EXPECT_STREQ(shell.added[0].tip, "Second");
    ExpectFlags({false, false, false});
}

// Mouse events on the icon.

class TrayMouseTest : public TrayIconStateTest {
protected:
    void SetUp() override { Shown(); }
    std::vector<std::string> Log() const { return shell.log; }
};

TEST_F(TrayMouseTest, ACallbackForAnotherIdAnswersZeroAndDoesNothing) {
    EXPECT_EQ(tray.HandleTrayMessage(kIconId + 1, kMsgRButtonUp), 0);
    EXPECT_EQ(tray.HandleTrayMessage(0, kMsgLButtonDblClk), 0);
    EXPECT_TRUE(shell.log.empty());
}

TEST_F(TrayMouseTest, WithNoTargetWindowNothingHappens) {
    shell.threadMainWindow = nullptr;
    EXPECT_EQ(tray.HandleTrayMessage(kIconId, kMsgRButtonUp), 0);
    EXPECT_EQ(tray.HandleTrayMessage(kIconId, kMsgLButtonDblClk), 0);
    EXPECT_TRUE(shell.log.empty());
}

TEST_F(TrayMouseTest, RightButtonUpShowsSubMenuZeroOwnedByTheTarget) {
    EXPECT_EQ(tray.HandleTrayMessage(kIconId, kMsgRButtonUp), 1);
    std::vector<std::string> expected = {
        "load 145",      "sub 0",      "default 0 cmd", "foreground 16", "track 257 at 640,700 owner 16",
        "post 16 0 0 0", "destroy 256"};
    EXPECT_EQ(Log(), expected);
    ASSERT_EQ(tray.prepared.size(), 1u);
    EXPECT_EQ(tray.prepared[0], Menu(0x101));
}

TEST_F(TrayMouseTest, TheMenuGoesToTheChosenTargetAndOnlyTheLowWordOfTheEventCounts) {
    tray.menuTarget = Win(0x55);
    tray.defaultItem = 2;
    tray.defaultByPosition = true;
    EXPECT_EQ(tray.HandleTrayMessage(kIconId, 0x7FFF0000 | kMsgRButtonUp), 1);
    EXPECT_EQ(shell.Count("default 2 pos"), 1);
    EXPECT_EQ(shell.Count("track 257 at 640,700 owner 85"), 1);
    EXPECT_EQ(shell.Count("post 85 0 0 0"), 1);
}

TEST_F(TrayMouseTest, AMissingMenuOrSubMenuAnswersZero) {
    shell.menuResource = nullptr;
    EXPECT_EQ(tray.HandleTrayMessage(kIconId, kMsgRButtonUp), 0);
    EXPECT_EQ(shell.log, (std::vector<std::string>{"load 145"}));

    shell.log.clear();
    shell.menuResource = Menu(0x100);
    shell.subMenu = nullptr;
    EXPECT_EQ(tray.HandleTrayMessage(kIconId, kMsgRButtonUp), 0);
    // The loaded menu is not leaked when it has no popup.
    EXPECT_EQ(shell.log, (std::vector<std::string>{"load 145", "sub 0", "destroy 256"}));
    EXPECT_TRUE(tray.prepared.empty());
}

TEST_F(TrayMouseTest, DoubleClickPostsTheDefaultCommand) {
    EXPECT_EQ(tray.HandleTrayMessage(kIconId, kMsgLButtonDblClk), 1);
    EXPECT_EQ(shell.log, (std::vector<std::string>{"foreground 16", "post 16 273 0 0"}));

    shell.log.clear();
    tray.defaultItem = 32773;
    EXPECT_EQ(tray.HandleTrayMessage(kIconId, kMsgLButtonDblClk), 1);
    EXPECT_EQ(shell.log, (std::vector<std::string>{"foreground 16", "post 16 273 32773 0"}));
}

TEST_F(TrayMouseTest, DoubleClickByPositionPostsThatItemsCommand) {
    tray.defaultItem = 1;
    tray.defaultByPosition = true;
    shell.itemIdAtPosition = 32771;
    EXPECT_EQ(tray.HandleTrayMessage(kIconId, kMsgLButtonDblClk), 1);
    EXPECT_EQ(shell.log, (std::vector<std::string>{"foreground 16", "load 145", "sub 0", "item 1",
                                                   "destroy 256", "post 16 273 32771 0"}));

    shell.log.clear();
    shell.subMenu = nullptr;
    EXPECT_EQ(tray.HandleTrayMessage(kIconId, kMsgLButtonDblClk), 0);
    EXPECT_EQ(shell.Count("post 16 273 32771 0"), 0);
}

TEST_F(TrayMouseTest, OtherEventsAreAcceptedAndIgnored) {
    EXPECT_EQ(tray.HandleTrayMessage(kIconId, 0x0200), 1); // mouse move
    EXPECT_EQ(tray.HandleTrayMessage(kIconId, 0x0201), 1); // left button down
    EXPECT_TRUE(shell.log.empty());
}

} // namespace
} // namespace palisor::tray
