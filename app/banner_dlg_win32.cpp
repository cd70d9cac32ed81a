#include "app/banner_dlg.h"

#include "app/shell_open.h"
#include "app/web_site.h"
#include "controls/screen_dpi.h"
#include "res/resource.h"

namespace {

// The banner is 468 x 60 pixels at 96 DPI, and drawn again for 120, 144 and 192 DPI.
constexpr int kWidthAt96Dpi = 468;
constexpr int kHeightAt96Dpi = 60;
struct BannerArt {
    int dpi;
    UINT bitmapId;
};
constexpr BannerArt kBannerArt[] = {
    {96, IDB_BANNER}, {120, IDB_BANNER_120}, {144, IDB_BANNER_144}, {192, IDB_BANNER_192}};

// A copy of the bitmap at another size, with halftoning; null when it cannot be made.
HBITMAP ScaledCopy(HBITMAP source, int width, int height) {
    BITMAP info = {};
    if (::GetObjectA(source, sizeof(info), &info) == 0)
        return nullptr;
    HDC screen = ::GetDC(nullptr);
    if (screen == nullptr)
        return nullptr;
    HDC from = ::CreateCompatibleDC(screen);
    HDC to = ::CreateCompatibleDC(screen);
    HBITMAP copy = ::CreateCompatibleBitmap(screen, width, height);
    bool drawn = false;
    if (from != nullptr && to != nullptr && copy != nullptr) {
        HGDIOBJ previousFrom = ::SelectObject(from, source);
        HGDIOBJ previousTo = ::SelectObject(to, copy);
        ::SetStretchBltMode(to, HALFTONE);
        ::SetBrushOrgEx(to, 0, 0, nullptr);
        drawn =
            ::StretchBlt(to, 0, 0, width, height, from, 0, 0, info.bmWidth, info.bmHeight, SRCCOPY) != FALSE;
        ::SelectObject(from, previousFrom);
        ::SelectObject(to, previousTo);
    }
    if (to != nullptr)
        ::DeleteDC(to);
    if (from != nullptr)
        ::DeleteDC(from);
    ::ReleaseDC(nullptr, screen);
    if (!drawn && copy != nullptr) {
        ::DeleteObject(copy);
        copy = nullptr;
    }
    return copy;
}

// The banner for a DPI: the one drawn for it, or else the nearest one drawn larger (the largest
// above 192 DPI) brought to the banner's size at that DPI.
HBITMAP LoadBannerFor(int dpi) {
    const HINSTANCE instance = ::GetModuleHandleA(nullptr);
    const BannerArt* source = &kBannerArt[sizeof(kBannerArt) / sizeof(kBannerArt[0]) - 1];
    for (const BannerArt& art : kBannerArt) {
        if (art.dpi == dpi)
            return ::LoadBitmapA(instance, MAKEINTRESOURCEA(art.bitmapId));
        if (art.dpi > dpi && source->dpi > art.dpi)
            source = &art;
    }
    CBitmap drawn;
    drawn.Attach(::LoadBitmapA(instance, MAKEINTRESOURCEA(source->bitmapId)));
    if (drawn.GetSafeHandle() == nullptr)
        return nullptr;
    return ScaledCopy(drawn, dpi::Scale(kWidthAt96Dpi, dpi), dpi::Scale(kHeightAt96Dpi, dpi));
}

} // namespace

BEGIN_MESSAGE_TABLE(CBannerDlg, EscapeFiltered<CDialog>)
ON_CONTROL(STN_CLICKED, IDC_BANNER_PICTURE, &CBannerDlg::OnPictureClicked)
ON_MESSAGE(WM_SETCURSOR, &CBannerDlg::OnSetCursor)
ON_MESSAGE(WM_DESTROY, &CBannerDlg::OnDestroy)
END_MESSAGE_TABLE()

CBannerDlg::CBannerDlg(CWnd* parent) : EscapeFiltered<CDialog>(IDD_BANNER, parent) {}

CBannerDlg::~CBannerDlg() = default;

BOOL CBannerDlg::OnInitDialog() {
    const BOOL result = EscapeFiltered<CDialog>::OnInitDialog();
    const int dpi = dpi::ScreenDpi();
    if (dpi == dpi::kBaseDpi)
        return result;
    picture.Attach(LoadBannerFor(dpi));
    if (picture.GetSafeHandle() != nullptr) {
        // The control keeps the picture centred, as it does the template's.
        templatePicture = reinterpret_cast<HBITMAP>(
            ::SendDlgItemMessageA(m_hWnd, IDC_BANNER_PICTURE, STM_SETIMAGE, IMAGE_BITMAP,
                                  reinterpret_cast<LPARAM>(picture.GetSafeHandle())));
    }
    return result;
}

LRESULT CBannerDlg::OnDestroy(WPARAM, LPARAM) {
    // The control gets its own picture back, to deal with as it always does; ours goes with it.
    if (picture.GetSafeHandle() != nullptr) {
        ::SendDlgItemMessageA(m_hWnd, IDC_BANNER_PICTURE, STM_SETIMAGE, IMAGE_BITMAP,
                              reinterpret_cast<LPARAM>(templatePicture));
        picture.DeleteObject();
        templatePicture = nullptr;
    }
    return Default();
}

void CBannerDlg::OnPictureClicked() {
    palisor::OpenInShell("open", palisor::web::kSiteRoot);
}

// The picture hands WM_SETCURSOR to its parent first, so this covers the picture as well as the
// banner's own background.
LRESULT CBannerDlg::OnSetCursor(WPARAM, LPARAM) {
    ::SetCursor(::LoadCursor(nullptr, IDC_HAND));
    return TRUE;
}
