// The import library lacks the firewall's identifiers: this file defines them for the whole program.
#include <windows.h>
#include <ole2.h>
#include <initguid.h>
#include <netfw.h>
