// Runs the firewall operations the way the program does on Windows: CoCreateInstance in an apartment,
// the firewall objects served by whatever the registry names for the firewall's classes (here the
// stand-in server). A second run of this program, started with "--report", opens the firewall in a
// process of its own and writes what it finds to a file, so the first can check that changes outlive
// the process that made them.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "firewall/firewall_access.h"

namespace {

// Records instead of showing windows, waiting or ending anything.
struct TestHost final : FirewallHost {
    std::vector<std::string> messages;
    std::vector<int> modalEnds;
    int waits = 0;
    std::vector<int> processEnds;
    std::vector<std::string> rows;

    void ShowMessageBox(const char* text, const char*, unsigned int) override { messages.push_back(text); }
    void EndModalRun(int result) override { modalEnds.push_back(result); }
    void WaitMilliseconds(unsigned int) override { ++waits; }
    void EndProcess(int status) override { processEnds.push_back(status); }
    void AddPortRow(const char* name, const char* protocolText, const char* portText, int enabled) override {
        rows.push_back(std::string("port|") + name + "|" + protocolText + "|" + portText + "|" +
                       std::to_string(enabled));
    }
    void AddProgramRow(const char* name, const char* path, int enabled, const OLECHAR*) override {
        rows.push_back(std::string("program|") + name + "|" + path + "|" + std::to_string(enabled));
    }
};

std::wstring SelfPath() {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    return path;
}

std::wstring TempFile(const wchar_t* stem) {
    wchar_t directory[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, directory);
    return std::wstring(directory) + stem + std::to_wstring(GetCurrentProcessId()) + L".txt";
}

void WriteText(const std::wstring& file, const std::string& text) {
    std::ofstream out(file.c_str(), std::ios::binary | std::ios::trunc);
    out << text;
}

std::string ReadText(const std::wstring& file) {
    std::ifstream in(file.c_str(), std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        lines.push_back(line);
    }
    return lines;
}

// What the registry names as the firewall manager's server.
std::string ManagerServer() {
    char value[MAX_PATH] = {};
    DWORD size = sizeof value;
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE,
                      "Software\\Classes\\CLSID\\{304CE942-6E39-40D8-943A-B913C40C9CD4}\\InprocServer32", 0,
                      KEY_READ, &key) != ERROR_SUCCESS) {
        return {};
    }
    RegQueryValueExA(key, nullptr, nullptr, nullptr, reinterpret_cast<BYTE*>(value), &size);
    RegCloseKey(key);
    return value;
}

// Opens the firewall in this process and lists everything: "open|code", "firewall|0/1", then rows.
std::vector<std::string> Report() {
    TestHost host;
    std::vector<std::string> lines;
    FirewallAccess firewall(host);
    const FW_ERROR_CODE opened = firewall.OpenFirewallProfile();
    lines.push_back("open|" + std::to_string(opened) + "|waits " + std::to_string(host.waits) + "|messages " +
                    std::to_string(host.messages.size()));
    int on = 0;
    firewall.QueryFirewallEnabled(on);
    lines.push_back("firewall|" + std::to_string(on));
    firewall.ListProgramExceptions();
    firewall.ListPortExceptions();
    lines.insert(lines.end(), host.rows.begin(), host.rows.end());
    firewall.CloseFirewallProfile();
    return lines;
}

// Runs this program again as a second process with the given arguments; true when it ended with 0.
bool RunAnotherProcess(const std::wstring& arguments) {
    std::wstring commandLine = L"\"" + SelfPath() + L"\" " + arguments;
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessW(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process)) {
        ADD_FAILURE() << "could not start the second process: " << GetLastError();
        return {};
    }
    const DWORD waited = WaitForSingleObject(process.hProcess, 60000);
    DWORD exitCode = 1;
    GetExitCodeProcess(process.hProcess, &exitCode);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    EXPECT_EQ(waited, WAIT_OBJECT_0) << "the second process did not end";
    return waited == WAIT_OBJECT_0 && exitCode == 0;
}

// The second process's view of the firewall.
std::vector<std::string> ReportFromAnotherProcess() {
    const std::wstring output = TempFile(L"palisor-fw-report-");
    DeleteFileW(output.c_str());
    EXPECT_TRUE(RunAnotherProcess(L"--report \"" + output + L"\""));
    std::vector<std::string> lines = Lines(ReadText(output));
    DeleteFileW(output.c_str());
    return lines;
}

