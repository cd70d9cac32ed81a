// The enumerator a collection hands out: one IDispatch item per entry, in the policy's order as it
// stood when the enumerator was made.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "standin/firewall/standin_object.h"

namespace standin {

template <typename Data> class Enumerator final : public IEnumVARIANT {
public:
    using MakeItem = IDispatch* (*)(const std::shared_ptr<StandinPolicy>&, std::shared_ptr<Data>, bool);

    Enumerator(std::shared_ptr<StandinPolicy> policy, std::vector<std::shared_ptr<Data>> entries,
               MakeItem makeItem, std::size_t position = 0)
        : policy_(std::move(policy)), entries_(std::move(entries)), makeItem_(makeItem), position_(position) {
        CountObjectCreated();
    }
    Enumerator(const Enumerator&) = delete;
    Enumerator& operator=(const Enumerator&) = delete;
    ~Enumerator() { CountObjectDestroyed(); }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
        if (object == nullptr) {
            return E_POINTER;
        }
        *object = nullptr;
        if (IsEqualIID(riid, IID_IEnumVARIANT)) {
            const HRESULT injected = Check("QueryInterface");
            if (FAILED(injected)) {
                return injected;
            }
        } else if (!IsEqualIID(riid, IID_IUnknown)) {
            return E_NOINTERFACE;
        }
        *object = static_cast<IEnumVARIANT*>(this);
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
    ULONG STDMETHODCALLTYPE Release() override {
        const ULONG left = --references_;
        if (left == 0) {
            delete this;
        }
        return left;
    }

    HRESULT STDMETHODCALLTYPE Next(ULONG count, VARIANT* elements, ULONG* fetched) override {
        if (fetched != nullptr) {
            *fetched = 0;
        }
        if (elements == nullptr) {
            return E_POINTER;
        }
        if (fetched == nullptr && count != 1) {
            return E_INVALIDARG;
        }
        const HRESULT injected = Check("Next");
        if (FAILED(injected)) {
            return injected;
        }
        ULONG delivered = 0;
        while (delivered < count && position_ < entries_.size()) {
            VARIANT& element = elements[delivered];
            VariantInit(&element);
            element.vt = VT_DISPATCH;
            element.pdispVal = makeItem_(policy_, entries_[position_], true);
            ++position_;
            ++delivered;
        }
        if (fetched != nullptr) {
            *fetched = delivered;
        }
        return delivered == count ? S_OK : S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE Skip(ULONG count) override {
        const std::size_t left = entries_.size() - position_;
        position_ += count < left ? count : left;
        return count <= left ? S_OK : S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE Reset() override {
        position_ = 0;
        return Check("Reset");
    }
    HRESULT STDMETHODCALLTYPE Clone(IEnumVARIANT** copy) override {
        if (copy == nullptr) {
            return E_POINTER;
        }
        *copy = new Enumerator(policy_, entries_, makeItem_, position_);
        return S_OK;
    }

private:
    HRESULT Check(const char* method) {
        return policy_->failures.Check(std::string("IEnumVARIANT::") + method);
    }

    std::shared_ptr<StandinPolicy> policy_;
    std::vector<std::shared_ptr<Data>> entries_;
    MakeItem makeItem_;
    std::size_t position_;
    ULONG references_ = 1;
};

} // namespace standin
