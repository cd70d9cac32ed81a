// The policy file keeps what the stand-in holds, and people can write it by hand.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include <unistd.h>

#include "platform/com_ptr.h"
#include "standin/firewall/policy_file.h"
#include "standin/firewall/policy_file_binding.h"
#include "standin/firewall/standin_objects.h"

namespace {

using standin::StandinPolicy;

TEST(PolicyFile, ReadsAHandWrittenPolicy) {
    const std::string text = "# my firewall\n"
                             "firewall off\n"
                             "\n"
                             "port 8080 TCP on Web server\n"
                             "port 53 udp off Dns\n"
                             "port 500 47 on Tunnel\n"
                             "program on C:\\Program Files\\App\\app.exe | My App\n"
                             "program off  C:\\x.exe|X  \n"
                             "fail INetFwMgr::get_LocalPolicy 0x80004005 3\n"
                             "fail INetFwPolicy::get_CurrentProfile -2147467259\n";
    StandinPolicy policy;
    std::string problems;
    standin::ParsePolicy(text, policy, &problems);
    EXPECT_EQ(problems, "");
    EXPECT_FALSE(policy.firewallEnabled);
    ASSERT_EQ(policy.ports.size(), 3u);
    EXPECT_EQ(policy.ports[0]->name, u"Web server");
    EXPECT_EQ(policy.ports[0]->port, 8080);
    EXPECT_TRUE(policy.ports[0]->enabled);
    EXPECT_EQ(policy.ports[1]->protocol, 17);
    EXPECT_FALSE(policy.ports[1]->enabled);
    EXPECT_EQ(policy.ports[2]->protocol, 47);
    ASSERT_EQ(policy.applications.size(), 2u);
    EXPECT_EQ(policy.applications[0]->path, u"C:\\Program Files\\App\\app.exe");
    EXPECT_EQ(policy.applications[0]->name, u"My App");
    EXPECT_EQ(policy.applications[1]->path, u"C:\\x.exe");
    EXPECT_FALSE(policy.applications[1]->enabled);
    // A failure read from the file takes effect: three times, then never again.
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(policy.failures.Check("INetFwMgr::get_LocalPolicy"), E_FAIL);
    }
    EXPECT_EQ(policy.failures.Check("INetFwMgr::get_LocalPolicy"), S_OK);
    EXPECT_EQ(policy.failures.Check("INetFwPolicy::get_CurrentProfile"), E_FAIL);
}

TEST(PolicyFile, ReportsBadLinesAndKeepsTheRest) {
    StandinPolicy policy;
    std::string problems;
    standin::ParsePolicy("port 70000 TCP on Big\n"
                         "port 80 TCP maybe Web\n"
                         "program on no-separator\n"
                         "colour blue\n"
                         "fail X notanumber\n"
                         "port 443 TCP on Https\n",
                         policy, &problems);
    EXPECT_NE(problems.find("line 1:"), std::string::npos);
    EXPECT_NE(problems.find("line 2:"), std::string::npos);
    EXPECT_NE(problems.find("line 3:"), std::string::npos);
    EXPECT_NE(problems.find("line 4:"), std::string::npos);
    EXPECT_NE(problems.find("line 5:"), std::string::npos);
    EXPECT_EQ(problems.find("line 6:"), std::string::npos);
    ASSERT_EQ(policy.ports.size(), 1u);
    EXPECT_EQ(policy.ports[0]->port, 443);
}

