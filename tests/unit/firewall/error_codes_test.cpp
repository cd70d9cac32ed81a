// Every code an operation can yield comes from the step that failed, and whatever the outcome only the
// profile outlives the operation.
#include <functional>

#include "tests/unit/firewall/firewall_fixture.h"

namespace {

using Arrange = std::function<void(FirewallTest&)>;
using Act = std::function<FW_ERROR_CODE(FirewallAccess&)>;

struct Case {
    const char* label;
    bool openFirst;
    Arrange arrange;
    Act act;
    FW_ERROR_CODE expected;
    // A later step of the operation that must not have been reached when this one failed.
    const char* notReached = nullptr;
};

Arrange FailCall(const char* call) {
    return [call](FirewallTest& t) { t.Fail(call); };
}
// Lets the first call through and fails the second: reaches a step that repeats an earlier call.
Arrange FailSecondCall(const char* call) {
    return [call](FirewallTest& t) { t.policy->failures.FailAfter(call, 1, E_FAIL); };
}
Arrange Nothing() {
    return [](FirewallTest&) {};
}

int scratch = 0;

const Case kCases[] = {
    {"SecondOpen", true, Nothing(), [](FirewallAccess& f) { return f.OpenFirewallProfile(); },
     FW_ERROR_PROFILE_STATE},
    {"LocalPolicy", false, FailCall("INetFwMgr::get_LocalPolicy"),
     [](FirewallAccess& f) { return f.OpenFirewallProfile(); }, FW_ERROR_GET_POLICY,
     "INetFwPolicy::get_CurrentProfile"},
    {"CurrentProfile", false, FailCall("INetFwPolicy::get_CurrentProfile"),
     [](FirewallAccess& f) { return f.OpenFirewallProfile(); }, FW_ERROR_GET_PROFILE},

    {"ReadStateQuery", true, FailCall("INetFwProfile::get_FirewallEnabled"),
     [](FirewallAccess& f) { return f.QueryFirewallEnabled(scratch); }, FW_ERROR_READ_FIREWALL_STATE},
    {"ReadStateSwitchOn", true, FailCall("INetFwProfile::get_FirewallEnabled"),
     [](FirewallAccess& f) { return f.SwitchFirewallOn(); }, FW_ERROR_READ_FIREWALL_STATE,
     "INetFwProfile::put_FirewallEnabled"},
    {"ReadStateSwitchOff", true, FailCall("INetFwProfile::get_FirewallEnabled"),
     [](FirewallAccess& f) { return f.SwitchFirewallOff(); }, FW_ERROR_READ_FIREWALL_STATE,
     "INetFwProfile::put_FirewallEnabled"},
    {"WriteStateOn", true,
     [](FirewallTest& t) {
         t.policy->firewallEnabled = false;
         t.Fail("INetFwProfile::put_FirewallEnabled");
     },
     [](FirewallAccess& f) { return f.SwitchFirewallOn(); }, FW_ERROR_WRITE_FIREWALL_STATE},
    {"WriteStateOff", true, FailCall("INetFwProfile::put_FirewallEnabled"),
     [](FirewallAccess& f) { return f.SwitchFirewallOff(); }, FW_ERROR_WRITE_FIREWALL_STATE},

    {"NullPathQuery", true, Nothing(),
     [](FirewallAccess& f) { return f.QueryProgramException(nullptr, scratch); }, FW_ERROR_NULL_ARGUMENT,
     "INetFwProfile::get_AuthorizedApplications"},
    {"NullPathAdd", true, Nothing(),
     [](FirewallAccess& f) { return f.AddProgramException(nullptr, u"Name"); }, FW_ERROR_NULL_ARGUMENT,
     "INetFwProfile::get_AuthorizedApplications"},
    {"NullNameAdd", true, Nothing(),
     [](FirewallAccess& f) { return f.AddProgramException(u"C:\\new.exe", nullptr); }, FW_ERROR_NULL_ARGUMENT,
     "INetFwProfile::get_AuthorizedApplications"},
    {"NullPathRemove", true, Nothing(), [](FirewallAccess& f) { return f.RemoveProgramException(nullptr); },
     FW_ERROR_NULL_ARGUMENT, "INetFwProfile::get_AuthorizedApplications"},
    {"NullPathToggle", true, Nothing(),
     [](FirewallAccess& f) { return f.ToggleProgramException(nullptr, 1); }, FW_ERROR_NULL_ARGUMENT,
     "INetFwProfile::get_AuthorizedApplications"},

    {"ProgramsQuery", true, FailCall("INetFwProfile::get_AuthorizedApplications"),
     [](FirewallAccess& f) { return f.QueryProgramException(u"C:\\on.exe", scratch); },
     FW_ERROR_GET_PROGRAMS},
    {"ProgramsAddQuery", true, FailCall("INetFwProfile::get_AuthorizedApplications"),
     [](FirewallAccess& f) { return f.AddProgramException(u"C:\\new.exe", u"New"); }, FW_ERROR_GET_PROGRAMS,
     "CoCreateInstance(NetFwAuthorizedApplication)"},
    {"ProgramsAddCollection", true, FailSecondCall("INetFwProfile::get_AuthorizedApplications"),
     [](FirewallAccess& f) { return f.AddProgramException(u"C:\\new.exe", u"New"); }, FW_ERROR_GET_PROGRAMS,
     "CoCreateInstance(NetFwAuthorizedApplication)"},
    {"ProgramsRemoveQuery", true, FailCall("INetFwProfile::get_AuthorizedApplications"),
     [](FirewallAccess& f) { return f.RemoveProgramException(u"C:\\on.exe"); }, FW_ERROR_GET_PROGRAMS},
    {"MissingProgramRemove", true, FailSecondCall("INetFwProfile::get_AuthorizedApplications"),
     [](FirewallAccess& f) { return f.RemoveProgramException(u"C:\\gone.exe"); }, FW_ERROR_NONE,
     "INetFwAuthorizedApplications::Remove"},
    {"ProgramsRemoveCollection", true, FailSecondCall("INetFwProfile::get_AuthorizedApplications"),
     [](FirewallAccess& f) { return f.RemoveProgramException(u"C:\\on.exe"); }, FW_ERROR_GET_PROGRAMS,
     "INetFwAuthorizedApplications::Remove"},
    {"ProgramsToggle", true, FailCall("INetFwProfile::get_AuthorizedApplications"),
     [](FirewallAccess& f) { return f.ToggleProgramException(u"C:\\on.exe", 1); }, FW_ERROR_GET_PROGRAMS,
     "INetFwAuthorizedApplications::Item"},

    {"ProgramEnabledQuery", true, FailCall("INetFwAuthorizedApplication::get_Enabled"),
     [](FirewallAccess& f) { return f.QueryProgramException(u"C:\\on.exe", scratch); },
     FW_ERROR_PROGRAM_ENABLED},
    {"ProgramEnabledAdd", true, FailCall("INetFwAuthorizedApplication::get_Enabled"),
     [](FirewallAccess& f) { return f.AddProgramException(u"C:\\off.exe", u"Off"); },
     FW_ERROR_PROGRAM_ENABLED, "CoCreateInstance(NetFwAuthorizedApplication)"},
    {"ProgramEnabledRemove", true, FailCall("INetFwAuthorizedApplication::get_Enabled"),
     [](FirewallAccess& f) { return f.RemoveProgramException(u"C:\\on.exe"); }, FW_ERROR_PROGRAM_ENABLED,
     "INetFwAuthorizedApplications::Remove"},
    {"ProgramEnabledToggle", true, FailCall("INetFwAuthorizedApplication::put_Enabled"),
     [](FirewallAccess& f) { return f.ToggleProgramException(u"C:\\on.exe", 1); }, FW_ERROR_PROGRAM_ENABLED},

    {"CreateProgram", true, FailCall("CoCreateInstance(NetFwAuthorizedApplication)"),
     [](FirewallAccess& f) { return f.AddProgramException(u"C:\\new.exe", u"New"); }, FW_ERROR_CREATE_PROGRAM,
     "INetFwAuthorizedApplication::put_ProcessImageFileName"},

    {"EmptyPathQuery", true, Nothing(),
     [](FirewallAccess& f) { return f.QueryProgramException(u"", scratch); }, FW_ERROR_EMPTY_STRING,
     "INetFwAuthorizedApplications::Item"},
    {"EmptyPathAdd", true, Nothing(), [](FirewallAccess& f) { return f.AddProgramException(u"", u"Name"); },
     FW_ERROR_EMPTY_STRING, "CoCreateInstance(NetFwAuthorizedApplication)"},
    {"EmptyPathRemove", true, Nothing(), [](FirewallAccess& f) { return f.RemoveProgramException(u""); },
     FW_ERROR_EMPTY_STRING, "INetFwAuthorizedApplications::Remove"},
    {"EmptyPathToggle", true, Nothing(), [](FirewallAccess& f) { return f.ToggleProgramException(u"", 0); },
     FW_ERROR_EMPTY_STRING, "INetFwAuthorizedApplications::Item"},
    {"EmptyProgramName", true, Nothing(),
     [](FirewallAccess& f) { return f.AddProgramException(u"C:\\new.exe", u""); }, FW_ERROR_EMPTY_STRING,
     "INetFwAuthorizedApplication::put_Name"},
    {"EmptyPortName", true, Nothing(), [](FirewallAccess& f) { return f.AddPortException(8080, 6, u""); },
     FW_ERROR_EMPTY_STRING, "INetFwOpenPort::put_Name"},
    {"AbsentPortName", true, Nothing(),
     [](FirewallAccess& f) { return f.AddPortException(8080, 6, nullptr); }, FW_ERROR_EMPTY_STRING,
     "INetFwOpenPort::put_Name"},

    // The collection is obtained before the path is copied.
    {"ProgramsBeforeEmptyPathQuery", true, FailCall("INetFwProfile::get_AuthorizedApplications"),
     [](FirewallAccess& f) { return f.QueryProgramException(u"", scratch); }, FW_ERROR_GET_PROGRAMS},
    {"ProgramsBeforeEmptyPathToggle", true, FailCall("INetFwProfile::get_AuthorizedApplications"),
     [](FirewallAccess& f) { return f.ToggleProgramException(u"", 1); }, FW_ERROR_GET_PROGRAMS},

    {"SetProgramPath", true, FailCall("INetFwAuthorizedApplication::put_ProcessImageFileName"),
     [](FirewallAccess& f) { return f.AddProgramException(u"C:\\new.exe", u"New"); },
     FW_ERROR_SET_PROGRAM_PATH, "INetFwAuthorizedApplication::put_Name"},
    {"SetProgramName", true, FailCall("INetFwAuthorizedApplication::put_Name"),
     [](FirewallAccess& f) { return f.AddProgramException(u"C:\\new.exe", u"New"); }, FW_ERROR_SET_NAME,
     "INetFwAuthorizedApplications::Add"},
    {"SetPortName", true, FailCall("INetFwOpenPort::put_Name"),
     [](FirewallAccess& f) { return f.AddPortException(8080, 6, u"Web"); }, FW_ERROR_SET_NAME,
     "INetFwOpenPorts::Add"},
    {"ProgramCollectionAdd", true, FailCall("INetFwAuthorizedApplications::Add"),
     [](FirewallAccess& f) { return f.AddProgramException(u"C:\\new.exe", u"New"); },
     FW_ERROR_COLLECTION_ADD},
    {"PortCollectionAdd", true, FailCall("INetFwOpenPorts::Add"),
     [](FirewallAccess& f) { return f.AddPortException(8080, 6, u"Web"); }, FW_ERROR_COLLECTION_ADD},
    {"ProgramCollectionRemove", true, FailCall("INetFwAuthorizedApplications::Remove"),
     [](FirewallAccess& f) { return f.RemoveProgramException(u"C:\\on.exe"); }, FW_ERROR_COLLECTION_REMOVE},
    {"PortCollectionRemove", true, FailCall("INetFwOpenPorts::Remove"),
     [](FirewallAccess& f) { return f.RemovePortException(80, 6); }, FW_ERROR_COLLECTION_REMOVE},

    {"PortsQuery", true, FailCall("INetFwProfile::get_GloballyOpenPorts"),
     [](FirewallAccess& f) { return f.QueryPortException(80, 6, scratch); }, FW_ERROR_GET_PORTS},
    {"PortsAddQuery", true, FailCall("INetFwProfile::get_GloballyOpenPorts"),
     [](FirewallAccess& f) { return f.AddPortException(8080, 6, u"Web"); }, FW_ERROR_GET_PORTS,
     "CoCreateInstance(NetFwOpenPort)"},
    {"PortsAddCollection", true, FailSecondCall("INetFwProfile::get_GloballyOpenPorts"),
     [](FirewallAccess& f) { return f.AddPortException(8080, 6, u"Web"); }, FW_ERROR_GET_PORTS,
     "CoCreateInstance(NetFwOpenPort)"},
    {"PortsRemoveQuery", true, FailCall("INetFwProfile::get_GloballyOpenPorts"),
     [](FirewallAccess& f) { return f.RemovePortException(80, 6); }, FW_ERROR_GET_PORTS},
    {"PortsRemoveCollection", true, FailSecondCall("INetFwProfile::get_GloballyOpenPorts"),
     [](FirewallAccess& f) { return f.RemovePortException(80, 6); }, FW_ERROR_GET_PORTS,
     "INetFwOpenPorts::Remove"},
    // A missing pair is known missing from the query: nothing more is fetched that could fail.
    {"MissingPortRemove", true, FailSecondCall("INetFwProfile::get_GloballyOpenPorts"),
     [](FirewallAccess& f) { return f.RemovePortException(8080, 6); }, FW_ERROR_NONE,
     "INetFwOpenPorts::Remove"},
    {"PortsToggle", true, FailCall("INetFwProfile::get_GloballyOpenPorts"),
     [](FirewallAccess& f) { return f.TogglePortException(80, 6, 1); }, FW_ERROR_GET_PORTS,
     "INetFwOpenPorts::Item"},

    {"PortEnabledQuery", true, FailCall("INetFwOpenPort::get_Enabled"),
     [](FirewallAccess& f) { return f.QueryPortException(80, 6, scratch); }, FW_ERROR_READ_PORT_ENABLED},
    {"PortEnabledAdd", true, FailCall("INetFwOpenPort::get_Enabled"),
     [](FirewallAccess& f) { return f.AddPortException(53, 17, u"Dns"); }, FW_ERROR_READ_PORT_ENABLED,
     "CoCreateInstance(NetFwOpenPort)"},
    {"PortEnabledRemove", true, FailCall("INetFwOpenPort::get_Enabled"),
     [](FirewallAccess& f) { return f.RemovePortException(80, 6); }, FW_ERROR_READ_PORT_ENABLED,
     "INetFwOpenPorts::Remove"},
    {"PortEnabledToggle", true, FailCall("INetFwOpenPort::put_Enabled"),
     [](FirewallAccess& f) { return f.TogglePortException(80, 6, 1); }, FW_ERROR_WRITE_PORT_ENABLED},
    {"DisabledPortRemove", true, FailCall("INetFwOpenPorts::Remove"),
     [](FirewallAccess& f) { return f.RemovePortException(53, 17); }, FW_ERROR_COLLECTION_REMOVE},
    {"DisabledProgramRemove", true, FailCall("INetFwAuthorizedApplications::Remove"),
     [](FirewallAccess& f) { return f.RemoveProgramException(u"C:\\off.exe"); }, FW_ERROR_COLLECTION_REMOVE},

    {"CreatePort", true, FailCall("CoCreateInstance(NetFwOpenPort)"),
     [](FirewallAccess& f) { return f.AddPortException(8080, 6, u"Web"); }, FW_ERROR_CREATE_PORT,
     "INetFwOpenPort::put_Port"},
    {"SetPort", true, FailCall("INetFwOpenPort::put_Port"),
     [](FirewallAccess& f) { return f.AddPortException(8080, 6, u"Web"); }, FW_ERROR_SET_PORT,
     "INetFwOpenPort::put_Protocol"},
    {"PortOutOfRange", true, Nothing(),
     [](FirewallAccess& f) { return f.AddPortException(70000, 6, u"Web"); }, FW_ERROR_SET_PORT,
     "INetFwOpenPort::put_Protocol"},
    {"SetProtocol", true, FailCall("INetFwOpenPort::put_Protocol"),
     [](FirewallAccess& f) { return f.AddPortException(8080, 6, u"Web"); }, FW_ERROR_SET_PROTOCOL,
     "INetFwOpenPort::put_Name"},
};

class ErrorCodeTest : public FirewallTest, public testing::WithParamInterface<Case> {};

TEST_P(ErrorCodeTest, FailingStepGivesItsCodeAndReleasesEverything) {
    const Case& c = GetParam();
    SeedPort(80, 6, true, u"Web");
    SeedPort(53, 17, false, u"Dns");
    SeedProgram(u"C:\\on.exe", true, u"On");
    SeedProgram(u"C:\\off.exe", false, u"Off");
    if (c.openFirst) {
        Open();
    }
    c.arrange(*this);
    const auto portsBefore = policy->ports.size();
    const auto programsBefore = policy->applications.size();

    EXPECT_EQ(c.act(firewall), c.expected);
    if (c.notReached != nullptr) {
        EXPECT_EQ(Calls(c.notReached), 0) << c.notReached << " ran after the failing step";
    }

    ExpectOnlyProfileHeld();
    // A failed add never reaches the collection, and a failed removal removes nothing.
    EXPECT_EQ(policy->ports.size(), portsBefore);
    EXPECT_EQ(policy->applications.size(), programsBefore);
}

INSTANTIATE_TEST_SUITE_P(Steps, ErrorCodeTest, testing::ValuesIn(kCases),
                         [](const testing::TestParamInfo<Case>& info) {
                             return std::string(info.param.label);
                         });

TEST_F(FirewallTest, EveryOperationNeedsAProfile) {
    SeedPort(80, 6, true, u"Web");
    SeedProgram(u"C:\\on.exe", true, u"On");
    int out = 7;
    EXPECT_EQ(firewall.QueryFirewallEnabled(out), FW_ERROR_PROFILE_STATE);
    EXPECT_EQ(out, 0);
    EXPECT_EQ(firewall.SwitchFirewallOn(), FW_ERROR_PROFILE_STATE);
    EXPECT_EQ(firewall.SwitchFirewallOff(), FW_ERROR_PROFILE_STATE);
    out = 7;
    EXPECT_EQ(firewall.QueryPortException(80, 6, out), FW_ERROR_PROFILE_STATE);
    EXPECT_EQ(out, 0);
    EXPECT_EQ(firewall.AddPortException(8080, 6, u"Web"), FW_ERROR_PROFILE_STATE);
    EXPECT_EQ(firewall.RemovePortException(80, 6), FW_ERROR_PROFILE_STATE);
    EXPECT_EQ(firewall.TogglePortException(80, 6, 1), FW_ERROR_PROFILE_STATE);
    out = 7;
    EXPECT_EQ(firewall.QueryProgramException(u"C:\\on.exe", out), FW_ERROR_PROFILE_STATE);
    EXPECT_EQ(out, 0);
    // The missing profile is noticed before a null argument.
    EXPECT_EQ(firewall.AddProgramException(nullptr, nullptr), FW_ERROR_PROFILE_STATE);
    EXPECT_EQ(firewall.RemoveProgramException(u"C:\\on.exe"), FW_ERROR_PROFILE_STATE);
    EXPECT_EQ(firewall.ToggleProgramException(u"C:\\on.exe", 1), FW_ERROR_PROFILE_STATE);
    firewall.ListPortExceptions();
    firewall.ListProgramExceptions();
    EXPECT_TRUE(host.portRows.empty());
    EXPECT_TRUE(host.programRows.empty());
    ExpectOnlyProfileHeld();
    // Nothing reached the firewall.
    EXPECT_EQ(policy->ports.size(), 1u);
    EXPECT_TRUE(policy->ports[0]->enabled);
    EXPECT_TRUE(policy->applications[0]->enabled);
}

TEST_F(FirewallTest, FailedQueriesLeaveTheirAnswerAtZero) {
    SeedPort(80, 6, true, u"Web");
    SeedProgram(u"C:\\on.exe", true, u"On");
    Open();
    Fail("INetFwOpenPort::get_Enabled");
    Fail("INetFwAuthorizedApplication::get_Enabled");
    Fail("INetFwProfile::get_FirewallEnabled");
    int out = 7;
    EXPECT_EQ(firewall.QueryPortException(80, 6, out), FW_ERROR_READ_PORT_ENABLED);
    EXPECT_EQ(out, 0);
    out = 7;
    EXPECT_EQ(firewall.QueryProgramException(u"C:\\on.exe", out), FW_ERROR_PROGRAM_ENABLED);
    EXPECT_EQ(out, 0);
    out = 7;
    EXPECT_EQ(firewall.QueryFirewallEnabled(out), FW_ERROR_READ_FIREWALL_STATE);
    EXPECT_EQ(out, 0);
}

} // namespace
