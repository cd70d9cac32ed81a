// What the firewall operations need of the window that carries them: the start-up messages, the end
// of the modal run or of the process, the pause between attempts to reach the firewall, and the pages
// that receive listed exceptions. The main window implements it; tests record the calls instead.
#pragma once

#include "platform/firewall_com.h"

class FirewallHost {
public:
    // Style of the start-up messages: an OK button and the stop icon (MB_OK | MB_ICONSTOP).
    static constexpr unsigned int kErrorMessageStyle = 0x10;

    // Shows a message box owned by the main window and returns when the user has closed it.
    virtual void ShowMessageBox(const char* text, const char* caption, unsigned int style) = 0;
    // Ends the main window's modal run with the given result.
    virtual void EndModalRun(int result) = 0;
    // Blocks the calling thread.
    virtual void WaitMilliseconds(unsigned int milliseconds) = 0;
    // Ends the process through the runtime's normal exit; on Windows it does not return.
    virtual void EndProcess(int status) = 0;
    // Appends one row to the ports page: name, "TCP" or "UDP", the port as "%d ", 1 or 0.
    virtual void AddPortRow(const char* name, const char* protocolText, const char* portText,
                            int enabled) = 0;
    // Appends one row to the programs page: name, path (shortened to the page's row buffer, in the ANSI
    // code page), 1 or 0, and the path exactly as the firewall holds it, by which the row's exception
    // is switched and removed.
    virtual void AddProgramRow(const char* name, const char* path, int enabled,
                               const OLECHAR* firewallPath) = 0;

protected:
    ~FirewallHost() = default;
};
