#include "pages/program_dlg.h"

#include <commctrl.h>
#include <commdlg.h>

#include "pages/exception_page_win32.h"
#include "pages/page_rules.h"

namespace {

constexpr COLORREF kRemoveText = RGB(0, 0, 255);
constexpr COLORREF kRemoveBack = RGB(255, 255, 255);

} // namespace

BEGIN_MESSAGE_TABLE(CProgramDlg, CDialog)
ON_COMMAND(IDC_BROWSE, &CProgramDlg::OnBrowse)
ON_COMMAND(IDC_ADD_PROGRAM, &CProgramDlg::OnAddProgram)
ON_NOTIFY(NM_CLICK, IDC_PROGRAM_LIST, &CProgramDlg::OnListClick)
ON_NOTIFY(LVN_COLUMNCLICK, IDC_PROGRAM_LIST, &CProgramDlg::OnHeaderClick)
ON_NOTIFY(LVN_KEYDOWN, IDC_PROGRAM_LIST, &CProgramDlg::OnListKeyDown)
END_MESSAGE_TABLE()

CProgramDlg::CProgramDlg(CWnd* parent) : EscapeFiltered<CDialog>(IDD, parent) {}

void CProgramDlg::DoDataExchange(CDataExchange* dx) {
    CDialog::DoDataExchange(dx);
    DDX_Control(dx, IDC_PROGRAM_LIST, list);
    DDX_Text(dx, IDC_PROGRAM_PATH, programPath);
    DDX_Text(dx, IDC_PROGRAM_NAME, programName);
}

BOOL CProgramDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    const auto widths = page_rules::ProgramColumnWidths(exception_page::ListWidth(list));
    list.InsertColumn(kEnableColumn, "Enable", LVCFMT_LEFT, widths[0]);
    list.InsertColumn(kNameColumn, "Program", LVCFMT_LEFT, widths[1]);
    list.InsertColumn(kRemoveColumn, "", LVCFMT_LEFT, widths[2]);
    list.InsertColumn(kPathColumn, "Path", LVCFMT_LEFT, widths[3]);
    exception_page::SetUpCheckHeader(list);
    exception_page::FitLabelColumns(m_hWnd);
    return TRUE;
}

void CProgramDlg::AddRow(const char* name, const char* path, int enabled, const OLECHAR* firewallPath) {
    if (firewallPaths.size() <= static_cast<std::size_t>(rowCount))
        firewallPaths.resize(static_cast<std::size_t>(rowCount) + 1);
    firewallPaths[static_cast<std::size_t>(rowCount)] =
        firewallPath != nullptr ? std::basic_string<OLECHAR>(firewallPath) : std::basic_string<OLECHAR>();
    list.InsertItem(rowCount, "");
    list.SetCellCheck(rowCount, kEnableColumn, enabled == 1 ? 1 : 0);
    list.SetItemText(rowCount, kNameColumn, name);
    list.SetItemText(rowCount, kRemoveColumn, "Remove", kRemoveText, kRemoveBack);
    list.SetItemText(rowCount, kPathColumn, path);
    ++rowCount;
}

void CProgramDlg::OnBrowse() {
    UpdateData(TRUE);
    const std::string filter = page_rules::FileDialogFilter("All Files (*.*)|*.*||");
    std::vector<char> file(kFileBufferSize, '\0');
    OPENFILENAMEA dialog = {};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = ::GetAncestor(m_hWnd, GA_ROOT);
    dialog.lpstrFilter = filter.c_str();
    dialog.nFilterIndex = 1;
    dialog.lpstrFile = file.data();
    dialog.nMaxFile = static_cast<DWORD>(file.size());
    // Only files that exist: a typed name of a missing file is answered by the dialog itself.
    dialog.Flags =
        OFN_EXPLORER | OFN_HIDEREADONLY | OFN_ALLOWMULTISELECT | OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST;
    if (::GetOpenFileNameA(&dialog))
        programPath = page_rules::ChosenFilePath(file.data(), file.size());
    UpdateData(FALSE);
}

