#pragma once
// The table of open TCP sessions, in the order they were opened. A hash index beside the ordered
// list finds a session in constant time, so the cost of a segment does not grow with the number of
// sessions; since a session is only opened when none matches, each key is held at most once and
// the index gives the same session a first-match scan from the start of the table would.

#include "traffic/session.h"

#include <cstddef>
#include <list>
#include <memory>
#include <string>
#include <unordered_map>

namespace palisor {

class SessionTable {
public:
    using List = std::list<std::unique_ptr<Session>>;
    using const_iterator = List::const_iterator;

    // The session of exactly this direction (addresses compared as exact text), or null.
    Session* Find(const std::string& srcAddr, std::int32_t srcPort, const std::string& dstAddr,
                  std::int32_t dstPort);
    // Appends a session at the end of the table. A session whose key is already held is refused
    // (returns null): the table never holds two sessions of one direction.
    Session* Append(std::unique_ptr<Session> session);
    // Removes and releases the session; the others keep their order.
    bool Remove(const Session* session);

    std::size_t size() const { return order_.size(); }
    bool empty() const { return order_.empty(); }
    const_iterator begin() const { return order_.begin(); }
    const_iterator end() const { return order_.end(); }

private:
    static void MakeKey(std::string& key, const std::string& srcAddr, std::int32_t srcPort,
                        const std::string& dstAddr, std::int32_t dstPort);

    List order_;
    std::unordered_map<std::string, List::iterator> index_;
    std::string scratchKey_; // reused so that a lookup allocates nothing
};

} // namespace palisor
