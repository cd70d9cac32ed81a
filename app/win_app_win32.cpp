#include "app/win_app.h"

#include "res/resource.h"

CWinApp* CWinApp::s_current = nullptr;

CWinApp::CWinApp(const char* appName) : m_pszAppName(appName) {
    s_current = this;
}

CWinApp::~CWinApp() {
    if (s_current == this)
        s_current = nullptr;
}

BOOL CWinApp::InitInstance() {
    return TRUE;
}

int CWinApp::ExitInstance() {
    // A modal loop that met WM_QUIT leaves it posted for the loops outside; its value is the exit code.
    MSG msg;
    if (::PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE) && msg.message == WM_QUIT)
        return static_cast<int>(msg.wParam);
    return 0;
}

int CWinApp::Run() {
    MSG msg;
    while (::GetMessageA(&msg, nullptr, 0, 0) > 0) {
        ::TranslateMessage(&msg);
        ::DispatchMessageA(&msg);
    }
    if (msg.message == WM_QUIT)
        ::PostQuitMessage(static_cast<int>(msg.wParam));
    return ExitInstance();
}

BOOL CWinApp::OnCmdMsg(UINT id) {
    if (id == ID_HELP) {
        OnHelp();
        return TRUE;
    }
    return FALSE;
}

void CWinApp::SetRegistryKey(const char* key) {
    m_registryKey = key != nullptr ? key : "";
}

void AfxEnableControlContainer(void*) {}

int RunApplication(CWinApp& app, HINSTANCE instance) {
    app.m_hInstance = instance;
    if (!app.InitInstance())
        return app.ExitInstance();
    return app.Run();
}
