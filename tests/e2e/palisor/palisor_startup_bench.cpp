// How long palisor.exe takes, under Wine against the stand-in firewall, to come up with many
// exceptions, and to refill a list after a removal. Prints its figures; it passes no judgement on them.
//
//   palisor_startup_bench [--runs R] [--refill N] [N ...]
//
// For each N (default 1000 and 5000) it writes a policy with N port and N program exceptions (every
// tenth one switched off), starts palisor.exe and measures the time from the start of the process until
// the main window is visible with its icon in the notification area, both lists hold N rows and the
// window answers a message (its start-up is over). With --refill N (default 1000; 0 for none) it then
// clicks "Remove" on an enabled row of the programs list and of the ports list and measures the time
// from the click until the list has been refilled and the window answers again; last, two clicks on the
// programs list's "Enable" header (the first ticks every box and switches the tenth that was off on, the
// second switches all off), each timed until the page has switched them through the firewall and
// refilled the list. It exits 0 when every run came up with the right rows and ended through "Exit",
// 1 otherwise.
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "res/resource.h"
#include "tests/e2e/driver/remote_controls.h"
#include "tests/e2e/driver/remote_process.h"
#include "tests/e2e/driver/shell_tray.h"
#include "tests/e2e/palisor/palisor_session.h"

namespace {

constexpr DWORD kAnswerTimeoutMs = 120000;
constexpr auto kPoll = std::chrono::milliseconds(2);
constexpr auto kStartTimeout = std::chrono::seconds(300);

double Seconds(LARGE_INTEGER from, LARGE_INTEGER to) {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(to.QuadPart - from.QuadPart) / static_cast<double>(frequency.QuadPart);
}

LARGE_INTEGER Now() {
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return now;
}

bool Answers(HWND window) {
    DWORD_PTR result = 0;
    return SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_NORMAL, kAnswerTimeoutMs, &result) != 0;
}

// The row count, or -1 when the window does not answer.
int RowCount(HWND list) {
    DWORD_PTR count = 0;
    if (!SendMessageTimeoutA(list, LVM_GETITEMCOUNT, 0, 0, SMTO_NORMAL, kAnswerTimeoutMs, &count))
        return -1;
    return static_cast<int>(count);
}

bool PollUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
    const auto end = std::chrono::steady_clock::now() + timeout;
    while (!done()) {
        if (std::chrono::steady_clock::now() >= end)
            return false;
        std::this_thread::sleep_for(kPoll);
    }
    return true;
}

bool Disabled(int index) {
    return index % 10 == 9;
}

std::string ProgramPath(int index) {
    char path[96];
    std::snprintf(path, sizeof path, "C:\\Program Files\\Tool %04d\\tool%04d.exe", index, index);
    return path;
}

std::string Policy(int n) {
    std::string policy = "firewall on\n";
    char line[160];
    for (int i = 0; i < n; ++i) {
        std::snprintf(line, sizeof line, "port %d %s %s Service %04d\n", 1024 + i / 2,
                      i % 2 == 0 ? "TCP" : "UDP", Disabled(i) ? "off" : "on", i);
        policy += line;
    }
    for (int i = 0; i < n; ++i) {
        std::snprintf(line, sizeof line, "program %s %s | Tool %04d\n", Disabled(i) ? "off" : "on",
                      ProgramPath(i).c_str(), i);
        policy += line;
    }
    return policy;
}

// The header item's image: its check box state (0 none, 1 clear, 2 ticked); -1 when unreadable.
int HeaderImage(HWND header, int column) {
    e2e::RemoteBuffer buffer(header, sizeof(HDITEMA));
    if (!buffer.Valid())
        return -1;
    HDITEMA item{};
    item.mask = HDI_IMAGE;
    buffer.Write(&item, sizeof item);
    DWORD_PTR ok = 0;
    if (!SendMessageTimeoutA(header, HDM_GETITEMA, column, buffer.Param(), SMTO_NORMAL, kAnswerTimeoutMs,
                             &ok) ||
        !ok)
        return -1;
    buffer.Read(&item, sizeof item);
    return item.iImage;
}

