#include "pages/port_dlg.h"

#include <commctrl.h>

#include "pages/exception_page_win32.h"
#include "pages/page_rules.h"

namespace {

constexpr COLORREF kRemoveText = RGB(0, 0, 255);
constexpr COLORREF kRemoveBack = RGB(255, 255, 255);

} // namespace

BEGIN_MESSAGE_TABLE(CPortDlg, CDialog)
ON_COMMAND(IDC_PROTOCOL_TCP, &CPortDlg::OnProtocolTcp)
ON_COMMAND(IDC_PROTOCOL_UDP, &CPortDlg::OnProtocolUdp)
ON_COMMAND(IDC_ADD_PORT, &CPortDlg::OnAddPort)
ON_NOTIFY(NM_CLICK, IDC_PORT_LIST, &CPortDlg::OnListClick)
ON_NOTIFY(LVN_COLUMNCLICK, IDC_PORT_LIST, &CPortDlg::OnHeaderClick)
ON_NOTIFY(LVN_KEYDOWN, IDC_PORT_LIST, &CPortDlg::OnListKeyDown)
END_MESSAGE_TABLE()

CPortDlg::CPortDlg(CWnd* parent) : EscapeFiltered<CDialog>(IDD, parent) {}

void CPortDlg::DoDataExchange(CDataExchange* dx) {
    CDialog::DoDataExchange(dx);
    DDX_Text(dx, IDC_PORT_NAME, portName);
    DDX_Text(dx, IDC_PORT_NUMBER, portNumberText);
    DDX_Control(dx, IDC_PORT_LIST, list);
    // The radios always show the choice the next add uses.
    if (!dx->m_bSaveAndValidate && m_hWnd != nullptr)
        ::CheckRadioButton(m_hWnd, IDC_PROTOCOL_TCP, IDC_PROTOCOL_UDP,
                           protocolChoice == page_rules::kChoiceTcp ? IDC_PROTOCOL_TCP : IDC_PROTOCOL_UDP);
}

BOOL CPortDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    const auto widths = page_rules::PortColumnWidths(exception_page::ListWidth(list));
    list.InsertColumn(kEnableColumn, "Enable", LVCFMT_LEFT, widths[0]);
    list.InsertColumn(kNameColumn, "Port Name", LVCFMT_LEFT, widths[1]);
    list.InsertColumn(kPortColumn, "Port Number", LVCFMT_LEFT, widths[2]);
    list.InsertColumn(kProtocolColumn, "Protocol", LVCFMT_LEFT, widths[3]);
    list.InsertColumn(kRemoveColumn, "", LVCFMT_LEFT, widths[4]);
    exception_page::SetUpCheckHeader(list);
    exception_page::FitLabelColumns(m_hWnd);
    return TRUE;
}

void CPortDlg::AddRow(const char* name, const char* protocolText, const char* portText, int enabled) {
    list.InsertItem(rowCount, "");
    list.SetCellCheck(rowCount, kEnableColumn, enabled == 1 ? 1 : 0);
    list.SetItemText(rowCount, kNameColumn, name);
    list.SetItemText(rowCount, kPortColumn, portText);
    list.SetItemText(rowCount, kProtocolColumn, protocolText);
    list.SetItemText(rowCount, kRemoveColumn, "Remove", kRemoveText, kRemoveBack);
    ++rowCount;
}

void CPortDlg::OnProtocolTcp() {
    protocolChoice = page_rules::kChoiceTcp;
}

void CPortDlg::OnProtocolUdp() {
    protocolChoice = page_rules::kChoiceUdp;
}

void CPortDlg::OnAddPort() {
    UpdateData(TRUE);
    if (const char* message = page_rules::CheckPortInput(portName, portNumberText)) {
        exception_page::ShowMessage(m_hWnd, message);
        return;
    }
    AddRow(portName.c_str(), page_rules::ProtocolText(protocolChoice), portNumberText.c_str(), 1);
    FW_ERROR_CODE result = FW_ERROR_NONE;
    FirewallAccess* firewall = exception_page::FindFirewall(m_hWnd);
    if (firewall != nullptr) {
        result = firewall->AddPortException(page_rules::LeadingInteger(portNumberText),
                                            page_rules::ProtocolNumberOfChoice(protocolChoice),
                                            exception_page::ToOleText(portName).c_str());
    }
    if (result != FW_ERROR_NONE) {
        // The new row goes again: the list shows what the firewall holds. What was typed stays, to be
        // put right and added again.
        const HRESULT cause = firewall->LastFailureCause();
        Refill();
        exception_page::ShowRefusal(m_hWnd, page_rules::Refused::AddPort, result, cause);
        return;
    }
    portName.clear();
    portNumberText.clear();
    UpdateData(FALSE);
}

