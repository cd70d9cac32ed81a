// Starts palisor.exe, waits until its main window is up with its icon in the notification area, makes
// a few TCP connections over loopback (data both ways and a close) and shows them on the traffic
// page, saves the whole screen, and ends the program through its "Exit" button. Used to show the
// program where nobody watches the screen.
//
//   palisor_showcase PALISOR_EXE SCREENSHOT.bmp OUTPUT.txt
// Exits with the program's exit status, or 2 when the program did not come up or end as it should.
#include <winsock2.h>
#include <windows.h>
#include <commctrl.h>

#include <cstdio>

#include "res/resource.h"
#include "tests/e2e/driver/loopback_traffic.h"
#include "tests/e2e/driver/remote_controls.h"
#include "tests/e2e/driver/remote_process.h"
#include "tests/e2e/driver/screen_capture.h"
#include "tests/e2e/driver/shell_tray.h"

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: palisor_showcase PALISOR_EXE SCREENSHOT.bmp OUTPUT.txt\n");
        return 2;
    }
    e2e::Process palisor;
    if (!palisor.Start(argv[1], {}, argv[3])) {
        std::fprintf(stderr, "could not start %s\n", argv[1]);
        return 2;
    }
    HWND main = nullptr;
    const bool up = e2e::WaitUntil(
        [&] {
            main = e2e::FindDialog(palisor.Id(), "Palisor", IDC_TABS);
            return main != nullptr && IsWindowVisible(main) && e2e::IconInShell(main, IDR_TRAY_MENU);
        },
        std::chrono::seconds(120));
    if (!up) {
        std::fprintf(stderr, "the main window did not come up\n");
        e2e::SaveScreenshot(nullptr, argv[2]);
        return 2;
    }
    // The traffic page, with the entries of a few loopback connections and the first one opened.
    e2e::ClickTab(GetDlgItem(main, IDC_TABS), 2);
    HWND page = e2e::FindChildDialogHolding(main, IDC_TRAFFIC_TREE);
    HWND tree = page ? GetDlgItem(page, IDC_TRAFFIC_TREE) : nullptr;
    WSADATA winsock;
    if (tree && WSAStartup(MAKEWORD(2, 2), &winsock) == 0) {
        u_short ports[2];
        for (const char* client : {"127.0.0.1", "127.0.0.2", "127.0.0.1", "127.0.0.3"})
            if (!e2e::TalkOverLoopback(client, ports[0], ports[1]))
                std::fprintf(stderr, "a loopback connection from %s failed\n", client);
        WSACleanup();
        if (!e2e::WaitUntil([&] { return SendMessageA(tree, TVM_GETCOUNT, 0, 0) >= 11; },
                            std::chrono::seconds(5)))
            std::fprintf(stderr, "the traffic page shows no entries\n");
        const LPARAM first = SendMessageA(tree, TVM_GETNEXTITEM, TVGN_ROOT, 0);
        const LPARAM ipHeader = SendMessageA(tree, TVM_GETNEXTITEM, TVGN_CHILD, first);
        SendMessageA(tree, TVM_EXPAND, TVE_EXPAND, first);
        SendMessageA(tree, TVM_EXPAND, TVE_EXPAND, SendMessageA(tree, TVM_GETNEXTITEM, TVGN_NEXT, ipHeader));
    }
    // Let the last paints of the window and the taskbar through.
    Sleep(1000);
    const bool saved = e2e::SaveScreenshot(nullptr, argv[2]);
    e2e::PostClick(GetDlgItem(main, IDC_EXIT));
    DWORD status = 2;
    if (!palisor.WaitForExit(20000, &status)) {
        std::fprintf(stderr, "the program did not end\n");
        return 2;
    }
    return saved ? static_cast<int>(status) : 2;
}
