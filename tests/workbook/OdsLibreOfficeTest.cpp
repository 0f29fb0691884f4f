// The .xlsx workbooks of the tests (one built here with every fact the reader takes, the sample
// workbook, and Excel's own workbooks of the corpus when present) converted to .ods by the real
// LibreOffice: the table read from the .ods must equal the one read from the .xlsx, every fact
// but the texts of numbers and dates, which LibreOffice formats its own way. Skips where
// LibreOffice is not installed.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <iostream>
#include <map>
#include <sstream>

#include "TestWorkbooks.h"
#include "platform/Utf8.h"
#include "table/CellAddress.h"
#include "workbook/WorkbookFile.h"
#include "workbook/XlsxWorkbook.h"

namespace tabrova::workbook {
namespace {

using testing::TempDir;

const std::filesystem::path kSoffice = "/usr/bin/soffice";

// The workbook with every fact the reader takes: widths and heights, font sizes, alignments,
// borders of each line style and weight, merged areas, wrap, shrink, multi-line and Japanese texts.
void buildFacts(lxw_workbook* wb) {
    lxw_worksheet* ws = workbook_add_worksheet(wb, "Facts");
    worksheet_set_column(ws, 0, 0, 5, nullptr);
    worksheet_set_column(ws, 1, 1, 12.5, nullptr);
    worksheet_set_column(ws, 2, 2, 30, nullptr);
    worksheet_set_column(ws, 4, 4, 2, nullptr);
    worksheet_set_row(ws, 1, 30, nullptr);
    worksheet_set_row(ws, 3, 8, nullptr);
    const lxw_format_borders lines[] = {
        LXW_BORDER_THIN,   LXW_BORDER_MEDIUM, LXW_BORDER_THICK, LXW_BORDER_DASHED,
        LXW_BORDER_DOTTED, LXW_BORDER_DOUBLE, LXW_BORDER_HAIR,  LXW_BORDER_MEDIUM_DASHED,
    };
    for (int i = 0; i < 8; ++i) {
        lxw_format* f = workbook_add_format(wb);
        format_set_border(f, lines[i]);
        worksheet_write_string(ws, static_cast<lxw_row_t>(5 + 2 * i), 1, "line", f);
    }
    const std::pair<lxw_format_alignments, const char*> aligns[] = {
        {LXW_ALIGN_LEFT, "left"},
        {LXW_ALIGN_CENTER, "centre"},
        {LXW_ALIGN_RIGHT, "right"},
        {LXW_ALIGN_VERTICAL_TOP, "top"},
        {LXW_ALIGN_VERTICAL_CENTER, "middle"},
        {LXW_ALIGN_JUSTIFY, "justify"},
    };
    for (int i = 0; i < 6; ++i) {
        lxw_format* f = workbook_add_format(wb);
        format_set_align(f, aligns[i].first);
        format_set_font_size(f, 8 + 3 * i);
        worksheet_write_string(ws, static_cast<lxw_row_t>(i), 3, aligns[i].second, f);
        worksheet_write_number(ws, static_cast<lxw_row_t>(i), 5, 12.5 * i, f);
    }
    lxw_format* wrap = workbook_add_format(wb);
    format_set_text_wrap(wrap);
    worksheet_write_string(ws, 1, 2, "two\nlines", wrap);
    lxw_format* shrink = workbook_add_format(wb);
    format_set_shrink(shrink);
    worksheet_write_string(ws, 2, 2, "部品表 コンベヤ", shrink);
    worksheet_write_number(ws, 0, 0, 42, nullptr);
    worksheet_write_string(ws, 0, 1, "1-2", nullptr);
    worksheet_write_boolean(ws, 0, 2, 1, nullptr);
    lxw_format* merged = workbook_add_format(wb);
    format_set_align(merged, LXW_ALIGN_CENTER);
    format_set_border(merged, LXW_BORDER_MEDIUM);
    worksheet_merge_range(ws, 3, 0, 4, 2, "merged", merged);
    worksheet_merge_range(ws, 6, 3, 6, 5, "across", nullptr);
}

// Differences that come from LibreOffice, not from the reader.
enum class Known {
    no,
    numberText,  // a number's or date's text, formatted its own way (dates day-first, 1900-01-01)
    boolean,     // TRUE and FALSE imported as numbers (=TRUE()), aligned as numbers
    centred,     // centred across the selection (and other kinds it lacks) made plain centred
    dropped,     // control characters and non-characters, which an .ods cannot hold
};

struct Difference {
    Known known = Known::no;
    std::string what;
};

// Whether LibreOffice lays the font out with its own metrics, or with those of a metric-compatible
// stand-in; only then are the .ods file's lengths those of Excel's columns.
bool laidOutWithItsMetrics(const std::u16string& font) {
    static const std::pair<std::string, std::string> kStandIns[] = {
        {"Calibri", "Carlito"},
        {"Cambria", "Caladea"},
        {"Arial", "Liberation Sans"},
        {"Times New Roman", "Liberation Serif"},
        {"Courier New", "Liberation Mono"},
    };
    const std::string name = utf16ToUtf8(font);
    const std::string command = "fc-match -f '%{family[0]}' '" + name + "' 2>/dev/null";
    std::string family;
    if (FILE* pipe = popen(command.c_str(), "r")) {
        char buffer[256];
        while (fgets(buffer, sizeof buffer, pipe)) family += buffer;
        pclose(pipe);
    }
    if (family == name) return true;
    for (const auto& [original, standIn] : kStandIns)
        if (original == name && family == standIn) return true;
    return false;
}

bool holdsDroppedCharacters(const std::u16string& text) {
    for (const char16_t c : text)
        if ((c < 0x20 && c != u'\n' && c != u'\t') || c == 0xFFFE || c == 0xFFFF) return true;
    return false;
}

std::vector<CellFacts> readFacts(WorkbookFile& book, std::size_t sheet, const CellRange& range) {
    const std::unique_ptr<SelectionSource> source = book.selection(sheet, range);
    source->open();
    source->range();
    source->beginCells();
    std::vector<CellFacts> facts;
    for (std::uint32_t r = range.firstRow; r <= range.lastRow; ++r)
        for (std::uint32_t c = range.firstCol; c <= range.lastCol; ++c)
            facts.push_back(source->cell(r, c));
    return facts;
}

// The facts as the reader rounds them into the table.
// sizes: whether the widths can be compared; columnsLeft and rowsAbove: of the cell's merged
// area, whose position may differ by what each of them differs.
std::vector<Difference> compare(const CellFacts& x, const CellFacts& o, bool sizes,
                                std::uint32_t columnsLeft, std::uint32_t rowsAbove) {
    std::vector<Difference> out;
    const bool boolean = x.text == u"TRUE" || x.text == u"FALSE";
    const auto near = [&](const char* what, double a, double b, double tolerance) {
        if (std::abs(std::nearbyint(a) - std::nearbyint(b)) > tolerance)
            out.push_back({Known::no, std::string(what) + " " + std::to_string(a) + " against " +
                                          std::to_string(b)});
    };
    const auto same = [&](const char* what, auto a, auto b, Known known = Known::no) {
        if (a != b)
            out.push_back({known, std::string(what) + " " + std::to_string(a) + " against " +
                                      std::to_string(b)});
    };
    // LibreOffice gives Excel's default columns their pixels as a length, and other columns their
    // characters times its own digit width: a default column comes out 4 pixels (3 points)
    // narrower in the .ods than in Excel, which adds up along a row.
    if (sizes) {
        near("column width", x.columnWidth, o.columnWidth, 1);
        near("merged area's left", x.mergeLeft, o.mergeLeft, 1 + 3.0 * columnsLeft);
    }
    near("row height", x.rowHeight, o.rowHeight, 1);
    near("merged area's top", x.mergeTop, o.mergeTop, 1 + 0.1 * rowsAbove);
    same("font size", std::nearbyint(x.fontSize), std::nearbyint(o.fontSize));
    const auto aligned = [](const CellFacts& f) {
        return f.horizontal == alignNone && f.numericValue ? int{alignRight} : int{f.horizontal};
    };
    same("alignment", aligned(x), aligned(o),
         boolean                                                  ? Known::boolean
         : aligned(x) == alignNone && o.horizontal == alignCenter ? Known::centred
                                                                  : Known::no);
    same("vertical place", int{x.txtPlace}, int{o.txtPlace});
    same("wrap", x.wrapText, o.wrapText);
    same("shrink", x.shrinkToFit, o.shrinkToFit);
    same("lines", int{x.lineBits}, int{o.lineBits});
    for (int e = 0; e < 4; ++e) {
        if (!(x.lineBits & (1 << e))) continue;
        same("line style", int{x.edgeStyles[e].line}, int{o.edgeStyles[e].line});
        same("line weight", int{x.edgeStyles[e].weight}, int{o.edgeStyles[e].weight});
    }
    same("merged", x.merged, o.merged);
    same("merged rows", x.mergeRows, o.mergeRows);
    same("merged columns", x.mergeCols, o.mergeCols);
    if (x.text != o.text) {
        const Known known = x.numericValue || o.numericValue ? Known::numberText
                            : holdsDroppedCharacters(x.text) ? Known::dropped
                                                             : Known::no;
        out.push_back({known, "text " + quotedText(x.text) + " against " + quotedText(o.text)});
    }
    return out;
}

TEST(OdsLibreOffice, ConvertedWorkbooksReadAsTheirXlsx) {
    if (!std::filesystem::exists(kSoffice)) GTEST_SKIP() << "LibreOffice is not installed";
    TempDir dir;
    std::vector<std::filesystem::path> books = {
        testing::buildXlsx(dir / "facts.xlsx", buildFacts),
        std::filesystem::path(TABROVA_SAMPLES_DIR) / "parts-list.xlsx",
    };
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(TABROVA_XLSX_CORPUS_DIR, ec)) {
        if (entry.path().extension() == ".xlsx") books.push_back(entry.path());
    }
    std::sort(books.begin() + 2, books.end());

