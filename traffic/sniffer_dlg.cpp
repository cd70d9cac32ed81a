#include "traffic/sniffer_dlg.h"

#include <shellapi.h>

#include "controls/screen_dpi.h"
#include "traffic/capture/winsock_capture_network.h"

namespace {

// No owner window, and no error box of the shell's own when the updater is not installed: the page
// ignores the launch's result and shows nothing.
void ShellLaunch(const char* verb, const char* file, const char* parameters, int show) {
    SHELLEXECUTEINFOA launch = {};
    launch.cbSize = sizeof launch;
    launch.fMask = SEE_MASK_FLAG_NO_UI;
    launch.lpVerb = verb;
    launch.lpFile = file;
    launch.lpParameters = parameters;
    launch.nShow = show;
    ::ShellExecuteExA(&launch);
}

} // namespace

BEGIN_MESSAGE_TABLE(CSnifferDlg, CDialog)
// WM_SIZE is left to the default: the tree keeps its template rectangle.
ON_MESSAGE(WM_CLOSE, &CSnifferDlg::OnCloseMessage)
ON_MESSAGE(WM_DESTROY, &CSnifferDlg::OnDestroy)
ON_MESSAGE(WM_TIMER, &CSnifferDlg::OnTimer)
ON_NOTIFY(TVN_GETDISPINFOA, IDC_TRAFFIC_TREE, &CSnifferDlg::OnTreeDisplayInfo)
END_MESSAGE_TABLE()

CSnifferDlg::CSnifferDlg(CWnd* parent)
    : EscapeFiltered<CDialog>(IDD, parent), ownNetwork(std::make_unique<palisor::WinsockCaptureNetwork>()),
      network(*ownNetwork), launcher(&ShellLaunch),
      engine(network, captureThread, [this](const unsigned char* datagram, std::size_t length) {
          DecodeDatagram(datagram, length);
      }) {
    InitCapture();
}

CSnifferDlg::CSnifferDlg(CWnd* parent, palisor::CaptureNetwork& network, Launcher launcher)
    : EscapeFiltered<CDialog>(IDD, parent), network(network), launcher(std::move(launcher)),
      engine(network, captureThread, [this](const unsigned char* datagram, std::size_t length) {
          DecodeDatagram(datagram, length);
      }) {
    InitCapture();
}

CSnifferDlg::~CSnifferDlg() {
    // The engine's destructor would wait too; stopping here first keeps the thread off the decoder and
    // the tree view while the members below the engine are still whole.
    engine.OnClose();
}

BOOL CSnifferDlg::InitCapture() {
    return engine.InitCapture() ? TRUE : FALSE;
}

void CSnifferDlg::StartCapture() {
    std::string selection;
    if (interfaceCombo.m_hWnd != nullptr)
        selection = interfaceCombo.GetLBText(interfaceCombo.GetCurSel());
    engine.StartCapture(selection);
}

void CSnifferDlg::OnClose() {
    engine.OnClose();
    // Once the capture has ended the tree shows all it decoded at once.
    if (!engine.Capturing() && treeView.window() != nullptr)
        treeUpdater.UpdateAll(queuedTree);
}

void CSnifferDlg::UpdateTree() {
    if (treeView.window() != nullptr)
        treeUpdater.UpdateAll(queuedTree);
}

LRESULT CSnifferDlg::OnTreeDisplayInfo(NMHDR* header) {
    treeUpdater.AnswerDisplayInfo(reinterpret_cast<NMTVDISPINFOA*>(header));
    return 0;
}

LRESULT CSnifferDlg::OnTimer(WPARAM id, LPARAM, bool& handled) {
    if (id != kTreeUpdateTimer) {
        handled = false;
        return 0;
    }
    treeUpdater.Update(queuedTree, kTreeUpdateBudget);
    return 0;
}

void CSnifferDlg::DecodeDatagram(const unsigned char* datagram, std::size_t length) {
    // The decoder exists from initialisation on, before any capture starts.
    if (decoder)
        decoder->DecodeIpPacket(datagram, length);
}

void CSnifferDlg::DoDataExchange(CDataExchange* dx) {
    CDialog::DoDataExchange(dx);
    DDX_Control(dx, IDC_INTERFACE_COMBO, interfaceCombo);
    DDX_Control(dx, IDC_INTERFACE_GROUP, interfaceGroup);
    DDX_Control(dx, IDC_TRAFFIC_TREE, trafficTree);
}

BOOL CSnifferDlg::OnInitDialog() {
    if (launcher)
        launcher("open", kUpdaterFile, kUpdaterParameters, SW_SHOWNORMAL);

    CDialog::OnInitDialog();

    for (const std::string& address : engine.interfaceList())
        interfaceCombo.AddString(address.c_str());
    interfaceCombo.SetCurSel(0);

    // Images, text and indent keep their proportions to the dialog at any DPI.
    const int dpi = dpi::ScreenDpi();
    const int imageSize = palisor::TreeImageSize(dpi);
    imageList.Create(imageSize, imageSize, ILC_COLOR32 | ILC_MASK, 0, 1);
    palisor::AddTreeIcons(imageList, ::GetModuleHandleA(nullptr),
                          {IDI_CONVERSATION, IDI_HEADER_GROUP, IDI_FIELD}, imageSize);
    trafficTree.SetImageList(imageList, TVSIL_NORMAL);
    palisor::ScaleTreeIndent(trafficTree.m_hWnd, dpi);

    LOGFONTA font = {};
    font.lfHeight = dpi::Scale(kTreeFontHeight, dpi);
    lstrcpynA(font.lfFaceName, kTreeFontFace, LF_FACESIZE);
    treeFont.CreateFontIndirect(&font);
    trafficTree.SetFont(treeFont, TRUE);

    treeView.Attach(trafficTree.m_hWnd);
    decoder = std::make_unique<palisor::TrafficDecoder>(queuedTree, *transcript);
    SetTimer(kTreeUpdateTimer, kTreeUpdatePeriod);

    StartCapture();
    return TRUE;
}

LRESULT CSnifferDlg::OnCloseMessage(WPARAM, LPARAM) {
    OnClose();
    return 0;
}

LRESULT CSnifferDlg::OnDestroy(WPARAM, LPARAM) {
    // The tree goes with the page's window: nothing may write to it after that.
    KillTimer(kTreeUpdateTimer);
    engine.OnClose();
    treeView.Attach(nullptr);
    return Default();
}
