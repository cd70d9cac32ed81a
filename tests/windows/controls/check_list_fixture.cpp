#include "check_list_fixture.h"

#include "ui/gdi_objects.h"

namespace testing_controls {

BEGIN_MESSAGE_TABLE(ListDialog, CDialog)
ON_NOTIFY(NM_CLICK, kListId, &ListDialog::OnListClick)
ON_NOTIFY(LVN_COLUMNCLICK, kListId, &ListDialog::OnColumnClick)
END_MESSAGE_TABLE()

HBITMAP MakeCheckStrip() {
    HDC screen = ::GetDC(nullptr);
    HBITMAP strip = ::CreateCompatibleBitmap(screen, 48, 16);
    HDC dc = ::CreateCompatibleDC(screen);
    HGDIOBJ previous = ::SelectObject(dc, strip);
    RECT all = {0, 0, 48, 16};
    CBrush face(::GetSysColor(COLOR_BTNFACE));
    ::FillRect(dc, &all, face);
    for (int image = 1; image <= 2; ++image) {
        RECT frame = {image * 16 + 1, 1, image * 16 + 15, 15};
        CBrush black(kBlack), white(kWhite), mark(kStripMark);
        ::FillRect(dc, &frame, black);
        RECT inside = {frame.left + 1, 2, frame.right - 1, 14};
        ::FillRect(dc, &inside, white);
        if (image == 2) {
            RECT centre = {frame.left + 4, 5, frame.right - 4, 11};
            ::FillRect(dc, &centre, mark);
        }
    }
    ::SelectObject(dc, previous);
    ::DeleteDC(dc);
    ::ReleaseDC(nullptr, screen);
    return strip;
}

DialogTemplate MakeListTemplate() {
    DialogTemplate t(WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_VISIBLE, 0, 0, 0, 420, 230, "Check list");
    t.AddControl(WC_LISTVIEWA, WS_VISIBLE | WS_BORDER | WS_TABSTOP | LVS_REPORT | LVS_SINGLESEL, 7, 7, 300,
                 120, kListId);
    t.AddControl(WC_LISTVIEWA, WS_VISIBLE | WS_BORDER | LVS_REPORT, 7, 135, 110, 80, kEmptyListId);
    t.AddControl("EDIT", WS_VISIBLE | WS_BORDER | WS_TABSTOP, 320, 7, 80, 14, kEditId);
    return t;
}

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
        ::Sleep(5);
    } while (static_cast<LONG>(end - ::GetTickCount()) > 0);
}

void SetUpColumns(CXListCtrl& list) {
    list.SetExtendedStyle(LVS_EX_FULLROWSELECT);
    list.InsertColumn(0, "Enable", LVCFMT_LEFT, 70);
    list.InsertColumn(1, "Name", LVCFMT_LEFT, 110);
    list.InsertColumn(2, "Port", LVCFMT_RIGHT, 60);
    list.InsertColumn(3, "Remove", LVCFMT_CENTER, 70);
    // The owner fills the image list and hands it to the header; column 0 gets the clear box.
    list.checkImages.Create(16, 16, ILC_COLOR24, 3, 0);
    CBitmap strip;
    strip.Attach(MakeCheckStrip());
    list.checkImages.Add(strip, static_cast<HBITMAP>(nullptr));
    ::SendMessageA(list.GetHeaderCtrl(), HDM_SETIMAGELIST, 0,
                   reinterpret_cast<LPARAM>(list.checkImages.m_hImageList));
    list.SetHeaderCheck(0, 1);
}

void FillList(CXListCtrl& list) {
    SetUpColumns(list);
    const char* names[] = {"Web server", "Mail", "Remote desktop"};
    const char* ports[] = {"80", "25", "3389"};
    for (int row = 0; row < 3; ++row) {
        list.InsertItem(row, "");
        list.SetItemText(row, 1, names[row]);
        list.SetItemText(row, 2, ports[row]);
        list.SetItemText(row, 3, "Remove", kBlue, kWhite);
        list.SetCellCheck(row, 0, row == 1 ? 0 : 1);
    }
}

void CheckListTest::SetUpTestSuite() {
    INITCOMMONCONTROLSEX init = {sizeof(init), ICC_LISTVIEW_CLASSES};
    ::InitCommonControlsEx(&init);
}

void CheckListTest::SetUp() {
    dialog = std::make_unique<ListDialog>(dialogTemplate.Get());
    ASSERT_TRUE(dialog->Create());
    ASSERT_NE(dialog->list.m_hWnd, nullptr);
    ASSERT_TRUE(dialog->list.headerSubclassed) << "the header is taken over when the list is attached";
    ::SetWindowPos(dialog->m_hWnd, HWND_TOP, 0, 0, 0, 0, SWP_NOSIZE | SWP_SHOWWINDOW);
    ::SetForegroundWindow(dialog->m_hWnd);
    SetUpColumns(dialog->emptyList);
    PumpMessages(30);
}

void CheckListTest::TearDown() {
    if (dialog && dialog->m_hWnd != nullptr)
        dialog->DestroyWindow();
    dialog.reset();
}

void CheckListTest::Repaint() {
    ::RedrawWindow(dialog->m_hWnd, nullptr, nullptr,
                   RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    PumpMessages(30);
}

COLORREF CheckListTest::Pixel(HWND window, int x, int y) const {
    HDC dc = ::GetDC(window);
    COLORREF color = ::GetPixel(dc, x, y);
    ::ReleaseDC(window, dc);
    return color;
}

int CheckListTest::CountColor(HWND window, const RECT& area, COLORREF color) const {
    HDC dc = ::GetDC(window);
    int count = 0;
    for (int y = area.top; y < area.bottom; ++y)
        for (int x = area.left; x < area.right; ++x)
            count += ::GetPixel(dc, x, y) == color ? 1 : 0;
    ::ReleaseDC(window, dc);
    return count;
}

} // namespace testing_controls
