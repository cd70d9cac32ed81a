// The indexes behind the traffic view: the flat hash table, the session table built on it, the
// in-memory tree's text slots, and the decoder as a whole checked against a plain re-statement of
// its rules that finds sessions and entries by scanning from the start, the way the view always
// has.

#include "tests/unit/traffic/datagram_builder.h"
#include "traffic/memory/flat_table.h"
#include "traffic/tree/memory_tree.h"
#include "traffic/decode/session_table.h"
#include "traffic/decode/tcp_text.h"
#include "traffic/decode/traffic_decoder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <map>
#include <new>
#include <random>
#include <vector>

// Plain allocations fail on request, to see what running out of memory leaves behind.
namespace {
int failAllocationsIn = 0; // fail the nth allocation from now on; 0: none
} // namespace

void* operator new(std::size_t size) {
    if (failAllocationsIn > 0 && --failAllocationsIn == 0)
        throw std::bad_alloc();
    if (void* memory = std::malloc(size ? size : 1))
        return memory;
    throw std::bad_alloc();
}
// The compiler cannot tell that the memory these release came from the operator new above.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void operator delete(void* memory) noexcept {
    std::free(memory);
}
void operator delete(void* memory, std::size_t) noexcept {
    std::free(memory);
}
#pragma GCC diagnostic pop

