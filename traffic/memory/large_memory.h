#pragma once
// Memory for the traffic engine's large arrays. On Linux a block of 2 MB or more is aligned to
// 2 MB and asks for huge pages, so filling it costs a page fault per 2 MB instead of one per 4 KB,
// and the pages of a block of 64 KB or more are mapped in one call when it is made (each page
// fault is a trip into the system, which costs microseconds on a virtual machine; the arrays
// fill the blocks they ask for, all but the newest of each at once). Elsewhere, and for smaller
// blocks, it is plain aligned memory. Throws std::bad_alloc.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <new>

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace palisor {

constexpr std::size_t kHugePageBytes = std::size_t(2) << 20;
constexpr std::size_t kMappedAtOnceBytes = std::size_t(64) << 10;

#if defined(__linux__)
// Maps the whole pages inside the block now, in one call; a hint, like the huge pages.
inline void MapAtOnce([[maybe_unused]] void* memory, [[maybe_unused]] std::size_t bytes) {
#if defined(MADV_POPULATE_WRITE)
    constexpr std::uintptr_t kPage = 4096;
    const auto start = (reinterpret_cast<std::uintptr_t>(memory) + kPage - 1) & ~(kPage - 1);
    const auto end = (reinterpret_cast<std::uintptr_t>(memory) + bytes) & ~(kPage - 1);
    if (end > start)
        madvise(reinterpret_cast<void*>(start), end - start, MADV_POPULATE_WRITE);
#endif
}
#endif

inline void* AllocateLarge(std::size_t bytes, std::size_t alignment) {
#if defined(__linux__)
    if (bytes >= kHugePageBytes) {
        const std::size_t rounded = (bytes + kHugePageBytes - 1) / kHugePageBytes * kHugePageBytes;
        void* memory = std::aligned_alloc(kHugePageBytes, rounded);
        if (!memory)
            throw std::bad_alloc();
        madvise(memory, rounded, MADV_HUGEPAGE); // a hint: without it the memory is as good
        return memory;
    }
#endif
    void* memory = ::operator new(bytes, std::align_val_t(alignment));
#if defined(__linux__)
    if (bytes >= kMappedAtOnceBytes)
        MapAtOnce(memory, bytes);
#endif
    return memory;
}

// Releases a block of AllocateLarge, given the same size and alignment.
inline void ReleaseLarge(void* memory, [[maybe_unused]] std::size_t bytes, std::size_t alignment) {
    if (!memory)
        return;
#if defined(__linux__)
    if (bytes >= kHugePageBytes) {
        std::free(memory);
        return;
    }
#endif
    ::operator delete(memory, std::align_val_t(alignment));
}

} // namespace palisor
