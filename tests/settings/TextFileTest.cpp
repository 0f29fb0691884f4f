#include <gtest/gtest.h>

#include "settings/TextFile.h"

namespace tabrova {
namespace {

std::vector<std::u16string> texts(const TextLines& t) {
    std::vector<std::u16string> out;
    for (const auto& line : t.lines) out.push_back(line.text);
    return out;
}

TEST(TextFileTest, SplitsLinesAtEveryKindOfLineEnd) {
    struct Case {
        std::string bytes;
        std::vector<std::u16string> lines;
    };
    const Case cases[] = {
        {"", {}},
        {"\r\n", {u""}},
        {"a", {u"a"}},
        {"a\r\nb\r\n", {u"a", u"b"}},
        {"a\nb", {u"a", u"b"}},
        {"a\r\rb\r\n\r\n", {u"a", u"", u"b", u""}},
        {"\xEF\xBB\xBF"
         "x\r\ny",
         {u"x", u"y"}},
        {std::string("\xFF\xFEx\0\r\0\n\0", 8), {u"x"}},
        {std::string("\xFE\xFF\0x\0\n\0y", 8), {u"x", u"y"}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(texts(decodeTextLines(c.bytes, 932)), c.lines) << c.bytes;
    }
}

TEST(TextFileTest, WritesEachEncodingBackAsItWasRead) {
    const std::string files[] = {
        "\x83\x65\x83\x58\x83\x67\r\n\r\nabc\r\n",  // テスト in code page 932
        "\xEF\xBB\xBF\xE3\x83\x86\r\nz\r\n",
        std::string("\xFF\xFE\xC6\x30\r\0\n\0", 8),
        std::string("\xFE\xFF\x30\xC6\0\r\0\n", 8),
    };
    for (const std::string& bytes : files) {
        TextLines t = decodeTextLines(bytes, 932);
        const TextEncoding before = t.encoding;
        EXPECT_EQ(encodeTextLines(t.lines, t.encoding, 932), bytes);
        EXPECT_EQ(t.encoding, before);
    }
}

}  // namespace
}  // namespace tabrova
