// OpenDocument spreadsheets written by hand: what the reader takes from them, and the hostile
// ones it refuses in one line with bounded time and memory.
#include <gtest/gtest.h>

#include <chrono>
#include <fstream>

#include "TestWorkbooks.h"
#include "workbook/WorkbookFile.h"

namespace tabrova::workbook {
namespace {

// A flat document with the given cell styles, sheets (their XML) and settings.
std::string fods(const std::string& styles, const std::string& sheets,
                 const std::string& settings = {}) {
    return R"(<?xml version="1.0" encoding="UTF-8"?>
<office:document xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0"
 xmlns:style="urn:oasis:names:tc:opendocument:xmlns:style:1.0"
 xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0"
 xmlns:table="urn:oasis:names:tc:opendocument:xmlns:table:1.0"
 xmlns:fo="urn:oasis:names:tc:opendocument:xmlns:xsl-fo-compatible:1.0"
 xmlns:config="urn:oasis:names:tc:opendocument:xmlns:config:1.0"
 office:mimetype="application/vnd.oasis.opendocument.spreadsheet">
<office:settings><config:config-item-set config:name="ooo:view-settings">)" +
           settings + R"(</config:config-item-set></office:settings>
<office:styles><style:style style:name="Default" style:family="table-cell">
<style:text-properties fo:font-size="11pt"/></style:style>)" +
           styles + R"(</office:styles><office:body><office:spreadsheet>)" + sheets +
           "</office:spreadsheet></office:body></office:document>";
}

std::string sheet(const std::string& rows, const std::string& name = "S") {
    return "<table:table table:name=\"" + name + "\">" + rows + "</table:table>";
}

CellFacts factsAt(const std::string& document, const CellRange& range, std::uint32_t row,
                  std::uint32_t col) {
    const auto book = openOdsBytes(document, "book.fods");
    const auto source = book->selection(0, range);
    source->open();
    source->beginCells();
    return source->cell(row, col);
}

TEST(Ods, ReadsWhatTheCellsShow) {
    const std::string styles = R"(
<style:style style:name="Boxed" style:family="table-cell" style:parent-style-name="Default">
 <style:table-cell-properties fo:border="0.74pt solid #000000" style:vertical-align="top"/>
 <style:text-properties fo:font-size="14pt"/></style:style>
<style:style style:name="ce1" style:family="table-cell" style:parent-style-name="Boxed">
 <style:table-cell-properties fo:border-bottom="2.49pt double #000000" fo:wrap-option="wrap"
  style:text-align-source="fix"/>
 <style:paragraph-properties fo:text-align="center"/></style:style>
<style:style style:name="ce2" style:family="table-cell" style:parent-style-name="Missing">
 <style:table-cell-properties style:shrink-to-fit="true" fo:border-left="0.06pt dashed #000"/>
</style:style>)";
    const std::string rows = sheet(R"(
<table:table-row><table:table-cell table:style-name="ce1" office:value-type="string">
 <text:p>a<text:s text:c="2"/>b<text:tab/>c</text:p><text:p>d<text:line-break/>e</text:p>
</table:table-cell><table:table-cell office:value-type="float" office:value="1234.5">
 <text:p>1,234.50</text:p></table:table-cell><table:table-cell table:style-name="ce2"
 table:number-columns-spanned="2" table:number-rows-spanned="2" office:value-type="string">
 <text:p>merged</text:p><office:annotation><text:p>comment</text:p></office:annotation>
</table:table-cell><table:covered-table-cell/></table:table-row>
<table:table-row table:number-rows-repeated="1000000000"><table:table-cell
 table:number-columns-repeated="2" office:value-type="string"><text:p>x</text:p>
</table:table-cell><table:covered-table-cell table:number-columns-repeated="2"/>
<table:table-cell table:number-columns-repeated="16000"/></table:table-row>)");
    const std::string doc = fods(styles, rows);
    const CellRange range{1, 1, 3, 4};
    const auto started = std::chrono::steady_clock::now();
    struct Case {
        std::uint32_t row, col;
        std::u16string text;
        std::uint8_t horizontal;
        bool numeric;
        double fontSize;
        std::uint8_t lineBits;
        bool merged;
    } cases[] = {
        {1, 1, u"a  b\tc\nd\ne", alignCenter, false, 14, 15, false},
        {1, 2, u"1,234.50", alignNone, true, 11, edgeLeft | edgeRight, false},
        {1, 3, u"merged", alignNone, false, 11, edgeLeft | edgeRight, true},
        {2, 4, u"", alignNone, false, 11, edgeLeft, true},
        {3, 2, u"x", alignNone, false, 11, 0, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.col);
        const CellFacts f = factsAt(doc, range, c.row, c.col);
        EXPECT_EQ(f.text, c.text);
        EXPECT_EQ(f.horizontal, c.horizontal);
        EXPECT_EQ(f.numericValue, c.numeric);
        EXPECT_EQ(f.fontSize, c.fontSize);
        EXPECT_EQ(f.lineBits, c.lineBits);
        EXPECT_EQ(f.merged, c.merged);
    }
    const CellFacts first = factsAt(doc, range, 1, 1);
    EXPECT_EQ(first.edgeStyles[edgeIndexBottom].line, borderDouble);
    EXPECT_EQ(first.txtPlace, placeTop);
    EXPECT_TRUE(first.wrapText);
    const CellFacts anchor = factsAt(doc, range, 1, 3);
    EXPECT_TRUE(anchor.shrinkToFit);
    EXPECT_EQ(anchor.edgeStyles[edgeIndexLeft], (EdgeStyle{borderDash, weightHair}));
    EXPECT_EQ(anchor.mergeRows, 2);
    EXPECT_EQ(anchor.mergeCols, 2);
    // A billion repeated rows and columns cost nothing.
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(5));
}