namespace palisor {
namespace {

using testing::BuildDatagram;
using testing::Ipv4;
using testing::Segment;

// A value that knows where it is kept, so that every move the table makes must be reported.
struct Tracked {
    int key = 0;
    int payload = 0;
    const Tracked* where = nullptr;
};

TEST(FlatTable, StaysExactUnderCrowdedProbeRunsGrowthAndErasure) {
    // Few distinct hashes, all homed at the end of the array whatever its size, so probe runs are
    // long, wrap around to the start and are cut by erasures in every position.
    for (int buckets : {1, 3, 16}) {
        FlatTable<Tracked> table;
        std::map<int, int> model;
        std::mt19937 random(static_cast<unsigned>(buckets));
        auto hashOf = [buckets](int key) { return ~std::uint64_t(key % buckets); };
        auto relocated = [](Tracked& moved) { moved.where = &moved; };
        for (int step = 0; step < 4000; ++step) {
            const int key = int(random() % 60);
            auto* slot = table.Find(hashOf(key), [key](const Tracked& t) { return t.key == key; });
            ASSERT_EQ(slot != nullptr, model.count(key) == 1) << "buckets " << buckets << " step " << step;
            if (slot) {
                ASSERT_EQ(slot->value.payload, model[key]);
                ASSERT_EQ(table.SlotContaining(&slot->value.payload), slot);
                if (random() % 2) {
                    table.Erase(slot, relocated);
                    model.erase(key);
                }
            } else {
                auto* placed = table.Insert(hashOf(key), Tracked{key, step, nullptr}, relocated);
                placed->value.where = &placed->value;
                model[key] = step;
            }
            ASSERT_EQ(table.size(), model.size());
        }
        std::size_t seen = 0;
        table.ForEach([&](const Tracked& value) {
            ++seen;
            EXPECT_EQ(value.where, &value) << "a move went unreported";
            EXPECT_EQ(model.at(value.key), value.payload);
        });
        EXPECT_EQ(seen, model.size());
        EXPECT_LE(table.size() * 2, table.capacity());
    }
}

TEST(FlatTable, KnowsWhichAddressesAreItsOwnOccupiedSlots) {
    FlatTable<Tracked> table;
    Tracked outside;
    EXPECT_EQ(table.SlotContaining(&outside), nullptr);
    auto* slot = table.Insert(7, Tracked{1, 1, nullptr}, [](Tracked&) {});
    EXPECT_EQ(table.SlotContaining(&slot->value), slot);
    EXPECT_EQ(table.SlotContaining(&outside), nullptr);
    EXPECT_EQ(table.SlotContaining(slot + 1), nullptr) << "a free slot holds no value";
    table.Erase(slot, [](Tracked&) {});
    EXPECT_EQ(table.SlotContaining(&slot->value), nullptr);
}

// The session table against a list searched from its start.
TEST(SessionTable, MatchesAFirstMatchScanThroughAppendsAndRemovals) {
    struct Key {
        std::string src;
        int srcPort;
        std::string dst;
        int dstPort;
        std::uint32_t base;
    };
    std::vector<Key> model;
    SessionTable table;
    std::mt19937 random(11);
    const char* addresses[] = {"10.0.0.1", "10.0.0.2", "10.0.0.10", "192.168.100.200", ""};
    for (int step = 0; step < 20000; ++step) {
        Key key{addresses[random() % 5], int(random() % 4), addresses[random() % 5], int(random() % 4),
                std::uint32_t(step)};
        auto match = [&](const Key& k) {
            return k.src == key.src && k.srcPort == key.srcPort && k.dst == key.dst &&
                   k.dstPort == key.dstPort;
        };
        auto expected = std::find_if(model.begin(), model.end(), match);
        Session* found = table.Find(key.src, key.srcPort, key.dst, key.dstPort);
        ASSERT_EQ(found != nullptr, expected != model.end()) << step;
        if (found) {
            ASSERT_EQ(found->baseSeq, expected->base);
            ASSERT_EQ(found->srcAddr, key.src);
            ASSERT_EQ(found->dstPort, key.dstPort);
            if (random() % 3 == 0) {
                ASSERT_TRUE(table.Remove(found));
                model.erase(expected);
            }
        } else {
            auto session = std::make_unique<Session>();
            session->srcAddr = key.src;
            session->srcPort = key.srcPort;
            session->dstAddr = key.dst;
            session->dstPort = key.dstPort;
            session->baseSeq = key.base;
            Session* kept = table.Append(std::move(session));
            ASSERT_NE(kept, nullptr);
            ASSERT_EQ(kept->baseSeq, key.base);
            model.push_back(key);
        }
        ASSERT_EQ(table.size(), model.size());
    }
    ASSERT_FALSE(model.empty());
    auto next = model.begin();
    for (const Session* session : table) {
        EXPECT_EQ(session->baseSeq, next->base) << "opening order lost";
        ++next;
    }
}

TEST(MemoryTree, KeepsLongAndShortTextsAcrossRewritesAndSlotChunks) {
    MemoryTree tree;
    const std::string longText(300, 'x');
    const std::string exactlyFull(63, 'f');
    const std::string oneTooMany(64, 'g');
    std::vector<TreeItem> items;
    for (int i = 0; i < 5000; ++i) // more than one chunk of text slots
        items.push_back(
            tree.InsertItem(i % 2 ? items[0] : 0, i == 4097 ? longText : std::to_string(i), 0, 0));
    EXPECT_EQ(tree.GetText(items[4097]), longText);
    EXPECT_EQ(tree.GetText(items[4999]), "4999");
    ASSERT_TRUE(tree.SetText(items[4097], "short again"));
    EXPECT_EQ(tree.GetText(items[4097]), "short again");
    for (const std::string& text : {exactlyFull, oneTooMany, std::string(), longText + "y"}) {
        ASSERT_TRUE(tree.SetText(items[1], text));
        EXPECT_EQ(tree.GetText(items[1]), text);
    }
    EXPECT_FALSE(tree.SetText(0, "none"));
    EXPECT_FALSE(tree.SetText(items.back() + 1, "none"));
    EXPECT_EQ(tree.GetText(items.back() + 1), "");
    const std::string dump = tree.Dump();
    const std::string start = "0\n  " + longText + "y\n  3\n";
    EXPECT_EQ(dump.substr(0, start.size()), start);
}

TEST(MemoryTree, LabeledTextsReadAsLabelAndValueWhicheverLabelComes) {
    MemoryTree tree;
    const std::string size = PadLabel("Size:");
    const std::string sizeAgain = size; // the same text at another address
    const std::string flags = PadLabel("Flags:");
    const std::string other = std::string(size.size() - 1, '.') + " "; // as long as the others
    const TreeItem top = tree.InsertItem(0, "entry", 0, 0);
    const TreeItem item = tree.InsertItem(top, size + "0", 2, 2);
    const std::string slotLong(39, '7');
    const std::string tooLong(40, '8');
    const std::vector<std::pair<const std::string*, std::string>> steps = {
        {&size, "12"},      {&size, "1440"}, {&size, slotLong}, {&size, tooLong},  {&size, "3"},
        {&flags, "ACK"},    {&size, "5"},    {&other, "6"},     {&sizeAgain, "9"}, {&size, ""},
        {&flags, slotLong}, {&other, "x"},   {&size, "40"}};
    for (const auto& [label, value] : steps) {
        ASSERT_TRUE(tree.SetLabeledText(item, *label, value));
        EXPECT_EQ(tree.GetText(item), *label + value);
        EXPECT_EQ(tree.Dump(), "entry\n  " + *label + value + "\n");
    }
    // Labelled insertions, of a known label and of others, read the same way.
    for (const auto& [label, value] : steps) {
        const TreeItem inserted = tree.InsertLabeledItem(top, *label, value, 2, 2);
        ASSERT_NE(inserted, 0u);
        EXPECT_EQ(tree.GetText(inserted), *label + value);
        EXPECT_TRUE(tree.DeleteItem(inserted));
    }
    EXPECT_EQ(tree.InsertLabeledItem(item + 5, size, "1", 2, 2), 0u) << "an unknown parent";
    // Plain texts and labelled ones on one item, and an unknown item.
    ASSERT_TRUE(tree.SetText(item, "plain"));
    ASSERT_TRUE(tree.SetLabeledText(item, size, "77"));
    EXPECT_EQ(tree.GetText(item), size + "77");
    EXPECT_FALSE(tree.SetLabeledText(item + 1, size, "1"));

    // A label object of the caller's that holds another text the next time, at the same address
    // and of the same length: stored and read back whole, on an item that keeps it and on new ones.
    std::string reused = PadLabel("Size:");
    for (const char* name : {"Size:", "Port:", "Sizes", "Size:"}) {
        reused = PadLabel(name);
        ASSERT_TRUE(tree.SetLabeledText(item, reused, "8"));
        EXPECT_EQ(tree.GetText(item), reused + "8");
        const TreeItem inserted = tree.InsertLabeledItem(top, reused, "9", 2, 2);
        EXPECT_EQ(tree.GetText(inserted), reused + "9");
        EXPECT_TRUE(tree.DeleteItem(inserted));
    }
    // The decoder's own labels, which never change, and a copy of one of them, which is not one.
    const std::string& own = FieldLabelText(kLabelSize);
    EXPECT_TRUE(IsFieldLabel(own));
    EXPECT_TRUE(IsFieldLabel(FieldLabelText(kLabelDestinationIp)));
    EXPECT_FALSE(IsFieldLabel(size));
    EXPECT_EQ(own, size);
    for (const char* value : {"1", "22", ""}) {
        ASSERT_TRUE(tree.SetLabeledText(item, own, value));
        EXPECT_EQ(tree.GetText(item), own + value);
        reused = PadLabel("Flags");
        ASSERT_TRUE(tree.SetLabeledText(item, reused, value));
        EXPECT_EQ(tree.GetText(item), reused + value);
    }
}

TEST(MemoryTree, AnInsertionThatRunsOutOfMemoryLeavesTheTreeAndItsCountAsTheyWere) {
    MemoryTree tree;
    const TreeItem top = tree.InsertItem(0, "top", 0, 0);
    tree.InsertItem(top, "child", 0, 0);
    const std::string before = tree.Dump();
    const std::string longText(100, 'x'); // kept in the map of long texts
    // The record grown for a failed insertion is kept for the next one, and is no item.
    EXPECT_THROW((failAllocationsIn = 1, tree.InsertItem(top, longText, 0, 0)), std::bad_alloc);
    EXPECT_EQ(tree.ItemCount(), 2u);
    EXPECT_THROW((failAllocationsIn = 1, tree.InsertItem(top, "wide", 1000, 0)), std::bad_alloc);
    EXPECT_EQ(tree.ItemCount(), 2u);
    EXPECT_EQ(tree.Dump(), before);
    // Deleted records come first, then the kept one.
    const TreeItem again = tree.InsertItem(top, longText, 1000, 0);
    EXPECT_EQ(tree.ItemCount(), 3u);
    ASSERT_TRUE(tree.DeleteItem(top));
    EXPECT_EQ(tree.ItemCount(), 0u);
    EXPECT_THROW((failAllocationsIn = 1, tree.InsertItem(0, longText, 0, 0)), std::bad_alloc);
    EXPECT_EQ(tree.ItemCount(), 0u);
    EXPECT_EQ(tree.Dump(), "");
    tree.InsertItem(0, "a", 0, 0);
    EXPECT_EQ(tree.ItemCount(), 1u);
    EXPECT_EQ(tree.Image(again), 0) << "a deleted item";
}

// Deletion against a plain model of the tree: children lists kept as vectors, texts by item.
TEST(MemoryTree, DeletesItemsWithTheirDescendantsAndReusesTheirNumbers) {
    MemoryTree tree;
    std::map<TreeItem, std::vector<TreeItem>> children; // 0 holds the top-level items
    std::map<TreeItem, std::string> texts;
    std::mt19937 random(5);
    auto dump = [&] {
        std::string out;
        std::vector<std::pair<TreeItem, int>> stack;
        for (auto it = children[0].rbegin(); it != children[0].rend(); ++it)
            stack.emplace_back(*it, 0);
        while (!stack.empty()) {
            const auto [item, depth] = stack.back();
            stack.pop_back();
            out += std::string(std::size_t(depth) * 2, ' ') + texts.at(item) + "\n";
            const auto& below = children[item];
            for (auto it = below.rbegin(); it != below.rend(); ++it)
                stack.emplace_back(*it, depth + 1);
        }
        return out;
    };
    std::size_t highest = 0;
    std::size_t most = 0;
    for (int step = 0; step < 6000; ++step) {
        std::vector<TreeItem> live;
        for (const auto& [item, text] : texts)
            live.push_back(item);
        const unsigned choice = random() % 10;
        if (choice < 6 || live.empty()) {
            // Mostly children of recent items, so subtrees get deep and wide.
            const TreeItem parent = live.empty() || choice < 2 ? 0 : live[random() % live.size()];
            const std::string text =
                step % 97 == 0 ? std::string(100, char('a' + step % 26)) : std::to_string(step);
            const TreeItem item = tree.InsertItem(parent, text, 0, 0);
            ASSERT_NE(item, 0u);
            ASSERT_EQ(texts.count(item), 0u) << "a live number handed out twice";
            texts[item] = text;
            children[parent].push_back(item);
            highest = std::max<std::size_t>(highest, item);
        } else if (choice < 9) {
            const TreeItem item = live[random() % live.size()];
            ASSERT_TRUE(tree.DeleteItem(item));
            std::vector<TreeItem> gone{item};
            for (std::size_t k = 0; k < gone.size(); ++k) {
                for (TreeItem child : children[gone[k]])
                    gone.push_back(child);
                children.erase(gone[k]);
                texts.erase(gone[k]);
            }
            for (auto& [parent, list] : children)
                list.erase(std::remove(list.begin(), list.end(), item), list.end());
            for (TreeItem dead : gone) {
                ASSERT_FALSE(tree.DeleteItem(dead));
                ASSERT_FALSE(tree.SetText(dead, "x"));
                ASSERT_EQ(tree.Find(dead), nullptr);
                ASSERT_EQ(tree.GetText(dead), "");
            }
            ASSERT_FALSE(tree.InsertItem(item, "under a deleted item", 0, 0));
        } else {
            const TreeItem item = live[random() % live.size()];
            ASSERT_TRUE(tree.SetText(item, "set " + std::to_string(step)));
            texts[item] = "set " + std::to_string(step);
        }
        ASSERT_EQ(tree.ItemCount(), texts.size());
        most = std::max(most, texts.size());
        if (step % 50 == 0 || step > 5900) {
            ASSERT_EQ(tree.Dump(), dump()) << step;
        }
    }
    EXPECT_FALSE(tree.DeleteItem(0));
    // Numbers come back: no item number is higher than the most items held at once.
    EXPECT_EQ(highest, most);
    // Emptied completely, then filled again, it walks like a new tree.
    while (tree.FirstRoot() != 0)
        ASSERT_TRUE(tree.DeleteItem(tree.FirstRoot()));
    EXPECT_EQ(tree.ItemCount(), 0u);
    EXPECT_EQ(tree.Dump(), "");
    const TreeItem a = tree.InsertItem(0, "a", 0, 0);
    tree.InsertItem(a, "b", 0, 0);
    tree.InsertItem(0, "c", 0, 0);
    EXPECT_EQ(tree.Dump(), "a\n  b\nc\n");
}

// The decoder's rules restated with scans: sessions in a list searched from the start, entries
// found by comparing the texts of the first (item count / 11) top-level items. A new entry past its
// limit pushes out the entry updated longest ago, with the sessions of its two addresses; a new
// session past its limit pushes out the oldest session and nothing else.
class ScanningDecoder {
public:
    ScanningDecoder(MemoryTree& tree, TrafficLimits limits) : tree_(tree), limits_(limits) {}

