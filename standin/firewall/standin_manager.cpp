// The firewall manager and the local policy: the way in to the current profile.
#include "standin/firewall/standin_object.h"
#include "standin/firewall/standin_objects.h"

namespace standin {

namespace {

class Manager final : public StandinObject<INetFwMgr> {
public:
    explicit Manager(std::shared_ptr<StandinPolicy> policy)
        : StandinObject(std::move(policy), IID_INetFwMgr, "INetFwMgr") {}

    HRESULT STDMETHODCALLTYPE get_LocalPolicy(INetFwPolicy** localPolicy) override {
        if (localPolicy == nullptr) {
            return E_POINTER;
        }
        *localPolicy = nullptr;
        const HRESULT injected = Check("get_LocalPolicy");
        if (FAILED(injected)) {
            return injected;
        }
        *localPolicy = CreateLocalPolicy(SharedPolicy());
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_CurrentProfileType(NET_FW_PROFILE_TYPE* profileType) override {
        if (profileType == nullptr) {
            return E_POINTER;
        }
        *profileType = NET_FW_PROFILE_STANDARD;
        return Check("get_CurrentProfileType");
    }
    HRESULT STDMETHODCALLTYPE RestoreDefaults() override {
        const HRESULT injected = Check("RestoreDefaults");
        if (FAILED(injected)) {
            return injected;
        }
        const HRESULT allowed = Policy().MayChange();
        if (FAILED(allowed)) {
            return allowed;
        }
        return Policy().Commit([this] { Policy().ResetPolicy(); });
    }
    HRESULT STDMETHODCALLTYPE IsPortAllowed(BSTR, NET_FW_IP_VERSION, LONG, BSTR, NET_FW_IP_PROTOCOL, VARIANT*,
                                            VARIANT*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE IsIcmpTypeAllowed(NET_FW_IP_VERSION, BSTR, BYTE, VARIANT*, VARIANT*) override {
        return E_NOTIMPL;
    }
};

class LocalPolicy final : public StandinObject<INetFwPolicy> {
public:
    explicit LocalPolicy(std::shared_ptr<StandinPolicy> policy)
        : StandinObject(std::move(policy), IID_INetFwPolicy, "INetFwPolicy") {}

    HRESULT STDMETHODCALLTYPE get_CurrentProfile(INetFwProfile** profile) override {
        if (profile == nullptr) {
            return E_POINTER;
        }
        *profile = nullptr;
        const HRESULT injected = Check("get_CurrentProfile");
        if (FAILED(injected)) {
            return injected;
        }
        *profile = CreateProfile(SharedPolicy());
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetProfileByType(NET_FW_PROFILE_TYPE profileType,
                                               INetFwProfile** profile) override {
        if (profile == nullptr) {
            return E_POINTER;
        }
        *profile = nullptr;
        const HRESULT injected = Check("GetProfileByType");
        if (FAILED(injected)) {
            return injected;
        }
        // The stand-in keeps a single profile: the standard one, which is also the current one.
        if (profileType != NET_FW_PROFILE_STANDARD && profileType != NET_FW_PROFILE_CURRENT) {
            return E_INVALIDARG;
        }
        *profile = CreateProfile(SharedPolicy());
        return S_OK;
    }
};

} // namespace

INetFwMgr* CreateManager(const std::shared_ptr<StandinPolicy>& policy) {
    return new Manager(policy);
}

INetFwPolicy* CreateLocalPolicy(const std::shared_ptr<StandinPolicy>& policy) {
    return new LocalPolicy(policy);
}

} // namespace standin
