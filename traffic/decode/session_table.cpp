#include "traffic/decode/session_table.h"

#include <limits>
#include <new>

namespace palisor {

namespace {

bool SameKey(const Session& session, std::string_view srcAddr, std::int32_t srcPort, std::string_view dstAddr,
             std::int32_t dstPort) {
    return session.srcPort == srcPort && session.dstPort == dstPort && session.srcAddr == srcAddr &&
           session.dstAddr == dstAddr;
}

} // namespace

std::uint64_t SessionTable::Hash(std::string_view srcAddr, std::int32_t srcPort, std::string_view dstAddr,
                                 std::int32_t dstPort) const {
    const std::uint64_t ports = (std::uint64_t(std::uint32_t(srcPort)) << 32) | std::uint32_t(dstPort);
    std::uint64_t h = HashBytes(srcAddr.data(), srcAddr.size(), seed_ ^ MixHash(ports));
    return HashBytes(dstAddr.data(), dstAddr.size(), h);
}

SessionTable::Index SessionTable::FindIndex(std::string_view srcAddr, std::int32_t srcPort,
                                            std::string_view dstAddr, std::int32_t dstPort) {
    return FindIndex(Hash(srcAddr, srcPort, dstAddr, dstPort), srcAddr, srcPort, dstAddr, dstPort);
}

SessionTable::Index SessionTable::FindIndex(std::uint64_t hash, std::string_view srcAddr,
                                            std::int32_t srcPort, std::string_view dstAddr,
                                            std::int32_t dstPort) {
    auto* slot = index_.Find(
        hash, [&](Index index) { return SameKey(At(index).session, srcAddr, srcPort, dstAddr, dstPort); });
    return slot ? slot->value : 0;
}

Session* SessionTable::Find(std::string_view srcAddr, std::int32_t srcPort, std::string_view dstAddr,
                            std::int32_t dstPort) {
    const Index index = FindIndex(srcAddr, srcPort, dstAddr, dstPort);
    return index ? &At(index).session : nullptr;
}

SessionTable::Index SessionTable::Open(Session&& session, std::uint32_t owner) {
    const std::uint64_t hash = Hash(session.srcAddr, session.srcPort, session.dstAddr, session.dstPort);
    // Everything that can fail first: the owner's list, a record, the index slot.
    while (owners_.size() <= owner)
        owners_[owners_.Grow()] = OwnerList{};
    Index index = free_;
    if (index == 0) {
        if (records_.size() >= std::numeric_limits<Index>::max())
            throw std::bad_alloc();
        if (spare_ == 0)
            spare_ = Index(records_.Grow() + 1);
        index = spare_;
    }
    index_.Insert(hash, Index(index), [](Index&) {});
    if (index == free_)
        free_ = At(index).orderNext;
    else
        spare_ = 0;
    Record& record = At(index);
    record.session = std::move(session);
    record.hash = hash;
    record.live = true;
    record.orderPrevious = last_;
    record.orderNext = 0;
    if (last_)
        At(last_).orderNext = index;
    else
        first_ = index;
    last_ = index;
    record.owner = owner;
    record.ownerPrevious = 0;
    record.ownerNext = 0;
    if (owner != 0) {
        OwnerList& list = owners_[owner];
        record.ownerNext = list.first;
        if (list.first)
            At(list.first).ownerPrevious = index;
        list.first = index;
        ++list.count;
    }
    ++size_;
    return index;
}

void SessionTable::Close(Index index) {
    Record& record = At(index);
    auto* slot = index_.Find(record.hash, [index](Index held) { return held == index; });
    if (slot)
        index_.Erase(slot, [](Index&) {});
    if (record.orderPrevious)
        At(record.orderPrevious).orderNext = record.orderNext;
    else
        first_ = record.orderNext;
    if (record.orderNext)
        At(record.orderNext).orderPrevious = record.orderPrevious;
    else
        last_ = record.orderPrevious;
    if (record.owner != 0) {
        OwnerList& list = owners_[record.owner];
        if (record.ownerPrevious)
            At(record.ownerPrevious).ownerNext = record.ownerNext;
        else
            list.first = record.ownerNext;
        if (record.ownerNext)
            At(record.ownerNext).ownerPrevious = record.ownerPrevious;
        --list.count;
    }
    // Addresses of up to 15 characters sit inside their strings: nothing to release.
    record.session = Session{};
    record.live = false;
    record.owner = 0;
    record.orderNext = free_;
    free_ = index;
    --size_;
}

std::size_t SessionTable::CloseOwnedBy(std::uint32_t owner) {
    if (owner == 0 || owner >= owners_.size())
        return 0;
    std::size_t closed = 0;
    while (owners_[owner].first != 0) {
        Close(owners_[owner].first);
        ++closed;
    }
    return closed;
}

Session* SessionTable::Append(std::unique_ptr<Session> session) {
    if (!session)
        return nullptr;
    if (FindIndex(session->srcAddr, session->srcPort, session->dstAddr, session->dstPort))
        return nullptr;
    return &At(Open(std::move(*session), 0)).session;
}

bool SessionTable::Remove(const Session* session) {
    if (!session)
        return false;
    const std::size_t at = records_.IndexOf(session);
    if (at >= records_.size() || !records_[at].live)
        return false;
    Close(Index(at + 1));
    return true;
}

} // namespace palisor
