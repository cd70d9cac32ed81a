// Shows the dialog templates on screen, laid out the way the main window lays out its pages and
// banner, with a few sample rows, so that a screenshot shows what the user will see.
//
//   res_template_preview [programs|ports|traffic|about] [seconds]
#include "res/resource.h"

#include <windows.h>
#include <commctrl.h>

#include <cstdlib>
#include <cstring>
#include <initializer_list>

namespace {

INT_PTR CALLBACK PlainDialogProc(HWND, UINT message, WPARAM, LPARAM) {
    return message == WM_INITDIALOG ? TRUE : FALSE;
}

HWND Child(HINSTANCE instance, int id, HWND parent) {
    return CreateDialogParamA(instance, MAKEINTRESOURCEA(id), parent, PlainDialogProc, 0);
}

void AddColumns(HWND list, const char* const* titles, const int* widths, int count, HIMAGELIST images) {
    for (int i = 0; i < count; ++i) {
        LVCOLUMNA column = {};
        column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT;
        column.fmt = LVCFMT_LEFT;
        column.cx = widths[i];
        column.pszText = const_cast<char*>(titles[i]);
        SendMessageA(list, LVM_INSERTCOLUMNA, i, reinterpret_cast<LPARAM>(&column));
    }
    SendMessageA(list, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
    HWND header = reinterpret_cast<HWND>(SendMessageA(list, LVM_GETHEADER, 0, 0));
    SendMessageA(header, HDM_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(images));
    for (int i = 0; i < count; ++i) {
        HDITEMA item = {};
        item.mask = HDI_FORMAT | HDI_IMAGE;
        SendMessageA(header, HDM_GETITEMA, i, reinterpret_cast<LPARAM>(&item));
        item.fmt |= HDF_IMAGE;
        item.iImage = i == 0 ? 1 : 0;
        SendMessageA(header, HDM_SETITEMA, i, reinterpret_cast<LPARAM>(&item));
    }
}

void AddRow(HWND list, int row, const char* const* cells, int count) {
    LVITEMA item = {};
    item.mask = LVIF_TEXT;
    item.iItem = row;
    item.pszText = const_cast<char*>("");
    SendMessageA(list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
    for (int i = 1; i < count; ++i) {
        item.iSubItem = i;
        item.pszText = const_cast<char*>(cells[i]);
        SendMessageA(list, LVM_SETITEMTEXTA, row, reinterpret_cast<LPARAM>(&item));
    }
}

void FillPorts(HWND page, HIMAGELIST images) {
    HWND list = GetDlgItem(page, IDC_PORT_LIST);
    RECT r;
    GetWindowRect(list, &r);
    int w = (r.right - r.left) / 10;
    const char* titles[] = {"Enable", "Port Name", "Port Number", "Protocol", ""};
    const int widths[] = {3 * w / 2, 7 * w / 2, 2 * w, 3 * w / 2 - 1, 3 * w / 2};
    AddColumns(list, titles, widths, 5, images);
    const char* rows[][5] = {{"", "Web", "8080 ", "TCP", "Remove"},
                             {"", "Name service", "53 ", "UDP", "Remove"}};
    for (int i = 0; i < 2; ++i)
        AddRow(list, i, rows[i], 5);
    CheckRadioButton(page, IDC_PROTOCOL_TCP, IDC_PROTOCOL_UDP, IDC_PROTOCOL_TCP);
}

void FillPrograms(HWND page, HIMAGELIST images) {
    HWND list = GetDlgItem(page, IDC_PROGRAM_LIST);
    RECT r;
    GetWindowRect(list, &r);
    int w = (r.right - r.left) / 5;
    const char* titles[] = {"Enable", "Program", "", "Path"};
    const int widths[] = {w - 32, w + 10, w / 2 + 28, 5 * w / 2 - 10};
    AddColumns(list, titles, widths, 4, images);
    const char* rows[][4] = {{"", "Mail", "Remove", "C:\\Program Files\\Mail\\mail.exe"},
                             {"", "Chat", "Remove", "C:\\Program Files\\Chat\\chat.exe"}};
    for (int i = 0; i < 2; ++i)
        AddRow(list, i, rows[i], 4);
}

void FillTraffic(HINSTANCE instance, HWND page) {
    HWND tree = GetDlgItem(page, IDC_TRAFFIC_TREE);
    HIMAGELIST images = ImageList_Create(16, 16, ILC_COLOR32 | ILC_MASK, 0, 1);
    for (int id : {IDI_CONVERSATION, IDI_HEADER_GROUP, IDI_FIELD})
        ImageList_ReplaceIcon(images, -1, LoadIconA(instance, MAKEINTRESOURCEA(id)));
    SendMessageA(tree, TVM_SETIMAGELIST, TVSIL_NORMAL, reinterpret_cast<LPARAM>(images));
    LOGFONTA font = {};
    font.lfHeight = 12;
    strcpy(font.lfFaceName, "Lucida Console");
    SendMessageA(tree, WM_SETFONT, reinterpret_cast<WPARAM>(CreateFontIndirectA(&font)), TRUE);
    auto insert = [&](HTREEITEM parent, const char* text, int image) {
        TVINSERTSTRUCTA s = {};
        s.hParent = parent;
        s.hInsertAfter = TVI_LAST;
        s.item.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE;
        s.item.pszText = const_cast<char*>(text);
        s.item.iImage = s.item.iSelectedImage = image;
        return reinterpret_cast<HTREEITEM>(
            SendMessageA(tree, TVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&s)));
    };
    HTREEITEM pair = insert(TVI_ROOT, "10.0.0.5 - 10.0.0.1", 0);
    HTREEITEM ip = insert(pair, "IP Header", 1);
    insert(ip, "Source IP:........10.0.0.5", 2);
    insert(ip, "Destination IP:...10.0.0.1", 2);
    HTREEITEM tcp = insert(pair, "TCP Header", 1);
    insert(tcp, "Source Port:......49152", 2);
    insert(tcp, "Flags:............SYN,TAPI", 2);
    insert(TVI_ROOT, "10.0.0.1 - 10.0.0.5", 0);
    SendMessageA(tree, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(pair));
    SendMessageA(tree, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(ip));
    SendMessageA(tree, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(tcp));
}

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_WIN95_CLASSES};
    InitCommonControlsEx(&icc);
    const char* what = __argc > 1 ? __argv[1] : "programs";
    int seconds = __argc > 2 ? atoi(__argv[2]) : 5;

