#include "standin/firewall/policy_file.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <system_error>
#include <thread>
#include <vector>

#ifdef _WIN32
#include <io.h>
#include <process.h>
#else
#include <unistd.h>
#endif

namespace standin {

namespace {

constexpr int kReplaceAttempts = 200;
constexpr int kReplacePauseMs = 5;

// A file the service saved begins with the first line and ends with the last, so a file cut short
// (a full disk, a copy broken off) is told from a whole one. Files written by hand need neither.
constexpr char kSavedFirstLine[] =
    "# Stand-in firewall policy of the current profile, as the service saved it.";
constexpr char kSavedLastLine[] = "# end";

// Texts are written as they are, but for bytes that would break the line structure: control
// characters, '%', '|', and blanks at either end are written as %XX.
std::string Escape(const std::string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        const bool edgeBlank = c == ' ' && (i == 0 || i + 1 == text.size());
        if (c < 0x20 || c == 0x7F || c == '%' || c == '|' || edgeBlank) {
            char code[4];
            std::snprintf(code, sizeof code, "%%%02X", c);
            out += code;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

int HexValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

std::string Unescape(const std::string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size() && HexValue(text[i + 1]) >= 0 &&
            HexValue(text[i + 2]) >= 0) {
            out += static_cast<char>(HexValue(text[i + 1]) * 16 + HexValue(text[i + 2]));
            i += 2;
        } else {
            out += text[i];
        }
    }
    return out;
}

std::string Trim(const std::string& text) {
    const auto first = text.find_first_not_of(" \t\r");
    if (first == std::string::npos) {
        return {};
    }
    const auto last = text.find_last_not_of(" \t\r");
    return text.substr(first, last - first + 1);
}

// Splits off the first blank-separated word; `rest` keeps what follows, trimmed.
std::string NextWord(std::string& rest) {
    rest = Trim(rest);
    const auto end = rest.find_first_of(" \t");
    std::string word = rest.substr(0, end);
    rest = end == std::string::npos ? std::string() : Trim(rest.substr(end));
    return word;
}

std::string Lower(std::string text) {
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return text;
}

bool ParseOnOff(const std::string& word, bool& value) {
    const std::string w = Lower(word);
    if (w == "on") {
        value = true;
        return true;
    }
    if (w == "off") {
        value = false;
        return true;
    }
    return false;
}

bool ParseLong(const std::string& word, long long& value) {
    if (word.empty()) {
        return false;
    }
    char* end = nullptr;
    errno = 0;
    value = std::strtoll(word.c_str(), &end, 0);
    return errno == 0 && end != nullptr && *end == '\0';
}

bool ParseProtocol(const std::string& word, int& protocol) {
    const std::string w = Lower(word);
    if (w == "tcp") {
        protocol = NET_FW_IP_PROTOCOL_TCP;
        return true;
    }
    if (w == "udp") {
        protocol = NET_FW_IP_PROTOCOL_UDP;
        return true;
    }
    long long number = 0;
    if (ParseLong(word, number) && number >= 0 && number <= 255) {
        protocol = static_cast<int>(number);
        return true;
    }
    return false;
}

bool ParseResult(const std::string& word, HRESULT& result) {
    long long number = 0;
    if (!ParseLong(word, number) || number < -2147483648LL || number > 0xFFFFFFFFLL) {
        return false;
    }
    result = static_cast<HRESULT>(static_cast<std::uint32_t>(number));
    return true;
}

bool ParseTimes(const std::string& word, int& times) {
    const std::string w = Lower(word);
    if (w.empty() || w == "always") {
        times = FailureInjector::kAlways;
        return true;
    }
    if (w == "once") {
        times = 1;
        return true;
    }
    long long number = 0;
    if (ParseLong(word, number) && number >= 1 && number <= 1000000) {
        times = static_cast<int>(number);
        return true;
    }
    return false;
}

std::string ProtocolWord(int protocol) {
    if (protocol == NET_FW_IP_PROTOCOL_TCP) {
        return "TCP";
    }
    if (protocol == NET_FW_IP_PROTOCOL_UDP) {
        return "UDP";
    }
    return std::to_string(protocol);
}

bool IsUtf8(const std::string& text) {
    for (std::size_t i = 0; i < text.size();) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c < 0x80) {
            ++i;
            continue;
        }
        if (c < 0xC2 || c > 0xF4) {
            return false;
        }
        const std::size_t length = c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
        if (i + length > text.size()) {
            return false;
        }
        std::uint32_t value = c & (0x3F >> (length - 1));
        for (std::size_t k = 1; k < length; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            if ((next & 0xC0) != 0x80) {
                return false;
            }
            value = (value << 6) | (next & 0x3F);
        }
        const std::uint32_t smallest[] = {0, 0, 0x80, 0x800, 0x10000};
        if (value < smallest[length] || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) {
            return false;
        }
        i += length;
    }
    return true;
}

