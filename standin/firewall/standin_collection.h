// What the open-ports and the authorised-applications collections share: their count and their
// enumerator, both over one list of entries of the policy.
#pragma once

#include <memory>
#include <vector>

#include "standin/firewall/standin_enumerator.h"
#include "standin/firewall/standin_object.h"

namespace standin {

template <typename Interface, typename Entry> class StandinCollection : public StandinObject<Interface> {
public:
    using Entries = std::vector<std::shared_ptr<Entry>> StandinPolicy::*;
    using ItemMaker = typename Enumerator<Entry>::MakeItem;

    StandinCollection(std::shared_ptr<StandinPolicy> policy, const IID& interfaceId,
                      const char* interfaceName, Entries entries, ItemMaker makeItem)
        : StandinObject<Interface>(std::move(policy), interfaceId, interfaceName), entries_(entries),
          makeItem_(makeItem) {}

    HRESULT STDMETHODCALLTYPE get_Count(LONG* count) override {
        if (count == nullptr) {
            return E_POINTER;
        }
        const HRESULT injected = this->Check("get_Count");
        if (SUCCEEDED(injected)) {
            *count = static_cast<LONG>((this->Policy().*entries_).size());
        }
        return injected;
    }
    HRESULT STDMETHODCALLTYPE get__NewEnum(IUnknown** newEnum) override {
        if (newEnum == nullptr) {
            return E_POINTER;
        }
        *newEnum = nullptr;
        const HRESULT injected = this->Check("get__NewEnum");
        if (FAILED(injected)) {
            return injected;
        }
        *newEnum = new Enumerator<Entry>(this->SharedPolicy(), this->Policy().*entries_, makeItem_);
        return S_OK;
    }

private:
    Entries entries_;
    ItemMaker makeItem_;
};

} // namespace standin
