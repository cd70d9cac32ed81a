// Program exceptions: listing into the programs page, adding, removing and switching.
#include <string>

#include "tests/unit/firewall/firewall_fixture.h"

namespace {

using Row = RecordingHost::ProgramRow;

class ProgramTest : public FirewallTest {
public:
    std::vector<Row> List() {
        host.programRows.clear();
        firewall.ListProgramExceptions();
        ExpectOnlyProfileHeld();
        return host.programRows;
    }
};

TEST_F(ProgramTest, ListsEveryExceptionInTheFirewallsOrder) {
    SeedProgram(u"C:\\b.exe", true, u"Bee");
    SeedProgram(u"C:\\a.exe", false, u"Ay");
    SeedProgram(u"D:\\tools\\c.exe", true, u"Sea");
    SeedProgram(u"C:\\caf\u00e9.exe", true, u"Cafe");
    Open();
    // Each row carries the path as the firewall holds it beside its narrow text.
    EXPECT_EQ(List(), (std::vector<Row>{{"Bee", "C:\\b.exe", 1},
                                        {"Ay", "C:\\a.exe", 0},
                                        {"Sea", "D:\\tools\\c.exe", 1},
                                        {"Cafe", "C:\\caf\xc3\xa9.exe", 1, u"C:\\caf\u00e9.exe"}}));
}

TEST_F(ProgramTest, LongNamesAndPathsAreCutToTheRowBuffers) {
    standin::OleString path = u"C:\\";
    path += standin::OleString(300, u'p');
    // A character outside the basic plane is four narrow bytes: never cut in half.
    standin::OleString name(126, u'n');
    for (int i = 0; i < 40; ++i) {
        name += u"\U0001F600";
    }
    SeedProgram(path.c_str(), true, name.c_str());
    Open();
    const std::vector<Row> rows = List();
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].path, "C:\\" + std::string(252, 'p'));
    // The row still knows the exception by its whole path.
    ASSERT_EQ(host.programRows.size(), 1u);
    EXPECT_EQ(host.programRows[0].firewallPath, path);
    std::string expected(126, 'n');
    for (int i = 0; i < 32; ++i) {
        expected += "\xf0\x9f\x98\x80";
    }
    EXPECT_EQ(rows[0].name.size(), 254u);
    EXPECT_EQ(rows[0].name, expected);
}

struct Unreadable {
    const char* call;
};

class UnreadableProgramTest : public ProgramTest, public testing::WithParamInterface<Unreadable> {};

TEST_P(UnreadableProgramTest, IsLeftOutAndTheRestListed) {
    SeedProgram(u"C:\\first.exe", true, u"First");
    SeedProgram(u"C:\\second.exe", false, u"Second");
    Open();
    Fail(GetParam().call, 1);
    EXPECT_EQ(List(), (std::vector<Row>{{"Second", "C:\\second.exe", 0}}));
}

INSTANTIATE_TEST_SUITE_P(Elements, UnreadableProgramTest,
                         testing::Values(Unreadable{"INetFwAuthorizedApplication::QueryInterface"},
                                         Unreadable{"INetFwAuthorizedApplication::get_Name"},
                                         Unreadable{"INetFwAuthorizedApplication::get_ProcessImageFileName"},
                                         Unreadable{"INetFwAuthorizedApplication::get_Enabled"}));

class UnopenableProgramsTest : public ProgramTest, public testing::WithParamInterface<Unreadable> {};

TEST_P(UnopenableProgramsTest, GiveAnEmptyList) {
    SeedProgram(u"C:\\first.exe", true, u"First");
    Open();
    Fail(GetParam().call);
    EXPECT_TRUE(List().empty());
}

INSTANTIATE_TEST_SUITE_P(Collections, UnopenableProgramsTest,
                         testing::Values(Unreadable{"INetFwProfile::get_AuthorizedApplications"},
                                         Unreadable{"INetFwAuthorizedApplications::get__NewEnum"},
                                         Unreadable{"IEnumVARIANT::QueryInterface"},
                                         Unreadable{"IEnumVARIANT::Next"}));

TEST_F(ProgramTest, AddCreatesAnEnabledException) {
    Open();
    EXPECT_EQ(firewall.AddProgramException(u"C:\\app.exe", u"App"), FW_ERROR_NONE);
    ExpectOnlyProfileHeld();
    EXPECT_EQ(List(), (std::vector<Row>{{"App", "C:\\app.exe", 1}}));
}

TEST_F(ProgramTest, AddLeavesAnEnabledExceptionAndItsNameAlone) {
    SeedProgram(u"C:\\app.exe", true, u"Old");
    Open();
    // The firewall compares paths without regard to case.
    EXPECT_EQ(firewall.AddProgramException(u"c:\\APP.exe", u"New"), FW_ERROR_NONE);
    EXPECT_EQ(Calls("CoCreateInstance(NetFwAuthorizedApplication)"), 0);
    EXPECT_EQ(List(), (std::vector<Row>{{"Old", "C:\\app.exe", 1}}));
}

