#include "standin/firewall/policy_file_binding.h"

#include <fstream>
#include <sstream>
#include <system_error>

#include "standin/firewall/policy_file.h"

namespace standin {

namespace {

// The file's text; a missing or unreadable file reads as empty, which is the default policy.
std::string ReadAll(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        return {};
    }
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

} // namespace

void PolicyFileBinding::Attach(StandinPolicy& policy) {
    policy.onChange = [this, &policy]() -> HRESULT {
        // The service could not keep the change: 0x8007001D, ERROR_WRITE_FAULT.
        return Save(policy) ? S_OK : static_cast<HRESULT>(0x8007001Du);
    };
    policy.onRefresh = [this, &policy] { Load(policy, true); };
}

void PolicyFileBinding::Load(StandinPolicy& policy, bool onlyIfChanged) {
    std::string text = ReadAll(file_);
    if (onlyIfChanged && loaded_ && text == lastText_) {
        return;
    }
    problems_.clear();
    ParsePolicy(text, policy, &problems_);
    lastText_ = std::move(text);
    loaded_ = true;
}

bool PolicyFileBinding::Save(const StandinPolicy& policy) {
    if (!SavePolicyFile(file_, policy)) {
        return false;
    }
    lastText_ = FormatPolicy(policy);
    loaded_ = true;
    return true;
}

} // namespace standin