TEST(PolicyFile, WritesWhatItReadsBackUnchanged) {
    StandinPolicy policy;
    policy.firewallEnabled = false;
    standin::OpenPortData port;
    port.port = 8080;
    port.name = u" 100% sure | line\nbreak ";
    policy.PutPort(port);
    port.port = 9;
    port.protocol = 132;
    port.enabled = false;
    port.name = u"\u65e5\u672c \U0001F600";
    policy.PutPort(port);
    standin::ApplicationData app;
    app.path = u"C:\\Program Files\\\u00c9diteur\\e.exe";
    app.name = u"\u00c9diteur";
    policy.PutApplication(app);
    policy.failures.Fail("INetFwOpenPorts::Add", static_cast<HRESULT>(0x80070005u), 2,
                         standin::FailureInjector::Origin::File);
    policy.failures.Fail("Kept::Out", E_FAIL, 1, standin::FailureInjector::Origin::Environment);

    const std::string text = standin::FormatPolicy(policy);
    StandinPolicy again;
    std::string problems;
    standin::ParsePolicy(text, again, &problems);
    EXPECT_EQ(problems, "");
    EXPECT_EQ(standin::FormatPolicy(again), text);
    ASSERT_EQ(again.ports.size(), 2u);
    EXPECT_EQ(again.ports[0]->name, port.name == u"" ? u"" : u" 100% sure | line\nbreak ");
    EXPECT_EQ(again.ports[1]->name, u"\u65e5\u672c \U0001F600");
    EXPECT_EQ(again.ports[1]->protocol, 132);
    EXPECT_EQ(again.applications[0]->path, app.path);
    // Only the file's own failures are written; an escaped line break cannot smuggle in a line.
    EXPECT_EQ(again.failures.Rules().size(), 1u);
    EXPECT_EQ(again.failures.Rules().count("INetFwOpenPorts::Add"), 1u);
}

TEST(PolicyFile, SavesAndLoadsThroughTheFileSystem) {
    const std::filesystem::path file =
        std::filesystem::path(testing::TempDir()) / ("palisor-policy-test-" + std::to_string(getpid()));
    std::filesystem::remove(file);
    StandinPolicy policy;
    ASSERT_TRUE(standin::LoadPolicyFile(file, policy)); // no file yet: the default policy
    EXPECT_TRUE(policy.firewallEnabled);
    EXPECT_TRUE(policy.ports.empty());

    standin::ApplicationData app;
    app.path = u"C:\\a.exe";
    app.name = u"A";
    policy.PutApplication(app);
    policy.firewallEnabled = false;
    ASSERT_TRUE(standin::SavePolicyFile(file, policy));

    StandinPolicy loaded;
    loaded.firewallEnabled = true;
    ASSERT_TRUE(standin::LoadPolicyFile(file, loaded));
    EXPECT_FALSE(loaded.firewallEnabled);
    ASSERT_EQ(loaded.applications.size(), 1u);
    EXPECT_EQ(loaded.applications[0]->name, u"A");
    EXPECT_FALSE(std::filesystem::exists(file.string() + ".new"));

    // A save whose new file cannot be written leaves the old policy whole.
    std::filesystem::create_directory(file.string() + ".new");
    policy.firewallEnabled = true;
    EXPECT_FALSE(standin::SavePolicyFile(file, policy));
    StandinPolicy kept;
    ASSERT_TRUE(standin::LoadPolicyFile(file, kept));
    EXPECT_FALSE(kept.firewallEnabled);
    EXPECT_EQ(kept.applications.size(), 1u);
    std::filesystem::remove(file.string() + ".new");
    std::filesystem::remove(file);
}

TEST(PolicyFile, FailureListFromTheEnvironment) {
    standin::FailureInjector failures;
    EXPECT_TRUE(standin::ParseFailureList(
        " INetFwMgr::get_LocalPolicy=0x80004005:once ; CoCreateInstance(NetFwMgr)=0x80040154;X::y=-1:2 ",
        failures, standin::FailureInjector::Origin::Environment));
    EXPECT_EQ(failures.Check("INetFwMgr::get_LocalPolicy"), E_FAIL);
    EXPECT_EQ(failures.Check("INetFwMgr::get_LocalPolicy"), S_OK);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(failures.Check("CoCreateInstance(NetFwMgr)"), REGDB_E_CLASSNOTREG);
    }
    EXPECT_EQ(failures.Check("X::y"), -1);
    EXPECT_EQ(failures.Check("X::y"), -1);
    EXPECT_EQ(failures.Check("X::y"), S_OK);

    EXPECT_FALSE(standin::ParseFailureList("no-equals;A=zz;B=1:never", failures,
                                           standin::FailureInjector::Origin::Environment));
    EXPECT_EQ(failures.Rules().count("A"), 0u);
}

} // namespace

