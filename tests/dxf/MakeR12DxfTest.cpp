#include <gtest/gtest.h>

#include <algorithm>
#include <clocale>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <limits>
#include <vector>

#include "dxf/MakeR12Dxf_V.h"
#include "dxf/TempDir.h"
#include "platform/AtomicFile.h"
#include "platform/CodePage.h"

namespace tabrova {
namespace {

using Lines = std::vector<std::u16string>;

TEST(FormatDxfReal, FifteenSignificantDigitsFixedOrExponent) {
    struct Case {
        double value;
        const char* text;
    };
    const Case cases[] = {
        {24, "24"},
        {6.02, "6.02"},
        {-180.6, "-180.6"},
        {0, "0"},
        {-0.0, "0"},
        {1e-4, "0.0001"},
        {1e-5, "1E-5"},
        {-1e-6, "-1E-6"},
        {1e15, "1E15"},
        {0.1 + 0.2, "0.3"},
        {14 * 0.43, "6.02"},
        {2.376, "2.376"},
        {-0.5, "-0.5"},
        {100, "100"},
        {0.00012345, "0.00012345"},
        {2.5e-5, "2.5E-5"},
        {123456789012345.0, "123456789012345"},  // exponent 14: still fixed
        {1234567890123456.0, "1.23456789012346E15"},
        {999999999999999.9, "1E15"},  // rounding carries into the next exponent
        {0.000099999999999999999, "0.0001"},
        {1.5e100, "1.5E100"},
        {-1e-100, "-1E-100"},
        {1.0 / 3.0, "0.333333333333333"},
        {2.0 / 3.0 * 1000, "666.666666666667"},
        {std::numeric_limits<double>::quiet_NaN(), "0"},
        {std::numeric_limits<double>::infinity(), "0"},
    };
    for (const Case& k : cases) EXPECT_EQ(formatDxfReal(k.value), k.text) << k.value;
}

TEST(FormatDxfReal, IgnoresTheProcessLocale) {
    const char* chosen = nullptr;
    for (const char* name : {"de_DE.UTF-8", "fr_FR.UTF-8", "de_DE", "C.UTF-8"}) {
        if ((chosen = std::setlocale(LC_ALL, name)) != nullptr) break;
    }
    EXPECT_EQ(formatDxfReal(1234.5), "1234.5");
    EXPECT_EQ(formatDxfReal(-2.5e-7), "-2.5E-7");
    std::setlocale(LC_ALL, "C");
}

TEST(DxfTextValue, ControlCharactersAndUnrepresentableCharacters) {
    struct Case {
        std::u16string in;
        std::u16string out;
    };
    const Case cases[] = {
        {u"日本語 ABC ｶﾅ", u"日本語 ABC ｶﾅ"},
        {u"A\r\nB", u"A B"},  // CR dropped, LF becomes a space
        {u"A\rB", u"AB"},
        {u"A\tB", u"A\tB"},
        {u"A\x01\x1F\x7F\u0085Z", u"A    Z"},
        {u"\u00A5100", u"\\U+00A5100"},  // yen sign: best fit only, so escaped
        {u"caf\u00E9", u"caf\\U+00E9"},
        // Beyond the BMP, which the escape cannot name: one geta mark for one character.
        {u"\U0001F600!", u"〓!"},
        {u"\U00020BB7野家", u"〓野家"},
        {u"\xD800x\xDC00", u"〓x〓"},  // stray surrogates as well
        {u"", u""},
    };
    for (const Case& k : cases) {
        const std::u16string value = dxfTextValue(k.in, 932);
        EXPECT_EQ(value, k.out);
        EXPECT_TRUE(platform::encodeCodePage(932, value).has_value());
        EXPECT_EQ(charactersBeyondEscape(k.in),
                  static_cast<std::size_t>(std::count(value.begin(), value.end(), u'〓')));
    }
}

Lines fixedPart() {
    DxfLineList list(932);
    dxfWriteHeader(list);
    dxfWriteLtypeTable(list);
    dxfWriteLayerTable(list);
    dxfBeginEntities(list);
    return list.lines();
}

TEST(DxfWriter, DrawingWithoutEntitiesIsComplete) {
    DxfLineList list(932);
    list.append(u"left over");
    dxfWriteHeader(list);  // starts afresh
    dxfWriteLtypeTable(list);
    dxfWriteLayerTable(list);
    dxfBeginEntities(list);
    dxfWriteEnd(list);
    const Lines expected = {
        u"  0",        u"SECTION",  u"  2",         u"HEADER",     u"  9",
        u"$ACADVER",   u"  1",      u"AC1009",      u"  9",        u"$DWGCODEPAGE",
        u"  3",        u"ANSI_932", u"  9",         u"$CELTYPE",   u"  6",
        u"BYLAYER",    u"  9",      u"$CECOLOR",    u" 62",        u"256",
        u"  0",        u"ENDSEC",   u"  0",         u"SECTION",    u"  2",
        u"TABLES",     u"  0",      u"TABLE",       u"  2",        u"LTYPE",
        u" 70",        u"     2",   u"  0",         u"LTYPE",      u"  2",
        u"CONTINUOUS", u" 70",      u"     0",      u"  3",        u"Solid line",
        u" 72",        u"    65",   u" 73",         u"     0",     u" 40",
        u"0.0",        u"  0",      u"ENDTAB",      u"  0",        u"TABLE",
        u"  2",        u"LAYER",    u" 70",         u"     4",     u"  0",
        u"LAYER",      u"  2",      u"0",           u" 70",        u"     0",
        u" 62",        u"     7",   u"  6",         u"CONTINUOUS", u"  0",
        u"LAYER",      u"  2",      u"XLSCellLine", u" 70",        u"     0",
        u" 62",        u"   252",   u"  6",         u"CONTINUOUS", u"  0",
        u"LAYER",      u"  2",      u"XLSCellText", u" 70",        u"     0",
        u" 62",        u"     7",   u"  6",         u"CONTINUOUS", u"  0",
        u"LAYER",      u"  2",      u"XLSBordLine", u" 70",        u"     0",
        u" 62",        u"     7",   u"  6",         u"CONTINUOUS", u"  0",
        u"ENDTAB",     u"  0",      u"ENDSEC",      u"  0",        u"SECTION",
        u"  2",        u"ENTITIES", u"  0",         u"ENDSEC",     u"  0",
        u"EOF",
    };
    EXPECT_EQ(list.lines(), expected);
    const std::u16string text = list.text();
    EXPECT_EQ(text.substr(text.size() - 5), u"EOF\r\n");
    // Every line ends with CR LF and no bare CR or LF occurs.
    std::size_t crlf = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == u'\r') {
            ASSERT_EQ(text[i + 1], u'\n');
            ++crlf;
        } else if (text[i] == u'\n') {
            ASSERT_EQ(text[i - 1], u'\r');
        }
    }
    EXPECT_EQ(crlf, expected.size());
}