class StandinServerTest : public testing::Test {
public:
    void SetUp() override {
        ASSERT_NE(ManagerServer().find("palisor_standin_firewall"), std::string::npos)
            << "the stand-in firewall server is not registered in this Wine prefix (scripts/wine-prefix.sh)";
        // The policy of this test only, handed on to the second process through the environment.
        policyFile = TempFile(L"palisor-fw-policy-");
        SetEnvironmentVariableW(L"PALISOR_FIREWALL_POLICY", policyFile.c_str());
        SetEnvironmentVariableW(L"PALISOR_FIREWALL_FAIL", nullptr);
        WriteText(policyFile, "firewall off\n"
                              "port 80 TCP on Web\n"
                              "port 53 UDP off Dns\n"
                              "program on C:\\Program Files\\App\\app.exe | App\n"
                              "program off C:\\tools\\old.exe | Old\n");
    }
    void TearDown() override {
        DeleteFileW(policyFile.c_str());
        SetEnvironmentVariableW(L"PALISOR_FIREWALL_POLICY", nullptr);
    }

    std::wstring policyFile;
};

TEST_F(StandinServerTest, ListsThePolicyThroughTheRegisteredServer) {
    EXPECT_EQ(Report(), (std::vector<std::string>{"open|0|waits 0|messages 0", "firewall|0",
                                                  "program|App|C:\\Program Files\\App\\app.exe|1",
                                                  "program|Old|C:\\tools\\old.exe|0", "port|Web|TCP|80 |1",
                                                  "port|Dns|UDP|53 |0"}));
}

TEST_F(StandinServerTest, ChangesReachASecondProcess) {
    TestHost host;
    FirewallAccess firewall(host);
    ASSERT_EQ(firewall.OpenFirewallProfile(), FW_ERROR_NONE);
    EXPECT_EQ(firewall.SwitchFirewallOn(), FW_ERROR_NONE);
    EXPECT_EQ(firewall.AddPortException(8080, 6, L"Proxy"), FW_ERROR_NONE);
    EXPECT_EQ(firewall.AddProgramException(L"C:\\games\\play.exe", L"Play"), FW_ERROR_NONE);
    EXPECT_EQ(firewall.TogglePortException(80, 6, 1), FW_ERROR_NONE);
    EXPECT_EQ(firewall.ToggleProgramException(L"c:\\TOOLS\\old.exe", 0), FW_ERROR_NONE);
    EXPECT_EQ(firewall.RemovePortException(53, 17), FW_ERROR_NONE); // switched off: goes all the same
    EXPECT_EQ(firewall.RemoveProgramException(L"C:\\Program Files\\App\\app.exe"), FW_ERROR_NONE);
    int enabled = 0;
    EXPECT_EQ(firewall.QueryPortException(8080, 6, enabled), FW_ERROR_NONE);
    EXPECT_EQ(enabled, 1);
    firewall.CloseFirewallProfile();

    EXPECT_EQ(
        ReportFromAnotherProcess(),
        (std::vector<std::string>{"open|0|waits 0|messages 0", "firewall|1",
                                  "program|Old|C:\\tools\\old.exe|1", "program|Play|C:\\games\\play.exe|1",
                                  "port|Web|TCP|80 |0", "port|Proxy|TCP|8080 |1"}));
}

TEST_F(StandinServerTest, AProcessHoldingTheProfileSeesAnotherOnesChanges) {
    TestHost host;
    FirewallAccess firewall(host);
    ASSERT_EQ(firewall.OpenFirewallProfile(), FW_ERROR_NONE);
    ASSERT_TRUE(RunAnotherProcess(L"--add-port 9090 Late"));

    firewall.ListPortExceptions();
    EXPECT_EQ(host.rows, (std::vector<std::string>{"port|Web|TCP|80 |1", "port|Dns|UDP|53 |0",
                                                   "port|Late|TCP|9090 |1"}));
    // A change made now keeps the other process's change.
    EXPECT_EQ(firewall.TogglePortException(80, 6, 1), FW_ERROR_NONE);
    firewall.CloseFirewallProfile();
    const std::vector<std::string> report = ReportFromAnotherProcess();
    ASSERT_EQ(report.size(), 7u);
    EXPECT_EQ(report[4], "port|Web|TCP|80 |0");
    EXPECT_EQ(report[6], "port|Late|TCP|9090 |1");
}

DWORD WINAPI CloseAfterAMoment(LPVOID handle) {
    Sleep(200);
    CloseHandle(static_cast<HANDLE>(handle));
    return 0;
}