RECT HeaderItemRect(HWND header, int column) {
    e2e::RemoteBuffer buffer(header, sizeof(RECT));
    RECT rect{};
    SendMessageA(header, HDM_GETITEMRECT, column, buffer.Param());
    buffer.Read(&rect, sizeof rect);
    return rect;
}

struct Run {
    bool ok = false;
    double startUp = 0;
    double programRefill = -1, portRefill = -1, headerClick = -1, headerClickAll = -1;
};

// Clicks "Remove" on row 0 (enabled in every policy made here) and times the refill.
double TimeRemoval(HWND list, int removeColumn, int rows) {
    const LARGE_INTEGER clicked = Now();
    e2e::ClickListCell(list, 0, removeColumn);
    // The window answers only between messages, so the first count of one row less comes after the
    // whole handler, refill included.
    if (!PollUntil([&] { return RowCount(list) == rows - 1; }, std::chrono::seconds(120)) || !Answers(list))
        return -1;
    return Seconds(clicked, Now());
}

// Clicks the "Enable" header of the programs list and times the page's work: the switching of every
// program whose box the click changed, and the refill.
double TimeHeaderClick(HWND header) {
    const int before = HeaderImage(header, 0);
    if (before <= 0)
        return -1;
    const RECT item = HeaderItemRect(header, 0);
    const LARGE_INTEGER clicked = Now();
    e2e::PostLeftClick(header, (item.left + item.right) / 2, (item.top + item.bottom) / 2);
    // As with the removal: the first answer that shows the changed header comes after the whole
    // handler, the switching and the refill included.
    if (!PollUntil([&] { return HeaderImage(header, 0) != before; }, std::chrono::seconds(600)) ||
        !Answers(header))
        return -1;
    return Seconds(clicked, Now());
}

Run StartOnce(int n, int refillN, int runIndex) {
    Run run;
    e2e::PalisorSession session("bench-" + std::to_string(n) + "-" + std::to_string(runIndex), Policy(n));
    HWND main = nullptr, programs = nullptr, ports = nullptr;
    const LARGE_INTEGER started = Now();
    if (!session.Start()) {
        std::fprintf(stderr, "could not start palisor.exe\n");
        return run;
    }
    const bool up = PollUntil(
        [&] {
            if (main == nullptr) {
                main = e2e::FindDialog(session.Id(), "Palisor", IDC_TABS);
                if (main == nullptr)
                    return false;
            }
            if (!IsWindowVisible(main) || !e2e::IconInShell(main, IDR_TRAY_MENU))
                return false;
            if (programs == nullptr)
                programs = e2e::FindDescendant(main, IDC_PROGRAM_LIST);
            if (ports == nullptr)
                ports = e2e::FindDescendant(main, IDC_PORT_LIST);
            return programs != nullptr && ports != nullptr && RowCount(programs) == n &&
                   RowCount(ports) == n && Answers(main);
        },
        kStartTimeout);
    if (!up) {
        std::fprintf(stderr,
                     "N=%d: the window did not come up with both lists full (programs %d, ports %d)\n", n,
                     programs ? RowCount(programs) : -1, ports ? RowCount(ports) : -1);
        return run;
    }
    run.startUp = Seconds(started, Now());
    run.ok = true;

    if (n == refillN && n > 0) {
        run.programRefill = TimeRemoval(programs, 2, n);
        HWND tabs = GetDlgItem(main, IDC_TABS);
        e2e::ClickTab(tabs, 1);
        HWND portsPage = GetParent(ports);
        if (PollUntil([&] { return IsWindowVisible(portsPage) != FALSE; }, std::chrono::seconds(20)) &&
            Answers(main))
            run.portRefill = TimeRemoval(ports, 4, n);
        e2e::ClickTab(tabs, 0);
        HWND programsPage = GetParent(programs);
        if (PollUntil([&] { return IsWindowVisible(programsPage) != FALSE; }, std::chrono::seconds(20)) &&
            Answers(main)) {
            HWND header = reinterpret_cast<HWND>(SendMessageA(programs, LVM_GETHEADER, 0, 0));
            run.headerClick = TimeHeaderClick(header);
            if (run.headerClick >= 0)
                run.headerClickAll = TimeHeaderClick(header);
        }
        run.ok =
            run.programRefill >= 0 && run.portRefill >= 0 && run.headerClick >= 0 && run.headerClickAll >= 0;
        if (!run.ok)
            std::fprintf(stderr, "N=%d: a refill did not finish\n", n);
    }
    std::fprintf(stderr, "N=%d run %d: start-up %.2f s, refills %.2f / %.2f s, header clicks %.2f / %.2f s\n",
                 n, runIndex + 1, run.startUp, run.programRefill, run.portRefill, run.headerClick,
                 run.headerClickAll);
    e2e::PostClick(GetDlgItem(main, IDC_EXIT));
    DWORD status = 1;
    const LARGE_INTEGER exitClicked = Now();
    if (!session.process().WaitForExit(60000, &status) || status != 0) {
        std::fprintf(stderr, "N=%d: palisor.exe did not end through its Exit button (status %lu, %.2f s)\n",
                     n, status, Seconds(exitClicked, Now()));
        run.ok = false;
    }
    return run;
}

