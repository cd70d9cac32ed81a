// Writes synthetic capture files of TCP traffic for measuring the replay tool.
//
//   palisor-make-capture FILE SEGMENTS CONVERSATIONS
//     Ethernet frames; each conversation is a handshake, data segments in both directions and a
//     closing FIN pair, one conversation after the other.
//
//   palisor-make-capture --hosts HOSTS [--seed N] FILE SEGMENTS CONNECTIONS
//     Raw IP; a busy network: CONNECTIONS connections between random pairs of HOSTS hosts with
//     random ports, about a hundred of them open at any moment and their segments interleaved.
//     Each connection is a handshake and data segments both ways; 43% end with a FIN pair, 14%
//     with a RST and the rest are still open when the file ends, so most of their two sessions
//     stay in the table. A connection makes two conversations (one per direction) unless its pair
//     of hosts was seen before: --hosts 2000 with 50000 connections in 400000 segments gives about
//     100,000 conversations and 57,000 open sessions at the end; with 500 connections about 1,000
//     conversations.

#include "tests/unit/traffic/datagram_builder.h"
#include "tests/unit/traffic/pcap_file_writer.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <vector>

using palisor::testing::BuildDatagram;
using palisor::testing::Ipv4;
using palisor::testing::PcapFileWriter;
using palisor::testing::Segment;

