// Opening the profile at start-up, closing it, and the firewall's on/off state.
#include "tests/unit/firewall/firewall_fixture.h"

namespace {

constexpr unsigned int kStopIconOk = 0x10;

TEST_F(FirewallTest, MissingManagerShowsTheMessageAndEndsTheProcess) {
    policy->failures.Fail("CoCreateInstance(NetFwMgr)", REGDB_E_CLASSNOTREG);

    firewall.OpenFirewallProfile();

    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].text, "Palsor works only under Windows XP");
    EXPECT_EQ(host.messages[0].caption, "Error");
    EXPECT_EQ(host.messages[0].style, kStopIconOk);
    EXPECT_EQ(host.processEnds, std::vector<int>{0});
    // Nothing after the process end runs.
    EXPECT_TRUE(host.waits.empty());
    EXPECT_TRUE(host.modalEnds.empty());
    EXPECT_EQ(Calls("INetFwMgr::get_LocalPolicy"), 0);
    EXPECT_EQ(firewall.Profile(), nullptr);
}

struct LateProfile {
    const char* call;
    int failures;
};

class LateProfileTest : public FirewallTest, public testing::WithParamInterface<LateProfile> {};

TEST_P(LateProfileTest, WaitsOncePerFailedAttemptThenStartsQuietly) {
    policy->failures.Fail(GetParam().call, E_FAIL, GetParam().failures);

    EXPECT_EQ(firewall.OpenFirewallProfile(), FW_ERROR_NONE);

    EXPECT_EQ(host.waits, std::vector<unsigned int>(GetParam().failures, 5000u));
    EXPECT_TRUE(host.messages.empty());
    EXPECT_TRUE(host.modalEnds.empty());
    EXPECT_TRUE(host.processEnds.empty());
    EXPECT_NE(firewall.Profile(), nullptr);
    ExpectOnlyProfileHeld();
}

INSTANTIATE_TEST_SUITE_P(Retries, LateProfileTest,
                         testing::Values(LateProfile{"INetFwMgr::get_LocalPolicy", 2},
                                         LateProfile{"INetFwPolicy::get_CurrentProfile", 2},
                                         // available at the very last retry
                                         LateProfile{"INetFwMgr::get_LocalPolicy", 20}));

TEST_F(FirewallTest, ProfileNeverAvailableEndsTheModalRunAfterTwentyWaits) {
    // The first attempt fails at the policy, every retry at the profile: the first code is returned.
    Fail("INetFwMgr::get_LocalPolicy", 1);
    Fail("INetFwPolicy::get_CurrentProfile");

    EXPECT_EQ(firewall.OpenFirewallProfile(), FW_ERROR_GET_POLICY);

    EXPECT_EQ(host.waits, std::vector<unsigned int>(20, 5000u));
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].text, "Palisor works only under Windows XP");
    EXPECT_EQ(host.messages[0].caption, "Error");
    EXPECT_EQ(host.messages[0].style, kStopIconOk);
    EXPECT_EQ(host.modalEnds, std::vector<int>{0});
    EXPECT_TRUE(host.processEnds.empty());
    EXPECT_EQ(Calls("INetFwMgr::get_LocalPolicy"), 21);
    EXPECT_EQ(Calls("CoCreateInstance(NetFwMgr)"), 1);
    EXPECT_EQ(firewall.Profile(), nullptr);
    ExpectOnlyProfileHeld();

    // What start-up does next finds no profile.
    int on = 1;
    EXPECT_EQ(firewall.QueryFirewallEnabled(on), FW_ERROR_PROFILE_STATE);
    EXPECT_EQ(on, 0);
}

TEST_F(FirewallTest, SecondOpenKeepsTheHeldProfile) {
    Open();
    INetFwProfile* held = firewall.Profile();
    EXPECT_EQ(firewall.OpenFirewallProfile(), FW_ERROR_PROFILE_STATE);
    EXPECT_EQ(firewall.Profile(), held);
    EXPECT_EQ(Calls("CoCreateInstance(NetFwMgr)"), 1);
    ExpectOnlyProfileHeld();
}

