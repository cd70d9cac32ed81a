#pragma once
// Builds IPv4 datagrams carrying TCP segments, byte by byte, for tests, the fuzzer's seeds and the
// benchmarks.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace palisor::testing {

struct TcpSegmentPlan {
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

inline std::vector<std::uint8_t> BuildDatagram(const TcpSegmentPlan& plan) {
    const std::size_t ipHeader = std::size_t(plan.ipHeaderWords) * 4;
    const std::size_t tcpLength = 20 + plan.optionBytes + plan.payloadBytes;
    std::vector<std::uint8_t> out(ipHeader + tcpLength < 20 ? 20 : ipHeader + tcpLength, 0);
    out[0] = std::uint8_t((plan.version << 4) | (plan.ipHeaderWords & 0x0F));
    Put16(out, 2, std::uint32_t(out.size()));
    out[8] = 64;
    out[9] = plan.protocol;
    Put32(out, 12, plan.src);
    Put32(out, 16, plan.dst);
    if (out.size() < ipHeader + 20)
        return out;
    const std::size_t t = ipHeader;
    Put16(out, t, plan.srcPort);
    Put16(out, t + 2, plan.dstPort);
    Put32(out, t + 4, plan.seq);
    Put32(out, t + 8, plan.ack);
    Put16(out, t + 12, plan.flagWord);
    for (std::size_t i = 0; i < plan.payloadBytes; ++i)
        out[t + 20 + plan.optionBytes + i] = std::uint8_t('a' + i % 26);
    return out;
}

// A TCP segment with the given flag bits and the usual data offset.
inline TcpSegmentPlan Segment(std::uint32_t src, std::uint16_t srcPort, std::uint32_t dst,
                              std::uint16_t dstPort, std::uint8_t flags, std::uint32_t seq = 0,
                              std::size_t payload = 0) {
    TcpSegmentPlan plan;
    plan.src = src;
    plan.dst = dst;
    plan.srcPort = srcPort;
    plan.dstPort = dstPort;
    plan.flagWord = std::uint16_t(0x5000 | flags);
    plan.seq = seq;
    plan.payloadBytes = payload;
    return plan;
}

} // namespace palisor::testing
