#include "tests/e2e/palisor/palisor_session.h"

#include <fstream>
#include <sstream>

#include "res/resource.h"
#include "tests/e2e/driver/shell_tray.h"

namespace e2e {

std::string WindowsPath(const std::string& path) {
    std::string converted = path;
    for (char& c : converted) {
        if (c == '/')
            c = '\\';
    }
    if (!converted.empty() && converted[0] == '\\')
        converted = "Z:" + converted;
    return converted;
}

std::string WorkDirectory() {
    const std::string directory = WindowsPath(PALISOR_E2E_DIR);
    CreateDirectoryA(directory.c_str(), nullptr);
    return directory;
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

PalisorSession::PalisorSession(const std::string& name, const std::string& policy)
    : policyPath_(WorkDirectory() + "\\" + name + "-policy.txt"),
      outputPath_(WorkDirectory() + "\\" + name + "-output.txt") {
    std::ofstream(policyPath_, std::ios::binary | std::ios::trunc) << policy;
}

PalisorSession::~PalisorSession() {
    process_.Kill();
}

bool PalisorSession::Start(const std::vector<std::string>& environment) {
    std::vector<std::string> entries = environment;
    entries.push_back("PALISOR_FIREWALL_POLICY=" + policyPath_);
    return process_.Start(WindowsPath(PALISOR_EXE), entries, outputPath_);
}

bool PalisorSession::WaitForMainWindow(std::chrono::milliseconds timeout) {
    return WaitUntil(
        [&] {
            main_ = FindDialog(process_.Id(), "Palisor", IDC_TABS);
            return main_ != nullptr && IsWindowVisible(main_) && IconInShell(main_, IDR_TRAY_MENU);
        },
        timeout);
}

HWND PalisorSession::ProgramsPage() const {
    return FindChildDialogHolding(main_, IDC_PROGRAM_LIST);
}

HWND PalisorSession::PortsPage() const {
    return FindChildDialogHolding(main_, IDC_PORT_LIST);
}

HWND PalisorSession::TrafficPage() const {
    return FindChildDialogHolding(main_, IDC_TRAFFIC_TREE);
}

bool PalisorSession::WaitForPolicyLine(const std::string& line, bool present) const {
    return WaitUntil([&] {
        std::istringstream lines(Policy());
        std::string each;
        bool found = false;
        while (std::getline(lines, each)) {
            if (!each.empty() && each.back() == '\r')
                each.pop_back();
            found = found || each == line;
        }
        return found == present;
    });
}

bool PalisorSession::ExitThroughButton() {
    if (!process_.Running())
        return false;
    PostClick(Control(IDC_EXIT));
    DWORD status = 1;
    return process_.WaitForExit(15000, &status) && status == 0;
}

bool IsChecked(HWND button) {
    return SendMessageA(button, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

HWND OnlyVisible(const std::vector<HWND>& windows) {
    HWND visible = nullptr;
    for (HWND window : windows) {
        if (window && IsWindowVisible(window)) {
            if (visible)
                return nullptr;
            visible = window;
        }
    }
    return visible;
}

bool WaitForNoMessageBox(DWORD pid) {
    return WaitUntil([&] { return FindMessageBox(pid).window == nullptr; });
}

HWND WaitForDialog(DWORD pid, const std::string& caption, int childId, std::chrono::milliseconds timeout) {
    HWND found = nullptr;
    WaitUntil(
        [&] {
            found = FindDialog(pid, caption, childId);
            return found != nullptr && IsWindowVisible(found);
        },
        timeout);
    return found != nullptr && IsWindowVisible(found) ? found : nullptr;
}

HWND FindPopupMenu(DWORD pid) {
    for (HWND window : TopLevelWindows(pid)) {
        if (ClassName(window) == "#32768" && IsWindowVisible(window))
            return window;
    }
    return nullptr;
}

} // namespace e2e
