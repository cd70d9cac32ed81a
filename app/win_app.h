// The application object of the dialog framework: one global instance, started by WinMain. The
// framework calls InitInstance; when it returns false the program ends at once through ExitInstance,
// otherwise Run serves the thread's messages until WM_QUIT and then calls ExitInstance. ExitInstance's
// result is the process exit code.
#pragma once

#include <windows.h>

#include <string>

class CWnd;

class CWinApp {
public:
    // appName: the application's name, or null for the program's title.
    explicit CWinApp(const char* appName = nullptr);
    virtual ~CWinApp();
    CWinApp(const CWinApp&) = delete;
    CWinApp& operator=(const CWinApp&) = delete;

    // The one instance, or null before it is constructed.
    static CWinApp* Current() { return s_current; }

    virtual BOOL InitInstance();
    // The exit code: the value carried by a WM_QUIT that ended the program's message loops, else 0.
    virtual int ExitInstance();
    virtual int Run();

    // Routes a command the windows left unhandled; TRUE when the application took it.
    BOOL OnCmdMsg(UINT id);
    // The standard Help command's handler. The program ships no help, so there is nothing to open.
    void OnHelp() {}

    // Names the company key under which settings would be kept. The program reads and writes no
    // settings, so this only remembers the name.
    void SetRegistryKey(const char* key);
    const std::string& RegistryKey() const { return m_registryKey; }

    HINSTANCE m_hInstance = nullptr;
    const char* m_pszAppName = nullptr;
    // The main window while it runs.
    CWnd* m_pMainWnd = nullptr;

private:
    static CWinApp* s_current;
    std::string m_registryKey;
};

// Lets dialogs host embedded controls. None of ours does; kept for the start-up sequence's shape.
void AfxEnableControlContainer(void* site = nullptr);

// What WinMain does with the application object: start it, run it, end it; returns the exit code.
int RunApplication(CWinApp& app, HINSTANCE instance);
