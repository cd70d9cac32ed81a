// The replay tool on capture files written here: exact transcript and tree out.

#include "tests/unit/traffic/datagram_builder.h"
#include "tests/unit/traffic/expected_tree.h"
#include "tests/unit/traffic/pcap_file_writer.h"

#include <gtest/gtest.h>

#include <algorithm>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

namespace palisor {
namespace {

using testing::BuildDatagram;
using testing::ExpectedEntry;
using testing::Ipv4;
using testing::PcapFileWriter;
using testing::Segment;

const std::uint32_t kClient = Ipv4(10, 0, 0, 5);
const std::uint32_t kServer = Ipv4(10, 0, 0, 1);

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

struct ToolRun {
    int status = -1;
    std::string out;
    std::string err;
};

class ReplayToolTest : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/palisor-replay-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir = pattern;
    }
    void TearDown() override {
        for (const char* name : {"/capture.pcap", "/out", "/err"})
            std::remove((dir + name).c_str());
        rmdir(dir.c_str());
    }

    ToolRun Replay(const std::string& options) {
        const std::string command =
            std::string(PALISOR_REPLAY) + " " + options + " >" + dir + "/out 2>" + dir + "/err";
        ToolRun run;
        run.status = std::system(command.c_str());
        run.out = ReadFile(dir + "/out");
        run.err = ReadFile(dir + "/err");
        return run;
    }

    std::string Capture() const { return dir + "/capture.pcap"; }

    // A short connection with frames the tool must skip or drop in between.
    void WriteConnection(std::uint32_t linkType,
                         PcapFileWriter::Format format = PcapFileWriter::Format::Classic) {
        PcapFileWriter file(Capture(), linkType, format);
        ASSERT_TRUE(file.ok());
        auto frame = [&](const std::vector<std::uint8_t>& datagram, std::uint16_t type = 0x0800) {
            if (linkType == 1)
                file.Write(PcapFileWriter::Ethernet(datagram, type));
            else if (linkType == 113)
                file.Write(PcapFileWriter::LinuxCooked(datagram, type));
            else if (linkType == 276) {
                std::vector<std::uint8_t> cooked2(20, 0);
                cooked2[0] = std::uint8_t(type >> 8);
                cooked2[1] = std::uint8_t(type);
                cooked2.insert(cooked2.end(), datagram.begin(), datagram.end());
                file.Write(cooked2);
            } else if (linkType == 0) {
                // The address family in the capturing machine's order: 2 for IPv4, 30 for IPv6.
                std::vector<std::uint8_t> family = {std::uint8_t(type == 0x0800   ? 2
                                                                 : type == 0x86DD ? 30
                                                                                  : 99),
                                                    0, 0, 0};
                family.insert(family.end(), datagram.begin(), datagram.end());
                file.Write(family);
            } else if (type == 0x0800 || type == 0x86DD)
                file.Write(datagram);
        };
        frame(BuildDatagram(Segment(kClient, 1025, kServer, 80, 0x02, 1000)));
        auto synAck = Segment(kServer, 80, kClient, 1025, 0x12, 5000);
        synAck.ack = 1001;
        synAck.optionBytes = 12;
        synAck.flagWord = 0x8012;
        frame(BuildDatagram(synAck));
        frame(std::vector<std::uint8_t>(28, 0x01), 0x0806); // ARP: no IP datagram
        auto v6 = Segment(kClient, 1, kServer, 2, 0x02);
        v6.version = 6;
        frame(BuildDatagram(v6), 0x86DD);
        auto data = Segment(kClient, 1025, kServer, 80, 0x18, 1001, 10);
        data.ack = 5001;
        frame(BuildDatagram(data));
        auto fin = Segment(kClient, 1025, kServer, 80, 0x11, 1011);
        fin.ack = 5001;
        frame(BuildDatagram(fin));
        frame(BuildDatagram(Segment(kClient, 1025, kServer, 80, 0x10, 1, 4)));
    }

    const std::string expectedLines =
        "10.0.0.5 - 10.0.0.1 {1025-80}, len: 0, seq: 1000,ack: 0, Flags: SYN,TAPI  /*New session*/ \r\n"
        "10.0.0.1 - 10.0.0.5 {80-1025}, len: 12, seq: 5000,ack: 1001, Flags: SYN,ACK,TAPI  /*New session*/ "
        "\r\n"
        "10.0.0.5 - 10.0.0.1 {1025-80}, len: 10, seq: 1001,ack: 5001, Flags: ACK,PUSH \r\n"
        "10.0.0.5 - 10.0.0.1 {1025-80}, len: 0, seq: 1011,ack: 5001, Flags: FIN,ACK,NETDEV \r\n"
        "10.0.0.5 - 10.0.0.1 {1025-80}, len: 4, seq: 1,ack: 0, Flags: ACK \r\n";

    std::string dir;
};

