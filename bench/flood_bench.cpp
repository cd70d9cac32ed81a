// A SYN flood through the traffic engine: 1,000,000 spoofed SYNs from random sources to one address,
// then 1,000,000 SYNs from one source to random ports (a port scan), decoded into the in-memory
// tree with the program's limits. Prints, per block of 100,000 segments, the time per segment and
// what the engine holds, then the entries the port scan pushed out and the peak resident memory
// of the process against the bound the limits give. The scan's sessions push out only sessions,
// so it pushes out one entry, for its own. Exits 1 when the peak is over the bound, a limit was
// passed or the scan pushed out more.
//   palisor_flood_bench [SEGMENTS]

#include "tests/unit/traffic/datagram_builder.h"
#include "traffic/tree/memory_tree.h"
#include "traffic/decode/traffic_decoder.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <vector>

using palisor::testing::BuildDatagram;
using palisor::testing::Ipv4;
using palisor::testing::Segment;

namespace {

// Peak and current resident memory of this process in KB, from /proc/self/status.
long StatusKb(const char* field) {
    std::FILE* status = std::fopen("/proc/self/status", "r");
    if (!status)
        return -1;
    char line[256];
    long value = -1;
    const std::size_t length = std::strlen(field);
    while (std::fgets(line, sizeof line, status))
        if (std::strncmp(line, field, length) == 0)
            value = std::strtol(line + length, nullptr, 10);
    std::fclose(status);
    return value;
}

} // namespace

int main(int argc, char** argv) {
    const unsigned long segments = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 1000000;
    // What the limits let the engine keep, at most: the tree's records (64 bytes an item), the
    // address pairs (those shown and those that only own sessions), the sessions, and the two hash
    // indexes at their largest (16-byte slots, at most half full, doubled once more while
    // growing); the arrays grow in chunks that double, so each may be up to twice what it holds.
    // Plus 16 MB for the program, its libraries and the prepared datagrams.
    const palisor::TrafficLimits limits = palisor::kProgramLimits;
    const double mb = 1024.0 * 1024.0;
    const double items = double(limits.conversations) * palisor::kItemsPerConversation;
    const double pairs = double(limits.conversations + limits.sessions);
    const double boundMb = (2 * items * 64 + 2 * pairs * 128 + 2 * double(limits.sessions) * 160 +
                            4 * pairs * 16 + 4 * double(limits.sessions) * 16) /
                               mb +
                           16;
    std::printf(
        "limits: %zu conversation entries, %zu open sessions; bound on peak resident memory: %.0f MB\n",
        limits.conversations, limits.sessions, boundMb);

    palisor::MemoryTree tree;
    palisor::NullTranscriptSink sink;
    palisor::TrafficDecoder decoder(tree, sink, limits);
    std::mt19937_64 random(42);
    const std::uint32_t target = Ipv4(10, 0, 0, 1);
    const std::uint32_t scanner = Ipv4(192, 0, 2, 7);
    const unsigned long block = 100000;
    bool over = false;
    std::uint64_t evictedBeforeScan = 0;
    for (int flood = 0; flood < 2; ++flood) {
        if (flood == 1)
            evictedBeforeScan = decoder.conversationsEvicted();
        std::printf("%s\n", flood == 0 ? "SYNs from random sources to 10.0.0.1:80"
                                       : "SYNs from 192.0.2.7 to random ports of 10.0.0.1");
        std::printf("%10s %12s %14s %14s %12s %10s\n", "segments", "ns/segment", "conversations",
                    "open sessions", "dropped", "RSS MB");
        std::vector<std::vector<std::uint8_t>> datagrams(block);
        for (unsigned long done = 0; done < segments; done += block) {
            for (auto& datagram : datagrams) {
                const std::uint32_t seq = std::uint32_t(random());
                if (flood == 0)
                    datagram = BuildDatagram(
                        Segment(std::uint32_t(random()), std::uint16_t(random()), target, 80, 0x02, seq));
                else
                    datagram = BuildDatagram(Segment(scanner, std::uint16_t(1024 + random() % 64000), target,
                                                     std::uint16_t(random()), 0x02, seq));
            }
            const auto started = std::chrono::steady_clock::now();
            for (const auto& datagram : datagrams)
                decoder.DecodeIpPacket(datagram.data(), datagram.size());
            const double ns =
                std::chrono::duration<double, std::nano>(std::chrono::steady_clock::now() - started).count();
            std::printf("%10lu %12.0f %14zu %14zu %12llu %10.1f\n", done + block, ns / double(block),
                        decoder.conversationCount(), decoder.sessionTable().size(),
                        static_cast<unsigned long long>(decoder.conversationsEvicted()),
                        double(StatusKb("VmRSS:")) / 1024.0);
            if (decoder.conversationCount() > limits.conversations ||
                decoder.sessionTable().size() > limits.sessions)
                over = true;
        }
    }
    const std::uint64_t scanEvicted = decoder.conversationsEvicted() - evictedBeforeScan;
    std::printf("entries pushed out during the port scan: %llu (its own entry takes one place)\n",
                static_cast<unsigned long long>(scanEvicted));
    if (scanEvicted > 1)
        over = true;
    const double peakMb = double(StatusKb("VmHWM:")) / 1024.0;
    std::printf("peak resident memory: %.1f MB (bound %.0f MB): %s\n", peakMb, boundMb,
                peakMb <= boundMb && !over ? "within" : "OVER");
    return peakMb <= boundMb && !over ? 0 : 1;
}
