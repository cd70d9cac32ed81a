#pragma once
// Writes classic capture files (microsecond, little-endian) from frames made in the test.

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace palisor::testing {

class PcapFileWriter {
public:
    enum class Format { Classic, Next };

    PcapFileWriter(const std::string& path, std::uint32_t linkType, Format format = Format::Classic)
        : file_(std::fopen(path.c_str(), "wb")), format_(format) {
        if (!file_)
            return;
        if (format_ == Format::Next) {
            // Section header block, then one interface description block.
            Put32(0x0A0D0D0A);
            Put32(28);
            Put32(0x1A2B3C4D);
            Put16(1);
            Put16(0);
            Put32(0xFFFFFFFF);
            Put32(0xFFFFFFFF);
            Put32(28);
            Put32(1);
            Put32(20);
            Put16(std::uint16_t(linkType));
            Put16(0);
            Put32(262144);
            Put32(20);
            return;
        }
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
        if (format_ == Format::Next) {
            // Enhanced packet block, data padded to 32 bits.
            const std::uint32_t padded = (std::uint32_t(frame.size()) + 3) & ~3u;
            Put32(6);
            Put32(32 + padded);
            Put32(0);
            const std::uint64_t micros = std::uint64_t(seconds_) * 1000000;
            Put32(std::uint32_t(micros >> 32));
            Put32(std::uint32_t(micros));
            Put32(std::uint32_t(frame.size()));
            Put32(std::uint32_t(frame.size()));
            std::fwrite(frame.data(), 1, frame.size(), file_);
            for (std::uint32_t i = std::uint32_t(frame.size()); i < padded; ++i)
                std::fputc(0, file_);
            Put32(32 + padded);
            return;
        }
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
    Format format_;
    std::uint32_t seconds_ = 1700000000;
};

} // namespace palisor::testing
