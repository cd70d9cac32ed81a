// Texts from the firewall into the fixed row buffers.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "firewall/ansi_text.h"

namespace {

std::string Convert(const std::u16string& text, std::size_t size) {
    std::string buffer(size + 8, '#'); // guard bytes show any write past the end
    ConvertToAnsi(text.c_str(), &buffer[0], size);
    EXPECT_EQ(buffer.substr(size), std::string(8, '#')) << "wrote past the buffer";
    return std::string(buffer.c_str());
}

TEST(AnsiText, FitsOrIsCutAtACharacterBoundary) {
    EXPECT_EQ(Convert(u"Web", 256), "Web");
    EXPECT_EQ(Convert(std::u16string(255, u'a'), 256), std::string(255, 'a'));
    EXPECT_EQ(Convert(std::u16string(256, u'a'), 256), std::string(255, 'a'));
    EXPECT_EQ(Convert(u"ab\u00e9", 4), "ab");    // the two-byte letter does not fit
    EXPECT_EQ(Convert(u"a\U0001F600b", 5), "a"); // nor does half of a four-byte one
    EXPECT_EQ(Convert(u"a\U0001F600b", 6), "a\xf0\x9f\x98\x80");
    EXPECT_EQ(Convert(u"abc", 1), "");
}

TEST(AnsiText, NullAndBrokenTextsStaySafe) {
    char buffer[4] = {'x', 'x', 'x', 'x'};
    ConvertToAnsi(nullptr, buffer, sizeof buffer);
    EXPECT_STREQ(buffer, "");
    const char16_t lone[] = {u'a', 0xD800, u'b', 0};
    EXPECT_EQ(Convert(lone, 16), "a?b");
}

} // namespace
