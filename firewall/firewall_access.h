// The firewall side of the main window: the handle on the current firewall profile and every operation
// on the firewall's on/off state, its port exceptions and its program exceptions.
//
// Each reporting operation yields an FW_ERROR_CODE: 0, or the code of the first step that failed.
// Steps done before a failure stay done. Out-parameters are 0 on entry and become 1 only when the
// positive answer is established. Every COM object and string an operation obtains is released before
// it returns; only the profile handle lives between operations.
#pragma once

#include "firewall/com_object_creator.h"
#include "firewall/firewall_host.h"
#include "firewall/fw_error_code.h"
#include "platform/com_ptr.h"

class FirewallAccess {
public:
    // Attempts to reach the firewall's profile: the first one and up to this many more.
    static constexpr int kProfileRetries = 20;
    static constexpr unsigned int kRetryPauseMs = 5000;

    FirewallAccess(FirewallHost& host, ComObjectCreator& creator);
#ifdef _WIN32
    explicit FirewallAccess(FirewallHost& host);
#endif
    FirewallAccess(const FirewallAccess&) = delete;
    FirewallAccess& operator=(const FirewallAccess&) = delete;
    ~FirewallAccess();

    // Session and on/off state. COM must be initialised on the calling thread before opening.
    FW_ERROR_CODE OpenFirewallProfile();
    FW_ERROR_CODE CloseFirewallProfile();
    FW_ERROR_CODE QueryFirewallEnabled(int& on);
    FW_ERROR_CODE SwitchFirewallOn();
    FW_ERROR_CODE SwitchFirewallOff();

    // Port exceptions, identified by port number and IP protocol (6 TCP, 17 UDP).
    FW_ERROR_CODE QueryPortException(int port, int protocol, int& enabled);
    FW_ERROR_CODE AddPortException(int port, int protocol, const OLECHAR* name);
    FW_ERROR_CODE RemovePortException(int port, int protocol);
    FW_ERROR_CODE TogglePortException(int port, int protocol, int ticked);
    void ListPortExceptions();

    // Program exceptions, identified by the program's image path.
    FW_ERROR_CODE QueryProgramException(const OLECHAR* path, int& enabled);
    FW_ERROR_CODE AddProgramException(const OLECHAR* path, const OLECHAR* name);
    FW_ERROR_CODE RemoveProgramException(const OLECHAR* path);
    FW_ERROR_CODE ToggleProgramException(const OLECHAR* path, int ticked);
    void ListProgramExceptions();

    // The firewall's result behind the last reporting operation's failure: E_ACCESSDENIED when the
    // user may not change the firewall, S_OK when that operation succeeded or failed for want of a
    // profile or an argument.
    HRESULT LastFailureCause() const {
        return lastCause_;
    }

    // The held profile, or null.
    INetFwProfile* Profile() const {
        return profile_.Get();
    }

private:
    FW_ERROR_CODE SwitchFirewall(bool on);
    // One attempt at the local policy and its current profile.
    FW_ERROR_CODE ObtainProfile(INetFwMgr* manager);

    FirewallHost& host_;
    ComObjectCreator& creator_;
    ComPtr<INetFwProfile> profile_;
    HRESULT lastCause_ = S_OK;
};
