// Walking a firewall collection: its enumerator, and each element asked for the interface wanted.
#pragma once

#include "platform/com_ptr.h"
#include "platform/com_variant.h"

namespace fw_enumeration {

// The collection's enumerator object, then its IEnumVARIANT; empty when either cannot be obtained.
template <typename Collection> ComPtr<IEnumVARIANT> OpenEnumerator(Collection* collection) {
    ComPtr<IUnknown> enumeratorObject;
    if (FAILED(collection->get__NewEnum(enumeratorObject.Receive())) || !enumeratorObject) {
        return {};
    }
    ComPtr<IEnumVARIANT> enumerator;
    if (FAILED(enumeratorObject->QueryInterface(IID_IEnumVARIANT, enumerator.ReceiveVoid()))) {
        enumerator.Reset();
    }
    return enumerator;
}

// Asks the element's object for an interface; fails when the element holds no object or lacks it.
template <typename T> bool ElementAs(const VARIANT& element, REFIID interfaceId, ComPtr<T>& out) {
    IUnknown* object = nullptr;
    if (element.vt == VT_DISPATCH) {
        object = element.pdispVal;
    } else if (element.vt == VT_UNKNOWN) {
        object = element.punkVal;
    }
    if (object == nullptr) {
        return false;
    }
    if (FAILED(object->QueryInterface(interfaceId, out.ReceiveVoid()))) {
        out.Detach(); // a refusing object leaves nothing to release
        return false;
    }
    return static_cast<bool>(out);
}

// Hands every element of the collection to `visit`, in the enumerator's order, until the first fetch
// that delivers none. Each element is cleared before the next is fetched. A collection whose
// enumerator cannot be obtained has no elements.
template <typename Collection, typename Visit> void ForEachElement(Collection* collection, Visit visit) {
    ComPtr<IEnumVARIANT> enumerator = OpenEnumerator(collection);
    if (!enumerator) {
        return;
    }
    enumerator->Reset();
    ComVariant element;
    while (enumerator->Next(1, element.Get(), nullptr) == S_OK) {
        visit(*element);
        element.Clear();
    }
}

} // namespace fw_enumeration
