#include "traffic/capture/scripted_capture_network.h"

#include <chrono>
#include <cstring>

namespace palisor {

struct ScriptedCaptureNetwork::State {
    struct Step {
        int error = 0;
        std::vector<std::uint8_t> datagram;
    };

    Mutex mutex;
    ConditionVariable changed;
    std::deque<Step> steps;
    bool repeating = false;
    std::vector<std::vector<std::uint8_t>> repeated;
    std::size_t nextRepeated = 0;
    bool idle = false;
    bool binding = false;
    Counts counts;
};

namespace {

class ScriptedSocket : public CaptureSocket {
public:
    ScriptedSocket(std::shared_ptr<ScriptedCaptureNetwork::State> state, int bindError, int receiveAllError,
                   bool bindWaits)
        : state_(std::move(state)), bindError_(bindError), receiveAllError_(receiveAllError),
          bindWaits_(bindWaits) {}

    int Bind(const std::string& address) override {
        std::unique_lock<Mutex> lock(state_->mutex);
        state_->counts.boundAddress = address;
        if (bindWaits_) {
            state_->binding = true;
            state_->changed.notify_all();
            state_->changed.wait(lock, [this] { return interrupted_; });
            state_->binding = false;
            return ScriptedCaptureNetwork::kClosedSocketError;
        }
        return bindError_;
    }

    int EnableReceiveAll() override { return receiveAllError_; }

    int Receive(unsigned char* buffer, std::size_t capacity, std::size_t& received) override {
        std::unique_lock<Mutex> lock(state_->mutex);
        ++state_->counts.receives;
        state_->counts.lastCapacity = capacity;
        for (;;) {
            if (interrupted_ || closed_)
                return ScriptedCaptureNetwork::kInterruptedError;
            if (!state_->steps.empty()) {
                ScriptedCaptureNetwork::State::Step step = std::move(state_->steps.front());
                state_->steps.pop_front();
                if (step.error != 0)
                    return step.error;
                return Copy(step.datagram, buffer, capacity, received);
            }
            if (state_->repeating) {
                const std::vector<std::uint8_t>& datagram = state_->repeated[state_->nextRepeated];
                state_->nextRepeated = (state_->nextRepeated + 1) % state_->repeated.size();
                return Copy(datagram, buffer, capacity, received);
            }
            state_->idle = true;
            state_->changed.notify_all();
            state_->changed.wait(lock);
            state_->idle = false;
        }
    }

    void Interrupt() override {
        std::lock_guard<Mutex> lock(state_->mutex);
        interrupted_ = true;
        ++state_->counts.interrupts;
        state_->changed.notify_all();
    }

    void Close() override {
        std::lock_guard<Mutex> lock(state_->mutex);
        closed_ = true;
        ++state_->counts.socketsClosed;
        state_->changed.notify_all();
    }

private:
    static int Copy(const std::vector<std::uint8_t>& datagram, unsigned char* buffer, std::size_t capacity,
                    std::size_t& received) {
        received = datagram.size() < capacity ? datagram.size() : capacity;
        if (received)
            std::memcpy(buffer, datagram.data(), received);
        return 0;
    }

    std::shared_ptr<ScriptedCaptureNetwork::State> state_;
    int bindError_;
    int receiveAllError_;
    bool bindWaits_;
    bool interrupted_ = false;
    bool closed_ = false;
};

} // namespace

ScriptedCaptureNetwork::ScriptedCaptureNetwork() : state_(std::make_shared<State>()) {}

void ScriptedCaptureNetwork::QueueDatagram(std::vector<std::uint8_t> datagram) {
    std::lock_guard<Mutex> lock(state_->mutex);
    state_->steps.push_back(State::Step{0, std::move(datagram)});
    state_->changed.notify_all();
}

void ScriptedCaptureNetwork::QueueReceiveError(int error) {
    std::lock_guard<Mutex> lock(state_->mutex);
    state_->steps.push_back(State::Step{error, {}});
    state_->changed.notify_all();
}

void ScriptedCaptureNetwork::RepeatForever(std::vector<std::uint8_t> datagram) {
    std::vector<std::vector<std::uint8_t>> one;
    one.push_back(std::move(datagram));
    RepeatCycle(std::move(one));
}

void ScriptedCaptureNetwork::RepeatCycle(std::vector<std::vector<std::uint8_t>> datagrams) {
    std::lock_guard<Mutex> lock(state_->mutex);
    state_->repeating = !datagrams.empty();
    state_->repeated = std::move(datagrams);
    state_->nextRepeated = 0;
    state_->changed.notify_all();
}

bool ScriptedCaptureNetwork::WaitUntilBinding(unsigned long milliseconds) {
    std::unique_lock<Mutex> lock(state_->mutex);
    return state_->changed.wait_for(lock, std::chrono::milliseconds(milliseconds),
                                    [this] { return state_->binding; });
}

bool ScriptedCaptureNetwork::WaitUntilIdle(unsigned long milliseconds) {
    std::unique_lock<Mutex> lock(state_->mutex);
    return state_->changed.wait_for(lock, std::chrono::milliseconds(milliseconds),
                                    [this] { return state_->idle && state_->steps.empty(); });
}

ScriptedCaptureNetwork::Counts ScriptedCaptureNetwork::counts() {
    std::lock_guard<Mutex> lock(state_->mutex);
    return state_->counts;
}

int ScriptedCaptureNetwork::Startup() {
    std::lock_guard<Mutex> lock(state_->mutex);
    if (startupResult == 0)
        ++state_->counts.startups;
    return startupResult;
}

void ScriptedCaptureNetwork::Cleanup() {
    std::lock_guard<Mutex> lock(state_->mutex);
    ++state_->counts.cleanups;
}

void ScriptedCaptureNetwork::AppendHostAddresses(std::vector<std::string>& list) {
    list.insert(list.end(), hostAddresses.begin(), hostAddresses.end());
}

std::unique_ptr<CaptureSocket> ScriptedCaptureNetwork::CreateRawSocket(int& error) {
    std::lock_guard<Mutex> lock(state_->mutex);
    if (createError != 0) {
        error = createError;
        return nullptr;
    }
    ++state_->counts.socketsCreated;
    return std::make_unique<ScriptedSocket>(state_, bindError, receiveAllError, bindWaitsForInterrupt);
}

std::unique_ptr<CaptureSocket> ScriptedCaptureNetwork::CreateTcpSocket(int& error) {
    std::lock_guard<Mutex> lock(state_->mutex);
    if (tcpCreateError != 0) {
        error = tcpCreateError;
        return nullptr;
    }
    ++state_->counts.socketsCreated;
    ++state_->counts.tcpSocketsCreated;
    // Receive-all is never asked of this socket.
    return std::make_unique<ScriptedSocket>(state_, tcpBindError, 0, false);
}

unsigned char* ScriptedCaptureNetwork::AllocateBuffer(std::size_t size, int& error) {
    std::lock_guard<Mutex> lock(state_->mutex);
    if (allocationError != 0) {
        error = allocationError;
        return nullptr;
    }
    ++state_->counts.buffersAllocated;
    return new unsigned char[size];
}

void ScriptedCaptureNetwork::FreeBuffer(unsigned char* buffer) {
    std::lock_guard<Mutex> lock(state_->mutex);
    ++state_->counts.buffersFreed;
    delete[] buffer;
}

} // namespace palisor
