// The globally open ports: the collection and its items.
#include "standin/firewall/standin_enumerator.h"
#include "standin/firewall/standin_object.h"
#include "standin/firewall/standin_objects.h"

namespace standin {

namespace {

class OpenPort final : public StandinObject<INetFwOpenPort> {
public:
    OpenPort(std::shared_ptr<StandinPolicy> policy, std::shared_ptr<OpenPortData> data, bool attached)
        : StandinObject(std::move(policy), IID_INetFwOpenPort, "INetFwOpenPort"), data_(std::move(data)),
          attached_(attached) {}

    const OpenPortData& Data() const { return *data_; }

    HRESULT STDMETHODCALLTYPE get_Name(BSTR* name) override {
        if (name == nullptr) {
            return E_POINTER;
        }
        *name = nullptr;
        const HRESULT injected = Check("get_Name");
        return FAILED(injected) ? injected : ToComString(data_->name, name);
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
    HRESULT STDMETHODCALLTYPE get_Protocol(NET_FW_IP_PROTOCOL* ipProtocol) override {
        return Read(ipProtocol, static_cast<NET_FW_IP_PROTOCOL>(data_->protocol), "get_Protocol");
    }
    HRESULT STDMETHODCALLTYPE put_Protocol(NET_FW_IP_PROTOCOL ipProtocol) override {
        const int protocol = static_cast<int>(ipProtocol);
        // The open part of a port is always TCP or UDP.
        return Change("put_Protocol",
                      protocol == NET_FW_IP_PROTOCOL_TCP || protocol == NET_FW_IP_PROTOCOL_UDP,
                      [&] { data_->protocol = protocol; });
    }
    HRESULT STDMETHODCALLTYPE get_Port(LONG* portNumber) override {
        return Read(portNumber, data_->port, "get_Port");
    }
    HRESULT STDMETHODCALLTYPE put_Port(LONG portNumber) override {
        return Change("put_Port", portNumber >= 1 && portNumber <= 65535, [&] { data_->port = portNumber; });
    }
    HRESULT STDMETHODCALLTYPE get_Scope(NET_FW_SCOPE* scope) override {
        return Read(scope, data_->scope, "get_Scope");
    }
    HRESULT STDMETHODCALLTYPE put_Scope(NET_FW_SCOPE scope) override {
        return Change("put_Scope", scope >= NET_FW_SCOPE_ALL && scope <= NET_FW_SCOPE_CUSTOM,
                      [&] { data_->scope = scope; });
    }
    HRESULT STDMETHODCALLTYPE get_RemoteAddresses(BSTR* remoteAddrs) override {
        if (remoteAddrs == nullptr) {
            return E_POINTER;
        }
        *remoteAddrs = nullptr;
        const HRESULT injected = Check("get_RemoteAddresses");
        return FAILED(injected) ? injected : ToComString(data_->remoteAddresses, remoteAddrs);
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
    HRESULT STDMETHODCALLTYPE get_BuiltIn(VARIANT_BOOL* builtIn) override {
        return Read(builtIn, VARIANT_FALSE, "get_BuiltIn");
    }

private:
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
    // A write that the service accepts changes the item; an item in the policy is saved at once.
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

    std::shared_ptr<OpenPortData> data_;
    bool attached_;
};

IDispatch* MakeItem(const std::shared_ptr<StandinPolicy>& policy, std::shared_ptr<OpenPortData> data,
                    bool attached) {
    return new OpenPort(policy, std::move(data), attached);
}

class OpenPorts final : public StandinObject<INetFwOpenPorts> {
public:
    explicit OpenPorts(std::shared_ptr<StandinPolicy> policy)
        : StandinObject(std::move(policy), IID_INetFwOpenPorts, "INetFwOpenPorts") {}

    HRESULT STDMETHODCALLTYPE get_Count(LONG* count) override {
        if (count == nullptr) {
            return E_POINTER;
        }
        const HRESULT injected = Check("get_Count");
        if (SUCCEEDED(injected)) {
            *count = static_cast<LONG>(Policy().ports.size());
        }
        return injected;
    }
    HRESULT STDMETHODCALLTYPE Add(INetFwOpenPort* port) override {
        const HRESULT injected = Check("Add");
        if (FAILED(injected)) {
            return injected;
        }
        // Only the service's own objects can be added, and only with a port and a name.
        const auto* item = dynamic_cast<const OpenPort*>(port);
        if (item == nullptr || item->Data().port == 0 || item->Data().name.empty()) {
            return E_INVALIDARG;
        }
        Policy().PutPort(item->Data());
        return Policy().Changed();
    }
    HRESULT STDMETHODCALLTYPE Remove(LONG portNumber, NET_FW_IP_PROTOCOL ipProtocol) override {
        const HRESULT injected = Check("Remove");
        if (FAILED(injected)) {
            return injected;
        }
        if (!Policy().RemovePort(portNumber, static_cast<int>(ipProtocol))) {
            return kNotFound;
        }
        return Policy().Changed();
    }
    HRESULT STDMETHODCALLTYPE Item(LONG portNumber, NET_FW_IP_PROTOCOL ipProtocol,
                                   INetFwOpenPort** openPort) override {
        if (openPort == nullptr) {
            return E_POINTER;
        }
        *openPort = nullptr;
        const HRESULT injected = Check("Item");
        if (FAILED(injected)) {
            return injected;
        }
        auto entry = Policy().FindPort(portNumber, static_cast<int>(ipProtocol));
        if (!entry) {
            return kNotFound;
        }
        *openPort = new OpenPort(SharedPolicy(), entry, true);
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
        *newEnum = new Enumerator<OpenPortData>(SharedPolicy(), Policy().ports, &MakeItem);
        return S_OK;
    }
};

} // namespace

INetFwOpenPorts* CreateOpenPorts(const std::shared_ptr<StandinPolicy>& policy) {
    return new OpenPorts(policy);
}

INetFwOpenPort* CreateOpenPort(const std::shared_ptr<StandinPolicy>& policy,
                               std::shared_ptr<OpenPortData> data, bool attached) {
    return new OpenPort(policy, std::move(data), attached);
}

} // namespace standin
