// The capture engine over a scripted network: every diagnostic line, the release of every
// resource, and the stop rules.

#include "tests/unit/traffic/datagram_builder.h"
#include "traffic/capture/capture_engine.h"
#include "traffic/capture/scripted_capture_network.h"
#include "traffic/capture/std_capture_thread.h"

#include <gtest/gtest.h>

#include <new>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <mutex>
#include <thread>

namespace palisor {
namespace {

std::string Contents(std::FILE* file) {
    std::fflush(file);
    std::rewind(file);
    std::string text;
    char chunk[256];
    std::size_t got = 0;
    while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0)
        text.append(chunk, got);
    return text;
}

class CaptureEngineTest : public ::testing::Test {
protected:
    void SetUp() override {
        out = std::tmpfile();
        err = std::tmpfile();
        ASSERT_TRUE(out && err);
        network.hostAddresses = {"192.168.1.9", "192.168.1.10"};
        engine = std::make_unique<CaptureEngine>(
            network, thread,
            [this](const unsigned char* data, std::size_t length) {
                std::lock_guard<std::mutex> lock(mutex);
                received.emplace_back(data, data + length);
            },
            out, err);
    }
    void TearDown() override {
        engine.reset();
        std::fclose(out);
        std::fclose(err);
    }

    // Runs one capture to its end (a failing set-up ends it by itself).
    void RunToEnd(const std::string& address = "192.168.1.10") {
        engine->InitCapture();
        engine->StartCapture(address);
        ASSERT_TRUE(thread.Wait(10000));
    }

    void ExpectEverythingReleased() {
        const auto counts = network.counts();
        EXPECT_EQ(counts.socketsClosed, counts.socketsCreated);
        EXPECT_EQ(counts.buffersFreed, counts.buffersAllocated);
        EXPECT_EQ(counts.cleanups, counts.startups);
    }

