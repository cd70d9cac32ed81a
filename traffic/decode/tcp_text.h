#pragma once
// The display texts of a TCP segment: flag names, padded labels, numbers and addresses.

#include <cstddef>
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

// The text of every combination of the six flags, worked out by the compiler: constant data, with
// nothing to make at run time and nothing to destroy at exit.
struct FlagTable {
    static constexpr std::size_t kLongest = 36; // "SYN,RST,FIN,ACK,URG,PUSH,TAPI,NETDEV"
    constexpr FlagTable() {
        // Tested in this order; SYN and FIN are named a second time at the end.
        constexpr std::uint8_t bits[8] = {kTcpSyn, kTcpRst, kTcpFin, kTcpAck,
                                          kTcpUrg, kTcpPsh, kTcpSyn, kTcpFin};
        constexpr const char* names[8] = {"SYN", "RST", "FIN", "ACK", "URG", "PUSH", "TAPI", "NETDEV"};
        for (unsigned flags = 0; flags < 64; ++flags) {
            std::size_t n = 0;
            for (int i = 0; i < 8; ++i) {
                if (!(flags & bits[i]))
                    continue;
                if (n != 0)
                    text[flags][n++] = ',';
                for (const char* c = names[i]; *c; ++c)
                    text[flags][n++] = *c;
            }
            length[flags] = static_cast<std::uint8_t>(n);
        }
    }
    char text[64][kLongest] = {};
    std::uint8_t length[64] = {};
};

inline constexpr FlagTable kFlagTable{};

// The names of the set flags (the low six bits), comma-separated, in the order the view has always
// shown them (a SYN also reads "TAPI" and a FIN "NETDEV" at the end). Read from the constant table:
// usable at any time, also while the process exits.
inline std::string_view FlagTextOf(std::uint8_t flags) {
    flags &= 0x3F;
    return std::string_view(kFlagTable.text[flags], kFlagTable.length[flags]);
}
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
