#include "traffic/capture/linux_capture_network.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ifaddrs.h>
#include <linux/if_ether.h>
#include <linux/if_packet.h>
#include <net/if.h>
#include <netdb.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cstdint>

namespace palisor {

namespace {

class PacketSocket : public CaptureSocket {
public:
    PacketSocket(int fd, int wake) : fd_(fd), wake_(wake) {}
    ~PacketSocket() override { Close(); }

    int Bind(const std::string& address) override {
        in_addr wanted{};
        if (inet_pton(AF_INET, address.c_str(), &wanted) != 1)
            return EADDRNOTAVAIL;
        ifaddrs* list = nullptr;
        if (getifaddrs(&list) != 0)
            return errno;
        unsigned index = 0;
        for (ifaddrs* entry = list; entry; entry = entry->ifa_next) {
            if (!entry->ifa_addr || entry->ifa_addr->sa_family != AF_INET)
                continue;
            const auto* inet = reinterpret_cast<const sockaddr_in*>(entry->ifa_addr);
            if (inet->sin_addr.s_addr != wanted.s_addr)
                continue;
            index = if_nametoindex(entry->ifa_name);
            loopback_ = (entry->ifa_flags & IFF_LOOPBACK) != 0;
            break;
        }
        freeifaddrs(list);
        if (index == 0)
            return EADDRNOTAVAIL;
        sockaddr_ll link{};
        link.sll_family = AF_PACKET;
        link.sll_protocol = htons(ETH_P_IP);
        link.sll_ifindex = static_cast<int>(index);
        if (bind(fd_, reinterpret_cast<sockaddr*>(&link), sizeof link) != 0)
            return errno;
        interface_ = static_cast<int>(index);
        return 0;
    }

    int EnableReceiveAll() override {
        packet_mreq request{};
        request.mr_ifindex = interface_;
        request.mr_type = PACKET_MR_PROMISC;
        if (setsockopt(fd_, SOL_PACKET, PACKET_ADD_MEMBERSHIP, &request, sizeof request) != 0)
            return errno;
        return 0;
    }

    int Receive(unsigned char* buffer, std::size_t capacity, std::size_t& received) override {
        for (;;) {
            if (interrupted_)
                return EINTR;
            pollfd waits[2] = {{fd_, POLLIN, 0}, {wake_, POLLIN, 0}};
            if (poll(waits, 2, -1) < 0) {
                if (errno == EINTR)
                    continue;
                return errno;
            }
            if (interrupted_ || (waits[1].revents & POLLIN))
                return EINTR;
            sockaddr_ll from{};
            socklen_t fromLength = sizeof from;
            const ssize_t got = recvfrom(fd_, buffer, capacity, MSG_DONTWAIT,
                                         reinterpret_cast<sockaddr*>(&from), &fromLength);
            if (got < 0) {
                if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)
                    continue;
                return errno;
            }
            // Loopback hands every datagram to packet sockets twice, going out and coming in.
            if (loopback_ && from.sll_pkttype == PACKET_OUTGOING)
                continue;
            received = static_cast<std::size_t>(got);
            return 0;
        }
    }

    void Interrupt() override {
        interrupted_ = true;
        const std::uint64_t one = 1;
        if (wake_ >= 0 && write(wake_, &one, sizeof one) < 0) {
            // The flag alone still ends the next wait.
        }
    }

    void Close() override {
        if (fd_ >= 0)
            close(fd_);
        if (wake_ >= 0)
            close(wake_);
        fd_ = wake_ = -1;
    }

private:
    int fd_;
    int wake_;
    int interface_ = 0;
    bool loopback_ = false;
    std::atomic<bool> interrupted_{false};
};

} // namespace

void LinuxCaptureNetwork::AppendHostAddresses(std::vector<std::string>& list) {
    char name[260] = {};
    if (gethostname(name, sizeof name - 1) != 0)
        return;
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* result = nullptr;
    if (getaddrinfo(name, nullptr, &hints, &result) != 0)
        return;
    for (addrinfo* entry = result; entry; entry = entry->ai_next) {
        char text[INET_ADDRSTRLEN] = {};
        const auto* inet = reinterpret_cast<const sockaddr_in*>(entry->ai_addr);
        if (inet_ntop(AF_INET, &inet->sin_addr, text, sizeof text))
            list.emplace_back(text);
    }
    freeaddrinfo(result);
}

std::unique_ptr<CaptureSocket> LinuxCaptureNetwork::CreateRawSocket(int& error) {
    // Protocol 0 receives nothing until the bind names the interface and IPv4, so no datagram of
    // another interface slips in before it.
    const int fd = socket(AF_PACKET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        error = errno;
        return nullptr;
    }
    const int wake = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (wake < 0) {
        error = errno;
        close(fd);
        return nullptr;
    }
    return std::make_unique<PacketSocket>(fd, wake);
}

std::unique_ptr<CaptureSocket> LinuxCaptureNetwork::CreateTcpSocket(int& error) {
    error = EPROTONOSUPPORT;
    return nullptr;
}

unsigned char* LinuxCaptureNetwork::AllocateBuffer(std::size_t size, int& error) {
    auto* buffer = static_cast<unsigned char*>(std::malloc(size));
    if (!buffer)
        error = errno;
    return buffer;
}

void LinuxCaptureNetwork::FreeBuffer(unsigned char* buffer) {
    std::free(buffer);
}

} // namespace palisor
