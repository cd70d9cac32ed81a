// The stand-in firewall behaves like the service where the program relies on it, and its failure
// injection and counts are exact.
#include <gtest/gtest.h>

#include "platform/com_ptr.h"
#include "platform/com_string.h"
#include "platform/com_variant.h"
#include "standin/firewall/standin_objects.h"

namespace {

using standin::StandinPolicy;

class StandinTest : public testing::Test {
public:
    void TearDown() override {
        ports.Reset();
        apps.Reset();
        EXPECT_EQ(standin::LiveObjectCount(), baseObjects);
        EXPECT_EQ(LiveComStringCount(), 0);
    }

    ComPtr<INetFwOpenPort> NewPort() {
        ComPtr<INetFwOpenPort> port;
        EXPECT_EQ(
            standin::CreateInstance(policy, CLSID_NetFwOpenPort, IID_INetFwOpenPort, port.ReceiveVoid()),
            S_OK);
        return port;
    }
    HRESULT AddPort(LONG number, NET_FW_IP_PROTOCOL protocol, const char16_t* name) {
        ComPtr<INetFwOpenPort> port = NewPort();
        ComString comName(name);
        EXPECT_EQ(port->put_Port(number), S_OK);
        EXPECT_EQ(port->put_Protocol(protocol), S_OK);
        EXPECT_EQ(port->put_Name(comName.Get()), S_OK);
        return ports->Add(port.Get());
    }

