// The import library lacks the firewall's identifiers: this file defines them for the stand-in.
#include <windows.h>
#include <ole2.h>
#include <initguid.h>
#include <netfw.h>
