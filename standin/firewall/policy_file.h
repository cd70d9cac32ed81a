// The stand-in firewall's policy as a small text file that people can read and edit, and the list of
// failures that the environment can inject. The format is described in docs/firewall.md.
#pragma once

#include <filesystem>
#include <string>

#include "standin/firewall/standin_policy.h"

namespace standin {

// Replaces the policy's state, and its file-origin failure rules, with what the text says. Unreadable
// lines are skipped and described in `problems` (one line each); the rest still applies.
void ParsePolicy(const std::string& text, StandinPolicy& policy, std::string* problems = nullptr);
std::string FormatPolicy(const StandinPolicy& policy);

// A missing file is the default policy: firewall on, no exceptions. Other read failures return false.
bool LoadPolicyFile(const std::filesystem::path& file, StandinPolicy& policy,
                    std::string* problems = nullptr);
// Writes a new file beside the old one and then replaces it, so a reader never sees half a policy.
bool SavePolicyFile(const std::filesystem::path& file, const StandinPolicy& policy);

// "call=result[:times];..." with times a number, "once" or "always" (the default); e.g.
// "INetFwMgr::get_LocalPolicy=0x80004005:always". Returns false if any entry was unreadable.
bool ParseFailureList(const std::string& list, FailureInjector& failures, FailureInjector::Origin origin);

// UTF-8 in the file, UTF-16 in the COM objects.
OleString Utf8ToOle(const std::string& text);
std::string OleToUtf8(const OleString& text);

} // namespace standin
