#include "traffic/session_table.h"

namespace palisor {

namespace {

bool SameKey(const Session& session, const std::string& srcAddr, std::int32_t srcPort,
             const std::string& dstAddr, std::int32_t dstPort) {
    return session.srcPort == srcPort && session.dstPort == dstPort && session.srcAddr == srcAddr &&
           session.dstAddr == dstAddr;
}

} // namespace

std::uint64_t SessionTable::Hash(const std::string& srcAddr, std::int32_t srcPort, const std::string& dstAddr,
                                 std::int32_t dstPort) const {
    const std::uint64_t ports = (std::uint64_t(std::uint32_t(srcPort)) << 32) | std::uint32_t(dstPort);
    std::uint64_t h = HashBytes(srcAddr.data(), srcAddr.size(), seed_ ^ MixHash(ports));
    return HashBytes(dstAddr.data(), dstAddr.size(), h);
}

Session* SessionTable::Find(const std::string& srcAddr, std::int32_t srcPort, const std::string& dstAddr,
                            std::int32_t dstPort) {
    return Find(Hash(srcAddr, srcPort, dstAddr, dstPort), srcAddr, srcPort, dstAddr, dstPort);
}

Session* SessionTable::Find(std::uint64_t hash, const std::string& srcAddr, std::int32_t srcPort,
                            const std::string& dstAddr, std::int32_t dstPort) {
    auto* slot = slots_.Find(
        hash, [&](const Entry& entry) { return SameKey(entry.session, srcAddr, srcPort, dstAddr, dstPort); });
    return slot ? &slot->value.session : nullptr;
}

Session* SessionTable::Append(std::unique_ptr<Session> session) {
    if (!session)
        return nullptr;
    const std::uint64_t hash = Hash(session->srcAddr, session->srcPort, session->dstAddr, session->dstPort);
    if (Find(hash, session->srcAddr, session->srcPort, session->dstAddr, session->dstPort))
        return nullptr;
    // The list node first: if it cannot be had, the table is unchanged.
    order_.push_back(nullptr);
    const List::iterator position = std::prev(order_.end());
    FlatTable<Entry>::Slot* slot = nullptr;
    try {
        slot = slots_.Insert(hash, Entry{std::move(*session), position},
                             [](Entry& moved) { *moved.position = &moved.session; });
    } catch (...) {
        order_.pop_back();
        throw;
    }
    *position = &slot->value.session;
    return &slot->value.session;
}

bool SessionTable::Remove(const Session* session) {
    if (!session)
        return false;
    auto* slot = slots_.SlotContaining(session);
    if (!slot || &slot->value.session != session)
        return false;
    order_.erase(slot->value.position);
    slots_.Erase(slot, [](Entry& moved) { *moved.position = &moved.session; });
    return true;
}

} // namespace palisor