namespace {

int Usage() {
    std::fprintf(stderr, "usage: palisor-make-capture FILE SEGMENTS CONVERSATIONS\n"
                         "       palisor-make-capture --hosts HOSTS [--seed N] FILE SEGMENTS CONNECTIONS\n");
    return 2;
}

int Sequential(const char* path, unsigned long segments, unsigned long conversations) {
    if (conversations == 0 || conversations > 0xFFFFFF) {
        std::fprintf(stderr, "palisor-make-capture: 1 to 16777215 conversations\n");
        return 2;
    }
    PcapFileWriter file(path, 1);
    if (!file.ok()) {
        std::perror(path);
        return 1;
    }
    const std::uint32_t server = Ipv4(192, 168, 50, 1);
    const unsigned long perConversation = segments / conversations + 1;
    unsigned long written = 0;
    for (unsigned long c = 0; written < segments; c = (c + 1) % conversations) {
        const std::uint32_t client = Ipv4(10, int((c >> 16) & 0xFF), int((c >> 8) & 0xFF), int(c & 0xFF));
        const std::uint16_t port = std::uint16_t(1024 + c % 60000);
        std::uint32_t seqOut = 1000, seqIn = 90000;
        file.Write(
            PcapFileWriter::Ethernet(BuildDatagram(Segment(client, port, server, 443, 0x02, seqOut++))));
        file.Write(
            PcapFileWriter::Ethernet(BuildDatagram(Segment(server, 443, client, port, 0x12, seqIn++))));
        written += 2;
        for (unsigned long k = 2; k + 2 < perConversation && written < segments; ++k, ++written) {
            if (k % 2 == 0) {
                file.Write(PcapFileWriter::Ethernet(
                    BuildDatagram(Segment(client, port, server, 443, 0x18, seqOut, 200))));
                seqOut += 200;
            } else {
                file.Write(
                    PcapFileWriter::Ethernet(BuildDatagram(Segment(server, 443, client, port, 0x10, seqIn))));
            }
        }
        file.Write(PcapFileWriter::Ethernet(BuildDatagram(Segment(client, port, server, 443, 0x11, seqOut))));
        file.Write(PcapFileWriter::Ethernet(BuildDatagram(Segment(server, 443, client, port, 0x11, seqIn))));
        written += 2;
    }
    return 0;
}

struct Connection {
    std::uint32_t client = 0;
    std::uint32_t server = 0;
    std::uint16_t clientPort = 0;
    std::uint16_t serverPort = 0;
    std::uint32_t clientSeq = 0;
    std::uint32_t serverSeq = 0;
    unsigned long sent = 0;
    unsigned long length = 0; // segments before its end
    int end = 0;              // 0 left open, 1 FIN pair, 2 RST
};

int Busy(const char* path, unsigned long hosts, unsigned long segments, unsigned long connections,
         unsigned long seed) {
    if (hosts < 2 || hosts > 0xFFFF || connections == 0 || segments < connections * 2) {
        std::fprintf(stderr,
                     "palisor-make-capture: 2 to 65535 hosts, at least two segments per connection\n");
        return 2;
    }
    PcapFileWriter file(path, 101); // raw IP
    if (!file.ok()) {
        std::perror(path);
        return 1;
    }
    std::mt19937_64 random(seed);
    auto host = [&] {
        const unsigned long h = random() % hosts;
        return Ipv4(10, 20 + int(h >> 8), int(h & 0xFF), 1 + int(h % 200));
    };
    const unsigned long average = segments / connections;
    unsigned long started = 0;
    auto open = [&] {
        Connection c;
        c.client = host();
        do
            c.server = host();
        while (c.server == c.client);
        c.clientPort = std::uint16_t(1024 + random() % 64000);
        const std::uint16_t services[] = {80, 443, 22, 25, 53, 8080};
        c.serverPort = random() % 3 ? services[random() % 6] : std::uint16_t(1024 + random() % 64000);
        c.clientSeq = std::uint32_t(random());
        c.serverSeq = std::uint32_t(random());
        c.length = 2 + random() % (2 * average - 3);
        const unsigned long roll = random() % 100;
        c.end = roll < 43 ? 1 : roll < 57 ? 2 : 0;
        ++started;
        return c;
    };
    std::vector<Connection> active;
    const std::size_t concurrent = connections < 100 ? connections : 100;
    unsigned long written = 0;
    auto write = [&](std::uint32_t src, std::uint16_t sp, std::uint32_t dst, std::uint16_t dp,
                     std::uint8_t flags, std::uint32_t seq, std::uint32_t ack, std::size_t payload) {
        auto plan = Segment(src, sp, dst, dp, flags, seq, payload);
        plan.ack = ack;
        file.Write(BuildDatagram(plan));
        ++written;
    };
    while (written < segments) {
        while (active.size() < concurrent && started < connections)
            active.push_back(open());
        if (active.empty())
            active.push_back(open()); // more segments than the connections planned: keep going
        const std::size_t pick = std::size_t(random() % active.size());
        Connection& c = active[pick];
        const unsigned long left = c.length - c.sent;
        if (c.sent == 0) {
            write(c.client, c.clientPort, c.server, c.serverPort, 0x02, c.clientSeq++, 0, 0);
        } else if (c.sent == 1) {
            write(c.server, c.serverPort, c.client, c.clientPort, 0x12, c.serverSeq++, c.clientSeq, 0);
        } else if (c.end == 1 && left <= 2) {
            if (left == 2)
                write(c.client, c.clientPort, c.server, c.serverPort, 0x11, c.clientSeq, c.serverSeq, 0);
            else
                write(c.server, c.serverPort, c.client, c.clientPort, 0x11, c.serverSeq, c.clientSeq, 0);
        } else if (c.end == 2 && left == 1) {
            write(c.client, c.clientPort, c.server, c.serverPort, 0x14, c.clientSeq, c.serverSeq, 0);
        } else if (random() % 2) {
            const std::size_t size = random() % 4 ? 40 + random() % 1400 : 0;
            write(c.client, c.clientPort, c.server, c.serverPort, size ? 0x18 : 0x10, c.clientSeq,
                  c.serverSeq, size);
            c.clientSeq += std::uint32_t(size);
        } else {
            const std::size_t size = random() % 2 ? 40 + random() % 1400 : 0;
            write(c.server, c.serverPort, c.client, c.clientPort, size ? 0x18 : 0x10, c.serverSeq,
                  c.clientSeq, size);
            c.serverSeq += std::uint32_t(size);
        }
        if (++c.sent >= c.length) {
            c = active.back();
            active.pop_back();
        }
    }
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    unsigned long hosts = 0;
    unsigned long seed = 1;
    int i = 1;
    for (; i + 1 < argc && argv[i][0] == '-' && argv[i][1] == '-'; i += 2) {
        if (std::strcmp(argv[i], "--hosts") == 0)
            hosts = std::strtoul(argv[i + 1], nullptr, 10);
        else if (std::strcmp(argv[i], "--seed") == 0)
            seed = std::strtoul(argv[i + 1], nullptr, 10);
        else
            return Usage();
    }
    if (argc - i != 3)
        return Usage();
    const unsigned long segments = std::strtoul(argv[i + 1], nullptr, 10);
    const unsigned long count = std::strtoul(argv[i + 2], nullptr, 10);
    if (hosts == 0)
        return Sequential(argv[i], segments, count);
    return Busy(argv[i], hosts, segments, count, seed);
}
