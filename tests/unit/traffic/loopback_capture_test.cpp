// Real traffic: a TCP connection between two sockets on 127.0.0.1, captured through a packet
// socket. Needs root; skipped otherwise. Only loopback addresses, bounded in time.

#include "traffic/capture/capture_engine.h"
#include "traffic/capture/linux_capture_network.h"
#include "traffic/tree/memory_tree.h"
#include "traffic/capture/std_capture_thread.h"
#include "traffic/decode/traffic_decoder.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <cerrno>
#include <linux/if_ether.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <thread>

namespace palisor {
namespace {

using Clock = std::chrono::steady_clock;

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

template <typename Condition> bool WaitFor(Condition condition, int milliseconds = 5000) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(milliseconds);
    while (!condition()) {
        if (Clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

// Whether this process may open a packet socket: root alone is not enough inside a sandbox that
// withholds the capability.
bool PacketSocketsAllowed(int& error) {
    const int fd = socket(AF_PACKET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        error = errno;
        return false;
    }
    close(fd);
    return true;
}

int LoopbackSocket() {
    return socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
}

sockaddr_in Loopback(std::uint16_t port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return address;
}

std::uint16_t PortOf(int fd) {
    sockaddr_in address{};
    socklen_t length = sizeof address;
    getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    return ntohs(address.sin_port);
}

class LoopbackCaptureTest : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/palisor-capture-XXXXXX";
        const int fd = mkstemp(pattern);
        ASSERT_GE(fd, 0);
        close(fd);
        logPath = pattern;
        log = std::fopen(logPath.c_str(), "w");
        ASSERT_NE(log, nullptr);
    }
    void TearDown() override {
        if (log)
            std::fclose(log);
        std::remove(logPath.c_str());
    }

    std::string logPath;
    std::FILE* log = nullptr;
};

TEST_F(LoopbackCaptureTest, ConnectionBetweenTwoLoopbackSocketsIsShown) {
    int error = 0;
    if (!PacketSocketsAllowed(error))
        GTEST_SKIP() << "capturing real traffic needs root (packet sockets refused with error " << error
                     << "); skipped";

    MemoryTree tree;
    CollectingTranscriptSink transcript;
    TrafficDecoder decoder(tree, transcript);
    LinuxCaptureNetwork network;
    StdCaptureThread thread;
    CaptureEngine engine(
        network, thread,
        [&decoder](const unsigned char* data, std::size_t length) { decoder.DecodeIpPacket(data, length); },
        log, log);
    ASSERT_TRUE(engine.InitCapture());
    engine.StartCapture("127.0.0.1");
    ASSERT_TRUE(WaitFor([&] { return ReadFile(logPath).find("Binding to: \n") != std::string::npos; }))
        << ReadFile(logPath);

    const int listener = LoopbackSocket();
    sockaddr_in any = Loopback(0);
    ASSERT_EQ(bind(listener, reinterpret_cast<sockaddr*>(&any), sizeof any), 0);
    ASSERT_EQ(listen(listener, 1), 0);
    const std::uint16_t serverPort = PortOf(listener);
    const int client = LoopbackSocket();
    sockaddr_in server = Loopback(serverPort);
    ASSERT_EQ(connect(client, reinterpret_cast<sockaddr*>(&server), sizeof server), 0);
    const std::uint16_t clientPort = PortOf(client);
    const int accepted = accept(listener, nullptr, nullptr);
    ASSERT_GE(accepted, 0);
    ASSERT_EQ(send(client, "hello", 5, 0), 5);
    char reply[8];
    ASSERT_EQ(recv(accepted, reply, sizeof reply, 0), 5);
    close(client);
    close(accepted);
    close(listener);

    const std::string opening = "127.0.0.1 - 127.0.0.1 {" + std::to_string(clientPort) + "-" +
                                std::to_string(serverPort) + "}, len: ";
    auto findSyn = [&] {
        for (const std::string& line : transcript.Lines())
            if (line.rfind(opening, 0) == 0 &&
                line.find(", Flags: SYN,TAPI  /*New session*/ \r\n") != std::string::npos)
                return true;
        return false;
    };
    const std::string fin =
        "127.0.0.1 - 127.0.0.1 {" + std::to_string(clientPort) + "-" + std::to_string(serverPort) + "}";
    auto findFin = [&] {
        for (const std::string& line : transcript.Lines())
            if (line.rfind(fin, 0) == 0 && line.find("FIN") != std::string::npos)
                return true;
        return false;
    };
    EXPECT_TRUE(WaitFor(findSyn));
    EXPECT_TRUE(WaitFor(findFin));
    // The data segment (its size counts the TCP options too), inside its session: no note.
    bool data = false;
    for (const std::string& line : transcript.Lines())
        if (line.rfind(opening, 0) == 0 && line.find(", Flags: ACK,PUSH \r\n") != std::string::npos)
            data = true;
    EXPECT_TRUE(data);

    const auto stopping = Clock::now();
    engine.OnClose();
    EXPECT_LT(Clock::now() - stopping, std::chrono::milliseconds(5000));
    EXPECT_FALSE(engine.Capturing());

    bool entry = false;
    for (TreeItem item = tree.FirstRoot(); item; item = tree.NextSibling(item))
        entry = entry || tree.GetText(item) == "127.0.0.1 - 127.0.0.1";
    EXPECT_TRUE(entry);
    EXPECT_EQ(ReadFile(logPath), "Binding to: \n");
}

TEST_F(LoopbackCaptureTest, AnAddressThatNoInterfaceHoldsCannotBeBound) {
    LinuxCaptureNetwork network;
    StdCaptureThread thread;
    CaptureEngine engine(network, thread, nullptr, log, log);
    engine.InitCapture();
    // A documentation address that no interface of a test machine holds.
    engine.StartCapture("192.0.2.77");
    ASSERT_TRUE(thread.Wait(5000));
    int error = 0;
    if (PacketSocketsAllowed(error))
        EXPECT_EQ(ReadFile(logPath), "bind() failed: " + std::to_string(EADDRNOTAVAIL) + "\n");
    else
        EXPECT_EQ(ReadFile(logPath), "WSASocket() failed: " + std::to_string(error) + "\n");
}

} // namespace
} // namespace palisor