    void Evict() {
        const std::string key = byAge.front();
        byAge.erase(byAge.begin());
        for (TreeItem item = tree_.FirstRoot(); item; item = tree_.NextSibling(item))
            if (tree_.GetText(item) == key) {
                tree_.DeleteItem(item);
                break;
            }
        sessions.erase(std::remove_if(sessions.begin(), sessions.end(),
                                      [&](const Session& s) { return s.srcAddr + " - " + s.dstAddr == key; }),
                       sessions.end());
        ++evicted;
    }

    void Decode(const std::vector<std::uint8_t>& d) {
        const std::size_t ihl = std::size_t(d[0] & 0x0F) * 4;
        const auto u16 = [&](std::size_t at) { return std::uint32_t(d[at] << 8 | d[at + 1]); };
        const auto u32 = [&](std::size_t at) { return u16(at) << 16 | u16(at + 2); };
        std::string src;
        AppendDottedAddress(src, u32(12));
        std::string dst;
        AppendDottedAddress(dst, u32(16));
        const std::size_t t = ihl;
        const int srcPort = int(u16(t));
        const int dstPort = int(u16(t + 2));
        const std::uint32_t seq = u32(t + 4);
        const std::uint32_t ack = u32(t + 8);
        const std::uint8_t flags = std::uint8_t(d[t + 13] & 0x3F);
        const std::uint32_t size = std::uint32_t(d.size() - ihl - 20);

        std::string note;
        auto session = std::find_if(sessions.begin(), sessions.end(), [&](const Session& s) {
            return s.srcPort == srcPort && s.dstPort == dstPort && s.srcAddr == src && s.dstAddr == dst;
        });
        if (session == sessions.end()) {
            if (flags & kTcpSyn) {
                while (limits_.sessions != 0 && sessions.size() >= limits_.sessions)
                    sessions.erase(sessions.begin());
                Session opened;
                opened.srcPort = srcPort;
                opened.dstPort = dstPort;
                opened.srcAddr = src;
                opened.dstAddr = dst;
                opened.baseSeq = seq;
                sessions.push_back(opened);
                note = " /*New session*/ ";
            }
        } else {
            const std::int32_t gap = std::int32_t(seq - session->baseSeq);
            if (flags & kTcpSyn)
                session->baseSeq = seq;
            else if (flags & (kTcpRst | kTcpFin))
                sessions.erase(session);
            else if (size > 0 && gap < 0)
                note = " { Gap < 0 }";
            else if (size > 0 && gap > 10240000)
                note = " { Gap > 10 MB }";
        }
        const std::string fields[6] = {std::to_string(srcPort), std::to_string(dstPort), std::to_string(size),
                                       FlagText(flags),         std::to_string(seq),     std::to_string(ack)};
        lines.push_back(src + " - " + dst + " {" + fields[0] + "-" + fields[1] + "}, len: " + fields[2] +
                        ", seq: " + fields[4] + ",ack: " + fields[5] + ", Flags: " + fields[3] + " " + note +
                        "\r\n");

        const char* labels[6] = {"Source Port:", "Destination Port:", "Size:", "Flags:", "Sequence:", "Ack:"};
        const std::string key = src + " - " + dst;
        std::size_t entries = tree_.ItemCount() / 11;
        for (TreeItem item = tree_.FirstRoot(); item && entries > 0;
             item = tree_.NextSibling(item), --entries) {
            if (tree_.GetText(item) != key)
                continue;
            TreeItem field = tree_.FirstChild(tree_.NextSibling(tree_.FirstChild(item)));
            for (int i = 0; i < 6; ++i, field = tree_.NextSibling(field))
                tree_.SetText(field, PadLabel(labels[i]) + fields[i]);
            byAge.erase(std::find(byAge.begin(), byAge.end(), key));
            byAge.push_back(key);
            return;
        }
        while (limits_.conversations != 0 && byAge.size() >= limits_.conversations)
            Evict();
        byAge.push_back(key);
        const TreeItem top = tree_.InsertItem(0, key, 0, 0);
        const TreeItem ip = tree_.InsertItem(top, "IP Header", 1, 1);
        tree_.InsertItem(ip, PadLabel("Source IP:") + src, 2, 2);
        tree_.InsertItem(ip, PadLabel("Destination IP:") + dst, 2, 2);
        const TreeItem tcp = tree_.InsertItem(top, "TCP Header", 1, 1);
        for (int i = 0; i < 6; ++i)
            tree_.InsertItem(tcp, PadLabel(labels[i]) + fields[i], 2, 2);
    }

