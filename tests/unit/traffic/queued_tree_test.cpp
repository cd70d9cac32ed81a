// The capture thread's queued tree: what the window is handed, written into a second tree the way
// the window writes it, must give that tree exactly the model's content, with few changes.

#include "tests/unit/traffic/datagram_builder.h"
#include "traffic/tree/memory_tree.h"
#include "traffic/tree/queued_tree.h"
#include "traffic/decode/traffic_decoder.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <random>
#include <string>
#include <thread>
#include <vector>

namespace palisor {
namespace {

// Plays the window: writes the changes into a tree of its own, mapping the model's items to its own.
class Window {
public:
    std::size_t Update(QueuedTree& source) {
        std::vector<QueuedTree::Change> changes;
        source.TakeChanges(changes);
        for (const QueuedTree::Change& change : changes) {
            TreeItem& own = Own(change.item);
            switch (change.kind) {
            case QueuedTree::Change::kInsert:
                own = shown.InsertItem(change.parent ? Own(change.parent) : 0, change.text, change.image,
                                       change.selectedImage);
                EXPECT_NE(own, 0u) << "parent handed over after its child";
                break;
            case QueuedTree::Change::kDelete:
                EXPECT_TRUE(shown.DeleteItem(own)) << "deleted an item it was never handed";
                own = 0;
                break;
            case QueuedTree::Change::kText:
                EXPECT_TRUE(shown.SetText(own, change.text)) << "text for an item it was never handed";
                break;
            }
        }
        return changes.size();
    }

