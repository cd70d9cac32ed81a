#pragma once
// Finds the IP datagram inside a captured frame, for the link types the replay tool reads.

#include <cstddef>
#include <cstdint>

namespace palisor {

// Link-layer header types as capture files name them.
enum LinkType : int {
    kLinkNull = 0,
    kLinkEthernet = 1,
    kLinkRawOpenBsd = 14,
    kLinkRaw = 12,
    kLinkLoop = 108,
    kLinkRawFile = 101,
    kLinkLinuxCooked = 113,
    kLinkIpv4 = 228,
    kLinkIpv6 = 229,
    kLinkLinuxCooked2 = 276,
};

// Points datagram at the IPv4 or IPv6 datagram the frame carries and sets its length, trimmed to
// the length its own header gives when the frame holds more (link-layer padding), as a raw
// socket would deliver it. False for a frame without an IP datagram or of an unknown link type.
bool ExtractIpDatagram(int linkType, const unsigned char* frame, std::size_t frameLength,
                       const unsigned char*& datagram, std::size_t& length);

} // namespace palisor
