#include "traffic/memory/flat_table.h"

#include <chrono>

namespace palisor {

std::uint64_t ProcessHashSeed() {
    static const std::uint64_t seed = [] {
        static const char anchor = 0;
        const auto now =
            static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count());
        return MixHash(reinterpret_cast<std::uintptr_t>(&anchor) ^ MixHash(now));
    }();
    return seed;
}

} // namespace palisor
