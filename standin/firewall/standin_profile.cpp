// The current profile: the firewall's on/off state and the two exception collections.
#include "standin/firewall/standin_object.h"
#include "standin/firewall/standin_objects.h"

namespace standin {

namespace {

class Profile final : public StandinObject<INetFwProfile> {
public:
    explicit Profile(std::shared_ptr<StandinPolicy> policy)
        : StandinObject(std::move(policy), IID_INetFwProfile, "INetFwProfile") {}

    HRESULT STDMETHODCALLTYPE get_Type(NET_FW_PROFILE_TYPE* type) override {
        if (type == nullptr) {
            return E_POINTER;
        }
        *type = NET_FW_PROFILE_STANDARD;
        return Check("get_Type");
    }
    HRESULT STDMETHODCALLTYPE get_FirewallEnabled(VARIANT_BOOL* enabled) override {
        Policy().Refresh();
        return Read(enabled, Policy().firewallEnabled, "get_FirewallEnabled");
    }
    HRESULT STDMETHODCALLTYPE put_FirewallEnabled(VARIANT_BOOL enabled) override {
        const HRESULT injected = Check("put_FirewallEnabled");
        if (FAILED(injected)) {
            return injected;
        }
        const HRESULT allowed = Policy().MayChange();
        if (FAILED(allowed)) {
            return allowed;
        }
        Policy().Refresh();
        return Policy().Commit([this, enabled] { Policy().firewallEnabled = enabled != VARIANT_FALSE; });
    }
    // Settings the program never touches live only as long as the process.
    HRESULT STDMETHODCALLTYPE get_ExceptionsNotAllowed(VARIANT_BOOL* notAllowed) override {
        return Read(notAllowed, exceptionsNotAllowed_, "get_ExceptionsNotAllowed");
    }
    HRESULT STDMETHODCALLTYPE put_ExceptionsNotAllowed(VARIANT_BOOL notAllowed) override {
        return Write(exceptionsNotAllowed_, notAllowed, "put_ExceptionsNotAllowed");
    }
    HRESULT STDMETHODCALLTYPE get_NotificationsDisabled(VARIANT_BOOL* disabled) override {
        return Read(disabled, notificationsDisabled_, "get_NotificationsDisabled");
    }
    HRESULT STDMETHODCALLTYPE put_NotificationsDisabled(VARIANT_BOOL disabled) override {
        return Write(notificationsDisabled_, disabled, "put_NotificationsDisabled");
    }
    HRESULT STDMETHODCALLTYPE
    get_UnicastResponsesToMulticastBroadcastDisabled(VARIANT_BOOL* disabled) override {
        return Read(disabled, unicastResponsesDisabled_, "get_UnicastResponsesToMulticastBroadcastDisabled");
    }
    HRESULT STDMETHODCALLTYPE
    put_UnicastResponsesToMulticastBroadcastDisabled(VARIANT_BOOL disabled) override {
        return Write(unicastResponsesDisabled_, disabled, "put_UnicastResponsesToMulticastBroadcastDisabled");
    }
    HRESULT STDMETHODCALLTYPE get_RemoteAdminSettings(INetFwRemoteAdminSettings** settings) override {
        return NotProvided(settings);
    }
    HRESULT STDMETHODCALLTYPE get_IcmpSettings(INetFwIcmpSettings** settings) override {
        return NotProvided(settings);
    }
    HRESULT STDMETHODCALLTYPE get_Services(INetFwServices** services) override {
        return NotProvided(services);
    }

    HRESULT STDMETHODCALLTYPE get_GloballyOpenPorts(INetFwOpenPorts** openPorts) override {
        if (openPorts == nullptr) {
            return E_POINTER;
        }
        *openPorts = nullptr;
        const HRESULT injected = Check("get_GloballyOpenPorts");
        if (FAILED(injected)) {
            return injected;
        }
        Policy().Refresh();
        *openPorts = CreateOpenPorts(SharedPolicy());
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_AuthorizedApplications(INetFwAuthorizedApplications** apps) override {
        if (apps == nullptr) {
            return E_POINTER;
        }
        *apps = nullptr;
        const HRESULT injected = Check("get_AuthorizedApplications");
        if (FAILED(injected)) {
            return injected;
        }
        Policy().Refresh();
        *apps = CreateApplications(SharedPolicy());
        return S_OK;
    }

private:
    HRESULT Read(VARIANT_BOOL* out, bool value, const char* method) {
        if (out == nullptr) {
            return E_POINTER;
        }
        const HRESULT injected = Check(method);
        if (FAILED(injected)) {
            return injected;
        }
        *out = Policy().Report(value);
        return S_OK;
    }
    HRESULT Write(bool& field, VARIANT_BOOL value, const char* method) {
        const HRESULT injected = Check(method);
        if (SUCCEEDED(injected)) {
            field = value != VARIANT_FALSE;
        }
        return injected;
    }
    template <typename T> static HRESULT NotProvided(T** out) {
        if (out != nullptr) {
            *out = nullptr;
        }
        return E_NOTIMPL;
    }

    bool exceptionsNotAllowed_ = false;
    bool notificationsDisabled_ = false;
    bool unicastResponsesDisabled_ = false;
};

} // namespace

INetFwProfile* CreateProfile(const std::shared_ptr<StandinPolicy>& policy) {
    return new Profile(policy);
}

} // namespace standin