TEST_F(ReplayToolTest, TranscriptAndTreeOfEveryLinkType) {
    const std::string tree =
        "--\n" + ExpectedEntry({"10.0.0.5", "10.0.0.1", "1025", "80", "4", "ACK", "1", "0"}) +
        ExpectedEntry({"10.0.0.1", "10.0.0.5", "80", "1025", "12", "SYN,ACK,TAPI", "5000", "1001"});
    // Ethernet (with its padding), Linux cooked (both versions), raw IP and BSD loopback.
    for (std::uint32_t linkType : {1u, 113u, 276u, 101u, 0u}) {
        WriteConnection(linkType);
        ToolRun plain = Replay(Capture());
        EXPECT_EQ(plain.status, 0) << linkType;
        EXPECT_EQ(plain.out, expectedLines) << linkType;
        EXPECT_EQ(plain.err, "") << linkType;

        ToolRun withTree = Replay("--tree " + Capture());
        EXPECT_EQ(withTree.out, expectedLines + tree) << linkType;
    }
    // The same capture in the newer file format.
    WriteConnection(1, PcapFileWriter::Format::Next);
    ToolRun next = Replay("--tree " + Capture());
    EXPECT_EQ(next.status, 0);
    EXPECT_EQ(next.out, expectedLines + tree);
}

TEST_F(ReplayToolTest, QuietWritesOnlyTheSummary) {
    WriteConnection(1);
    ToolRun quiet = Replay("--quiet " + Capture());
    EXPECT_EQ(quiet.status, 0);
    EXPECT_EQ(quiet.out, "");
    // Six frames carry an IP datagram (the IPv6 one is handed over and dropped), five are shown;
    // the client's session ended with its FIN, the server's is still open.
    const std::string fixed = "datagrams: 6, segments shown: 5, conversations: 2, open sessions: 1, "
                              "conversations dropped: 0, seconds: ";
    ASSERT_EQ(quiet.err.rfind(fixed, 0), 0u) << quiet.err;
    double seconds = -1;
    double rate = -1;
    char end = 0;
    EXPECT_EQ(std::sscanf(quiet.err.c_str() + fixed.size(), "%lf, segments/s: %lf%c", &seconds, &rate, &end),
              3)
        << quiet.err;
    EXPECT_GE(seconds, 0.0);
    EXPECT_GE(rate, 0.0);
    EXPECT_EQ(end, '\n');

    // With room for one entry and one session the server's SYN pushes the client's entry out with
    // its session, and the client's next segment pushes the server's out: the lines stay (the data
    // segment carried no note anyway), the tree ends with one entry.
    ToolRun limited = Replay("--quiet --limits=1,1 " + Capture());
    EXPECT_EQ(limited.status, 0);
    EXPECT_EQ(limited.err.rfind("datagrams: 6, segments shown: 5, conversations: 1, open sessions: 0, "
                                "conversations dropped: 2, seconds: ",
                                0),
              0u)
        << limited.err;
    ToolRun limitedTree = Replay("--tree --limits=1,1 " + Capture());
    EXPECT_EQ(limitedTree.out.substr(0, expectedLines.size()), expectedLines);
    EXPECT_EQ(limitedTree.out.substr(expectedLines.size(), 25), "--\n10.0.0.5 - 10.0.0.1\n  ");
    EXPECT_EQ(std::count(limitedTree.out.begin(), limitedTree.out.end(), '\n'), 5 + 1 + 11);
    // The program's own limits change nothing on a capture this small.
    ToolRun programLimits = Replay("--quiet --limits " + Capture());
    EXPECT_EQ(programLimits.err.rfind(fixed, 0), 0u) << programLimits.err;
}

TEST_F(ReplayToolTest, RefusesBadArgumentsAndUnreadableFiles) {
    EXPECT_NE(Replay("").status, 0);
    EXPECT_NE(Replay("--tree --quiet x").status, 0);
    EXPECT_NE(Replay("--bogus x").status, 0);
    // Limits that are not two plain counts are a usage error, also with a file that can be read.
    WriteConnection(1);
    for (const char* limits :
         {"--limits=5", "--limits=5,", "--limits=,5", "--limits=-1,2", "--limits=2,-1", "--limits=+1,2",
          "--limits= 1,2", "--limits=1,2x", "--limits=1,,2", "--limits=99999999999999999999,1"}) {
        const ToolRun run = Replay("'" + std::string(limits) + "' " + Capture());
        EXPECT_TRUE(WIFEXITED(run.status) && WEXITSTATUS(run.status) == 2) << limits;
        EXPECT_EQ(run.err.rfind("usage: palisor-replay", 0), 0u) << limits;
        EXPECT_EQ(run.out, "") << limits;
    }
    EXPECT_EQ(Replay("--quiet --limits=0,18446744073709551615 " + Capture()).status, 0);
    ToolRun missing = Replay(dir + "/nothing-here.pcap");
    EXPECT_NE(missing.status, 0);
    EXPECT_NE(missing.err.find("palisor-replay: "), std::string::npos);
    EXPECT_EQ(missing.out, "");
}

} // namespace
} // namespace palisor
