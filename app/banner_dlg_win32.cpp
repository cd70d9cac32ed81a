#include "app/banner_dlg.h"

#include "app/shell_open.h"
#include "app/web_site.h"
#include "res/resource.h"

BEGIN_MESSAGE_TABLE(CBannerDlg, EscapeFiltered<CDialog>)
ON_CONTROL(STN_CLICKED, IDC_BANNER_PICTURE, &CBannerDlg::OnPictureClicked)
ON_MESSAGE(WM_SETCURSOR, &CBannerDlg::OnSetCursor)
END_MESSAGE_TABLE()

CBannerDlg::CBannerDlg(CWnd* parent) : EscapeFiltered<CDialog>(IDD_BANNER, parent) {}

CBannerDlg::~CBannerDlg() = default;

void CBannerDlg::OnPictureClicked() {
    palisor::OpenInShell("open", palisor::web::kSiteRoot);
}

// The picture hands WM_SETCURSOR to its parent first, so this covers the picture as well as the
// banner's own background.
LRESULT CBannerDlg::OnSetCursor(WPARAM, LPARAM) {
    ::SetCursor(::LoadCursor(nullptr, IDC_HAND));
    return TRUE;
}