long ProcessId() {
#ifdef _WIN32
    return static_cast<long>(_getpid());
#else
    return static_cast<long>(getpid());
#endif
}

// A name of its own for each save: no two writers, in one process or in several, ever share the
// temporary file, and one that gives up removes only its own.
std::filesystem::path TemporaryFileFor(const std::filesystem::path& file) {
    static std::atomic<unsigned long> saves{0};
    std::filesystem::path temporary = file;
    temporary += "." + std::to_string(ProcessId()) + "-" + std::to_string(++saves) + ".new";
    return temporary;
}

// Writes the text to a new file and flushes it to the disk before it is closed, so that the file a
// rename puts in the policy's place is whole even if the machine stops right after.
bool WriteWholeFile(const std::filesystem::path& path, const std::string& text) {
    auto create = [&path] {
#ifdef _WIN32
        return _wopen(path.c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY, _S_IREAD | _S_IWRITE);
#else
        return ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
#endif
    };
    int fd = create();
    if (fd < 0 && errno == EEXIST) {
        // Only a process that ended in the middle of a save, under the same process number, leaves
        // a file of this name behind.
        std::error_code error;
        std::filesystem::remove(path, error);
        fd = create();
    }
    if (fd < 0) {
        return false;
    }
    bool written = true;
    for (std::size_t at = 0; written && at < text.size();) {
        const std::size_t chunk = std::min<std::size_t>(text.size() - at, 1u << 20);
#ifdef _WIN32
        const int count = _write(fd, text.data() + at, static_cast<unsigned int>(chunk));
#else
        const ssize_t count = ::write(fd, text.data() + at, chunk);
        if (count < 0 && errno == EINTR) {
            continue;
        }
#endif
        written = count > 0;
        if (written) {
            at += static_cast<std::size_t>(count);
        }
    }
#ifdef _WIN32
    written = written && _commit(fd) == 0;
    written = _close(fd) == 0 && written;
#else
    written = written && ::fsync(fd) == 0;
    written = ::close(fd) == 0 && written;
#endif
    return written;
}

} // namespace

OleString Utf8ToOle(const std::string& text) {
    OleString out;
    for (std::size_t i = 0; i < text.size();) {
        const auto c = static_cast<unsigned char>(text[i]);
        std::uint32_t code = 0xFFFD;
        std::size_t length = 1;
        if (c < 0x80) {
            code = c;
        } else if (c >= 0xC2 && c <= 0xF4) {
            length = c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
            std::uint32_t value = c & (0x3F >> (length - 1));
            bool valid = i + length <= text.size();
            for (std::size_t k = 1; valid && k < length; ++k) {
                const auto next = static_cast<unsigned char>(text[i + k]);
                valid = (next & 0xC0) == 0x80;
                value = (value << 6) | (next & 0x3F);
            }
            const std::uint32_t smallest[] = {0, 0, 0x80, 0x800, 0x10000};
            if (valid && value >= smallest[length] && value <= 0x10FFFF &&
                (value < 0xD800 || value > 0xDFFF)) {
                code = value;
            } else {
                length = 1;
            }
        }
        if (code >= 0x10000) {
            code -= 0x10000;
            out += static_cast<OLECHAR>(0xD800 + (code >> 10));
            out += static_cast<OLECHAR>(0xDC00 + (code & 0x3FF));
        } else {
            out += static_cast<OLECHAR>(code);
        }
        i += length;
    }
    return out;
}

