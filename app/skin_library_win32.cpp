#include "app/skin_library.h"

namespace palisor {

namespace {

class NoSkinLibrary final : public SkinLibrary {
public:
    void Open(HINSTANCE, const char*, void*, void*) override {}
    void LoadSkinFromResource(HINSTANCE, const char*, const char*) override {}
    void SkinDialogs(const char*) override {}
    void Close() override {}
};

} // namespace

SkinLibrary& BuiltInSkinLibrary() {
    static NoSkinLibrary library;
    return library;
}

} // namespace palisor
