// The traffic page over a scripted network: the updater launch, the hidden interface chooser, the
// tree's images and font, datagrams reaching the tree from the capture thread, and stopping.
#include <winsock2.h>

#include "tests/unit/traffic/datagram_builder.h"
#include "traffic/capture/scripted_capture_network.h"
#include "traffic/tree/memory_tree.h"
#include "traffic/sniffer_dlg.h"
#include "traffic/tree/win32_tree_view.h"
#include "ui/message_loop.h"

#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

using palisor::testing::BuildDatagram;
using palisor::testing::Ipv4;
using palisor::testing::Segment;

void PumpMessages(int milliseconds) {
    DWORD end = ::GetTickCount() + static_cast<DWORD>(milliseconds);
    do {
        MSG msg;
        while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (!ui::PreTranslateThroughParents(&msg)) {
                ::TranslateMessage(&msg);
                ::DispatchMessageA(&msg);
            }
        }
        ::Sleep(2);
    } while (static_cast<LONG>(end - ::GetTickCount()) > 0);
}

template <typename Condition> bool PumpUntil(Condition condition, int milliseconds) {
    for (int waited = 0; waited < milliseconds; waited += 10) {
        if (condition())
            return true;
        PumpMessages(10);
    }
    return condition();
}

struct Launch {
    std::string verb, file, parameters;
    int show = -1;
};

class TrafficPageTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        INITCOMMONCONTROLSEX init = {sizeof init, ICC_TREEVIEW_CLASSES | ICC_STANDARD_CLASSES};
        ::InitCommonControlsEx(&init);
    }

    void SetUp() override {
        ASSERT_TRUE(main.CreateEx(0, nullptr, "Traffic", WS_POPUP | WS_CAPTION | WS_VISIBLE, 20, 20, 640, 420,
                                  nullptr, nullptr));
        network.hostAddresses = {"192.168.1.9", "192.168.1.10"};
        page = std::make_unique<CSnifferDlg>(
            &main, network, [this](const char* verb, const char* file, const char* parameters, int show) {
                launches.push_back({verb, file, parameters, show});
            });
        page->SetTranscriptSink(transcript);
        ASSERT_TRUE(page->Create(&main));
        page->ShowWindow(SW_SHOW);
        PumpMessages(20);
    }

    void TearDown() override {
        if (page && page->m_hWnd != nullptr)
            page->DestroyWindow();
        page.reset();
        if (main.m_hWnd != nullptr)
            main.DestroyWindow();
    }

    HWND Tree() const { return page->trafficTree.m_hWnd; }
    int TreeCount() const { return static_cast<int>(::SendMessageA(Tree(), TVM_GETCOUNT, 0, 0)); }
    std::string TreeText(HTREEITEM item) const {
        char text[256] = {};
        TVITEMA tv = {};
        tv.mask = TVIF_TEXT;
        tv.hItem = item;
        tv.pszText = text;
        tv.cchTextMax = sizeof text;
        ::SendMessageA(Tree(), TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&tv));
        return text;
    }
    RECT TreeRect() const {
        RECT rect;
        ::GetWindowRect(Tree(), &rect);
        ::MapWindowPoints(nullptr, page->m_hWnd, reinterpret_cast<POINT*>(&rect), 2);
        return rect;
    }

    CWnd main;
    palisor::ScriptedCaptureNetwork network;
    palisor::CollectingTranscriptSink transcript;
    std::vector<Launch> launches;
    std::unique_ptr<CSnifferDlg> page;
};

TEST_F(TrafficPageTest, InitialisingLaunchesTheUpdaterOnceWithItsFiveArguments) {
    ASSERT_EQ(launches.size(), 1u);
    EXPECT_EQ(launches[0].verb, "open");
    EXPECT_EQ(launches[0].file, "UpdateApp.exe");
    EXPECT_EQ(launches[0].parameters, "\"Palisor\" \"4\" \"4.5.0\" \"www.palisor.example\" \"false\"");
    EXPECT_EQ(launches[0].show, SW_SHOWNORMAL);
}

