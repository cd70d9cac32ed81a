// Writes a synthetic capture file of TCP traffic for measuring the replay tool:
//   palisor-make-capture FILE SEGMENTS CONVERSATIONS
// Each conversation is a handshake, data segments in both directions and a closing FIN pair.

#include "tests/unit/traffic/datagram_builder.h"
#include "tests/unit/traffic/pcap_file_writer.h"

#include <cstdio>
#include <cstdlib>

using palisor::testing::BuildDatagram;
using palisor::testing::Ipv4;
using palisor::testing::PcapFileWriter;
using palisor::testing::Segment;

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: palisor-make-capture FILE SEGMENTS CONVERSATIONS\n");
        return 2;
    }
    const unsigned long segments = std::strtoul(argv[2], nullptr, 10);
    const unsigned long conversations = std::strtoul(argv[3], nullptr, 10);
    if (conversations == 0 || conversations > 0xFFFFFF) {
        std::fprintf(stderr, "palisor-make-capture: 1 to 16777215 conversations\n");
        return 2;
    }
    PcapFileWriter file(argv[1], 1);
    if (!file.ok()) {
        std::perror(argv[1]);
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
