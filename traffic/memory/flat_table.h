#pragma once
// The hash tables behind the traffic engine's indexes: open addressing with linear probing over
// one flat array of cache-line aligned slots. A lookup touches the slot its hash names and, rarely,
// the few after it, so its cost does not depend on how many keys the table holds and a lookup of a
// key the caches no longer hold costs one or two misses. The table grows by doubling at half
// occupancy; an erase shifts the following slots back instead of leaving tombstones.
//
// Values are moved when the table grows and when an erase shifts slots; the caller's "relocated"
// callback sees each value at its new place, so whatever points at it can be brought up to date.

#include "traffic/memory/large_memory.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <new>
#include <utility>

namespace palisor {

// The finalizer of MurmurHash3: every input bit reaches every output bit.
inline std::uint64_t MixHash(std::uint64_t h) {
    h ^= h >> 33;
    h *= 0xff51afd7ed558ccdULL;
    h ^= h >> 33;
    h *= 0xc4ceb9fe1a85ec53ULL;
    h ^= h >> 33;
    return h;
}

// Hash of a byte string, eight bytes at a time, chained through seed. A table seeds its keys with
// a value chosen per process, so traffic cannot be shaped to pile its keys onto one probe run.
inline std::uint64_t HashBytes(const void* data, std::size_t size, std::uint64_t seed = 0) {
    const auto* bytes = static_cast<const unsigned char*>(data);
    const std::size_t whole = size;
    std::uint64_t h = seed ^ (size * 0x9e3779b97f4a7c15ULL);
    while (size >= 8) {
        std::uint64_t word = 0;
        std::memcpy(&word, bytes, 8);
        h = (h ^ MixHash(word ^ seed)) * 0x9fb21c651e98df25ULL;
        bytes += 8;
        size -= 8;
    }
    // The last 1 to 7 bytes, read with fixed-size loads (every byte lands in the word).
    std::uint64_t tail = 0;
    if (size != 0) {
        if (whole >= 8) {
            std::memcpy(&tail, bytes + size - 8, 8);
            tail >>= (8 - size) * 8;
        } else if (size >= 4) {
            std::uint32_t low = 0;
            std::uint32_t high = 0;
            std::memcpy(&low, bytes, 4);
            std::memcpy(&high, bytes + size - 4, 4);
            tail = low | (std::uint64_t(high) << 32);
        } else {
            tail = bytes[0] | (std::uint64_t(bytes[size / 2]) << 8) | (std::uint64_t(bytes[size - 1]) << 16);
        }
    }
    return MixHash(h ^ tail ^ (std::uint64_t(size) << 59));
}

// A seed for HashBytes that differs from process to process (address-space layout and clock).
std::uint64_t ProcessHashSeed();

template <typename Value> class FlatTable {
public:
    // A small value (an index into storage kept elsewhere) makes a 16-byte slot, four to a cache
    // line; a larger one gets a cache line of its own.
    struct alignas(sizeof(Value) <= 8 ? 16 : 64) Slot {
        std::uint64_t hash = 0; // 0: the slot is free
        Value value{};
    };

    FlatTable() = default;
    FlatTable(const FlatTable&) = delete;
    FlatTable& operator=(const FlatTable&) = delete;
    ~FlatTable() { Destroy(slots_, capacity_, capacity_); }

    std::size_t size() const { return size_; }
    std::size_t capacity() const { return capacity_; }

    // The slot whose value matches, among those stored under this hash; null if none.
    template <typename Match> Slot* Find(std::uint64_t hash, Match&& match) {
        if (!slots_)
            return nullptr;
        hash = Tag(hash);
        for (std::size_t i = hash & mask_;; i = (i + 1) & mask_) {
            Slot& slot = slots_[i];
            if (slot.hash == 0)
                return nullptr;
            if (slot.hash == hash && match(static_cast<const Value&>(slot.value)))
                return &slot;
        }
    }

    // Stores a value the table does not hold yet. The table may grow first, moving every value.
    template <typename Relocated> Slot* Insert(std::uint64_t hash, Value&& value, Relocated&& relocated) {
        if ((size_ + 1) * 2 > capacity_)
            Grow(relocated);
        hash = Tag(hash);
        std::size_t i = hash & mask_;
        while (slots_[i].hash != 0)
            i = (i + 1) & mask_;
        slots_[i].hash = hash;
        slots_[i].value = std::move(value);
        ++size_;
        return &slots_[i];
    }

    // Frees a slot of this table; the slots after it in its probe run move back to close the gap.
    template <typename Relocated> void Erase(Slot* slot, Relocated&& relocated) {
        std::size_t hole = static_cast<std::size_t>(slot - slots_);
        for (std::size_t i = (hole + 1) & mask_; slots_[i].hash != 0; i = (i + 1) & mask_) {
            const std::size_t home = slots_[i].hash & mask_;
            // Slot i may move into the hole unless its home lies cyclically in (hole, i].
            const bool stays = hole <= i ? (hole < home && home <= i) : (hole < home || home <= i);
            if (stays)
                continue;
            slots_[hole].hash = slots_[i].hash;
            slots_[hole].value = std::move(slots_[i].value);
            relocated(slots_[hole].value);
            hole = i;
        }
        slots_[hole].hash = 0;
        slots_[hole].value = Value{};
        --size_;
    }

    // The occupied slot whose bytes hold this address, if any.
    Slot* SlotContaining(const void* address) {
        if (!slots_ || !address)
            return nullptr;
        const auto at = reinterpret_cast<std::uintptr_t>(address);
        const auto first = reinterpret_cast<std::uintptr_t>(slots_);
        if (at < first || (at - first) / sizeof(Slot) >= capacity_)
            return nullptr;
        Slot& slot = slots_[(at - first) / sizeof(Slot)];
        return slot.hash != 0 ? &slot : nullptr;
    }

    template <typename Visit> void ForEach(Visit&& visit) const {
        for (std::size_t i = 0; i < capacity_; ++i)
            if (slots_[i].hash != 0)
                visit(static_cast<const Value&>(slots_[i].value));
    }

private:
    static std::uint64_t Tag(std::uint64_t hash) { return hash != 0 ? hash : 1; }

    // An array of free slots, from the large-block allocator (huge pages for a large table).
    static Slot* Make(std::size_t capacity) {
        void* memory = AllocateLarge(capacity * sizeof(Slot), alignof(Slot));
        Slot* slots = static_cast<Slot*>(memory);
        std::size_t made = 0;
        try {
            for (; made < capacity; ++made)
                new (&slots[made]) Slot();
        } catch (...) {
            Destroy(slots, made, capacity);
            throw;
        }
        return slots;
    }
    // The first made slots of an array of capacity.
    static void Destroy(Slot* slots, std::size_t made, std::size_t capacity) {
        if (!slots)
            return;
        for (std::size_t i = 0; i < made; ++i)
            slots[i].~Slot();
        ReleaseLarge(slots, capacity * sizeof(Slot), alignof(Slot));
    }

    template <typename Relocated> void Grow(Relocated& relocated) {
        const std::size_t capacity = capacity_ ? capacity_ * 2 : 16;
        // Made before anything moves: if that fails the table is left as it was.
        Slot* old = slots_;
        const std::size_t oldCapacity = capacity_;
        slots_ = Make(capacity);
        capacity_ = capacity;
        mask_ = capacity - 1;
        for (std::size_t k = 0; k < oldCapacity; ++k) {
            if (old[k].hash == 0)
                continue;
            std::size_t i = old[k].hash & mask_;
            while (slots_[i].hash != 0)
                i = (i + 1) & mask_;
            slots_[i].hash = old[k].hash;
            slots_[i].value = std::move(old[k].value);
            relocated(slots_[i].value);
        }
        Destroy(old, oldCapacity, oldCapacity);
    }

    Slot* slots_ = nullptr;
    std::size_t capacity_ = 0;
    std::size_t mask_ = 0;
    std::size_t size_ = 0;
};

} // namespace palisor
