#include "tests/windows/tray/tray_test_window.h"

namespace tray_test {

BEGIN_MESSAGE_TABLE(TrayTestWindow, CWnd)
ON_MESSAGE(kCallbackMessage, &TrayTestWindow::OnTrayCallback)
ON_MESSAGE(WM_COMMAND, &TrayTestWindow::OnCommand)
END_MESSAGE_TABLE()

} // namespace tray_test
