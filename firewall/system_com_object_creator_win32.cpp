// The creatable firewall objects come from the system's COM runtime.
#include "firewall/com_object_creator.h"

namespace {

class SystemCreator final : public ComObjectCreator {
public:
    HRESULT CreateInstance(REFCLSID classId, IUnknown* outer, DWORD context, REFIID interfaceId,
                           void** object) override {
        return CoCreateInstance(classId, outer, context, interfaceId, object);
    }
};

} // namespace

ComObjectCreator& SystemComObjectCreator() {
    static SystemCreator creator;
    return creator;
}
