#pragma once
// The capture thread on the standard library's threads, for builds whose tree needs no message
// serving while the stop waits (tests, tools, Linux).

#include "platform/capture_socket.h"
#include "platform/sync.h"

namespace palisor {

class StdCaptureThread : public CaptureThread {
public:
    ~StdCaptureThread() override;

    bool Start(Procedure procedure, void* argument) override;
    bool Running() override;
    bool Wait(unsigned long milliseconds) override;
    unsigned long Id() override;

private:
    Mutex mutex_;
    ConditionVariable ended_;
    Thread thread_;
    bool running_ = false;
    unsigned long id_ = 0;
    unsigned long nextId_ = 1;
};

} // namespace palisor
