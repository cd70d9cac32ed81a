// The main window: the tabs with the programs, ports and traffic pages, the firewall's on/off radio
// pair, the capture's on/off pair, the banner, and the "About", "Forum" and "Exit" buttons. It carries
// the firewall operations itself and owns the notification-area icon. Its close box hides it into the
// notification area; only "Exit" (button or icon menu) ends the program.
#pragma once

#include <windows.h>

#include "firewall/firewall_access.h"
#include "firewall/firewall_host.h"
#include "pages/firewall_pages_host.h"
#include "tray/system_tray.h"
#include "ui/dialog.h"
#include "ui/escape_filter.h"
#include "ui/tab_ctrl.h"

class CBannerDlg;
class CPortDlg;
class CProgramDlg;
class CSnifferDlg;
class CTabDialog;

class CfirewallDlg : public EscapeFiltered<CDialog>,
                     public FirewallHost,
                     public FirewallAccess,
                     public FirewallPagesHost {
public:
    // The icon's callback message.
    static constexpr UINT kTrayCallbackMessage = WM_APP + 10;

    explicit CfirewallDlg(CWnd* parent = nullptr);
    // With another way of creating the firewall's objects; tests use the stand-in firewall.
    CfirewallDlg(ComObjectCreator& creator, CWnd* parent = nullptr);
    ~CfirewallDlg() override;

    // What the firewall operations need of the window.
    void ShowMessageBox(const char* text, const char* caption, unsigned int style) override;
    void EndModalRun(int result) override;
    void WaitMilliseconds(unsigned int milliseconds) override;
    // Stops the capture, then ends the process (EndRuntime).
    void EndProcess(int status) override;
    void AddPortRow(const char* name, const char* protocolText, const char* portText, int enabled) override;
    void AddProgramRow(const char* name, const char* path, int enabled, const OLECHAR* firewallPath) override;

    // What the pages reach: this window's own firewall operations.
    FirewallAccess& PagesFirewall() override { return *this; }

    // The children, null until initialisation has built them.
    CTabDialog* PageContainer() const { return m_pTabDialog; }
    CPortDlg* PortPage() const { return m_pPortDlg; }
    CProgramDlg* ProgramPage() const { return m_pProgramDlg; }
    CSnifferDlg* TrafficPage() const { return m_pSnifferDlg; }
    CTabDialog* BannerContainer() const { return m_pBannerContainer; }
    CBannerDlg* Banner() const { return m_pBanner; }
    CSystemTray& TrayIcon() { return m_trayIcon; }
    const CTabCtrl& Tabs() const { return m_tabs; }

protected:
    void DoDataExchange(CDataExchange* dx) override;
    BOOL OnInitDialog() override;

    // The page container with the three pages, then the banner container with the banner. Stops at
    // the first creation that fails and answers FALSE; nothing built so far is undone.
    BOOL BuildChildWindows();
    // Shows the page of the given tab (1 ports, 2 traffic, anything else programs) and hides the rest.
    void ShowPageOfTab(int index);
    void ShowAboutBox();
    // Makes the traffic page object; tests give it a scripted network.
    virtual CSnifferDlg* NewTrafficPage(CWnd* parent);
    // Ends the process through the runtime's normal exit; tests record it instead.
    virtual void EndRuntime(int status);
    // Sets the firewall radio pair from the firewall's state as read now ("Off" when it cannot be read).
    void ShowFirewallState();
    // A firewall radio click: switches the firewall; a refused switch puts the radios back to the
    // firewall's state and says why.
    void SwitchFirewallFromRadio(bool on);
    // Passes a setting broadcast (colours, settings) on to every window inside this one: only
    // top-level windows receive it from the system.
    LRESULT OnSettingBroadcast(UINT message, WPARAM wParam, LPARAM lParam);

    LRESULT OnTrayNotification(WPARAM id, LPARAM event);
    LRESULT OnSysCommand(WPARAM command, LPARAM, bool& handled);
    LRESULT OnPaint(WPARAM, LPARAM, bool& handled);
    LRESULT OnQueryDragIcon(WPARAM, LPARAM);
    LRESULT OnDestroy(WPARAM, LPARAM, bool& handled);
    LRESULT OnSysColorChange(WPARAM wParam, LPARAM lParam, bool& handled);
    LRESULT OnSettingChange(WPARAM wParam, LPARAM lParam, bool& handled);
    LRESULT OnSelchangeTab(NMHDR*);
    void OnFirewallOn();
    void OnFirewallOff();
    void OnAbout();
    void OnHideToTray();
    void OnExit();
    void OnHomePage();
    void OnForum();
    void OnLogsOn();
    void OnLogsOff();

private:
    HICON m_hIcon = nullptr;
    CTabCtrl m_tabs;
    CTabDialog* m_pTabDialog = nullptr;
    CPortDlg* m_pPortDlg = nullptr;
    CProgramDlg* m_pProgramDlg = nullptr;
    CWnd m_pagePlaceholder;
    CWnd m_bannerPlaceholder;
    CTabDialog* m_pBannerContainer = nullptr;
    CBannerDlg* m_pBanner = nullptr;
    CSnifferDlg* m_pSnifferDlg = nullptr;
    // Declared last: it goes first, so the icon leaves the notification area before the window's
    // other parts.
    CSystemTray m_trayIcon;

    DECLARE_MESSAGE_TABLE()
};
