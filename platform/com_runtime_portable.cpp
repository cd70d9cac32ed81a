// Native stand-ins for the COM runtime's strings, variants and identifiers.
#include "platform/netfw_portable.h"

#include <atomic>
#include <cstdlib>
#include <cstring>

namespace {

std::atomic<long> liveStrings{0};

// The length in bytes sits in front of the text, as the Windows allocator keeps it.
struct StringHeader {
    std::uint32_t bytes;
};

} // namespace

BSTR SysAllocStringLen(const OLECHAR* text, UINT length) {
    const std::size_t bytes = static_cast<std::size_t>(length) * sizeof(OLECHAR);
    void* block = std::malloc(sizeof(StringHeader) + bytes + sizeof(OLECHAR));
    if (block == nullptr) {
        return nullptr;
    }
    auto* header = static_cast<StringHeader*>(block);
    header->bytes = static_cast<std::uint32_t>(bytes);
    auto* chars = reinterpret_cast<OLECHAR*>(header + 1);
    if (text != nullptr) {
        std::memcpy(chars, text, bytes);
    } else {
        std::memset(chars, 0, bytes);
    }
    chars[length] = 0;
    ++liveStrings;
    return chars;
}

BSTR SysAllocString(const OLECHAR* text) {
    if (text == nullptr) {
        return nullptr;
    }
    UINT length = 0;
    while (text[length] != 0) {
        ++length;
    }
    return SysAllocStringLen(text, length);
}

void SysFreeString(BSTR text) {
    if (text == nullptr) {
        return;
    }
    --liveStrings;
    std::free(reinterpret_cast<StringHeader*>(text) - 1);
}

UINT SysStringLen(BSTR text) {
    if (text == nullptr) {
        return 0;
    }
    return (reinterpret_cast<StringHeader*>(text) - 1)->bytes / sizeof(OLECHAR);
}

void VariantInit(VARIANT* variant) {
    std::memset(variant, 0, sizeof(*variant));
    variant->vt = VT_EMPTY;
}

HRESULT VariantClear(VARIANT* variant) {
    switch (variant->vt) {
    case VT_BSTR:
        SysFreeString(variant->bstrVal);
        break;
    case VT_DISPATCH:
        if (variant->pdispVal != nullptr) {
            variant->pdispVal->Release();
        }
        break;
    case VT_UNKNOWN:
        if (variant->punkVal != nullptr) {
            variant->punkVal->Release();
        }
        break;
    default:
        break;
    }
    VariantInit(variant);
    return S_OK;
}

long LiveComStringCount() {
    return liveStrings.load();
}

// The published identifiers of the COM runtime and the firewall.
const IID IID_IUnknown = {0x00000000, 0x0000, 0x0000, {0xc0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
const IID IID_IDispatch = {0x00020400, 0x0000, 0x0000, {0xc0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
const IID IID_IEnumVARIANT = {0x00020404, 0x0000, 0x0000, {0xc0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

const IID IID_INetFwOpenPort = {0xe0483ba0, 0x47ff, 0x4d9c, {0xa6, 0xd6, 0x77, 0x41, 0xd0, 0xb1, 0x95, 0xf7}};
const IID IID_INetFwOpenPorts = {
    0xc0e9d7fa, 0xe07e, 0x430a, {0xb1, 0x9a, 0x09, 0x0c, 0xe8, 0x2d, 0x92, 0xe2}};
const IID IID_INetFwAuthorizedApplication = {
    0xb5e64ffa, 0xc2c5, 0x444e, {0xa3, 0x01, 0xfb, 0x5e, 0x00, 0x01, 0x80, 0x50}};
const IID IID_INetFwAuthorizedApplications = {
    0x644efd52, 0xccf9, 0x486c, {0x97, 0xa2, 0x39, 0xf3, 0x52, 0x57, 0x0b, 0x30}};
const IID IID_INetFwProfile = {0x174a0dda, 0xe9f9, 0x449d, {0x99, 0x3b, 0x21, 0xab, 0x66, 0x7c, 0xa4, 0x56}};
const IID IID_INetFwPolicy = {0xd46d2478, 0x9ac9, 0x4008, {0x9d, 0xc7, 0x55, 0x63, 0xce, 0x55, 0x36, 0xcc}};
const IID IID_INetFwMgr = {0xf7898af5, 0xcac4, 0x4632, {0xa2, 0xec, 0xda, 0x06, 0xe5, 0x11, 0x1a, 0xf2}};
const CLSID CLSID_NetFwOpenPort = {
    0x0ca545c6, 0x37ad, 0x4a6c, {0xbf, 0x92, 0x9f, 0x76, 0x10, 0x06, 0x7e, 0xf5}};
const CLSID CLSID_NetFwAuthorizedApplication = {
    0xec9846b3, 0x2762, 0x4a6b, {0xa2, 0x14, 0x6a, 0xcb, 0x60, 0x34, 0x62, 0xd2}};
const CLSID CLSID_NetFwMgr = {0x304ce942, 0x6e39, 0x40d8, {0x94, 0x3a, 0xb9, 0x13, 0xc4, 0x0c, 0x9c, 0xd4}};
