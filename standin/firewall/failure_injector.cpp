#include "standin/firewall/failure_injector.h"

namespace standin {

void FailureInjector::Fail(const std::string& call, HRESULT result, int times, Origin origin) {
    if (times == 0) {
        rules_.erase(call);
        return;
    }
    rules_[call] = Rule{result, times < 0 ? kAlways : times, origin, 0};
}

void FailureInjector::FailAfter(const std::string& call, int skip, HRESULT result, int times) {
    Fail(call, result, times);
    auto it = rules_.find(call);
    if (it != rules_.end()) {
        it->second.skip = skip;
    }
}

void FailureInjector::ClearFrom(Origin origin) {
    for (auto it = rules_.begin(); it != rules_.end();) {
        it = it->second.origin == origin ? rules_.erase(it) : std::next(it);
    }
}

HRESULT FailureInjector::Check(const std::string& call) {
    ++calls_[call];
    auto it = rules_.find(call);
    if (it == rules_.end()) {
        return S_OK;
    }
    if (it->second.skip > 0) {
        --it->second.skip;
        return S_OK;
    }
    const HRESULT result = it->second.result;
    if (it->second.remaining != kAlways && --it->second.remaining == 0) {
        rules_.erase(it);
    }
    return result;
}

int FailureInjector::Calls(const std::string& call) const {
    auto it = calls_.find(call);
    return it == calls_.end() ? 0 : it->second;
}

} // namespace standin
