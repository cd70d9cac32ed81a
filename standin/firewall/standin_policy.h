// The stand-in firewall's policy of the current profile: the on/off state, the globally open ports and
// the authorised applications, kept in memory with the rules the real service applies.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/firewall_com.h"
#include "standin/firewall/failure_injector.h"

namespace standin {

using OleString = std::basic_string<OLECHAR>;

struct OpenPortData {
    OleString name;
    LONG port = 0;
    int protocol = NET_FW_IP_PROTOCOL_TCP;
    bool enabled = true; // new exceptions start enabled
    NET_FW_IP_VERSION ipVersion = NET_FW_IP_VERSION_ANY;
    NET_FW_SCOPE scope = NET_FW_SCOPE_ALL;
    OleString remoteAddresses = OleString(1, OLECHAR('*'));
};

struct ApplicationData {
    OleString name;
    OleString path;
    bool enabled = true;
    NET_FW_IP_VERSION ipVersion = NET_FW_IP_VERSION_ANY;
    NET_FW_SCOPE scope = NET_FW_SCOPE_ALL;
    OleString remoteAddresses = OleString(1, OLECHAR('*'));
};

// Paths name files on a Windows file system: letters compare without regard to case.
bool SamePath(const OleString& a, const OleString& b);

class StandinPolicy {
public:
    bool firewallEnabled = true;
    // Insertion order is the order the enumerators deliver.
    std::vector<std::shared_ptr<OpenPortData>> ports;
    std::vector<std::shared_ptr<ApplicationData>> applications;
    FailureInjector failures;
    // The value the Enabled properties report for "on". The service reports VARIANT_TRUE (-1); a test
    // sets another non-zero value to see which readers insist on exactly -1.
    VARIANT_BOOL trueValue = VARIANT_TRUE;
    // Called after every change; the COM server saves the policy file here. A failure result is
    // reported by the call that made the change.
    std::function<HRESULT()> onChange;

    // Called before the profile hands out its state; the COM server reads the policy file again here
    // when another process has changed it.
    std::function<void()> onRefresh;

    // A user without administrator rights: every change of the policy is refused with
    // E_ACCESSDENIED, while everything can still be read.
    bool writesRefused = false;
    // Asked before every change of the policy; a failure refuses the change and leaves the policy as it
    // is. The COM server refuses changes here while its policy file cannot be read.
    std::function<HRESULT()> onBeforeChange;

    HRESULT MayChange() const {
        if (writesRefused) {
            return E_ACCESSDENIED;
        }
        return onBeforeChange ? onBeforeChange() : S_OK;
    }
    // Makes a change and keeps it (onChange). A change that cannot be kept is undone, entries that
    // items hold included, so memory never holds what the caller was told did not happen.
    HRESULT Commit(const std::function<void()>& change);
    VARIANT_BOOL Report(bool value) const { return value ? trueValue : VARIANT_FALSE; }
    void Refresh() {
        if (onRefresh) {
            onRefresh();
        }
    }

    std::shared_ptr<OpenPortData> FindPort(LONG port, int protocol) const;
    std::shared_ptr<ApplicationData> FindApplication(const OleString& path) const;
    // Adding an existing pair or path replaces that entry where it stands.
    void PutPort(const OpenPortData& data);
    void PutApplication(const ApplicationData& data);
    bool RemovePort(LONG port, int protocol);
    bool RemoveApplication(const OleString& path);
    void ResetPolicy();
};

// Live COM objects of the stand-in in this process.
long LiveObjectCount();

} // namespace standin
