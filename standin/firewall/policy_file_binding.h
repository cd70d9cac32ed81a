// Keeps a policy and its file in step for a process that shares the file with others: the file is read
// again when its text differs from what this process last read or wrote, and written after each change.
#pragma once

#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "standin/firewall/standin_policy.h"

namespace standin {

class PolicyFileBinding {
public:
    explicit PolicyFileBinding(std::filesystem::path file) : file_(std::move(file)) {}

    // The service could not read its policy: 0x8007001E, ERROR_READ_FAULT.
    static constexpr HRESULT kUnreadable = static_cast<HRESULT>(0x8007001Eu);
    // The policy file has lines the service cannot read, or is cut short: 0x80070570,
    // ERROR_FILE_CORRUPT. A save would drop what it cannot read, so nothing is changed.
    static constexpr HRESULT kDamaged = static_cast<HRESULT>(0x80070570u);

    // Connects the policy's change and refresh hooks to the file. The binding must outlive the policy's
    // use of them.
    void Attach(StandinPolicy& policy);
    // Reads the file into the policy; with `onlyIfChanged`, only when another writer changed it. A file
    // that exists but cannot be read leaves the policy as it is and blocks every change (and every
    // save) until a later reading succeeds, so the file is never overwritten with a policy that did
    // not come from it. A file read in part (bad lines, cut short) gives what could be read, and
    // blocks changes in the same way until it is mended.
    void Load(StandinPolicy& policy, bool onlyIfChanged);
    bool Save(const StandinPolicy& policy);
    // Whether the last reading failed.
    bool Unreadable() const { return unreadable_; }
    // Whether the last reading found lines it could not read.
    bool Damaged() const { return damaged_; }

    const std::filesystem::path& File() const { return file_; }
    // What the last reading found wrong in the file, if anything.
    const std::string& Problems() const { return problems_; }

private:
    std::filesystem::path file_;
    std::string lastText_;
    bool loaded_ = false;
    bool unreadable_ = false;
    bool damaged_ = false;
    std::string problems_;
};

} // namespace standin
