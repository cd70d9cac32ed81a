#include "app/firewall_app.h"

#include <windows.h>
#include <commctrl.h>

#include "app/firewall_dlg.h"

CfirewallApp::CfirewallApp() : CfirewallApp(palisor::BuiltInSkinLibrary()) {}

CfirewallApp::CfirewallApp(palisor::SkinLibrary& skin) : CWinApp(nullptr), m_skin(skin) {}

BOOL CfirewallApp::InitInstance() {
    // The tab, list-view and tree-view controls of the dialogs need their classes registered.
    ::InitCommonControls();
    CWinApp::InitInstance();
    AfxEnableControlContainer(nullptr);
    SetRegistryKey("Local AppWizard-Generated Applications");

    // Before any window exists, so that every dialog is skinned from its first paint.
    m_skin.Open(m_hInstance, "SCRIBBLE", nullptr, nullptr);
    m_skin.LoadSkinFromResource(m_hInstance, "DEFAULT", "SKINMAGIC");
    m_skin.SkinDialogs("Dialog");

    RunMainWindow();
    return FALSE;
}

void CfirewallApp::RunMainWindow() {
    CfirewallDlg dialog;
    m_pMainWnd = &dialog;
    dialog.DoModal();
    m_pMainWnd = nullptr;
}

int CfirewallApp::ExitInstance() {
    m_skin.Close();
    return CWinApp::ExitInstance();
}