TEST_F(TrafficPageTest, TheHiddenChooserSortsTheAddressesAndTheCaptureBindsToTheFirst) {
    ASSERT_EQ(page->interfaceCombo.GetCount(), 2);
    EXPECT_EQ(page->interfaceCombo.GetLBText(0), "192.168.1.10");
    EXPECT_EQ(page->interfaceCombo.GetLBText(1), "192.168.1.9");
    EXPECT_EQ(page->interfaceCombo.GetCurSel(), 0);
    EXPECT_FALSE(page->interfaceCombo.IsWindowVisible());
    EXPECT_FALSE(page->interfaceGroup.IsWindowVisible());
    EXPECT_TRUE(page->trafficTree.IsWindowVisible());
    ASSERT_TRUE(network.WaitUntilIdle(5000));
    EXPECT_EQ(network.counts().boundAddress, "192.168.1.10");
    EXPECT_TRUE(page->Capturing());
}

TEST_F(TrafficPageTest, TheTreeHasItsThreeImagesAndItsFont) {
    HIMAGELIST images =
        reinterpret_cast<HIMAGELIST>(::SendMessageA(Tree(), TVM_GETIMAGELIST, TVSIL_NORMAL, 0));
    ASSERT_NE(images, nullptr);
    EXPECT_EQ(ImageList_GetImageCount(images), 3);
    int cx = 0, cy = 0;
    ImageList_GetIconSize(images, &cx, &cy);
    EXPECT_EQ(cx, 16);
    EXPECT_EQ(cy, 16);
    HFONT font = reinterpret_cast<HFONT>(::SendMessageA(Tree(), WM_GETFONT, 0, 0));
    ASSERT_NE(font, nullptr);
    EXPECT_EQ(font, page->treeFont.GetSafeHandle());
    LOGFONTA info = {};
    ASSERT_NE(::GetObjectA(font, sizeof info, &info), 0);
    EXPECT_EQ(info.lfHeight, 12);
    EXPECT_STREQ(info.lfFaceName, "Lucida Console");
    EXPECT_EQ(info.lfWeight, 0);
    EXPECT_EQ(info.lfItalic, 0);
}

TEST_F(TrafficPageTest, DatagramsFromTheCaptureThreadFillTheTree) {
    ASSERT_TRUE(network.WaitUntilIdle(5000));
    const std::uint32_t a = Ipv4(192, 168, 1, 10);
    const std::uint32_t b = Ipv4(192, 168, 1, 1);
    network.QueueDatagram(BuildDatagram(Segment(a, 3000, b, 443, 0x02, 77)));
    network.QueueDatagram(BuildDatagram(Segment(b, 443, a, 3000, 0x12, 900)));
    network.QueueDatagram(BuildDatagram(Segment(a, 3000, b, 443, 0x18, 78, 100)));
    // Two address pairs, eleven items each; the third datagram rewrites the first pair's entry.
    ASSERT_TRUE(PumpUntil([&] { return TreeCount() == 22 && network.WaitUntilIdle(0); }, 5000))
        << TreeCount();
    HTREEITEM first = reinterpret_cast<HTREEITEM>(::SendMessageA(Tree(), TVM_GETNEXTITEM, TVGN_ROOT, 0));
    ASSERT_NE(first, nullptr);
    const std::string top = TreeText(first);
    EXPECT_NE(top.find("192.168.1.10"), std::string::npos) << top;
    EXPECT_NE(top.find("192.168.1.1"), std::string::npos) << top;
    // Not a datagram the tree shows (UDP): nothing changes.
    auto udp = Segment(a, 53, b, 53, 0x00, 1);
    udp.protocol = 17;
    network.QueueDatagram(BuildDatagram(udp));
    PumpMessages(100);
    EXPECT_EQ(TreeCount(), 22);
}

std::string Walk(palisor::TreeAccess& tree, palisor::TreeItem first, int depth) {
    std::string out;
    for (palisor::TreeItem item = first; item; item = tree.NextSibling(item)) {
        out.append(std::size_t(depth) * 2, ' ');
        out += tree.GetText(item);
        out += '\n';
        out += Walk(tree, tree.FirstChild(item), depth + 1);
    }
    return out;
}

