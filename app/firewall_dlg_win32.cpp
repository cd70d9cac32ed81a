#include "app/firewall_dlg.h"

#include <objbase.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/about_dlg.h"
#include "app/banner_dlg.h"
#include "app/shell_open.h"
#include "app/web_site.h"
#include "pages/exception_page_win32.h"
#include "pages/page_rules.h"
#include "pages/port_dlg.h"
#include "pages/program_dlg.h"
#include "pages/tab_dialog.h"
#include "res/resource.h"
#include "traffic/sniffer_dlg.h"
#include "ui/data_exchange.h"

namespace {

const char* const kTabTexts[] = {"Add/Remove Programs", "View Ports", "View Traffic"};

// The rectangle of a child window in its parent's client coordinates.
RECT ChildRect(HWND child) {
    RECT rect{};
    ::GetWindowRect(child, &rect);
    ::MapWindowPoints(nullptr, ::GetParent(child), reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

} // namespace

BEGIN_MESSAGE_TABLE(CfirewallDlg, EscapeFiltered<CDialog>)
ON_MESSAGE(CfirewallDlg::kTrayCallbackMessage, &CfirewallDlg::OnTrayNotification)
ON_MESSAGE(WM_SYSCOMMAND, &CfirewallDlg::OnSysCommand)
ON_MESSAGE(WM_PAINT, &CfirewallDlg::OnPaint)
ON_MESSAGE(WM_QUERYDRAGICON, &CfirewallDlg::OnQueryDragIcon)
ON_MESSAGE(WM_DESTROY, &CfirewallDlg::OnDestroy)
ON_MESSAGE(WM_SYSCOLORCHANGE, &CfirewallDlg::OnSysColorChange)
ON_MESSAGE(WM_SETTINGCHANGE, &CfirewallDlg::OnSettingChange)
ON_NOTIFY(TCN_SELCHANGE, IDC_TABS, &CfirewallDlg::OnSelchangeTab)
ON_COMMAND(IDC_FIREWALL_ON, &CfirewallDlg::OnFirewallOn)
ON_COMMAND(IDC_FIREWALL_OFF, &CfirewallDlg::OnFirewallOff)
ON_COMMAND(IDOK, &CfirewallDlg::OnAbout)
ON_COMMAND(IDCANCEL, &CfirewallDlg::OnHideToTray)
ON_COMMAND(ID_TRAY_ABOUT, &CfirewallDlg::OnAbout)
ON_COMMAND(ID_TRAY_EXIT, &CfirewallDlg::OnExit)
ON_COMMAND(ID_TRAY_HOMEPAGE, &CfirewallDlg::OnHomePage)
ON_COMMAND(IDC_EXIT, &CfirewallDlg::OnExit)
ON_COMMAND(IDC_LOGS_ON, &CfirewallDlg::OnLogsOn)
ON_COMMAND(IDC_LOGS_OFF, &CfirewallDlg::OnLogsOff)
ON_COMMAND(IDC_FORUM, &CfirewallDlg::OnForum)
END_MESSAGE_TABLE()

CfirewallDlg::CfirewallDlg(CWnd* parent)
    : EscapeFiltered<CDialog>(IDD_PALISOR_DIALOG, parent), FirewallAccess(static_cast<FirewallHost&>(*this)) {
    m_hIcon = ::LoadIconA(m_instance, MAKEINTRESOURCEA(IDR_MAINFRAME));
}

CfirewallDlg::CfirewallDlg(ComObjectCreator& creator, CWnd* parent)
    : EscapeFiltered<CDialog>(IDD_PALISOR_DIALOG, parent),
      FirewallAccess(static_cast<FirewallHost&>(*this), creator) {
    m_hIcon = ::LoadIconA(m_instance, MAKEINTRESOURCEA(IDR_MAINFRAME));
}

// The profile goes first; the notification-area icon, the placeholders and the tab control follow as
// members.
CfirewallDlg::~CfirewallDlg() {
    CloseFirewallProfile();
}

void CfirewallDlg::DoDataExchange(CDataExchange* dx) {
    EscapeFiltered<CDialog>::DoDataExchange(dx);
    DDX_Control(dx, IDC_TABS, m_tabs);
    DDX_Control(dx, IDC_PAGE_PLACEHOLDER, m_pagePlaceholder);
    DDX_Control(dx, IDC_BANNER_PLACEHOLDER, m_bannerPlaceholder);
}

BOOL CfirewallDlg::OnInitDialog() {
    EscapeFiltered<CDialog>::OnInitDialog();

    if (HMENU systemMenu = ::GetSystemMenu(m_hWnd, FALSE)) {
        char about[256] = "";
        if (::LoadStringA(m_instance, IDS_ABOUTBOX, about, sizeof about) > 0 && about[0] != '\0') {
            ::AppendMenuA(systemMenu, MF_SEPARATOR, 0, nullptr);
            ::AppendMenuA(systemMenu, MF_STRING, IDM_ABOUTBOX, about);
        }
    }

    SetIcon(m_hIcon, TRUE);
    SetIcon(m_hIcon, FALSE);

    for (int index = 0; index < 3; ++index)
        m_tabs.InsertItem(index, kTabTexts[index]);

    BuildChildWindows();

    ::CoInitialize(nullptr);
    OpenFirewallProfile();

    ShowFirewallState();

    {
        // Both lists fill with their redraw off and are painted once, when all their rows are in.
        ListRedrawOff programRows(m_pProgramDlg != nullptr ? &m_pProgramDlg->list : nullptr);
        ListRedrawOff portRows(m_pPortDlg != nullptr ? &m_pPortDlg->list : nullptr);
        ListProgramExceptions();
        ListPortExceptions();
    }

    // The traffic page started its capture when it was initialised.
    ::CheckRadioButton(m_hWnd, IDC_LOGS_ON, IDC_LOGS_OFF, IDC_LOGS_ON);

    m_trayIcon.CreateTrayIcon(this, kTrayCallbackMessage, "Palisor", m_hIcon, IDR_TRAY_MENU, FALSE, nullptr,
                              nullptr, 0, 10);

    // The template places the window at the screen's corner; it opens in the middle of the work area.
    RECT work{}, window{};
    ::SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    GetWindowRect(&window);
    const int x = work.left + ((work.right - work.left) - (window.right - window.left)) / 2;
    const int y = work.top + ((work.bottom - work.top) - (window.bottom - window.top)) / 2;
    SetWindowPos(nullptr, x > work.left ? x : work.left, y > work.top ? y : work.top, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    return TRUE;
}

BOOL CfirewallDlg::BuildChildWindows() {
    m_pTabDialog = new CTabDialog(IDD_PAGE_CONTAINER, this);
    if (!m_pTabDialog->Create(IDD_PAGE_CONTAINER, this))
        return FALSE;

    m_pProgramDlg = new CProgramDlg(m_pTabDialog);
    if (!m_pProgramDlg->Create(IDD_PROGRAMS_PAGE, m_pTabDialog))
        return FALSE;
    m_pTabDialog->AddPage(m_pProgramDlg);

    m_pPortDlg = new CPortDlg(m_pTabDialog);
    if (!m_pPortDlg->Create(IDD_PORTS_PAGE, m_pTabDialog))
        return FALSE;
    m_pTabDialog->AddPage(m_pPortDlg);

    m_pSnifferDlg = NewTrafficPage(m_pTabDialog);
    if (!m_pSnifferDlg->Create(IDD_TRAFFIC_PAGE, m_pTabDialog))
        return FALSE;
    m_pTabDialog->AddPage(m_pSnifferDlg);

    // The container covers the tab control's display area, in front of the tab control, which then
    // no longer paints over it; where the page leaves room, the container's own background shows.
    m_tabs.ModifyStyle(0, WS_CLIPSIBLINGS);
    RECT area = ChildRect(m_tabs);
    m_tabs.AdjustRect(FALSE, &area);
    m_pTabDialog->SetWindowPos(HWND_TOP, area.left, area.top, area.right - area.left, area.bottom - area.top,
                               SWP_SHOWWINDOW);
    m_pTabDialog->LayOutPages();

    m_pBannerContainer = new CTabDialog(IDD_BANNER_CONTAINER, this);
    if (!m_pBannerContainer->Create(IDD_BANNER_CONTAINER, this))
        return FALSE;

    m_pBanner = new CBannerDlg(m_pBannerContainer);
    if (!m_pBanner->Create(IDD_BANNER, m_pBannerContainer))
        return FALSE;
    m_pBannerContainer->AddPage(m_pBanner);

    const RECT place = ChildRect(m_bannerPlaceholder);
    m_pBannerContainer->SetWindowPos(HWND_TOP, place.left, place.top, 0, 0, SWP_NOSIZE | SWP_SHOWWINDOW);
    m_pBannerContainer->LayOutBanner();
    return TRUE;
}

namespace {

// Standard output is a text stream, whose runtime turns every LF into CR LF. The transcript line
// already ends in CR LF, so its CR is left to the runtime: the bytes that arrive are the line as
// formed, not CR CR LF.
class TextStreamTranscriptSink : public palisor::TranscriptSink {
public:
    explicit TextStreamTranscriptSink(std::FILE* stream) : stream_(stream) {}
    void WriteLine(const char* line, std::size_t length) override {
        if (length >= 2 && line[length - 2] == '\r' && line[length - 1] == '\n') {
            std::fwrite(line, 1, length - 2, stream_);
            std::fputc('\n', stream_);
        } else {
            std::fwrite(line, 1, length, stream_);
        }
    }

private:
    std::FILE* stream_;
};

} // namespace

CSnifferDlg* CfirewallDlg::NewTrafficPage(CWnd* parent) {
    // The transcript of every segment goes to standard output, beside the capture's diagnostic
    // lines: `palisor.exe > traffic.txt` keeps both, and with no stream attached nothing is paid.
    // Like the page, the sink is never destroyed: a capture thread still finishing its segment
    // when the process exits writes through it.
    static TextStreamTranscriptSink& standardOutput = *new TextStreamTranscriptSink(stdout);
    auto* page = new CSnifferDlg(parent);
    page->SetTranscriptSink(standardOutput);
    return page;
}

void CfirewallDlg::ShowPageOfTab(int index) {
    CDialog* page = m_pProgramDlg;
    if (index == 1)
        page = m_pPortDlg;
    else if (index == 2)
        page = m_pSnifferDlg;
    if (m_pTabDialog == nullptr || page == nullptr || page->m_hWnd == nullptr)
        return;
    m_pTabDialog->HidePages();
    m_pTabDialog->PlacePage(page);
    page->ShowWindow(SW_SHOW);
}

LRESULT CfirewallDlg::OnSelchangeTab(NMHDR*) {
    ShowPageOfTab(m_tabs.GetCurSel());
    return 0;
}

void CfirewallDlg::ShowAboutBox() {
    CAboutDlg about(this);
    about.DoModal();
}

LRESULT CfirewallDlg::OnSysCommand(WPARAM command, LPARAM, bool& handled) {
    if ((command & 0xFFF0) == IDM_ABOUTBOX) {
        ShowAboutBox();
        return 0;
    }
    handled = false;
    return 0;
}

LRESULT CfirewallDlg::OnPaint(WPARAM, LPARAM, bool& handled) {
    if (!::IsIconic(m_hWnd)) {
        handled = false;
        return 0;
    }
    PAINTSTRUCT paint;
    HDC dc = ::BeginPaint(m_hWnd, &paint);
    SendMessage(WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
    const int iconWidth = ::GetSystemMetrics(SM_CXICON);
    const int iconHeight = ::GetSystemMetrics(SM_CYICON);
    RECT client;
    GetClientRect(&client);
    const int x = (client.right - client.left - iconWidth + 1) / 2;
    const int y = (client.bottom - client.top - iconHeight + 1) / 2;
    ::DrawIcon(dc, x, y, m_hIcon);
    ::EndPaint(m_hWnd, &paint);
    return 0;
}

LRESULT CfirewallDlg::OnQueryDragIcon(WPARAM, LPARAM) {
    return reinterpret_cast<LRESULT>(m_hIcon);
}

// The capture thread writes into the traffic page's tree and state: it is stopped while both still
// exist, before the windows go.
LRESULT CfirewallDlg::OnDestroy(WPARAM, LPARAM, bool& handled) {
    if (m_pSnifferDlg != nullptr)
        m_pSnifferDlg->OnClose();
    handled = false;
    return 0;
}

LRESULT CfirewallDlg::OnTrayNotification(WPARAM id, LPARAM event) {
    if (event == WM_LBUTTONDBLCLK)
        CSystemTray::ShowFromTray(m_hWnd, FALSE);
    return m_trayIcon.HandleTrayMessage(id, event);
}

void CfirewallDlg::ShowFirewallState() {
    int on = 0;
    QueryFirewallEnabled(on);
    ::CheckRadioButton(m_hWnd, IDC_FIREWALL_ON, IDC_FIREWALL_OFF, on ? IDC_FIREWALL_ON : IDC_FIREWALL_OFF);
}

void CfirewallDlg::SwitchFirewallFromRadio(bool on) {
    const FW_ERROR_CODE result = on ? SwitchFirewallOn() : SwitchFirewallOff();
    if (result == FW_ERROR_NONE)
        return;
    const HRESULT cause = LastFailureCause();
    ShowFirewallState();
    const std::string text =
        page_rules::RefusalMessage(on ? page_rules::Refused::FirewallOn : page_rules::Refused::FirewallOff,
                                   result, static_cast<std::int32_t>(cause));
    ShowMessageBox(text.c_str(), exception_page::ApplicationTitle().c_str(), MB_OK);
}

void CfirewallDlg::OnFirewallOn() {
    SwitchFirewallFromRadio(true);
}

void CfirewallDlg::OnFirewallOff() {
    SwitchFirewallFromRadio(false);
}

namespace {

struct Broadcast {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};

BOOL CALLBACK PassBroadcast(HWND window, LPARAM param) {
    const auto* broadcast = reinterpret_cast<const Broadcast*>(param);
    ::SendMessageA(window, broadcast->message, broadcast->wParam, broadcast->lParam);
    return TRUE;
}

} // namespace

LRESULT CfirewallDlg::OnSettingBroadcast(UINT message, WPARAM wParam, LPARAM lParam) {
    // Every descendant, however deep (the lists and their headers sit four levels down).
    Broadcast broadcast = {message, wParam, lParam};
    ::EnumChildWindows(m_hWnd, &PassBroadcast, reinterpret_cast<LPARAM>(&broadcast));
    return 0;
}

LRESULT CfirewallDlg::OnSysColorChange(WPARAM wParam, LPARAM lParam, bool& handled) {
    OnSettingBroadcast(WM_SYSCOLORCHANGE, wParam, lParam);
    handled = false;
    return 0;
}

LRESULT CfirewallDlg::OnSettingChange(WPARAM wParam, LPARAM lParam, bool& handled) {
    OnSettingBroadcast(WM_SETTINGCHANGE, wParam, lParam);
    handled = false;
    return 0;
}

void CfirewallDlg::OnAbout() {
    ShowAboutBox();
}

void CfirewallDlg::OnHideToTray() {
    CSystemTray::HideToTray(m_hWnd, FALSE);
}

void CfirewallDlg::OnExit() {
    EndDialog(0);
}

void CfirewallDlg::OnHomePage() {
    palisor::OpenInShell("open", palisor::web::kHomePage);
}

void CfirewallDlg::OnForum() {
    palisor::OpenInShell(nullptr, palisor::web::kForum);
}

// A click on "On" while a capture runs (the button is already selected then) is ignored: the page
// holds one capture at a time. After an "Off" whose wait ran out the old thread may still be winding
// down; "On" then counts, and the engine keeps the start until that thread has ended.
void CfirewallDlg::OnLogsOn() {
    if (m_pSnifferDlg == nullptr || m_pSnifferDlg->captureEngine().WillCapture())
        return;
    m_pSnifferDlg->InitCapture();
    m_pSnifferDlg->StartCapture();
}

void CfirewallDlg::OnLogsOff() {
    if (m_pSnifferDlg != nullptr)
        m_pSnifferDlg->OnClose();
}

void CfirewallDlg::ShowMessageBox(const char* text, const char* caption, unsigned int style) {
    ::MessageBoxA(m_hWnd, text, caption, style);
}

void CfirewallDlg::EndModalRun(int result) {
    EndDialog(result);
}

void CfirewallDlg::WaitMilliseconds(unsigned int milliseconds) {
    ::Sleep(milliseconds);
}

// The capture thread must not run into the process's end: it is stopped first, as on every other way
// out.
void CfirewallDlg::EndProcess(int status) {
    if (m_pSnifferDlg != nullptr)
        m_pSnifferDlg->OnClose();
    EndRuntime(status);
}

// Through the runtime's normal exit: static objects are destroyed, the application's exit handling
// does not run.
void CfirewallDlg::EndRuntime(int status) {
    std::exit(status);
}

void CfirewallDlg::AddPortRow(const char* name, const char* protocolText, const char* portText, int enabled) {
    if (m_pPortDlg != nullptr)
        m_pPortDlg->AddRow(name, protocolText, portText, enabled);
}

void CfirewallDlg::AddProgramRow(const char* name, const char* path, int enabled,
                                 const OLECHAR* firewallPath) {
    if (m_pProgramDlg != nullptr)
        m_pProgramDlg->AddRow(name, path, enabled, firewallPath);
}
