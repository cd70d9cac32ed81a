// Texts from the firewall into the pages' 256-byte row buffers, through the system's ANSI code page.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "firewall/ansi_text.h"

namespace {

std::string Convert(const std::wstring& text, std::size_t size) {
    std::string buffer(size + 8, '#'); // guard bytes show any write past the end
    ConvertToAnsi(text.c_str(), &buffer[0], size);
    EXPECT_EQ(buffer.substr(size), std::string(8, '#')) << "wrote past the buffer";
    return std::string(buffer.c_str());
}

// The text as the system's own conversion renders it, whole.
std::string Narrow(const std::wstring& text) {
    const int length = WideCharToMultiByte(CP_ACP, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string narrow(length > 0 ? length : 1, '\0');
    WideCharToMultiByte(CP_ACP, 0, text.c_str(), -1, &narrow[0], length, nullptr, nullptr);
    return std::string(narrow.c_str());
}

TEST(AnsiTextWin32, ShortTextsConvertWhole) {
    EXPECT_EQ(Convert(L"Web server", 256), "Web server");
    EXPECT_EQ(Convert(L"C:\\Program Files\\Mail\\mail.exe", 256), "C:\\Program Files\\Mail\\mail.exe");
    EXPECT_EQ(Convert(L"", 256), "");
    char buffer[4] = {'x', 'x', 'x', 'x'};
    ConvertToAnsi(nullptr, buffer, sizeof buffer);
    EXPECT_STREQ(buffer, "");
}

TEST(AnsiTextWin32, LongTextsAreCutToFitTheBuffer) {
    EXPECT_EQ(Convert(std::wstring(255, L'x'), 256), std::string(255, 'x'));
    EXPECT_EQ(Convert(std::wstring(256, L'x'), 256), std::string(255, 'x'));
    EXPECT_EQ(Convert(std::wstring(400, L'x'), 256), std::string(255, 'x'));
    EXPECT_EQ(Convert(L"abc", 1), "");

    // Letters outside ASCII: whatever the code page makes of them, the cut text is the start of
    // the whole text's conversion and fills the buffer as far as whole characters allow.
    const std::wstring accented(400, L'\u00e9');
    const std::string whole = Narrow(accented);
    const std::string cut = Convert(accented, 256);
    EXPECT_LE(cut.size(), 255u);
    EXPECT_GE(cut.size(), 254u);
    EXPECT_EQ(whole.compare(0, cut.size(), cut), 0);
}

} // namespace
