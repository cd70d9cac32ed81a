#pragma once
// A network stack that follows a script, for tests: each step can be made to fail with a chosen
// error number, datagrams are queued by the test, and every acquisition and release is counted.
// A receive with nothing queued blocks until a datagram is queued or the socket is interrupted.

#include "platform/capture_socket.h"
#include "platform/sync.h"

#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <vector>

namespace palisor {

class ScriptedCaptureNetwork : public CaptureNetwork {
public:
    // The error a receive reports once its socket has been interrupted.
    static constexpr int kInterruptedError = 10004;
    // What a call on a socket closed by the stop reports (WSAENOTSOCK).
    static constexpr int kClosedSocketError = 10038;

    struct Counts {
        int startups = 0;
        int cleanups = 0;
        int socketsCreated = 0;
        int tcpSocketsCreated = 0; // of those, the raw sockets of protocol TCP
        int socketsClosed = 0;
        int interrupts = 0;
        int buffersAllocated = 0;
        int buffersFreed = 0;
        int receives = 0;
        std::size_t lastCapacity = 0;
        std::string boundAddress;
    };

    ScriptedCaptureNetwork();

    // Set before the capture starts.
    int startupResult = 0;
    std::vector<std::string> hostAddresses;
    int createError = 0;
    int bindError = 0;
    int receiveAllError = 0;
    int allocationError = 0;
    // Bind waits until its socket is interrupted and then fails (a stop during the set-up).
    bool bindWaitsForInterrupt = false;
    // The same for the raw socket of protocol TCP that the capture falls back to.
    int tcpCreateError = 0;
    int tcpBindError = 0;

    void QueueDatagram(std::vector<std::uint8_t> datagram);
    void QueueReceiveError(int error);
    // Once the queue is empty, every receive returns this datagram at once (a busy network).
    void RepeatForever(std::vector<std::uint8_t> datagram);
    // Once the queue is empty, every receive returns the next of these datagrams at once, round and
    // round (a busy network with many conversations).
    void RepeatCycle(std::vector<std::vector<std::uint8_t>> datagrams);
    // Waits until a bind is held by bindWaitsForInterrupt; false after the time limit.
    bool WaitUntilBinding(unsigned long milliseconds);
    // Waits until a receive is blocked on an empty queue; false after the time limit.
    bool WaitUntilIdle(unsigned long milliseconds);

    Counts counts();

    int Startup() override;
    void Cleanup() override;
    void AppendHostAddresses(std::vector<std::string>& list) override;
    std::unique_ptr<CaptureSocket> CreateRawSocket(int& error) override;
    std::unique_ptr<CaptureSocket> CreateTcpSocket(int& error) override;
    unsigned char* AllocateBuffer(std::size_t size, int& error) override;
    void FreeBuffer(unsigned char* buffer) override;

    struct State;

private:
    std::shared_ptr<State> state_;
};

} // namespace palisor
