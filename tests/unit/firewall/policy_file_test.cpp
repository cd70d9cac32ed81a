// The policy file keeps what the stand-in holds, and people can write it by hand.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

#include <csignal>
#include <set>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/com_ptr.h"
#include "standin/firewall/policy_file.h"
#include "standin/firewall/policy_file_binding.h"
#include "standin/firewall/standin_objects.h"

namespace {

using standin::StandinPolicy;

// Files written by this process larger than `bytes` fail to be written (as on a full disk) while the
// limit is in place.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        previousSignal_ = std::signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &previous_);
        rlimit limited = previous_;
        limited.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limited);
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &previous_);
        std::signal(SIGXFSZ, previousSignal_);
    }

private:
    rlimit previous_ = {};
    void (*previousSignal_)(int) = nullptr;
};

std::string ReadFile(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void WriteFile(const std::filesystem::path& file, const std::string& text) {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out << text;
}

// The temporary files of saves that are still lying about in the folder.
std::vector<std::string> LeftoverTemporaries(const std::filesystem::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        if (entry.path().extension() == ".new") {
            names.push_back(entry.path().filename().string());
        }
    }
    return names;
}

// A fresh folder of its own for a test's policy files.
std::filesystem::path TestFolder(const std::string& name) {
    const std::filesystem::path folder =
        std::filesystem::path(testing::TempDir()) / ("palisor-" + name + "-" + std::to_string(getpid()));
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    return folder;
}

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
    const std::filesystem::path folder = TestFolder("policy-file");
    const std::filesystem::path file = folder / "policy.txt";
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
    EXPECT_TRUE(LeftoverTemporaries(folder).empty());

    // A save whose new file cannot be written in full leaves the old policy whole, and nothing of
    // its own behind.
    const std::string before = ReadFile(file);
    policy.firewallEnabled = true;
    {
        FileSizeLimit full(16);
        EXPECT_FALSE(standin::SavePolicyFile(file, policy));
    }
    EXPECT_EQ(ReadFile(file), before);
    EXPECT_TRUE(LeftoverTemporaries(folder).empty());
    std::filesystem::remove_all(folder);
}

// Several processes save the same policy file at once: each save writes a temporary file of its own,
// so every save succeeds, the file is always one whole policy, and no temporary file is left.
TEST(PolicyFile, ConcurrentWritersNeverShareATemporaryFile) {
    const std::filesystem::path folder = TestFolder("writers");
    const std::filesystem::path file = folder / "policy.txt";
    constexpr int kWriters = 3;
    constexpr int kSaves = 150;
    auto policyOf = [](int writer) {
        StandinPolicy policy;
        for (int i = 1; i <= 300; ++i) {
            standin::OpenPortData port;
            port.port = static_cast<LONG>(i);
            port.name = standin::Utf8ToOle("writer " + std::to_string(writer) + " port " + std::to_string(i));
            policy.PutPort(port);
        }
        return policy;
    };
    std::vector<pid_t> children;
    for (int writer = 0; writer < kWriters; ++writer) {
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            const StandinPolicy policy = policyOf(writer);
            int failed = 0;
            for (int save = 0; save < kSaves; ++save) {
                failed += standin::SavePolicyFile(file, policy) ? 0 : 1;
            }
            _exit(failed > 100 ? 100 : failed);
        }
        children.push_back(child);
    }
    // Meanwhile every reading finds one writer's whole policy.
    std::set<std::string> whole;
    for (int writer = 0; writer < kWriters; ++writer) {
        whole.insert(standin::FormatPolicy(policyOf(writer)));
    }
    int torn = 0;
    for (int reading = 0; reading < 200; ++reading) {
        const std::string text = ReadFile(file);
        if (!text.empty() && whole.count(text) == 0) {
            ++torn;
        }
    }
    for (pid_t child : children) {
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFEXITED(status));
        EXPECT_EQ(WEXITSTATUS(status), 0) << "saves failed in writer " << child;
    }
    EXPECT_EQ(torn, 0) << "readings found a policy that no writer wrote";
    EXPECT_EQ(whole.count(ReadFile(file)), 1u);
    EXPECT_TRUE(LeftoverTemporaries(folder).empty());
    std::filesystem::remove_all(folder);
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
    ASSERT_EQ(first->Commit([&] { first->PutPort(port); }), S_OK);

    // The second sees it before it hands out its state, and its own change keeps the first one's.
    second->Refresh();
    ASSERT_EQ(second->ports.size(), 2u);
    ASSERT_EQ(second->Commit([&] { second->firewallEnabled = false; }), S_OK);

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

