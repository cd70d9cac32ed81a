#pragma once
// One run of the real palisor.exe, driven from this process: its own stand-in firewall policy file,
// failures injected through the environment, its standard output kept in a file, and the windows it
// shows found as the user would see them.

#include <windows.h>

#include <string>
#include <vector>

#include "tests/e2e/driver/remote_process.h"

namespace e2e {

// Where the runs keep their files (policy, output, screenshots), as a Windows path.
std::string WorkDirectory();
// A Linux path as Wine names it (drive Z:), or a Windows path unchanged.
std::string WindowsPath(const std::string& path);
std::string ReadFile(const std::string& path);

class PalisorSession {
public:
    // name: the run's file names; policy: the stand-in's policy file as it is before the start.
    PalisorSession(const std::string& name, const std::string& policy);
    ~PalisorSession();

    // Starts palisor.exe with the extra environment entries ("NAME=value").
    bool Start(const std::vector<std::string>& environment = {});
    // Waits until the main window is there and fully initialised (its icon is in the notification
    // area, the last step of its start-up).
    bool WaitForMainWindow(std::chrono::milliseconds timeout = std::chrono::seconds(20));

    Process& process() { return process_; }
    DWORD Id() const { return process_.Id(); }
    HWND main() const { return main_; }
    HWND Control(int id) const { return GetDlgItem(main_, id); }
    // The pages, found by a control that only that page holds.
    HWND ProgramsPage() const;
    HWND PortsPage() const;
    HWND TrafficPage() const;

    // The stand-in's policy file as it is now.
    std::string Policy() const { return ReadFile(policyPath_); }
    // Waits until the policy file holds (or no longer holds) the line.
    bool WaitForPolicyLine(const std::string& line, bool present = true) const;
    // What the program wrote to standard output and standard error.
    std::string Output() const { return ReadFile(outputPath_); }

    // Ends the program through its "Exit" button; true when it ended with status 0.
    bool ExitThroughButton();

private:
    std::string policyPath_;
    std::string outputPath_;
    Process process_;
    HWND main_ = nullptr;
};

bool IsChecked(HWND button);
// The one visible dialog among the given ones, or null when none or several are visible.
HWND OnlyVisible(const std::vector<HWND>& windows);
// Waits for no message box of the process to be open.
bool WaitForNoMessageBox(DWORD pid);
// A top-level dialog of the process with the given caption and child, once it is visible.
HWND WaitForDialog(DWORD pid, const std::string& caption, int childId,
                   std::chrono::milliseconds timeout = std::chrono::seconds(10));
// A visible popup menu window (#32768) of the process.
HWND FindPopupMenu(DWORD pid);

} // namespace e2e
