#pragma once
// The capture engine: one thread that receives every IPv4 datagram of one local address through a
// raw socket in receive-all mode and hands each one to the decoder. Failures are written as
// diagnostic lines to standard output (the allocation failure to standard error) and end the
// capture; nothing is shown on screen.
//
// Where the raw socket or receive-all is refused as unsupported (Wine refuses protocol 0), the
// failed call's line is written as usual and the capture goes on through a raw socket of protocol
// TCP on the same address, which sees that address's TCP traffic; one line says so.
//
// Stopping never kills the thread: the stop flag is set and a receive blocked with no traffic is
// released by interrupting the socket. At most one capture thread runs at a time; a start while
// one captures is ignored. A start that comes while a stopped capture is still winding down (its
// stop's wait ran out) is kept, and the same thread captures again once the old loop has ended.
// The engine's destructor stops the capture and waits for the thread, so whatever the handler
// touches must outlive the engine.

#include "platform/capture_socket.h"
#include "platform/sync.h"

#include <atomic>
#include <cstddef>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace palisor {

class CaptureEngine {
public:
    using DatagramHandler = std::function<void(const unsigned char* datagram, std::size_t length)>;

    static constexpr std::size_t kReceiveBufferSize = 65535;
    static constexpr unsigned long kStopWaitMilliseconds = 5000;
    static constexpr unsigned int kReceiveAllCode = 0x98000001u;
    static constexpr int kInvalidArgumentError = 10022;
    // Refusals that make the capture fall back to the raw socket of protocol TCP:
    // WSAEPROTONOSUPPORT, WSAESOCKTNOSUPPORT, WSAEOPNOTSUPP.
    static bool IsUnsupported(int error) { return error == 10043 || error == 10044 || error == 10045; }

    CaptureEngine(CaptureNetwork& network, CaptureThread& thread, DatagramHandler handler,
                  std::FILE* out = stdout, std::FILE* err = stderr);
    ~CaptureEngine();

    CaptureEngine(const CaptureEngine&) = delete;
    CaptureEngine& operator=(const CaptureEngine&) = delete;

    // Clears the stop flag (unless a capture thread is still running), starts the network stack
    // and appends the host's addresses to interfaceList.
    bool InitCapture();
    bool CollectLocalAddresses(std::vector<std::string>& list);
    // Starts the capture thread on the chosen address; ignored while a capture runs, and when no
    // address is chosen. While a stopped capture is still winding down, the start is kept and
    // carried out by that thread once its loop has ended.
    void StartCapture(const std::string& selection);
    // Stops the capture (and drops a kept start): waits at most five seconds for the thread.
    void OnClose();

    static unsigned long CaptureThreadProc(void* engine);
    bool CaptureLoop();

    const std::vector<std::string>& interfaceList() const { return interfaceList_; }
    const std::string& selectedInterface() const { return selectedInterface_; }
    bool stopRequested() const { return stopRequested_.load(); }
    bool Capturing() { return thread_.Running(); }
    // True while a start waits for a stopped capture to wind down.
    bool RestartPending();
    // True while a capture runs that has not been told to stop, or a kept start waits: a start now
    // would change nothing. After a stop whose wait ran out it is false, though the thread runs.
    bool WillCapture() const;
    unsigned long threadId() const { return threadId_; }

private:
    void Print(std::FILE* stream, const char* format, ...)
#if defined(__GNUC__)
        __attribute__((format(printf, 3, 4)))
#endif
        ;
    void AdoptSocket(CaptureSocket& socket);
    void ReleaseSocket(CaptureSocket& socket);
    void InterruptSocket();
    void GiveBackStartup();
    // Sets the stop flag and drops a kept start.
    void RequestStop();
    // Ends the network start-up the running capture took over, if it took one.
    void EndCaptureStartup();

    CaptureNetwork& network_;
    CaptureThread& thread_;
    DatagramHandler handler_;
    std::FILE* out_;
    std::FILE* err_;

    std::atomic<bool> stopRequested_{false};
    unsigned long threadId_ = 0;
    std::vector<std::string> interfaceList_;
    std::string selectedInterface_;

    bool startupPending_ = false; // a network start-up made by InitCapture that no capture owns yet
    bool captureStartup_ = false; // the running capture took a start-up over and ends it

    // Guards the loop's life and a kept start. loopActive_ is true from a start until the thread
    // has decided, under this lock, to end.
    mutable Mutex controlMutex_;
    bool loopActive_ = false;
    bool restartPending_ = false;
    bool restartStartup_ = false;
    std::string restartSelection_;

    Mutex socketMutex_;
    CaptureSocket* activeSocket_ = nullptr; // the capture thread's socket while it is open
};

} // namespace palisor