    ScriptedCaptureNetwork network;
    StdCaptureThread thread;
    std::FILE* out = nullptr;
    std::FILE* err = nullptr;
    std::mutex mutex;
    std::vector<std::vector<unsigned char>> received;
    std::unique_ptr<CaptureEngine> engine;
};

TEST_F(CaptureEngineTest, StartupFailureIsReportedAndCollectsNoAddresses) {
    network.startupResult = 10091;
    EXPECT_FALSE(engine->InitCapture());
    EXPECT_EQ(Contents(out), "WSAStartup() failed: 10091\n");
    EXPECT_TRUE(engine->interfaceList().empty());
    // "On" starts the capture anyway; it fails on the socket and ends no start-up it never had.
    network.createError = 10093;
    engine->StartCapture("192.168.1.10");
    ASSERT_TRUE(thread.Wait(10000));
    EXPECT_EQ(Contents(out), "WSAStartup() failed: 10091\nWSASocket() failed: 10093\n");
    engine.reset();
    EXPECT_EQ(network.counts().cleanups, 0);
}

TEST_F(CaptureEngineTest, EveryInitAppendsTheHostAddressesAgain) {
    EXPECT_TRUE(engine->InitCapture());
    EXPECT_TRUE(engine->InitCapture());
    EXPECT_EQ(engine->interfaceList(),
              (std::vector<std::string>{"192.168.1.9", "192.168.1.10", "192.168.1.9", "192.168.1.10"}));
    EXPECT_EQ(Contents(out), "");
    // Start-ups that no capture took over are ended with the engine.
    engine.reset();
    ExpectEverythingReleased();
}

TEST_F(CaptureEngineTest, SetUpFailuresWriteTheirLineAndReleaseWhatWasTaken) {
    network.createError = 10013;
    RunToEnd();
    EXPECT_EQ(Contents(out), "WSASocket() failed: 10013\n");
    EXPECT_EQ(network.counts().socketsCreated, 0);
    ExpectEverythingReleased();
}

TEST_F(CaptureEngineTest, AnUnsupportedRawSocketOrReceiveAllFallsBackToTheTcpSocket) {
    const std::string fallback = "Receive-all is not supported here: capturing the TCP traffic of "
                                 "192.168.1.10 through a raw TCP socket\n";
    const auto datagram = testing::BuildDatagram(testing::Segment(1, 2, 3, 4, 0x02));
    struct Case {
        int createError, receiveAllError;
        std::string lines;
    };
    const Case cases[] = {
        {10043, 0, "WSASocket() failed: 10043\n"},
        {10044, 0, "WSASocket() failed: 10044\n"},
        {10045, 0, "WSASocket() failed: 10045\n"},
        {0, 10045, "Binding to: \nWSAIotcl(0x98000001) failed: 10045\n"},
    };
    for (const Case& c : cases) {
        std::FILE* lines = std::tmpfile();
        ScriptedCaptureNetwork refusing;
        refusing.hostAddresses = {"192.168.1.10"};
        refusing.createError = c.createError;
        refusing.receiveAllError = c.receiveAllError;
        refusing.QueueDatagram(datagram);
        StdCaptureThread capture;
        std::atomic<int> handled{0};
        {
            CaptureEngine fallingBack(
                refusing, capture, [&handled](const unsigned char*, std::size_t) { ++handled; }, lines, err);
            fallingBack.InitCapture();
            fallingBack.StartCapture("192.168.1.10");
            ASSERT_TRUE(refusing.WaitUntilIdle(5000));
            EXPECT_EQ(handled, 1) << c.lines;
            EXPECT_EQ(refusing.counts().tcpSocketsCreated, 1);
            EXPECT_EQ(refusing.counts().boundAddress, "192.168.1.10");
            EXPECT_TRUE(fallingBack.Capturing());
            fallingBack.OnClose();
        }
        EXPECT_EQ(Contents(lines), c.lines + fallback);
        const auto counts = refusing.counts();
        EXPECT_EQ(counts.socketsClosed, counts.socketsCreated);
        EXPECT_EQ(counts.cleanups, counts.startups);
        std::fclose(lines);
    }

    // The fallback's own failures end the capture with the Part's lines for the failed call.
    network.createError = 10043;
    network.tcpCreateError = 10013;
    RunToEnd();
    EXPECT_EQ(Contents(out), "WSASocket() failed: 10043\nWSASocket() failed: 10013\n");
    network.tcpCreateError = 0;
    network.tcpBindError = 10049;
    RunToEnd();
    EXPECT_EQ(Contents(out), "WSASocket() failed: 10043\nWSASocket() failed: 10013\n"
                             "WSASocket() failed: 10043\nbind() failed: 10049\n");
    EXPECT_EQ(network.counts().tcpSocketsCreated, 1);
    ExpectEverythingReleased();
}

TEST_F(CaptureEngineTest, AStopDuringTheSetUpWritesNoFailureLine) {
    network.bindWaitsForInterrupt = true;
    engine->InitCapture();
    engine->StartCapture("192.168.1.10");
    ASSERT_TRUE(network.WaitUntilBinding(5000));
    // The stop closes the socket under the bind, which then fails as a closed socket would.
    engine->OnClose();
    EXPECT_FALSE(engine->Capturing());
    EXPECT_EQ(Contents(out), "");
    ExpectEverythingReleased();
}

TEST_F(CaptureEngineTest, BindFailureNamesTheError) {
    network.bindError = 10049;
    RunToEnd("10.9.9.9");
    EXPECT_EQ(network.counts().boundAddress, "10.9.9.9");
    EXPECT_EQ(Contents(out), "bind() failed: 10049\n");
    EXPECT_EQ(network.counts().socketsClosed, 1);
    ExpectEverythingReleased();
}

TEST_F(CaptureEngineTest, ReceiveAllFailureAddsTheNoteOnlyForInvalidArgument) {
    network.receiveAllError = 10022;
    RunToEnd();
    EXPECT_EQ(Contents(out), "Binding to: \n"
                             "WSAIotcl(0x98000001) failed: 10022\n"
                             "NOTE: IPv6 does not currently support the SIO_RCVALL* ioctls\n");
    ExpectEverythingReleased();

    std::FILE* again = std::tmpfile();
    ScriptedCaptureNetwork other;
    other.receiveAllError = 10013;
    StdCaptureThread otherThread;
    {
        CaptureEngine second(other, otherThread, nullptr, again, err);
        second.InitCapture();
        second.StartCapture("192.168.1.9");
        ASSERT_TRUE(otherThread.Wait(10000));
    }
    EXPECT_EQ(Contents(again), "Binding to: \nWSAIotcl(0x98000001) failed: 10013\n");
    // Refusals other than "unsupported" end the capture: no fallback.
    EXPECT_EQ(other.counts().tcpSocketsCreated, 0);
    EXPECT_EQ(network.counts().tcpSocketsCreated, 0);
    std::fclose(again);
}

TEST_F(CaptureEngineTest, AllocationFailureGoesToStandardError) {
    network.allocationError = 8;
    RunToEnd();
    EXPECT_EQ(Contents(out), "Binding to: \n");
    EXPECT_EQ(Contents(err), "HeapAlloc failed: 8\n");
    EXPECT_EQ(network.counts().socketsClosed, 1);
    ExpectEverythingReleased();

    // Memory that runs out while a datagram is decoded ends the capture with a line on standard
    // error, releases what the capture took, and leaves the program running: "On" captures again.
    ScriptedCaptureNetwork starved;
    starved.hostAddresses = {"192.168.1.10"};
    const auto datagram = testing::BuildDatagram(testing::Segment(1, 2, 3, 4, 0x02));
    for (int i = 0; i < 3; ++i)
        starved.QueueDatagram(datagram);
    StdCaptureThread capture;
    std::FILE* lines = std::tmpfile();
    std::FILE* errors = std::tmpfile();
    ASSERT_TRUE(lines && errors);
    int handled = 0;
    {
        CaptureEngine engine(
            starved, capture,
            [&handled](const unsigned char*, std::size_t) {
                if (++handled == 2)
                    throw std::bad_alloc();
            },
            lines, errors);
        engine.InitCapture();
        engine.StartCapture("192.168.1.10");
        ASSERT_TRUE(capture.Wait(10000));
        EXPECT_EQ(handled, 2);
        EXPECT_FALSE(engine.Capturing());
        EXPECT_EQ(Contents(errors), "Out of memory: the capture has ended\n");
        EXPECT_EQ(Contents(lines), "Binding to: \n");
        auto counts = starved.counts();
        EXPECT_EQ(counts.socketsClosed, counts.socketsCreated);
        EXPECT_EQ(counts.buffersFreed, counts.buffersAllocated);
        EXPECT_EQ(counts.cleanups, counts.startups);
        engine.InitCapture();
        engine.StartCapture("192.168.1.10");
        ASSERT_TRUE(starved.WaitUntilIdle(5000));
        EXPECT_EQ(handled, 3);
        engine.OnClose();
    }
    std::fclose(lines);
    std::fclose(errors);
}

TEST_F(CaptureEngineTest, DatagramsReachTheHandlerUntilAReceiveFails) {
    const auto first = testing::BuildDatagram(testing::Segment(1, 2, 3, 4, 0x02));
    const std::vector<std::uint8_t> second(65535, 0x45);
    network.QueueDatagram(first);
    network.QueueDatagram(second);
    network.QueueReceiveError(10054);
    RunToEnd();
    EXPECT_EQ(Contents(out), "Binding to: \nWSARecv() failed: 10054\n");
    ASSERT_EQ(received.size(), 2u);
    EXPECT_EQ(received[0], first);
    EXPECT_EQ(received[1].size(), 65535u);
    EXPECT_EQ(network.counts().lastCapacity, 65535u);
    EXPECT_EQ(network.counts().receives, 3);
    EXPECT_FALSE(engine->Capturing());
    ExpectEverythingReleased();
}

TEST_F(CaptureEngineTest, StopWithoutTrafficEndsTheThreadPromptlyAndSilently) {
    engine->InitCapture();
    engine->StartCapture("192.168.1.10");
    ASSERT_TRUE(network.WaitUntilIdle(5000));
    const auto started = std::chrono::steady_clock::now();
    engine->OnClose();
    const auto took = std::chrono::steady_clock::now() - started;
    EXPECT_LT(took, std::chrono::milliseconds(5000));
    EXPECT_FALSE(engine->Capturing());
    EXPECT_TRUE(engine->stopRequested());
    // The thread ran its loop to the end: it freed its buffer and closed its socket itself.
    EXPECT_EQ(network.counts().buffersFreed, 1);
    EXPECT_EQ(network.counts().socketsClosed, 1);
    ExpectEverythingReleased();
    EXPECT_EQ(Contents(out), "Binding to: \n");

    // A second stop finds no thread and returns at once.
    const auto again = std::chrono::steady_clock::now();
    engine->OnClose();
    EXPECT_LT(std::chrono::steady_clock::now() - again, std::chrono::milliseconds(1000));
    EXPECT_EQ(network.counts().interrupts, 1);
}

TEST_F(CaptureEngineTest, OnWhileCapturingIsIgnoredAndOnAfterOffCapturesAgain) {
    engine->InitCapture();
    engine->StartCapture("192.168.1.10");
    ASSERT_TRUE(network.WaitUntilIdle(5000));
    const unsigned long firstId = engine->threadId();
    EXPECT_NE(firstId, 0u);
    engine->InitCapture();
    engine->StartCapture("192.168.1.9");
    EXPECT_FALSE(engine->stopRequested());
    EXPECT_EQ(engine->threadId(), firstId);
    EXPECT_EQ(engine->selectedInterface(), "192.168.1.10");
    EXPECT_EQ(network.counts().socketsCreated, 1);

    engine->OnClose();
    EXPECT_FALSE(engine->Capturing());
    engine->InitCapture();
    EXPECT_FALSE(engine->stopRequested());
    engine->StartCapture("192.168.1.9");
    ASSERT_TRUE(network.WaitUntilIdle(5000));
    EXPECT_EQ(network.counts().socketsCreated, 2);
    EXPECT_EQ(network.counts().boundAddress, "192.168.1.9");
    network.QueueDatagram({0x45, 0, 0, 20});
    ASSERT_TRUE(network.WaitUntilIdle(5000));
    engine->OnClose();
    EXPECT_EQ(received.size(), 1u);
    ExpectEverythingReleased();
}

TEST_F(CaptureEngineTest, OnAfterAnOffWhoseWaitRanOutCapturesOnceTheOldLoopHasEnded) {
    // The handler holds the thread, as a slow decoder would, until released.
    std::atomic<bool> entered{false};
    std::atomic<bool> release{false};
    StdCaptureThread slowThread;
    CaptureEngine slow(
        network, slowThread,
        [&](const unsigned char*, std::size_t) {
            entered = true;
            while (!release)
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
        },
        out, err);
    slow.InitCapture();
    slow.StartCapture("192.168.1.10");
    network.QueueDatagram(testing::BuildDatagram(testing::Segment(1, 2, 3, 4, 0x02)));
    while (!entered)
        std::this_thread::yield();
    slow.OnClose(); // waits its five seconds in vain
    EXPECT_TRUE(slow.Capturing());
    slow.InitCapture();
    EXPECT_TRUE(slow.stopRequested());
    slow.StartCapture("192.168.1.9");
    EXPECT_TRUE(slow.RestartPending());
    release = true;
    ASSERT_TRUE(network.WaitUntilIdle(5000));
    EXPECT_FALSE(slow.RestartPending());
    EXPECT_TRUE(slow.Capturing());
    EXPECT_FALSE(slow.stopRequested());
    EXPECT_EQ(network.counts().socketsCreated, 2);
    EXPECT_EQ(network.counts().boundAddress, "192.168.1.9");
    EXPECT_EQ(slow.selectedInterface(), "192.168.1.9");
    slow.OnClose();
    EXPECT_FALSE(slow.Capturing());

    // Again, but the old loop ends between the two steps of "On": InitCapture keeps the stop for
    // the loop still running, and the thread that StartCapture makes must not inherit it.
    release = false;
    entered = false;
    slow.InitCapture();
    slow.StartCapture("192.168.1.10");
    network.QueueDatagram(testing::BuildDatagram(testing::Segment(1, 2, 3, 4, 0x02)));
    while (!entered)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    slow.OnClose(); // in vain again
    slow.InitCapture();
    EXPECT_TRUE(slow.stopRequested());
    release = true;
    ASSERT_TRUE(slowThread.Wait(5000));
    slow.StartCapture("192.168.1.9");
    ASSERT_TRUE(network.WaitUntilIdle(5000));
    EXPECT_FALSE(slow.stopRequested());
    EXPECT_TRUE(slow.Capturing());
    EXPECT_EQ(network.counts().socketsCreated, 4);
    EXPECT_EQ(network.counts().boundAddress, "192.168.1.9");
    slow.OnClose();
    EXPECT_FALSE(slow.Capturing());
    EXPECT_EQ(Contents(out), "Binding to: \nBinding to: \nBinding to: \nBinding to: \n");
    ExpectEverythingReleased();
}

TEST_F(CaptureEngineTest, NoAddressStartsNoThread) {
    engine->InitCapture();
    engine->StartCapture("");
    EXPECT_FALSE(engine->Capturing());
    EXPECT_EQ(network.counts().socketsCreated, 0);
}

TEST_F(CaptureEngineTest, DestroyingTheEngineStopsTheCaptureFirst) {
    engine->InitCapture();
    engine->StartCapture("192.168.1.10");
    ASSERT_TRUE(network.WaitUntilIdle(5000));
    engine.reset();
    EXPECT_FALSE(thread.Running());
    ExpectEverythingReleased();
}

TEST_F(CaptureEngineTest, StopOfABusyCaptureEndsAfterTheCurrentDatagram) {
    std::atomic<int> handled{0};
    StdCaptureThread busyThread;
    ScriptedCaptureNetwork busy;
    busy.RepeatForever(testing::BuildDatagram(testing::Segment(1, 2, 3, 4, 0x10)));
    CaptureEngine busyEngine(
        busy, busyThread, [&handled](const unsigned char*, std::size_t) { ++handled; }, out, err);
    busyEngine.InitCapture();
    busyEngine.StartCapture("10.0.0.1");
    while (handled < 100)
        std::this_thread::yield();
    busyEngine.OnClose();
    EXPECT_FALSE(busyEngine.Capturing());
    const int after = handled;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_EQ(handled, after);
    EXPECT_EQ(busy.counts().buffersFreed, 1);
    EXPECT_EQ(Contents(out), "Binding to: \n");
}

} // namespace
} // namespace palisor
