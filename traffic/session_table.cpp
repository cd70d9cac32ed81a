#include "traffic/session_table.h"

namespace palisor {

void SessionTable::MakeKey(std::string& key, const std::string& srcAddr, std::int32_t srcPort,
                           const std::string& dstAddr, std::int32_t dstPort) {
    // Addresses never hold a NUL, so it separates the parts without ambiguity; the ports follow
    // as four raw bytes each.
    key.clear();
    key += srcAddr;
    key += '\0';
    key += dstAddr;
    key += '\0';
    for (std::int32_t port : {srcPort, dstPort})
        for (int shift = 24; shift >= 0; shift -= 8)
            key += static_cast<char>((static_cast<std::uint32_t>(port) >> shift) & 0xFF);
}

Session* SessionTable::Find(const std::string& srcAddr, std::int32_t srcPort, const std::string& dstAddr,
                            std::int32_t dstPort) {
    MakeKey(scratchKey_, srcAddr, srcPort, dstAddr, dstPort);
    auto found = index_.find(scratchKey_);
    return found == index_.end() ? nullptr : found->second->get();
}

Session* SessionTable::Append(std::unique_ptr<Session> session) {
    if (!session)
        return nullptr;
    std::string key;
    MakeKey(key, session->srcAddr, session->srcPort, session->dstAddr, session->dstPort);
    if (index_.count(key))
        return nullptr;
    order_.push_back(std::move(session));
    auto position = std::prev(order_.end());
    index_.emplace(std::move(key), position);
    return position->get();
}

bool SessionTable::Remove(const Session* session) {
    if (!session)
        return false;
    MakeKey(scratchKey_, session->srcAddr, session->srcPort, session->dstAddr, session->dstPort);
    auto found = index_.find(scratchKey_);
    if (found == index_.end() || found->second->get() != session)
        return false;
    order_.erase(found->second);
    index_.erase(found);
    return true;
}

} // namespace palisor