LRESULT CPortDlg::OnListClick(NMHDR* header) {
    const auto* click = reinterpret_cast<const NMITEMACTIVATE*>(header);
    int row = -1;
    int column = -1;
    list.CellFromPoint(click->ptAction, &row, &column);
    if (row < 0)
        return 0;
    if (column == kRemoveColumn)
        RemoveRow(row);
    else if (column == kEnableColumn)
        SwitchRow(row);
    return 0;
}

LRESULT CPortDlg::OnListKeyDown(NMHDR* header) {
    // Space switches the selected row's box, as a click on it does.
    if (exception_page::IsSpaceKey(header)) {
        const int row = exception_page::SelectedRow(list);
        if (row >= 0)
            SwitchRow(row);
    }
    return 0;
}

void CPortDlg::SwitchRow(int row) {
    FirewallAccess* firewall = exception_page::FindFirewall(m_hWnd);
    if (firewall == nullptr)
        return;
    const int port = page_rules::LeadingInteger(list.GetItemText(row, kPortColumn));
    const int protocol = page_rules::ProtocolNumber(list.GetItemText(row, kProtocolColumn));
    const int was = list.GetCellCheck(row, kEnableColumn);
    const FW_ERROR_CODE result = firewall->TogglePortException(port, protocol, page_rules::ToggleFlag(was));
    if (result == FW_ERROR_NONE) {
        list.SetCellCheck(row, kEnableColumn, was == 1 ? 0 : 1);
        return;
    }
    const HRESULT cause = firewall->LastFailureCause();
    Refill();
    exception_page::ShowRefusal(m_hWnd, page_rules::Refused::SwitchPort, result, cause);
}

void CPortDlg::RemoveRow(int row) {
    FirewallAccess* firewall = exception_page::FindFirewall(m_hWnd);
    if (firewall == nullptr)
        return;
    const int port = page_rules::LeadingInteger(list.GetItemText(row, kPortColumn));
    const int protocol = page_rules::ProtocolNumber(list.GetItemText(row, kProtocolColumn));
    const FW_ERROR_CODE result = firewall->RemovePortException(port, protocol);
    const HRESULT cause = firewall->LastFailureCause();
    Refill();
    if (result != FW_ERROR_NONE)
        exception_page::ShowRefusal(m_hWnd, page_rules::Refused::RemovePort, result, cause);
}

BOOL CPortDlg::PreTranslateMessage(MSG* msg) {
    if (exception_page::IsHeldSpaceRepeat(list, *msg))
        return TRUE;
    return EscapeFiltered<CDialog>::PreTranslateMessage(msg);
}

LRESULT CPortDlg::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    headerClicks.Notice(list, message, lParam);
    return EscapeFiltered<CDialog>::WindowProc(message, wParam, lParam);
}

LRESULT CPortDlg::OnHeaderClick(NMHDR* header, bool& handled) {
    std::vector<page_rules::BoxChange> changes;
    if (!headerClicks.TakeChanges(list, header, changes)) {
        handled = false;
        return 0;
    }
    if (changes.empty())
        return 0;
    FirewallAccess* firewall = exception_page::FindFirewall(m_hWnd);
    FW_ERROR_CODE failed = FW_ERROR_NONE;
    HRESULT cause = S_OK;
    if (firewall != nullptr) {
        for (const auto& change : changes) {
            const FW_ERROR_CODE result = firewall->TogglePortException(
                page_rules::LeadingInteger(list.GetItemText(change.row, kPortColumn)),
                page_rules::ProtocolNumber(list.GetItemText(change.row, kProtocolColumn)), change.toggleFlag);
            if (result != FW_ERROR_NONE && failed == FW_ERROR_NONE) {
                failed = result;
                cause = firewall->LastFailureCause();
            }
        }
    }
    // The list shows what the firewall now holds, whatever each switch did; one message tells of the
    // switches that were refused.
    Refill();
    if (failed != FW_ERROR_NONE)
        exception_page::ShowRefusal(m_hWnd, page_rules::Refused::SwitchAllPorts, failed, cause);
    return 0;
}

void CPortDlg::Refill() {
    FirewallAccess* firewall = exception_page::FindFirewall(m_hWnd);
    if (firewall == nullptr)
        return; // nothing to show in place of the rows
    // The rows are painted once, when all are in.
    ListRedrawOff fill(&list);
    exception_page::ClearRows(list);
    rowCount = 0;
    firewall->ListPortExceptions();
}
