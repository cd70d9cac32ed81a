#include "platform/sync.h"

#include <windows.h>

#include <exception>
#include <memory>
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

Mutex::Mutex() {
    static_assert(sizeof(section_) >= sizeof(CRITICAL_SECTION), "room for a critical section");
    static_assert(alignof(CRITICAL_SECTION) <= 8, "critical section alignment");
    InitializeCriticalSection(Section(section_));
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

ConditionVariable::ConditionVariable() : semaphore_(CreateSemaphoreA(nullptr, 0, 0x7FFFFFFF, nullptr)) {
    if (!semaphore_)
        throw std::system_error(static_cast<int>(GetLastError()), std::system_category(), "CreateSemaphore");
}

ConditionVariable::~ConditionVariable() {
    CloseHandle(semaphore_);
}

unsigned long ConditionVariable::Ticks() {
    return GetTickCount();
}

bool ConditionVariable::WaitMilliseconds(std::unique_lock<Mutex>& lock, unsigned long milliseconds) {
    // Counted while the caller's lock is still held, so a notifier that changed the condition under
    // that lock always finds this waiter.
    {
        std::lock_guard<Mutex> guard(state_);
        ++waiters_;
    }
    lock.unlock();
    const DWORD result = WaitForSingleObject(semaphore_, milliseconds);
    lock.lock();
    std::lock_guard<Mutex> guard(state_);
    --waiters_;
    if (result == WAIT_OBJECT_0) {
        --released_;
        return true;
    }
    return false;
}

void ConditionVariable::notify_one() {
    std::lock_guard<Mutex> guard(state_);
    if (waiters_ > released_) {
        ++released_;
        ReleaseSemaphore(semaphore_, 1, nullptr);
    }
}

void ConditionVariable::notify_all() {
    std::lock_guard<Mutex> guard(state_);
    const long sleeping = waiters_ - released_;
    if (sleeping > 0) {
        released_ += sleeping;
        ReleaseSemaphore(semaphore_, sleeping, nullptr);
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
