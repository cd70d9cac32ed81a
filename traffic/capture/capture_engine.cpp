#include "traffic/capture/capture_engine.h"

#include <cstdarg>
#include <new>

namespace palisor {

CaptureEngine::CaptureEngine(CaptureNetwork& network, CaptureThread& thread, DatagramHandler handler,
                             std::FILE* out, std::FILE* err)
    : network_(network), thread_(thread), handler_(std::move(handler)), out_(out), err_(err) {}

CaptureEngine::~CaptureEngine() {
    // The thread must be gone before the page's state it works on goes away.
    RequestStop();
    InterruptSocket();
    thread_.Wait(CaptureThread::kForever);
    GiveBackStartup();
}

void CaptureEngine::GiveBackStartup() {
    if (startupPending_)
        network_.Cleanup();
    startupPending_ = false;
}

void CaptureEngine::RequestStop() {
    bool startup = false;
    {
        // Under the lock, so that a thread about to capture again for a kept start either has
        // done so before the flag is set or finds no kept start.
        std::lock_guard<Mutex> lock(controlMutex_);
        stopRequested_ = true;
        if (restartPending_)
            startup = restartStartup_;
        restartPending_ = false;
        restartStartup_ = false;
    }
    if (startup)
        network_.Cleanup();
}

void CaptureEngine::EndCaptureStartup() {
    // Only a start-up that succeeded is ended: "On" starts a capture even after InitCapture failed.
    if (captureStartup_)
        network_.Cleanup();
    captureStartup_ = false;
}

void CaptureEngine::Print(std::FILE* stream, const char* format, ...) {
    if (!stream)
        return;
    va_list args;
    va_start(args, format);
    std::vfprintf(stream, format, args);
    va_end(args);
    std::fflush(stream);
}

bool CaptureEngine::InitCapture() {
    // A thread that has not yet ended keeps its stop request, or it would start capturing again.
    {
        std::lock_guard<Mutex> lock(controlMutex_);
        if (!loopActive_) {
            stopRequested_ = false;
            threadId_ = 0;
        }
    }
    const int result = network_.Startup();
    if (result != 0) {
        Print(out_, "WSAStartup() failed: %d\n", result);
        return false;
    }
    // A start-up that no capture took over is given back, so that each one is ended exactly once.
    GiveBackStartup();
    startupPending_ = true;
    CollectLocalAddresses(interfaceList_);
    return true;
}

bool CaptureEngine::CollectLocalAddresses(std::vector<std::string>& list) {
    network_.AppendHostAddresses(list);
    return true;
}

bool CaptureEngine::RestartPending() {
    std::lock_guard<Mutex> lock(controlMutex_);
    return restartPending_;
}

bool CaptureEngine::WillCapture() const {
    std::lock_guard<Mutex> lock(controlMutex_);
    return (loopActive_ && !stopRequested_) || restartPending_;
}

void CaptureEngine::StartCapture(const std::string& selection) {
    {
        std::lock_guard<Mutex> lock(controlMutex_);
        if (loopActive_) {
            // A capture that was told to stop but has not yet ended (its stop's wait ran out) would
            // swallow this start; it is kept instead, and the thread captures again once its loop
            // has ended. A start while a capture runs is ignored.
            if (stopRequested_ && !selection.empty()) {
                const bool previous = restartPending_ && restartStartup_;
                restartPending_ = true;
                restartSelection_ = selection;
                restartStartup_ = startupPending_;
                startupPending_ = false;
                if (previous)
                    network_.Cleanup();
                return;
            }
            GiveBackStartup();
            return;
        }
    }
    // A thread that has left its loop is only returning; collect it before starting the next.
    thread_.Wait(CaptureThread::kForever);
    selectedInterface_ = selection;
    // With no address there is nothing to bind to; no thread is started.
    if (selectedInterface_.empty()) {
        GiveBackStartup();
        return;
    }
    // The capture loop ends the start-up when it finishes.
    captureStartup_ = startupPending_;
    startupPending_ = false;
    {
        // A stop meant for a loop that has ended since InitCapture kept the flag is not this
        // capture's: the new thread would otherwise skip its bind and end at once.
        std::lock_guard<Mutex> lock(controlMutex_);
        stopRequested_ = false;
        loopActive_ = true;
    }
    if (thread_.Start(&CaptureEngine::CaptureThreadProc, this)) {
        threadId_ = thread_.Id();
    } else {
        {
            std::lock_guard<Mutex> lock(controlMutex_);
            loopActive_ = false;
        }
        startupPending_ = captureStartup_;
        captureStartup_ = false;
        GiveBackStartup();
    }
}

void CaptureEngine::OnClose() {
    RequestStop();
    InterruptSocket();
    // Returns at once when no thread runs. A thread that is still busy after the wait is left
    // to end by itself: it sees the stop flag before its next receive, and nothing kills it.
    thread_.Wait(kStopWaitMilliseconds);
}

void CaptureEngine::InterruptSocket() {
    std::lock_guard<Mutex> lock(socketMutex_);
    if (activeSocket_)
        activeSocket_->Interrupt();
}

void CaptureEngine::AdoptSocket(CaptureSocket& socket) {
    std::lock_guard<Mutex> lock(socketMutex_);
    activeSocket_ = &socket;
    // A stop that came before the socket existed still releases its first receive.
    if (stopRequested_)
        socket.Interrupt();
}

void CaptureEngine::ReleaseSocket(CaptureSocket& socket) {
    {
        std::lock_guard<Mutex> lock(socketMutex_);
        activeSocket_ = nullptr;
    }
    socket.Close();
}

unsigned long CaptureEngine::CaptureThreadProc(void* argument) {
    auto* engine = static_cast<CaptureEngine*>(argument);
    for (;;) {
        engine->CaptureLoop();
        std::lock_guard<Mutex> lock(engine->controlMutex_);
        if (!engine->restartPending_) {
            engine->loopActive_ = false;
            break;
        }
        // "On" came while this loop was winding down: capture again, on the address it chose.
        engine->restartPending_ = false;
        engine->stopRequested_ = false;
        engine->selectedInterface_ = engine->restartSelection_;
        engine->captureStartup_ = engine->restartStartup_;
        engine->restartStartup_ = false;
    }
    return 0;
}

bool CaptureEngine::CaptureLoop() {
    int error = 0;
    std::unique_ptr<CaptureSocket> socket = network_.CreateRawSocket(error);
    bool fallback = false;
    if (!socket) {
        Print(out_, "WSASocket() failed: %d\n", error);
        if (!IsUnsupported(error) || stopRequested_) {
            EndCaptureStartup();
            return false;
        }
        fallback = true;
    } else {
        AdoptSocket(*socket);
        // A failure caused by the stop closing the socket is no failure: it writes no line.
        error = stopRequested_ ? 0 : socket->Bind(selectedInterface_);
        if (error != 0 || stopRequested_) {
            if (!stopRequested_)
                Print(out_, "bind() failed: %d\n", error);
            ReleaseSocket(*socket);
            EndCaptureStartup();
            return false;
        }
        Print(out_, "Binding to: ");
        Print(out_, "\n");

        error = socket->EnableReceiveAll();
        if (error != 0 || stopRequested_) {
            if (!stopRequested_) {
                Print(out_, "WSAIotcl(0x%x) failed: %d\n", kReceiveAllCode, error);
                if (error == kInvalidArgumentError)
                    Print(out_, "NOTE: IPv6 does not currently support the SIO_RCVALL* ioctls\n");
            }
            ReleaseSocket(*socket);
            socket.reset();
            if (!IsUnsupported(error) || stopRequested_) {
                EndCaptureStartup();
                return false;
            }
            fallback = true;
        }
    }

    if (fallback) {
        socket = network_.CreateTcpSocket(error);
        if (!socket) {
            Print(out_, "WSASocket() failed: %d\n", error);
            EndCaptureStartup();
            return false;
        }
        AdoptSocket(*socket);
        error = stopRequested_ ? 0 : socket->Bind(selectedInterface_);
        if (error != 0 || stopRequested_) {
            if (!stopRequested_)
                Print(out_, "bind() failed: %d\n", error);
            ReleaseSocket(*socket);
            EndCaptureStartup();
            return false;
        }
        Print(out_,
              "Receive-all is not supported here: capturing the TCP traffic of %s through a raw TCP socket\n",
              selectedInterface_.c_str());
    }

    unsigned char* buffer = network_.AllocateBuffer(kReceiveBufferSize, error);
    if (!buffer) {
        Print(err_, "HeapAlloc failed: %d\n", error);
        ReleaseSocket(*socket);
        EndCaptureStartup();
        return false;
    }

    while (!stopRequested_) {
        std::size_t received = 0;
        error = socket->Receive(buffer, kReceiveBufferSize, received);
        if (error != 0) {
            // A receive released by the stop is no failure.
            if (!stopRequested_)
                Print(out_, "WSARecv() failed: %d\n", error);
            break;
        }
        if (received > kReceiveBufferSize)
            received = kReceiveBufferSize;
        if (!handler_)
            continue;
        try {
            handler_(buffer, received);
        } catch (const std::bad_alloc&) {
            // The decoder keeps what it holds consistent; the capture ends, the program goes on.
            Print(err_, "Out of memory: the capture has ended\n");
            break;
        }
    }

    network_.FreeBuffer(buffer);
    ReleaseSocket(*socket);
    EndCaptureStartup();
    return true;
}

} // namespace palisor
