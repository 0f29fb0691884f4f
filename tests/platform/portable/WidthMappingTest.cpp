#include <gtest/gtest.h>

#include "platform/WidthMapping.h"

namespace tabrova::platform {
namespace {

std::u16string full(std::u16string_view t) { return mapToFullWidth(t).value(); }
std::u16string half(std::u16string_view t) { return mapToHalfWidth(t).value(); }

TEST(WidthMapping, PairsInBothDirections) {
    struct Case {
        const char16_t* half;
        const char16_t* full;
    };
    for (const Case& c : std::initializer_list<Case>{
             {u" !\"#~\\'", u"　！＂＃～＼＇"},
             {u"AZaz09", u"ＡＺａｚ０９"},
             {u"｡｢｣､･ｰﾞﾟ", u"。「」、・ー゛゜"},
             {u"ｶﾞｷﾞﾄﾞﾊﾞﾎﾞｳﾞ", u"ガギドバボヴ"},
             {u"ﾊﾟﾋﾟﾌﾟﾍﾟﾎﾟ", u"パピプペポ"},
             {u"ｦｧｨｩｪｫｬｭｮｯﾝ", u"ヲァィゥェォャュョッン"},
             {u"¢£¬¯¦¥₩", u"￠￡￢￣￤￥￦"},
             {u"\uFFA0\uFFA1\uFFBE\uFFC2\uFFC7\uFFCA\uFFD2\uFFDA\uFFDC",
              u"\u3164\u3131\u314E\u314F\u3154\u3155\u315B\u3161\u3163"},
         }) {
        EXPECT_EQ(full(c.half), std::u16string(c.full)) << std::u16string(c.half).size();
        EXPECT_EQ(half(c.full), std::u16string(c.half)) << std::u16string(c.full).size();
    }
}

TEST(WidthMapping, SoundMarkJoinsOnlyAfterItsBase) {
    EXPECT_EQ(full(u"ｱﾞｶﾟﾞ"), u"ア゛カ゜゛");
    EXPECT_EQ(full(u"ｶ"), u"カ");
    EXPECT_EQ(full(u"ﾞｶ"), u"゛カ");
}

TEST(WidthMapping, CharactersWithoutOtherFormStay) {
    const std::u16string same = u"漢字ひらがなヵヶヮ\U0001F600é";
    EXPECT_EQ(full(same), same);
    EXPECT_EQ(half(same), same);
    EXPECT_EQ(full(u""), u"");
}

TEST(WidthMapping, NarrowsArrowsShapesAndQuotationMarks) {
    EXPECT_EQ(half(u"←↑→↓│■○"), u"￩￪￫￬￨￭￮");
    EXPECT_EQ(full(u"￩￪￫￬￨￭￮"), u"←↑→↓│■○");
    EXPECT_EQ(full(u"⦅⦆"), u"｟｠");
    EXPECT_EQ(half(u"｟｠"), u"⦅⦆");
    // One way only: the half-width forms widen to other characters.
    EXPECT_EQ(half(u"‘’“”\u3099\u309A"), u"''\"\"ﾞﾟ");
    EXPECT_EQ(full(u"'\"ﾞﾟ"), u"＇＂゛゜");
}

// Every single character with a different form maps back to itself, except the characters that
// only narrow.
TEST(WidthMapping, RoundTripsOverTheWholeBmp) {
    const std::u16string oneWay = u"‘’“”\u3099\u309A";
    for (unsigned c = 0; c < 0x10000; ++c) {
        if (c >= 0xD800 && c <= 0xDFFF) continue;
        const std::u16string one(1, static_cast<char16_t>(c));
        const std::u16string f = full(one);
        if (f != one) {
            ASSERT_EQ(half(f), one) << std::hex << c;
        }
        const std::u16string h = half(one);
        if (h != one && oneWay.find(static_cast<char16_t>(c)) == std::u16string::npos) {
            ASSERT_EQ(full(h), one) << std::hex << c;
        }
    }
}

}  // namespace
}  // namespace tabrova::platform
