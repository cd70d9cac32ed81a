// Port exceptions: listing into the ports page, adding, removing and switching.
#include <cstdlib>
#include <string>

#include "tests/unit/firewall/firewall_fixture.h"

namespace {

using Row = RecordingHost::PortRow;

class PortTest : public FirewallTest {
public:
    std::vector<Row> List() {
        host.portRows.clear();
        firewall.ListPortExceptions();
        ExpectOnlyProfileHeld();
        return host.portRows;
    }
};

TEST_F(PortTest, ListsEveryExceptionInTheFirewallsOrder) {
    SeedPort(8080, 6, true, u"Web");
    SeedPort(53, 17, false, u"Dns");
    SeedPort(1, 6, false, u"Low");
    SeedPort(65535, 17, true, u"High");
    Open();

    EXPECT_EQ(List(), (std::vector<Row>{{"Web", "TCP", "8080 ", 1},
                                        {"Dns", "UDP", "53 ", 0},
                                        {"Low", "TCP", "1 ", 0},
                                        {"High", "UDP", "65535 ", 1}}));
}

TEST_F(PortTest, EveryProtocolButTcpIsListedAsUdp) {
    const int protocols[] = {6, 17, 0, 1, 47, 255};
    long port = 100;
    for (int protocol : protocols) {
        SeedPort(port++, protocol, true, u"P");
    }
    Open();
    const std::vector<Row> rows = List();
    ASSERT_EQ(rows.size(), 6u);
    EXPECT_EQ(rows[0].protocolText, "TCP");
    for (std::size_t i = 1; i < rows.size(); ++i) {
        EXPECT_EQ(rows[i].protocolText, "UDP") << "protocol " << protocols[i];
    }
}

TEST_F(PortTest, PortTextReadsBackAsThePortNumber) {
    const long ports[] = {1, 443, 8080, 65535};
    for (long port : ports) {
        SeedPort(port, 6, true, u"P");
    }
    Open();
    const std::vector<Row> rows = List();
    ASSERT_EQ(rows.size(), 4u);
    for (std::size_t i = 0; i < rows.size(); ++i) {
        EXPECT_EQ(std::atol(rows[i].portText.c_str()), ports[i]);
        EXPECT_EQ(rows[i].portText.back(), ' ');
    }
}

TEST_F(PortTest, LongNamesAreCutToTheRowBuffer) {
    SeedPort(1, 6, true, standin::OleString(400, u'x').c_str());
    // Two bytes per letter in the narrow text: the cut must fall between letters.
    SeedPort(2, 6, true, standin::OleString(200, u'\u00e9').c_str());
    Open();
    const std::vector<Row> rows = List();
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].name, std::string(255, 'x'));
    std::string expected;
    for (int i = 0; i < 127; ++i) {
        expected += "\xc3\xa9";
    }
    EXPECT_EQ(rows[1].name, expected);
}

struct Unreadable {
    const char* call;
};

class UnreadablePortTest : public PortTest, public testing::WithParamInterface<Unreadable> {};

TEST_P(UnreadablePortTest, IsLeftOutAndTheRestListed) {
    SeedPort(1, 6, true, u"First");
    SeedPort(2, 17, false, u"Second");
    Open();
    Fail(GetParam().call, 1);
    EXPECT_EQ(List(), (std::vector<Row>{{"Second", "UDP", "2 ", 0}}));
}

INSTANTIATE_TEST_SUITE_P(Elements, UnreadablePortTest,
                         testing::Values(Unreadable{"INetFwOpenPort::QueryInterface"},
                                         Unreadable{"INetFwOpenPort::get_Name"},
                                         Unreadable{"INetFwOpenPort::get_Port"},
                                         Unreadable{"INetFwOpenPort::get_Protocol"},
                                         Unreadable{"INetFwOpenPort::get_Enabled"}));

class UnopenablePortsTest : public PortTest, public testing::WithParamInterface<Unreadable> {};

TEST_P(UnopenablePortsTest, GiveAnEmptyList) {
    SeedPort(1, 6, true, u"First");
    Open();
    Fail(GetParam().call);
    EXPECT_TRUE(List().empty());
}

INSTANTIATE_TEST_SUITE_P(Collections, UnopenablePortsTest,
                         testing::Values(Unreadable{"INetFwProfile::get_GloballyOpenPorts"},
                                         Unreadable{"INetFwOpenPorts::get__NewEnum"},
                                         Unreadable{"IEnumVARIANT::QueryInterface"},
                                         Unreadable{"IEnumVARIANT::Next"}));

TEST_F(PortTest, AddCreatesAnEnabledExceptionWithTheGivenName) {
    Open();
    EXPECT_EQ(firewall.AddPortException(8080, 6, u"Web"), FW_ERROR_NONE);
    ExpectOnlyProfileHeld();
    EXPECT_EQ(List(), (std::vector<Row>{{"Web", "TCP", "8080 ", 1}}));
    int enabled = 0;
    EXPECT_EQ(firewall.QueryPortException(8080, 6, enabled), FW_ERROR_NONE);
    EXPECT_EQ(enabled, 1);
    // The same number with the other protocol is another exception.
    EXPECT_EQ(firewall.QueryPortException(8080, 17, enabled), FW_ERROR_NONE);
    EXPECT_EQ(enabled, 0);
}

