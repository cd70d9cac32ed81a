// The authorised applications: the collection and its items.
#include "standin/firewall/standin_enumerator.h"
#include "standin/firewall/standin_object.h"
#include "standin/firewall/standin_objects.h"

namespace standin {

namespace {

class Application final : public StandinObject<INetFwAuthorizedApplication> {
public:
    Application(std::shared_ptr<StandinPolicy> policy, std::shared_ptr<ApplicationData> data, bool attached)
        : StandinObject(std::move(policy), IID_INetFwAuthorizedApplication, "INetFwAuthorizedApplication"),
          data_(std::move(data)), attached_(attached) {}

    const ApplicationData& Data() const { return *data_; }

    HRESULT STDMETHODCALLTYPE get_Name(BSTR* name) override {
        return ReadText(name, data_->name, "get_Name");
    }
    HRESULT STDMETHODCALLTYPE put_Name(BSTR name) override {
        return Change("put_Name", SysStringLen(name) > 0, [&] { data_->name = FromComString(name); });
    }
    HRESULT STDMETHODCALLTYPE get_ProcessImageFileName(BSTR* imageFileName) override {
        return ReadText(imageFileName, data_->path, "get_ProcessImageFileName");
    }
    HRESULT STDMETHODCALLTYPE put_ProcessImageFileName(BSTR imageFileName) override {
        // The path names the exception: an item already in the policy keeps its own.
        return Change("put_ProcessImageFileName", SysStringLen(imageFileName) > 0 && !attached_,
                      [&] { data_->path = FromComString(imageFileName); });
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
        return Read(enabled, Policy().Report(data_->enabled), "get_Enabled");
    }
    HRESULT STDMETHODCALLTYPE put_Enabled(VARIANT_BOOL enabled) override {
        return Change("put_Enabled", true, [&] { data_->enabled = enabled != VARIANT_FALSE; });
    }

private:
    HRESULT ReadText(BSTR* out, const OleString& value, const char* method) {
        if (out == nullptr) {
            return E_POINTER;
        }
        *out = nullptr;
        const HRESULT injected = Check(method);
        return FAILED(injected) ? injected : ToComString(value, out);
    }
    template <typename T> HRESULT Read(T* out, T value, const char* method) {
        if (out == nullptr) {
            return E_POINTER;
        }
        const HRESULT injected = Check(method);
        if (SUCCEEDED(injected)) {
            *out = value;
        }
        return injected;
    }
    template <typename Apply> HRESULT Change(const char* method, bool accepted, Apply apply) {
        const HRESULT injected = Check(method);
        if (FAILED(injected)) {
            return injected;
        }
        if (!accepted) {
            return E_INVALIDARG;
        }
        apply();
        return attached_ ? Policy().Changed() : S_OK;
    }

    std::shared_ptr<ApplicationData> data_;
    bool attached_;
};

IDispatch* MakeItem(const std::shared_ptr<StandinPolicy>& policy, std::shared_ptr<ApplicationData> data,
                    bool attached) {
    return new Application(policy, std::move(data), attached);
}

class Applications final : public StandinObject<INetFwAuthorizedApplications> {
public:
    explicit Applications(std::shared_ptr<StandinPolicy> policy)
        : StandinObject(std::move(policy), IID_INetFwAuthorizedApplications, "INetFwAuthorizedApplications") {
    }

    HRESULT STDMETHODCALLTYPE get_Count(LONG* count) override {
        if (count == nullptr) {
            return E_POINTER;
        }
        const HRESULT injected = Check("get_Count");
        if (SUCCEEDED(injected)) {
            *count = static_cast<LONG>(Policy().applications.size());
        }
        return injected;
    }
    HRESULT STDMETHODCALLTYPE Add(INetFwAuthorizedApplication* app) override {
        const HRESULT injected = Check("Add");
        if (FAILED(injected)) {
            return injected;
        }
        const auto* item = dynamic_cast<const Application*>(app);
        if (item == nullptr || item->Data().path.empty() || item->Data().name.empty()) {
            return E_INVALIDARG;
        }
        Policy().PutApplication(item->Data());
        return Policy().Changed();
    }
    HRESULT STDMETHODCALLTYPE Remove(BSTR imageFileName) override {
        const HRESULT injected = Check("Remove");
        if (FAILED(injected)) {
            return injected;
        }
        if (!Policy().RemoveApplication(FromComString(imageFileName))) {
            return kNotFound;
        }
        return Policy().Changed();
    }
    HRESULT STDMETHODCALLTYPE Item(BSTR imageFileName, INetFwAuthorizedApplication** app) override {
        if (app == nullptr) {
            return E_POINTER;
        }
        *app = nullptr;
        const HRESULT injected = Check("Item");
        if (FAILED(injected)) {
            return injected;
        }
        auto entry = Policy().FindApplication(FromComString(imageFileName));
        if (!entry) {
            return kNotFound;
        }
        *app = new Application(SharedPolicy(), entry, true);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get__NewEnum(IUnknown** newEnum) override {
        if (newEnum == nullptr) {
            return E_POINTER;
        }
        *newEnum = nullptr;
        const HRESULT injected = Check("get__NewEnum");
        if (FAILED(injected)) {
            return injected;
        }
        *newEnum = new Enumerator<ApplicationData>(SharedPolicy(), Policy().applications, &MakeItem);
        return S_OK;
    }
};

} // namespace

INetFwAuthorizedApplications* CreateApplications(const std::shared_ptr<StandinPolicy>& policy) {
    return new Applications(policy);
}

INetFwAuthorizedApplication* CreateApplication(const std::shared_ptr<StandinPolicy>& policy,
                                               std::shared_ptr<ApplicationData> data, bool attached) {
    return new Application(policy, std::move(data), attached);
}

} // namespace standin
