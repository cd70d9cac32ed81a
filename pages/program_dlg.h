// The "Add/Remove Programs" page: the firewall's program exceptions as rows of a check-box list, a
// program file picked with the open-file dialog and a name to add one, a row's box to switch it on or
// off, and its "Remove" cell to remove it. A row is known to the firewall by its path alone.
#pragma once

#include <string>
#include <vector>

#include "controls/x_list_ctrl.h"
#include "pages/exception_page_win32.h"
#include "res/resource.h"
#include "ui/data_exchange.h"
#include "ui/dialog.h"
#include "ui/escape_filter.h"

class CProgramDlg : public EscapeFiltered<CDialog> {
public:
    enum { IDD = IDD_PROGRAMS_PAGE };

    explicit CProgramDlg(CWnd* parent = nullptr);

    // Appends one row: its box ticked when enabled is exactly 1, the name, the blue "Remove" cell and
    // the path. The row's exception is switched and removed by `firewallPath`, the path exactly as the
    // firewall holds it (the shown path may be shortened or lack characters the code page has not);
    // without one, by the shown path.
    void AddRow(const char* name, const char* path, int enabled, const OLECHAR* firewallPath = nullptr);
    // The path by which the row's exception is known to the firewall.
    std::basic_string<OLECHAR> FirewallPath(int row) const;

    CXListCtrl list;
    std::string programPath; // set only through the browse button
    std::string programName;
    int rowCount = 0;

    static constexpr int kEnableColumn = 0;
    static constexpr int kNameColumn = 1;
    static constexpr int kRemoveColumn = 2;
    static constexpr int kPathColumn = 3;

    // Room for the names of several chosen files.
    static constexpr std::size_t kFileBufferSize = 32768;

protected:
    BOOL OnInitDialog() override;
    void DoDataExchange(CDataExchange* dx) override;
    BOOL PreTranslateMessage(MSG* msg) override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    void OnOK() override {}
    void OnCancel() override {}

private:
    void OnBrowse();
    void OnAddProgram();
    LRESULT OnListClick(NMHDR* header);
    LRESULT OnHeaderClick(NMHDR* header, bool& handled);
    LRESULT OnListKeyDown(NMHDR* header);
    // As on the ports page: the box follows only a switch the firewall took; a refused switch or
    // removal refills the list and is shown.
    void SwitchRow(int row);
    void RemoveRow(int row);
    void Refill();

    // Each row's path as the firewall holds it, by row index; empty where the row has none of its own.
    std::vector<std::basic_string<OLECHAR>> firewallPaths;

    exception_page::HeaderClickTracker headerClicks;

    DECLARE_MESSAGE_TABLE()
};
