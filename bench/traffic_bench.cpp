// Cost of one TCP segment through decoding, session tracking, transcript and tree update, with
// few and with very many conversations and sessions already known.

#include "tests/unit/traffic/datagram_builder.h"
#include "traffic/tree/memory_tree.h"
#include "traffic/decode/traffic_decoder.h"

#include <benchmark/benchmark.h>

#include <random>

namespace {

using palisor::testing::BuildDatagram;
using palisor::testing::Ipv4;
using palisor::testing::Segment;

// Conversation i runs from 10.x.y.z to 172.16.0.1, one session each.
std::uint32_t Client(std::size_t i) {
    return Ipv4(10, int((i >> 16) & 0xFF), int((i >> 8) & 0xFF), int(i & 0xFF));
}

// A tree that keeps no texts: every operation costs the same whatever the tree holds, like a
// message to a control does. It isolates the decoder's own cost from the in-memory tree's.
class TextlessTree : public palisor::TreeAccess {
public:
    palisor::TreeItem FirstRoot() override { return 0; }
    palisor::TreeItem NextSibling(palisor::TreeItem) override { return 0; }
    palisor::TreeItem FirstChild(palisor::TreeItem) override { return 0; }
    std::size_t ItemCount() override { return items_; }
    std::string GetText(palisor::TreeItem) override { return std::string(); }
    palisor::TreeItem InsertItem(palisor::TreeItem, const std::string& text, int, int) override {
        benchmark::DoNotOptimize(text.data());
        return ++items_;
    }
    bool SetText(palisor::TreeItem, const std::string& text) override {
        benchmark::DoNotOptimize(text.data());
        return true;
    }
    bool SetLabeledText(palisor::TreeItem, const std::string& label, std::string_view value) override {
        benchmark::DoNotOptimize(label.data());
        benchmark::DoNotOptimize(value.data());
        return true;
    }
    bool DeleteItem(palisor::TreeItem item) override { return item != 0; }

private:
    std::size_t items_ = 0;
};

template <typename Tree> void SegmentWithConversations(benchmark::State& state) {
    const std::size_t conversations = static_cast<std::size_t>(state.range(0));
    // The conversations the measured segments belong to: a few busy ones among all those known,
    // or (0) segments spread evenly over every known conversation.
    const std::size_t active = state.range(1) > 0 ? static_cast<std::size_t>(state.range(1)) : conversations;
    const std::uint32_t server = Ipv4(172, 16, 0, 1);
    Tree tree;
    palisor::NullTranscriptSink sink;
    // Limits that never bite, so that every conversation stays while the order of updates is
    // kept up as in the program.
    const palisor::TrafficLimits limits{conversations + 1, conversations + 1};
    palisor::TrafficDecoder decoder(tree, sink, limits);
    for (std::size_t i = 0; i < conversations; ++i) {
        const auto syn = BuildDatagram(Segment(Client(i), 40000, server, 443, 0x02, 1000));
        decoder.DecodeIpPacket(syn.data(), syn.size());
    }
    // Data segments of known sessions, in an order that does not follow the table; the busy
    // conversations are spread over the whole table. All of them sit in one buffer, so the
    // benchmark's own reads cost the same whatever the decoder holds.
    std::vector<std::uint8_t> traffic;
    std::vector<std::size_t> starts;
    std::mt19937 random(7);
    const std::size_t stride = conversations / active;
    for (std::size_t k = 0; k < 4096; ++k) {
        const std::size_t i = (random() % active) * stride;
        const auto datagram =
            BuildDatagram(Segment(Client(i), 40000, server, 443, 0x18, 2000 + std::uint32_t(k), 100));
        starts.push_back(traffic.size());
        traffic.insert(traffic.end(), datagram.begin(), datagram.end());
    }
    starts.push_back(traffic.size());
    std::size_t next = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(
            decoder.DecodeIpPacket(traffic.data() + starts[next], starts[next + 1] - starts[next]));
        if (++next + 1 == starts.size())
            next = 0;
    }
    if (decoder.conversationCount() != conversations || decoder.sessionTable().size() != conversations)
        state.SkipWithError("conversations or sessions were lost");
    state.SetItemsProcessed(state.iterations());
}
void Arguments(benchmark::internal::Benchmark* benchmark) {
    benchmark->ArgNames({"known", "busy"})
        ->Args({10, 10})
        ->Args({100000, 10})
        ->Args({1000, 0})
        ->Args({100000, 0})
        ->Args({300000, 0});
}
BENCHMARK_TEMPLATE(SegmentWithConversations, palisor::MemoryTree)->Apply(Arguments);
BENCHMARK_TEMPLATE(SegmentWithConversations, TextlessTree)->Apply(Arguments);

} // namespace

BENCHMARK_MAIN();
