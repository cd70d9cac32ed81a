#pragma once
// Builds IPv4 datagrams carrying TCP segments, byte by byte, for tests, the fuzzer's seeds and the
// benchmarks.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace palisor::testing {

struct TcpSegmentSpec {
    std::uint32_t src = 0x0A000005; // 10.0.0.5
    std::uint32_t dst = 0x0A000001; // 10.0.0.1
    std::uint16_t srcPort = 1025;
    std::uint16_t dstPort = 80;
    std::uint32_t seq = 0;
    std::uint32_t ack = 0;
    std::uint16_t flagWord = 0x5000; // data offset 5, no flags
    std::size_t optionBytes = 0;
    std::size_t payloadBytes = 0;
    int ipHeaderWords = 5;
    std::uint8_t protocol = 6;
    std::uint8_t version = 4;
};

inline std::uint32_t Ipv4(int a, int b, int c, int d) {
    return (std::uint32_t(a) << 24) | (std::uint32_t(b) << 16) | (std::uint32_t(c) << 8) | std::uint32_t(d);
}

inline void Put16(std::vector<std::uint8_t>& out, std::size_t at, std::uint32_t value) {
    out[at] = std::uint8_t(value >> 8);
    out[at + 1] = std::uint8_t(value);
}

inline void Put32(std::vector<std::uint8_t>& out, std::size_t at, std::uint32_t value) {
    Put16(out, at, value >> 16);
    Put16(out, at + 2, value & 0xFFFF);
}

inline std::vector<std::uint8_t> BuildDatagram(const TcpSegmentSpec& spec) {
    const std::size_t ipHeader = std::size_t(spec.ipHeaderWords) * 4;
    const std::size_t tcpLength = 20 + spec.optionBytes + spec.payloadBytes;
    std::vector<std::uint8_t> out(ipHeader + tcpLength < 20 ? 20 : ipHeader + tcpLength, 0);
    out[0] = std::uint8_t((spec.version << 4) | (spec.ipHeaderWords & 0x0F));
    Put16(out, 2, std::uint32_t(out.size()));
    out[8] = 64;
    out[9] = spec.protocol;
    Put32(out, 12, spec.src);
    Put32(out, 16, spec.dst);
    if (out.size() < ipHeader + 20)
        return out;
    const std::size_t t = ipHeader;
    Put16(out, t, spec.srcPort);
    Put16(out, t + 2, spec.dstPort);
    Put32(out, t + 4, spec.seq);
    Put32(out, t + 8, spec.ack);
    Put16(out, t + 12, spec.flagWord);
    for (std::size_t i = 0; i < spec.payloadBytes; ++i)
        out[t + 20 + spec.optionBytes + i] = std::uint8_t('a' + i % 26);
    return out;
}

// A TCP segment with the given flag bits and the usual data offset.
inline TcpSegmentSpec Segment(std::uint32_t src, std::uint16_t srcPort, std::uint32_t dst,
                              std::uint16_t dstPort, std::uint8_t flags, std::uint32_t seq = 0,
                              std::size_t payload = 0) {
    TcpSegmentSpec spec;
    spec.src = src;
    spec.dst = dst;
    spec.srcPort = srcPort;
    spec.dstPort = dstPort;
    spec.flagWord = std::uint16_t(0x5000 | flags);
    spec.seq = seq;
    spec.payloadBytes = payload;
    return spec;
}

} // namespace palisor::testing
