#include "traffic/capture/winsock_capture_network.h"
#include "platform/sync.h"

#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>

#include <cstring>

namespace palisor {

namespace {

constexpr DWORD kReceiveAll = 0x98000001; // SIO_RCVALL
constexpr DWORD kReceiveAllOn = 1;        // RCVALL_ON

class WinsockSocket : public CaptureSocket {
public:
    explicit WinsockSocket(SOCKET socket) : socket_(socket) {}
    ~WinsockSocket() override { Close(); }

    int Bind(const std::string& address) override {
        sockaddr_in local;
        std::memset(&local, 0, sizeof local);
        local.sin_family = AF_INET;
        local.sin_port = 0;
        local.sin_addr.s_addr = inet_addr(address.c_str());
        if (bind(socket_, reinterpret_cast<const sockaddr*>(&local), sizeof local) == SOCKET_ERROR)
            return WSAGetLastError();
        return 0;
    }

    int EnableReceiveAll() override {
        DWORD on = kReceiveAllOn;
        DWORD returned = 0;
        if (WSAIoctl(socket_, kReceiveAll, &on, sizeof on, nullptr, 0, &returned, nullptr, nullptr) ==
            SOCKET_ERROR)
            return WSAGetLastError();
        return 0;
    }

    int Receive(unsigned char* buffer, std::size_t capacity, std::size_t& received) override {
        WSABUF chunk;
        chunk.len = static_cast<ULONG>(capacity);
        chunk.buf = reinterpret_cast<char*>(buffer);
        DWORD bytes = 0;
        DWORD flags = 0;
        // No overlapped structure: the call blocks until a datagram arrives or the socket closes.
        if (WSARecv(socket_, &chunk, 1, &bytes, &flags, nullptr, nullptr) == SOCKET_ERROR)
            return WSAGetLastError();
        received = bytes;
        return 0;
    }

    void Interrupt() override {
        // Closing the socket is what releases a blocked receive on another thread. A receive that
        // starts after this fails at once on the closed handle; the program makes no other sockets
        // whose handle could take its place.
        std::lock_guard<Mutex> lock(mutex_);
        if (!closed_) {
            closesocket(socket_);
            closed_ = true;
        }
    }

    void Close() override { Interrupt(); }

private:
    Mutex mutex_;
    SOCKET socket_;
    bool closed_ = false;
};

} // namespace

int WinsockCaptureNetwork::Startup() {
    WSADATA data;
    return WSAStartup(MAKEWORD(2, 2), &data);
}

void WinsockCaptureNetwork::Cleanup() {
    WSACleanup();
}

void WinsockCaptureNetwork::AppendHostAddresses(std::vector<std::string>& list) {
    char name[260] = {};
    if (gethostname(name, sizeof name) == SOCKET_ERROR)
        return;
    const hostent* host = gethostbyname(name);
    if (!host || !host->h_addr_list)
        return;
    for (int i = 0; host->h_addr_list[i]; ++i) {
        in_addr address;
        std::memcpy(&address, host->h_addr_list[i], sizeof address);
        list.emplace_back(inet_ntoa(address));
    }
}

namespace {

std::unique_ptr<CaptureSocket> OpenRawSocket(int protocol, int& error) {
    const SOCKET socket = WSASocketA(AF_INET, SOCK_RAW, protocol, nullptr, 0, WSA_FLAG_OVERLAPPED);
    if (socket == INVALID_SOCKET) {
        error = WSAGetLastError();
        return nullptr;
    }
    return std::make_unique<WinsockSocket>(socket);
}

} // namespace

std::unique_ptr<CaptureSocket> WinsockCaptureNetwork::CreateRawSocket(int& error) {
    return OpenRawSocket(0, error);
}

std::unique_ptr<CaptureSocket> WinsockCaptureNetwork::CreateTcpSocket(int& error) {
    // A raw IPv4 socket hands over each datagram with its IP header, so the capture loop and the
    // decoder see the same datagrams as through receive-all, only fewer of them.
    return OpenRawSocket(IPPROTO_TCP, error);
}

unsigned char* WinsockCaptureNetwork::AllocateBuffer(std::size_t size, int& error) {
    void* buffer = HeapAlloc(GetProcessHeap(), 0, size);
    if (!buffer)
        error = static_cast<int>(GetLastError());
    return static_cast<unsigned char*>(buffer);
}

void WinsockCaptureNetwork::FreeBuffer(unsigned char* buffer) {
    HeapFree(GetProcessHeap(), 0, buffer);
}

} // namespace palisor