TEST_F(TrafficPageTest, TwentyThousandDatagramsWhileTheWindowIsBlockedAreAllShown) {
    ASSERT_TRUE(network.WaitUntilIdle(5000));
    // 400 address pairs, each with a handshake, data and a close, repeated: 20,000 segments.
    std::vector<std::vector<std::uint8_t>> datagrams;
    for (int round = 0; round < 10; ++round)
        for (int pair = 0; pair < 400; ++pair) {
            const std::uint32_t client = Ipv4(10, 1, pair / 200, pair % 200 + 1);
            const std::uint32_t server = Ipv4(192, 168, 7, 1);
            const std::uint16_t port = static_cast<std::uint16_t>(20000 + round);
            const std::uint32_t seq = 1000u * round;
            datagrams.push_back(BuildDatagram(Segment(client, port, server, 80, 0x02, seq)));
            datagrams.push_back(BuildDatagram(Segment(client, port, server, 80, 0x18, seq + 1, 40)));
            datagrams.push_back(BuildDatagram(Segment(client, port, server, 80, 0x10, seq + 41)));
            datagrams.push_back(BuildDatagram(Segment(client, port, server, 80, 0x18, seq + 41, 7)));
            datagrams.push_back(BuildDatagram(Segment(client, port, server, 80, 0x11, seq + 48)));
        }
    ASSERT_EQ(datagrams.size(), 20000u);
    for (const auto& datagram : datagrams)
        network.QueueDatagram(datagram);

    // The user-interface thread is blocked for two seconds: it serves nothing.
    ::Sleep(2000);
    // Meanwhile the capture has read and decoded every datagram.
    EXPECT_TRUE(network.WaitUntilIdle(0));
    EXPECT_EQ(transcript.Lines().size(), 20000u);

    // Then the window catches up from its timer.
    palisor::Win32TreeView view(Tree());
    ASSERT_TRUE(PumpUntil(
        [&] { return TreeCount() == 400 * 11 && page->trafficModel().PendingChanges() == 0; }, 20000))
        << TreeCount();
    palisor::MemoryTree memory;
    palisor::NullTranscriptSink none;
    palisor::TrafficDecoder reference(memory, none);
    for (const auto& datagram : datagrams)
        reference.DecodeIpPacket(datagram.data(), datagram.size());
    const std::string shown = Walk(view, view.FirstRoot(), 0);
    EXPECT_EQ(shown, memory.Dump());
    EXPECT_EQ(shown, page->trafficModel().Dump());
}

TEST_F(TrafficPageTest, ResizingThePageLeavesTheTreeInPlace) {
    const RECT before = TreeRect();
    ::SendMessageA(page->m_hWnd, WM_SIZE, SIZE_RESTORED, MAKELPARAM(200, 100));
    page->SetWindowPos(nullptr, 0, 0, 300, 120, SWP_NOZORDER | SWP_NOMOVE);
    PumpMessages(20);
    const RECT after = TreeRect();
    EXPECT_EQ(after.left, before.left);
    EXPECT_EQ(after.top, before.top);
    EXPECT_EQ(after.right, before.right);
    EXPECT_EQ(after.bottom, before.bottom);
}

TEST_F(TrafficPageTest, CloseStopsTheCaptureButKeepsThePageAndOnRestartsIt) {
    ASSERT_TRUE(network.WaitUntilIdle(5000));
    ::SendMessageA(page->m_hWnd, WM_CLOSE, 0, 0);
    EXPECT_FALSE(page->Capturing());
    EXPECT_TRUE(page->IsWindow());
    EXPECT_TRUE(page->IsWindowVisible());
    // "On" again: InitCapture then StartCapture, on the same chooser.
    page->InitCapture();
    page->StartCapture();
    EXPECT_TRUE(page->Capturing());
    ASSERT_TRUE(network.WaitUntilIdle(5000));
    EXPECT_EQ(network.counts().socketsCreated, 2);
    page->OnClose();
    EXPECT_FALSE(page->Capturing());
}

