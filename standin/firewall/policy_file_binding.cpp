#include "standin/firewall/policy_file_binding.h"

#include <fstream>
#include <sstream>
#include <system_error>

#include "standin/firewall/policy_file.h"

namespace standin {

namespace {

// The file's text. A missing file reads as empty, which is the default policy; a file that exists
// but cannot be read (no access, locked, not a file) gives nothing.
std::optional<std::string> ReadAll(const std::filesystem::path& file) {
    std::error_code error;
    const auto status = std::filesystem::status(file, error);
    if (status.type() == std::filesystem::file_type::not_found) {
        return std::string();
    }
    if (error || status.type() != std::filesystem::file_type::regular) {
        return std::nullopt;
    }
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        return std::nullopt;
    }
    std::ostringstream text;
    text << in.rdbuf();
    if (in.bad()) {
        return std::nullopt;
    }
    return text.str();
}

} // namespace

void PolicyFileBinding::Attach(StandinPolicy& policy) {
    policy.onChange = [this, &policy]() -> HRESULT {
        // The service could not keep the change: 0x8007001D, ERROR_WRITE_FAULT.
        return Save(policy) ? S_OK : static_cast<HRESULT>(0x8007001Du);
    };
    policy.onRefresh = [this, &policy] { Load(policy, true); };
    policy.onBeforeChange = [this, &policy]() -> HRESULT {
        if (unreadable_) {
            Load(policy, false); // perhaps it can be read again by now
        } else if (damaged_) {
            Load(policy, true); // perhaps it was mended by now
        }
        if (unreadable_) {
            return kUnreadable;
        }
        return damaged_ ? kDamaged : S_OK;
    };
}

void PolicyFileBinding::Load(StandinPolicy& policy, bool onlyIfChanged) {
    std::optional<std::string> text = ReadAll(file_);
    if (!text) {
        unreadable_ = true;
        problems_ = "the policy file cannot be read; changes are refused until it can\n";
        return;
    }
    if (onlyIfChanged && loaded_ && !unreadable_ && *text == lastText_) {
        return;
    }
    unreadable_ = false;
    problems_.clear();
    ParsePolicy(*text, policy, &problems_);
    damaged_ = !problems_.empty();
    if (damaged_) {
        problems_ += "the policy file is damaged; changes are refused until it is mended\n";
    }
    lastText_ = std::move(*text);
    loaded_ = true;
}

bool PolicyFileBinding::Save(const StandinPolicy& policy) {
    if (unreadable_ || damaged_ || !SavePolicyFile(file_, policy)) {
        return false;
    }
    lastText_ = FormatPolicy(policy);
    loaded_ = true;
    return true;
}

} // namespace standin
