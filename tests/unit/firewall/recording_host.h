// A firewall host that records what the operations asked of the window instead of doing it.
#pragma once

#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "firewall/firewall_host.h"

struct RecordingHost final : FirewallHost {
    struct Message {
        std::string text;
        std::string caption;
        unsigned int style;
    };
    struct PortRow {
        std::string name;
        std::string protocolText;
        std::string portText;
        int enabled;

        friend bool operator==(const PortRow& a, const PortRow& b) {
            return a.name == b.name && a.protocolText == b.protocolText && a.portText == b.portText &&
                   a.enabled == b.enabled;
        }
        friend std::ostream& operator<<(std::ostream& os, const PortRow& r) {
            return os << "{" << r.name << ", " << r.protocolText << ", '" << r.portText << "', " << r.enabled
                      << "}";
        }
    };
    struct ProgramRow {
        std::string name;
        std::string path;
        int enabled;
        // The path exactly as the firewall holds it. An expected row given without one expects the
        // row's text, widened character by character (which holds for plain ASCII paths).
        std::basic_string<OLECHAR> firewallPath;

        ProgramRow(std::string name_, std::string path_, int enabled_)
            : name(std::move(name_)), path(std::move(path_)), enabled(enabled_),
              firewallPath(path.begin(), path.end()) {}
        ProgramRow(std::string name_, std::string path_, int enabled_,
                   std::basic_string<OLECHAR> firewallPath_)
            : name(std::move(name_)), path(std::move(path_)), enabled(enabled_),
              firewallPath(std::move(firewallPath_)) {}

        friend bool operator==(const ProgramRow& a, const ProgramRow& b) {
            return a.name == b.name && a.path == b.path && a.enabled == b.enabled &&
                   a.firewallPath == b.firewallPath;
        }
        friend std::ostream& operator<<(std::ostream& os, const ProgramRow& r) {
            os << "{" << r.name << ", " << r.path << ", " << r.enabled << ", firewall path";
            for (OLECHAR c : r.firewallPath) {
                if (c >= 0x20 && c < 0x7F) {
                    os << static_cast<char>(c);
                } else {
                    os << "\\u" << std::hex << static_cast<unsigned int>(c) << std::dec;
                }
            }
            return os << "}";
        }
    };

    std::vector<Message> messages;
    std::vector<int> modalEnds;
    std::vector<unsigned int> waits;
    std::vector<int> processEnds;
    std::vector<PortRow> portRows;
    std::vector<ProgramRow> programRows;

    void ShowMessageBox(const char* text, const char* caption, unsigned int style) override {
        messages.push_back({text, caption, style});
    }
    void EndModalRun(int result) override { modalEnds.push_back(result); }
    void WaitMilliseconds(unsigned int milliseconds) override { waits.push_back(milliseconds); }
    void EndProcess(int status) override { processEnds.push_back(status); }
    void AddPortRow(const char* name, const char* protocolText, const char* portText, int enabled) override {
        portRows.push_back({name, protocolText, portText, enabled});
    }
    void AddProgramRow(const char* name, const char* path, int enabled,
                       const OLECHAR* firewallPath) override {
        programRows.push_back({name, path, enabled, firewallPath != nullptr ? firewallPath : u""});
    }
};
