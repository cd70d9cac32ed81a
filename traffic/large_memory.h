#pragma once
// Memory for the traffic engine's large arrays. On Linux a block of 2 MB or more is aligned to
// 2 MB and asks for huge pages, so filling it costs a page fault per 2 MB instead of one per 4 KB;
// elsewhere, and for smaller blocks, it is plain aligned memory. Throws std::bad_alloc.

#include <cstddef>
#include <cstdlib>
#include <new>

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace palisor {

constexpr std::size_t kHugePageBytes = std::size_t(2) << 20;

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
    return ::operator new(bytes, std::align_val_t(alignment));
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
