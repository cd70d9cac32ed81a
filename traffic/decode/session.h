#pragma once
// One TCP session seen in one direction.

#include <cstdint>
#include <string>

namespace palisor {

struct Session {
    std::int32_t srcPort = 0;
    std::int32_t dstPort = 0;
    std::string srcAddr;
    std::string dstAddr;
    std::int32_t reserved = 0; // kept for layout; nothing reads it
    std::uint32_t baseSeq = 0; // sequence number of the latest SYN in this direction
    std::uint32_t lastLen = 0; // size of the latest segment of the session
};

} // namespace palisor
