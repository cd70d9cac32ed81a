// A test main window for the pages: a top-level window that carries the firewall operations over an
// in-process stand-in firewall and hands listed rows to its pages, as the program's main window does.
// Also: pumping messages, clicking list cells and header items, and answering message boxes.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "firewall/firewall_access.h"
#include "platform/sync.h"
#include "firewall/firewall_host.h"
#include "pages/firewall_pages_host.h"
#include "standin/firewall/standin_com_creator.h"
#include "standin/firewall/standin_policy.h"
#include "ui/window.h"

class CPortDlg;
class CProgramDlg;

namespace pages_test {

class TestMainWindow : public CWnd, public FirewallHost, public FirewallPagesHost {
public:
    TestMainWindow();
    ~TestMainWindow() override;

    bool Open();

    FirewallAccess& PagesFirewall() override { return firewall; }
    void ShowMessageBox(const char*, const char*, unsigned int) override {}
    void EndModalRun(int) override {}
    void WaitMilliseconds(unsigned int) override {}
    void EndProcess(int) override {}
    void AddPortRow(const char* name, const char* protocolText, const char* portText, int enabled) override;
    void AddProgramRow(const char* name, const char* path, int enabled, const OLECHAR* firewallPath) override;

    std::shared_ptr<standin::StandinPolicy> policy = std::make_shared<standin::StandinPolicy>();
    standin::StandinComCreator creator{policy};
    FirewallAccess firewall{*this, creator};
    CPortDlg* ports = nullptr;
    CProgramDlg* programs = nullptr;
};

// Dispatches this thread's messages (through the pre-translation walk) for the given time.
void PumpMessages(int milliseconds);
// Pumps until the condition holds or the time is up; returns the condition.
template <typename Condition> bool PumpUntil(Condition condition, int milliseconds) {
    for (int waited = 0; waited < milliseconds; waited += 10) {
        if (condition())
            return true;
        PumpMessages(10);
    }
    return condition();
}

// A left click at a point of a window's client area, as posted mouse messages.
void ClickAt(HWND window, POINT point);
// A click on the middle of a list cell, which the list reports as NM_CLICK.
void ClickCell(HWND list, int row, int column);
// A click on the middle of a header item of a list.
void ClickHeaderItem(HWND list, int column);

std::string ItemText(HWND list, int row, int column);

// The result of work running on another thread: get() waits for it. Like a future of std::async,
// it also waits when it goes out of scope unread.
template <class T> class Pending {
public:
    template <class Work> explicit Pending(Work work) : result_(std::make_shared<T>()) {
        std::shared_ptr<T> result = result_;
        thread_ = palisor::Thread([result, work] { *result = work(); });
    }
    Pending(Pending&&) = default;
    ~Pending() {
        if (thread_.joinable())
            thread_.join();
    }
    T get() {
        if (thread_.joinable())
            thread_.join();
        return *result_;
    }

private:
    std::shared_ptr<T> result_;
    palisor::Thread thread_;
};

struct SeenBox {
    bool found = false;
    std::string caption;
    std::string text;
};
// Waits on another thread for a message box owned by the given window, reads it and presses OK.
Pending<SeenBox> AnswerNextMessageBox(HWND owner, int milliseconds = 5000);

// Selects a row of a list and presses Space on it.
void PressSpaceOnRow(HWND list, int row);
// The same, with Space held down long enough for the keyboard to repeat it the given number of times.
void HoldSpaceOnRow(HWND list, int row, int repeats);

// Waits on another thread for a dialog owned by the given window with the given caption and hands it
// to the action (run on that thread). Returns whether the dialog was found.
Pending<bool> WithNextDialog(HWND owner, const char* caption,
                             void (*action)(HWND dialog, const std::string& arg), std::string arg,
                             int milliseconds = 10000);

// Runs the action while another thread answers the one message box it must show (owned by the given
// window), then makes sure that no second box follows. Returns the box seen.
template <typename Action> SeenBox ExpectOneMessage(HWND owner, Action action) {
    auto box = AnswerNextMessageBox(owner);
    action();
    SeenBox seen = box.get();
    auto second = AnswerNextMessageBox(owner, 300);
    PumpMessages(350);
    EXPECT_FALSE(second.get().found) << "a second message followed";
    return seen;
}

std::basic_string<OLECHAR> Ole(const char* text);

} // namespace pages_test
