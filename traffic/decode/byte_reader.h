#pragma once
// Bounds-checked big-endian reads from a received datagram. No structure is ever laid over the
// buffer: every field is read byte by byte, and a read past the end reports failure instead.

#include <cstddef>
#include <cstdint>

namespace palisor {

class ByteReader {
public:
    ByteReader(const unsigned char* data, std::size_t size) : data_(data), size_(size) {}

    std::size_t size() const { return size_; }
    const unsigned char* data() const { return data_; }

    bool U8(std::size_t offset, std::uint8_t& out) const {
        if (offset >= size_)
            return false;
        out = data_[offset];
        return true;
    }

    bool U16(std::size_t offset, std::uint16_t& out) const {
        if (!Fits(offset, 2))
            return false;
        out = static_cast<std::uint16_t>((data_[offset] << 8) | data_[offset + 1]);
        return true;
    }

    bool U32(std::size_t offset, std::uint32_t& out) const {
        if (!Fits(offset, 4))
            return false;
        out = (std::uint32_t(data_[offset]) << 24) | (std::uint32_t(data_[offset + 1]) << 16) |
              (std::uint32_t(data_[offset + 2]) << 8) | std::uint32_t(data_[offset + 3]);
        return true;
    }

    // The bytes from offset to the end; empty when offset lies beyond it.
    ByteReader From(std::size_t offset) const {
        if (offset >= size_)
            return ByteReader(data_ + size_, 0);
        return ByteReader(data_ + offset, size_ - offset);
    }

private:
    bool Fits(std::size_t offset, std::size_t width) const {
        return offset <= size_ && size_ - offset >= width;
    }

    const unsigned char* data_;
    std::size_t size_;
};

} // namespace palisor
