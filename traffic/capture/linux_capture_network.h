#pragma once
// The capture network on Linux: a packet socket on the interface that holds the chosen address,
// in promiscuous mode, delivering whole IPv4 datagrams. Needs root (or CAP_NET_RAW).

#include "platform/capture_socket.h"

namespace palisor {

class LinuxCaptureNetwork : public CaptureNetwork {
public:
    int Startup() override { return 0; }
    void Cleanup() override {}
    void AppendHostAddresses(std::vector<std::string>& list) override;
    std::unique_ptr<CaptureSocket> CreateRawSocket(int& error) override;
    // The packet socket is never refused as unsupported, so nothing here falls back to this.
    std::unique_ptr<CaptureSocket> CreateTcpSocket(int& error) override;
    unsigned char* AllocateBuffer(std::size_t size, int& error) override;
    void FreeBuffer(unsigned char* buffer) override;
};

} // namespace palisor