// Counts the Cancel commands sent to one window: what the dialog manager makes of Escape.
HWND cancelWatched = nullptr;
int cancelsSeen = 0;
LRESULT CALLBACK WatchCancel(int code, WPARAM wParam, LPARAM lParam) {
    const auto* sent = reinterpret_cast<const CWPSTRUCT*>(lParam);
    if (code == HC_ACTION && sent->hwnd == cancelWatched && sent->message == WM_COMMAND &&
        LOWORD(sent->wParam) == IDCANCEL)
        ++cancelsSeen;
    return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

TEST_F(TrafficPageTest, EscapeInTheTreeIsSwallowed) {
    cancelWatched = page->m_hWnd;
    cancelsSeen = 0;
    HHOOK hook = ::SetWindowsHookExA(WH_CALLWNDPROC, &WatchCancel, nullptr, ::GetCurrentThreadId());
    ASSERT_NE(hook, nullptr);
    ::SetFocus(Tree());
    ::PostMessageA(Tree(), WM_KEYDOWN, VK_ESCAPE, 1);
    PumpMessages(50);
    // The page's filter took the key: the dialog manager never turned it into Cancel (the page's
    // own Cancel does nothing, so only the command itself tells).
    EXPECT_EQ(cancelsSeen, 0);
    EXPECT_TRUE(page->IsWindow());
    EXPECT_TRUE(page->IsWindowVisible());
    // Without the filter the same key reaches the dialog manager, and the watch sees its Cancel.
    MSG escape = {Tree(), WM_KEYDOWN, VK_ESCAPE, 1, 0, {0, 0}};
    ::IsDialogMessageA(page->m_hWnd, &escape);
    EXPECT_EQ(cancelsSeen, 1);
    ::UnhookWindowsHookEx(hook);
}

TEST_F(TrafficPageTest, DestroyingThePageStopsTheCaptureWhileDatagramsArrive) {
    ASSERT_TRUE(network.WaitUntilIdle(5000));
    // A busy network: the capture thread is updating the tree all the time.
    network.RepeatForever(BuildDatagram(Segment(Ipv4(10, 0, 0, 5), 1025, Ipv4(10, 0, 0, 1), 80, 0x10, 1)));
    PumpMessages(50);
    page->DestroyWindow();
    EXPECT_FALSE(page->Capturing());
    page.reset();
    const auto counts = network.counts();
    EXPECT_EQ(counts.socketsCreated, counts.socketsClosed);
    EXPECT_EQ(counts.buffersAllocated, counts.buffersFreed);
}

TEST(TrafficPageWithoutAddresses, StartsNoCapture) {
    INITCOMMONCONTROLSEX init = {sizeof init, ICC_TREEVIEW_CLASSES};
    ::InitCommonControlsEx(&init);
    CWnd main;
    ASSERT_TRUE(main.CreateEx(0, nullptr, "Traffic", WS_POPUP, 0, 0, 600, 400, nullptr, nullptr));
    palisor::ScriptedCaptureNetwork network;
    CSnifferDlg page(&main, network, nullptr);
    ASSERT_TRUE(page.Create(&main));
    EXPECT_EQ(page.interfaceCombo.GetCount(), 0);
    EXPECT_FALSE(page.Capturing());
    page.DestroyWindow();
    main.DestroyWindow();
}

TEST(TrafficPageOnWinsock, StartsWithoutTheUpdaterAndStaysUsableWhenTheCaptureFails) {
    INITCOMMONCONTROLSEX init = {sizeof init, ICC_TREEVIEW_CLASSES};
    ::InitCommonControlsEx(&init);
    CWnd main;
    ASSERT_TRUE(
        main.CreateEx(0, nullptr, "Traffic", WS_POPUP | WS_VISIBLE, 0, 0, 600, 400, nullptr, nullptr));
    // The real network and the real launch of an updater that is not installed: neither may block or
    // show anything. Where raw sockets are refused the capture ends by itself.
    CSnifferDlg page(&main);
    const DWORD started = ::GetTickCount();
    ASSERT_TRUE(page.Create(&main));
    EXPECT_LT(::GetTickCount() - started, 10000u);
    page.ShowWindow(SW_SHOW);
    PumpUntil([&] { return !page.Capturing(); }, 3000);
    EXPECT_TRUE(page.trafficTree.IsWindowVisible());
    page.OnClose();
    EXPECT_FALSE(page.Capturing());
    page.DestroyWindow();
    main.DestroyWindow();
}

} // namespace
