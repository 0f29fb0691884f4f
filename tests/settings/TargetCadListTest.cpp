#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "TempFolder.h"
#include "platform/AtomicFile.h"
#include "settings/TargetCadList.h"

namespace tabrova {
namespace {

class TargetCadListTest : public testing::TempFolderTest {
protected:
    std::filesystem::path listFile() const { return dir / "TargetCAD_APIVersion.txt"; }
    TargetCadList loaded(std::string_view bytes, std::u16string_view target = u"") {
        writeBytes(listFile(), bytes);
        TargetCadList list(listFile(), 932);
        list.reload(target);
        return list;
    }
};

TEST(TargetCadLineTest, SplitsAtTheFirstTab) {
    EXPECT_EQ(splitTargetCadLine(u"BricsCAD\tBricscadApp.AcadApplication"),
              (TargetCadEntry{u"BricsCAD", u"BricscadApp.AcadApplication"}));
    EXPECT_EQ(splitTargetCadLine(u"AutoCAD.Application"),
              (TargetCadEntry{u"", u"AutoCAD.Application"}));
    EXPECT_EQ(splitTargetCadLine(u"a\tb\tc"), (TargetCadEntry{u"a", u"b\tc"}));
    EXPECT_EQ(splitTargetCadLine(u""), (TargetCadEntry{u"", u""}));
    EXPECT_EQ(joinTargetCadLine(u"", u""), u"\t");
}

TEST(TargetCadLineTest, OrderIgnoresCaseAndPutsJapaneseAfterLatin) {
    const std::vector<std::u16string> sorted = {
        u"",
        u"\tNoName.Application",
        u"Auto\tA.1",
        u"autocad\tAutoCAD.Application",
        u"AutoCAD LT\tAutoCAD.Application.24",
        u"bricscad\tBricscadApp.AcadApplication",
        u"Civil\tC.1",
        u"ZWCAD\tZWCAD.Application",
        u"あいちゃん\tX.1",
        u"イジキャド\tIJCAD.Application",
        u"図面\tG.1",
        u"ａｂｃ\tF.1",
        u"ＺＺＺ\tF.2",
        u"ｶﾀｶﾅ\tH.1",
    };
    std::vector<std::u16string> shuffled = sorted;
    std::shuffle(shuffled.begin(), shuffled.end(), std::mt19937(7));
    std::stable_sort(shuffled.begin(), shuffled.end(),
                     [](const auto& a, const auto& b) { return compareTargetCadLines(a, b) < 0; });
    EXPECT_EQ(shuffled, sorted);
    EXPECT_EQ(compareTargetCadLines(u"AutoCAD\tx", u"autocad\tX"), 0);
    EXPECT_EQ(compareTargetCadLines(u"ＡＢＣ", u"ａｂｃ"), 0);
    EXPECT_LT(compareTargetCadLines(u"\uFFFD", u"\U0001F600"), 0);  // by code point, not unit
}

TEST_F(TargetCadListTest, StartUpLookupTakesTheFirstMatchInFileOrder) {
    writeBytes(listFile(),
               "Zebra\tBricscadApp.AcadApplication.23\r\n"
               "Alpha\tBricscadApp.AcadApplication\r\n"
               "a\tb\tAutoCAD.Application\r\n");
    EXPECT_EQ(findTargetCadName(listFile(), u"BricscadApp.AcadApplication", 932), u"Zebra");
    EXPECT_EQ(findTargetCadName(listFile(), u"AutoCAD.Application", 932), u"a\tb");
    EXPECT_EQ(findTargetCadName(listFile(), u"bricscadapp.acadapplication", 932), std::nullopt);
    EXPECT_EQ(findTargetCadName(dir / "absent.txt", u"X", 932), std::nullopt);
}

TEST_F(TargetCadListTest, ReloadSortsAndSelectsTheFirstEntryContainingTheProgID) {
    // The versioned line sorts before the exact one and is the one selected.
    TargetCadList list(listFile(), 932);
    writeBytes(listFile(),
               "BricsCAD V23\tBricscadApp.AcadApplication\r\n"
               "\r\n"
               "BricsCAD\tBricscadApp.AcadApplication.22\r\n"
               "AutoCAD\tAutoCAD.Application\r\n");
    EXPECT_EQ(list.reload(u"BricscadApp.AcadApplication"),
              (TargetCadEntry{u"BricsCAD", u"BricscadApp.AcadApplication.22"}));
    EXPECT_EQ(list.lines(),
              (std::vector<std::u16string>{u"", u"AutoCAD\tAutoCAD.Application",
                                           u"BricsCAD\tBricscadApp.AcadApplication.22",
                                           u"BricsCAD V23\tBricscadApp.AcadApplication"}));
    EXPECT_EQ(list.selected(), 2u);

    // No match: nothing selected, the boxes keep their texts.
    EXPECT_EQ(list.reload(u"GCAD.Application"), std::nullopt);
    EXPECT_FALSE(list.hasSelection());

    // Without the file nothing changes at all.
    list.select(1);
    std::filesystem::remove(listFile());
    EXPECT_EQ(list.reload(u"AutoCAD.Application"), std::nullopt);
    EXPECT_EQ(list.size(), 4u);
    EXPECT_EQ(list.selected(), 1u);
}

TEST_F(TargetCadListTest, AddInsertsAtTheSortedPlaceSelectsAndSaves) {
    TargetCadList list = loaded("ZWCAD\tZWCAD.Application\r\nAutoCAD\tAutoCAD.Application\r\n");
    EXPECT_EQ(list.add(u"BricsCAD", u"BricscadApp.AcadApplication"),
              (TargetCadEntry{u"BricsCAD", u"BricscadApp.AcadApplication"}));
    EXPECT_EQ(list.selected(), 1u);
    EXPECT_EQ(readBytes(listFile()),
              "AutoCAD\tAutoCAD.Application\r\n"
              "BricsCAD\tBricscadApp.AcadApplication\r\n"
              "ZWCAD\tZWCAD.Application\r\n");

    // A duplicate that differs in case lands after its twin; the first equal one is selected.
    EXPECT_EQ(list.add(u"autocad", u"autocad.application"),
              (TargetCadEntry{u"AutoCAD", u"AutoCAD.Application"}));
    EXPECT_EQ(list.selected(), 0u);
    EXPECT_EQ(list.line(1), u"autocad\tautocad.application");
}

TEST_F(TargetCadListTest, FirstAddCreatesTheFileInTheCodePage) {
    TargetCadList list(listFile(), 932);
    EXPECT_EQ(list.reload(u"X"), std::nullopt);
    EXPECT_EQ(list.size(), 0u);
    list.add(u"図研", u"G.1");
    EXPECT_EQ(readBytes(listFile()), "\x90\x7D\x8C\xA4\tG.1\r\n");
    EXPECT_EQ(list.encoding(), TextEncoding::CodePage);
}

TEST_F(TargetCadListTest, DeleteSelectsTheNextOrTheNewLastEntry) {
    struct Case {
        std::size_t entries, selected;
        std::optional<std::size_t> after;
        TargetCadEntry boxes;
    };
    const Case cases[] = {
        {3, 1, 1, {u"C", u"c"}},  // the entry that was third
        {3, 2, 1, {u"B", u"b"}},  // the last: the new last
        {3, 0, 0, {u"B", u"b"}},
        {1, 0, std::nullopt, {u"", u""}},
    };
    for (const Case& c : cases) {
        const std::string all = "A\ta\r\nB\tb\r\nC\tc\r\n";
        TargetCadList list = loaded(all.substr(0, c.entries * 5));
        list.select(c.selected);
        EXPECT_EQ(list.remove(), c.boxes);
        EXPECT_EQ(list.selected(), c.after);
        EXPECT_EQ(list.size(), c.entries - 1);
        std::string expected;
        for (std::size_t i = 0; i < list.size(); ++i) {
            expected += std::string(list.line(i).begin(), list.line(i).end()) + "\r\n";
        }
        EXPECT_EQ(readBytes(listFile()), expected);
    }
}

TEST_F(TargetCadListTest, DeleteAndChangeWithoutSelectionDoNothing) {
    TargetCadList empty(listFile(), 932);
    EXPECT_EQ(empty.remove(), std::nullopt);
    EXPECT_FALSE(empty.change(u"a", u"b"));
    EXPECT_FALSE(std::filesystem::exists(listFile()));

    TargetCadList list = loaded("B\tb\r\nA\ta\r\n", u"none");
    EXPECT_EQ(list.remove(), std::nullopt);
    EXPECT_FALSE(list.change(u"a", u"b"));
    EXPECT_EQ(readBytes(listFile()), "B\tb\r\nA\ta\r\n");  // not even rewritten in order
    EXPECT_EQ(list.size(), 2u);
}

TEST_F(TargetCadListTest, ChangeKeepsPlaceAndSelectionUntilTheNextReload) {
    TargetCadList list = loaded("AutoCAD\tA.1\r\nBricsCAD\tB.1\r\nZWCAD\tZ.1\r\n", u"A.1");
    ASSERT_EQ(list.selected(), 0u);
    EXPECT_TRUE(list.change(u"Zzz", u"A.2"));
    EXPECT_EQ(list.selected(), 0u);
    EXPECT_EQ(list.line(0), u"Zzz\tA.2");
    EXPECT_EQ(readBytes(listFile()), "Zzz\tA.2\r\nBricsCAD\tB.1\r\nZWCAD\tZ.1\r\n");
    list.reload(u"A.2");
    EXPECT_EQ(list.line(2), u"Zzz\tA.2");
    EXPECT_EQ(list.selected(), 2u);
}

TEST_F(TargetCadListTest, ByteOrderMarkFilesAreWrittenBackInTheirEncoding) {
    struct Case {
        std::string bytes;     // one entry "A<tab>a"
        std::string expected;  // after adding "B<tab>b"
        TextEncoding encoding;
    };
    using std::string;
    const Case cases[] = {
        {"\xEF\xBB\xBF"
         "A\ta\r\n",
         "\xEF\xBB\xBF"
         "A\ta\r\nB\tb\r\n",
         TextEncoding::Utf8Bom},
        {string("\xFF\xFE"
                "A\0\t\0a\0\r\0\n\0",
                12),
         string("\xFF\xFE"
                "A\0\t\0a\0\r\0\n\0B\0\t\0b\0\r\0\n\0",
                22),
         TextEncoding::Utf16LeBom},
        {string("\xFE\xFF\0A\0\t\0a", 8),
         string("\xFE\xFF\0A\0\t\0a\0\r\0\n\0B\0\t\0b\0\r\0\n", 22), TextEncoding::Utf16BeBom},
    };
    for (const Case& c : cases) {
        TargetCadList list = loaded(c.bytes);
        EXPECT_EQ(list.encoding(), c.encoding);
        list.add(u"B", u"b");
        EXPECT_EQ(readBytes(listFile()), c.expected);
    }
    // Deleting the only entry of a UTF-8 file leaves just the byte-order mark.
    TargetCadList list = loaded(
        "\xEF\xBB\xBF"
        "A\ta");
    list.select(0);
    list.remove();
    EXPECT_EQ(readBytes(listFile()), "\xEF\xBB\xBF");
}

TEST_F(TargetCadListTest, CharacterOutsideTheCodePageTurnsTheFileIntoUtf8) {
    TargetCadList list = loaded("\x83\x41\tA.1\r\n\x81\x20junk\tJ.1\r\n");  // ア; a broken line
    list.add(u"caf\u00E9", u"C.1");
    EXPECT_EQ(list.encoding(), TextEncoding::Utf8Bom);
    EXPECT_EQ(readBytes(listFile()),
              "\xEF\xBB\xBF"
              "caf\xC3\xA9\tC.1\r\n\xE3\x82\xA2\tA.1\r\n\xE3\x83\xBBjunk\tJ.1\r\n");
    TargetCadList again(listFile(), 932);
    again.reload(u"C.1");
    EXPECT_EQ(again.lines(), list.lines());
}

TEST_F(TargetCadListTest, UnmappedBytesOfUntouchedLinesSurviveACodePageSave) {
    TargetCadList list = loaded("\x81\x20junk\tJ.1\r\n");
    list.add(u"ア", u"A.1");
    EXPECT_EQ(readBytes(listFile()), "\x83\x41\tA.1\r\n\x81\x20junk\tJ.1\r\n");
}

TEST_F(TargetCadListTest, FileErrorsLeaveListAndFileAsTheyWere) {
    TargetCadList list = loaded("A\ta\r\nB\tb\r\n", u"b");
    // Make the file impossible to replace: a folder now stands at its path.
    std::filesystem::remove(listFile());
    std::filesystem::create_directory(listFile());
    const auto before = list.lines();
    EXPECT_THROW(list.add(u"C", u"c"), platform::FileError);
    EXPECT_THROW(list.remove(), platform::FileError);
    EXPECT_THROW(list.change(u"X", u"x"), platform::FileError);
    try {
        list.reload(u"a");
        FAIL() << "expected FileError";
    } catch (const platform::FileError& e) {
        EXPECT_EQ(e.path(), listFile());
    }
    EXPECT_EQ(list.lines(), before);
    EXPECT_EQ(list.selected(), 1u);
    EXPECT_TRUE(std::filesystem::is_directory(listFile()));
}

}  // namespace
}  // namespace tabrova