TEST(Ods, SettingsGiveTheActiveSheetAndItsCursor) {
    const std::string settings = R"(<config:config-item-map-indexed config:name="Views">
<config:config-item-map-entry><config:config-item config:name="ActiveTable" config:type="string">Two</config:config-item>
<config:config-item-map-named config:name="Tables"><config:config-item-map-entry config:name="Two">
<config:config-item config:name="CursorPositionX" config:type="int">2</config:config-item>
<config:config-item config:name="CursorPositionY" config:type="int">4</config:config-item>
</config:config-item-map-entry></config:config-item-map-named></config:config-item-map-entry>
</config:config-item-map-indexed>)";
    const auto book = openOdsBytes(
        fods("",
             sheet("<table:table-row><table:table-cell/></table:table-row>", "One") +
                 sheet("<table:table-row><table:table-cell/></table:table-row>", "Two"),
             settings),
        "book.fods");
    ASSERT_EQ(book->sheets().size(), 2u);
    EXPECT_EQ(book->activeSheet(), 1u);
    EXPECT_EQ(book->sheets()[1].selection, (CellRange{5, 3, 5, 3}));
    EXPECT_EQ(book->sheets()[0].selection, (CellRange{1, 1, 1, 1}));
}

TEST(Ods, RefusesHostileDocumentsInOneLine) {
    std::string deep = "<table:table-row><table:table-cell><text:p>";
    for (int i = 0; i < 100; ++i) deep += "<text:span>";
    for (int i = 0; i < 100; ++i) deep += "</text:span>";
    deep += "</text:p></table:table-cell></table:table-row>";
    const std::string cycle =
        R"(<style:style style:name="A" style:family="table-cell" style:parent-style-name="B"/>
<style:style style:name="B" style:family="table-cell" style:parent-style-name="A"/>)";
    const struct {
        const char* name;
        std::string document;
        const char* reason;
    } cases[] = {
        {"entity",
         "<?xml version=\"1.0\"?><!DOCTYPE d [<!ENTITY x SYSTEM \"file:///etc/passwd\">]>" +
             fods("", "").substr(fods("", "").find("<office:document")),
         "document type declaration"},
        {"depth", fods("", sheet(deep)), "nest more than 64"},
        {"span past the edge",
         fods(
             "",
             sheet(
                 R"(<table:table-row><table:table-cell table:number-columns-spanned="20000"/></table:table-row>)")),
         "past the sheet's edge"},
        {"non-finite value",
         fods(
             "",
             sheet(
                 R"(<table:table-row><table:table-cell office:value-type="float" office:value="1e999"/></table:table-row>)")),
         "not a finite number"},
        {"style cycle", fods(cycle, sheet("")), "its own ancestor"},
        {"truncated", fods("", sheet("")).substr(0, 400), "ends before it is complete"},
        {"no sheet", fods("", ""), "holds no sheet"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        try {
            const auto book = openOdsBytes(c.document, "bad.fods");
            book->selection(0, CellRange{1, 1, 2, 2});
            ADD_FAILURE() << "not refused";
        } catch (const WorkbookError& e) {
            EXPECT_NE(e.reason().find(c.reason), std::string::npos) << e.reason();
            EXPECT_EQ(std::string(e.what()).find('\n'), std::string::npos) << e.what();
        }
    }
}

TEST(Ods, PackagesAreSniffedAndTheirBombsRefused) {
    testing::TempDir dir;
    const std::string mime = "application/vnd.oasis.opendocument.spreadsheet";
    std::string content = fods("", sheet(R"(<table:table-row><table:table-cell
        office:value-type="string"><text:p>in a package</text:p></table:table-cell></table:table-row>)"));
    content.replace(content.find("office:document "), 16, "office:document-content ");
    content.replace(content.rfind("office:document>"), 16, "office:document-content>");
    const auto good =
        testing::writeZip(dir / "book.bin", {{"mimetype", mime}, {"content.xml", content}});
    const auto book = WorkbookFile::open(good);
    const auto source = book->selection(0, CellRange{1, 1, 1, 1});
    EXPECT_EQ(source->cell(1, 1).text, u"in a package");

    const auto flat = dir / "flat.bin";
    {
        std::ofstream out(flat, std::ios::binary);
        out << fods("", sheet(""));
    }
    EXPECT_EQ(WorkbookFile::open(flat)->sheets().size(), 1u);

    const auto bomb = testing::writeZip(
        dir / "bomb.ods",
        {{"mimetype", mime}, {"content.xml", content + std::string(64 << 20, ' ')}});
    try {
        openOdsFile(bomb)->selection(0, CellRange{1, 1, 1, 1});
        ADD_FAILURE() << "not refused";
    } catch (const WorkbookError& e) {
        EXPECT_NE(e.reason().find("zip bomb"), std::string::npos) << e.reason();
    }
    const auto text = testing::writeZip(dir / "text.ods",
                                        {{"mimetype", "application/vnd.oasis.opendocument.text"}});
    EXPECT_THROW(openOdsFile(text), WorkbookError);
}

}  // namespace
}  // namespace tabrova::workbook