std::string OleToUtf8(const OleString& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        std::uint32_t code = static_cast<std::uint32_t>(text[i]) & 0xFFFF;
        if (code >= 0xD800 && code <= 0xDBFF && i + 1 < text.size()) {
            const std::uint32_t low = static_cast<std::uint32_t>(text[i + 1]) & 0xFFFF;
            if (low >= 0xDC00 && low <= 0xDFFF) {
                code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
                ++i;
            }
        }
        if (code >= 0xD800 && code <= 0xDFFF) {
            code = 0xFFFD; // half a pair has no UTF-8 form
        }
        if (code < 0x80) {
            out += static_cast<char>(code);
        } else if (code < 0x800) {
            out += static_cast<char>(0xC0 | (code >> 6));
            out += static_cast<char>(0x80 | (code & 0x3F));
        } else if (code < 0x10000) {
            out += static_cast<char>(0xE0 | (code >> 12));
            out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (code & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (code >> 18));
            out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (code & 0x3F));
        }
    }
    return out;
}

void ParsePolicy(const std::string& text, StandinPolicy& policy, std::string* problems) {
    policy.ResetPolicy();
    policy.failures.ClearFrom(FailureInjector::Origin::File);
    std::istringstream lines(text);
    std::string line;
    int number = 0;
    bool savedByService = false;
    bool ended = false;
    auto complain = [&](const std::string& why) {
        if (problems != nullptr) {
            *problems += "line " + std::to_string(number) + ": " + why + "\n";
        }
    };
    while (std::getline(lines, line)) {
        ++number;
        std::string rest = Trim(line);
        if (number == 1 && rest == kSavedFirstLine) {
            savedByService = true;
        }
        if (rest == kSavedLastLine) {
            ended = true;
        }
        if (rest.empty() || rest[0] == '#') {
            continue;
        }
        if (!IsUtf8(rest)) {
            complain("not UTF-8 text"); // read all the same, but a save would change its bytes
        }
        const std::string keyword = Lower(NextWord(rest));
        if (keyword == "firewall") {
            if (!ParseOnOff(NextWord(rest), policy.firewallEnabled)) {
                complain("expected: firewall on|off");
            }
        } else if (keyword == "port") {
            OpenPortData data;
            long long port = 0;
            const std::string portWord = NextWord(rest);
            const std::string protocolWord = NextWord(rest);
            const std::string stateWord = NextWord(rest);
            if (!ParseLong(portWord, port) || port < 1 || port > 65535 ||
                !ParseProtocol(protocolWord, data.protocol) || !ParseOnOff(stateWord, data.enabled) ||
                rest.empty()) {
                complain("expected: port NUMBER TCP|UDP|PROTOCOL on|off NAME");
                continue;
            }
            data.port = static_cast<LONG>(port);
            data.name = Utf8ToOle(Unescape(rest));
            policy.PutPort(data);
        } else if (keyword == "program") {
            ApplicationData data;
            std::string stateWord = NextWord(rest);
            const std::size_t separator = rest.find('|');
            if (!ParseOnOff(stateWord, data.enabled) || separator == std::string::npos) {
                complain("expected: program on|off PATH | NAME");
                continue;
            }
            const std::string path = Trim(rest.substr(0, separator));
            const std::string name = Trim(rest.substr(separator + 1));
            if (path.empty() || name.empty()) {
                complain("expected: program on|off PATH | NAME");
                continue;
            }
            data.path = Utf8ToOle(Unescape(path));
            data.name = Utf8ToOle(Unescape(name));
            policy.PutApplication(data);
        } else if (keyword == "fail") {
            const std::string call = NextWord(rest);
            HRESULT result = E_FAIL;
            int times = FailureInjector::kAlways;
            if (call.empty() || !ParseResult(NextWord(rest), result) || !ParseTimes(NextWord(rest), times) ||
                !rest.empty()) {
                complain("expected: fail CALL RESULT [once|always|TIMES]");
                continue;
            }
            policy.failures.Fail(call, result, times, FailureInjector::Origin::File);
        } else {
            complain("unknown keyword '" + keyword + "'");
        }
    }
    if (savedByService && !ended) {
        complain(std::string("the file is cut short: the service's files end with the line '") +
                 kSavedLastLine + "'");
    }
}

