#include <gtest/gtest.h>

#include "platform/Utf8.h"

namespace tabrova {
namespace {

TEST(Utf8Test, MalformedInputBecomesReplacementCharacters) {
    EXPECT_EQ(utf8ToUtf16("a\xC3\xA9\xF0\x9F\x98\x80"), u"a\u00E9\U0001F600");
    EXPECT_EQ(utf8ToUtf16("a\xC3z"), u"a\uFFFDz");
    EXPECT_EQ(utf8ToUtf16("\xC0\xAF"), u"\uFFFD\uFFFD");    // overlong
    EXPECT_EQ(utf8ToUtf16("\xED\xA0\x80x"), u"\uFFFDx");    // encoded surrogate
    EXPECT_EQ(utf8ToUtf16("\xE3\x83"), u"\uFFFD");          // cut short
    EXPECT_EQ(utf8ToUtf16("\xF4\x90\x80\x80"), u"\uFFFD");  // past U+10FFFF
    EXPECT_EQ(utf8ToUtf16(std::string_view("a\0b", 3)), std::u16string(u"a\0b", 3));
    EXPECT_EQ(utf16ToUtf8(std::u16string(1, u'\xD800') + u"x"), "\xEF\xBF\xBDx");
    EXPECT_EQ(utf16ToUtf8(u"\U0001F600\u00E9"), "\xF0\x9F\x98\x80\xC3\xA9");
}

TEST(Utf8Test, BytesThatAreNotUtf8SurviveTheRoundTrip) {
    for (const std::string bytes : {"a\xFF\xFE.xlsx", "\xED\xA0\x80x", "\xE3\x83", "b\xC3\xA9"}) {
        EXPECT_EQ(utf16ToBytes(bytesToUtf16(bytes)), bytes);
    }
    EXPECT_EQ(bytesToUtf16("\xFFz"), std::u16string(1, u'\xDCFF') + u"z");
}

TEST(Utf8Test, MessageTextEscapesControlsAndCutsLongText) {
    const struct {
        std::string text;
        std::size_t max;
        std::string shown;
    } cases[] = {
        {"Sheet1", 80, "Sheet1"},
        {"a\nb\r\tc", 80, "a\\nb\\r\\tc"},
        {"\x1b[31mred\x7f", 80, "\\x1b[31mred\\x7f"},
        {"name\xFF.xlsx", 80, "name\\xff.xlsx"},
        {"\xE2\x80\xAE"
         "evil",
         80, "\\u202eevil"},        // right-to-left override
        {"\xC2\x85", 80, "\\x85"},  // C1 control (next line)
        {"\xE6\xBC\xA2\xE5\xAD\x97\xF0\x9F\x98\x80", 80,
         "\xE6\xBC\xA2\xE5\xAD\x97\xF0\x9F\x98\x80"},
        {"abcdef", 3, "abc\xE2\x80\xA6"},
        {"abc", 3, "abc"},
        {"\xF0\x9F\x98\x80\xF0\x9F\x98\x80", 1, "\xF0\x9F\x98\x80\xE2\x80\xA6"},
    };
    for (const auto& c : cases) EXPECT_EQ(messageText(c.text, c.max), c.shown) << c.text;
    EXPECT_EQ(quotedText(u"a\nb"), "\"a\\nb\"");
}

}  // namespace
}  // namespace tabrova
