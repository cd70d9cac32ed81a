// Natively the narrow code page is UTF-8.
#include "firewall/ansi_text.h"

namespace {

bool IsHighSurrogate(unsigned int c) {
    return c >= 0xD800 && c <= 0xDBFF;
}
bool IsLowSurrogate(unsigned int c) {
    return c >= 0xDC00 && c <= 0xDFFF;
}

} // namespace

void ConvertToAnsi(const OLECHAR* text, char* buffer, std::size_t size) {
    if (size == 0) {
        return;
    }
    std::size_t used = 0;
    for (std::size_t i = 0; text != nullptr && text[i] != 0;) {
        unsigned int c = static_cast<unsigned int>(text[i]);
        std::size_t units = 1;
        if (IsHighSurrogate(c) && IsLowSurrogate(static_cast<unsigned int>(text[i + 1]))) {
            c = 0x10000 + ((c - 0xD800) << 10) + (static_cast<unsigned int>(text[i + 1]) - 0xDC00);
            units = 2;
        } else if (IsHighSurrogate(c) || IsLowSurrogate(c)) {
            c = '?'; // a lone half of a pair has no narrow form
        }
        char bytes[4];
        std::size_t n = 0;
        if (c < 0x80) {
            bytes[n++] = static_cast<char>(c);
        } else if (c < 0x800) {
            bytes[n++] = static_cast<char>(0xC0 | (c >> 6));
            bytes[n++] = static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            bytes[n++] = static_cast<char>(0xE0 | (c >> 12));
            bytes[n++] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            bytes[n++] = static_cast<char>(0x80 | (c & 0x3F));
        } else {
            bytes[n++] = static_cast<char>(0xF0 | (c >> 18));
            bytes[n++] = static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            bytes[n++] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            bytes[n++] = static_cast<char>(0x80 | (c & 0x3F));
        }
        if (used + n > size - 1) {
            break;
        }
        for (std::size_t k = 0; k < n; ++k) {
            buffer[used++] = bytes[k];
        }
        i += units;
    }
    buffer[used] = '\0';
}
