// Starts palisor.exe, waits until its main window is up with its icon in the notification area, saves
// the whole screen, and ends the program through its "Exit" button. Used to show the program where
// nobody watches the screen.
//
//   palisor_showcase PALISOR_EXE SCREENSHOT.bmp OUTPUT.txt
// Exits with the program's exit status, or 2 when the program did not come up or end as it should.
#include <windows.h>

#include <cstdio>

#include "res/resource.h"
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
