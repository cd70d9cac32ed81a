// Lets the firewall operations create their objects from a stand-in policy in the same process.
#pragma once

#include <memory>

#include "firewall/com_object_creator.h"
#include "standin/firewall/standin_objects.h"

namespace standin {

class StandinComCreator final : public ComObjectCreator {
public:
    explicit StandinComCreator(std::shared_ptr<StandinPolicy> policy) : policy_(std::move(policy)) {}

    HRESULT CreateInstance(REFCLSID classId, IUnknown* outer, DWORD context, REFIID interfaceId,
                           void** object) override {
        if (object != nullptr) {
            *object = nullptr;
        }
        if (outer != nullptr) {
            return CLASS_E_NOAGGREGATION;
        }
        if ((context & CLSCTX_INPROC_SERVER) == 0) {
            return REGDB_E_CLASSNOTREG;
        }
        return standin::CreateInstance(policy_, classId, interfaceId, object);
    }

private:
    std::shared_ptr<StandinPolicy> policy_;
};

} // namespace standin
