#pragma once
// The capture network on Windows: a raw IPv4 socket bound to one local address and switched into
// receive-all mode, read with blocking receives. Where that is refused as unsupported (Wine refuses
// protocol 0), a raw socket of protocol TCP on the same address sees that address's TCP traffic.

#include "platform/capture_socket.h"

namespace palisor {

class WinsockCaptureNetwork : public CaptureNetwork {
public:
    int Startup() override;
    void Cleanup() override;
    void AppendHostAddresses(std::vector<std::string>& list) override;
    std::unique_ptr<CaptureSocket> CreateRawSocket(int& error) override;
    std::unique_ptr<CaptureSocket> CreateTcpSocket(int& error) override;
    unsigned char* AllocateBuffer(std::size_t size, int& error) override;
    void FreeBuffer(unsigned char* buffer) override;
};

} // namespace palisor
