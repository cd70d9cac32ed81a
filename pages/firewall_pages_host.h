// What the ports and programs pages need of the main window: its firewall operations.
//
// The main window implements this interface (next to FirewallHost, through which its listings hand
// rows to the pages' AddRow):
//
//   class CfirewallDlg : public ..., public FirewallAccess, public FirewallHost, public FirewallPagesHost {
//       FirewallAccess& PagesFirewall() override { return *this; }
//   };
//
// A page looks for it on its own top-level ancestor window, whose object must be the one bound to that
// window by the dialog framework, at every call; it never takes any other window for the main window.
// When a page refills its list it only asks for a listing (ListPortExceptions / ListProgramExceptions):
// the main window's AddPortRow / AddProgramRow pass each row to that page's AddRow.
#pragma once

#include "firewall/firewall_access.h"

class FirewallPagesHost {
public:
    virtual FirewallAccess& PagesFirewall() = 0;

protected:
    ~FirewallPagesHost() = default;
};
