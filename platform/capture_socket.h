#pragma once
// What the capture engine needs of the network stack and of threads, so that the same capture
// loop runs over Winsock on Windows, over a packet socket on Linux, and over a script in tests.
// Every operation that can fail returns the platform's error number (0 for success), taken at
// the point of failure on the calling thread.

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

namespace palisor {

class CaptureSocket {
public:
    virtual ~CaptureSocket() = default;

    // Binds to a local IPv4 address given as dotted text, port 0.
    virtual int Bind(const std::string& address) = 0;
    // Switches the socket into receiving every datagram that passes the bound interface.
    virtual int EnableReceiveAll() = 0;
    // Blocks until one IPv4 datagram arrives and copies it into buffer; received is its length.
    virtual int Receive(unsigned char* buffer, std::size_t capacity, std::size_t& received) = 0;
    // Releases a Receive blocked on another thread: it, and every later call, fails. Safe to call
    // from any thread while the socket is open, and more than once.
    virtual void Interrupt() = 0;
    // Releases the socket; called once, by the thread that uses the socket.
    virtual void Close() = 0;
};

class CaptureNetwork {
public:
    virtual ~CaptureNetwork() = default;

    // Starts the network stack (Winsock 2.2); 0 or the start-up's own result code.
    virtual int Startup() = 0;
    // Ends one successful Startup.
    virtual void Cleanup() = 0;
    // Appends the host's IPv4 addresses in dotted text, in the resolver's order.
    virtual void AppendHostAddresses(std::vector<std::string>& list) = 0;
    // A raw IPv4 socket, or null with error set.
    virtual std::unique_ptr<CaptureSocket> CreateRawSocket(int& error) = 0;
    // A raw socket of protocol TCP, which receives the whole IPv4 datagrams of its bound address's
    // TCP traffic without receive-all; used where the raw socket above or receive-all is refused as
    // unsupported. Null with error set.
    virtual std::unique_ptr<CaptureSocket> CreateTcpSocket(int& error) = 0;
    // The receive buffer, or null with error set to the system's error number.
    virtual unsigned char* AllocateBuffer(std::size_t size, int& error) = 0;
    virtual void FreeBuffer(unsigned char* buffer) = 0;
};

// Runs the capture thread. The thread never waits on the thread that waits for it.
class CaptureThread {
public:
    using Procedure = unsigned long (*)(void* argument);

    virtual ~CaptureThread() = default;

    // Starts procedure(argument) on a new thread; false when no thread could be made.
    virtual bool Start(Procedure procedure, void* argument) = 0;
    // True from a successful Start until the procedure has returned.
    virtual bool Running() = 0;
    // Waits at most milliseconds (or without limit for kForever) for the thread to end; true when
    // it has ended or none was started.
    virtual bool Wait(unsigned long milliseconds) = 0;
    virtual unsigned long Id() = 0;

    static constexpr unsigned long kForever = 0xFFFFFFFFul;
};

} // namespace palisor
