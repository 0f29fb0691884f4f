#include <gtest/gtest.h>

#include "platform/CodePage.h"

namespace tabrova::platform {
namespace {

TEST(CodePage932, EncodesAsciiKanaAndKanjiAndDecodesBack) {
    const std::u16string text = u"A1 日本語ｶﾞ－";
    const auto bytes = encodeCodePage(932, text);
    ASSERT_TRUE(bytes.has_value());
    EXPECT_EQ(*bytes, "A1 \x93\xFA\x96\x7B\x8C\xEA\xB6\xDE\x81\x7C");
    EXPECT_EQ(decodeCodePage(932, *bytes), text);
}

TEST(CodePage932, RefusesCharactersWithoutExactRoundTrip) {
    EXPECT_FALSE(encodeCodePage(932, u"\u00A5").has_value());  // yen sign: best fit only
    EXPECT_FALSE(encodeCodePage(932, u"\u00E9").has_value());  // é
    EXPECT_FALSE(encodeCodePage(932, u"\U0001F600").has_value());  // beyond the BMP
    EXPECT_FALSE(encodeCodePage(932, u"\U0002000B").has_value());
    EXPECT_TRUE(encodeCodePage(932, u"\\~").has_value());
}

TEST(CodePage932, SingleBytesThatWindowsMapsAndIconvLacks) {
    EXPECT_EQ(decodeCodePage(932, "\x80\xA0\xFD\xFE\xFF"), u"\u0080\uF8F0\uF8F1\uF8F2\uF8F3");
    EXPECT_EQ(encodeCodePage(932, u"\u0080\uF8F0\uF8F1\uF8F2\uF8F3"),
              std::string("\x80\xA0\xFD\xFE\xFF"));
}

TEST(CodePage932, UndecodableBytesBecomeTheDefaultCharacter) {
    EXPECT_EQ(decodeCodePage(932, "a\x85\x40"), u"a\u30FB");  // unassigned pair
    EXPECT_EQ(decodeCodePage(932, "a\x88"), u"a\u30FB");      // lead byte at the end
}

TEST(CodePage932, EveryEncodableCharacterRoundTrips) {
    for (unsigned c = 0; c < 0x10000; ++c) {
        if (c >= 0xD800 && c <= 0xDFFF) continue;
        const std::u16string one(1, static_cast<char16_t>(c));
        if (const auto bytes = encodeCodePage(932, one)) {
            ASSERT_EQ(decodeCodePage(932, *bytes), one) << std::hex << c;
        }
    }
}

TEST(DxfCodePage, SystemAnsiCodePageOnlyWhereR12ReadersKnowIt) {
    struct Case {
        unsigned ansi, dxf;
    };
    for (const Case& c : {Case{932, 932}, Case{1252, 1252}, Case{936, 936}, Case{1258, 1258},
                          Case{874, 874}, Case{65001, 932}, Case{54936, 932}, Case{20932, 932},
                          Case{437, 932}, Case{0, 932}}) {
        EXPECT_EQ(dxfCodePageFor(c.ansi), c.dxf) << c.ansi;
    }
}

}  // namespace
}  // namespace tabrova::platform
