#pragma once
// Starts a program and finds its windows from another process.

#include <windows.h>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

namespace e2e {

// Polls `done` until it answers true or `timeout` passes. Posted input is handled after sent
// messages, so effects on another process are waited for, never assumed.
bool WaitUntil(const std::function<bool()>& done,
               std::chrono::milliseconds timeout = std::chrono::seconds(10));

// A started process; ends it (if still running) and closes its handles when destroyed.
class Process {
public:
    Process() = default;
    ~Process();
    Process(const Process&) = delete;
    Process& operator=(const Process&) = delete;

    // Starts `exe` with the calling process's environment plus `extraEnvironment` ("NAME=value").
    // With `outputFile`, the program's standard output and standard error go to that file (created
    // anew), so that what it writes there can be read once it has ended.
    bool Start(const std::string& exe, const std::vector<std::string>& extraEnvironment = {},
               const std::string& outputFile = "");
    DWORD Id() const { return info_.dwProcessId; }
    HANDLE Handle() const { return info_.hProcess; }
    bool Running() const;
    // Waits for the process to end; false on timeout.
    bool WaitForExit(DWORD milliseconds, DWORD* exitCode = nullptr);
    void Kill();

private:
    PROCESS_INFORMATION info_{};
};

// The visible or hidden top-level windows of process `pid`.
std::vector<HWND> TopLevelWindows(DWORD pid);
std::string ClassName(HWND window);
std::string Text(HWND window);
bool SetText(HWND window, const std::string& text);

// First top-level dialog (#32770) of `pid` with caption `caption` that holds a child with id
// `childId` (0: any). Message boxes share class and caption with the main window, so a known
// child tells them apart.
HWND FindDialog(DWORD pid, const std::string& caption, int childId = 0);

// A child at any depth with id `id` whose class is `className` (empty: any class).
HWND FindDescendant(HWND parent, int id, const std::string& className = "");

// Every #32770 child dialog at any depth below `parent` that holds a child with id `childId`.
HWND FindChildDialogHolding(HWND parent, int childId);

// A message box of `pid`: a top-level dialog with a static text of id 0xFFFF.
struct MessageBoxInfo {
    HWND window = nullptr;
    std::string caption;
    std::string text;
};
MessageBoxInfo FindMessageBox(DWORD pid);
// Waits for a message box of `pid`.
MessageBoxInfo WaitForMessageBox(DWORD pid, std::chrono::milliseconds timeout = std::chrono::seconds(10));
// Presses the message box's OK (or only) button; posted, since a sent click would block in its loop.
void DismissMessageBox(const MessageBoxInfo& box);

// Posts a button click (BM_CLICK) to a control of another process.
void PostClick(HWND button);
// Posts a left click at client point (x, y) of `window`.
void PostLeftClick(HWND window, int x, int y);
void PostKey(HWND window, WORD virtualKey);

} // namespace e2e
