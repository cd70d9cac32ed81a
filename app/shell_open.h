// Hands a document or web address to the shell, which opens it with its registered program (for a web
// address, the default browser). The result is not looked at: a missing browser or network is
// nobody's business here.
#pragma once

namespace palisor {

// verb: "open", or null for the default action.
void OpenInShell(const char* verb, const char* file);

// Replaces the shell for the calling process (null: the real shell again), so that tests can see what
// would be opened without starting a browser.
using ShellOpenHook = void (*)(const char* verb, const char* file);
void SetShellOpenHook(ShellOpenHook hook);

} // namespace palisor