    std::vector<Session> sessions;
    std::vector<std::string> lines;
    std::vector<std::string> byAge; // entry texts, updated longest ago first
    std::uint64_t evicted = 0;

private:
    MemoryTree& tree_;
    TrafficLimits limits_;
};

TEST(TrafficDecoder, GivesTheSameLinesTreeAndSessionsAsScanningFromTheStart) {
    // Without limits, and with limits small enough that entries and sessions are pushed out all
    // the time, by new entries and by new sessions in turn.
    for (const TrafficLimits limits :
         {kNoLimits, TrafficLimits{40, 25}, TrafficLimits{300, 12}, TrafficLimits{3, 400}}) {
        SCOPED_TRACE(std::to_string(limits.conversations) + "/" + std::to_string(limits.sessions));
        MemoryTree expectedTree;
        ScanningDecoder expected(expectedTree, limits);
        MemoryTree tree;
        CollectingTranscriptSink transcript;
        TrafficDecoder decoder(tree, transcript, limits);
        // The same segments through the public steps, as a caller that has already decoded the
        // datagram would hand them over.
        MemoryTree stepTree;
        CollectingTranscriptSink stepTranscript;
        TrafficDecoder steps(stepTree, stepTranscript, limits);

        std::mt19937 random(5);
        const std::uint8_t flagChoices[] = {kTcpSyn, kTcpAck,           kTcpAck | kTcpPsh, kTcpFin | kTcpAck,
                                            kTcpRst, kTcpSyn | kTcpAck, kTcpAck,           kTcpAck | kTcpPsh};
        const int stepCount = limits.conversations == 0 ? 30000 : 8000;
        for (int step = 0; step < stepCount; ++step) {
            // Many conversations, sessions opened and ended in both directions, few enough ports that
            // a session is often met again, sequence numbers on both sides of the gap limits.
            const std::uint32_t a = Ipv4(10, 0, int(random() % 3), int(random() % 40));
            const std::uint32_t b = Ipv4(172, 16, 0, int(random() % 4));
            const bool outbound = random() % 2;
            auto plan =
                Segment(outbound ? a : b, std::uint16_t(1000 + random() % 3), outbound ? b : a,
                        std::uint16_t(80 + random() % 2), flagChoices[random() % 8],
                        std::uint32_t(random() % 3 == 0 ? random() : random() % 20000000), random() % 3);
            plan.ack = std::uint32_t(random());
            const auto datagram = BuildDatagram(plan);
            expected.Decode(datagram);
            ASSERT_TRUE(decoder.DecodeIpPacket(datagram.data(), datagram.size()));
            std::string src;
            AppendDottedAddress(src, plan.src);
            std::string dst;
            AppendDottedAddress(dst, plan.dst);
            ASSERT_TRUE(
                steps.TrackTcpSegment(src, dst, datagram.data() + 20, std::uint32_t(datagram.size() - 20)));
        }
        EXPECT_EQ(transcript.Lines(), expected.lines);
        EXPECT_EQ(stepTranscript.Lines(), expected.lines);
        EXPECT_EQ(tree.Dump(), expectedTree.Dump());
        EXPECT_EQ(stepTree.Dump(), expectedTree.Dump());
        for (TrafficDecoder* d : {&decoder, &steps}) {
            SessionTable& table = d->sessionTable();
            ASSERT_EQ(table.size(), expected.sessions.size());
            auto next = expected.sessions.begin();
            for (const Session* session : table) {
                EXPECT_EQ(session->srcAddr, next->srcAddr);
                EXPECT_EQ(session->srcPort, next->srcPort);
                EXPECT_EQ(session->dstAddr, next->dstAddr);
                EXPECT_EQ(session->dstPort, next->dstPort);
                EXPECT_EQ(session->baseSeq, next->baseSeq);
                ++next;
            }
        }
        EXPECT_EQ(decoder.conversationCount(), expected.byAge.size());
        EXPECT_EQ(decoder.conversationsEvicted(), expected.evicted);
        EXPECT_EQ(steps.conversationsEvicted(), expected.evicted);
        if (limits.conversations == 0) {
            EXPECT_GT(expected.sessions.size(), 50u);
            EXPECT_GT(decoder.conversationCount(), 200u);
        } else {
            EXPECT_GT(expected.evicted, 100u);
            EXPECT_LE(decoder.conversationCount(), limits.conversations);
            EXPECT_LE(decoder.sessionTable().size(), limits.sessions);
        }
    }
}

TEST(TrafficDecoder, EntriesWithTextsTooLongForTheIndexSlotsAreStillFoundOnce) {
    MemoryTree tree;
    NullTranscriptSink sink;
    const std::string longName(60, 'h');
    {
        TrafficDecoder earlier(tree, sink);
        PacketFields fields;
        fields.srcAddr = longName;
        fields.dstAddr = "10.0.0.1";
        fields.srcPort = "1";
        earlier.ShowInTree(fields);
        fields.srcPort = "2";
        earlier.ShowInTree(fields);
        EXPECT_EQ(earlier.conversationCount(), 1u);
        EXPECT_EQ(tree.ItemCount(), 11u);
        EXPECT_EQ(tree.GetText(6), PadLabel("Source Port:") + "2");
    }
    TrafficDecoder later(tree, sink);
    EXPECT_EQ(later.conversationCount(), 1u);
    PacketFields fields;
    fields.srcAddr = longName;
    fields.dstAddr = "10.0.0.1";
    fields.srcPort = "3";
    later.ShowInTree(fields);
    EXPECT_EQ(tree.ItemCount(), 11u);
    EXPECT_EQ(tree.GetText(1), longName + " - 10.0.0.1");
    EXPECT_EQ(tree.GetText(6), PadLabel("Source Port:") + "3");
}

} // namespace
} // namespace palisor