namespace {

// Two processes sharing one policy file, each with its own policy and binding.
TEST(PolicyFileBinding, ProcessesSeeEachOthersChangesAndKeepThem) {
    const std::filesystem::path file =
        std::filesystem::path(testing::TempDir()) / ("palisor-shared-policy-" + std::to_string(getpid()));
    std::filesystem::remove(file);
    {
        std::ofstream out(file);
        out << "firewall on\nport 80 TCP on Web\n";
    }
    auto first = std::make_shared<StandinPolicy>();
    auto second = std::make_shared<StandinPolicy>();
    standin::PolicyFileBinding firstBinding(file);
    standin::PolicyFileBinding secondBinding(file);
    firstBinding.Attach(*first);
    secondBinding.Attach(*second);
    firstBinding.Load(*first, false);
    secondBinding.Load(*second, false);

    // The first process adds a port and saves.
    standin::OpenPortData port;
    port.port = 8080;
    port.name = u"Proxy";
    first->PutPort(port);
    ASSERT_EQ(first->Changed(), S_OK);

    // The second sees it before it hands out its state, and its own change keeps the first one's.
    second->Refresh();
    ASSERT_EQ(second->ports.size(), 2u);
    second->firewallEnabled = false;
    ASSERT_EQ(second->Changed(), S_OK);

    first->Refresh();
    EXPECT_FALSE(first->firewallEnabled);
    EXPECT_EQ(first->ports.size(), 2u);
    std::filesystem::remove(file);
}

// A policy file that exists but cannot be read is never replaced by the defaults: changes are refused
// until it can be read again.
TEST(PolicyFileBinding, AnUnreadableFileBlocksChangesUntilItCanBeRead) {
    const std::filesystem::path file =
        std::filesystem::path(testing::TempDir()) / ("palisor-unreadable-policy-" + std::to_string(getpid()));
    std::filesystem::remove_all(file);
    std::filesystem::create_directory(file); // there, but no file to read
    StandinPolicy policy;
    standin::PolicyFileBinding binding(file);
    binding.Attach(policy);
    binding.Load(policy, false);
    EXPECT_TRUE(binding.Unreadable());
    EXPECT_FALSE(binding.Problems().empty());
    EXPECT_EQ(policy.MayChange(), standin::PolicyFileBinding::kUnreadable);
    EXPECT_FALSE(binding.Save(policy));
    EXPECT_TRUE(std::filesystem::is_directory(file));

    // Refused through the objects too, and nothing changes.
    auto shared = std::make_shared<StandinPolicy>();
    standin::PolicyFileBinding sharedBinding(file);
    sharedBinding.Attach(*shared);
    sharedBinding.Load(*shared, false);
    ComPtr<INetFwProfile> profile = ComPtr<INetFwProfile>::Adopt(standin::CreateProfile(shared));
    EXPECT_EQ(profile->put_FirewallEnabled(VARIANT_FALSE), standin::PolicyFileBinding::kUnreadable);
    EXPECT_TRUE(shared->firewallEnabled);

    // Readable again: the file's policy is read first, then the change is made and saved.
    std::filesystem::remove(file);
    {
        std::ofstream out(file);
        out << "firewall on\nport 80 TCP on Web\n";
    }
    EXPECT_EQ(profile->put_FirewallEnabled(VARIANT_FALSE), S_OK);
    EXPECT_FALSE(sharedBinding.Unreadable());
    EXPECT_EQ(shared->ports.size(), 1u);
    StandinPolicy saved;
    ASSERT_TRUE(standin::LoadPolicyFile(file, saved));
    EXPECT_FALSE(saved.firewallEnabled);
    EXPECT_EQ(saved.ports.size(), 1u);
    profile.Reset();
    std::filesystem::remove(file);
}

TEST(PolicyFileBinding, AnUnchangedFileIsNotReadAgain) {
    const std::filesystem::path file =
        std::filesystem::path(testing::TempDir()) / ("palisor-unchanged-policy-" + std::to_string(getpid()));
    {
        std::ofstream out(file);
        out << "fail INetFwMgr::get_LocalPolicy 0x80004005 1\n";
    }
    StandinPolicy policy;
    standin::PolicyFileBinding binding(file);
    binding.Attach(policy);
    binding.Load(policy, false);
    EXPECT_EQ(policy.failures.Check("INetFwMgr::get_LocalPolicy"), E_FAIL);
    // A failure counted down stays counted down while nobody touches the file.
    policy.Refresh();
    EXPECT_EQ(policy.failures.Check("INetFwMgr::get_LocalPolicy"), S_OK);
    std::filesystem::remove(file);
}

} // namespace
