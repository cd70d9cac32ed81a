#pragma once
// The capture network on Windows: a raw IPv4 socket bound to one local address and switched into
// receive-all mode, read with blocking receives.

#include "platform/capture_socket.h"

namespace palisor {

class WinsockCaptureNetwork : public CaptureNetwork {
public:
    int Startup() override;
    void Cleanup() override;
    void AppendHostAddresses(std::vector<std::string>& list) override;
    std::unique_ptr<CaptureSocket> CreateRawSocket(int& error) override;
    unsigned char* AllocateBuffer(std::size_t size, int& error) override;
    void FreeBuffer(unsigned char* buffer) override;
};

} // namespace palisor
