#pragma once
// The table of open TCP sessions, in the order they were opened. The sessions live in records of
// an array that grows in chunks (a session never moves while it is open), found through a flat
// hash index of small slots keyed by their addresses and ports; a list threaded through the records
// keeps the opening order. A lookup touches one index slot and the session's record, so the cost of
// a segment does not grow with the number of sessions; since a session is only opened when none
// matches, each key is held at most once and the lookup gives the same session a first-match scan
// from the start of the table would. Records of closed sessions are used again.
//
// A session may also belong to an owner (the decoder's conversation of the same two addresses),
// which can close all its sessions at once; owner 0 is no owner.

#include "traffic/memory/chunked_array.h"
#include "traffic/memory/flat_table.h"
#include "traffic/decode/session.h"

#include <cstddef>
#include <cstdint>
#include <iterator>
#include <memory>
#include <string>
#include <string_view>

namespace palisor {

class SessionTable {
public:
    using Index = std::uint32_t; // 0 is no session

    class const_iterator {
    public:
        using iterator_category = std::forward_iterator_tag;
        using value_type = Session*;
        using difference_type = std::ptrdiff_t;
        using pointer = Session* const*;
        using reference = Session*;

        const_iterator(const SessionTable* table, Index at) : table_(table), at_(at) {}
        Session* operator*() const { return &const_cast<SessionTable*>(table_)->At(at_).session; }
        const_iterator& operator++() {
            at_ = table_->At(at_).orderNext;
            return *this;
        }
        bool operator==(const const_iterator& other) const { return at_ == other.at_; }
        bool operator!=(const const_iterator& other) const { return at_ != other.at_; }

    private:
        const SessionTable* table_;
        Index at_;
    };

    SessionTable() = default;
    SessionTable(const SessionTable&) = delete;
    SessionTable& operator=(const SessionTable&) = delete;

    // The session of exactly this direction (addresses compared as exact text), or null. The
    // pointer stays valid until that session is removed.
    Session* Find(std::string_view srcAddr, std::int32_t srcPort, std::string_view dstAddr,
                  std::int32_t dstPort);
    // Appends a session at the end of the table and returns where it is kept now. A session whose
    // key is already held is refused (returns null): the table never holds two sessions of one
    // direction.
    Session* Append(std::unique_ptr<Session> session);
    // Removes and releases a session of this table; the others keep their order.
    bool Remove(const Session* session);

    // The same by index, for the decoder.
    Index FindIndex(std::string_view srcAddr, std::int32_t srcPort, std::string_view dstAddr,
                    std::int32_t dstPort);
    // Opens a session the table does not hold, for an owner; may throw, and then changes nothing.
    Index Open(Session&& session, std::uint32_t owner);
    void Close(Index index);
    Session& session(Index index) { return At(index).session; }
    std::uint32_t OwnerOf(Index index) const { return At(index).owner; }
    Index Oldest() const { return first_; }
    std::size_t OwnedBy(std::uint32_t owner) const {
        return owner < owners_.size() ? owners_[owner].count : 0;
    }
    // Closes every session of the owner; returns how many.
    std::size_t CloseOwnedBy(std::uint32_t owner);

    std::size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }
    // The sessions in opening order, as pointers.
    const_iterator begin() const { return const_iterator(this, first_); }
    const_iterator end() const { return const_iterator(this, 0); }

private:
    struct alignas(64) Record { // two cache lines
        Session session;
        std::uint64_t hash = 0;
        Index orderPrevious = 0;
        Index orderNext = 0; // for a closed record: the next closed one
        Index ownerPrevious = 0;
        Index ownerNext = 0;
        std::uint32_t owner = 0;
        bool live = false;
    };
    struct OwnerList {
        Index first = 0;
        std::uint32_t count = 0;
    };

    std::uint64_t Hash(std::string_view srcAddr, std::int32_t srcPort, std::string_view dstAddr,
                       std::int32_t dstPort) const;
    Index FindIndex(std::uint64_t hash, std::string_view srcAddr, std::int32_t srcPort,
                    std::string_view dstAddr, std::int32_t dstPort);
    Record& At(Index index) { return records_[index - 1]; }
    const Record& At(Index index) const { return records_[index - 1]; }

    ChunkedArray<Record> records_;
    ChunkedArray<OwnerList> owners_;
    FlatTable<Index> index_;
    Index first_ = 0;
    Index last_ = 0;
    Index free_ = 0;
    Index spare_ = 0; // a record grown for an opening that failed before using it
    std::size_t size_ = 0;
    std::uint64_t seed_ = ProcessHashSeed();
};

} // namespace palisor
