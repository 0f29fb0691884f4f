#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <string>

#include "workbook/NumberFormat.h"

namespace tabrova::workbook {
namespace {

std::string utf8(std::u16string_view s) {
    std::string out;
    for (char16_t c : s) {
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

struct Case {
    double value;
    std::u16string_view code;
    std::u16string_view expected;
};

void expectCases(std::initializer_list<Case> cases, bool date1904 = false) {
    for (const Case& c : cases) {
        EXPECT_EQ(utf8(formatNumber(c.value, c.code, date1904)), utf8(c.expected))
            << "value " << c.value << " code " << utf8(c.code);
    }
}

const std::u16string kHashes(kCannotShow);

TEST(NumberFormatGeneral, ElevenCharactersThenExponent) {
    expectCases({
        {0, u"General", u"0"},
        {1, u"General", u"1"},
        {-1234.5, u"General", u"-1234.5"},
        {0.1 + 0.2, u"General", u"0.3"},
        {3300.0000000000005, u"General", u"3300"},
        {1.0 / 3, u"General", u"0.333333333"},
        {2.0 / 3, u"General", u"0.666666667"},
        {123456.789, u"General", u"123456.789"},
        {123.456789123, u"General", u"123.4567891"},
        {12345678901, u"General", u"12345678901"},
        {12345678912.3, u"General", u"12345678912"},
        {99999999999.6, u"General", u"1E+11"},
        {123456789012, u"General", u"1.23457E+11"},
        {1234567890123, u"General", u"1.23457E+12"},
        {100000000000, u"General", u"1E+11"},
        {1e100, u"General", u"1E+100"},
        {-123456700000, u"General", u"-1.23457E+11"},
        {-4511987749.6, u"General", u"-4511987750"},
        {0.0001234567, u"General", u"0.000123457"},
        {0.00001234567, u"General", u"1.23457E-05"},
        {1e-9, u"General", u"0.000000001"},
        {1.2e-9, u"General", u"1.2E-09"},
        {1e-10, u"General", u"1E-10"},
        {-0.0001234567, u"General", u"-0.000123457"},
        {42, u"", u"42"},
        {42, u"general", u"42"},
    });
}

TEST(NumberFormatGeneral, NarrowColumnDropsDecimalsThenUsesExponent) {
    struct Narrow {
        double value;
        int maxChars;
        std::u16string_view expected;
    };
    const Narrow cases[] = {
        {123.456, 11, u"123.456"},
        {123.456, 5, u"123.5"},
        {123.456, 4, u"123"},
        {123.456, 3, u"123"},
        {123.456, 2, u""},
        {1234567, 7, u"1234567"},
        {1234567, 6, u"1E+06"},
        {1234567, 5, u"1E+06"},
        {1234567, 4, u""},
        {-1234567, 7, u"-1E+06"},
        {-1234.5, 6, u"-1235"},
        {1234567890123, 11, u"1.23457E+12"},
        {1234567890123, 8, u"1.23E+12"},
        {0, 1, u"0"},
    };
    for (const Narrow& c : cases) {
        EXPECT_EQ(utf8(formatGeneral(c.value, c.maxChars)), utf8(c.expected))
            << c.value << " in " << c.maxChars;
    }
    // Without a width, the text is General's own (the minus sign comes on top of 11).
    EXPECT_EQ(formatGeneral(2.0 / 3), u"0.666666667");
}

TEST(NumberFormatBuiltin, JapaneseLocaleMeanings) {
    struct Builtin {
        int id;
        double value;
        std::u16string_view expected;
    };
    const Builtin cases[] = {
        {0, 1234.5, u"1234.5"},
        {1, 1234.5, u"1235"},
        {2, 1234.5, u"1234.50"},
        {3, 1234567, u"1,234,567"},
        {4, -1234.567, u"-1,234.57"},
        {5, 1234, u"¥1,234"},
        {5, -1234, u"¥-1,234"},
        {6, -1234, u"¥-1,234"},
        {7, 1234.5, u"¥1,234.50"},
        {8, -0.5, u"¥-0.50"},
        {9, 0.125, u"13%"},
        {10, 0.125, u"12.50%"},
        {11, 12345, u"1.23E+04"},
        {12, 1.5, u"1 1/2"},
        {14, 45151, u"2023/8/13"},
        {15, 45151, u"13-Aug-23"},
        {16, 45151, u"13-Aug"},
        {17, 45151, u"Aug-23"},
        {18, 0.5625, u"1:30 PM"},
        {19, 0.0625, u"1:30:00 AM"},
        {20, 0.5625, u"13:30"},
        {21, 0.5625, u"13:30:00"},
        {22, 45151.5625, u"2023/8/13 13:30"},
        {27, 45151, u"R5.8.13"},
        {28, 45151, u"令和5年8月13日"},
        {30, 45151, u"8/13/23"},
        {31, 45151, u"2023年8月13日"},
        {32, 0.5625, u"13時30分"},
        {34, 45151, u"2023年8月"},
        {35, 45151, u"8月13日"},
        {36, 32516, u"H1.1.8"},
        {45, 3.5 / 1440, u"03:30"},
        {46, 1.5, u"36:00:00"},
        {48, 12345, u"12.3E+3"},
        {49, 12.5, u"12.5"},
        {52, 45151, u"2023年8月"},
        {55, 45151, u"2023年8月"},
        {56, 45151, u"8月13日"},
        {57, 45151, u"R5.8.13"},
        {58, 45151, u"令和5年8月13日"},
    };
    for (const Builtin& c : cases) {
        const std::u16string code = builtinNumberFormat(c.id);
        ASSERT_FALSE(code.empty()) << c.id;
        EXPECT_EQ(utf8(formatNumber(c.value, code, false)), utf8(c.expected))
            << "id " << c.id << " code " << utf8(code);
    }
    for (int id = 0; id <= 58; ++id) {
        const bool builtIn = id <= 22 || id >= 27;
        EXPECT_EQ(!builtinNumberFormat(id).empty(), builtIn) << id;
    }
    EXPECT_TRUE(builtinNumberFormat(-1).empty());
    EXPECT_TRUE(builtinNumberFormat(164).empty());
}

TEST(NumberFormatBuiltin, AccountingFormatsKeepTheirBlanks) {
    EXPECT_EQ(utf8(formatNumber(1234.5, builtinNumberFormat(41), false)), " 1,235 ");
    EXPECT_EQ(utf8(formatNumber(-1234.5, builtinNumberFormat(41), false)), " -1,235 ");
    EXPECT_EQ(utf8(formatNumber(0, builtinNumberFormat(41), false)), " - ");
    EXPECT_EQ(utf8(formatNumber(1234.5, builtinNumberFormat(44), false)), " ¥1,234.50 ");
    EXPECT_EQ(utf8(formatText(u"abc", builtinNumberFormat(42))), " abc ");
}

TEST(NumberFormatCustom, DigitsSeparatorsAndScaling) {
    expectCases({
        {3.14159, u"0.00", u"3.14"},
        {2.675, u"0.00", u"2.68"},
        {1.005, u"0.00", u"1.01"},
        {1234567.891, u"#,##0.00", u"1,234,567.89"},
        {123, u"#,##0", u"123"},
        {0.4, u"#,##0", u"0"},
        {123, u"00000", u"00123"},
        {1234567, u"000-0000", u"123-4567"},
        {0, u"#", u""},
        {12, u"0.", u"12."},
        {1.5, u"0.0#", u"1.5"},
        {1.25, u"0.0#", u"1.25"},
        {1, u"0.0#", u"1.0"},
        {0.5, u"#.00", u".50"},
        {1234567, u"#,##0,", u"1,235"},
        {6000000, u"#,,\"M\"", u"6M"},
        {2950, u"0.0,", u"3.0"},
        {0.0295, u"0.0%", u"3.0%"},
        {1500, u"#,##0円", u"1,500円"},
        {1500, u"\"合計 \"0\"円\"", u"合計 1500円"},
        {-1500, u"\"合計 \"0\"円\"", u"-合計 1500円"},
        {5, u"0\\%", u"5%"},
        {5, u"!#0", u"#5"},
        {5, u"0_)", u"5 "},
        {5, u"**0", u"5"},
        {5, u"[$¥-411]#,##0", u"¥5"},
        {1234, u"[$$-409]#,##0.00", u"$1,234.00"},
        {-1.25, u"[Red]0.0", u"-1.3"},
    });
}

TEST(NumberFormatCustom, Sections) {
    expectCases({
        {-1.5, u"0.00;(0.00)", u"(1.50)"},
        {1.5, u"0.00;(0.00)", u"1.50"},
        {0, u"0.00;(0.00)", u"0.00"},
        {0, u"0;-0;\"ゼロ\"", u"ゼロ"},
        {-1234, u"[Blue]#,##0;[Red]-#,##0", u"-1,234"},
        {-0.4, u"0;-0", u"-0"},
        {-0.001, u"0.00", u"0.00"},
        {5, u";;;", u""},
        {-3, u"0;;", u""},
        {0, u"0;;", u""},
        {5, u"0;;", u"5"},
    });
}

TEST(NumberFormatCustom, ConditionsPickTheSection) {
    expectCases({
        {5551234, u"[<=9999999]###-####;(###) ###-####", u"555-1234"},
        {8005551234, u"[<=9999999]###-####;(###) ###-####", u"(800) 555-1234"},
        {150, u"[>=100]\"A\"0;[<=-100]\"B\"0;\"C\"0", u"A150"},
        {-150, u"[>=100]\"A\"0;[<=-100]\"B\"0;\"C\"0", u"B150"},
        {6.3, u"[>=100]\"A\"0;[<=-100]\"B\"0;\"C\"0", u"C6"},
        {150, u"[Red][>=100]\"大\";[<100]\"小\"", u"大"},
        {50, u"[Red][>=100]\"大\";[<100]\"小\"", u"小"},
        {6.3, u"[>=100]\"A\"0;[<=-100]\"B\"0", kHashes},
    });
}

// Codes off the beaten track, with the texts Excel shows for them.
TEST(NumberFormatCustom, UnusualCodes) {
    const std::u16string_view colours =
        u"[Red][<-25]General;[Blue][>25]General;[Green]General;[Yellow]General";
    const std::u16string_view accounting = u"_($* #,##0_);_($* (#,##0);_($* \"-\"_);_(@_)";
    const std::u16string_view brackets = u"\\,##.??;\\(#,###.??\\);0";
    expectCases({
        {1.2345, u"** #,###,#00,000.00,**", u" 00,000.00"},
        {1234.56, u"** #,###,#00,000.00,**", u" 00,001.23"},
        {101, u"###\\###\\##0.00", u"#1#01.00"},
        {12.345, u"0.0#", u"12.35"},
        {0.0012345, u"0.0#", u"0.0"},
        {-10.29, u"#.###0", u"-10.290"},
        {1, u"#.?00", u"1. 00"},
        {1234, u"x.0", u"x1234.0"},
        {0, u"#0.#", u"0."},
        {0, u"#,###", u""},
        {1000000000000.01, u"0.##", u"1000000000000.01"},
        {123456, u"#.0000,,,", u".0001"},
        {4321234, u"#.0000,,", u"4.3212"},
        {941051630, u"00000-0000", u"94105-1630"},
        {-51968287, u"\"Rs.\"#,##0.00", u"-Rs.51,968,287.00"},
        {-3.14159, u"$#.00", u"-$3.14"},
        {-3.14159, u"[$INR]\\ #,##0.00", u"-INR 3.14"},
        {15, brackets, u",15.  "},
        {-12.1, brackets, u"(12.1 )"},
        {-1, accounting, u" $(1)"},
        {0, accounting, u" $- "},
        {-26, colours, u"26"},
        {-25, colours, u"-25"},
        {0, u"[Red]General ;[Blue]General\\ ;[Green]Generalp;[Yellow]General'", u"0p"},
        {51, u"[Red][=50]General;[Blue]000", u"051"},
        {12.3456789, u"?\?/??", u"1000/81"},
        {0.00001, u"?\?/??", u" 0/1 "},
        {2.9999999999999996, u"[h]:mm:ss;@", u"72:00:00"},
        {0.5, u"hh:mm:ss AM/P", u"12:00:00 A1/P"},
        {0.70707, u"hh:mm:ss.000", u"16:58:10.848"},
        {0.70707, u"hh .00 .000", u"16 .84 .848"},
        {1, u"[hhh]", u"024"},
        {1, u"b", u"43"},
    });
    EXPECT_EQ(utf8(formatText(u"text", u"@@")), "texttext");
    // A repeated text is cut to what a cell holds.
    EXPECT_EQ(formatText(std::u16string(20000, u'x'), u"@@@@").size(), kMaxCellTextChars);
    EXPECT_EQ(utf8(formatText(u"text", u"\"bar\" @ \"foo\"")), "bar text foo");
    EXPECT_EQ(utf8(formatText(u"text", accounting)), " text ");
    EXPECT_EQ(utf8(formatText(u"foo", u"General;General;General;General'")), "foo'");
}

TEST(NumberFormatCustom, ExponentAndFractions) {
    expectCases({
        {0, u"0.00E+00", u"0.00E+00"},
        {0.000123, u"0.00E+00", u"1.23E-04"},
        {1e10, u"0.0E+0", u"1.0E+10"},
        {9.999, u"0.00E+00", u"1.00E+01"},
        {123456, u"0.00E-00", u"1.23E05"},
        {0, u"00.E+00", u"00.E+00"},
        {100, u"00.E+00", u"01.E+02"},
        {1000, u"00.E+00", u"10.E+02"},
        {9.59999, u"0.E+00", u"1.E+01"},
        {1000, u"000.0E+00", u"001.0E+03"},
        {0.000123, u"##0.0E+0", u"123.0E-6"},
        {2.75, u"# ?/?", u"2 3/4"},
        {1, u"# ?/?", u"1    "},
        {0.3, u"# ?/?", u" 2/7"},
        {-1.2, u"# ?\?/??", u"-1  1/5 "},
        {12.3, u"# ?\?/??", u"12  3/10"},
        {-12.34, u"# ?\?/??", u"-12 17/50"},
        {1, u"# ?\?/??", u"1      "},
        {-123.456, u"# ??\?/???", u"-123  57/125"},
        {3.14159265358979, u"# ??\?/???", u"3  16/113"},
        {12.3, u"# ?/?", u"12 1/3"},
        {2.3, u"# ?/?", u"2 2/7"},
        {-123.456, u"# ?\?/??", u"-123 26/57"},
        {1234.567, u"# ??\?/???", u"1234  55/97 "},
        {-1.2, u"# ?/2", u"-1    "},
        {1, u"# ?/10", u"1     "},
        {-12.34, u"# ?\?/100", u"-12 34/100"},
        {1, u"?\?/??", u" 1/1 "},
        {12.3, u"?\?/??", u"123/10"},
        {12.345, u"0/0", u"37/3"},
        {0, u"?/?", u"0/1"},
        {1, u"0 0/0", u"1 0/1"},
        {123, u"# #/#", u"123"},
        {0.123251512342345, u"# ?? / ?????????", u" 480894 / 3901729  "},
        {0.5, u"?/8", u"4/8"},
        {1.5, u"# ?/8", u"1 4/8"},
    });
}

TEST(NumberFormatDate, TokensOfDatesAndTimes) {
    expectCases({
        {45151, u"yyyy-mm-dd", u"2023-08-13"},
        {45151, u"yy/m/d", u"23/8/13"},
        {45151, u"mmmm d, yyyy", u"August 13, 2023"},
        {45151, u"mmmmm", u"A"},
        {45151, u"dddd", u"Sunday"},
        {45151, u"m/d(aaa)", u"8/13(日)"},
        {45151, u"yyyy年m月d日(aaaa)", u"2023年8月13日(日曜日)"},
        {45151, u"YYYY/MM/DD", u"2023/08/13"},
        {45151.4375, u"yyyy/mm/dd hh:mm", u"2023/08/13 10:30"},
        {0.75, u"h:mm", u"18:00"},
        {(10 * 3600 + 29 * 60 + 59) / 86400.0, u"h:mm", u"10:29"},
        {(10 * 3600 + 29 * 60 + 59) / 86400.0, u"hh:mm:ss", u"10:29:59"},
        {0, u"h:mm AM/PM", u"12:00 AM"},
        {0.5, u"h:mm AM/PM", u"12:00 PM"},
        {0.75, u"h:mm A/P", u"6:00 P"},
        {0.75, u"h:mm a/p", u"6:00 p"},
        {2.5, u"[h]:mm", u"60:00"},
        {0.5 / 24, u"[mm]:ss", u"30:00"},
        {1.0 / 1440, u"[ss]", u"60"},
        {1.5 / 86400, u"mm:ss.00", u"00:01.50"},
        {36894, u"[$-411]ddd", u"水"},
        {36894, u"[$-411]dddd", u"水曜日"},
        {36894, u"dddd", u"Wednesday"},
        {0.5625, u"h am/pm", u"1 pm"},
        {(8 * 3600 + 12 * 60 + 1) / 86400.0, u"[$-411]AM/PM h\"時\"", u"午前 8時"},
        {0.5625, u"[$-411]AM/PM h\"時\"", u"午後 1時"},
        {1 + (13 * 3600 + 60 + 40) / 86400.0, u"[h]:mm", u"37:01"},
        {(3600 + 35 * 60 + 20) / 86400.0, u"[mm]:ss", u"95:20"},
        {(3600 + 12 * 60 + 1) / 86400.0, u"[ss]", u"4321"},
        {45151, u"[$-409]yyyy/m/d", u"2023/8/13"},
        {45151, u"[$-ja-JP]yyyy/m/d;@", u"2023/8/13"},
        {45151, u"[$-F800]dddd, mmmm dd, yyyy", u"2023年8月13日"},
        {45151, u"[$-x-sysdate]dddd, mmmm dd, yyyy", u"2023年8月13日"},
        {0.5625, u"[$-F400]h:mm:ss AM/PM", u"13:30:00"},
    });
}

TEST(NumberFormatDate, LeapYearBugAndDateSystems) {
    expectCases({
        {0, u"yyyy/m/d", u"1900/1/0"},
        {1, u"yyyy/m/d dddd", u"1900/1/1 Sunday"},
        {59, u"yyyy/m/d", u"1900/2/28"},
        {60, u"yyyy/m/d", u"1900/2/29"},
        {61, u"yyyy/m/d ddd", u"1900/3/1 Thu"},
        {36585, u"yyyy/m/d", u"2000/2/29"},
        {45351, u"yyyy/m/d ddd", u"2024/2/29 Thu"},
        {2958465, u"yyyy/m/d", u"9999/12/31"},
        {2958466, u"yyyy/m/d", kHashes},
        // Times are rounded to the shown precision before the date is taken.
        {2958465.99999421, u"yyyy-mm-dd", u"9999-12-31"},
        {2958465.99999422, u"yyyy-mm-dd", kHashes},
        {2958465.99999942, u"yyyy-mm-dd/hh:mm:ss.0", u"9999-12-31/23:59:59.9"},
        {2958465.99999943, u"yyyy-mm-dd/hh:mm:ss.0", kHashes},
        {-1, u"yyyy/m/d", kHashes},
        {-0.5, u"h:mm", kHashes},
    });
    expectCases(
        {
            {0, u"yyyy/m/d dddd", u"1904/1/1 Friday"},
            {43689, u"yyyy/m/d", u"2023/8/13"},
            {2957003, u"yyyy/m/d", u"9999/12/31"},
            {2957004, u"yyyy/m/d", kHashes},
            {-1.0 / 24, u"h:mm", u"-1:00"},
            {-1.5, u"[h]:mm", u"-36:00"},
        },
        true);
}

TEST(NumberFormatDate, JapaneseEraBoundaries) {
    const std::u16string_view code = u"[$-411]ggge\"年\"m\"月\"d\"日\"";
    expectCases({
        {4594, code, u"明治45年7月29日"},
        {4595, code, u"大正1年7月30日"},
        {9855, code, u"大正15年12月24日"},
        {9856, code, u"昭和1年12月25日"},
        {32515, code, u"昭和64年1月7日"},
        {32516, code, u"平成1年1月8日"},
        {43585, code, u"平成31年4月30日"},
        {43586, code, u"令和1年5月1日"},
        {43586, u"[$-ja-JP-x-gannen]ggge\"年\"m\"月\"d\"日\"", u"令和元年5月1日"},
        {45151, u"[$-ja-JP-x-gannen]ggge\"年\"", u"令和5年"},
        {45151, u"gg ee", u"令 05"},
        {32876, u"[$-411]ggge", u"平成2"},
        {22204, u"[$-411]gee", u"S35"},
        {32876, u"[$-411]r", u"02"},
        {32876, u"[$-411]rr", u"平成02"},
        {32516, u"g", u"H"},
    });
}

// 2026-12-10 is serial 46366.
TEST(NumberFormatJapaneseNumerals, DbNumForNumbersAndDates) {
    expectCases({
        {1234, u"[DBNum1]General", u"千二百三十四"},
        {12345, u"[DBNum1]General", u"一万二千三百四十五"},
        {123456789, u"[DBNum1]General", u"一億二千三百四十五万六千七百八十九"},
        {100010, u"[DBNum1]General", u"十万十"},
        {0, u"[DBNum1]General", u"〇"},
        {-12.5, u"[DBNum1]General", u"-十二.五"},
        {12345, u"[DBNum2]General", u"壱萬弐阡参百四拾伍"},
        {10, u"[DBNum2]General", u"壱拾"},
        {123456789, u"[DBNum3]General", u"１億２千３百４十５万６千７百８十９"},
        {1234, u"[DBNum1]", u"千二百三十四"},
        {1234, u"[DBNum1]0", u"一二三四"},
        {1234.5, u"[DBNum2]#,##0.00", u"壱,弐参四.伍〇"},
        {1234, u"[DBNum3]0\"円\"", u"１２３４円"},
        {1234, u"[DBNum1][$-411]0;-0", u"一二三四"},
        {46366, u"[DBNum1][$-411]ggge\"年\"m\"月\"d\"日\"", u"令和八年十二月十日"},
        {46366, u"[DBNum1]yyyy\"年\"mm\"月\"dd\"日\"", u"二〇二六年十二月十日"},
        {46366, u"[DBNum3]yyyy/m/d", u"２０２６/１２/１０"},
        {46366.5, u"[DBNum1]h:mm", u"十二:〇"},
    });
    EXPECT_FALSE(isGeneralFormat(u"[DBNum1]General"));
    EXPECT_EQ(utf8(formatText(u"山田", u"[DBNum1]@\"様\"")), "山田様");
}

TEST(NumberFormatText, TextSection) {
    struct TextCase {
        std::u16string_view text, code, expected;
    };
    const TextCase cases[] = {
        {u"abc", u"@", u"abc"},
        {u"abc", u"General", u"abc"},
        {u"abc", u"0.00", u"abc"},
        {u"abc", u"0;-0;0;\"[\"@\"]\"", u"[abc]"},
        {u"abc", u"\"名前: \"@", u"名前: abc"},
        {u"abc", u"0;@\"様\"", u"abc様"},
    };
    for (const TextCase& c : cases) {
        EXPECT_EQ(utf8(formatText(c.text, c.code)), utf8(c.expected)) << utf8(c.code);
    }
    // A number under a text-only format shows as General.
    expectCases({{12.5, u"@", u"12.5"}, {-3, u"0;@\"様\"", u"-3"}});
}

TEST(NumberFormat, IsGeneralFormat) {
    EXPECT_TRUE(isGeneralFormat(u"General"));
    EXPECT_TRUE(isGeneralFormat(u"GENERAL"));
    EXPECT_TRUE(isGeneralFormat(u""));
    EXPECT_TRUE(isGeneralFormat(u"@"));
    EXPECT_TRUE(isGeneralFormat(u"[Red]General"));
    EXPECT_FALSE(isGeneralFormat(u"0"));
    EXPECT_FALSE(isGeneralFormat(u"yyyy/m/d"));
    EXPECT_FALSE(isGeneralFormat(u"General\"円\""));
    EXPECT_FALSE(isGeneralFormat(u"General;-General"));
}

TEST(NumberFormat, HostileCodesStayBoundedAndNeverCrash) {
    const double values[] = {0,
                             -0.0,
                             1,
                             -1,
                             0.5,
                             45151.999999,
                             2958465.9999999,
                             -2958466,
                             1e15,
                             1e300,
                             -1e308,
                             5e-324,
                             std::numeric_limits<double>::quiet_NaN(),
                             std::numeric_limits<double>::infinity(),
                             -std::numeric_limits<double>::infinity()};
    const std::u16string alphabet = u"0#?.,%E+-/@;\"\\_*[]<>=$hmsdyaegbAPM:1 8GeneralRd年";
    std::mt19937 rng(12345);
    for (int round = 0; round < 3000; ++round) {
        std::u16string code;
        const int len = static_cast<int>(rng() % (round < 2900 ? 40 : 3000));
        for (int i = 0; i < len; ++i) code += alphabet[rng() % alphabet.size()];
        for (double v : values) {
            const std::u16string out = formatNumber(v, code, (round & 1) != 0);
            ASSERT_LT(out.size(), 20000u) << utf8(code);
        }
        ASSERT_LT(formatText(u"abc", code).size(), 20000u);
        isGeneralFormat(code);
    }
    // Repetitions that multiply digits or scale the value out of range.
    const std::u16string longCodes[] = {
        std::u16string(100000, u'0'),
        u"0." + std::u16string(5000, u'0'),
        std::u16string(4000, u'%') + u"0",
        u"0" + std::u16string(4000, u','),
        u"# " + std::u16string(50, u'?') + u"/" + std::u16string(50, u'?'),
        std::u16string(3000, u'[') + u"h]",
    };
    for (const auto& code : longCodes) {
        for (double v : values) ASSERT_LT(formatNumber(v, code, false).size(), 20000u);
    }
}

}  // namespace
}  // namespace tabrova::workbook
