// Runs in a process whose ANSI code page is UTF-8 (its manifest says so): the drawing must still
// be an R12 file its readers can decode, and the program's text files keep working.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "dxf/MakeR12Dxf_V.h"
#include "dxf/TempDir.h"
#include "platform/CodePage.h"
#include "settings/Settings.h"
#include "settings/TargetCadList.h"

namespace tabrova {
namespace {

class Utf8AnsiCodePage : public ::testing::Test {
protected:
    void SetUp() override {
        if (platform::systemAnsiCodePage() != 65001)
            GTEST_SKIP() << "the system ignores the manifest's activeCodePage";
    }
};

TEST_F(Utf8AnsiCodePage, DrawingIsWrittenAndDeclaredInCodePage932) {
    DxfLineList list;
    EXPECT_EQ(list.codePage(), 932u);
    dxfWriteHeader(list);
    dxfWriteLtypeTable(list);
    dxfWriteLayerTable(list);
    dxfBeginEntities(list);
    dxfWriteText(list, u"部品表", {0, 0, 0}, {0, 0, 0}, 3.5, 1, 0, 0, 0, u"MC", u"XLSCellText",
                 256);
    dxfWriteEnd(list);
    const std::string& bytes = list.encoded();
    EXPECT_NE(bytes.find("\r\n  3\r\nANSI_932\r\n"), std::string::npos);
    EXPECT_NE(bytes.find("\r\n\x95\x94\x95\x69\x95\x5C\r\n"), std::string::npos);  // 部品表 in 932
    EXPECT_EQ(bytes.find("\xE9\x83\xA8"), std::string::npos);                      // 部 in UTF-8

    testing::TempDir dir;
    const auto path = dir.path() / "部品表.dxf";
    dxfSaveToFile(list, path);
    std::ifstream in(path, std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), bytes);
}

TEST_F(Utf8AnsiCodePage, EncoderServesUtf8WithoutTheFlagsItRefuses) {
    EXPECT_EQ(platform::encodeCodePage(65001, u"部品表 A"),
              std::string("\xE9\x83\xA8\xE5\x93\x81\xE8\xA1\xA8 A"));
    EXPECT_EQ(platform::decodeCodePage(65001, "\xE9\x83\xA8"), u"部");
    EXPECT_FALSE(platform::encodeCodePage(65001, u"\xD800").has_value());  // a lone surrogate
}

TEST_F(Utf8AnsiCodePage, SettingsAndTargetListRoundTripJapaneseTexts) {
    testing::TempDir dir;
    WorkingSettings settings;
    settings.excelPID = u"表計算.Application";
    saveSettings(dir.path() / "tabrova.ini", settings, u'.');
    EXPECT_EQ(loadSettings(dir.path() / "tabrova.ini", u'.'), settings);

    TargetCadList list(dir.path() / "TargetCAD_APIVersion.txt");
    list.add(u"製図用 CAD", u"Drafting.Application");
    EXPECT_EQ(list.encoding(), TextEncoding::CodePage);  // UTF-8 is the system's code page here
    EXPECT_EQ(findTargetCadName(dir.path() / "TargetCAD_APIVersion.txt", u"Drafting.Application"),
              std::u16string(u"製図用 CAD"));
}

}  // namespace
}  // namespace tabrova
