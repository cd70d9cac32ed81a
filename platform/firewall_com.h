// One include for the firewall's COM interfaces: the SDK's on Windows, our declarations elsewhere.
#pragma once

#ifdef _WIN32
#include <windows.h>
#include <ole2.h>
#include <oleauto.h>
#include <netfw.h>
#else
#include "platform/netfw_portable.h"
#endif