// A change whose save fails is not made: the objects, the memory and the file go on agreeing, and a
// later save of another change does not write the failed one after all.
TEST(PolicyFileBinding, AChangeThatCannotBeSavedIsNotMade) {
    const std::filesystem::path folder = TestFolder("failed-save");
    const std::filesystem::path file = folder / "policy.txt";
    WriteFile(file, "firewall on\nport 80 TCP on Web\nport 53 UDP off Names\nprogram on C:\\a.exe | A\n");
    auto policy = std::make_shared<StandinPolicy>();
    standin::PolicyFileBinding binding(file);
    binding.Attach(*policy);
    binding.Load(*policy, false);
    const std::string before = ReadFile(file);

    ComPtr<INetFwProfile> profile = ComPtr<INetFwProfile>::Adopt(standin::CreateProfile(policy));
    ComPtr<INetFwOpenPorts> ports;
    ASSERT_EQ(profile->get_GloballyOpenPorts(ports.Receive()), S_OK);
    ComPtr<INetFwAuthorizedApplications> programs;
    ASSERT_EQ(profile->get_AuthorizedApplications(programs.Receive()), S_OK);
    ComPtr<INetFwOpenPort> web;
    ASSERT_EQ(ports->Item(80, NET_FW_IP_PROTOCOL_TCP, web.Receive()), S_OK);
    ComPtr<INetFwOpenPort> fresh = ComPtr<INetFwOpenPort>::Adopt(
        standin::CreateOpenPort(policy, std::make_shared<standin::OpenPortData>(), false));
    ASSERT_EQ(fresh->put_Port(8080), S_OK);
    BSTR proxy = SysAllocString(u"Proxy");
    ASSERT_EQ(fresh->put_Name(proxy), S_OK);
    SysFreeString(proxy);

    const HRESULT writeFault = static_cast<HRESULT>(0x8007001Du);
    {
        FileSizeLimit full(16);
        EXPECT_EQ(web->put_Enabled(VARIANT_FALSE), writeFault);
        EXPECT_EQ(web->put_Port(81), writeFault);
        EXPECT_EQ(ports->Add(fresh.Get()), writeFault);
        EXPECT_EQ(ports->Remove(53, NET_FW_IP_PROTOCOL_UDP), writeFault);
        BSTR path = SysAllocString(u"C:\\a.exe");
        EXPECT_EQ(programs->Remove(path), writeFault);
        SysFreeString(path);
        EXPECT_EQ(profile->put_FirewallEnabled(VARIANT_FALSE), writeFault);
    }
    VARIANT_BOOL enabled = VARIANT_FALSE;
    ASSERT_EQ(web->get_Enabled(&enabled), S_OK);
    EXPECT_EQ(enabled, VARIANT_TRUE);
    LONG port = 0;
    ASSERT_EQ(web->get_Port(&port), S_OK);
    EXPECT_EQ(port, 80);
    EXPECT_TRUE(policy->firewallEnabled);
    ASSERT_EQ(policy->ports.size(), 2u);
    ASSERT_NE(policy->FindPort(80, 6), nullptr);
    EXPECT_TRUE(policy->FindPort(80, 6)->enabled);
    EXPECT_NE(policy->FindPort(53, 17), nullptr);
    EXPECT_EQ(policy->FindPort(8080, 6), nullptr);
    EXPECT_EQ(policy->applications.size(), 1u);
    EXPECT_EQ(ReadFile(file), before);
    EXPECT_TRUE(LeftoverTemporaries(folder).empty());

    // The item still speaks for the entry: a change that can be saved reaches memory and file alike,
    // and nothing of the failed ones comes with it.
    ASSERT_EQ(web->put_Enabled(VARIANT_FALSE), S_OK);
    EXPECT_FALSE(policy->FindPort(80, 6)->enabled);
    StandinPolicy saved;
    ASSERT_TRUE(standin::LoadPolicyFile(file, saved));
    EXPECT_EQ(standin::FormatPolicy(saved), standin::FormatPolicy(*policy));
    EXPECT_TRUE(saved.firewallEnabled);
    EXPECT_EQ(saved.ports.size(), 2u);
    EXPECT_EQ(saved.FindPort(8080, 6), nullptr);

    web.Reset();
    fresh.Reset();
    ports.Reset();
    programs.Reset();
    profile.Reset();
    std::filesystem::remove_all(folder);
}

