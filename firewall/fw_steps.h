// How an operation turns a failed step into its result: the step raises its code, the operation's
// boundary catches it. Objects obtained inside the guarded block are released as it unwinds.
#pragma once

#include "firewall/fw_error_code.h"
#include "platform/com_ptr.h"

namespace fw_steps {

// What a failed step raises: its code, and the firewall's result that made it fail (S_OK when the
// step failed without one, e.g. for a missing profile).
struct StepFailure {
    FW_ERROR_CODE code;
    HRESULT cause;
};

inline void Fail(FW_ERROR_CODE code, HRESULT cause = S_OK) {
    throw StepFailure{code, cause};
}

// A call counts as failed when its result is negative.
inline void Require(HRESULT result, FW_ERROR_CODE code) {
    if (FAILED(result)) {
        throw StepFailure{code, result};
    }
}

// For calls that hand out an object: a success that delivers no object is a failure too. The holder
// is looked at only after the call has filled it.
template <typename T> void Require(HRESULT result, const ComPtr<T>& object, FW_ERROR_CODE code) {
    if (FAILED(result) || !object) {
        throw StepFailure{code, FAILED(result) ? result : S_OK};
    }
}

// Runs the steps of one operation and returns its code; no failure escapes. `cause` receives the
// firewall's result behind a failure (S_OK on success).
template <typename Steps> FW_ERROR_CODE Run(HRESULT& cause, Steps&& steps) {
    cause = S_OK;
    try {
        steps();
    } catch (const StepFailure& failure) {
        cause = failure.cause;
        return failure.code;
    }
    return FW_ERROR_NONE;
}

} // namespace fw_steps
