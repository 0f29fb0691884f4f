#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "TempFolder.h"
#include "platform/AtomicFile.h"
#include "platform/CodePage.h"
#include "settings/Settings.h"

namespace tabrova {
namespace {

using SettingsTest = testing::TempFolderTest;

TEST(SettingsFormatTest, DoublesInGeneralFormWithFifteenDigits) {
    struct Case {
        double value;
        char16_t separator;
        std::u16string text;
    };
    const Case cases[] = {
        {20, u'.', u"20"},
        {0.43, u'.', u"0.43"},
        {0.43, u',', u"0,43"},
        {-2.5, u',', u"-2,5"},
        {0.1 + 0.2, u'.', u"0.3"},
        {1.0 / 3, u'.', u"0.333333333333333"},
        {0.00001, u'.', u"0.00001"},
        {0.000001, u'.', u"1E-6"},
        {-0.0000015, u',', u"-1,5E-6"},
        {123456789012345, u'.', u"123456789012345"},
        {1234567890123456, u'.', u"1.23456789012346E15"},
        {1.5e20, u'.', u"1.5E20"},
        {0.0, u'.', u"0"},
        {-0.0, u'.', u"0"},
        {std::numeric_limits<double>::infinity(), u'.', u"INF"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(formatSettingsDouble(c.value, c.separator), c.text) << c.value;
    }
}

TEST(SettingsFormatTest, ParsesDoublesWithEitherSeparator) {
    struct Case {
        std::u16string text;
        char16_t separator;
        std::optional<double> value;
    };
    const Case cases[] = {
        {u"0.43", u'.', 0.43},          {u"0,43", u',', 0.43},
        {u"0.43", u',', 0.43},          {u"0,43", u'.', std::nullopt},
        {u" 1.5E-6 ", u'.', 1.5e-6},    {u"+2", u'.', 2.0},
        {u"-.5", u'.', -0.5},           {u"5.", u'.', 5.0},
        {u"1e3", u'.', 1000.0},         {u"abc", u'.', std::nullopt},
        {u"", u'.', std::nullopt},      {u".", u'.', std::nullopt},
        {u"1.2.3", u'.', std::nullopt}, {u"1,000.5", u',', std::nullopt},
        {u"1e", u'.', std::nullopt},    {u"1e999", u'.', std::nullopt},
        {u"INF", u'.', std::nullopt},   {u"NAN", u'.', std::nullopt},
        {u"0x10", u'.', std::nullopt},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(parseSettingsDouble(c.text, c.separator), c.value)
            << std::string(c.text.begin(), c.text.end());
    }
}

TEST(SettingsFormatTest, WrittenDoublesReadBackExactlyToFifteenDigits) {
    for (double v : {20.0, 0.43, 1.0 / 3, 1e-6, 9.87654321e-12, 1e300, -123.456}) {
        const auto back = parseSettingsDouble(formatSettingsDouble(v, u','), u',');
        ASSERT_TRUE(back);
        EXPECT_NEAR(*back, v, std::abs(v) * 1e-14);
    }
}

TEST(SettingsFormatTest, ParsesIntegersInDecimalAndHexadecimal) {
    struct Case {
        std::u16string text;
        std::optional<std::int32_t> value;
    };
    const Case cases[] = {
        {u"252", 252},
        {u"-7", -7},
        {u"0x100", 256},
        {u"0X1f", 31},
        {u"$FF", 255},
        {u"-$10", -16},
        {u"0xFFFFFFFF", -1},
        {u"2147483647", INT32_MAX},
        {u"-2147483648", INT32_MIN},
        {u"2147483648", std::nullopt},
        {u"0x100000000", std::nullopt},
        {u"99999999999999999999", std::nullopt},
        {u"1.0", std::nullopt},
        {u"0x", std::nullopt},
        {u"$", std::nullopt},
        {u"", std::nullopt},
        {u"12a", std::nullopt},
        {u" 5 ", 5},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(parseSettingsInteger(c.text), c.value)
            << std::string(c.text.begin(), c.text.end());
    }
}

TEST_F(SettingsTest, FirstRunGivesDefaultsAndTheSaveWritesEveryKey) {
    const auto file = dir / "Tabrova.ini";
    const WorkingSettings loaded = loadSettings(file, u'.');
    EXPECT_EQ(loaded, WorkingSettings{});
    EXPECT_EQ(loaded.targetProgID, u"BricscadApp.AcadApplication");
    EXPECT_EQ(loaded.excelPID, u"Excel.Application");
    EXPECT_FALSE(std::filesystem::exists(file));

    saveSettings(file, loaded, u'.');
    EXPECT_EQ(readBytes(file),
              "[Varnekto]\r\n"
              "colXsc=20\r\n"
              "rowYsc=3\r\n"
              "cadXsc=3\r\n"
              "cadYsc=0.43\r\n"
              "cadTsc=0.27\r\n"
              "cadTof=0.8\r\n"
              "cellLineColor=252\r\n"
              "cellLineDraw=1\r\n"
              "xlsVerNum=16\r\n"
              "\r\n"
              "[Target]\r\n"
              "ProgID=BricscadApp.AcadApplication\r\n"
              "ExcelPID=Excel.Application\r\n"
              "\r\n"
              "[Options]\r\n"
              "borderStyles=0\r\n"
              "verticalAlign=0\r\n"
              "wrapText=0\r\n"
              "fitText=0\r\n"
              "readPerCell=0\r\n"
              "\r\n"
              "[MainWindow]\r\n"
              "maximized=0\r\n"
              "\r\n"
              "[RecentBooks]\r\n"
              "book1=\r\n"
              "book2=\r\n"
              "book3=\r\n"
              "book4=\r\n"
              "book5=\r\n"
              "book6=\r\n"
              "book7=\r\n"
              "book8=\r\n");
}

TEST_F(SettingsTest, StoredValuesLoadAndBadOnesFallBackToTheirDefault) {
    const auto file = dir / "t.ini";
    writeBytes(file,
               "[varnekto]\n"
               "colXsc=25,5\n"
               "rowYsc=4.25\n"
               "cadYsc=abc\n"
               "cadTsc=\n"
               "cellLineColor=0x100\n"
               "cellLineDraw=0\n"
               "xlsVerNum=$0C\n"
               "[Target]\n"
               "ExcelPID=\n"
               "[options]\n"
               "borderStyles=1\n"
               "verticalAlign=0x10\n"
               "wrapText=no\n"
               "readPerCell=1\n");
    const WorkingSettings s = loadSettings(file, u',');
    EXPECT_EQ(s.colXsc, 25.5);
    EXPECT_EQ(s.rowYsc, 4.25);
    EXPECT_EQ(s.cadXsc, 3);
    EXPECT_EQ(s.cadYsc, 0.43);
    EXPECT_EQ(s.cadTsc, 0.27);
    EXPECT_EQ(s.cellLineColor, 256);
    EXPECT_FALSE(s.cellLineDraw);
    EXPECT_EQ(s.xlsVerNum, 12);
    EXPECT_EQ(s.targetProgID, u"BricscadApp.AcadApplication");  // key missing
    EXPECT_EQ(s.excelPID, u"");                                 // key present, empty
    EXPECT_TRUE(s.options.borderStyles);
    EXPECT_TRUE(s.options.verticalAlign);  // any non-zero integer
    EXPECT_FALSE(s.options.wrapText);      // does not parse
    EXPECT_FALSE(s.options.fitText);       // missing
    EXPECT_TRUE(s.readPerCell);

    saveSettings(file, s, u',');
    const std::string written = readBytes(file);
    EXPECT_NE(written.find("cellLineDraw=0\r\n"), std::string::npos);
    EXPECT_NE(written.find("colXsc=25,5\r\n"), std::string::npos);
    EXPECT_NE(written.find("cellLineColor=256\r\n"), std::string::npos);
    EXPECT_NE(written.find("readPerCell=1\r\n"), std::string::npos);
    EXPECT_NE(written.find("borderStyles=1\r\nverticalAlign=1\r\nwrapText=0\r\n"),
              std::string::npos);
    EXPECT_EQ(loadSettings(file, u','), s);
}

TEST_F(SettingsTest, WindowGeometryAndRecentBooksRoundTripAndDamageFallsBack) {
    const auto file = dir / "t.ini";
    WorkingSettings s;
    s.windowGeometry = ScreenRect{-1200, 40, 900, 560};
    s.windowMaximized = true;
    s.recentBooks = {u"C:\\図面\\部品表.xlsx", u"D:\\a=b;c.xml"};
    saveSettings(file, s, u'.');
    const std::string written = readBytes(file);
    EXPECT_NE(written.find("[MainWindow]\r\nleft=-1200\r\ntop=40\r\nwidth=900\r\nheight=560\r\n"
                           "maximized=1\r\n"),
              std::string::npos);
    EXPECT_NE(written.find("book2=D:\\a=b;c.xml\r\nbook3=\r\n"), std::string::npos);
    EXPECT_EQ(loadSettings(file, u'.'), s);

    // A shorter list leaves no entry of the longer one behind.
    s.recentBooks = {u"D:\\a=b;c.xml"};
    saveSettings(file, s, u'.');
    EXPECT_EQ(loadSettings(file, u'.').recentBooks, s.recentBooks);

    // Any part of the geometry missing or damaged: no geometry, the rest as stored.
    for (const char* geometry :
         {"left=1\ntop=2\nwidth=300\n", "left=1\ntop=2\nwidth=300\nheight=abc\n",
          "left=1\ntop=2\nwidth=0\nheight=200\n", "left=1\ntop=2\nwidth=-5\nheight=200\n",
          "left=9999999999\ntop=2\nwidth=300\nheight=200\n"}) {
        writeBytes(file, std::string("[MainWindow]\n") + geometry +
                             "maximized=yes\n[RecentBooks]\nbook1=\nbook2=x.xlsx\nbook5=x.xlsx\n"
                             "book8=y.ods\nbook9=z.xlsx\n");
        const WorkingSettings loaded = loadSettings(file, u'.');
        EXPECT_EQ(loaded.windowGeometry, std::nullopt) << geometry;
        EXPECT_FALSE(loaded.windowMaximized);
        EXPECT_EQ(loaded.recentBooks, (std::vector<std::u16string>{u"x.xlsx", u"y.ods"}));
    }
}

TEST_F(SettingsTest, SaveKeepsUnknownSectionsKeysCommentsAndTheirOrder) {
    const auto file = dir / "t.ini";
    writeBytes(file,
               "; my notes\r\n"
               "[Window]\r\n"
               "left=10\r\n"
               "[VARNEKTO]\r\n"
               "extra=keep me\r\n"
               "CADXSC=9\r\n"
               "; trailing comment\r\n"
               "[Target]\r\n"
               "ProgID=AutoCAD.Application\r\n");
    WorkingSettings s = loadSettings(file, u'.');
    EXPECT_EQ(s.cadXsc, 9);
    EXPECT_EQ(s.targetProgID, u"AutoCAD.Application");
    s.cadXsc = 2.5;
    saveSettings(file, s, u'.');
    EXPECT_EQ(readBytes(file),
              "; my notes\r\n"
              "[Window]\r\n"
              "left=10\r\n"
              "[VARNEKTO]\r\n"
              "extra=keep me\r\n"
              "CADXSC=2.5\r\n"
              "colXsc=20\r\n"
              "rowYsc=3\r\n"
              "cadYsc=0.43\r\n"
              "cadTsc=0.27\r\n"
              "cadTof=0.8\r\n"
              "cellLineColor=252\r\n"
              "cellLineDraw=1\r\n"
              "xlsVerNum=16\r\n"
              "; trailing comment\r\n"
              "[Target]\r\n"
              "ProgID=AutoCAD.Application\r\n"
              "ExcelPID=Excel.Application\r\n"
              "\r\n"
              "[Options]\r\n"
              "borderStyles=0\r\n"
              "verticalAlign=0\r\n"
              "wrapText=0\r\n"
              "fitText=0\r\n"
              "readPerCell=0\r\n"
              "\r\n"
              "[MainWindow]\r\n"
              "maximized=0\r\n"
              "\r\n"
              "[RecentBooks]\r\n"
              "book1=\r\n"
              "book2=\r\n"
              "book3=\r\n"
              "book4=\r\n"
              "book5=\r\n"
              "book6=\r\n"
              "book7=\r\n"
              "book8=\r\n");
}

TEST_F(SettingsTest, KeepsTheFileEncodingAndNeverLosesACharacter) {
    const auto file = dir / "t.ini";
    // UTF-16 BE stays UTF-16 BE.
    writeBytes(file, std::string("\xFE\xFF\0[\0T\0]", 8));
    WorkingSettings s;
    s.targetProgID = u"ＣＡＤ.Application";
    saveSettings(file, s, u'.');
    const std::string wide = readBytes(file);
    ASSERT_GE(wide.size(), 2u);
    EXPECT_EQ(wide.substr(0, 2), "\xFE\xFF");
    EXPECT_EQ(loadSettings(file, u'.').targetProgID, s.targetProgID);

    // A new file is in the code page; a character the code page lacks turns it into UTF-8.
    const auto ansiFile = dir / "a.ini";
    s.targetProgID = u"日本.Application";
    saveSettings(ansiFile, s, u'.');
    EXPECT_NE(readBytes(ansiFile).find("ProgID=\x93\xFA\x96\x7B.Application\r\n"),
              std::string::npos);
    ASSERT_FALSE(platform::encodeCodePage(932, u"\u00E9"));
    s.excelPID = u"Caf\u00E9.Application";
    saveSettings(ansiFile, s, u'.');
    EXPECT_EQ(readBytes(ansiFile).substr(0, 3), "\xEF\xBB\xBF");
    EXPECT_EQ(loadSettings(ansiFile, u'.'), s);
}

TEST_F(SettingsTest, FailedSaveNamesThePathAndLeavesTheOldFile) {
    // A folder that cannot hold the file: its "parent" is a plain file.
    writeBytes(dir / "plain", "x");
    const auto impossible = dir / "plain" / "t.ini";
    try {
        saveSettings(impossible, WorkingSettings{}, u'.');
        FAIL() << "expected FileError";
    } catch (const platform::FileError& e) {
        EXPECT_EQ(e.path(), impossible);
        EXPECT_FALSE(e.reason().empty());
    }

    // A settings "file" that exists but cannot be read is neither loaded nor overwritten.
    const auto unreadable = dir / "folder.ini";
    std::filesystem::create_directory(unreadable);
    EXPECT_THROW(loadSettings(unreadable, u'.'), platform::FileError);
    EXPECT_THROW(saveSettings(unreadable, WorkingSettings{}, u'.'), platform::FileError);
    EXPECT_TRUE(std::filesystem::is_directory(unreadable));
    EXPECT_EQ(readBytes(dir / "plain"), "x");
}

}  // namespace
}  // namespace tabrova
