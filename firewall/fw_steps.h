// How an operation turns a failed step into its result: the step raises its code, the operation's
// boundary catches it. Objects obtained inside the guarded block are released as it unwinds.
#pragma once

#include "firewall/fw_error_code.h"
#include "platform/com_ptr.h"

namespace fw_steps {

inline void Fail(FW_ERROR_CODE code) {
    throw code;
}

// A call counts as failed when its result is negative.
inline void Require(HRESULT result, FW_ERROR_CODE code) {
    if (FAILED(result)) {
        throw code;
    }
}

// For calls that hand out an object: a success that delivers no object is a failure too. The holder
// is looked at only after the call has filled it.
template <typename T> void Require(HRESULT result, const ComPtr<T>& object, FW_ERROR_CODE code) {
    if (FAILED(result) || !object) {
        throw code;
    }
}

// Runs the steps of one operation and returns its code; no FW_ERROR_CODE escapes.
template <typename Steps> FW_ERROR_CODE Run(Steps&& steps) {
    try {
        steps();
    } catch (FW_ERROR_CODE code) {
        return code;
    }
    return FW_ERROR_NONE;
}

} // namespace fw_steps
