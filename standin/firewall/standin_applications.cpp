// The authorised applications: the collection and its items.
#include "standin/firewall/standin_collection.h"
#include "standin/firewall/standin_item.h"
#include "standin/firewall/standin_objects.h"

namespace standin {

namespace {

class Application final : public StandinItem<INetFwAuthorizedApplication, ApplicationData> {
public:
    Application(std::shared_ptr<StandinPolicy> policy, std::shared_ptr<ApplicationData> data, bool attached)
        : StandinItem(std::move(policy), IID_INetFwAuthorizedApplication, "INetFwAuthorizedApplication",
                      std::move(data), attached) {}

    HRESULT STDMETHODCALLTYPE get_ProcessImageFileName(BSTR* imageFileName) override {
        return ReadText(imageFileName, data_->path, "get_ProcessImageFileName");
    }
    HRESULT STDMETHODCALLTYPE put_ProcessImageFileName(BSTR imageFileName) override {
        // The path names the exception: an item already in the policy keeps its own.
        return Change("put_ProcessImageFileName", SysStringLen(imageFileName) > 0 && !attached_,
                      [&] { data_->path = FromComString(imageFileName); });
    }
};

IDispatch* MakeItem(const std::shared_ptr<StandinPolicy>& policy, std::shared_ptr<ApplicationData> data,
                    bool attached) {
    return new Application(policy, std::move(data), attached);
}

class Applications final : public StandinCollection<INetFwAuthorizedApplications, ApplicationData> {
public:
    explicit Applications(std::shared_ptr<StandinPolicy> policy)
        : StandinCollection(std::move(policy), IID_INetFwAuthorizedApplications,
                            "INetFwAuthorizedApplications", &StandinPolicy::applications, &MakeItem) {}

    HRESULT STDMETHODCALLTYPE Add(INetFwAuthorizedApplication* app) override {
        const HRESULT injected = Check("Add");
        if (FAILED(injected)) {
            return injected;
        }
        const HRESULT allowed = Policy().MayChange();
        if (FAILED(allowed)) {
            return allowed;
        }
        const auto* item = dynamic_cast<const Application*>(app);
        if (item == nullptr || item->Data().path.empty() || item->Data().name.empty()) {
            return E_INVALIDARG;
        }
        return Policy().Commit([this, item] { Policy().PutApplication(item->Data()); });
    }
    HRESULT STDMETHODCALLTYPE Remove(BSTR imageFileName) override {
        const HRESULT injected = Check("Remove");
        if (FAILED(injected)) {
            return injected;
        }
        const HRESULT allowed = Policy().MayChange();
        if (FAILED(allowed)) {
            return allowed;
        }
        const OleString path = FromComString(imageFileName);
        if (!Policy().FindApplication(path)) {
            return kNotFound;
        }
        return Policy().Commit([this, &path] { Policy().RemoveApplication(path); });
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