// A file the service cannot read in full (bad lines, cut short, not UTF-8) would lose what it cannot
// read at the next save: every change is refused and the file kept as it is, until it is mended.
TEST(PolicyFileBinding, ADamagedFileIsNeverRewritten) {
    const std::filesystem::path folder = TestFolder("damaged");
    const std::filesystem::path file = folder / "policy.txt";
    StandinPolicy whole;
    standin::OpenPortData web;
    web.port = 80;
    web.name = u"Web";
    whole.PutPort(web);
    web.port = 443;
    web.name = u"Secure web";
    whole.PutPort(web);
    const std::string saved = standin::FormatPolicy(whole);
    const std::size_t lastPort = saved.find("port 443");
    ASSERT_NE(lastPort, std::string::npos);

    struct Damage {
        const char* label;
        std::string text;
    };
    const Damage damages[] = {
        {"a bad line", "firewall on\nport 80 TCP on Web\nport 99999 TCP on Huge\n"},
        {"cut between lines", saved.substr(0, lastPort)},
        {"cut inside a line", saved.substr(0, lastPort + 12)},
        {"cut inside the last line", saved.substr(0, saved.size() - 3)},
        {"not UTF-8", "firewall on\nport 80 TCP on Caf\xe9\n"},
    };
    for (const Damage& damage : damages) {
        SCOPED_TRACE(damage.label);
        WriteFile(file, damage.text);
        auto policy = std::make_shared<StandinPolicy>();
        standin::PolicyFileBinding binding(file);
        binding.Attach(*policy);
        binding.Load(*policy, false);
        EXPECT_TRUE(binding.Damaged());
        EXPECT_NE(binding.Problems().find("damaged"), std::string::npos) << binding.Problems();
        EXPECT_FALSE(policy->ports.empty()); // what could be read is there to read

        ComPtr<INetFwProfile> profile = ComPtr<INetFwProfile>::Adopt(standin::CreateProfile(policy));
        EXPECT_EQ(profile->put_FirewallEnabled(VARIANT_FALSE), standin::PolicyFileBinding::kDamaged);
        ComPtr<INetFwOpenPorts> ports;
        ASSERT_EQ(profile->get_GloballyOpenPorts(ports.Receive()), S_OK);
        EXPECT_EQ(ports->Remove(80, NET_FW_IP_PROTOCOL_TCP), standin::PolicyFileBinding::kDamaged);
        EXPECT_TRUE(policy->firewallEnabled);
        EXPECT_NE(policy->FindPort(80, 6), nullptr);
        EXPECT_FALSE(binding.Save(*policy));
        EXPECT_EQ(ReadFile(file), damage.text);

        // Mended by hand: the next change reads it first and goes through.
        WriteFile(file, "firewall on\nport 80 TCP on Web");
        EXPECT_EQ(profile->put_FirewallEnabled(VARIANT_FALSE), S_OK);
        EXPECT_FALSE(binding.Damaged());
        StandinPolicy mended;
        ASSERT_TRUE(standin::LoadPolicyFile(file, mended));
        EXPECT_FALSE(mended.firewallEnabled);
        EXPECT_EQ(mended.ports.size(), 1u);
        ports.Reset();
        profile.Reset();
    }
    // A whole file the service saved, and a hand-written one without a final line break, are fine.
    for (const std::string& text : {saved, std::string("firewall off\nport 80 TCP on Web")}) {
        WriteFile(file, text);
        StandinPolicy policy;
        standin::PolicyFileBinding binding(file);
        binding.Attach(policy);
        binding.Load(policy, false);
        EXPECT_FALSE(binding.Damaged()) << binding.Problems();
        EXPECT_EQ(policy.MayChange(), S_OK);
    }
    std::filesystem::remove_all(folder);
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
