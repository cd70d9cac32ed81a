#pragma once
// The display texts of a TCP segment: flag names, padded labels, numbers and addresses.

#include <cstdint>
#include <string>

namespace palisor {

// TCP flag bits, in the low six bits of the word at bytes 12-13 of the header.
enum TcpFlag : std::uint8_t {
    kTcpFin = 0x01,
    kTcpSyn = 0x02,
    kTcpRst = 0x04,
    kTcpPsh = 0x08,
    kTcpAck = 0x10,
    kTcpUrg = 0x20,
};

// Appends the names of the set flags, comma-separated, in the order the view has always shown
// them (a SYN also reads "TAPI" and a FIN "NETDEV" at the end).
void AppendFlagText(std::string& out, std::uint8_t flags);
std::string FlagText(std::uint8_t flags);

// The label followed by dots up to column 40 and one blank, so values line up in a fixed-pitch font.
std::string PadLabel(const std::string& label);
void AppendPadLabel(std::string& out, const char* label);

void AppendDecimal(std::string& out, std::uint32_t value);
void AppendDecimal(std::string& out, std::int64_t value);
// Dotted decimal text of an IPv4 address given in network order (first byte most significant).
void AppendDottedAddress(std::string& out, std::uint32_t address);

} // namespace palisor
