// The tray menu, the strings, the embedded skin, the manifest and the version resource.
#include "res/resource.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

namespace {

std::string MenuText(HMENU menu, UINT position) {
    char text[128] = "";
    GetMenuStringA(menu, position, text, sizeof text, MF_BYPOSITION);
    return text;
}

TEST(TrayMenu, SettingsPopupWithHomePageAboutSeparatorExit) {
    HMENU menu = LoadMenuA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(145));
    ASSERT_NE(nullptr, menu);
    ASSERT_EQ(1, GetMenuItemCount(menu));
    EXPECT_EQ("Settings", MenuText(menu, 0));
    HMENU popup = GetSubMenu(menu, 0);
    ASSERT_NE(nullptr, popup);
    ASSERT_EQ(4, GetMenuItemCount(popup));
    EXPECT_EQ("&HomePage", MenuText(popup, 0));
    EXPECT_EQ(32773u, GetMenuItemID(popup, 0));
    EXPECT_EQ("&About", MenuText(popup, 1));
    EXPECT_EQ(32771u, GetMenuItemID(popup, 1));
    EXPECT_TRUE(GetMenuState(popup, 2, MF_BYPOSITION) & MF_SEPARATOR);
    EXPECT_EQ("E&xit", MenuText(popup, 3));
    EXPECT_EQ(32772u, GetMenuItemID(popup, 3));
    for (UINT i : {0u, 1u, 3u})
        EXPECT_FALSE(GetMenuState(popup, i, MF_BYPOSITION) & (MF_GRAYED | MF_DISABLED | MF_CHECKED)) << i;
    DestroyMenu(menu);
}

TEST(Strings, AboutItemAndTitle) {
    char text[128] = "";
    ASSERT_GT(LoadStringA(GetModuleHandleA(nullptr), 101, text, sizeof text), 0);
    EXPECT_STREQ("&About Palisor...", text);
    ASSERT_GT(LoadStringA(GetModuleHandleA(nullptr), IDS_APP_TITLE, text, sizeof text), 0);
    EXPECT_STREQ("Palisor", text);
}

BOOL CALLBACK CollectLanguage(HMODULE, LPCSTR, LPCSTR, WORD language, LONG_PTR found) {
    reinterpret_cast<std::vector<WORD>*>(found)->push_back(language);
    return TRUE;
}

TEST(Skin, DefaultOfTypeSkinmagicInTheNeutralLanguageOnly) {
    HMODULE self = GetModuleHandleA(nullptr);
    // Start-up asks by type and name alone.
    HRSRC byName = FindResourceA(self, "DEFAULT", "SKINMAGIC");
    ASSERT_NE(nullptr, byName);
    EXPECT_GT(SizeofResource(self, byName), 0u);
    EXPECT_NE(nullptr, LockResource(LoadResource(self, byName)));
    EXPECT_NE(nullptr, FindResourceExA(self, "SKINMAGIC", "DEFAULT", 2048));
    std::vector<WORD> languages;
    EnumResourceLanguagesA(self, "SKINMAGIC", "DEFAULT", CollectLanguage,
                           reinterpret_cast<LONG_PTR>(&languages));
    EXPECT_EQ(std::vector<WORD>{2048}, languages);
}

TEST(Manifest, AsksForNoElevationAndDeclaresSystemDpiAwarenessInFormsWindowsXpLoads) {
    HMODULE self = GetModuleHandleA(nullptr);
    HRSRC found = FindResourceA(self, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(24)); // RT_MANIFEST
    ASSERT_NE(nullptr, found);
    const char* data = static_cast<const char*>(LockResource(LoadResource(self, found)));
    ASSERT_NE(nullptr, data);
    std::string manifest(data, SizeofResource(self, found));
    EXPECT_NE(std::string::npos, manifest.find("<requestedExecutionLevel level=\"asInvoker\""));
    EXPECT_EQ(std::string::npos, manifest.find("requireAdministrator"));
    EXPECT_EQ(std::string::npos, manifest.find("highestAvailable"));
    // Windows XP SP2 refuses to start a program whose trustInfo is in the asm.v3 namespace.
    EXPECT_NE(std::string::npos, manifest.find("<trustInfo xmlns=\"urn:schemas-microsoft-com:asm.v2\">"));
    EXPECT_EQ(std::string::npos, manifest.find("asmv3:trustInfo"));
    // System DPI awareness, where Windows Vista and later look for it; no per-monitor awareness.
    const size_t application = manifest.find("<application xmlns=\"urn:schemas-microsoft-com:asm.v3\">");
    const size_t settings = manifest.find("<windowsSettings>", application);
    const size_t aware = manifest.find(
        "<dpiAware xmlns=\"http://schemas.microsoft.com/SMI/2005/WindowsSettings\">true</dpiAware>");
    ASSERT_NE(std::string::npos, application);
    EXPECT_LT(application, settings);
    EXPECT_LT(settings, aware);
    EXPECT_LT(aware, manifest.find("</windowsSettings>", settings));
    EXPECT_EQ(std::string::npos, manifest.find("PerMonitor"));
    EXPECT_EQ(std::string::npos, manifest.find("dpiAwareness"));
}

std::string VersionString(const std::vector<char>& block, const char* name) {
    char* value = nullptr;
    UINT length = 0;
    std::string path = std::string("\\StringFileInfo\\040904B0\\") + name;
    if (!VerQueryValueA(block.data(), path.c_str(), reinterpret_cast<void**>(&value), &length) || !value)
        return "(missing)";
    return std::string(value, length > 0 ? strnlen(value, length) : 0);
}

TEST(Version, SaysTheProjectVersion) {
    char path[MAX_PATH];
    ASSERT_GT(GetModuleFileNameA(nullptr, path, MAX_PATH), 0u);
    DWORD handle = 0;
    DWORD size = GetFileVersionInfoSizeA(path, &handle);
    ASSERT_GT(size, 0u);
    std::vector<char> block(size);
    ASSERT_TRUE(GetFileVersionInfoA(path, 0, size, block.data()));
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueA(block.data(), "\\", reinterpret_cast<void**>(&fixed), &length));
    ASSERT_NE(nullptr, fixed);
    EXPECT_EQ(MAKELONG(5, 4), fixed->dwFileVersionMS);
    EXPECT_EQ(0u, fixed->dwFileVersionLS);
    EXPECT_EQ(MAKELONG(5, 4), fixed->dwProductVersionMS);
    EXPECT_EQ(0u, fixed->dwProductVersionLS);
    EXPECT_EQ(PALISOR_VERSION, VersionString(block, "FileVersion"));
    EXPECT_EQ(PALISOR_VERSION, VersionString(block, "ProductVersion"));
    EXPECT_EQ("Palisor", VersionString(block, "ProductName"));
    EXPECT_EQ("palisor.exe", VersionString(block, "OriginalFilename"));
}

} // namespace
