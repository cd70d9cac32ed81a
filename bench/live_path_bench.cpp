// The live path under Wine: a scripted network floods the capture thread of a real traffic page,
// whose tree control is on screen, and a second thread posts a message to the user-interface
// thread every 10 ms. Once every conversation is shown in the control, it measures for SECONDS:
// the segments decoded per second, how long the posted messages waited for the user-interface
// thread, and what that thread spent on the control's updates and paints.
//
//   palisor_live_path_bench.exe [CONVERSATIONS [SECONDS]]
#include <winsock2.h>

#include "tests/unit/traffic/datagram_builder.h"
#include "traffic/capture/scripted_capture_network.h"
#include "traffic/sniffer_dlg.h"
#include "ui/message_loop.h"

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

using palisor::testing::BuildDatagram;
using palisor::testing::Ipv4;
using palisor::testing::Segment;

class CountingSink : public palisor::TranscriptSink {
public:
    void WriteLine(const char*, std::size_t) override { lines.fetch_add(1, std::memory_order_relaxed); }
    std::atomic<unsigned long long> lines{0};
};

constexpr UINT kProbe = WM_APP + 77;

struct Prober {
    DWORD target = 0;
    std::atomic<bool> stop{false};
};

DWORD WINAPI Probe(LPVOID argument) {
    auto* prober = static_cast<Prober*>(argument);
    while (!prober->stop) {
        LARGE_INTEGER now;
        QueryPerformanceCounter(&now);
        // The low 32 bits are enough to measure waits far shorter than their wrap-around.
        PostThreadMessageA(prober->target, kProbe, 0, static_cast<LPARAM>(static_cast<DWORD>(now.QuadPart)));
        Sleep(10);
    }
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    const int conversations = argc > 1 ? std::atoi(argv[1]) : 1000;
    const int seconds = argc > 2 ? std::atoi(argv[2]) : 10;
    if (conversations < 1 || conversations > 60000 || seconds < 1) {
        std::fprintf(stderr, "usage: palisor_live_path_bench [CONVERSATIONS [SECONDS]]\n");
        return 2;
    }
    INITCOMMONCONTROLSEX init = {sizeof init, ICC_TREEVIEW_CLASSES | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&init);

    // Every conversation opens with a SYN, then data segments follow round and round. Each of a
    // conversation's four segments differs from the one before in size, flags, sequence and
    // acknowledgement, so that every segment changes four of the entry's six texts.
    std::vector<std::vector<std::uint8_t>> opening, flood;
    for (int i = 0; i < conversations; ++i) {
        const std::uint32_t client = Ipv4(10, 2 + i / 60000, (i / 250) % 240, i % 250 + 1);
        const std::uint32_t server = Ipv4(192, 168, 9, 1);
        opening.push_back(BuildDatagram(Segment(client, 40000, server, 443, 0x02, 1)));
        for (std::uint32_t k = 0; k < 4; ++k) {
            auto segment =
                Segment(client, 40000, server, 443, k % 2 ? 0x10 : 0x18, 2 + 1500u * k, 100 + 10 * k);
            segment.ack = 7000 + 333u * k;
            flood.push_back(BuildDatagram(segment));
        }
    }
    // Spread each conversation's segments over the cycle, as many hosts talking at once would.
    std::vector<std::vector<std::uint8_t>> cycle;
    for (int k = 0; k < 4; ++k)
        for (int i = 0; i < conversations; ++i)
            cycle.push_back(flood[std::size_t(i) * 4 + std::size_t(k)]);

    palisor::ScriptedCaptureNetwork network;
    network.hostAddresses = {"10.0.0.1"};
    for (auto& datagram : opening)
        network.QueueDatagram(datagram);
    network.RepeatCycle(cycle);

    CWnd main;
    if (!main.CreateEx(0, nullptr, "Live path", WS_POPUP | WS_CAPTION | WS_VISIBLE, 20, 20, 700, 460, nullptr,
                       nullptr))
        return 1;
    CountingSink sink;
    CSnifferDlg page(&main, network, nullptr);
    page.SetTranscriptSink(sink);
    if (!page.Create(&main))
        return 1;
    page.ShowWindow(SW_SHOW);

    Prober prober;
    prober.target = GetCurrentThreadId();
    HANDLE probeThread = CreateThread(nullptr, 0, &Probe, &prober, 0, nullptr);

    LARGE_INTEGER frequency, began, now;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&began);
    std::vector<double> waits, openingWaits;
    struct Longest {
        unsigned long count = 0;
        double total = 0, most = 0;
    } timers, paints, others;
    unsigned long long startLines = 0;
    bool warm = false;
    double warmUp = 0;
    LARGE_INTEGER measuredFrom = began;
    for (;;) {
        MSG msg;
        if (!GetMessageA(&msg, nullptr, 0, 0))
            break;
        QueryPerformanceCounter(&now);
        const double elapsed = double(now.QuadPart - began.QuadPart) / double(frequency.QuadPart);
        if (msg.message == kProbe && msg.hwnd == nullptr) {
            (warm ? waits : openingWaits)
                .push_back(1000.0 *
                           double(static_cast<DWORD>(static_cast<DWORD>(now.QuadPart) -
                                                     static_cast<DWORD>(msg.lParam))) /
                           double(frequency.QuadPart));
        } else if (!ui::PreTranslateThroughParents(&msg)) {
            TranslateMessage(&msg);
            LARGE_INTEGER before, after;
            QueryPerformanceCounter(&before);
            DispatchMessageA(&msg);
            QueryPerformanceCounter(&after);
            const double took =
                1000.0 * double(after.QuadPart - before.QuadPart) / double(frequency.QuadPart);
            Longest& longest = msg.message == WM_TIMER ? timers : msg.message == WM_PAINT ? paints : others;
            ++longest.count;
            longest.total += took;
            if (took > longest.most)
                longest.most = took;
        }
        // First every conversation is opened and shown in the control, then the measured run.
        if (!warm && (elapsed >= 60.0 || SendMessageA(page.trafficTree.m_hWnd, TVM_GETCOUNT, 0, 0) ==
                                             static_cast<LRESULT>(conversations) * 11)) {
            warm = true;
            startLines = sink.lines.load();
            measuredFrom = now;
            warmUp = elapsed;
            timers = paints = others = Longest();
        }
        if (warm && double(now.QuadPart - measuredFrom.QuadPart) / double(frequency.QuadPart) >= seconds)
            break;
    }
    const unsigned long long segments = sink.lines.load() - startLines;
    const double measured = double(now.QuadPart - measuredFrom.QuadPart) / double(frequency.QuadPart);
    prober.stop = true;
    WaitForSingleObject(probeThread, INFINITE);
    CloseHandle(probeThread);

    LARGE_INTEGER stopping, stopped;
    QueryPerformanceCounter(&stopping);
    page.OnClose();
    QueryPerformanceCounter(&stopped);
    const int items = static_cast<int>(SendMessageA(page.trafficTree.m_hWnd, TVM_GETCOUNT, 0, 0));

    std::sort(waits.begin(), waits.end());
    std::sort(openingWaits.begin(), openingWaits.end());
    const auto at = [&waits](double share) {
        return waits.empty() ? 0.0
                             : waits[std::min(waits.size() - 1, std::size_t(share * double(waits.size())))];
    };
    std::printf("conversations: %d, all shown in the control after %.2f s, then measured for %.2f s\n",
                conversations, warmUp, measured);
    std::printf("segments decoded on the capture thread: %llu (%.0f per second)\n", segments,
                double(segments) / measured);
    std::printf(
        "posted messages answered: %zu; wait median %.2f ms, 99th percentile %.2f ms, longest %.2f ms\n",
        waits.size(), at(0.5), at(0.99), waits.empty() ? 0.0 : waits.back());
    std::printf("while the entries were being shown: %zu posted messages answered, longest wait %.2f ms\n",
                openingWaits.size(), openingWaits.empty() ? 0.0 : openingWaits.back());
    std::printf(
        "user-interface thread: %lu timer updates (%.0f ms in all, longest %.1f ms), %lu paints (%.0f ms, "
        "longest %.1f ms), %lu other messages (%.0f ms, longest %.1f ms)\n",
        timers.count, timers.total, timers.most, paints.count, paints.total, paints.most, others.count,
        others.total, others.most);
    std::printf(
        "tree items in the control after the stop: %d (expected %d); stop and last update took %.0f ms\n",
        items, conversations * 11,
        1000.0 * double(stopped.QuadPart - stopping.QuadPart) / double(frequency.QuadPart));
    page.DestroyWindow();
    main.DestroyWindow();
    return 0;
}
