// The stand-in's creatable classes and its count of live objects.
#include <atomic>

#include "standin/firewall/standin_object.h"
#include "standin/firewall/standin_objects.h"

namespace standin {

namespace {

std::atomic<long> liveObjects{0};

} // namespace

void CountObjectCreated() {
    ++liveObjects;
}
void CountObjectDestroyed() {
    --liveObjects;
}
long LiveObjectCount() {
    return liveObjects.load();
}

bool IsStandinClass(REFCLSID classId) {
    return IsEqualCLSID(classId, CLSID_NetFwMgr) || IsEqualCLSID(classId, CLSID_NetFwOpenPort) ||
           IsEqualCLSID(classId, CLSID_NetFwAuthorizedApplication);
}

HRESULT CreateInstance(const std::shared_ptr<StandinPolicy>& policy, REFCLSID classId, REFIID interfaceId,
                       void** object) {
    if (object == nullptr) {
        return E_POINTER;
    }
    *object = nullptr;
    IUnknown* created = nullptr;
    if (IsEqualCLSID(classId, CLSID_NetFwMgr)) {
        const HRESULT injected = policy->failures.Check("CoCreateInstance(NetFwMgr)");
        if (FAILED(injected)) {
            return injected;
        }
        created = CreateManager(policy);
    } else if (IsEqualCLSID(classId, CLSID_NetFwOpenPort)) {
        const HRESULT injected = policy->failures.Check("CoCreateInstance(NetFwOpenPort)");
        if (FAILED(injected)) {
            return injected;
        }
        created = CreateOpenPort(policy, std::make_shared<OpenPortData>(), false);
    } else if (IsEqualCLSID(classId, CLSID_NetFwAuthorizedApplication)) {
        const HRESULT injected = policy->failures.Check("CoCreateInstance(NetFwAuthorizedApplication)");
        if (FAILED(injected)) {
            return injected;
        }
        created = CreateApplication(policy, std::make_shared<ApplicationData>(), false);
    } else {
        return REGDB_E_CLASSNOTREG;
    }
    const HRESULT result = created->QueryInterface(interfaceId, object);
    created->Release();
    return result;
}

} // namespace standin
