#pragma once
// The capture thread on Windows, made with CreateThread. The thread writes only the queued tree and
// sends the window nothing, so a wait for it is a plain wait on its handle.

#include "platform/capture_socket.h"

#include <windows.h>

namespace palisor {

class Win32CaptureThread : public CaptureThread {
public:
    Win32CaptureThread() = default;
    ~Win32CaptureThread() override;

    Win32CaptureThread(const Win32CaptureThread&) = delete;
    Win32CaptureThread& operator=(const Win32CaptureThread&) = delete;

    bool Start(Procedure procedure, void* argument) override;
    bool Running() override;
    bool Wait(unsigned long milliseconds) override;
    unsigned long Id() override { return id_; }
    HANDLE handle() const { return handle_; }

private:
    static DWORD WINAPI ThreadStart(LPVOID self);

    HANDLE handle_ = nullptr;
    DWORD id_ = 0;
    Procedure procedure_ = nullptr;
    void* argument_ = nullptr;
};

} // namespace palisor
