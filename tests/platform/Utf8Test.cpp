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

}  // namespace
}  // namespace tabrova
