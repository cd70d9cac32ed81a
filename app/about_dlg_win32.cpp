#include "app/about_dlg.h"

#include "res/resource.h"

CAboutDlg::CAboutDlg(CWnd* owner) : CDialog(IDD_ABOUTBOX, owner) {}

CAboutDlg::~CAboutDlg() = default;
