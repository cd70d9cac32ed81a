#pragma once
// An array that grows in chunks, each twice the size of the one before: what it holds never moves,
// so growing copies nothing, a reference to an element stays valid for the array's life, and a
// small array costs little. Element i is found with a bit scan, a shift and one load for the
// chunk's address. On Linux chunks of 2 MB and more ask for huge pages, so a large array costs a
// page fault per 2 MB instead of one per 4 KB.

#include "traffic/memory/large_memory.h"

#include <cstddef>
#include <cstdint>
#include <new>
#include <utility>

namespace palisor {

template <typename T, unsigned kFirstBits = 6> class ChunkedArray {
public:
    static constexpr std::size_t kFirst = std::size_t(1) << kFirstBits;

    ChunkedArray() = default;
    ChunkedArray(const ChunkedArray&) = delete;
    ChunkedArray& operator=(const ChunkedArray&) = delete;
    ~ChunkedArray() {
        for (std::size_t i = 0; i < size_; ++i)
            (*this)[i].~T();
        for (unsigned k = 0; k < chunkCount_; ++k)
            Release(chunks_[k], ChunkBytes(k));
    }

    std::size_t size() const { return size_; }
    T& operator[](std::size_t i) { return chunks_[ChunkOf(i)][i - ChunkStart(ChunkOf(i))]; }
    const T& operator[](std::size_t i) const { return chunks_[ChunkOf(i)][i - ChunkStart(ChunkOf(i))]; }

    // Adds one default-made element and returns its index; may throw, and then changes nothing.
    std::size_t Grow() {
        if (size_ == capacity_) {
            if (chunkCount_ == kMaxChunks)
                throw std::bad_alloc();
            chunks_[chunkCount_] = static_cast<T*>(Allocate(ChunkBytes(chunkCount_)));
            capacity_ += kFirst << chunkCount_;
            ++chunkCount_;
        }
        new (&(*this)[size_]) T();
        return size_++;
    }

    // The index of the element at this address, or size() when it is not one of ours.
    std::size_t IndexOf(const void* address) const {
        const auto at = reinterpret_cast<std::uintptr_t>(address);
        for (unsigned k = 0; k < chunkCount_; ++k) {
            const auto first = reinterpret_cast<std::uintptr_t>(chunks_[k]);
            if (at >= first && at - first < ChunkBytes(k) && (at - first) % sizeof(T) == 0) {
                const std::size_t i = ChunkStart(k) + std::size_t(at - first) / sizeof(T);
                return i < size_ ? i : size_;
            }
        }
        return size_;
    }

private:
    static constexpr unsigned kMaxChunks = 40;
    static constexpr std::size_t kAlign = alignof(T) > 64 ? alignof(T) : 64;

    static unsigned ChunkOf(std::size_t i) {
        const unsigned long long q = (i >> kFirstBits) + 1;
        return unsigned(63 - __builtin_clzll(q));
    }
    static std::size_t ChunkStart(unsigned k) { return kFirst * ((std::size_t(1) << k) - 1); }
    static std::size_t ChunkBytes(unsigned k) { return sizeof(T) * (kFirst << k); }

    static void* Allocate(std::size_t bytes) { return AllocateLarge(bytes, kAlign); }
    static void Release(void* memory, std::size_t bytes) { ReleaseLarge(memory, bytes, kAlign); }

    T* chunks_[kMaxChunks] = {};
    unsigned chunkCount_ = 0;
    std::size_t size_ = 0;
    std::size_t capacity_ = 0;
};

} // namespace palisor