void CProgramDlg::OnAddProgram() {
    UpdateData(TRUE);
    if (const char* message = page_rules::CheckProgramInput(programPath, programName)) {
        exception_page::ShowMessage(m_hWnd, message);
        return;
    }
    AddRow(programName.c_str(), programPath.c_str(), 1);
    FW_ERROR_CODE result = FW_ERROR_NONE;
    FirewallAccess* firewall = exception_page::FindFirewall(m_hWnd);
    if (firewall != nullptr) {
        result = firewall->AddProgramException(exception_page::ToOleText(programPath).c_str(),
                                               exception_page::ToOleText(programName).c_str());
    }
    if (result != FW_ERROR_NONE) {
        // The new row goes again: the list shows what the firewall holds. The chosen path and the
        // typed name stay, to be put right and added again.
        const HRESULT cause = firewall->LastFailureCause();
        Refill();
        exception_page::ShowRefusal(m_hWnd, page_rules::Refused::AddProgram, result, cause);
        return;
    }
    programPath.clear();
    programName.clear();
    UpdateData(FALSE);
}

std::basic_string<OLECHAR> CProgramDlg::FirewallPath(int row) const {
    if (row >= 0 && static_cast<std::size_t>(row) < firewallPaths.size() &&
        !firewallPaths[static_cast<std::size_t>(row)].empty())
        return firewallPaths[static_cast<std::size_t>(row)];
    return exception_page::ToOleText(list.GetItemText(row, kPathColumn));
}

LRESULT CProgramDlg::OnListClick(NMHDR* header) {
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

LRESULT CProgramDlg::OnListKeyDown(NMHDR* header) {
    // Space switches the selected row's box, as a click on it does.
    if (exception_page::IsSpaceKey(header)) {
        const int row = exception_page::SelectedRow(list);
        if (row >= 0)
            SwitchRow(row);
    }
    return 0;
}

void CProgramDlg::SwitchRow(int row) {
    FirewallAccess* firewall = exception_page::FindFirewall(m_hWnd);
    if (firewall == nullptr)
        return;
    const int was = list.GetCellCheck(row, kEnableColumn);
    const FW_ERROR_CODE result =
        firewall->ToggleProgramException(FirewallPath(row).c_str(), page_rules::ToggleFlag(was));
    if (result == FW_ERROR_NONE) {
        list.SetCellCheck(row, kEnableColumn, was == 1 ? 0 : 1);
        return;
    }
    const HRESULT cause = firewall->LastFailureCause();
    Refill();
    exception_page::ShowRefusal(m_hWnd, page_rules::Refused::SwitchProgram, result, cause);
}

void CProgramDlg::RemoveRow(int row) {
    FirewallAccess* firewall = exception_page::FindFirewall(m_hWnd);
    if (firewall == nullptr)
        return;
    const FW_ERROR_CODE result = firewall->RemoveProgramException(FirewallPath(row).c_str());
    const HRESULT cause = firewall->LastFailureCause();
    Refill();
    if (result != FW_ERROR_NONE)
        exception_page::ShowRefusal(m_hWnd, page_rules::Refused::RemoveProgram, result, cause);
}

BOOL CProgramDlg::PreTranslateMessage(MSG* msg) {
    if (exception_page::IsHeldSpaceRepeat(list, *msg))
        return TRUE;
    return EscapeFiltered<CDialog>::PreTranslateMessage(msg);
}

LRESULT CProgramDlg::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    headerClicks.Notice(list, message, lParam);
    return EscapeFiltered<CDialog>::WindowProc(message, wParam, lParam);
}

LRESULT CProgramDlg::OnHeaderClick(NMHDR* header, bool& handled) {
    std::vector<page_rules::BoxChange> changes;
    if (!headerClicks.TakeChanges(list, header, changes)) {
        handled = false;
        return 0;
    }
    if (changes.empty())
        return 0;
    FW_ERROR_CODE failed = FW_ERROR_NONE;
    HRESULT cause = S_OK;
    if (FirewallAccess* firewall = exception_page::FindFirewall(m_hWnd)) {
        for (const auto& change : changes) {
            const FW_ERROR_CODE result =
                firewall->ToggleProgramException(FirewallPath(change.row).c_str(), change.toggleFlag);
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
        exception_page::ShowRefusal(m_hWnd, page_rules::Refused::SwitchAllPrograms, failed, cause);
    return 0;
}

void CProgramDlg::Refill() {
    FirewallAccess* firewall = exception_page::FindFirewall(m_hWnd);
    if (firewall == nullptr)
        return; // nothing to show in place of the rows
    // The rows are painted once, when all are in.
    ListRedrawOff fill(&list);
    exception_page::ClearRows(list);
    firewallPaths.clear();
    rowCount = 0;
    firewall->ListProgramExceptions();
}
