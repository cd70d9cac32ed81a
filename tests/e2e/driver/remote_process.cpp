#include "tests/e2e/driver/remote_process.h"

#include <thread>

namespace e2e {

bool WaitUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
    const auto end = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        if (done())
            return true;
        if (std::chrono::steady_clock::now() >= end)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

Process::~Process() {
    Kill();
    if (info_.hThread)
        CloseHandle(info_.hThread);
    if (info_.hProcess)
        CloseHandle(info_.hProcess);
}

bool Process::Start(const std::string& exe, const std::vector<std::string>& extraEnvironment,
                    const std::string& outputFile) {
    // The environment block: ours, then the additions (later entries win for the C runtime, and
    // the Win32 lookups take the first match, so drop our own entry of the same name).
    std::vector<std::string> entries;
    if (LPCH block = GetEnvironmentStringsA()) {
        for (const char* p = block; *p; p += strlen(p) + 1)
            entries.emplace_back(p);
        FreeEnvironmentStringsA(block);
    }
    for (const auto& extra : extraEnvironment) {
        const auto name = extra.substr(0, extra.find('=') + 1);
        for (auto it = entries.begin(); it != entries.end();) {
            if (_strnicmp(it->c_str(), name.c_str(), name.size()) == 0)
                it = entries.erase(it);
            else
                ++it;
        }
        entries.push_back(extra);
    }
    std::string environment;
    for (const auto& e : entries) {
        environment += e;
        environment.push_back('\0');
    }
    environment.push_back('\0');

    std::string commandLine = "\"" + exe + "\"";
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    HANDLE output = INVALID_HANDLE_VALUE;
    if (!outputFile.empty()) {
        SECURITY_ATTRIBUTES inheritable{sizeof inheritable, nullptr, TRUE};
        output = CreateFileA(outputFile.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                             &inheritable, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (output == INVALID_HANDLE_VALUE)
            return false;
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdInput = nullptr;
        startup.hStdOutput = output;
        startup.hStdError = output;
    }
    const BOOL started =
        CreateProcessA(exe.c_str(), commandLine.data(), nullptr, nullptr, output != INVALID_HANDLE_VALUE, 0,
                       environment.data(), nullptr, &startup, &info_);
    if (output != INVALID_HANDLE_VALUE)
        CloseHandle(output);
    return started != FALSE;
}

bool Process::Running() const {
    return info_.hProcess && WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT;
}

bool Process::WaitForExit(DWORD milliseconds, DWORD* exitCode) {
    if (!info_.hProcess || WaitForSingleObject(info_.hProcess, milliseconds) != WAIT_OBJECT_0)
        return false;
    if (exitCode)
        GetExitCodeProcess(info_.hProcess, exitCode);
    return true;
}

void Process::Kill() {
    if (Running()) {
        TerminateProcess(info_.hProcess, 99);
        WaitForSingleObject(info_.hProcess, 5000);
    }
}

std::vector<HWND> TopLevelWindows(DWORD pid) {
    struct Search {
        DWORD pid;
        std::vector<HWND> found;
    } search{pid, {}};
    EnumWindows(
        [](HWND window, LPARAM param) -> BOOL {
            auto* s = reinterpret_cast<Search*>(param);
            DWORD owner = 0;
            GetWindowThreadProcessId(window, &owner);
            if (owner == s->pid)
                s->found.push_back(window);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

std::string ClassName(HWND window) {
    char name[256] = "";
    GetClassNameA(window, name, sizeof name);
    return name;
}

std::string Text(HWND window) {
    // WM_GETTEXT crosses processes; GetWindowText would not read another process's controls.
    const LRESULT length = SendMessageA(window, WM_GETTEXTLENGTH, 0, 0);
    std::string text(static_cast<size_t>(length) + 1, '\0');
    const LRESULT copied =
        SendMessageA(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()));
    text.resize(static_cast<size_t>(copied));
    return text;
}

bool SetText(HWND window, const std::string& text) {
    return SendMessageA(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str())) != 0;
}

HWND FindDescendant(HWND parent, int id, const std::string& className) {
    struct Search {
        int id;
        const std::string* className;
        HWND found;
    } search{id, &className, nullptr};
    EnumChildWindows(
        parent,
        [](HWND window, LPARAM param) -> BOOL {
            auto* s = reinterpret_cast<Search*>(param);
            if (GetDlgCtrlID(window) == s->id &&
                (s->className->empty() || ClassName(window) == *s->className)) {
                s->found = window;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND FindDialog(DWORD pid, const std::string& caption, int childId) {
    for (HWND window : TopLevelWindows(pid)) {
        if (ClassName(window) != "#32770" || Text(window) != caption)
            continue;
        if (childId == 0 || FindDescendant(window, childId))
            return window;
    }
    return nullptr;
}

HWND FindChildDialogHolding(HWND parent, int childId) {
    struct Search {
        int id;
        HWND found;
    } search{childId, nullptr};
    EnumChildWindows(
        parent,
        [](HWND window, LPARAM param) -> BOOL {
            auto* s = reinterpret_cast<Search*>(param);
            if (ClassName(window) == "#32770" && GetDlgItem(window, s->id)) {
                s->found = window;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

MessageBoxInfo FindMessageBox(DWORD pid) {
    for (HWND window : TopLevelWindows(pid)) {
        if (ClassName(window) != "#32770" || !IsWindowVisible(window))
            continue;
        HWND text = GetDlgItem(window, 0xFFFF);
        if (!text)
            continue;
        return {window, Text(window), Text(text)};
    }
    return {};
}

MessageBoxInfo WaitForMessageBox(DWORD pid, std::chrono::milliseconds timeout) {
    MessageBoxInfo box;
    WaitUntil([&] { return (box = FindMessageBox(pid)).window != nullptr; }, timeout);
    return box;
}

void DismissMessageBox(const MessageBoxInfo& box) {
    HWND button = GetDlgItem(box.window, IDOK);
    if (!button)
        button = GetDlgItem(box.window, IDCANCEL);
    if (button)
        PostClick(button);
}

void PostClick(HWND button) {
    PostMessageA(button, BM_CLICK, 0, 0);
}

void PostLeftClick(HWND window, int x, int y) {
    const LPARAM at = MAKELPARAM(x, y);
    PostMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON, at);
    PostMessageA(window, WM_LBUTTONUP, 0, at);
}

void PostKey(HWND window, WORD virtualKey) {
    const UINT scan = MapVirtualKeyA(virtualKey, 0);
    PostMessageA(window, WM_KEYDOWN, virtualKey, 1 | (scan << 16));
    PostMessageA(window, WM_KEYUP, virtualKey, 1 | (scan << 16) | (3u << 30));
}

} // namespace e2e
