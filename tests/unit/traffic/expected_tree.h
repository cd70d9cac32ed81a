#pragma once
// The text a conversation entry of the traffic tree dumps to, one item per line with two blanks of
// indent per level, spelt out with the dot counts of each label so that no test borrows the
// padding it checks.

#include <string>

namespace palisor::testing {

// The label, the given number of dots and the blank before the value.
inline std::string Dots(const char* label, int dots) {
    return std::string(label) + std::string(dots, '.') + " ";
}

struct ExpectedSegment {
    const char* source;
    const char* destination;
    const char* sourcePort;
    const char* destinationPort;
    const char* size;
    const char* flags;
    const char* sequence;
    const char* ack;
};

inline std::string ExpectedEntry(const ExpectedSegment& s) {
    const std::string field = "    ";
    return std::string(s.source) + " - " + s.destination + "\n" + "  IP Header\n" + field +
           Dots("Source IP:", 30) + s.source + "\n" + field + Dots("Destination IP:", 25) + s.destination +
           "\n" + "  TCP Header\n" + field + Dots("Source Port:", 28) + s.sourcePort + "\n" + field +
           Dots("Destination Port:", 23) + s.destinationPort + "\n" + field + Dots("Size:", 35) + s.size +
           "\n" + field + Dots("Flags:", 34) + s.flags + "\n" + field + Dots("Sequence:", 31) + s.sequence +
           "\n" + field + Dots("Ack:", 36) + s.ack + "\n";
}

} // namespace palisor::testing
