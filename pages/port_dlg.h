// The "View Ports" page: the firewall's port exceptions as rows of a check-box list, with a name, a
// port number and a protocol to add one, a row's box to switch it on or off, and its "Remove" cell to
// remove it. The rows are all the page keeps; the main window fills them through AddRow, and every
// change goes to the firewall of the main window that holds the page.
#pragma once

#include <string>
#include <vector>

#include "controls/x_list_ctrl.h"
#include "pages/exception_page_win32.h"
#include "res/resource.h"
#include "ui/data_exchange.h"
#include "ui/dialog.h"
#include "ui/escape_filter.h"

class CPortDlg : public EscapeFiltered<CDialog> {
public:
    enum { IDD = IDD_PORTS_PAGE };

    explicit CPortDlg(CWnd* parent = nullptr);

    // Appends one row: its box ticked when enabled is exactly 1, the name, the port text, the protocol
    // text and the blue "Remove" cell.
    void AddRow(const char* name, const char* protocolText, const char* portText, int enabled);

    std::string portName;
    std::string portNumberText; // exactly as typed
    int protocolChoice = 1;     // 1 TCP, 2 UDP
    CXListCtrl list;
    int rowCount = 0; // where the next row goes

    // Columns of the list.
    static constexpr int kEnableColumn = 0;
    static constexpr int kNameColumn = 1;
    static constexpr int kPortColumn = 2;
    static constexpr int kProtocolColumn = 3;
    static constexpr int kRemoveColumn = 4;

protected:
    BOOL OnInitDialog() override;
    void DoDataExchange(CDataExchange* dx) override;
    BOOL PreTranslateMessage(MSG* msg) override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    // Enter and Escape neither close nor hide a page.
    void OnOK() override {}
    void OnCancel() override {}

private:
    void OnProtocolTcp();
    void OnProtocolUdp();
    void OnAddPort();
    LRESULT OnListClick(NMHDR* header);
    LRESULT OnHeaderClick(NMHDR* header, bool& handled);
    LRESULT OnListKeyDown(NMHDR* header);
    // Switches the row's exception through the firewall; its box follows only when the firewall
    // took the change, otherwise the list is refilled and the refusal shown.
    void SwitchRow(int row);
    // Removes the row's exception and refills the list; a refusal is shown.
    void RemoveRow(int row);
    // Empties the list and has the main window list the firewall's port exceptions into it again.
    void Refill();

    // The boxes of column 0 just before the list acts on a click on its header.
    exception_page::HeaderClickTracker headerClicks;

    DECLARE_MESSAGE_TABLE()
};