    HWND shown = nullptr;
    if (strcmp(what, "about") == 0) {
        shown = Child(instance, IDD_ABOUTBOX, nullptr);
        ShowWindow(shown, SW_SHOW);
    } else {
        HWND main = Child(instance, IDD_PALISOR_DIALOG, nullptr);
        shown = main;
        HICON icon = LoadIconA(instance, MAKEINTRESOURCEA(IDR_MAINFRAME));
        SendMessageA(main, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
        SendMessageA(main, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
        HWND tabs = GetDlgItem(main, IDC_TABS);
        const char* captions[] = {"Add/Remove Programs", "View Ports", "View Traffic"};
        for (int i = 0; i < 3; ++i) {
            TCITEMA item = {};
            item.mask = TCIF_TEXT;
            item.pszText = const_cast<char*>(captions[i]);
            SendMessageA(tabs, TCM_INSERTITEMA, i, reinterpret_cast<LPARAM>(&item));
        }
        int tab = strcmp(what, "ports") == 0 ? 1 : strcmp(what, "traffic") == 0 ? 2 : 0;
        SendMessageA(tabs, TCM_SETCURSEL, tab, 0);
        CheckRadioButton(main, IDC_FIREWALL_ON, IDC_FIREWALL_OFF, IDC_FIREWALL_ON);
        CheckRadioButton(main, IDC_LOGS_ON, IDC_LOGS_OFF, IDC_LOGS_ON);

        // The page container over the tab's display area, the page at its top-left corner.
        RECT area;
        GetWindowRect(tabs, &area);
        SendMessageA(tabs, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&area));
        MapWindowPoints(nullptr, main, reinterpret_cast<POINT*>(&area), 2);
        HWND container = Child(instance, IDD_PAGE_CONTAINER, main);
        SetWindowPos(container, HWND_TOP, area.left, area.top, area.right - area.left, area.bottom - area.top,
                     SWP_SHOWWINDOW);
        HIMAGELIST checks = ImageList_Create(16, 16, ILC_COLOR24 | ILC_MASK, 3, 3);
        HBITMAP strip = LoadBitmapA(instance, MAKEINTRESOURCEA(IDB_CHECK_BOXES));
        ImageList_AddMasked(checks, strip, RGB(255, 0, 255));
        const int pages[] = {IDD_PROGRAMS_PAGE, IDD_PORTS_PAGE, IDD_TRAFFIC_PAGE};
        HWND page = Child(instance, pages[tab], container);
        if (tab == 0)
            FillPrograms(page, checks);
        else if (tab == 1)
            FillPorts(page, checks);
        else
            FillTraffic(instance, page);
        SetWindowPos(page, nullptr, 0, 0, 505, 230, SWP_NOZORDER | SWP_SHOWWINDOW);

        // The banner container over its placeholder, the banner inside it.
        RECT place;
        GetWindowRect(GetDlgItem(main, IDC_BANNER_PLACEHOLDER), &place);
        MapWindowPoints(nullptr, main, reinterpret_cast<POINT*>(&place), 2);
        HWND bannerBox = Child(instance, IDD_BANNER_CONTAINER, main);
        SetWindowPos(bannerBox, HWND_TOP, place.left, place.top, 0, 0, SWP_NOSIZE | SWP_SHOWWINDOW);
        HWND banner = Child(instance, IDD_BANNER, bannerBox);
        SetWindowPos(banner, nullptr, 0, 0, 1000, 64, SWP_NOZORDER | SWP_SHOWWINDOW);
    }
    SetWindowPos(shown, nullptr, 40, 40, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    SetForegroundWindow(shown);
    SetTimer(nullptr, 0, seconds * 1000, nullptr);
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        if (msg.message == WM_TIMER && msg.hwnd == nullptr)
            break;
        if (!IsDialogMessageA(shown, &msg)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
    DestroyWindow(shown);
    return 0;
}
