// What an open port and an authorised application share: an entry of the policy (or data of their own
// until they are added), the properties both interfaces carry, and how a read or a write meets
// injected failures and the service's rules.
#pragma once

#include <memory>

#include "standin/firewall/standin_object.h"

namespace standin {

template <typename Interface, typename Entry> class StandinItem : public StandinObject<Interface> {
public:
    StandinItem(std::shared_ptr<StandinPolicy> policy, const IID& interfaceId, const char* interfaceName,
                std::shared_ptr<Entry> data, bool attached)
        : StandinObject<Interface>(std::move(policy), interfaceId, interfaceName), data_(std::move(data)),
          attached_(attached) {}

    const Entry& Data() const { return *data_; }

    HRESULT STDMETHODCALLTYPE get_Name(BSTR* name) override {
        return ReadText(name, data_->name, "get_Name");
    }
    HRESULT STDMETHODCALLTYPE put_Name(BSTR name) override {
        return Change("put_Name", SysStringLen(name) > 0, [&] { data_->name = FromComString(name); });
    }
    HRESULT STDMETHODCALLTYPE get_IpVersion(NET_FW_IP_VERSION* ipVersion) override {
        return Read(ipVersion, data_->ipVersion, "get_IpVersion");
    }
    HRESULT STDMETHODCALLTYPE put_IpVersion(NET_FW_IP_VERSION ipVersion) override {
        return Change("put_IpVersion",
                      ipVersion >= NET_FW_IP_VERSION_V4 && ipVersion <= NET_FW_IP_VERSION_ANY,
                      [&] { data_->ipVersion = ipVersion; });
    }
    HRESULT STDMETHODCALLTYPE get_Scope(NET_FW_SCOPE* scope) override {
        return Read(scope, data_->scope, "get_Scope");
    }
    HRESULT STDMETHODCALLTYPE put_Scope(NET_FW_SCOPE scope) override {
        return Change("put_Scope", scope >= NET_FW_SCOPE_ALL && scope <= NET_FW_SCOPE_CUSTOM,
                      [&] { data_->scope = scope; });
    }
    HRESULT STDMETHODCALLTYPE get_RemoteAddresses(BSTR* remoteAddrs) override {
        return ReadText(remoteAddrs, data_->remoteAddresses, "get_RemoteAddresses");
    }
    HRESULT STDMETHODCALLTYPE put_RemoteAddresses(BSTR remoteAddrs) override {
        return Change("put_RemoteAddresses", SysStringLen(remoteAddrs) > 0,
                      [&] { data_->remoteAddresses = FromComString(remoteAddrs); });
    }
    HRESULT STDMETHODCALLTYPE get_Enabled(VARIANT_BOOL* enabled) override {
        return Read(enabled, this->Policy().Report(data_->enabled), "get_Enabled");
    }
    HRESULT STDMETHODCALLTYPE put_Enabled(VARIANT_BOOL enabled) override {
        return Change("put_Enabled", true, [&] { data_->enabled = enabled != VARIANT_FALSE; });
    }

protected:
    HRESULT ReadText(BSTR* out, const OleString& value, const char* method) {
        if (out == nullptr) {
            return E_POINTER;
        }
        *out = nullptr;
        const HRESULT injected = this->Check(method);
        return FAILED(injected) ? injected : ToComString(value, out);
    }
    template <typename T> HRESULT Read(T* out, T value, const char* method) {
        if (out == nullptr) {
            return E_POINTER;
        }
        const HRESULT injected = this->Check(method);
        if (SUCCEEDED(injected)) {
            *out = value;
        }
        return injected;
    }
    // A write that the service accepts changes the item; an item in the policy is saved at once.
    template <typename Apply> HRESULT Change(const char* method, bool accepted, Apply apply) {
        const HRESULT injected = this->Check(method);
        if (FAILED(injected)) {
            return injected;
        }
        if (attached_) {
            const HRESULT allowed = this->Policy().MayChange();
            if (FAILED(allowed)) {
                return allowed;
            }
        }
        if (!accepted) {
            return E_INVALIDARG;
        }
        if (!attached_) {
            apply();
            return S_OK;
        }
        return this->Policy().Commit(apply);
    }

    std::shared_ptr<Entry> data_;
    bool attached_;
};

} // namespace standin
