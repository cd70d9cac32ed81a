#include "traffic/capture/win32_capture_thread.h"

namespace palisor {

Win32CaptureThread::~Win32CaptureThread() {
    Wait(kForever);
    if (handle_)
        CloseHandle(handle_);
}

DWORD WINAPI Win32CaptureThread::ThreadStart(LPVOID self) {
    auto* thread = static_cast<Win32CaptureThread*>(self);
    return static_cast<DWORD>(thread->procedure_(thread->argument_));
}

bool Win32CaptureThread::Start(Procedure procedure, void* argument) {
    if (Running())
        return false;
    if (handle_) {
        CloseHandle(handle_);
        handle_ = nullptr;
    }
    procedure_ = procedure;
    argument_ = argument;
    handle_ = CreateThread(nullptr, 0, &Win32CaptureThread::ThreadStart, this, 0, &id_);
    return handle_ != nullptr;
}

bool Win32CaptureThread::Running() {
    return handle_ && WaitForSingleObject(handle_, 0) == WAIT_TIMEOUT;
}

bool Win32CaptureThread::Wait(unsigned long milliseconds) {
    if (!handle_)
        return true;
    return WaitForSingleObject(handle_, milliseconds == kForever ? INFINITE : milliseconds) == WAIT_OBJECT_0;
}

} // namespace palisor
