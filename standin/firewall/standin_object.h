// What every stand-in firewall object shares: reference counting, the live-object count, IUnknown over
// its interface, and an IDispatch without type information (nothing calls the stand-in by name).
#pragma once

#include <memory>
#include <string>

#include "standin/firewall/standin_policy.h"

namespace standin {

void CountObjectCreated();
void CountObjectDestroyed();

template <typename Interface> class StandinObject : public Interface {
public:
    StandinObject(std::shared_ptr<StandinPolicy> policy, const IID& interfaceId, const char* interfaceName)
        : policy_(std::move(policy)), interfaceId_(interfaceId), interfaceName_(interfaceName) {
        CountObjectCreated();
    }
    StandinObject(const StandinObject&) = delete;
    StandinObject& operator=(const StandinObject&) = delete;
    virtual ~StandinObject() { CountObjectDestroyed(); }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
        if (object == nullptr) {
            return E_POINTER;
        }
        *object = nullptr;
        if (IsEqualIID(riid, interfaceId_)) {
            const HRESULT injected = Check("QueryInterface");
            if (FAILED(injected)) {
                return injected;
            }
        } else if (!IsEqualIID(riid, IID_IUnknown) && !IsEqualIID(riid, IID_IDispatch)) {
            return E_NOINTERFACE;
        }
        *object = static_cast<Interface*>(this);
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

    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
        if (count == nullptr) {
            return E_POINTER;
        }
        *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** info) override {
        if (info != nullptr) {
            *info = nullptr;
        }
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*,
                                     UINT*) override {
        return E_NOTIMPL;
    }

protected:
    // Counts the call and gives the injected failure for "Interface::method", if any.
    HRESULT Check(const char* method) { return policy_->failures.Check(interfaceName_ + "::" + method); }
    StandinPolicy& Policy() { return *policy_; }
    const std::shared_ptr<StandinPolicy>& SharedPolicy() const { return policy_; }

private:
    std::shared_ptr<StandinPolicy> policy_;
    const IID& interfaceId_;
    std::string interfaceName_;
    ULONG references_ = 1;
};

// Copies a COM string argument; null is the empty text.
inline OleString FromComString(BSTR text) {
    return text == nullptr ? OleString() : OleString(text, SysStringLen(text));
}

// Hands out a copy of a text as a COM string.
inline HRESULT ToComString(const OleString& text, BSTR* out) {
    if (out == nullptr) {
        return E_POINTER;
    }
    *out = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    return *out == nullptr ? E_OUTOFMEMORY : S_OK;
}

} // namespace standin
