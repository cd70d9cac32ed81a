// Datagrams in, transcript lines and tree texts out.

#include "tests/unit/traffic/datagram_builder.h"
#include "tests/unit/traffic/expected_tree.h"
#include "traffic/tree/memory_tree.h"
#include "traffic/decode/packet_fields.h"
#include "traffic/decode/tcp_text.h"
#include "traffic/decode/traffic_decoder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <new>
#include <utility>

namespace palisor {
namespace {

using testing::BuildDatagram;
using testing::Dots;
using testing::ExpectedEntry;
using testing::Ipv4;
using testing::Segment;
using testing::TcpSegmentPlan;

const std::uint32_t kClient = Ipv4(10, 0, 0, 5);
const std::uint32_t kServer = Ipv4(10, 0, 0, 1);

class TrafficDecoderTest : public ::testing::Test {
protected:
    bool Feed(const TcpSegmentPlan& plan) {
        const auto datagram = BuildDatagram(plan);
        return decoder.DecodeIpPacket(datagram.data(), datagram.size());
    }
    bool Feed(const std::vector<std::uint8_t>& datagram) {
        return decoder.DecodeIpPacket(datagram.data(), datagram.size());
    }
    std::string LastLine() {
        auto lines = transcript.Lines();
        return lines.empty() ? std::string() : lines.back();
    }
    std::size_t LineCount() { return transcript.Lines().size(); }

