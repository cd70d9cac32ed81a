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

void StandinPolicy::ResetPolicy() {
    firewallEnabled = true;
    ports.clear();
    applications.clear();
}

} // namespace standin
