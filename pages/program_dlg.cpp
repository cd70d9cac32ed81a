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
    return TRUE;
}

void CProgramDlg::AddRow(const char* name, const char* path, int enabled) {
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
    dialog.Flags = OFN_EXPLORER | OFN_HIDEREADONLY | OFN_ALLOWMULTISELECT;
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
    if (FirewallAccess* firewall = exception_page::FindFirewall(m_hWnd)) {
        firewall->AddProgramException(exception_page::ToOleText(programPath).c_str(),
                                      exception_page::ToOleText(programName).c_str());
    }
    programPath.clear();
    programName.clear();
    UpdateData(FALSE);
}

LRESULT CProgramDlg::OnListClick(NMHDR* header) {
    const auto* click = reinterpret_cast<const NMITEMACTIVATE*>(header);
    int row = -1;
    int column = -1;
    list.CellFromPoint(click->ptAction, &row, &column);
    if (row < 0 || (column != kRemoveColumn && column != kEnableColumn))
        return 0;
    FirewallAccess* firewall = exception_page::FindFirewall(m_hWnd);
    if (firewall == nullptr)
        return 0;
    const auto path = exception_page::ToOleText(list.GetItemText(row, kPathColumn));
    if (column == kRemoveColumn) {
        firewall->RemoveProgramException(path.c_str());
        Refill();
    } else {
        const int was = list.GetCellCheck(row, kEnableColumn);
        firewall->ToggleProgramException(path.c_str(), page_rules::ToggleFlag(was));
        list.SetCellCheck(row, kEnableColumn, was == 1 ? 0 : 1);
    }
    return 0;
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
    if (FirewallAccess* firewall = exception_page::FindFirewall(m_hWnd)) {
        for (const auto& change : changes) {
            firewall->ToggleProgramException(
                exception_page::ToOleText(list.GetItemText(change.row, kPathColumn)).c_str(),
                change.toggleFlag);
        }
    }
    // The list shows what the firewall now holds, whatever each switch did.
    Refill();
    return 0;
}

void CProgramDlg::Refill() {
    FirewallAccess* firewall = exception_page::FindFirewall(m_hWnd);
    if (firewall == nullptr)
        return; // nothing to show in place of the rows
    // The rows are painted once, when all are in.
    ListRedrawOff fill(&list);
    exception_page::ClearRows(list);
    rowCount = 0;
    firewall->ListProgramExceptions();
}
