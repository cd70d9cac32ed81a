// Firewall operations of a main window against an in-process stand-in firewall.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "firewall/firewall_access.h"
#include "standin/firewall/standin_com_creator.h"
#include "standin/firewall/standin_policy.h"
#include "tests/unit/firewall/recording_host.h"

inline standin::OleString Ole(const char16_t* text) {
    return standin::OleString(text);
}

class FirewallTest : public testing::Test {
public:
    void SetUp() override {
        baseObjects_ = standin::LiveObjectCount();
        baseStrings_ = LiveComStringCount();
    }
    void TearDown() override {
        firewall.CloseFirewallProfile();
        EXPECT_EQ(standin::LiveObjectCount(), baseObjects_) << "objects outlived the profile";
        EXPECT_EQ(LiveComStringCount(), baseStrings_) << "COM strings were not freed";
    }

    void Open() { ASSERT_EQ(firewall.OpenFirewallProfile(), FW_ERROR_NONE); }

    // Only the profile handle may outlive an operation, and no COM string at all.
    void ExpectOnlyProfileHeld() {
        EXPECT_EQ(standin::LiveObjectCount() - baseObjects_, firewall.Profile() ? 1 : 0);
        EXPECT_EQ(LiveComStringCount() - baseStrings_, 0);
    }

    void SeedPort(long port, int protocol, bool enabled, const char16_t* name) {
        standin::OpenPortData data;
        data.port = static_cast<LONG>(port);
        data.protocol = protocol;
        data.enabled = enabled;
        data.name = name;
        policy->PutPort(data);
    }
    void SeedProgram(const char16_t* path, bool enabled, const char16_t* name) {
        standin::ApplicationData data;
        data.path = path;
        data.enabled = enabled;
        data.name = name;
        policy->PutApplication(data);
    }
    int Calls(const char* call) const { return policy->failures.Calls(call); }
    void Fail(const char* call, int times = standin::FailureInjector::kAlways) {
        policy->failures.Fail(call, E_FAIL, times);
    }

    std::shared_ptr<standin::StandinPolicy> policy = std::make_shared<standin::StandinPolicy>();
    standin::StandinComCreator creator{policy};
    RecordingHost host;
    FirewallAccess firewall{host, creator};

private:
    long baseObjects_ = 0;
    long baseStrings_ = 0;
};
