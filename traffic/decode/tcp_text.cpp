#include "traffic/decode/tcp_text.h"

#include <charconv>
#include <cstring>

namespace palisor {

namespace {

struct FlagName {
    std::uint8_t bit;
    const char* name;
};

constexpr FlagName kFlagNames[] = {
    {kTcpSyn, "SYN"}, {kTcpRst, "RST"},  {kTcpFin, "FIN"},  {kTcpAck, "ACK"},
    {kTcpUrg, "URG"}, {kTcpPsh, "PUSH"}, {kTcpSyn, "TAPI"}, {kTcpFin, "NETDEV"},
};

constexpr std::size_t kLabelWidth = 40;

} // namespace

void AppendFlagText(std::string& out, std::uint8_t flags) {
    bool first = true;
    for (const FlagName& flag : kFlagNames) {
        if (!(flags & flag.bit))
            continue;
        if (!first)
            out += ',';
        out += flag.name;
        first = false;
    }
}

std::string FlagText(std::uint8_t flags) {
    std::string text;
    AppendFlagText(text, flags);
    return text;
}

void AppendPadLabel(std::string& out, const char* label) {
    const std::size_t length = std::strlen(label);
    out.append(label, length);
    if (length < kLabelWidth)
        out.append(kLabelWidth - length, '.');
    out += ' ';
}

std::string PadLabel(const std::string& label) {
    std::string text;
    AppendPadLabel(text, label.c_str());
    return text;
}

void AppendDecimal(std::string& out, std::uint32_t value) {
    char digits[16];
    auto result = std::to_chars(digits, digits + sizeof digits, value);
    out.append(digits, result.ptr);
}

void AppendDecimal(std::string& out, std::int64_t value) {
    char digits[24];
    auto result = std::to_chars(digits, digits + sizeof digits, value);
    out.append(digits, result.ptr);
}

void AppendDottedAddress(std::string& out, std::uint32_t address) {
    for (int shift = 24; shift >= 0; shift -= 8) {
        AppendDecimal(out, static_cast<std::uint32_t>((address >> shift) & 0xFF));
        if (shift != 0)
            out += '.';
    }
}

} // namespace palisor
