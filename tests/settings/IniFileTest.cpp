#include <gtest/gtest.h>

#include "settings/IniFile.h"

namespace tabrova {
namespace {

const char* const kSample =
    "; written by hand\r\n"
    "[Varnekto]\r\n"
    "  ColXSC = 12.5  \r\n"
    "quoted=\"  spaced  \"\r\n"
    "empty=\r\n"
    "# hash=comment\r\n"
    "noequals\r\n"
    "dup=first\r\n"
    "dup=second\r\n"
    "\r\n"
    "; about Other\r\n"
    "[ other ]\r\n"
    "k=v\r\n"
    "[VARNEKTO]\r\n"
    "late=here\r\n"
    "dup=third\r\n";

TEST(IniFileTest, LooksUpValuesAsTheProfileFunctionsDo) {
    const IniFile ini = IniFile::parse(kSample, 932);
    struct Case {
        std::u16string_view section, key;
        std::optional<std::u16string> value;
    };
    const Case cases[] = {
        {u"varnekto", u"colxsc", u"12.5"},  // case and blanks ignored
        {u"Varnekto", u"quoted", u"  spaced  "},
        {u"Varnekto", u"empty", u""},
        {u"Varnekto", u"# hash", std::nullopt},  // comment lines are no keys
        {u"Varnekto", u"noequals", std::nullopt},
        {u"Varnekto", u"dup", u"first"},
        {u"Varnekto", u"late", u"here"},  // second section of the same name
        {u"Other", u"k", u"v"},
        {u"Other", u"colXsc", std::nullopt},
        {u"Missing", u"k", std::nullopt},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ini.value(c.section, c.key), c.value) << std::string(c.key.begin(), c.key.end());
    }
}

TEST(IniFileTest, ValuesAreCutAt2047Units) {
    const std::string longValue(3000, 'x');
    const IniFile ini = IniFile::parse("[s]\nk=" + longValue + "\n", 932);
    EXPECT_EQ(ini.value(u"s", u"k")->size(), 2047u);
}

TEST(IniFileTest, SetValueKeepsEverythingElseInPlace) {
    IniFile ini = IniFile::parse(kSample, 932);
    ini.setValue(u"VARNEKTO", u"colXsc", u"7");  // replaced in place, spelling kept
    ini.setValue(u"Varnekto", u"newKey", u"n");  // after the section's last key
    ini.setValue(u"Other", u"k", u"a\r\nb=c");   // no line break reaches the file
    ini.setValue(u"Target", u"ProgID", u"X.Y");  // new section at the end
    EXPECT_EQ(ini.serialize(),
              "; written by hand\r\n"
              "[Varnekto]\r\n"
              "ColXSC=7\r\n"
              "quoted=\"  spaced  \"\r\n"
              "empty=\r\n"
              "# hash=comment\r\n"
              "noequals\r\n"
              "dup=first\r\n"
              "dup=second\r\n"
              "newKey=n\r\n"
              "\r\n"
              "; about Other\r\n"
              "[ other ]\r\n"
              "k=a  b=c\r\n"
              "[VARNEKTO]\r\n"
              "late=here\r\n"
              "dup=third\r\n"
              "\r\n"
              "[Target]\r\n"
              "ProgID=X.Y\r\n");
}

TEST(IniFileTest, KeepsTheEncodingAndFallsBackToUtf8ForForeignCharacters) {
    // UTF-16 LE stays UTF-16 LE.
    IniFile wide = IniFile::parse(std::string("\xFF\xFE[\0s\0]\0\r\0\n\0", 12), 932);
    wide.setValue(u"s", u"k", u"\u00E9");
    EXPECT_EQ(wide.serialize(), std::string("\xFF\xFE[\0s\0]\0\r\0\n\0k\0=\0\xE9\0\r\0\n\0", 22));
    EXPECT_EQ(wide.encoding(), TextEncoding::Utf16LeBom);

    // Code page 932 stays so while it can hold the text, Japanese included ...
    IniFile ansi = IniFile::parse("[s]\r\n\x83\x4C\x81\x5B=\x92\x6C\r\n", 932);  // キー=値
    EXPECT_EQ(ansi.value(u"s", u"キー"), u"値");
    ansi.setValue(u"s", u"k", u"表");
    EXPECT_EQ(ansi.serialize(), "[s]\r\n\x83\x4C\x81\x5B=\x92\x6C\r\nk=\x95\x5C\r\n");
    EXPECT_EQ(ansi.encoding(), TextEncoding::CodePage);
    // ... and becomes UTF-8 with BOM when it cannot.
    ansi.setValue(u"s", u"k", u"caf\u00E9");
    EXPECT_EQ(ansi.serialize(),
              "\xEF\xBB\xBF[s]\r\n\xE3\x82\xAD\xE3\x83\xBC=\xE5\x80\xA4\r\nk=caf\xC3\xA9\r\n");
    EXPECT_EQ(ansi.encoding(), TextEncoding::Utf8Bom);
}

}  // namespace
}  // namespace tabrova
