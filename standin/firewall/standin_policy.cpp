#include "standin/firewall/standin_policy.h"

#include <algorithm>

namespace standin {

namespace {

unsigned int FoldCase(OLECHAR c) {
    const auto u = static_cast<unsigned int>(c);
    // Basic Latin and the Latin-1 letters (not the multiplication sign).
    if ((u >= 'a' && u <= 'z') || (u >= 0xE0 && u <= 0xFE && u != 0xF7)) {
        return u - 0x20;
    }
    return u;
}

} // namespace

bool SamePath(const OleString& a, const OleString& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](OLECHAR x, OLECHAR y) {
               return FoldCase(x) == FoldCase(y);
           });
}

std::shared_ptr<OpenPortData> StandinPolicy::FindPort(LONG port, int protocol) const {
    for (const auto& entry : ports) {
        if (entry->port == port && entry->protocol == protocol) {
            return entry;
        }
    }
    return nullptr;
}

std::shared_ptr<ApplicationData> StandinPolicy::FindApplication(const OleString& path) const {
    for (const auto& entry : applications) {
        if (SamePath(entry->path, path)) {
            return entry;
        }
    }
    return nullptr;
}

void StandinPolicy::PutPort(const OpenPortData& data) {
    if (auto existing = FindPort(data.port, data.protocol)) {
        *existing = data;
    } else {
        ports.push_back(std::make_shared<OpenPortData>(data));
    }
}

void StandinPolicy::PutApplication(const ApplicationData& data) {
    if (auto existing = FindApplication(data.path)) {
        *existing = data;
    } else {
        applications.push_back(std::make_shared<ApplicationData>(data));
    }
}

bool StandinPolicy::RemovePort(LONG port, int protocol) {
    auto it = std::find_if(ports.begin(), ports.end(), [&](const auto& entry) {
        return entry->port == port && entry->protocol == protocol;
    });
    if (it == ports.end()) {
        return false;
    }
    ports.erase(it);
    return true;
}

bool StandinPolicy::RemoveApplication(const OleString& path) {
    auto it = std::find_if(applications.begin(), applications.end(),
                           [&](const auto& entry) { return SamePath(entry->path, path); });
    if (it == applications.end()) {
        return false;
    }
    applications.erase(it);
    return true;
}

HRESULT StandinPolicy::Commit(const std::function<void()>& change) {
    if (!onChange) {
        change();
        return S_OK;
    }
    // Items of the policy share its entries, so the entries are restored in place, not replaced.
    const bool wasEnabled = firewallEnabled;
    std::vector<std::pair<std::shared_ptr<OpenPortData>, OpenPortData>> portsBefore;
    portsBefore.reserve(ports.size());
    for (const auto& entry : ports) {
        portsBefore.emplace_back(entry, *entry);
    }
    std::vector<std::pair<std::shared_ptr<ApplicationData>, ApplicationData>> applicationsBefore;
    applicationsBefore.reserve(applications.size());
    for (const auto& entry : applications) {
        applicationsBefore.emplace_back(entry, *entry);
    }
    change();
    const HRESULT kept = onChange();
    if (SUCCEEDED(kept)) {
        return kept;
    }
    firewallEnabled = wasEnabled;
    ports.clear();
    for (auto& [entry, data] : portsBefore) {
        *entry = std::move(data);
        ports.push_back(entry);
    }
    applications.clear();
    for (auto& [entry, data] : applicationsBefore) {
        *entry = std::move(data);
        applications.push_back(entry);
    }
    return kept;
}

void StandinPolicy::ResetPolicy() {
    firewallEnabled = true;
    ports.clear();
    applications.clear();
}

} // namespace standin
