#include "pages/page_rules.h"

#include <climits>

namespace page_rules {

const char kPortNumberMessage[] = "You most entre a number higher than 1";
const char kPortNameMessage[] = "You most entre the name for this port";
const char kProgramPathMessage[] = "You most choose a program";
const char kProgramNameMessage[] = "You most entre the name for this program";

namespace {

const char* RefusedAction(Refused what) {
    switch (what) {
    case Refused::AddPort:
        return "The port was not added";
    case Refused::AddProgram:
        return "The program was not added";
    case Refused::SwitchPort:
        return "The port was not switched";
    case Refused::SwitchProgram:
        return "The program was not switched";
    case Refused::RemovePort:
        return "The port was not removed";
    case Refused::RemoveProgram:
        return "The program was not removed";
    case Refused::SwitchAllPorts:
        return "Not every port was switched";
    case Refused::SwitchAllPrograms:
        return "Not every program was switched";
    case Refused::FirewallOn:
        return "The firewall was not switched on";
    case Refused::FirewallOff:
        return "The firewall was not switched off";
    }
    return "The change was not made";
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// What was wrong with a text the firewall was given empty.
const char* EmptyTextReason(Refused what) {
    switch (what) {
    case Refused::AddPort:
        return ": the port's name is empty.";
    case Refused::AddProgram:
        return ": the program's path or name is empty.";
    case Refused::SwitchProgram:
    case Refused::RemoveProgram:
    case Refused::SwitchAllPrograms:
        return ": the program's path is empty.";
    default:
        return ": a name or path is empty.";
    }
}

} // namespace

std::string RefusalMessage(Refused what, int failureCode, std::int32_t cause) {
    const char* reason = ": the firewall refused the change.";
    if (cause == kAccessDenied)
        reason = ": changing the firewall needs administrator rights.";
    else if (failureCode == 1) // no profile held
        reason = ": the firewall cannot be reached.";
    else if (failureCode == 11) // a text reached the firewall empty
        reason = EmptyTextReason(what);
    else if (failureCode == 20) // the firewall does not take the port number
        reason = ": the port number must be from 1 to 65535.";
    return std::string(RefusedAction(what)) + reason;
}

int LeadingInteger(const std::string& text) {
    std::size_t at = 0;
    while (at < text.size() && IsBlank(text[at]))
        ++at;
    bool negative = false;
    if (at < text.size() && (text[at] == '+' || text[at] == '-')) {
        negative = text[at] == '-';
        ++at;
    }
    // The magnitude stops growing just past the largest one an int can hold.
    const long long limit = static_cast<long long>(INT_MAX) + 1;
    long long magnitude = 0;
    for (; at < text.size() && text[at] >= '0' && text[at] <= '9'; ++at) {
        if (magnitude < limit)
            magnitude = magnitude * 10 + (text[at] - '0');
    }
    if (negative)
        return magnitude >= limit ? INT_MIN : static_cast<int>(-magnitude);
    return magnitude > INT_MAX ? INT_MAX : static_cast<int>(magnitude);
}

int ProtocolNumber(const std::string& protocolText) {
    return protocolText == "TCP" ? kProtocolTcp : kProtocolUdp;
}

const char* ProtocolText(int choice) {
    return choice == kChoiceTcp ? "TCP" : "UDP";
}

int ProtocolNumberOfChoice(int choice) {
    return choice == kChoiceTcp ? kProtocolTcp : kProtocolUdp;
}

const char* CheckPortInput(const std::string& name, const std::string& portText) {
    if (LeadingInteger(portText) < 1)
        return kPortNumberMessage;
    if (name.empty())
        return kPortNameMessage;
    return nullptr;
}

const char* CheckProgramInput(const std::string& path, const std::string& name) {
    if (path.empty())
        return kProgramPathMessage;
    if (name.empty())
        return kProgramNameMessage;
    return nullptr;
}

std::array<int, 5> PortColumnWidths(int listWidth) {
    const int w = listWidth / 10;
    return {3 * w / 2, 7 * w / 2, 2 * w, 3 * w / 2 - 1, 3 * w / 2};
}

std::array<int, 4> ProgramColumnWidths(int listWidth) {
    const int w = listWidth / 5;
    return {w - 32, w + 10, w / 2 + 28, 5 * w / 2 - 10};
}

int ToggleFlag(int checkState) {
    return checkState == 1 ? 1 : 0;
}

std::vector<BoxChange> ChangedBoxes(const std::vector<int>& before, const std::vector<int>& after) {
    std::vector<BoxChange> changes;
    const std::size_t rows = before.size() < after.size() ? before.size() : after.size();
    for (std::size_t row = 0; row < rows; ++row) {
        const int was = before[row];
        const int now = after[row];
        if (was == -1 || now == -1 || (was == 1) == (now == 1))
            continue;
        changes.push_back({static_cast<int>(row), ToggleFlag(was)});
    }
    return changes;
}

std::string ChosenFilePath(const char* buffer, std::size_t size) {
    if (buffer == nullptr || size == 0)
        return std::string();
    std::size_t first = 0;
    while (first < size && buffer[first] != '\0')
        ++first;
    std::string path(buffer, first);
    if (first + 1 >= size || buffer[first + 1] == '\0')
        return path;
    // Several files: the folder, then the names.
    std::size_t nameStart = first + 1;
    std::size_t nameEnd = nameStart;
    while (nameEnd < size && buffer[nameEnd] != '\0')
        ++nameEnd;
    if (!path.empty() && path.back() != '\\')
        path += '\\';
    path.append(buffer + nameStart, nameEnd - nameStart);
    return path;
}

std::string FileDialogFilter(const std::string& barSeparated) {
    std::string filter = barSeparated;
    for (char& c : filter) {
        if (c == '|')
            c = '\0';
    }
    // Two NULs end the list, whether or not the text ended in bars.
    filter.push_back('\0');
    filter.push_back('\0');
    return filter;
}

} // namespace page_rules
