// The threads, locks and waits the Windows builds make of the system's own primitives: no wake-up
// is lost, every waiter wakes, and a timed wait ends.
#include "platform/sync.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <vector>

using palisor::ConditionVariable;
using palisor::Mutex;
using palisor::Thread;

namespace {

constexpr auto kPatience = std::chrono::seconds(10);

TEST(Sync, HandsEveryItemAcrossOneSlotInOrderWithoutLosingAWakeUp) {
    // One slot, two conditions: each item waits for the other side, so a lost notification stalls
    // the exchange and the consumer's patience runs out.
    Mutex mutex;
    ConditionVariable filled, emptied;
    bool full = false;
    int slot = 0;
    constexpr int kItems = 2000;

    std::atomic<bool> producerStalled{false};
    Thread producer([&] {
        for (int i = 1; i <= kItems; ++i) {
            std::unique_lock<Mutex> lock(mutex);
            if (!emptied.wait_for(lock, kPatience, [&] { return !full; })) {
                producerStalled = true;
                return;
            }
            slot = i;
            full = true;
            filled.notify_one();
        }
    });

    int expected = 1;
    bool consumerStalled = false;
    while (expected <= kItems) {
        std::unique_lock<Mutex> lock(mutex);
        if (!filled.wait_for(lock, kPatience, [&] { return full; })) {
            consumerStalled = true;
            break;
        }
        if (slot != expected)
            break;
        full = false;
        ++expected;
        emptied.notify_one();
    }
    producer.join();
    EXPECT_FALSE(consumerStalled);
    EXPECT_FALSE(producerStalled);
    EXPECT_EQ(expected, kItems + 1);
}

TEST(Sync, NotifyAllWakesEveryWaiterAndTheMutexKeepsCountsWhole) {
    Mutex mutex;
    ConditionVariable go;
    bool open = false;
    int waiting = 0;
    int counter = 0;
    std::atomic<int> woken{0};
    std::vector<Thread> threads;
    for (int t = 0; t < 8; ++t) {
        threads.emplace_back([&] {
            std::unique_lock<Mutex> lock(mutex);
            ++waiting;
            go.notify_all();
            if (go.wait_for(lock, kPatience, [&] { return open; }))
                ++woken;
            lock.unlock();
            for (int i = 0; i < 10000; ++i) {
                std::lock_guard<Mutex> guard(mutex);
                ++counter;
            }
        });
    }
    {
        std::unique_lock<Mutex> lock(mutex);
        ASSERT_TRUE(go.wait_for(lock, kPatience, [&] { return waiting == 8; }));
        open = true;
    }
    go.notify_all();
    for (Thread& thread : threads)
        thread.join();
    EXPECT_EQ(woken.load(), 8);
    EXPECT_EQ(counter, 80000);
}

TEST(Sync, ATimedWaitWithoutNotificationEndsAfterItsTimeAndReportsTheCondition) {
    Mutex mutex;
    ConditionVariable never;
    std::unique_lock<Mutex> lock(mutex);
    const DWORD start = GetTickCount();
    EXPECT_FALSE(never.wait_for(lock, std::chrono::milliseconds(200), [] { return false; }));
    const DWORD spent = GetTickCount() - start;
    EXPECT_GE(spent, 180u); // the tick count moves in steps of about 16 ms
    EXPECT_TRUE(lock.owns_lock());
    // A condition that already holds returns at once, without waiting.
    EXPECT_TRUE(never.wait_for(lock, std::chrono::hours(1), [] { return true; }));
    // A notification while no one waits is not kept for a later wait.
    never.notify_all();
    EXPECT_FALSE(never.wait_for(lock, std::chrono::milliseconds(50), [] { return false; }));
}

TEST(Sync, AThreadRunsItsBodyOnceAndCanBeMovedBeforeItIsJoined) {
    std::atomic<int> runs{0};
    DWORD bodyThread = 0;
    Thread first([&] {
        bodyThread = GetCurrentThreadId();
        ++runs;
    });
    EXPECT_TRUE(first.joinable());
    Thread second = std::move(first);
    EXPECT_FALSE(first.joinable());
    second.join();
    EXPECT_FALSE(second.joinable());
    EXPECT_EQ(runs.load(), 1);
    EXPECT_NE(bodyThread, GetCurrentThreadId());
}

} // namespace
