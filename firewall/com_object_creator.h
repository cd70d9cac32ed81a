// How the firewall's creatable objects (manager, open port, authorised application) come into being:
// on Windows through CoCreateInstance, in tests from the stand-in firewall.
#pragma once

#include "platform/firewall_com.h"

class ComObjectCreator {
public:
    // Same arguments and result as CoCreateInstance.
    virtual HRESULT CreateInstance(REFCLSID classId, IUnknown* outer, DWORD context, REFIID interfaceId,
                                   void** object) = 0;

protected:
    ~ComObjectCreator() = default;
};

#ifdef _WIN32
// The system's COM runtime.
ComObjectCreator& SystemComObjectCreator();
#endif
