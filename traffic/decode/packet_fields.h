#pragma once
// The eight display texts of one TCP segment, handed to the tree and then discarded.

#include <string>

namespace palisor {

struct PacketFields {
    std::string srcAddr;
    std::string dstAddr;
    std::string srcPort;
    std::string dstPort;
    std::string size;
    std::string flags;
    std::string seq;
    std::string ack;
};

} // namespace palisor
