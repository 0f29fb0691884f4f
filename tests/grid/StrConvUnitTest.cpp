#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "grid/StrConvUnit.h"
#include "platform/CodePage.h"

namespace tabrova {
namespace {

struct ConversionCase {
    const char16_t* input;
    const char16_t* expected;
};

void expectCases(const std::function<std::u16string(std::u16string_view)>& convert,
                 std::initializer_list<ConversionCase> cases) {
    for (const ConversionCase& c : cases) {
        const std::u16string in = c.input;
        EXPECT_EQ(convert(in), std::u16string(c.expected))
            << "input of " << in.size() << " units, first U+" << std::hex
            << (in.empty() ? 0 : static_cast<unsigned>(in[0]));
    }
}

TEST(TextTests, NumAndAlphaSets) {
    struct Case {
        const char16_t* text;
        bool num;
        bool alpha;
    };
    for (const Case& c : std::initializer_list<Case>{
             {u"", true, true},
             {u"0123456789", true, false},
             {u"-1,234.5", true, false},
             {u"1-2", true, false},
             {u"AZaz", false, true},
             {u"ABC-D", false, true},
             {u".,-", true, true},
             {u"A1", false, false},
             {u"abc def", false, false},
             {u"１２", false, false},  // full-width digits belong to neither set
             {u"ＡＢ", false, false},
             {u"12 ", false, false},
         }) {
        const std::u16string text = c.text;
        EXPECT_EQ(IsNumStr(text), c.num) << text.size();
        EXPECT_EQ(IsAlphaStr(text), c.alpha) << text.size();
    }
}

TEST(HalfKanaToFull, SoundMarksAndPunctuation) {
    expectCases(HalfKanaToFull, {
                                    {u"ｶﾞ", u"ガ"},
                                    {u"ｳﾞ", u"ヴ"},
                                    {u"ﾊﾟ", u"パ"},
                                    {u"ﾊﾞ", u"バ"},
                                    {u"ﾎﾟﾎﾞ", u"ポボ"},
                                    {u"ｱﾞ", u"ア゛"},  // no voiced form
                                    {u"ｶﾟ", u"カ゜"},  // no semi-voiced form
                                    {u"ﾞ", u"゛"},
                                    {u"ﾟｶ", u"゜カ"},
                                    {u"ｶﾞﾞ", u"ガ゛"},
                                    {u"ﾀｶ", u"タカ"},  // base at the very end
                                    {u"｡､｢｣･ｰ", u"。、「」・ー"},
                                    {u"ｦｧｯﾝ", u"ヲァッン"},
                                    {u"\uF8F0", u"\u3000"},  // the single byte 0xA0
                                    {u"ABC 123", u"ABC 123"},
                                    {u"ガギ全角カナ", u"ガギ全角カナ"},
                                    {u"", u""},
                                });
}

TEST(HalfKanaToFull, TableCoversTheWholeHalfWidthBlock) {
    // Byte 0xA1 + i is U+FF61 + i; each must become the character with the same name.
    const std::u16string half = u"｡｢｣､･ｦｧｨｩｪｫｬｭｮｯｰｱｲｳｴｵｶｷｸｹｺｻｼｽｾｿﾀﾁﾂﾃﾄﾅﾆﾇﾈﾉﾊﾋﾌﾍﾎﾏﾐﾑﾒﾓﾔﾕﾖﾗﾘﾙﾚﾛﾜﾝ";
    const std::u16string full =
        u"。「」、・ヲァィゥェォャュョッーアイウエオカキクケコサシスセソタチツテトナニヌネノハヒフ"
        u"ヘホマミムメモヤユヨラリルレロワン";
    EXPECT_EQ(HalfKanaToFull(half), full);
    // Every table entry is a real two-byte character.
    for (std::uint16_t code : HalfKanaTable) {
        const std::string bytes = {static_cast<char>(code >> 8), static_cast<char>(code & 0xFF)};
        const std::u16string decoded = platform::decodeCodePage(932, bytes);
        ASSERT_EQ(decoded.size(), 1u);
        EXPECT_EQ(platform::encodeCodePage(932, decoded), bytes) << std::hex << code;
    }
    EXPECT_EQ(VoicedPairs.size(), 63u);
    EXPECT_EQ(SemiVoicedPairs.size(), 15u);
}

TEST(ForbiddenToHalf, EveryTableSymbolAndWhatStays) {
    expectCases(ForbiddenToHalf, {
                                     {u"，．：；？！｀＾＿／｜（）［］｛｝＋－＝＜＞￥＄％＃＆＊＠",
                                      u",.:;?!`^_/l()[]{}+-=<>\\$%#&*@"},
                                     {u"｜", u"l"},  // the letter, not the vertical bar
                                     {u"￥", u"\u005C"},
                                     {u"＼・～‘’“”", u"＼・～‘’“”"},
                                     {u"Ａ１ｶ", u"Ａ１ｶ"},
                                 });
}

TEST(FullNumAndAlphaToHalf, EachLeavesTheOtherAlone) {
    expectCases(FullNumToHalf, {
                                   {u"０１２３４５６７８９", u"0123456789"},
                                   {u"ＡＺａｚ１", u"ＡＺａｚ1"},
                                   {u"第２版", u"第2版"},
                               });
    expectCases(FullAlphaToHalf, {
                                     {u"ＡＢＣＸＹＺａｂｃｘｙｚ", u"ABCXYZabcxyz"},
                                     {u"Ａ１ｚ０", u"A１z０"},
                                     {u"＠［｀｛", u"＠［｀｛"},  // neighbours of the letter ranges
                                 });
}

// Two-byte kanji whose trail byte lies in the half-width katakana range, or whose lead byte,
// read alone, would pair the trail byte with the following character.
TEST(Cp932Frame, KanjiWithHighLeadBytesPassEveryConversion) {
    const std::u16string kanji[] = {
        u"燿",        // E0 A0
        u"犖",        // E0 B6
        u"玻",        // E0 DE: trail byte is the voiced mark
        u"珀",        // E0 DF: trail byte is the semi-voiced mark
        u"茴荼葯葹",  // E4 A0, E4 B6, E4 DE, E4 DF
        u"陟雜鞐鞜",  // E8 A0, E8 B6, E8 DE, E8 DF
        u"燿ﾞ犖ｶ",
        u"烽P",  // E0 82 50: 82 50 would be １
        u"烽a",  // E0 82 61: 82 61 would be Ｂ
        u"焉C",  // E0 81 43: 81 43 would be ，
    };
    for (const auto& text : kanji) {
        EXPECT_EQ(FullNumToHalf(text), text);
        EXPECT_EQ(FullAlphaToHalf(text), text);
        EXPECT_EQ(ForbiddenToHalf(text), text);
        if (text != u"燿ﾞ犖ｶ") {
            EXPECT_EQ(HalfKanaToFull(text), text);
        }
    }
    EXPECT_EQ(HalfKanaToFull(u"燿ﾞ犖ｶ"), u"燿゛犖カ");
}

TEST(Cp932Frame, CharactersOutsideTheCodePageAreKept) {
    expectCases(HalfKanaToFull, {
                                    {u"ｶ\U0001F600ﾞ", u"カ\U0001F600゛"},
                                    {u"\U0002000Bｶﾞ", u"\U0002000Bガ"},
                                    {u"éｶﾞé", u"éガé"},
                                    {u"¥ｶ", u"¥カ"},  // U+00A5 has only a best-fit byte
                                    {u"\U0001F600", u"\U0001F600"},
                                });
    expectCases(ForbiddenToHalf, {{u"（é）", u"(é)"}, {u"\U0001F600￥", u"\U0001F600\\"}});
    expectCases(FullNumToHalf, {{u"１\U0002000B２", u"1\U0002000B2"}});
    const std::u16string loneSurrogate = {u'Ａ', char16_t{0xD800}, u'Ｂ'};
    EXPECT_EQ(FullAlphaToHalf(loneSurrogate), (std::u16string{u'A', char16_t{0xD800}, u'B'}));
}

TEST(WidthConversions, FullAndHalfWidth) {
    expectCases(StrToFullWidth, {
                                    {u"ABC abc 123", u"ＡＢＣ　ａｂｃ　１２３"},
                                    {u"ｶﾞｷﾞｳﾞﾊﾟ", u"ガギヴパ"},
                                    {u"", u""},
                                });
    expectCases(StrToHalfWidth, {
                                    {u"ＡＢＣ　ａｂｃ　１２３", u"ABC abc 123"},
                                    {u"ガギヴパ", u"ｶﾞｷﾞｳﾞﾊﾟ"},
                                    {u"漢字かな", u"漢字かな"},
                                });
}

TEST(WidthConversions, MenuCommandExcludingNumbersAndLetters) {
    expectCases(StrToFullWidthUnlessNumOrAlpha, {
                                                    {u"123", u"123"},
                                                    {u"-5", u"-5"},
                                                    {u"1-2", u"1-2"},
                                                    {u"3.14", u"3.14"},
                                                    {u"ABC-D", u"ABC-D"},
                                                    {u"A1", u"Ａ１"},
                                                    {u"ｶﾅ", u"カナ"},
                                                    {u"abc def", u"ａｂｃ　ｄｅｆ"},
                                                });
}

}  // namespace
}  // namespace tabrova
