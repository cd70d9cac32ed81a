#pragma once
// The display texts of a TCP segment: flag names, padded labels, numbers and addresses.

#include <cstdint>
#include <string>
#include <string_view>

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

// The names of the set flags (the low six bits), comma-separated, in the order the view has always
// shown them (a SYN also reads "TAPI" and a FIN "NETDEV" at the end). FlagTextOf reads a constant
// table: it can be used at any time, also while the process exits.
std::string_view FlagTextOf(std::uint8_t flags);
void AppendFlagText(std::string& out, std::uint8_t flags);
std::string FlagText(std::uint8_t flags);

// The label followed by dots up to column 40 and one blank, so values line up in a fixed-pitch font.
std::string PadLabel(const std::string& label);
void AppendPadLabel(std::string& out, const char* label);

// The padded labels of the fields under a conversation entry: the six TCP fields in the order of
// the entry, then the two IP fields.
enum FieldLabel : int {
    kLabelSourcePort,
    kLabelDestinationPort,
    kLabelSize,
    kLabelFlags,
    kLabelSequence,
    kLabelAck,
    kLabelSourceIp,
    kLabelDestinationIp,
    kFieldLabelCount
};
// Made on first use and never destroyed, so a thread still decoding while the process exits finds
// them whole; each stays at its address, unchanged, for as long as the process runs.
const std::string& FieldLabelText(FieldLabel label);
// All of them, in the order above.
const std::string* FieldLabelTexts();
// True only for the objects FieldLabelText gives (by address, not by text): a tree may know those
// by their addresses, since they never change. Any other label has to be read as text.
bool IsFieldLabel(const std::string& label);

void AppendDecimal(std::string& out, std::uint32_t value);
void AppendDecimal(std::string& out, std::int64_t value);
// Dotted decimal text of an IPv4 address given in network order (first byte most significant).
void AppendDottedAddress(std::string& out, std::uint32_t address);

} // namespace palisor