    // One start of LibreOffice for all, with a profile of its own.
    std::string command = kSoffice.string() + " -env:UserInstallation=file://" +
                          (dir / "profile").string() + " --headless --convert-to ods --outdir " +
                          (dir / "ods").string();
    for (const auto& book : books) command += " '" + book.string() + "'";
    command += " > " + (dir / "soffice.log").string() + " 2>&1";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;

    std::size_t compared = 0, cells = 0, unsized = 0;
    std::map<Known, std::size_t> known;
    for (const auto& xlsxPath : books) {
        const std::filesystem::path odsPath =
            dir / "ods" / xlsxPath.filename().replace_extension(".ods");
        SCOPED_TRACE(xlsxPath.filename().string());
        if (!std::filesystem::exists(odsPath)) {
            ADD_FAILURE() << "LibreOffice did not convert it";
            continue;
        }
        const bool sizes = laidOutWithItsMetrics(XlsxWorkbook::open(xlsxPath)->standardFont().name);
        unsized += sizes ? 0 : 1;
        const auto xlsx = WorkbookFile::open(xlsxPath);
        const auto ods = WorkbookFile::open(odsPath);
        for (std::size_t s = 0; s < xlsx->sheets().size(); ++s) {
            const WorkbookFile::SheetEntry& entry = xlsx->sheets()[s];
            if (!entry.isWorksheet) continue;
            const auto o = ods->findSheet(entry.name);
            if (!o) {
                ADD_FAILURE() << "no sheet " << quotedText(entry.name);
                continue;
            }
            const CellRange range{1, 1, 30, 12};
            const auto x = readFacts(*xlsx, s, range);
            const auto d = readFacts(*ods, *o, range);
            ++compared;
            for (std::size_t i = 0; i < x.size(); ++i) {
                ++cells;
                const std::uint32_t row = range.firstRow + static_cast<std::uint32_t>(i / 12);
                const std::uint32_t col = range.firstCol + static_cast<std::uint32_t>(i % 12);
                const CellFacts& f = x[i];
                for (const Difference& diff : compare(f, d[i], sizes, col - 1, row - 1)) {
                    const std::string where = utf16ToUtf8(entry.name) + "!" +
                                              utf16ToUtf8(ColNumToLetters(col)) +
                                              std::to_string(row) + ": ";
                    if (diff.known != Known::no) {
                        ++known[diff.known];
                    } else {
                        ADD_FAILURE() << where << diff.what;
                    }
                }
            }
        }
    }
    std::cout << compared << " sheets, " << cells << " cells compared (the widths of " << unsized
              << " workbooks not: LibreOffice lays out their standard font with a stand-in of "
                 "other metrics); known differences: "
              << known[Known::numberText] << " texts of numbers and dates, "
              << known[Known::boolean] << " alignments of TRUE and FALSE, " << known[Known::centred]
              << " alignments centred across the selection, " << known[Known::dropped]
              << " texts with characters an .ods cannot hold\n";
    EXPECT_GE(compared, books.size());
}

}  // namespace
}  // namespace tabrova::workbook
