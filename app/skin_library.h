// The skin library's four entries that the program calls: open it, load the skin stored in the
// program's resources, skin every dialog made afterwards, and close it. The program has no skin engine
// of its own, so the built-in library accepts each call and changes nothing: dialogs keep the system's
// look. The calls stay in their places so that an engine can be put behind them.
#pragma once

#include <windows.h>

namespace palisor {

class SkinLibrary {
public:
    // Entry 1: makes the library ready. product names the caller.
    virtual void Open(HINSTANCE module, const char* product, void* reserved1, void* reserved2) = 0;
    // Entry 4: the skin in the module's resource of the given type and name becomes the active skin.
    virtual void LoadSkinFromResource(HINSTANCE module, const char* name, const char* type) = 0;
    // Entry 8: every dialog created from now on is drawn with the given scheme of the skin.
    virtual void SkinDialogs(const char* scheme) = 0;
    // Entry 2: releases what the library holds.
    virtual void Close() = 0;

protected:
    ~SkinLibrary() = default;
};

// The library the program uses: every entry does nothing.
SkinLibrary& BuiltInSkinLibrary();

} // namespace palisor
