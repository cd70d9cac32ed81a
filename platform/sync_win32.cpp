#include "platform/sync.h"

#include <windows.h>

#include <exception>
#include <memory>
#include <new>
#include <system_error>

namespace palisor {

namespace {

CRITICAL_SECTION* Section(unsigned char* storage) {
    return reinterpret_cast<CRITICAL_SECTION*>(storage);
}

DWORD WINAPI RunBody(LPVOID parameter) {
    std::unique_ptr<std::function<void()>> body(static_cast<std::function<void()>*>(parameter));
    (*body)();
    return 0;
}

} // namespace

// On a multiprocessor a thread that finds the lock taken tries a little longer before it sleeps;
// on one processor the system skips the spin.
constexpr DWORD kSpinCount = 400;

Mutex::Mutex() {
    static_assert(sizeof(section_) >= sizeof(CRITICAL_SECTION), "room for a critical section");
    static_assert(alignof(CRITICAL_SECTION) <= 8, "critical section alignment");
    // Unlike InitializeCriticalSection, which raises on Windows XP when memory is short, this one
    // says so.
    if (!InitializeCriticalSectionAndSpinCount(Section(section_), kSpinCount))
        throw std::system_error(static_cast<int>(GetLastError()), std::system_category(),
                                "InitializeCriticalSectionAndSpinCount");
}

Mutex::~Mutex() {
    DeleteCriticalSection(Section(section_));
}

void Mutex::lock() {
    EnterCriticalSection(Section(section_));
}

void Mutex::unlock() {
    LeaveCriticalSection(Section(section_));
}

bool Mutex::try_lock() {
    return TryEnterCriticalSection(Section(section_)) != FALSE;
}

ConditionVariable::~ConditionVariable() {
    // Nobody waits on a variable that is going away; only the kept waiters are left.
    while (spare_) {
        Waiter* waiter = spare_;
        spare_ = waiter->next;
        CloseHandle(waiter->event);
        delete waiter;
    }
}

unsigned long ConditionVariable::Ticks() {
    return GetTickCount();
}

ConditionVariable::Waiter* ConditionVariable::TakeWaiter() {
    if (Waiter* waiter = spare_) {
        spare_ = waiter->next;
        // Set by a notification that came after its last wait had timed out.
        ResetEvent(waiter->event);
        waiter->next = nullptr;
        waiter->notified = false;
        return waiter;
    }
    Waiter* waiter = new (std::nothrow) Waiter;
    if (!waiter)
        return nullptr;
    waiter->event = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    if (!waiter->event) {
        delete waiter;
        return nullptr;
    }
    return waiter;
}

void ConditionVariable::Wake(Waiter* waiter) {
    waiter->notified = true;
    waiter->next = nullptr;
    SetEvent(waiter->event);
}

bool ConditionVariable::WaitMilliseconds(std::unique_lock<Mutex>& lock, unsigned long milliseconds) {
    // Queued while the caller's lock is still held, so a notifier that changed the condition under
    // that lock always finds this waiter, and wakes it through its own event.
    Waiter* waiter;
    {
        std::lock_guard<Mutex> guard(state_);
        waiter = TakeWaiter();
        if (waiter) {
            if (last_)
                last_->next = waiter;
            else
                first_ = waiter;
            last_ = waiter;
        }
    }
    if (!waiter) {
        // No event to sleep on (no memory or handles left): a short sleep stands in, which the
        // caller sees as a spurious wake-up and checks its condition again.
        const DWORD nap = milliseconds < 10 ? milliseconds : 10;
        lock.unlock();
        Sleep(nap);
        lock.lock();
        return nap < milliseconds;
    }
    lock.unlock();
    const DWORD result = WaitForSingleObject(waiter->event, milliseconds);
    if (result == WAIT_FAILED)
        Sleep(1); // cannot happen on a live event; if it did, the caller's loop must not spin
    bool notified;
    {
        std::lock_guard<Mutex> guard(state_);
        notified = waiter->notified;
        if (!notified) {
            // The time ran out while it was still queued: it leaves the queue untouched by anyone.
            Waiter* before = nullptr;
            for (Waiter* at = first_; at != waiter; at = at->next)
                before = at;
            (before ? before->next : first_) = waiter->next;
            if (last_ == waiter)
                last_ = before;
        }
        waiter->next = spare_;
        spare_ = waiter;
    }
    lock.lock();
    // A notification that came between the time running out and the look above still counts.
    return notified;
}

void ConditionVariable::notify_one() {
    std::lock_guard<Mutex> guard(state_);
    Waiter* waiter = first_;
    if (!waiter)
        return;
    first_ = waiter->next;
    if (!first_)
        last_ = nullptr;
    Wake(waiter);
}

void ConditionVariable::notify_all() {
    std::lock_guard<Mutex> guard(state_);
    Waiter* waiter = first_;
    first_ = last_ = nullptr;
    while (waiter) {
        Waiter* next = waiter->next;
        Wake(waiter);
        waiter = next;
    }
}

void Thread::Start(std::function<void()>* body) {
    HANDLE handle = CreateThread(nullptr, 0, RunBody, body, 0, nullptr);
    if (!handle) {
        const DWORD error = GetLastError();
        delete body;
        throw std::system_error(static_cast<int>(error), std::system_category(), "CreateThread");
    }
    handle_ = handle;
}

Thread::~Thread() {
    // As with std::thread, a thread that is neither joined nor detached is a fault of the owner.
    if (handle_)
        std::terminate();
}

Thread& Thread::operator=(Thread&& other) noexcept {
    if (this != &other) {
        if (handle_)
            std::terminate();
        handle_ = other.handle_;
        other.handle_ = nullptr;
    }
    return *this;
}

void Thread::join() {
    if (!handle_)
        throw std::system_error(std::make_error_code(std::errc::invalid_argument), "join");
    WaitForSingleObject(handle_, INFINITE);
    CloseHandle(handle_);
    handle_ = nullptr;
}

void Thread::detach() {
    if (!handle_)
        throw std::system_error(std::make_error_code(std::errc::invalid_argument), "detach");
    CloseHandle(handle_);
    handle_ = nullptr;
}

} // namespace palisor