    // Counted before the collections below come into being.
    long baseObjects = standin::LiveObjectCount();
    std::shared_ptr<StandinPolicy> policy = std::make_shared<StandinPolicy>();
    ComPtr<INetFwOpenPorts> ports = ComPtr<INetFwOpenPorts>::Adopt(standin::CreateOpenPorts(policy));
    ComPtr<INetFwAuthorizedApplications> apps =
        ComPtr<INetFwAuthorizedApplications>::Adopt(standin::CreateApplications(policy));
};

TEST_F(StandinTest, PortNumbersOutsideTheRangeAreRefused) {
    ComPtr<INetFwOpenPort> port = NewPort();
    for (LONG bad : {0, -1, 65536, 70000}) {
        EXPECT_EQ(port->put_Port(bad), E_INVALIDARG) << bad;
    }
    for (LONG good : {1, 80, 65535}) {
        EXPECT_EQ(port->put_Port(good), S_OK) << good;
    }
    EXPECT_EQ(port->put_Protocol(static_cast<NET_FW_IP_PROTOCOL>(1)), E_INVALIDARG);
    EXPECT_EQ(port->put_Name(nullptr), E_INVALIDARG);
    // A port without a name never reaches the policy.
    EXPECT_EQ(ports->Add(port.Get()), E_INVALIDARG);
    EXPECT_EQ(ports->Add(nullptr), E_INVALIDARG);
    EXPECT_TRUE(policy->ports.empty());
}

TEST_F(StandinTest, AddingAnExistingPairReplacesItWhereItStands) {
    ASSERT_EQ(AddPort(80, NET_FW_IP_PROTOCOL_TCP, u"Web"), S_OK);
    ASSERT_EQ(AddPort(53, NET_FW_IP_PROTOCOL_UDP, u"Dns"), S_OK);
    policy->ports[0]->enabled = false;
    ASSERT_EQ(AddPort(80, NET_FW_IP_PROTOCOL_TCP, u"Http"), S_OK);
    ASSERT_EQ(policy->ports.size(), 2u);
    EXPECT_EQ(policy->ports[0]->name, u"Http");
    EXPECT_TRUE(policy->ports[0]->enabled);
    EXPECT_EQ(policy->ports[1]->name, u"Dns");
}

TEST_F(StandinTest, ItemsAreLiveViewsAndChangesAreSaved) {
    int saves = 0;
    policy->onChange = [&] {
        ++saves;
        return S_OK;
    };
    ASSERT_EQ(AddPort(80, NET_FW_IP_PROTOCOL_TCP, u"Web"), S_OK);
    EXPECT_EQ(saves, 1); // only the Add: the detached object's settings are not the policy's
    ComPtr<INetFwOpenPort> item;
    ASSERT_EQ(ports->Item(80, NET_FW_IP_PROTOCOL_TCP, item.Receive()), S_OK);
    EXPECT_EQ(item->put_Enabled(VARIANT_FALSE), S_OK);
    EXPECT_FALSE(policy->ports[0]->enabled);
    EXPECT_EQ(saves, 2);
    EXPECT_EQ(ports->Item(80, NET_FW_IP_PROTOCOL_UDP, item.Receive()), standin::kNotFound);
    EXPECT_FALSE(item);
    EXPECT_EQ(ports->Remove(80, NET_FW_IP_PROTOCOL_UDP), standin::kNotFound);
    EXPECT_EQ(ports->Remove(80, NET_FW_IP_PROTOCOL_TCP), S_OK);
    EXPECT_TRUE(policy->ports.empty());
    EXPECT_EQ(saves, 3);
}

// A user without administrator rights reads everything and changes nothing.
TEST_F(StandinTest, WithWritesRefusedEveryChangeIsAccessDenied) {
    ASSERT_EQ(AddPort(80, NET_FW_IP_PROTOCOL_TCP, u"Web"), S_OK);
    standin::ApplicationData app;
    app.path = u"C:\\a.exe";
    app.name = u"A";
    policy->PutApplication(app);
    int saves = 0;
    policy->onChange = [&] {
        ++saves;
        return S_OK;
    };
    policy->writesRefused = true;

    // A new, detached object still takes its settings; adding it is refused.
    EXPECT_EQ(AddPort(81, NET_FW_IP_PROTOCOL_TCP, u"Other"), E_ACCESSDENIED);
    ComPtr<INetFwOpenPort> item;
    ASSERT_EQ(ports->Item(80, NET_FW_IP_PROTOCOL_TCP, item.Receive()), S_OK);
    VARIANT_BOOL enabled = VARIANT_FALSE;
    EXPECT_EQ(item->get_Enabled(&enabled), S_OK);
    EXPECT_EQ(enabled, VARIANT_TRUE);
    EXPECT_EQ(item->put_Enabled(VARIANT_FALSE), E_ACCESSDENIED);
    EXPECT_EQ(ports->Remove(80, NET_FW_IP_PROTOCOL_TCP), E_ACCESSDENIED);

    ComPtr<INetFwAuthorizedApplication> program;
    ComString path(u"C:\\a.exe");
    ASSERT_EQ(apps->Item(path.Get(), program.Receive()), S_OK);
    EXPECT_EQ(program->put_Enabled(VARIANT_FALSE), E_ACCESSDENIED);
    EXPECT_EQ(apps->Remove(path.Get()), E_ACCESSDENIED);

    ComPtr<INetFwProfile> profile = ComPtr<INetFwProfile>::Adopt(standin::CreateProfile(policy));
    EXPECT_EQ(profile->put_FirewallEnabled(VARIANT_FALSE), E_ACCESSDENIED);

    EXPECT_EQ(saves, 0);
    EXPECT_TRUE(policy->firewallEnabled);
    ASSERT_EQ(policy->ports.size(), 1u);
    EXPECT_TRUE(policy->ports[0]->enabled);
    ASSERT_EQ(policy->applications.size(), 1u);
    EXPECT_TRUE(policy->applications[0]->enabled);
}

TEST_F(StandinTest, EnumeratorDeliversInInsertionOrder) {
    ASSERT_EQ(AddPort(300, NET_FW_IP_PROTOCOL_TCP, u"C"), S_OK);
    ASSERT_EQ(AddPort(100, NET_FW_IP_PROTOCOL_TCP, u"A"), S_OK);
    ASSERT_EQ(AddPort(200, NET_FW_IP_PROTOCOL_UDP, u"B"), S_OK);
    ComPtr<IUnknown> object;
    ASSERT_EQ(ports->get__NewEnum(object.Receive()), S_OK);
    ComPtr<IEnumVARIANT> enumerator;
    ASSERT_EQ(object->QueryInterface(IID_IEnumVARIANT, enumerator.ReceiveVoid()), S_OK);

    std::vector<LONG> seen;
    ComVariant element;
    while (enumerator->Next(1, element.Get(), nullptr) == S_OK) {
        ASSERT_EQ((*element).vt, VT_DISPATCH);
        ComPtr<INetFwOpenPort> port;
        ASSERT_EQ((*element).pdispVal->QueryInterface(IID_INetFwOpenPort, port.ReceiveVoid()), S_OK);
        LONG number = 0;
        port->get_Port(&number);
        seen.push_back(number);
        element.Clear();
    }
    EXPECT_EQ(seen, (std::vector<LONG>{300, 100, 200}));

    // Several at once: the count fetched tells how many arrived.
    enumerator->Reset();
    VARIANT batch[4];
    ULONG fetched = 0;
    EXPECT_EQ(enumerator->Next(4, batch, &fetched), S_FALSE);
    EXPECT_EQ(fetched, 3u);
    for (ULONG i = 0; i < fetched; ++i) {
        VariantClear(&batch[i]);
    }
}

TEST_F(StandinTest, ApplicationPathsCompareWithoutCase) {
    ComPtr<INetFwAuthorizedApplication> app;
    ASSERT_EQ(standin::CreateInstance(policy, CLSID_NetFwAuthorizedApplication,
                                      IID_INetFwAuthorizedApplication, app.ReceiveVoid()),
              S_OK);
    ComString path(u"C:\\Program Files\\\u00c9diteur.exe");
    ComString name(u"Editor");
    ASSERT_EQ(app->put_ProcessImageFileName(path.Get()), S_OK);
    ASSERT_EQ(app->put_Name(name.Get()), S_OK);
    ASSERT_EQ(apps->Add(app.Get()), S_OK);

    ComString other(u"c:\\PROGRAM FILES\\\u00e9DITEUR.EXE");
    ComPtr<INetFwAuthorizedApplication> found;
    EXPECT_EQ(apps->Item(other.Get(), found.Receive()), S_OK);
    VARIANT_BOOL enabled = VARIANT_FALSE;
    ASSERT_TRUE(found);
    EXPECT_EQ(found->get_Enabled(&enabled), S_OK);
    EXPECT_EQ(enabled, VARIANT_TRUE); // new exceptions start enabled
    EXPECT_EQ(apps->Remove(other.Get()), S_OK);
    EXPECT_TRUE(policy->applications.empty());
}

TEST_F(StandinTest, InjectedFailuresCountDownAndCallsAreCounted) {
    auto& failures = policy->failures;
    LONG count = 0;
    failures.Fail("INetFwOpenPorts::get_Count", E_UNEXPECTED, 2);
    EXPECT_EQ(ports->get_Count(&count), E_UNEXPECTED);
    EXPECT_EQ(ports->get_Count(&count), E_UNEXPECTED);
    EXPECT_EQ(ports->get_Count(&count), S_OK);

    failures.FailAfter("INetFwOpenPorts::get_Count", 1, E_FAIL, 1);
    EXPECT_EQ(ports->get_Count(&count), S_OK);
    EXPECT_EQ(ports->get_Count(&count), E_FAIL);
    EXPECT_EQ(ports->get_Count(&count), S_OK);

    failures.Fail("INetFwOpenPorts::get_Count", E_FAIL);
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(ports->get_Count(&count), E_FAIL);
    }
    failures.Clear("INetFwOpenPorts::get_Count");
    EXPECT_EQ(ports->get_Count(&count), S_OK);
    EXPECT_EQ(failures.Calls("INetFwOpenPorts::get_Count"), 12);
}

TEST_F(StandinTest, OnlyTheThreeFirewallClassesAreCreated) {
    void* object = reinterpret_cast<void*>(1);
    const CLSID other = {0x12345678, 1, 2, {3, 4, 5, 6, 7, 8, 9, 10}};
    EXPECT_EQ(standin::CreateInstance(policy, other, IID_IUnknown, &object), REGDB_E_CLASSNOTREG);
    EXPECT_EQ(object, nullptr);
    EXPECT_EQ(standin::CreateInstance(policy, CLSID_NetFwMgr, IID_INetFwOpenPort, &object), E_NOINTERFACE);
    EXPECT_EQ(object, nullptr);
    policy->failures.Fail("CoCreateInstance(NetFwMgr)", REGDB_E_CLASSNOTREG);
    EXPECT_EQ(standin::CreateInstance(policy, CLSID_NetFwMgr, IID_INetFwMgr, &object), REGDB_E_CLASSNOTREG);
}

} // namespace
