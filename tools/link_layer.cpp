#include "tools/link_layer.h"

#include "traffic/decode/byte_reader.h"

namespace palisor {

namespace {

constexpr std::uint16_t kEtherIpv4 = 0x0800;
constexpr std::uint16_t kEtherIpv6 = 0x86DD;
constexpr std::uint16_t kEtherVlan = 0x8100;
constexpr std::uint16_t kEtherQinQ = 0x88A8;

bool TrimToHeaderLength(const unsigned char* start, std::size_t available, const unsigned char*& datagram,
                        std::size_t& length) {
    const ByteReader bytes(start, available);
    std::uint8_t first = 0;
    if (!bytes.U8(0, first))
        return false;
    const int version = first >> 4;
    if (version != 4 && version != 6)
        return false;
    std::size_t wanted = available;
    std::uint16_t field = 0;
    if (version == 4 && bytes.U16(2, field) && field >= 20)
        wanted = field;
    else if (version == 6 && bytes.U16(4, field))
        wanted = std::size_t(field) + 40;
    datagram = start;
    length = wanted < available ? wanted : available;
    return true;
}

bool FromEtherType(std::uint16_t type, const unsigned char* start, std::size_t available,
                   const unsigned char*& datagram, std::size_t& length) {
    if (type != kEtherIpv4 && type != kEtherIpv6)
        return false;
    return TrimToHeaderLength(start, available, datagram, length);
}

} // namespace

bool ExtractIpDatagram(int linkType, const unsigned char* frame, std::size_t frameLength,
                       const unsigned char*& datagram, std::size_t& length) {
    const ByteReader bytes(frame, frameLength);
    std::uint16_t type = 0;
    switch (linkType) {
    case kLinkEthernet: {
        std::size_t offset = 12;
        if (!bytes.U16(offset, type))
            return false;
        // Up to two VLAN tags before the real type.
        for (int tags = 0; tags < 2 && (type == kEtherVlan || type == kEtherQinQ); ++tags) {
            offset += 4;
            if (!bytes.U16(offset, type))
                return false;
        }
        offset += 2;
        return FromEtherType(type, frame + offset, frameLength - offset, datagram, length);
    }
    case kLinkLinuxCooked:
        if (!bytes.U16(14, type) || frameLength < 16)
            return false;
        return FromEtherType(type, frame + 16, frameLength - 16, datagram, length);
    case kLinkLinuxCooked2:
        if (!bytes.U16(0, type) || frameLength < 20)
            return false;
        return FromEtherType(type, frame + 20, frameLength - 20, datagram, length);
    case kLinkNull:
    case kLinkLoop: {
        if (frameLength < 4)
            return false;
        // The address family, in the byte order of the capturing machine.
        const std::uint32_t little =
            frame[0] | (frame[1] << 8) | (frame[2] << 16) | (std::uint32_t(frame[3]) << 24);
        const std::uint32_t big =
            (std::uint32_t(frame[0]) << 24) | (frame[1] << 16) | (frame[2] << 8) | frame[3];
        const auto known = [](std::uint32_t family) {
            return family == 2 || family == 10 || family == 24 || family == 28 || family == 30;
        };
        if (!known(little) && !known(big))
            return false;
        return TrimToHeaderLength(frame + 4, frameLength - 4, datagram, length);
    }
    case kLinkRaw:
    case kLinkRawOpenBsd:
    case kLinkRawFile:
    case kLinkIpv4:
    case kLinkIpv6:
        return TrimToHeaderLength(frame, frameLength, datagram, length);
    default:
        return false;
    }
}

} // namespace palisor
