#include "traffic/capture_engine.h"

#include <cstdarg>

namespace palisor {

CaptureEngine::CaptureEngine(CaptureNetwork& network, CaptureThread& thread, DatagramHandler handler,
                             std::FILE* out, std::FILE* err)
    : network_(network), thread_(thread), handler_(std::move(handler)), out_(out), err_(err) {}

CaptureEngine::~CaptureEngine() {
    // The thread must be gone before the page's state it works on goes away.
    stopRequested_ = true;
    InterruptSocket();
    thread_.Wait(CaptureThread::kForever);
    GiveBackStartup();
}

void CaptureEngine::GiveBackStartup() {
    if (startupPending_)
        network_.Cleanup();
    startupPending_ = false;
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
    if (!thread_.Running()) {
        stopRequested_ = false;
        threadId_ = 0;
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

void CaptureEngine::StartCapture(const std::string& selection) {
    if (thread_.Running()) {
        GiveBackStartup();
        return;
    }
    selectedInterface_ = selection;
    // With no address there is nothing to bind to; no thread is started.
    if (selectedInterface_.empty()) {
        GiveBackStartup();
        return;
    }
    // The capture loop ends the start-up when it finishes.
    const bool pending = startupPending_;
    startupPending_ = false;
    if (thread_.Start(&CaptureEngine::CaptureThreadProc, this)) {
        threadId_ = thread_.Id();
    } else {
        startupPending_ = pending;
        GiveBackStartup();
    }
}

void CaptureEngine::OnClose() {
    stopRequested_ = true;
    InterruptSocket();
    // Returns at once when no thread runs. A thread that is still busy after the wait is left
    // to end by itself: it sees the stop flag before its next receive, and nothing kills it.
    thread_.Wait(kStopWaitMilliseconds);
}

void CaptureEngine::InterruptSocket() {
    std::lock_guard<std::mutex> lock(socketMutex_);
    if (activeSocket_)
        activeSocket_->Interrupt();
}

void CaptureEngine::ReleaseSocket(CaptureSocket& socket) {
    {
        std::lock_guard<std::mutex> lock(socketMutex_);
        activeSocket_ = nullptr;
    }
    socket.Close();
}

unsigned long CaptureEngine::CaptureThreadProc(void* engine) {
    static_cast<CaptureEngine*>(engine)->CaptureLoop();
    return 0;
}

bool CaptureEngine::CaptureLoop() {
    int error = 0;
    std::unique_ptr<CaptureSocket> socket = network_.CreateRawSocket(error);
    if (!socket) {
        Print(out_, "WSASocket() failed: %d\n", error);
        network_.Cleanup();
        return false;
    }
    {
        std::lock_guard<std::mutex> lock(socketMutex_);
        activeSocket_ = socket.get();
        // A stop that came before the socket existed still releases its first receive.
        if (stopRequested_)
            socket->Interrupt();
    }

    error = socket->Bind(selectedInterface_);
    if (error != 0) {
        Print(out_, "bind() failed: %d\n", error);
        ReleaseSocket(*socket);
        network_.Cleanup();
        return false;
    }
    Print(out_, "Binding to: ");
    Print(out_, "\n");

    error = socket->EnableReceiveAll();
    if (error != 0) {
        Print(out_, "WSAIotcl(0x%x) failed: %d\n", kReceiveAllCode, error);
        if (error == kInvalidArgumentError)
            Print(out_, "NOTE: IPv6 does not currently support the SIO_RCVALL* ioctls\n");
        ReleaseSocket(*socket);
        network_.Cleanup();
        return false;
    }

    unsigned char* buffer = network_.AllocateBuffer(kReceiveBufferSize, error);
    if (!buffer) {
        Print(err_, "HeapAlloc failed: %d\n", error);
        ReleaseSocket(*socket);
        network_.Cleanup();
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
        if (handler_)
            handler_(buffer, received);
    }

    network_.FreeBuffer(buffer);
    ReleaseSocket(*socket);
    network_.Cleanup();
    return true;
}

} // namespace palisor
