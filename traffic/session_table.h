#pragma once
// The table of open TCP sessions, in the order they were opened. The sessions themselves live in
// the slots of a flat hash table keyed by their addresses and ports, and a list beside it keeps
// the opening order. A lookup touches one slot, which holds the whole session, so the cost of a
// segment does not grow with the number of sessions; since a session is only opened when none
// matches, each key is held at most once and the lookup gives the same session a first-match scan
// from the start of the table would.

#include "traffic/flat_table.h"
#include "traffic/session.h"

#include <cstddef>
#include <cstdint>
#include <list>
#include <memory>
#include <string>

namespace palisor {

class SessionTable {
public:
    using List = std::list<Session*>;
    using const_iterator = List::const_iterator;

    SessionTable() = default;
    SessionTable(const SessionTable&) = delete;
    SessionTable& operator=(const SessionTable&) = delete;

    // The session of exactly this direction (addresses compared as exact text), or null. The
    // pointer stays valid until the next Append or Remove, which may move sessions.
    Session* Find(const std::string& srcAddr, std::int32_t srcPort, const std::string& dstAddr,
                  std::int32_t dstPort);
    // Appends a session at the end of the table and returns where it is kept now. A session whose
    // key is already held is refused (returns null): the table never holds two sessions of one
    // direction.
    Session* Append(std::unique_ptr<Session> session);
    // Removes and releases a session of this table; the others keep their order.
    bool Remove(const Session* session);

    std::size_t size() const { return order_.size(); }
    bool empty() const { return order_.empty(); }
    // The sessions in opening order, as pointers.
    const_iterator begin() const { return order_.begin(); }
    const_iterator end() const { return order_.end(); }

private:
    // The hash a session of these addresses and ports is kept under.
    std::uint64_t Hash(const std::string& srcAddr, std::int32_t srcPort, const std::string& dstAddr,
                       std::int32_t dstPort) const;
    Session* Find(std::uint64_t hash, const std::string& srcAddr, std::int32_t srcPort,
                  const std::string& dstAddr, std::int32_t dstPort);

    struct Entry {
        Session session;
        List::iterator position{};
    };

    FlatTable<Entry> slots_;
    List order_;
    std::uint64_t seed_ = ProcessHashSeed();
};

} // namespace palisor
