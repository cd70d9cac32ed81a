#pragma once
// Threads, locks and waits for code that runs on both sides. Natively they are the standard
// library's. The Windows builds use the toolchain's win32 thread model, whose standard library has
// no threads, mutexes or condition variables, so there they are built on what Windows XP already
// offers: critical sections, semaphores and CreateThread.

#if !defined(_WIN32)

#include <condition_variable>
#include <mutex>
#include <thread>

namespace palisor {

using Mutex = std::mutex;
using ConditionVariable = std::condition_variable;
using Thread = std::thread;

} // namespace palisor

#else

#include <chrono>
#include <functional>
#include <mutex> // std::lock_guard and std::unique_lock work with any lockable type

namespace palisor {

class Mutex {
public:
    Mutex();
    ~Mutex();
    Mutex(const Mutex&) = delete;
    Mutex& operator=(const Mutex&) = delete;

    void lock();
    void unlock();
    bool try_lock();

private:
    // A CRITICAL_SECTION lives here (40 bytes on x64, 24 on x86), so no header needs <windows.h>.
    alignas(8) unsigned char section_[48];
};

// Wakes may be spurious, as with the standard condition variable: waiters check their condition.
// Timed waits take a condition, the form both sides share.
//
// Each waiter sleeps on an event of its own, queued in the order the waiters came. A notification
// takes waiters off the queue and sets their events, so it reaches exactly the threads that were
// waiting when it was made: a thread that starts waiting afterwards cannot take it from them.
class ConditionVariable {
public:
    ConditionVariable() = default;
    ~ConditionVariable();
    ConditionVariable(const ConditionVariable&) = delete;
    ConditionVariable& operator=(const ConditionVariable&) = delete;

    void notify_one();
    void notify_all();

    void wait(std::unique_lock<Mutex>& lock) { WaitMilliseconds(lock, kForever); }
    template <class Predicate> void wait(std::unique_lock<Mutex>& lock, Predicate ready) {
        while (!ready())
            wait(lock);
    }
    template <class Rep, class Period, class Predicate>
    bool wait_for(std::unique_lock<Mutex>& lock, const std::chrono::duration<Rep, Period>& timeout,
                  Predicate ready) {
        const unsigned long total = Milliseconds(timeout);
        const unsigned long start = Ticks();
        while (!ready()) {
            const unsigned long spent = Ticks() - start;
            if (spent >= total)
                return ready();
            WaitMilliseconds(lock, total - spent);
        }
        return true;
    }

private:
    static constexpr unsigned long kForever = 0xFFFFFFFFul;
    template <class Rep, class Period>
    static unsigned long Milliseconds(const std::chrono::duration<Rep, Period>& timeout) {
        const auto ms = std::chrono::ceil<std::chrono::milliseconds>(timeout).count();
        if (ms <= 0)
            return 0;
        return ms >= static_cast<decltype(ms)>(kForever) ? kForever - 1 : static_cast<unsigned long>(ms);
    }
    static unsigned long Ticks();
    // True when woken by a notification (or spuriously), false when the time ran out.
    bool WaitMilliseconds(std::unique_lock<Mutex>& lock, unsigned long milliseconds);

    struct Waiter {
        void* event = nullptr; // manual-reset, cleared when the waiter is taken from the pool
        Waiter* next = nullptr;
        bool notified = false;
    };
    Waiter* TakeWaiter();
    void Wake(Waiter* waiter);

    Mutex state_;             // guards everything below
    Waiter* first_ = nullptr; // the queue of sleeping waiters, oldest first
    Waiter* last_ = nullptr;
    Waiter* spare_ = nullptr; // waiters (with their events) kept for the next waits
};

class Thread {
public:
    Thread() = default;
    template <class Body, class = std::enable_if_t<!std::is_same_v<std::decay_t<Body>, Thread>>>
    explicit Thread(Body&& body) {
        Start(new std::function<void()>(std::forward<Body>(body)));
    }
    ~Thread();
    Thread(Thread&& other) noexcept : handle_(other.handle_) { other.handle_ = nullptr; }
    Thread& operator=(Thread&& other) noexcept;
    Thread(const Thread&) = delete;
    Thread& operator=(const Thread&) = delete;

    bool joinable() const { return handle_ != nullptr; }
    void join();
    void detach();

private:
    // Takes the body; throws std::system_error when no thread can be made.
    void Start(std::function<void()>* body);

    void* handle_ = nullptr;
};

} // namespace palisor

#endif
