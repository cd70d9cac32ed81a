#pragma once
// Writes classic capture files (microsecond, little-endian) from frames made in the test.

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace palisor::testing {

class PcapFileWriter {
public:
    PcapFileWriter(const std::string& path, std::uint32_t linkType) : file_(std::fopen(path.c_str(), "wb")) {
        if (!file_)
            return;
        Put32(0xA1B2C3D4);
        Put16(2);
        Put16(4);
        Put32(0);
        Put32(0);
        Put32(262144);
        Put32(linkType);
    }
    ~PcapFileWriter() { Close(); }

    bool ok() const { return file_ != nullptr; }

    void Write(const std::vector<std::uint8_t>& frame) {
        if (!file_)
            return;
        ++seconds_;
        Put32(seconds_);
        Put32(0);
        Put32(std::uint32_t(frame.size()));
        Put32(std::uint32_t(frame.size()));
        std::fwrite(frame.data(), 1, frame.size(), file_);
    }

    void Close() {
        if (file_)
            std::fclose(file_);
        file_ = nullptr;
    }

    static std::vector<std::uint8_t> Ethernet(const std::vector<std::uint8_t>& datagram,
                                              std::uint16_t type = 0x0800, std::size_t minimum = 60) {
        std::vector<std::uint8_t> frame(14, 0);
        frame[12] = std::uint8_t(type >> 8);
        frame[13] = std::uint8_t(type);
        frame.insert(frame.end(), datagram.begin(), datagram.end());
        if (frame.size() < minimum)
            frame.resize(minimum, 0); // padding the datagram's own length excludes
        return frame;
    }

    static std::vector<std::uint8_t> LinuxCooked(const std::vector<std::uint8_t>& datagram,
                                                 std::uint16_t type = 0x0800) {
        std::vector<std::uint8_t> frame(16, 0);
        frame[14] = std::uint8_t(type >> 8);
        frame[15] = std::uint8_t(type);
        frame.insert(frame.end(), datagram.begin(), datagram.end());
        return frame;
    }

private:
    void Put16(std::uint16_t value) { std::fwrite(&value, 2, 1, file_); }
    void Put32(std::uint32_t value) { std::fwrite(&value, 4, 1, file_); }

    std::FILE* file_;
    std::uint32_t seconds_ = 1700000000;
};

} // namespace palisor::testing
