// Conversion into the system's ANSI code page.
#include "firewall/ansi_text.h"

#include <windows.h>

namespace {

int NarrowLength(const OLECHAR* text, int units) {
    return units == 0 ? 0 : WideCharToMultiByte(CP_ACP, 0, text, units, nullptr, 0, nullptr, nullptr);
}

} // namespace

void ConvertToAnsi(const OLECHAR* text, char* buffer, std::size_t size) {
    if (size == 0) {
        return;
    }
    buffer[0] = '\0';
    if (text == nullptr) {
        return;
    }
    const int limit = static_cast<int>(size - 1);
    const int length = lstrlenW(text);
    int units = length;
    if (NarrowLength(text, length) > limit) {
        // The converted length grows with the prefix: find the longest prefix that fits.
        int low = 0;
        int high = length;
        while (low < high) {
            const int mid = low + (high - low + 1) / 2;
            if (NarrowLength(text, mid) <= limit) {
                low = mid;
            } else {
                high = mid - 1;
            }
        }
        units = low;
        // Never end on the first half of a surrogate pair.
        if (units > 0 && IS_HIGH_SURROGATE(text[units - 1])) {
            --units;
        }
    }
    const int written =
        units == 0 ? 0 : WideCharToMultiByte(CP_ACP, 0, text, units, buffer, limit, nullptr, nullptr);
    buffer[written > 0 ? written : 0] = '\0';
}
