#include "traffic/capture/std_capture_thread.h"

#include <chrono>
#include <system_error>

namespace palisor {

StdCaptureThread::~StdCaptureThread() {
    Wait(kForever);
}

bool StdCaptureThread::Start(Procedure procedure, void* argument) {
    std::unique_lock<Mutex> lock(mutex_);
    if (running_)
        return false;
    if (thread_.joinable()) {
        // The earlier thread has returned from its procedure; collect it.
        Thread ended = std::move(thread_);
        lock.unlock();
        ended.join();
        lock.lock();
    }
    running_ = true;
    id_ = nextId_++;
    try {
        thread_ = Thread([this, procedure, argument] {
            procedure(argument);
            std::lock_guard<Mutex> done(mutex_);
            running_ = false;
            ended_.notify_all();
        });
    } catch (const std::system_error&) {
        running_ = false;
        return false;
    }
    return true;
}

bool StdCaptureThread::Running() {
    std::lock_guard<Mutex> lock(mutex_);
    return running_;
}

bool StdCaptureThread::Wait(unsigned long milliseconds) {
    std::unique_lock<Mutex> lock(mutex_);
    if (milliseconds == kForever)
        ended_.wait(lock, [this] { return !running_; });
    else if (!ended_.wait_for(lock, std::chrono::milliseconds(milliseconds), [this] { return !running_; }))
        return false;
    if (thread_.joinable()) {
        Thread ended = std::move(thread_);
        lock.unlock();
        ended.join();
    }
    return true;
}

unsigned long StdCaptureThread::Id() {
    std::lock_guard<Mutex> lock(mutex_);
    return id_;
}

} // namespace palisor
