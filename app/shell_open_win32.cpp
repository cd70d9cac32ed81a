#include "app/shell_open.h"

#include <windows.h>
#include <shellapi.h>

namespace palisor {

namespace {

ShellOpenHook g_hook = nullptr;

} // namespace

void OpenInShell(const char* verb, const char* file) {
    if (g_hook != nullptr) {
        g_hook(verb, file);
        return;
    }
    ::ShellExecuteA(nullptr, verb, file, nullptr, nullptr, SW_SHOW);
}

void SetShellOpenHook(ShellOpenHook hook) {
    g_hook = hook;
}

} // namespace palisor
