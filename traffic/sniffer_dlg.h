// The "View Traffic" page: a tree of the decoded TCP traffic of one local address, filled by the
// capture thread. The page owns the capture, the decoder with its session table, the tree's images
// and font, and an interface chooser that stays hidden; the capture binds to the chooser's first
// address. Initialising the page launches the updater and starts the first capture.
//
// The capture thread never waits on the window: its decoder writes a queued tree (an in-memory
// model that records what changed), and this (the user-interface) thread writes the changes into
// the tree control from a timer, every 100 ms, for at most 20 ms at a time, so a busy window never
// makes the capture lose datagrams and a flood never stops the window answering. The control
// asks the page for its items' texts (TVN_GETDISPINFO). The capture is
// stopped before the tree goes (WM_DESTROY) and again, waiting for the thread, before the page's
// state goes (the destructor).
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "platform/capture_socket.h"
#include "res/resource.h"
#include "traffic/capture/capture_engine.h"
#include "traffic/tree/queued_tree.h"
#include "traffic/decode/traffic_decoder.h"
#include "traffic/decode/transcript_sink.h"
#include "traffic/capture/win32_capture_thread.h"
#include "traffic/tree/win32_tree_updater.h"
#include "traffic/tree/win32_tree_view.h"
#include "ui/combo_box.h"
#include "ui/data_exchange.h"
#include "ui/dialog.h"
#include "ui/escape_filter.h"
#include "ui/gdi_objects.h"
#include "ui/image_list.h"
#include "ui/tree_ctrl.h"

class CSnifferDlg : public EscapeFiltered<CDialog> {
public:
    enum { IDD = IDD_TRAFFIC_PAGE };

    // Starts the updater: verb, file, parameters, show command. The page ignores what happens.
    using Launcher =
        std::function<void(const char* verb, const char* file, const char* parameters, int show)>;

    static constexpr const char* kUpdaterFile = "UpdateApp.exe";
    static constexpr const char* kUpdaterParameters =
        "\"Palisor\" \"4\" \"4.5.0\" \"www.palisor.example\" \"false\"";
    static constexpr const char* kTreeFontFace = "Lucida Console";
    static constexpr int kTreeFontHeight = 12;
    // The timer that brings the tree control up to date, its period and the time one update may take.
    static constexpr UINT_PTR kTreeUpdateTimer = 1;
    static constexpr UINT kTreeUpdatePeriod = 100;
    static constexpr unsigned long kTreeUpdateBudget = 20;

    // Captures through Winsock and launches the updater with ShellExecute. Starts the network and
    // collects the host's addresses (InitCapture).
    explicit CSnifferDlg(CWnd* parent = nullptr);
    // The same over another network and launcher (tests).
    CSnifferDlg(CWnd* parent, palisor::CaptureNetwork& network, Launcher launcher);
    ~CSnifferDlg() override;

    // Starts the network and appends the host's addresses to the interface list.
    BOOL InitCapture();
    // Starts the capture thread on the address selected in the interface chooser.
    void StartCapture();
    // Stops the capture, waiting at most five seconds for the thread; also the WM_CLOSE handler,
    // which neither closes nor destroys the page.
    void OnClose();

    bool Capturing() { return engine.Capturing(); }
    const palisor::CaptureEngine& captureEngine() const { return engine; }
    // Where the one-line transcript of every segment goes; nowhere unless set. Set before the
    // capture starts.
    void SetTranscriptSink(palisor::TranscriptSink& sink) { transcript = &sink; }
    // Hands one received datagram to the decoder, as the capture thread does; call from a thread
    // other than the page's.
    void DecodeDatagram(const unsigned char* datagram, std::size_t length);
    // Writes every change waiting for the tree control now, instead of at the next timer tick.
    void UpdateTree();
    // What the capture thread has decoded; the tree control shows it once brought up to date.
    palisor::QueuedTree& trafficModel() { return queuedTree; }

    CImageList imageList;
    CComboBox interfaceCombo;
    CWnd interfaceGroup;
    CTreeCtrl trafficTree;
    CFont treeFont;

protected:
    BOOL OnInitDialog() override;
    void DoDataExchange(CDataExchange* dx) override;
    void OnOK() override {}
    void OnCancel() override {}

private:
    LRESULT OnCloseMessage(WPARAM, LPARAM);
    LRESULT OnDestroy(WPARAM, LPARAM);
    LRESULT OnTimer(WPARAM, LPARAM, bool& handled);
    LRESULT OnTreeDisplayInfo(NMHDR* header);

    std::unique_ptr<palisor::CaptureNetwork> ownNetwork;
    palisor::CaptureNetwork& network;
    Launcher launcher;
    palisor::NullTranscriptSink noTranscript;
    palisor::TranscriptSink* transcript = &noTranscript;
    palisor::QueuedTree queuedTree;
    palisor::Win32TreeView treeView;
    palisor::Win32TreeUpdater treeUpdater{treeView};
    std::unique_ptr<palisor::TrafficDecoder> decoder;
    palisor::Win32CaptureThread captureThread;
    // Last, so that it is destroyed first: its destructor waits for the thread that uses the decoder.
    palisor::CaptureEngine engine;

    DECLARE_MESSAGE_TABLE()
};