Lines entityLines(const DxfLineList& list) {
    const Lines all = list.lines();
    return Lines(all.begin() + static_cast<std::ptrdiff_t>(fixedPart().size()), all.end());
}

TEST(DxfWriter, Line) {
    DxfLineList list(932);
    dxfWriteHeader(list);
    dxfWriteLtypeTable(list);
    dxfWriteLayerTable(list);
    dxfBeginEntities(list);
    dxfWriteLine(list, {0, 0, 0}, {24, 0, 0}, u"XLSCellLine", u"BYLAYER", 256);
    EXPECT_EQ(entityLines(list),
              (Lines{u"  0", u"LINE", u"  8", u"XLSCellLine", u"  6", u"BYLAYER", u" 62", u"256",
                     u" 48", u"1.0",  u" 10", u"0",           u" 20", u"0",       u" 30", u"0",
                     u" 11", u"24",   u" 21", u"0",           u" 31", u"0"}));
}

TEST(DxfWriter, Polyline) {
    const TAcadPoint pts[] = {{0, 0, 5}, {24, 0, 5}, {24, -6.02, 5}, {0, -6.02, 5}};
    struct Case {
        bool closed;
        std::int32_t last;
        const char16_t* flag;
        int vertices;
    };
    for (const Case& k : {Case{true, 3, u"1", 4}, Case{false, 3, u"0", 4}, Case{true, -1, u"1", 0},
                          Case{false, 9, u"0", 4}}) {
        DxfLineList list(932);
        dxfWritePolyline(list, pts, k.last, k.closed, u"XLSCellLine", u"BYLAYER", 256);
        Lines expected = {u"  0", u"POLYLINE", u"  8", u"XLSCellLine", u"  6", u"BYLAYER", u" 62",
                          u"256", u" 48",      u"1.0", u" 66",         u"1",   u" 10",     u"0.0",
                          u" 20", u"0.0",      u" 30", u"0.0",         u" 70", k.flag};
        const Lines v[] = {{u"0", u"0"}, {u"24", u"0"}, {u"24", u"-6.02"}, {u"0", u"-6.02"}};
        for (int i = 0; i < k.vertices; ++i) {
            for (const char16_t* s : {u"  0", u"VERTEX", u"  8", u"XLSCellLine", u" 10"}) {
                expected.push_back(s);
            }
            expected.insert(expected.end(), {v[i][0], u" 20", v[i][1], u" 30", u"0.0"});
        }
        expected.insert(expected.end(), {u"  0", u"SEQEND"});
        EXPECT_EQ(list.lines(), expected) << k.last;
    }
}