    MemoryTree tree;
    CollectingTranscriptSink transcript;
    TrafficDecoder decoder{tree, transcript};
};

TEST_F(TrafficDecoderTest, OpeningSynMakesTheDocumentedLineAndAnElevenItemEntry) {
    EXPECT_TRUE(Feed(Segment(kClient, 1025, kServer, 80, kTcpSyn, 1000)));
    EXPECT_EQ(
        LastLine(),
        "10.0.0.5 - 10.0.0.1 {1025-80}, len: 0, seq: 1000,ack: 0, Flags: SYN,TAPI  /*New session*/ \r\n");
    const std::string expected =
        ExpectedEntry({"10.0.0.5", "10.0.0.1", "1025", "80", "0", "SYN,TAPI", "1000", "0"});
    EXPECT_EQ(tree.Dump(), expected);
    ASSERT_EQ(tree.ItemCount(), 11u);
    // Images: conversation 0, header groups 1, fields 2, the same when selected.
    const int images[11] = {0, 1, 2, 2, 1, 2, 2, 2, 2, 2, 2};
    for (TreeItem item = 1; item <= 11; ++item) {
        EXPECT_EQ(tree.Image(item), images[item - 1]) << item;
        EXPECT_EQ(tree.SelectedImage(item), images[item - 1]) << item;
    }
}

TEST_F(TrafficDecoderTest, FlagTextsFollowTheirFixedOrder) {
    const struct {
        std::uint8_t flags;
        const char* text;
    } cases[] = {
        {kTcpSyn, "SYN,TAPI"},
        {kTcpSyn | kTcpAck, "SYN,ACK,TAPI"},
        {kTcpFin | kTcpAck, "FIN,ACK,NETDEV"},
        {kTcpPsh | kTcpAck, "ACK,PUSH"},
        {kTcpRst | kTcpAck, "RST,ACK"},
        {kTcpUrg | kTcpAck, "ACK,URG"},
        {0, ""},
        {0x3F, "SYN,RST,FIN,ACK,URG,PUSH,TAPI,NETDEV"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FlagText(c.flags), c.text) << int(c.flags);
    // Every one of the 64 combinations, named in the fixed order.
    const std::pair<std::uint8_t, const char*> order[] = {
        {kTcpSyn, "SYN"}, {kTcpRst, "RST"},  {kTcpFin, "FIN"},  {kTcpAck, "ACK"},
        {kTcpUrg, "URG"}, {kTcpPsh, "PUSH"}, {kTcpSyn, "TAPI"}, {kTcpFin, "NETDEV"}};
    for (unsigned flags = 0; flags < 64; ++flags) {
        std::string expected;
        for (const auto& [bit, name] : order)
            if (flags & bit)
                expected += (expected.empty() ? "" : ",") + std::string(name);
        EXPECT_EQ(FlagTextOf(std::uint8_t(flags)), expected);
        EXPECT_EQ(FlagTextOf(std::uint8_t(flags | 0xC0)), expected);
    }

    // The two bits above the six flags are not flags.
    TcpSegmentPlan plan = Segment(kClient, 1, kServer, 2, 0);
    plan.flagWord = 0x50C0 | kTcpAck;
    Feed(plan);
    EXPECT_EQ(LastLine(), "10.0.0.5 - 10.0.0.1 {1-2}, len: 0, seq: 0,ack: 0, Flags: ACK \r\n");
    // Without flags the flags item ends in the blank after the dots.
    Feed(Segment(kClient, 1, kServer, 2, 0));
    EXPECT_EQ(tree.GetText(9), Dots("Flags:", 34));
}

TEST_F(TrafficDecoderTest, LaterSegmentOfTheSamePairRewritesOnlyTheTcpTexts) {
    Feed(Segment(kClient, 1025, kServer, 80, kTcpSyn, 1000));
    const std::string ipBranch = tree.GetText(2) + tree.GetText(3) + tree.GetText(4);
    TcpSegmentPlan later = Segment(kClient, 3000, kServer, 443, kTcpAck | kTcpPsh, 4294967295u, 7);
    later.ack = 123456;
    Feed(later);
    EXPECT_EQ(tree.ItemCount(), 11u);
    EXPECT_EQ(tree.GetText(1), "10.0.0.5 - 10.0.0.1");
    EXPECT_EQ(tree.GetText(2) + tree.GetText(3) + tree.GetText(4), ipBranch);
    EXPECT_EQ(tree.GetText(6), Dots("Source Port:", 28) + "3000");
    EXPECT_EQ(tree.GetText(7), Dots("Destination Port:", 23) + "443");
    EXPECT_EQ(tree.GetText(8), Dots("Size:", 35) + "7");
    EXPECT_EQ(tree.GetText(9), Dots("Flags:", 34) + "ACK,PUSH");
    EXPECT_EQ(tree.GetText(10), Dots("Sequence:", 31) + "4294967295");
    EXPECT_EQ(tree.GetText(11), Dots("Ack:", 36) + "123456");

    // Fields whose numbers did not change are not written again; that must never leave a field
    // showing something else. Texts shown from elsewhere are replaced by the next segment's.
    PacketFields fields{"10.0.0.5", "10.0.0.1", "x", "x", "x", "x", "x", "x"};
    decoder.ShowInTree(fields);
    EXPECT_EQ(tree.GetText(6), Dots("Source Port:", 28) + "x");
    Feed(later);
    EXPECT_EQ(tree.GetText(6), Dots("Source Port:", 28) + "3000");
    EXPECT_EQ(tree.GetText(9), Dots("Flags:", 34) + "ACK,PUSH");
    EXPECT_EQ(tree.GetText(11), Dots("Ack:", 36) + "123456");

    // The other direction is a conversation of its own, after the first.
    Feed(Segment(kServer, 80, kClient, 1025, kTcpSyn | kTcpAck, 5));
    EXPECT_EQ(tree.ItemCount(), 22u);
    const TreeItem second = tree.NextSibling(tree.FirstRoot());
    EXPECT_EQ(tree.GetText(second), "10.0.0.1 - 10.0.0.5");
    EXPECT_EQ(tree.NextSibling(second), 0u);
    EXPECT_EQ(decoder.conversationCount(), 2u);
}

TEST_F(TrafficDecoderTest, NumbersAreWrittenInFullAtEveryNumberOfDigits) {
    std::vector<std::uint32_t> values = {0u, 4294967295u, 4000000000u, 1000000001u};
    for (std::uint32_t power = 1; power <= 1000000000u; power *= 10) {
        values.push_back(power - 1);
        values.push_back(power);
        values.push_back(power + 7);
        if (power == 1000000000u)
            break;
    }
    for (const std::uint32_t value : values) {
        TcpSegmentPlan plan = Segment(kClient, std::uint16_t(value), kServer, 80, kTcpAck, value);
        plan.ack = ~value;
        Feed(plan);
        const std::string seq = std::to_string(value);
        const std::string ack = std::to_string(~value);
        EXPECT_NE(LastLine().find("{" + std::to_string(std::uint16_t(value)) + "-80}"), std::string::npos)
            << value;
        EXPECT_NE(LastLine().find("seq: " + seq + ",ack: " + ack + ","), std::string::npos) << value;
        EXPECT_EQ(tree.GetText(10), Dots("Sequence:", 31) + seq);
        EXPECT_EQ(tree.GetText(11), Dots("Ack:", 36) + ack);
        EXPECT_EQ(tree.GetText(6), Dots("Source Port:", 28) + std::to_string(std::uint16_t(value)));
    }
}

TEST_F(TrafficDecoderTest, SizeCountsTcpOptionsAndSkipsIpOptions) {
    TcpSegmentPlan syn = Segment(kClient, 1025, kServer, 80, kTcpSyn, 1);
    syn.optionBytes = 12;
    syn.flagWord = 0x8000 | kTcpSyn;
    Feed(syn);
    EXPECT_EQ(LastLine(),
              "10.0.0.5 - 10.0.0.1 {1025-80}, len: 12, seq: 1,ack: 0, Flags: SYN,TAPI  /*New session*/ \r\n");

    TcpSegmentPlan withIpOptions = Segment(kServer, 22, kClient, 5000, kTcpAck, 77, 3);
    withIpOptions.ipHeaderWords = 6;
    Feed(withIpOptions);
    EXPECT_EQ(LastLine(), "10.0.0.1 - 10.0.0.5 {22-5000}, len: 3, seq: 77,ack: 0, Flags: ACK \r\n");

    // A bare 20-byte header has size 0.
    Feed(Segment(kServer, 22, kClient, 5000, kTcpAck, 78));
    EXPECT_NE(LastLine().find(", len: 0, "), std::string::npos);
}

TEST_F(TrafficDecoderTest, DatagramsThatAreNotWellFormedIpv4TcpAreDroppedSilently) {
    TcpSegmentPlan udp = Segment(kClient, 1, kServer, 2, kTcpSyn);
    udp.protocol = 17;
    TcpSegmentPlan icmp = udp;
    icmp.protocol = 1;
    TcpSegmentPlan ipv6 = Segment(kClient, 1, kServer, 2, kTcpSyn);
    ipv6.version = 6;
    TcpSegmentPlan shortHeader = Segment(kClient, 1, kServer, 2, kTcpSyn);
    shortHeader.ipHeaderWords = 4; // 16 bytes: below the fixed part
    EXPECT_FALSE(Feed(udp));
    EXPECT_FALSE(Feed(icmp));
    EXPECT_FALSE(Feed(ipv6));
    EXPECT_FALSE(Feed(shortHeader));

    auto full = BuildDatagram(Segment(kClient, 1, kServer, 2, kTcpSyn));
    EXPECT_FALSE(decoder.DecodeIpPacket(full.data(), 0));
    EXPECT_FALSE(decoder.DecodeIpPacket(nullptr, 40));
    EXPECT_FALSE(decoder.DecodeIpPacket(full.data(), 19));

    // Header length beyond what was received: 15 words is 60 bytes, only 40 arrived.
    auto longHeader = full;
    longHeader[0] = 0x4F;
    EXPECT_FALSE(Feed(longHeader));

    // IPv4 TCP, but fewer than 20 bytes of TCP header: handed on, then neither tracked nor shown.
    EXPECT_TRUE(decoder.DecodeIpPacket(full.data(), 39));

    EXPECT_EQ(LineCount(), 0u);
    EXPECT_EQ(tree.ItemCount(), 0u);
    EXPECT_TRUE(decoder.sessionTable().empty());
}

TEST_F(TrafficDecoderTest, OddBytesAreReadThroughTheBoundsOfTheDatagram) {
    // Every prefix of a datagram with IP options either decodes or is dropped, never read beyond.
    TcpSegmentPlan plan = Segment(kClient, 1, kServer, 2, kTcpSyn | kTcpAck, 9, 5);
    plan.ipHeaderWords = 7;
    const auto datagram = BuildDatagram(plan);
    for (std::size_t length = 0; length <= datagram.size(); ++length) {
        std::vector<std::uint8_t> exact(datagram.begin(), datagram.begin() + length);
        Feed(exact);
    }
    // Only the prefixes that keep all 20 TCP header bytes are shown: sizes 0 to 5.
    EXPECT_EQ(LineCount(), 6u);
}

// Decodes a segment with a decoder and tree of its own and ends the process: 0 when the line and
// the entry came out whole.
void DecodeAndExit() {
    MemoryTree tree;
    CollectingTranscriptSink transcript;
    TrafficDecoder decoder(tree, transcript);
    const auto datagram = BuildDatagram(Segment(kClient, 1025, kServer, 80, kTcpSyn | kTcpFin | kTcpAck, 7));
    decoder.DecodeIpPacket(datagram.data(), datagram.size());
    const bool whole =
        transcript.Lines() ==
            std::vector<std::string>{"10.0.0.5 - 10.0.0.1 {1025-80}, len: 0, seq: 7,ack: 0, Flags: "
                                     "SYN,FIN,ACK,TAPI,NETDEV  /*New session*/ \r\n"} &&
        tree.Dump() ==
            ExpectedEntry({"10.0.0.5", "10.0.0.1", "1025", "80", "0", "SYN,FIN,ACK,TAPI,NETDEV", "7", "0"});
    std::_Exit(whole ? 0 : 3);
}

TEST(TrafficDecoderAtExit, DecodesAfterTheStaticObjectsOfTheProcessAreDestroyed) {
    // A capture thread may still be decoding while the process exits: everything the decoder
    // shares across decoders must still be whole. The handler registered first runs last, after
    // the objects made since are destroyed; the child runs this test alone, so nothing of the
    // decoder was made before.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            std::atexit(DecodeAndExit);
            MemoryTree tree;
            NullTranscriptSink sink;
            TrafficDecoder decoder(tree, sink);
            const auto datagram = BuildDatagram(Segment(kServer, 80, kClient, 1025, kTcpSyn | kTcpAck, 1));
            decoder.DecodeIpPacket(datagram.data(), datagram.size());
            std::exit(1);
        },
        ::testing::ExitedWithCode(0), "");
}

TEST(PadLabel, PadsEveryLabelToColumnForty) {
    EXPECT_EQ(PadLabel("Size:"), Dots("Size:", 35));
    EXPECT_EQ(PadLabel("Destination Port:"), Dots("Destination Port:", 23));
    EXPECT_EQ(PadLabel("Ack:").size(), 41u);
    // A label of 40 characters or more gets no dots, only the blank.
    const std::string longLabel(45, 'x');
    EXPECT_EQ(PadLabel(longLabel), longLabel + " ");
}

class SessionTrackingTest : public TrafficDecoderTest {
protected:
    std::string NoteOf(std::uint8_t flags, std::uint32_t seq, std::size_t payload,
                       std::uint32_t src = Ipv4(10, 0, 0, 5), std::uint16_t srcPort = 1025) {
        Feed(Segment(src, srcPort, kServer, 80, flags, seq, payload));
        const std::string line = LastLine();
        const std::size_t flagsAt = line.find(", Flags: ");
        const std::size_t blank = line.find(' ', flagsAt + 9);
        return line.substr(blank + 1, line.size() - blank - 3);
    }
};

TEST_F(SessionTrackingTest, SynOpensAndReBasesASession) {
    EXPECT_EQ(NoteOf(kTcpSyn, 5000, 0), " /*New session*/ ");
    ASSERT_EQ(decoder.sessionTable().size(), 1u);
    const Session& session = **decoder.sessionTable().begin();
    EXPECT_EQ(session.srcAddr, "10.0.0.5");
    EXPECT_EQ(session.dstAddr, "10.0.0.1");
    EXPECT_EQ(session.srcPort, 1025);
    EXPECT_EQ(session.dstPort, 80);
    EXPECT_EQ(session.baseSeq, 5000u);
    EXPECT_EQ(session.reserved, 0);

    EXPECT_EQ(NoteOf(kTcpSyn, 900000, 3), "");
    EXPECT_EQ(session.baseSeq, 900000u);
    EXPECT_EQ(session.lastLen, 3u);
    EXPECT_EQ(decoder.sessionTable().size(), 1u);

    // A SYN with FIN on an open session re-bases it and keeps it.
    EXPECT_EQ(NoteOf(kTcpSyn | kTcpFin, 42, 0), "");
    EXPECT_EQ(decoder.sessionTable().size(), 1u);
    EXPECT_EQ(session.baseSeq, 42u);
}

TEST_F(SessionTrackingTest, GapLimitsAreExactAndWrapAroundTwoToThe32) {
    NoteOf(kTcpSyn, 1000000, 0);
    EXPECT_EQ(NoteOf(kTcpAck, 1000000 + 10240000, 10), "");
    EXPECT_EQ(NoteOf(kTcpAck, 1000000 + 10240001, 10), " { Gap > 10 MB }");
    EXPECT_EQ(NoteOf(kTcpAck, 1000000 - 1, 10), " { Gap < 0 }");
    EXPECT_EQ(NoteOf(kTcpAck, 1000000, 10), "");
    // Pure acknowledgements carry no note wherever they lie.
    EXPECT_EQ(NoteOf(kTcpAck, 1000000 - 1, 0), "");
    EXPECT_EQ(NoteOf(kTcpAck, 1000000 + 20000000, 0), "");
    EXPECT_EQ(decoder.sessionTable().size(), 1u);

    // Across the wrap: 0xFFFFFF00 + 0x200 is 0x100.
    NoteOf(kTcpSyn, 0xFFFFFF00u, 0, Ipv4(10, 0, 0, 9), 7);
    EXPECT_EQ(NoteOf(kTcpAck, 0x100u, 1, Ipv4(10, 0, 0, 9), 7), "");
    EXPECT_EQ(NoteOf(kTcpAck, 0xFFFFFF00u + 10240001u, 1, Ipv4(10, 0, 0, 9), 7), " { Gap > 10 MB }");
    // 2^31 or more beyond the start reads as a negative gap.
    EXPECT_EQ(NoteOf(kTcpAck, 0xFFFFFF00u + 0x80000000u, 1, Ipv4(10, 0, 0, 9), 7), " { Gap < 0 }");
    EXPECT_EQ(NoteOf(kTcpAck, 0xFFFFFF00u + 0x7FFFFFFFu, 1, Ipv4(10, 0, 0, 9), 7), " { Gap > 10 MB }");
}

TEST_F(SessionTrackingTest, FinOrRstEndsTheSessionOfItsOwnDirection) {
    NoteOf(kTcpSyn, 100, 0);
    EXPECT_EQ(NoteOf(kTcpFin | kTcpAck, 99, 5), "");
    EXPECT_TRUE(decoder.sessionTable().empty());
    // No session any more: a segment far before the old start has no note and opens nothing.
    EXPECT_EQ(NoteOf(kTcpAck, 1, 5), "");
    EXPECT_TRUE(decoder.sessionTable().empty());

    NoteOf(kTcpSyn, 100, 0);
    EXPECT_EQ(NoteOf(kTcpRst, 100, 0), "");
    EXPECT_TRUE(decoder.sessionTable().empty());
    // Every segment is shown, with or without a session.
    EXPECT_EQ(LineCount(), 5u);
}

TEST_F(SessionTrackingTest, DirectionMattersAndAddressesAreComparedAsText) {
    NoteOf(kTcpSyn, 100, 0);
    // The answer from the server has no session of its own until its SYN.
    Feed(Segment(kServer, 80, kClient, 1025, kTcpAck, 1, 10));
    EXPECT_EQ(LastLine(), "10.0.0.1 - 10.0.0.5 {80-1025}, len: 10, seq: 1,ack: 0, Flags: ACK \r\n");
    // Another port of the same pair is another session.
    EXPECT_EQ(NoteOf(kTcpAck, 1, 10, kClient, 1026), "");
    EXPECT_EQ(NoteOf(kTcpSyn, 1, 0, kClient, 1026), " /*New session*/ ");
    EXPECT_EQ(decoder.sessionTable().size(), 2u);

    // Sessions are tracked by text, so a caller's own address texts work as well.
    const auto datagram = BuildDatagram(Segment(kClient, 7, kServer, 8, kTcpSyn, 1));
    const unsigned char* tcp = datagram.data() + 20;
    EXPECT_TRUE(decoder.TrackTcpSegment("host-a", "host-b", tcp, 20));
    EXPECT_EQ(LastLine(),
              "host-a - host-b {7-8}, len: 0, seq: 1,ack: 0, Flags: SYN,TAPI  /*New session*/ \r\n");
    EXPECT_FALSE(decoder.TrackTcpSegment("host-a", "host-b", tcp, 19));
}

TEST_F(SessionTrackingTest, EachOfTheFourPartsOfASessionTellsSessionsApart) {
    const std::uint32_t other = Ipv4(10, 0, 0, 2);
    Feed(Segment(kClient, 1025, kServer, 80, kTcpSyn, 100));
    const TcpSegmentPlan differingInOnePart[] = {
        Segment(other, 1025, kServer, 80, kTcpSyn, 100),   // source address
        Segment(kClient, 1026, kServer, 80, kTcpSyn, 100), // source port
        Segment(kClient, 1025, other, 80, kTcpSyn, 100),   // destination address
        Segment(kClient, 1025, kServer, 81, kTcpSyn, 100), // destination port
    };
    for (const TcpSegmentPlan& plan : differingInOnePart) {
        Feed(plan);
        EXPECT_NE(LastLine().find(" /*New session*/ "), std::string::npos) << LastLine();
    }
    EXPECT_EQ(decoder.sessionTable().size(), 5u);
    // Ending one of them leaves the first in place.
    Feed(Segment(kClient, 1025, kServer, 81, kTcpFin, 101));
    EXPECT_EQ(decoder.sessionTable().size(), 4u);
    EXPECT_EQ(NoteOf(kTcpAck, 99, 1), " { Gap < 0 }");
}

TEST_F(SessionTrackingTest, TableKeepsOpeningOrderAcrossRemovals) {
    for (std::uint16_t port : {1, 2, 3})
        NoteOf(kTcpSyn, 0, 0, kClient, port);
    NoteOf(kTcpFin, 0, 0, kClient, 2);
    NoteOf(kTcpSyn, 0, 0, kClient, 4);
    NoteOf(kTcpSyn, 0, 0, kClient, 2);
    std::vector<int> order;
    for (const auto& session : decoder.sessionTable())
        order.push_back(session->srcPort);
    EXPECT_EQ(order, (std::vector<int>{1, 3, 4, 2}));
}

TEST(SessionTable, RefusesASecondSessionOfOneDirectionAndUnknownRemovals) {
    SessionTable table;
    auto make = [](int port) {
        auto session = std::make_unique<Session>();
        session->srcAddr = "a";
        session->dstAddr = "b";
        session->srcPort = port;
        return session;
    };
    Session* first = table.Append(make(1));
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(table.Append(make(1)), nullptr);
    EXPECT_EQ(table.Find("a", 1, "b", 0), first);
    EXPECT_EQ(table.Find("a", 1, "B", 0), nullptr);
    Session stranger = *first;
    EXPECT_FALSE(table.Remove(&stranger));
    EXPECT_TRUE(table.Remove(first));
    EXPECT_TRUE(table.empty());
}

// A tree that refuses insertions once it holds a given number of items.
class FullTree : public MemoryTree {
public:
    explicit FullTree(std::size_t capacity) : capacity_(capacity) {}
    TreeItem InsertItem(TreeItem parent, const std::string& text, int image, int selectedImage) override {
        if (ItemCount() >= capacity_)
            return 0;
        return MemoryTree::InsertItem(parent, text, image, selectedImage);
    }
    // Labelled insertions go through InsertItem above.
    TreeItem InsertLabeledItem(TreeItem parent, const std::string& label, std::string_view value, int image,
                               int selectedImage) override {
        return TreeAccess::InsertLabeledItem(parent, label, value, image, selectedImage);
    }

private:
    std::size_t capacity_;
};

TEST(TrafficTree, FailedInsertionsNeverPutFieldsAtTheTopLevel) {
    for (std::size_t capacity : {0u, 1u, 2u, 5u}) {
        FullTree tree(capacity);
        NullTranscriptSink sink;
        TrafficDecoder decoder(tree, sink);
        const auto datagram = BuildDatagram(Segment(kClient, 1, kServer, 2, kTcpAck));
        decoder.DecodeIpPacket(datagram.data(), datagram.size());
        decoder.DecodeIpPacket(datagram.data(), datagram.size());
        std::size_t roots = 0;
        for (TreeItem item = tree.FirstRoot(); item; item = tree.NextSibling(item))
            ++roots;
        EXPECT_LE(roots, 1u) << capacity;
        if (capacity > 0) {
            EXPECT_EQ(tree.GetText(tree.FirstRoot()), "10.0.0.5 - 10.0.0.1");
        }
    }
    // Sessions whose entry the tree refused still count against the limit: the oldest goes, and
    // the table keeps its order.
    FullTree none(0);
    NullTranscriptSink sink;
    TrafficDecoder decoder(none, sink, TrafficLimits{10, 2});
    for (std::uint16_t port : {1, 3, 4}) {
        const auto syn = BuildDatagram(Segment(kClient, port, kServer, 80, kTcpSyn));
        decoder.DecodeIpPacket(syn.data(), syn.size());
    }
    std::vector<std::int32_t> ports;
    for (const Session* session : decoder.sessionTable())
        ports.push_back(session->srcPort);
    EXPECT_EQ(ports, (std::vector<std::int32_t>{3, 4}));
    EXPECT_EQ(decoder.conversationCount(), 0u);
    EXPECT_EQ(none.ItemCount(), 0u);

    // Memory that runs out half way through an entry: the entry goes again, the exception reaches
    // the caller (the capture loop ends the capture on it), and the decoder goes on afterwards.
    struct StarvedTree : MemoryTree {
        int failAt = 0;
        TreeItem InsertItem(TreeItem parent, const std::string& text, int image, int selectedImage) override {
            if (--failAt == 0)
                throw std::bad_alloc();
            return MemoryTree::InsertItem(parent, text, image, selectedImage);
        }
        TreeItem InsertLabeledItem(TreeItem parent, const std::string& label, std::string_view value,
                                   int image, int selectedImage) override {
            return TreeAccess::InsertLabeledItem(parent, label, value, image, selectedImage);
        }
    } starved;
    TrafficDecoder survivor(starved, sink);
    const auto first = BuildDatagram(Segment(kClient, 1, kServer, 2, kTcpSyn));
    const auto second = BuildDatagram(Segment(kServer, 2, kClient, 1, kTcpSyn));
    survivor.DecodeIpPacket(first.data(), first.size());
    starved.failAt = 6;
    EXPECT_THROW(survivor.DecodeIpPacket(second.data(), second.size()), std::bad_alloc);
    EXPECT_EQ(starved.ItemCount(), 11u);
    EXPECT_EQ(survivor.conversationCount(), 1u);
    survivor.DecodeIpPacket(second.data(), second.size());
    EXPECT_EQ(starved.ItemCount(), 22u);
    EXPECT_EQ(survivor.conversationCount(), 2u);
    EXPECT_EQ(survivor.sessionTable().size(), 2u);
}

TEST(TrafficTree, AFieldTheTreeRefusedToChangeIsWrittenAgainWithTheNextSegment) {
    struct RefusingTree : MemoryTree {
        TreeItem refused = 0;
        bool SetText(TreeItem item, const std::string& text) override {
            return item != refused && MemoryTree::SetText(item, text);
        }
        bool SetLabeledText(TreeItem item, const std::string& label, std::string_view value) override {
            return TreeAccess::SetLabeledText(item, label, value); // through SetText above
        }
    } tree;
    NullTranscriptSink sink;
    TrafficDecoder decoder(tree, sink);
    const auto syn = BuildDatagram(Segment(kClient, 1025, kServer, 80, kTcpSyn, 1));
    const auto data = BuildDatagram(Segment(kClient, 1025, kServer, 80, kTcpAck, 2, 10));
    decoder.DecodeIpPacket(syn.data(), syn.size());
    tree.refused = 9; // Flags
    decoder.DecodeIpPacket(data.data(), data.size());
    EXPECT_EQ(tree.GetText(9), Dots("Flags:", 34) + "SYN,TAPI");
    EXPECT_EQ(tree.GetText(8), Dots("Size:", 35) + "10");
    tree.refused = 0;
    decoder.DecodeIpPacket(data.data(), data.size());
    EXPECT_EQ(tree.GetText(9), Dots("Flags:", 34) + "ACK");
}

TEST(TrafficTree, ADecoderTakesOverTheEntriesOfAnExistingTree) {
    MemoryTree tree;
    NullTranscriptSink sink;
    {
        TrafficDecoder earlier(tree, sink);
        const auto a = BuildDatagram(Segment(kClient, 1, kServer, 2, kTcpAck));
        const auto b = BuildDatagram(Segment(kServer, 2, kClient, 1, kTcpAck));
        earlier.DecodeIpPacket(a.data(), a.size());
        earlier.DecodeIpPacket(b.data(), b.size());
    }
    TrafficDecoder later(tree, sink);
    EXPECT_EQ(later.conversationCount(), 2u);
    const auto update = BuildDatagram(Segment(kServer, 9, kClient, 1, kTcpAck));
    later.DecodeIpPacket(update.data(), update.size());
    EXPECT_EQ(tree.ItemCount(), 22u);
    EXPECT_EQ(tree.GetText(17), Dots("Source Port:", 28) + "9");

    // Taken-over entries count as updated in tree order, the first longest ago; an update makes
    // an entry the newest, so with room for two a third entry pushes out the other one.
    TrafficDecoder limited(tree, sink, TrafficLimits{2, 10});
    limited.DecodeIpPacket(update.data(), update.size());
    const auto third = BuildDatagram(Segment(Ipv4(10, 0, 0, 9), 5, kServer, 6, kTcpAck));
    limited.DecodeIpPacket(third.data(), third.size());
    EXPECT_EQ(limited.conversationCount(), 2u);
    EXPECT_EQ(limited.conversationsEvicted(), 1u);
    EXPECT_EQ(tree.ItemCount(), 22u);
    EXPECT_EQ(tree.GetText(tree.FirstRoot()), "10.0.0.1 - 10.0.0.5");
    EXPECT_EQ(tree.GetText(tree.NextSibling(tree.FirstRoot())), "10.0.0.9 - 10.0.0.1");
}

TEST(TrafficLimitsTest, APortScanPushesOutSessionsAndLeavesEveryOtherEntry) {
    // Room for all the entries, not for all the sessions: a hundred conversations, each with a
    // session still open, then one host opening sessions to a target port after port.
    MemoryTree tree;
    NullTranscriptSink sink;
    TrafficDecoder decoder(tree, sink, TrafficLimits{120, 50});
    for (int c = 0; c < 100; ++c) {
        const std::uint32_t client = Ipv4(10, 1, 0, c);
        for (const auto& plan : {Segment(client, 2000, kServer, 443, kTcpSyn, 10),
                                 Segment(client, 2000, kServer, 443, kTcpAck | kTcpPsh, 11, 7)}) {
            const auto datagram = BuildDatagram(plan);
            decoder.DecodeIpPacket(datagram.data(), datagram.size());
        }
    }
    const std::string before = tree.Dump();
    const std::uint32_t scanner = Ipv4(203, 0, 113, 9);
    for (std::uint16_t port = 1; port <= 600; ++port) {
        const auto syn = BuildDatagram(Segment(scanner, 40000, kServer, port, kTcpSyn, port));
        decoder.DecodeIpPacket(syn.data(), syn.size());
    }
    EXPECT_EQ(decoder.conversationsEvicted(), 0u);
    EXPECT_EQ(decoder.conversationCount(), 101u);
    EXPECT_EQ(tree.ItemCount(), 101 * kItemsPerConversation);
    EXPECT_EQ(tree.Dump().substr(0, before.size()), before) << "the scan changed other entries";
    EXPECT_EQ(tree.Dump().substr(before.size()),
              ExpectedEntry({"203.0.113.9", "10.0.0.1", "40000", "600", "0", "SYN,TAPI", "600", "0"}));
    // The session limit took the oldest sessions first: what is left is the scan's last fifty.
    std::vector<std::int32_t> ports;
    for (const Session* session : decoder.sessionTable())
        ports.push_back(session->dstPort);
    ASSERT_EQ(ports.size(), 50u);
    for (std::size_t i = 0; i < ports.size(); ++i)
        EXPECT_EQ(ports[i], std::int32_t(551 + i));
    // A session pushed out is no longer one: its data gets no gap note, and a new SYN opens it again.
    MemoryTree small;
    CollectingTranscriptSink lines;
    TrafficDecoder noted(small, lines, TrafficLimits{120, 1});
    for (const auto& plan :
         {Segment(kClient, 1, kServer, 2, kTcpSyn, 100), Segment(kClient, 3, kServer, 2, kTcpSyn, 5),
          Segment(kClient, 1, kServer, 2, kTcpAck, 1, 1)}) {
        const auto datagram = BuildDatagram(plan);
        noted.DecodeIpPacket(datagram.data(), datagram.size());
    }
    EXPECT_EQ(lines.Lines().back(), "10.0.0.5 - 10.0.0.1 {1-2}, len: 1, seq: 1,ack: 0, Flags: ACK \r\n");
    EXPECT_EQ(noted.sessionTable().size(), 1u);

    // Only the entry limit pushes out entries, the one updated longest ago first, and an entry
    // that goes takes its sessions along: new conversations without sessions push out all the
    // old ones, the scanning entry last.
    for (int c = 0; c < 120; ++c) {
        const auto ack = BuildDatagram(Segment(Ipv4(10, 2, 0, c), 9, kServer, 80, kTcpAck));
        decoder.DecodeIpPacket(ack.data(), ack.size());
        if (c == 118) { // every ordinary entry gone, the scanning one next
            EXPECT_EQ(decoder.sessionTable().size(), 50u);
            EXPECT_EQ(tree.GetText(tree.FirstRoot()), "203.0.113.9 - 10.0.0.1");
        }
    }
    EXPECT_EQ(decoder.conversationsEvicted(), 101u);
    EXPECT_EQ(decoder.conversationCount(), 120u);
    EXPECT_TRUE(decoder.sessionTable().empty());
    EXPECT_EQ(tree.GetText(tree.FirstRoot()), "10.2.0.0 - 10.0.0.1");
}

} // namespace
} // namespace palisor
