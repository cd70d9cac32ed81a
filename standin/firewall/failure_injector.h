// Makes named calls of the stand-in firewall fail with a chosen result: once, a number of times, or
// always. Every checked call is also counted, so a test can see what an operation called.
#pragma once

#include <map>
#include <string>

#include "platform/firewall_com.h"

namespace standin {

class FailureInjector {
public:
    static constexpr int kAlways = -1;

    // Where a rule came from: rules read from a policy file are written back to it, the others are not.
    enum class Origin { Test, File, Environment };

    struct Rule {
        HRESULT result = E_FAIL;
        int remaining = kAlways; // calls still to fail, or kAlways
        Origin origin = Origin::Test;
        int skip = 0; // calls that still pass before the failures begin
    };

    // `call` names an interface's method ("INetFwOpenPorts::Add"), an interface request
    // ("INetFwOpenPort::QueryInterface") or a creation ("CoCreateInstance(NetFwMgr)").
    void Fail(const std::string& call, HRESULT result, int times = kAlways, Origin origin = Origin::Test);
    // The same, but the first `skip` calls still succeed: reaches the second of two identical calls.
    void FailAfter(const std::string& call, int skip, HRESULT result, int times = kAlways);
    void Clear(const std::string& call) { rules_.erase(call); }
    void ClearAll() { rules_.clear(); }
    void ClearFrom(Origin origin);

    // Called by the stand-in on entry to each named call: S_OK, or the failure to report.
    HRESULT Check(const std::string& call);
    int Calls(const std::string& call) const;
    void ResetCalls() { calls_.clear(); }

    const std::map<std::string, Rule>& Rules() const { return rules_; }

private:
    std::map<std::string, Rule> rules_;
    std::map<std::string, int> calls_;
};

} // namespace standin
