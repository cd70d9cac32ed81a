// The rules of the ports and programs pages that need no window: reading the typed port number,
// checking the typed input, the protocol numbers, the column widths, the file the open-file dialog
// reports, and which boxes a click on the "Enable" header changed.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace page_rules {

// IP protocol numbers as the firewall names them.
constexpr int kProtocolTcp = 6;
constexpr int kProtocolUdp = 17;
// The ports page's protocol choice, as its radio buttons set it.
constexpr int kChoiceTcp = 1;
constexpr int kChoiceUdp = 2;

// What the pages answer to input they cannot use. The wording is the program's own.
extern const char kPortNumberMessage[];
extern const char kPortNameMessage[];
extern const char kProgramPathMessage[];
extern const char kProgramNameMessage[];

// A change the firewall did not make, for the message that says so.
enum class Refused {
    AddPort,
    AddProgram,
    SwitchPort,
    SwitchProgram,
    RemovePort,
    RemoveProgram,
    SwitchAllPorts,
    SwitchAllPrograms,
    FirewallOn,
    FirewallOff,
};
// The firewall's "access denied" result (E_ACCESSDENIED, 0x80070005): the user may not change it.
constexpr std::int32_t kAccessDenied = static_cast<std::int32_t>(0x80070005u);
// Why the firewall did not make a change: the code of the failed operation (FW_ERROR_CODE, 1 when no
// firewall profile is held) and the firewall's result behind it.
// Says, in one sentence, what was not done and why.
std::string RefusalMessage(Refused what, int failureCode, std::int32_t cause);

// The leading decimal integer of a text: leading white space skipped, an optional sign, then digits up
// to the first non-digit; no digits gives 0. A number beyond the range of int is held at its limit, so
// a long run of digits can neither wrap round into a small port nor overflow.
int LeadingInteger(const std::string& text);

// 6 when the protocol text is exactly "TCP", 17 for every other text.
int ProtocolNumber(const std::string& protocolText);
// "TCP" for the TCP choice, "UDP" for any other.
const char* ProtocolText(int choice);
int ProtocolNumberOfChoice(int choice);

// The message for unusable port input, or null when the port can be added. The number is checked
// first: a bad number and an empty name together give only the number message.
const char* CheckPortInput(const std::string& name, const std::string& portText);
// The message for unusable program input, or null when the program can be added.
const char* CheckProgramInput(const std::string& path, const std::string& name);

// Column widths in pixels from the list window's width: "Enable", "Port Name", "Port Number",
// "Protocol", and the "Remove" column.
std::array<int, 5> PortColumnWidths(int listWidth);
// "Enable", "Program", the "Remove" column, "Path".
std::array<int, 4> ProgramColumnWidths(int listWidth);

// The flag that switches an exception to the other state from its row's box: 1 (switch off) when the
// box is ticked, 0 (switch on) otherwise.
int ToggleFlag(int checkState);

// A row whose "Enable" box a header click changed, and the flag that makes the firewall follow it.
struct BoxChange {
    int row;
    int toggleFlag;
};
// Rows whose box went from ticked to clear or back; rows without a box on either side are left out.
std::vector<BoxChange> ChangedBoxes(const std::vector<int>& before, const std::vector<int>& after);

// The path the open-file dialog reports in its buffer. One chosen file: its full path. Several: the
// dialog gives the folder and then the names; the first chosen file's full path is taken, never the
// bare folder. Reads at most size bytes; an empty or unterminated buffer gives what it holds.
std::string ChosenFilePath(const char* buffer, std::size_t size);

// The open-file dialog's filter, "All Files (*.*)|*.*||", in the dialog's form: entries separated by
// NUL characters and ended by two.
std::string FileDialogFilter(const std::string& barSeparated);

} // namespace page_rules