TEST(DxfWriter, TextAlignmentCodes) {
    struct Case {
        std::u16string code;
        std::int32_t h, v;  // passed values
        const char16_t* g72;
        const char16_t* g73;
    };
    const Case cases[] = {
        {u"ML", 0, 0, u"0", u"2"},  {u"MC", 0, 0, u"1", u"2"}, {u"MR", 0, 0, u"2", u"2"},
        {u"TL", 5, 5, u"0", u"3"},  {u"BR", 5, 5, u"2", u"1"}, {u"XY", 4, 3, u"4", u"3"},
        {u"MX", 4, 3, u"4", u"2"},  {u"mc", 4, 3, u"4", u"3"}, {u"C", 0, 2, u"1", u"0"},
        {u"L", 3, 2, u"0", u"0"},   {u"A", 0, 2, u"3", u"0"},  {u"M", 0, 2, u"4", u"0"},
        {u"F", 0, 2, u"5", u"0"},   {u"Z", 1, 2, u"1", u"0"},  {u"", -1, 7, u"-1", u"7"},
        {u"MCX", 1, 2, u"1", u"2"},
    };
    for (const Case& k : cases) {
        DxfLineList list(932);
        dxfWriteText(list, u"日本", {1.5, -3, 0}, {1.5, -3, 0}, 2.97, 1.0, 0.0, k.h, k.v, k.code,
                     u"XLSCellText", 256);
        const Lines expected = {
            u"  0", u"TEXT", u"  8", u"XLSCellText", u"  7", u"STANDARD", u" 62", u"256", u" 10",
            u"1.5", u" 20",  u"-3",  u" 30",         u"0",   u" 11",      u"1.5", u" 21", u"-3",
            u" 31", u"0",    u"  1", u"日本",        u" 40", u"2.97",     u" 41", u"1",   u" 50",
            u"0",   u" 51",  u"0.0", u" 71",         u"0",   u" 72",      k.g72,  u" 73", k.g73};
        EXPECT_EQ(list.lines(), expected) << std::string(k.code.begin(), k.code.end());
    }
}

TEST(DxfWriter, TextValueKeepsTheLineStructure) {
    DxfLineList list(932);
    dxfWriteText(list, u"A\r\nB\x0B\U0001F600", {}, {}, 1, 1, 0, 0, 0, u"ML", u"XLSCellText", 256);
    const Lines lines = list.lines();
    ASSERT_EQ(lines.size(), 36u);
    EXPECT_EQ(lines[20], u"  1");
    EXPECT_EQ(lines[21], u"A B 〓");
}

class DxfSave : public ::testing::Test {
protected:
    testing::TempDir temp_;
    const std::filesystem::path& dir_ = temp_.path();
};

TEST_F(DxfSave, WritesCodePageBytesWithCrLf) {
    DxfLineList list(932);
    dxfWriteHeader(list);
    dxfWriteLtypeTable(list);
    dxfWriteLayerTable(list);
    dxfBeginEntities(list);
    dxfWriteText(list, u"日本語", {}, {}, 1, 1, 0, 0, 0, u"MC", u"XLSCellText", 256);
    dxfWriteEnd(list);
    const auto path = dir_ / "out.dxf";
    dxfSaveToFile(list, path);
    const std::string bytes = platform::readWholeFile(path);
    EXPECT_NE(bytes.find("\r\n  1\r\n\x93\xFA\x96\x7B\x8C\xEA\r\n"), std::string::npos);
    EXPECT_EQ(bytes.find('\xEF'), std::string::npos);  // no UTF-8 and no byte-order mark
    EXPECT_EQ(bytes.substr(bytes.size() - 10), "  0\r\nEOF\r\n");
    EXPECT_EQ(bytes, list.encoded());
}

TEST_F(DxfSave, FailureNamesThePath) {
    const auto path = dir_ / "missing-folder" / "out.dxf";
    DxfLineList list(932);
    dxfWriteHeader(list);
    try {
        dxfSaveToFile(list, path);
        FAIL() << "no error";
    } catch (const platform::FileError& e) {
        EXPECT_EQ(e.path(), path);
        EXPECT_FALSE(e.reason().empty());
    }
}

}  // namespace
}  // namespace tabrova