TEST_F(StandinServerTest, AChangeIsKeptWhileAnotherProcessReadsTheFile) {
    TestHost host;
    FirewallAccess firewall(host);
    ASSERT_EQ(firewall.OpenFirewallProfile(), FW_ERROR_NONE);
    // A reader as the other processes are, for a moment: it shares reading and writing, not replacing.
    HANDLE reader = CreateFileW(policyFile.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(reader, INVALID_HANDLE_VALUE);
    HANDLE closer = CreateThread(nullptr, 0, &CloseAfterAMoment, reader, 0, nullptr);
    ASSERT_NE(closer, nullptr);
    EXPECT_EQ(firewall.SwitchFirewallOn(), FW_ERROR_NONE);
    WaitForSingleObject(closer, 10000);
    CloseHandle(closer);
    firewall.CloseFirewallProfile();
    const std::vector<std::string> lines = Lines(ReadText(policyFile));
    EXPECT_NE(std::find(lines.begin(), lines.end(), "firewall on"), lines.end());
}

// Calls one of the registration entries of the server that the registry names.
HRESULT CallServerEntry(const std::string& server, const char* entry) {
    HMODULE dll = LoadLibraryA(server.c_str());
    if (dll == nullptr) {
        return HRESULT_FROM_WIN32(GetLastError());
    }
    using Entry = HRESULT(STDAPICALLTYPE*)();
    auto function = reinterpret_cast<Entry>(reinterpret_cast<void*>(GetProcAddress(dll, entry)));
    const HRESULT result = function != nullptr ? function() : E_NOINTERFACE;
    FreeLibrary(dll);
    return result;
}

// Registers the server again however the test ends, so that later tests and programs find it.
struct RegisterAgain {
    std::string server;
    ~RegisterAgain() { EXPECT_EQ(CallServerEntry(server, "DllRegisterServer"), S_OK); }
};

TEST_F(StandinServerTest, UnregisteredServerLeavesTheManagerMissing) {
    std::vector<std::string> report;
    {
        const RegisterAgain guard{ManagerServer()};
        EXPECT_EQ(CallServerEntry(guard.server, "DllUnregisterServer"), S_OK);
        EXPECT_EQ(ManagerServer(), "");
        report = ReportFromAnotherProcess();
    }
    EXPECT_NE(ManagerServer().find("palisor_standin_firewall"), std::string::npos);
    ASSERT_FALSE(report.empty());
    // The start-up message, and the process would end here: no wait, no profile.
    EXPECT_EQ(report[0], "open|2|waits 0|messages 1");
}

TEST_F(StandinServerTest, FailuresSetInThePolicyFileMeetTheStartUp) {
    // A profile that never becomes available: twenty retries, then the message.
    WriteText(policyFile, "fail INetFwMgr::get_LocalPolicy 0x80004005 always\n");
    const std::vector<std::string> report = ReportFromAnotherProcess();
    ASSERT_FALSE(report.empty());
    EXPECT_EQ(report[0], "open|3|waits 20|messages 1");
    EXPECT_EQ(report.size(), 2u); // and nothing to list
}

TEST_F(StandinServerTest, FailuresSetInTheEnvironmentMeetTheStartUp) {
    SetEnvironmentVariableW(L"PALISOR_FIREWALL_FAIL", L"INetFwPolicy::get_CurrentProfile=0x80004005:2");
    const std::vector<std::string> report = ReportFromAnotherProcess();
    SetEnvironmentVariableW(L"PALISOR_FIREWALL_FAIL", nullptr);
    ASSERT_FALSE(report.empty());
    // Available after two failed attempts: two waits and no message.
    EXPECT_EQ(report[0], "open|0|waits 2|messages 0");
    EXPECT_EQ(report.size(), 6u);
}

} // namespace

int main(int argc, char** argv) {
    CoInitialize(nullptr);
    if (argc == 3 && std::string(argv[1]) == "--report") {
        std::ofstream out(argv[2], std::ios::binary | std::ios::trunc);
        for (const std::string& line : Report()) {
            out << line << "\n";
        }
        return out ? 0 : 1;
    }
    if (argc == 4 && std::string(argv[1]) == "--add-port") {
        TestHost host;
        FirewallAccess firewall(host);
        const std::string name = argv[3];
        const std::wstring wideName(name.begin(), name.end());
        const bool added =
            firewall.OpenFirewallProfile() == FW_ERROR_NONE &&
            firewall.AddPortException(std::atoi(argv[2]), 6, wideName.c_str()) == FW_ERROR_NONE;
        return added ? 0 : 1;
    }
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