    MemoryTree shown;

private:
    TreeItem& Own(TreeItem item) {
        if (item >= items.size())
            items.resize(item + 1, 0);
        return items[item];
    }
    std::vector<TreeItem> items;
};

TEST(QueuedTree, RandomInsertionsTextsAndDeletionsReachTheWindowExactly) {
    std::mt19937 random(7);
    QueuedTree queued;
    Window window;
    std::vector<TreeItem> tops;
    for (int step = 0; step < 20000; ++step) {
        const int what = static_cast<int>(random() % 100);
        if (what < 30 || tops.empty()) {
            const TreeItem top = queued.InsertItem(0, "entry " + std::to_string(step), 0, 0);
            ASSERT_NE(top, 0u);
            tops.push_back(top);
            const TreeItem header = queued.InsertItem(top, "header", 1, 1);
            for (int i = 0; i < 3; ++i)
                queued.InsertItem(header, "field " + std::to_string(i), 2, 2);
        } else if (what < 45) {
            // A child added under an entry that may already be in the window.
            const TreeItem top = tops[random() % tops.size()];
            queued.InsertItem(queued.FirstChild(top), "late field", 2, 2);
        } else if (what < 85) {
            const TreeItem top = tops[random() % tops.size()];
            const TreeItem field = queued.FirstChild(queued.FirstChild(top));
            queued.SetText(random() % 2 ? top : field, "text " + std::to_string(step));
        } else if (what < 97) {
            const std::size_t at = random() % tops.size();
            ASSERT_TRUE(queued.DeleteItem(tops[at]));
            tops.erase(tops.begin() + static_cast<std::ptrdiff_t>(at));
        } else {
            window.Update(queued);
            ASSERT_EQ(window.shown.Dump(), queued.Dump()) << step;
        }
    }
    window.Update(queued);
    EXPECT_EQ(window.shown.Dump(), queued.Dump());
    EXPECT_EQ(window.shown.ItemCount(), queued.ItemCount());
    EXPECT_EQ(queued.PendingChanges(), 0u);
    std::vector<QueuedTree::Change> none;
    EXPECT_FALSE(queued.TakeChanges(none));
}

TEST(QueuedTree, AConversationChangedManyTimesBetweenTwoUpdatesIsWrittenOnce) {
    QueuedTree queued;
    NullTranscriptSink transcript;
    TrafficDecoder decoder(queued, transcript);
    Window window;
    const auto segment = [](std::uint32_t seq) {
        return testing::BuildDatagram(
            testing::Segment(testing::Ipv4(10, 0, 0, 5), 1025, testing::Ipv4(10, 0, 0, 1), 80, 0x10, seq));
    };
    for (std::uint32_t seq = 1; seq <= 1000; ++seq) {
        const auto datagram = segment(seq);
        decoder.DecodeIpPacket(datagram.data(), datagram.size());
    }
    // The eleven insertions, each with the latest text, and nothing else.
    EXPECT_EQ(queued.PendingChanges(), 11u);
    EXPECT_EQ(window.Update(queued), 11u);
    EXPECT_EQ(window.shown.Dump(), queued.Dump());
    for (std::uint32_t seq = 1001; seq <= 2000; ++seq) {
        const auto datagram = segment(seq);
        decoder.DecodeIpPacket(datagram.data(), datagram.size());
    }
    // Only the sequence number changed from segment to segment: its text, once. The other five
    // fields show what they showed, and are not written again.
    EXPECT_EQ(window.Update(queued), 1u);
    EXPECT_EQ(window.shown.Dump(), queued.Dump());
}

TEST(QueuedTree, WhatWaitsNeverOutgrowsTheModel) {
    QueuedTree queued;
    Window window;
    const TreeItem kept = queued.InsertItem(0, "kept", 0, 0);
    queued.InsertItem(kept, "child", 2, 2);
    window.Update(queued);
    // Entries that come and go while the window takes nothing leave nothing behind.
    for (int i = 0; i < 100000; ++i) {
        const TreeItem top = queued.InsertItem(0, "passing", 0, 0);
        queued.InsertItem(top, "child", 2, 2);
        queued.SetText(top, "passing by");
        queued.SetText(kept, "kept " + std::to_string(i));
        ASSERT_TRUE(queued.DeleteItem(top));
        ASSERT_LE(queued.PendingChanges(), 1u);
    }
    // An entry the window holds is deleted there once, however often its text changed first.
    queued.DeleteItem(kept);
    EXPECT_EQ(queued.PendingChanges(), 1u);
    EXPECT_EQ(window.Update(queued), 1u);
    EXPECT_EQ(window.shown.ItemCount(), 0u);
    EXPECT_EQ(window.shown.Dump(), queued.Dump());
}

TEST(QueuedTree, AWriterHeldBackForTheWindowGoesOnAsSoonAsTheWindowHasTakenItsChanges) {
    // The capture thread writes without pause; the window takes the changes now and then. A writer
    // that finds the window waiting for the lock sleeps until the window is in, and must be woken
    // then: after each take it has to make progress with nobody taking again. The tree outlives a
    // writer that was never woken, so that a failure ends the test instead of hanging it.
    auto* queued = new QueuedTree;
    const TreeItem entry = queued->InsertItem(0, "entry", 0, 0);
    const TreeItem field = queued->InsertItem(entry, "field", 2, 2);
    std::atomic<bool> stop{false};
    std::atomic<long> written{0};
    std::thread writer([&] {
        while (!stop) {
            queued->SetText(field, "seq: " + std::to_string(written.load()));
            ++written;
        }
    });
    int stalled = 0;
    std::size_t taken = 0;
    for (int round = 0; round < 300 && stalled == 0; ++round) {
        std::vector<QueuedTree::Change> changes;
        queued->TakeChanges(changes);
        taken += changes.size();
        const long before = written;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(3);
        while (written < before + 20 && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        if (written < before + 20)
            ++stalled;
    }
    stop = true;
    EXPECT_EQ(stalled, 0) << "the writer slept on after the window had taken its changes";
    EXPECT_GT(taken, 0u);
    if (stalled != 0) {
        writer.detach();
        return;
    }
    writer.join();
    EXPECT_EQ(queued->GetText(field), "seq: " + std::to_string(written.load() - 1));
    delete queued;
}

} // namespace
} // namespace palisor
