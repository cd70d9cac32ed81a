// The profile handle and the firewall's on/off state.
#include "firewall/firewall_access.h"

#include "firewall/fw_steps.h"

using fw_steps::Fail;
using fw_steps::Require;
using fw_steps::Run;

namespace {

const char kNoManagerText[] = "Palsor works only under Windows XP";
const char kNoProfileText[] = "Palisor works only under Windows XP";
const char kErrorCaption[] = "Error";

} // namespace

#ifdef _WIN32
static_assert(FirewallHost::kErrorMessageStyle == (MB_OK | MB_ICONSTOP),
              "start-up messages: OK and stop icon");

FirewallAccess::FirewallAccess(FirewallHost& host) : FirewallAccess(host, SystemComObjectCreator()) {}
#endif

FirewallAccess::FirewallAccess(FirewallHost& host, ComObjectCreator& creator)
    : host_(host), creator_(creator) {}

FirewallAccess::~FirewallAccess() = default;

FW_ERROR_CODE FirewallAccess::ObtainProfile(INetFwMgr* manager) {
    return Run(lastCause_, [&] {
        ComPtr<INetFwPolicy> policy;
        Require(manager->get_LocalPolicy(policy.Receive()), policy, FW_ERROR_GET_POLICY);
        Require(policy->get_CurrentProfile(profile_.Receive()), profile_, FW_ERROR_GET_PROFILE);
    });
}

FW_ERROR_CODE FirewallAccess::OpenFirewallProfile() {
    lastCause_ = S_OK;
    if (profile_) {
        return FW_ERROR_PROFILE_STATE;
    }
    ComPtr<INetFwMgr> manager;
    const HRESULT created = creator_.CreateInstance(CLSID_NetFwMgr, nullptr, CLSCTX_INPROC_SERVER,
                                                    IID_INetFwMgr, manager.ReceiveVoid());
    if (FAILED(created) || !manager) {
        lastCause_ = FAILED(created) ? created : S_OK;
        host_.ShowMessageBox(kNoManagerText, kErrorCaption, FirewallHost::kErrorMessageStyle);
        host_.EndProcess(0);
        return FW_ERROR_CREATE_MANAGER;
    }

    const FW_ERROR_CODE first = ObtainProfile(manager.Get());
    if (first == FW_ERROR_NONE) {
        return FW_ERROR_NONE;
    }
    // The firewall service may still be starting: keep asking the same manager for a while.
    for (int failedRetries = 0; failedRetries < kProfileRetries;) {
        host_.WaitMilliseconds(kRetryPauseMs);
        if (ObtainProfile(manager.Get()) == FW_ERROR_NONE) {
            return FW_ERROR_NONE;
        }
        ++failedRetries;
    }
    host_.ShowMessageBox(kNoProfileText, kErrorCaption, FirewallHost::kErrorMessageStyle);
    host_.EndModalRun(0);
    return first;
}

FW_ERROR_CODE FirewallAccess::CloseFirewallProfile() {
    lastCause_ = S_OK;
    profile_.Reset();
    return FW_ERROR_NONE;
}

FW_ERROR_CODE FirewallAccess::QueryFirewallEnabled(int& on) {
    on = 0;
    return Run(lastCause_, [&] {
        if (!profile_) {
            Fail(FW_ERROR_PROFILE_STATE);
        }
        VARIANT_BOOL enabled = VARIANT_FALSE;
        Require(profile_->get_FirewallEnabled(&enabled), FW_ERROR_READ_FIREWALL_STATE);
        if (enabled != VARIANT_FALSE) {
            on = 1;
        }
    });
}

FW_ERROR_CODE FirewallAccess::SwitchFirewall(bool on) {
    return Run(lastCause_, [&] {
        if (!profile_) {
            Fail(FW_ERROR_PROFILE_STATE);
        }
        int isOn = 0;
        const FW_ERROR_CODE query = QueryFirewallEnabled(isOn);
        if (query != FW_ERROR_NONE) {
            Fail(query, lastCause_);
        }
        if ((isOn != 0) == on) {
            return;
        }
        Require(profile_->put_FirewallEnabled(on ? VARIANT_TRUE : VARIANT_FALSE),
                FW_ERROR_WRITE_FIREWALL_STATE);
    });
}

FW_ERROR_CODE FirewallAccess::SwitchFirewallOn() {
    return SwitchFirewall(true);
}

FW_ERROR_CODE FirewallAccess::SwitchFirewallOff() {
    return SwitchFirewall(false);
}
