// Fuzzes the datagram decoder, the session table and the tree updates. An input is a sequence of
// datagrams, each preceded by its length as two big-endian bytes (the last one may fall short),
// fed to one fresh decoder so that sessions and conversations build up within an input.

#include "traffic/tree/memory_tree.h"
#include "traffic/decode/traffic_decoder.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

namespace {

class CheckingSink : public palisor::TranscriptSink {
public:
    void WriteLine(const char* line, std::size_t length) override {
        if (length < 2 || line[length - 2] != '\r' || line[length - 1] != '\n')
            std::abort();
        ++lines;
    }
    std::uint64_t lines = 0;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // The same datagrams through a decoder without limits and one with room for three entries and
    // two sessions, which pushes entries and sessions out all the time.
    palisor::MemoryTree tree;
    CheckingSink sink;
    palisor::TrafficDecoder decoder(tree, sink, palisor::kNoLimits);
    palisor::MemoryTree limitedTree;
    CheckingSink limitedSink;
    const palisor::TrafficLimits limits{3, 2};
    palisor::TrafficDecoder limited(limitedTree, limitedSink, limits);
    std::vector<unsigned char> datagram;
    std::size_t at = 0;
    while (at + 2 <= size) {
        std::size_t length = (std::size_t(data[at]) << 8) | data[at + 1];
        at += 2;
        if (length > size - at)
            length = size - at;
        // A copy of exactly the datagram's length, so a read past its end is caught.
        datagram.assign(data + at, data + at + length);
        decoder.DecodeIpPacket(datagram.empty() ? nullptr : datagram.data(), datagram.size());
        limited.DecodeIpPacket(datagram.empty() ? nullptr : datagram.data(), datagram.size());
        at += length;
    }
    // Every shown segment has a line; every conversation is one entry of eleven items.
    auto check = [](palisor::MemoryTree& t, const CheckingSink& s, palisor::TrafficDecoder& d) {
        if (s.lines != d.segmentsShown())
            std::abort();
        if (t.ItemCount() != d.conversationCount() * palisor::kItemsPerConversation)
            std::abort();
        if (d.sessionTable().size() > d.segmentsShown())
            std::abort();
    };
    check(tree, sink, decoder);
    check(limitedTree, limitedSink, limited);
    // Limits change what is kept, never what is shown.
    if (limited.segmentsShown() != decoder.segmentsShown())
        std::abort();
    if (limited.conversationCount() > limits.conversations || limited.sessionTable().size() > limits.sessions)
        std::abort();
    if (limited.conversationCount() + limited.conversationsEvicted() < decoder.conversationCount())
        std::abort();
    return 0;
}
