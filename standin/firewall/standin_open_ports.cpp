// The globally open ports: the collection and its items.
#include "standin/firewall/standin_collection.h"
#include "standin/firewall/standin_item.h"
#include "standin/firewall/standin_objects.h"

namespace standin {

namespace {

class OpenPort final : public StandinItem<INetFwOpenPort, OpenPortData> {
public:
    OpenPort(std::shared_ptr<StandinPolicy> policy, std::shared_ptr<OpenPortData> data, bool attached)
        : StandinItem(std::move(policy), IID_INetFwOpenPort, "INetFwOpenPort", std::move(data), attached) {}

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
    HRESULT STDMETHODCALLTYPE get_BuiltIn(VARIANT_BOOL* builtIn) override {
        return Read(builtIn, VARIANT_FALSE, "get_BuiltIn");
    }
};

IDispatch* MakeItem(const std::shared_ptr<StandinPolicy>& policy, std::shared_ptr<OpenPortData> data,
                    bool attached) {
    return new OpenPort(policy, std::move(data), attached);
}

class OpenPorts final : public StandinCollection<INetFwOpenPorts, OpenPortData> {
public:
    explicit OpenPorts(std::shared_ptr<StandinPolicy> policy)
        : StandinCollection(std::move(policy), IID_INetFwOpenPorts, "INetFwOpenPorts", &StandinPolicy::ports,
                            &MakeItem) {}

    HRESULT STDMETHODCALLTYPE Add(INetFwOpenPort* port) override {
        const HRESULT injected = Check("Add");
        if (FAILED(injected)) {
            return injected;
        }
        const HRESULT allowed = Policy().MayChange();
        if (FAILED(allowed)) {
            return allowed;
        }
        // Only the service's own objects can be added, and only with a port and a name.
        const auto* item = dynamic_cast<const OpenPort*>(port);
        if (item == nullptr || item->Data().port == 0 || item->Data().name.empty()) {
            return E_INVALIDARG;
        }
        return Policy().Commit([this, item] { Policy().PutPort(item->Data()); });
    }
    HRESULT STDMETHODCALLTYPE Remove(LONG portNumber, NET_FW_IP_PROTOCOL ipProtocol) override {
        const HRESULT injected = Check("Remove");
        if (FAILED(injected)) {
            return injected;
        }
        const HRESULT allowed = Policy().MayChange();
        if (FAILED(allowed)) {
            return allowed;
        }
        const int protocol = static_cast<int>(ipProtocol);
        if (!Policy().FindPort(portNumber, protocol)) {
            return kNotFound;
        }
        return Policy().Commit([this, portNumber, protocol] { Policy().RemovePort(portNumber, protocol); });
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