std::string Series(std::vector<double> values) {
    std::string text;
    char number[32];
    for (double value : values) {
        std::snprintf(number, sizeof number, "%s%.2f", text.empty() ? "" : " ", value);
        text += number;
    }
    std::sort(values.begin(), values.end());
    std::snprintf(number, sizeof number, " (median %.2f)", values[values.size() / 2]);
    return text + number;
}

} // namespace

int main(int argc, char** argv) {
    int runs = 3;
    int refillN = 1000;
    std::vector<int> sizes;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--runs") == 0 && i + 1 < argc) {
            runs = std::atoi(argv[++i]);
        } else if (std::strcmp(argv[i], "--refill") == 0 && i + 1 < argc) {
            refillN = std::atoi(argv[++i]);
        } else if (argv[i][0] >= '0' && argv[i][0] <= '9') {
            sizes.push_back(std::atoi(argv[i]));
        } else {
            std::fprintf(stderr, "usage: palisor_startup_bench [--runs R] [--refill N] [N ...]\n");
            return 2;
        }
    }
    if (sizes.empty())
        sizes = {1000, 5000};
    if (runs < 1)
        runs = 1;

    bool allOk = true;
    for (int n : sizes) {
        std::vector<double> startUps, programRefills, portRefills, headerClicks, headerClicksAll;
        for (int r = 0; r < runs; ++r) {
            const Run run = StartOnce(n, refillN, r);
            allOk = allOk && run.ok;
            if (!run.ok)
                continue;
            startUps.push_back(run.startUp);
            if (run.programRefill >= 0) {
                programRefills.push_back(run.programRefill);
                portRefills.push_back(run.portRefill);
                headerClicks.push_back(run.headerClick);
                headerClicksAll.push_back(run.headerClickAll);
            }
        }
        if (!startUps.empty())
            std::printf("start-up, %d ports + %d programs, to both lists full: %s s\n", n, n,
                        Series(startUps).c_str());
        if (!programRefills.empty()) {
            std::printf("refill after a removal, programs list of %d: %s s\n", n,
                        Series(programRefills).c_str());
            std::printf("refill after a removal, ports list of %d: %s s\n", n, Series(portRefills).c_str());
            std::printf(
                "\"Enable\" header click, programs list of %d, switching the tenth that was off: %s s\n",
                n - 1, Series(headerClicks).c_str());
            std::printf("\"Enable\" header click, programs list of %d, switching all off: %s s\n", n - 1,
                        Series(headerClicksAll).c_str());
        }
        std::fflush(stdout);
    }
    return allOk ? 0 : 1;
}
