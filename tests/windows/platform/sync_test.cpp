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
// A wake-up that was lost shows only as a wait that runs to its time limit: the condition holds by
// then, so the wait still reports it. Every wait below must end well before this.
constexpr DWORD kLimitMilliseconds = 3000;

// Waits for ready under lock; false when the wait ran to its time limit instead of ending on a
// notification.
template <class Predicate>
bool WokenInTime(ConditionVariable& variable, std::unique_lock<Mutex>& lock, Predicate ready) {
    const DWORD start = GetTickCount();
    const bool held = variable.wait_for(lock, std::chrono::milliseconds(kLimitMilliseconds), ready);
    return held && GetTickCount() - start < kLimitMilliseconds - 100;
}

TEST(Sync, HandsEveryItemAcrossOneSlotOnOneVariableWithoutLosingAWakeUp) {
    // Producer and consumer wait for opposite conditions on the same variable. A notification that
    // the notifier itself could take on its next wait (while the other side has let go of the lock
    // but not yet gone to sleep) would leave both asleep until their time limits.
    Mutex mutex;
    ConditionVariable changed;
    bool full = false;
    int slot = 0;
    constexpr int kItems = 2000;

    std::atomic<int> producerLate{0};
    Thread producer([&] {
        for (int i = 1; i <= kItems; ++i) {
            std::unique_lock<Mutex> lock(mutex);
            if (!WokenInTime(changed, lock, [&] { return !full; })) {
                ++producerLate;
                if (full)
                    return;
            }
            slot = i;
            full = true;
            changed.notify_one();
        }
    });

    int expected = 1;
    int consumerLate = 0;
    while (expected <= kItems) {
        std::unique_lock<Mutex> lock(mutex);
        if (!WokenInTime(changed, lock, [&] { return full; })) {
            ++consumerLate;
            if (!full || consumerLate > 2)
                break;
        }
        if (slot != expected)
            break;
        full = false;
        ++expected;
        changed.notify_one();
    }
    {
        // Lets a producer stuck on a lost wake-up finish.
        std::lock_guard<Mutex> lock(mutex);
        full = false;
    }
    changed.notify_all();
    producer.join();
    EXPECT_EQ(consumerLate, 0);
    EXPECT_EQ(producerLate.load(), 0);
    EXPECT_EQ(expected, kItems + 1);
}

TEST(Sync, WaitersWithDifferentConditionsOnOneVariableWakeOnTheirNotifications) {
    // Three threads and this one wait on one variable for conditions of their own; every
    // notification wakes them all, so each wakes for the others' changes too and goes back to
    // sleep. A wake-up taken by another waiter in that moment must not leave the right one asleep.
    Mutex mutex;
    ConditionVariable changed;
    constexpr int kWaiters = 3;
    int turn[kWaiters] = {};     // rounds handed to each waiter
    int answered[kWaiters] = {}; // rounds each waiter has answered
    bool quit = false;
    std::atomic<int> late{0};
    std::vector<Thread> waiters;
    for (int w = 0; w < kWaiters; ++w) {
        waiters.emplace_back([&, w] {
            std::unique_lock<Mutex> lock(mutex);
            for (;;) {
                const int seen = answered[w];
                if (!WokenInTime(changed, lock, [&] { return quit || turn[w] > seen; }))
                    ++late;
                if (quit)
                    return;
                answered[w] = turn[w];
                changed.notify_all();
            }
        });
    }

    constexpr int kRounds = 10000;
    int mainLate = 0;
    for (int round = 1; round <= kRounds && late == 0 && mainLate == 0; ++round) {
        const int w = round % 4 == 0 ? 2 : round % 2; // every waiter, some more often than others
        std::unique_lock<Mutex> lock(mutex);
        turn[w] = round;
        changed.notify_all();
        if (!WokenInTime(changed, lock, [&] { return answered[w] == round; }))
            ++mainLate;
    }
    {
        std::lock_guard<Mutex> lock(mutex);
        quit = true;
    }
    changed.notify_all();
    for (Thread& waiter : waiters)
        waiter.join();
    EXPECT_EQ(late.load(), 0);
    EXPECT_EQ(mainLate, 0);
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