TEST_F(PortTest, AddLeavesAnEnabledExceptionAndItsNameAlone) {
    SeedPort(8080, 6, true, u"Old");
    Open();
    EXPECT_EQ(firewall.AddPortException(8080, 6, u"New"), FW_ERROR_NONE);
    EXPECT_EQ(Calls("CoCreateInstance(NetFwOpenPort)"), 0);
    EXPECT_EQ(List(), (std::vector<Row>{{"Old", "TCP", "8080 ", 1}}));
}

TEST_F(PortTest, AddOverADisabledExceptionHandsItToTheFirewall) {
    SeedPort(8080, 6, false, u"Old");
    Open();
    EXPECT_EQ(firewall.AddPortException(8080, 6, u"New"), FW_ERROR_NONE);
    EXPECT_EQ(Calls("INetFwOpenPorts::Add"), 1);
    // The stand-in, like the service, replaces the entry with the new, enabled one.
    EXPECT_EQ(List(), (std::vector<Row>{{"New", "TCP", "8080 ", 1}}));
}

TEST_F(PortTest, AddWithEmptyNameFailsAfterPortAndProtocolWereSet) {
    Open();
    EXPECT_EQ(firewall.AddPortException(8080, 6, u""), FW_ERROR_EMPTY_STRING);
    EXPECT_EQ(Calls("INetFwOpenPort::put_Port"), 1);
    EXPECT_EQ(Calls("INetFwOpenPort::put_Protocol"), 1);
    EXPECT_EQ(Calls("INetFwOpenPort::put_Name"), 0);
    EXPECT_TRUE(List().empty());
}

struct Removal {
    const char* label;
    bool exists;
    bool enabled;
    bool removed;
    int collectionFetches; // one for the query, one more for the removal
};

class PortRemovalTest : public PortTest, public testing::WithParamInterface<Removal> {};

TEST_P(PortRemovalTest, RemovesTheExceptionSwitchedOnOrOff) {
    const Removal& r = GetParam();
    SeedPort(9000, 17, true, u"Other");
    if (r.exists) {
        SeedPort(8080, 6, r.enabled, u"Web");
    }
    Open();
    EXPECT_EQ(firewall.RemovePortException(8080, 6), FW_ERROR_NONE);
    ExpectOnlyProfileHeld();
    // The exception is looked up once, by the query that comes first.
    EXPECT_EQ(Calls("INetFwOpenPorts::Item"), 1);
    EXPECT_EQ(Calls("INetFwProfile::get_GloballyOpenPorts"), r.collectionFetches);
    EXPECT_EQ(Calls("INetFwOpenPorts::Remove"), r.removed ? 1 : 0);
    EXPECT_EQ(policy->FindPort(8080, 6) != nullptr, r.exists && !r.removed);
    EXPECT_NE(policy->FindPort(9000, 17), nullptr);
}

INSTANTIATE_TEST_SUITE_P(States, PortRemovalTest,
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

class PortToggleTest : public PortTest, public testing::WithParamInterface<Toggle> {};

TEST_P(PortToggleTest, TickedOneSwitchesOffAnythingElseOn) {
    const Toggle& t = GetParam();
    SeedPort(8080, 6, t.initiallyEnabled, u"Web");
    Open();
    EXPECT_EQ(firewall.TogglePortException(8080, 6, t.ticked), FW_ERROR_NONE);
    ExpectOnlyProfileHeld();
    EXPECT_EQ(policy->FindPort(8080, 6)->enabled, t.enabledAfter);
}

INSTANTIATE_TEST_SUITE_P(Ticks, PortToggleTest,
                         testing::Values(Toggle{true, 1, false}, Toggle{false, 1, false},
                                         Toggle{false, 0, true}, Toggle{true, 0, true},
                                         Toggle{false, 2, true}, Toggle{false, -1, true}));

TEST_F(PortTest, ToggleReportsARefusedWriteAndIgnoresAMissingPair) {
    SeedPort(8080, 6, true, u"Web");
    Open();
    policy->failures.Fail("INetFwOpenPort::put_Enabled", E_ACCESSDENIED);
    EXPECT_EQ(firewall.TogglePortException(8080, 6, 1), FW_ERROR_WRITE_PORT_ENABLED);
    EXPECT_EQ(firewall.LastFailureCause(), E_ACCESSDENIED);
    EXPECT_TRUE(policy->FindPort(8080, 6)->enabled);
    policy->failures.ClearAll();
    policy->failures.ResetCalls();

    EXPECT_EQ(firewall.TogglePortException(8080, 17, 1), FW_ERROR_NONE);
    EXPECT_EQ(firewall.LastFailureCause(), S_OK);
    EXPECT_EQ(Calls("INetFwOpenPort::put_Enabled"), 0);
    ExpectOnlyProfileHeld();
}

} // namespace
