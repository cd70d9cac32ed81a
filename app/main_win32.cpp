// The program's entry: the one application object, started by the framework.
#include <windows.h>

#include "app/firewall_app.h"

namespace {

CfirewallApp theApp;

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    return RunApplication(theApp, instance);
}
