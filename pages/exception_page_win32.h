// What the ports and programs pages share on Windows: finding the main window's firewall, the
// messages they show, the text they hand to the firewall, and the list's header check boxes.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "controls/x_list_ctrl.h"
#include "pages/firewall_pages_host.h"
#include "pages/page_rules.h"

namespace exception_page {

// The firewall of the main window that holds the page: the page's top-level ancestor, when that window
// is bound to an object implementing FirewallPagesHost. Null otherwise.
FirewallAccess* FindFirewall(HWND page);

// The application's title, the caption of every message of the pages.
std::string ApplicationTitle();
// An OK message box with the application's title, owned by the page's top-level window.
void ShowMessage(HWND page, const char* text);

// Tells the user, in one message box owned by the page's top-level window, that a change was not made
// and why. The page shows the firewall's real state again before it calls this.
void ShowRefusal(HWND page, page_rules::Refused what, FW_ERROR_CODE code, HRESULT cause);

// The row the keyboard acts on: the selected row, or -1.
int SelectedRow(const CXListCtrl& list);
// Whether a notification is the list's key-down of the Space bar.
bool IsSpaceKey(const NMHDR* header);
// Whether a message is a repeated key-down of the Space bar held on the list. The page drops such
// messages before they reach the list, so holding Space switches a row once, not once per repeat.
bool IsHeldSpaceRepeat(const CXListCtrl& list, const MSG& msg);

// Narrow text in the system's ANSI code page as the firewall takes it.
std::basic_string<OLECHAR> ToOleText(const std::string& text);

// Full-row selection, the header's image list from the check-box strip, and the header images:
// column 0 shows the clear box (the column's header check box), every other column image 0.
void SetUpCheckHeader(CXListCtrl& list);

// Makes room for the captions of the page's right-aligned labels. Where a label's caption does not fit
// its width on one line in the label's font (dialog units grow unevenly with the screen's DPI, so a
// label that fits at one DPI can wrap at another), the labels beside one column of edit boxes widen by
// the largest shortfall among them and the column's edit boxes give up as much at their left edges,
// all alike so that they stay aligned; the boxes keep their right edges. When every caption fits,
// nothing moves. Called from the page's OnInitDialog.
void FitLabelColumns(HWND page);

// The list window's width in pixels.
int ListWidth(const CXListCtrl& list);

// The check state of column 0 in every row.
std::vector<int> EnableColumnStates(const CXListCtrl& list);

// Clears the list for a refill. The header box then follows the rows the refill adds.
void ClearRows(CXListCtrl& list);

// Which rows a click on the "Enable" header changed. The list ticks or clears every box itself
// before the page hears of the click, so the boxes are noted while the notification passes the
// page's window procedure and compared when the page's handler runs.
class HeaderClickTracker {
public:
    // From the page's WindowProc, for every message.
    void Notice(const CXListCtrl& list, UINT message, LPARAM lParam);
    // From the page's column-click handler: false when the click was not on the "Enable" header
    // (or went unnoticed); otherwise the rows whose box it changed.
    bool TakeChanges(const CXListCtrl& list, const NMHDR* header,
                     std::vector<page_rules::BoxChange>& changes);

private:
    std::vector<int> before_;
    bool seen_ = false;
};

} // namespace exception_page