TEST_F(ProgramTest, AddOverADisabledExceptionHandsItToTheFirewall) {
    SeedProgram(u"C:\\app.exe", false, u"Old");
    Open();
    EXPECT_EQ(firewall.AddProgramException(u"c:\\APP.exe", u"New"), FW_ERROR_NONE);
    EXPECT_EQ(Calls("INetFwAuthorizedApplications::Add"), 1);
    // The entry now holds the path as it was added.
    EXPECT_EQ(List(), (std::vector<Row>{{"New", "c:\\APP.exe", 1}}));
}

TEST_F(ProgramTest, AddWithEmptyNameFailsAfterThePathWasSet) {
    Open();
    EXPECT_EQ(firewall.AddProgramException(u"C:\\app.exe", u""), FW_ERROR_EMPTY_STRING);
    EXPECT_EQ(Calls("INetFwAuthorizedApplication::put_ProcessImageFileName"), 1);
    EXPECT_EQ(Calls("INetFwAuthorizedApplication::put_Name"), 0);
    EXPECT_TRUE(List().empty());
}

TEST_F(ProgramTest, QueryAnswersOnlyForAnEnabledException) {
    SeedProgram(u"C:\\on.exe", true, u"On");
    SeedProgram(u"C:\\off.exe", false, u"Off");
    Open();
    int enabled = 7;
    EXPECT_EQ(firewall.QueryProgramException(u"C:\\ON.EXE", enabled), FW_ERROR_NONE);
    EXPECT_EQ(enabled, 1);
    EXPECT_EQ(firewall.QueryProgramException(u"C:\\off.exe", enabled), FW_ERROR_NONE);
    EXPECT_EQ(enabled, 0);
    enabled = 7;
    EXPECT_EQ(firewall.QueryProgramException(u"C:\\none.exe", enabled), FW_ERROR_NONE);
    EXPECT_EQ(enabled, 0);
    enabled = 7;
    EXPECT_EQ(firewall.QueryProgramException(u"", enabled), FW_ERROR_EMPTY_STRING);
    EXPECT_EQ(enabled, 0);
    ExpectOnlyProfileHeld();
}

struct Removal {
    const char* label;
    bool exists;
    bool enabled;
    bool removed;
    int collectionFetches; // one for the query, one more for the removal
};

class ProgramRemovalTest : public ProgramTest, public testing::WithParamInterface<Removal> {};

TEST_P(ProgramRemovalTest, RemovesTheExceptionSwitchedOnOrOff) {
    const Removal& r = GetParam();
    SeedProgram(u"C:\\other.exe", true, u"Other");
    if (r.exists) {
        SeedProgram(u"C:\\app.exe", r.enabled, u"App");
    }
    Open();
    EXPECT_EQ(firewall.RemoveProgramException(u"C:\\app.exe"), FW_ERROR_NONE);
    ExpectOnlyProfileHeld();
    // The exception is looked up once, by the query that comes first.
    EXPECT_EQ(Calls("INetFwAuthorizedApplications::Item"), 1);
    EXPECT_EQ(Calls("INetFwProfile::get_AuthorizedApplications"), r.collectionFetches);
    EXPECT_EQ(Calls("INetFwAuthorizedApplications::Remove"), r.removed ? 1 : 0);
    EXPECT_EQ(policy->FindApplication(u"C:\\app.exe") != nullptr, r.exists && !r.removed);
    EXPECT_NE(policy->FindApplication(u"C:\\other.exe"), nullptr);
}

INSTANTIATE_TEST_SUITE_P(States, ProgramRemovalTest,
                         testing::Values(Removal{"Enabled", true, true, true, 2},
                                         Removal{"Disabled", true, false, true, 2},
                                         Removal{"Missing", false, false, false, 1}),
                         [](const testing::TestParamInfo<Removal>& info) {
                             return std::string(info.param.label);
                         });

struct Toggle {
    bool initiallyEnabled;
    int ticked;
    bool enabledAfter;
};

class ProgramToggleTest : public ProgramTest, public testing::WithParamInterface<Toggle> {};

TEST_P(ProgramToggleTest, TickedOneSwitchesOffAnythingElseOn) {
    const Toggle& t = GetParam();
    SeedProgram(u"C:\\app.exe", t.initiallyEnabled, u"App");
    Open();
    EXPECT_EQ(firewall.ToggleProgramException(u"C:\\app.exe", t.ticked), FW_ERROR_NONE);
    ExpectOnlyProfileHeld();
    EXPECT_EQ(policy->FindApplication(u"C:\\app.exe")->enabled, t.enabledAfter);
}

INSTANTIATE_TEST_SUITE_P(Ticks, ProgramToggleTest,
                         testing::Values(Toggle{true, 1, false}, Toggle{false, 1, false},
                                         Toggle{false, 0, true}, Toggle{true, 0, true},
                                         Toggle{false, 2, true}, Toggle{false, -1, true}));

TEST_F(ProgramTest, ToggleOfAMissingPathChangesNothing) {
    SeedProgram(u"C:\\app.exe", true, u"App");
    Open();
    EXPECT_EQ(firewall.ToggleProgramException(u"C:\\other.exe", 1), FW_ERROR_NONE);
    EXPECT_EQ(Calls("INetFwAuthorizedApplication::put_Enabled"), 0);
    EXPECT_TRUE(policy->FindApplication(u"C:\\app.exe")->enabled);
}

} // namespace