std::string FormatPolicy(const StandinPolicy& policy) {
    std::string text = std::string(kSavedFirstLine) + "\n"
                                                      "# firewall on|off\n"
                                                      "# port NUMBER TCP|UDP|PROTOCOL on|off NAME\n"
                                                      "# program on|off PATH | NAME\n"
                                                      "# fail CALL RESULT [once|always|TIMES]\n";
    text += std::string("firewall ") + (policy.firewallEnabled ? "on" : "off") + "\n";
    for (const auto& port : policy.ports) {
        text += "port " + std::to_string(port->port) + " " + ProtocolWord(port->protocol) + " " +
                (port->enabled ? "on " : "off ") + Escape(OleToUtf8(port->name)) + "\n";
    }
    for (const auto& app : policy.applications) {
        text += std::string("program ") + (app->enabled ? "on " : "off ") + Escape(OleToUtf8(app->path)) +
                " | " + Escape(OleToUtf8(app->name)) + "\n";
    }
    for (const auto& [call, rule] : policy.failures.Rules()) {
        if (rule.origin != FailureInjector::Origin::File) {
            continue;
        }
        char result[16];
        std::snprintf(result, sizeof result, "0x%08X", static_cast<unsigned int>(rule.result));
        text += "fail " + call + " " + result + " " +
                (rule.remaining == FailureInjector::kAlways ? std::string("always")
                                                            : std::to_string(rule.remaining)) +
                "\n";
    }
    text += std::string(kSavedLastLine) + "\n";
    return text;
}

bool LoadPolicyFile(const std::filesystem::path& file, StandinPolicy& policy, std::string* problems) {
    std::error_code error;
    if (!std::filesystem::exists(file, error)) {
        ParsePolicy(std::string(), policy, problems);
        return !error;
    }
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        return false;
    }
    std::ostringstream text;
    text << in.rdbuf();
    ParsePolicy(text.str(), policy, problems);
    return true;
}

bool SavePolicyFile(const std::filesystem::path& file, const StandinPolicy& policy) {
    const std::string text = FormatPolicy(policy);
    const std::filesystem::path temporary = TemporaryFileFor(file);
    std::error_code error;
    if (!WriteWholeFile(temporary, text)) {
        std::filesystem::remove(temporary, error);
        return false;
    }
    // On Windows the file cannot be replaced while another process has it open for reading (as every
    // process sharing the policy does now and then, for a moment): try again for a while before the
    // change is given up.
    for (int attempt = 0; attempt < kReplaceAttempts; ++attempt) {
        std::filesystem::rename(temporary, file, error);
        if (!error) {
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(kReplacePauseMs));
    }
    std::filesystem::remove(temporary, error);
    return false;
}

bool ParseFailureList(const std::string& list, FailureInjector& failures, FailureInjector::Origin origin) {
    bool allRead = true;
    std::istringstream entries(list);
    std::string entry;
    while (std::getline(entries, entry, ';')) {
        entry = Trim(entry);
        if (entry.empty()) {
            continue;
        }
        const auto equals = entry.find('=');
        if (equals == std::string::npos) {
            allRead = false;
            continue;
        }
        const std::string call = Trim(entry.substr(0, equals));
        std::string value = Trim(entry.substr(equals + 1));
        std::string timesWord;
        const auto colon = value.find(':');
        if (colon != std::string::npos) {
            timesWord = Trim(value.substr(colon + 1));
            value = Trim(value.substr(0, colon));
        }
        HRESULT result = E_FAIL;
        int times = FailureInjector::kAlways;
        if (call.empty() || !ParseResult(value, result) || !ParseTimes(timesWord, times)) {
            allRead = false;
            continue;
        }
        failures.Fail(call, result, times, origin);
    }
    return allRead;
}

} // namespace standin