TEST_F(FirewallTest, CloseReleasesTheProfileAndMayBeRepeated) {
    EXPECT_EQ(firewall.CloseFirewallProfile(), FW_ERROR_NONE);
    Open();
    ExpectOnlyProfileHeld();
    EXPECT_EQ(firewall.CloseFirewallProfile(), FW_ERROR_NONE);
    EXPECT_EQ(firewall.Profile(), nullptr);
    ExpectOnlyProfileHeld();
    EXPECT_EQ(firewall.CloseFirewallProfile(), FW_ERROR_NONE);
    // A closed session can be opened again.
    Open();
}

TEST_F(FirewallTest, QueryReportsTheFirewallState) {
    Open();
    int on = 7;
    policy->firewallEnabled = true;
    EXPECT_EQ(firewall.QueryFirewallEnabled(on), FW_ERROR_NONE);
    EXPECT_EQ(on, 1);
    policy->firewallEnabled = false;
    EXPECT_EQ(firewall.QueryFirewallEnabled(on), FW_ERROR_NONE);
    EXPECT_EQ(on, 0);
    ExpectOnlyProfileHeld();
}

struct Switch {
    bool initiallyOn;
    bool switchOn;
    int expectedWrites;
};

class SwitchTest : public FirewallTest, public testing::WithParamInterface<Switch> {};

TEST_P(SwitchTest, WritesOnlyWhenTheStateChanges) {
    const Switch& s = GetParam();
    policy->firewallEnabled = s.initiallyOn;
    Open();

    EXPECT_EQ(s.switchOn ? firewall.SwitchFirewallOn() : firewall.SwitchFirewallOff(), FW_ERROR_NONE);

    EXPECT_EQ(policy->firewallEnabled, s.switchOn);
    EXPECT_EQ(Calls("INetFwProfile::put_FirewallEnabled"), s.expectedWrites);
    ExpectOnlyProfileHeld();
}

INSTANTIATE_TEST_SUITE_P(OnOff, SwitchTest,
                         testing::Values(Switch{false, true, 1}, Switch{true, true, 0},
                                         Switch{true, false, 1}, Switch{false, false, 0}));

// A service that reports "on" as 1 rather than -1: the firewall state takes any non-zero value, the
// exceptions only exactly -1.
TEST_F(FirewallTest, ExceptionsCountAsEnabledOnlyForMinusOne) {
    policy->trueValue = 1;
    SeedPort(80, 6, true, u"Web");
    SeedProgram(u"C:\\app.exe", true, u"App");
    Open();

    int on = 0;
    EXPECT_EQ(firewall.QueryFirewallEnabled(on), FW_ERROR_NONE);
    EXPECT_EQ(on, 1);
    int enabled = 7;
    EXPECT_EQ(firewall.QueryPortException(80, 6, enabled), FW_ERROR_NONE);
    EXPECT_EQ(enabled, 0);
    enabled = 7;
    EXPECT_EQ(firewall.QueryProgramException(u"C:\\app.exe", enabled), FW_ERROR_NONE);
    EXPECT_EQ(enabled, 0);
    firewall.ListPortExceptions();
    firewall.ListProgramExceptions();
    ASSERT_EQ(host.portRows.size(), 1u);
    EXPECT_EQ(host.portRows[0].enabled, 0);
    ASSERT_EQ(host.programRows.size(), 1u);
    EXPECT_EQ(host.programRows[0].enabled, 0);
    // Removal does not depend on it: the exception goes, on or off.
    EXPECT_EQ(firewall.RemovePortException(80, 6), FW_ERROR_NONE);
    EXPECT_EQ(Calls("INetFwOpenPorts::Remove"), 1);
    EXPECT_EQ(policy->FindPort(80, 6), nullptr);
    ExpectOnlyProfileHeld();
}

TEST_F(FirewallTest, UnreadableStateBlocksBothSwitches) {
    policy->firewallEnabled = false;
    Open();
    Fail("INetFwProfile::get_FirewallEnabled");
    EXPECT_EQ(firewall.SwitchFirewallOn(), FW_ERROR_READ_FIREWALL_STATE);
    EXPECT_EQ(firewall.SwitchFirewallOff(), FW_ERROR_READ_FIREWALL_STATE);
    EXPECT_EQ(Calls("INetFwProfile::put_FirewallEnabled"), 0);
    EXPECT_FALSE(policy->firewallEnabled);
}

} // namespace
