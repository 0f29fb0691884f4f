// Every reason the readers give exists in English and in Japanese with the same particulars, and
// damaged files reach the desktop program's wording.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <string>

#include "workbook/WorkbookError.h"
#include "workbook/WorkbookFile.h"

namespace tabrova::workbook {
namespace {

std::multiset<std::string> placeholders(const std::string& wording) {
    std::multiset<std::string> found;
    for (std::size_t at = wording.find('{'); at != std::string::npos;
         at = wording.find('{', at + 1)) {
        found.insert(wording.substr(at, 3));
    }
    return found;
}

bool hasNonAscii(const std::string& text) {
    for (const unsigned char c : text)
        if (c >= 0x80) return true;
    return false;
}

TEST(ReadProblemWording, EveryProblemIsWordedInBothLanguagesWithTheSameParticulars) {
    for (std::size_t i = 0; i < kReadProblemCount; ++i) {
        const auto problem = static_cast<ReadProblem>(i);
        SCOPED_TRACE("problem " + std::to_string(i) + ": " + englishTemplate(problem));
        const std::string english = englishTemplate(problem);
        const std::string japanese = japaneseTemplate(problem);
        EXPECT_EQ(placeholders(english), placeholders(japanese));
        if (problem != ReadProblem::fileError) {
            EXPECT_TRUE(hasNonAscii(japanese));
            EXPECT_FALSE(hasNonAscii(english));
        }
        const ReadReason reason{
            problem, {"P0", ReasonPart("P1", "ぴ1"), "P2", "P3"}, TextPosition{7, 9, {}}};
        const std::string shownJapanese = reason.japanese();
        for (const std::string part : {"P0", "ぴ1", "P2", "P3"}) {
            if (japanese.find("{" + std::to_string(part.back() - '0') + "}") != std::string::npos) {
                EXPECT_NE(shownJapanese.find(part), std::string::npos) << part;
            }
        }
        EXPECT_NE(shownJapanese.find("7 行 9 桁目"), std::string::npos);
        EXPECT_NE(reason.english().find("line 7, column 9"), std::string::npos);
    }
}

TEST(ReadProblemWording, DamagedFilesGiveTheirReasonInJapanese) {
    const std::filesystem::path dir =
        std::filesystem::temp_directory_path() / "tabrova-wording-test";
    std::filesystem::create_directories(dir);
    struct Case {
        const char* name;
        std::string bytes;
        const char* english;
        const char* japanese;
    };
    const std::string ns = "urn:schemas-microsoft-com:office:spreadsheet";
    const Case cases[] = {
        {"text.xlsx", "just text", "not a zip archive", "zip 形式のファイルではありません"},
        {"old.xls", std::string("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8) + "rest",
         "old binary format", "古いバイナリ形式"},
        {"cut.xml", "<?xml version=\"1.0\"?>\n<Workbook xmlns=\"" + ns + "\"><Worksheet",
         "ends before it is complete", "文書が途中で終わっています ("},
        {"dtd.xml", "<?xml version=\"1.0\"?><!DOCTYPE Workbook [<!ENTITY a \"b\">]><Workbook/>",
         "document type declaration", "文書型宣言"},
        {"html.xml", "<html><body>table</body></html>", "its root element is <html>",
         "ルート要素が <html> です"},
        {"garbage.xml", "<<<<", "not XML (", "XML ではありません ("},
        {"text.fods",
         "<office:document xmlns:office=\"urn:oasis:names:tc:opendocument:xmlns:office:1.0\" "
         "office:mimetype=\"application/vnd.oasis.opendocument.text\"/>",
         "the document is \"application/vnd.oasis.opendocument.text\"", "文書の種類は"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::filesystem::path path = dir / c.name;
        std::ofstream(path, std::ios::binary) << c.bytes;
        try {
            auto book = WorkbookFile::open(path);
            book->selection(book->activeSheet(), CellRange{});
            ADD_FAILURE() << "read without error";
        } catch (const WorkbookError& e) {
            EXPECT_NE(e.reason().find(c.english), std::string::npos) << e.reason();
            EXPECT_NE(e.japaneseReason().find(c.japanese), std::string::npos) << e.japaneseReason();
        }
    }
    std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace tabrova::workbook
