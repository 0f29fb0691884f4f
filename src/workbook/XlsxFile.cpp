// An .xlsx workbook as a source of selections: each cell's facts straight from the workbook model,
// as the spreadsheet application reports them for the same cell.
#include <cmath>
#include <limits>

#include "platform/Utf8.h"
#include "table/ExcelCellSource.h"
#include "table/ExcelConstants.h"
#include "workbook/DisplayText.h"
#include "workbook/WorkbookFile.h"

namespace tabrova::workbook {
namespace {

class XlsxSelection final : public SelectionSource {
public:
    XlsxSelection(std::shared_ptr<const XlsxWorkbook> workbook, std::size_t sheet,
                  const CellRange& range)
        : workbook_(std::move(workbook)), sheet_(workbook_->sheets()[sheet]), range_(range) {}

    SourceOpening open() override {
        SourceOpening opening;
        opening.workbookName = workbook_->fileName();
        opening.sheetName = sheet_.name;
        return opening;
    }
    SelectionRange range() override { return selectionRangeOf(range_); }

    CellFacts cell(std::int64_t row64, std::int64_t col64) override {
        const XlsxWorkbook& wb = *workbook_;
        const auto row = static_cast<std::uint32_t>(row64);
        const auto col = static_cast<std::uint32_t>(col64);
        const Cell* cell = wb.findCell(sheet_, row, col);
        const std::uint32_t style = cell ? cell->style : wb.styleAt(sheet_, row, col);
        const CellFormat& format = wb.format(style);

        CellFacts facts;
        facts.columnWidth = wb.columnWidth(sheet_, col);
        facts.rowHeight = wb.rowHeight(sheet_, row);
        facts.horizontal = excel::alignmentOf(format.horizontal);
        facts.fontSize = fontSize(cell, style);
        facts.text = displayText(wb, sheet_, row, col);
        // The decimal separator does not matter: the test takes full stops and commas alike.
        facts.numericValue = valueLooksNumeric(value2(cell), u'.');
        edges(row, col, style, facts);
        facts.txtPlace = excel::verticalPlaceOf(format.vertical);
        facts.wrapText = format.wrapText;
        facts.shrinkToFit = format.shrinkToFit;

        CellRange area{row, col, row, col};
        if (const CellRange* merge = wb.mergeAt(sheet_, row, col)) {
            facts.merged = true;
            area = *merge;
        }
        facts.mergeRows = static_cast<std::int64_t>(area.lastRow) - area.firstRow + 1;
        facts.mergeCols = static_cast<std::int64_t>(area.lastCol) - area.firstCol + 1;
        facts.mergeLeft = static_cast<double>(wb.pixelsLeftOf(sheet_, area.firstCol)) * 0.75;
        facts.mergeTop = wb.pointsAbove(sheet_, area.firstRow);
        return facts;
    }

private:
    // The cell's font size; where the runs of a rich text differ in size, the first
    // character's, as the application's Font.Size is Null then and the reader takes that one.
    double fontSize(const Cell* cell, std::uint32_t style) const {
        const double cellSize = workbook_->fontOf(style).size;
        if (!cell || cell->type != CellType::string) return cellSize;
        const RichString& s = workbook_->textOf(sheet_, *cell);
        if (s.runs.empty()) return cellSize;
        auto runSize = [cellSize](const TextRun& run) {
            return std::isnan(run.size) ? cellSize : run.size;
        };
        // Characters beyond the text take the last run's font; an empty first run holds no
        // character.
        const TextRun* first = &s.runs.back();
        for (const TextRun& run : s.runs) {
            if (run.length > 0) {
                first = &run;
                break;
            }
        }
        return runSize(*first);
    }

    automation::Variant value2(const Cell* cell) const {
        if (!cell) return automation::Empty{};
        switch (cell->type) {
            case CellType::number:
                return cell->number;
            case CellType::boolean:
                return cell->number != 0;
            case CellType::string:
                return workbook_->textOf(sheet_, *cell).text;
            case CellType::error:
                return automation::ErrorValue{};
            case CellType::blank:
                break;
        }
        return automation::Empty{};
    }

    // Each edge the cell draws itself, else its neighbour's facing edge, as the application's
    // Borders(i) reports it.
    void edges(std::uint32_t r, std::uint32_t c, std::uint32_t style, CellFacts& facts) const {
        const XlsxWorkbook& wb = *workbook_;
        const BorderInfo& own = wb.borderOf(style);
        auto facing = [&](bool has, std::uint32_t nr, std::uint32_t nc,
                          BorderEdge BorderInfo::*edge) {
            return has ? wb.borderOf(wb.styleAt(sheet_, nr, nc)).*edge : BorderEdge{};
        };
        const struct {
            const BorderEdge& mine;
            BorderEdge neighbour;
            std::uint8_t bit;
            EdgeIndex index;
        } edges[] = {
            {own.top, facing(r > 1, r - 1, c, &BorderInfo::bottom), edgeTop, edgeIndexTop},
            {own.bottom, facing(r < kMaxRows, r + 1, c, &BorderInfo::top), edgeBottom,
             edgeIndexBottom},
            {own.left, facing(c > 1, r, c - 1, &BorderInfo::right), edgeLeft, edgeIndexLeft},
            {own.right, facing(c < kMaxCols, r, c + 1, &BorderInfo::left), edgeRight,
             edgeIndexRight},
        };
        for (const auto& e : edges) {
            const BorderEdge& shown = e.mine.style != excel::xlLineStyleNone ? e.mine : e.neighbour;
            if (shown.style == excel::xlLineStyleNone) continue;
            facts.lineBits |= e.bit;
            facts.edgeStyles[e.index] = excel::edgeStyleOf(shown.style, shown.weight);
        }
    }

    std::shared_ptr<const XlsxWorkbook> workbook_;
    const Sheet& sheet_;
    CellRange range_;
};

class XlsxFile final : public WorkbookFile {
public:
    explicit XlsxFile(std::shared_ptr<XlsxWorkbook> workbook) : workbook_(std::move(workbook)) {
        for (const Sheet& s : workbook_->sheets())
            sheets_.push_back({s.name, s.isWorksheet, s.selection});
    }
    const std::filesystem::path& path() const override { return workbook_->path(); }
    std::u16string fileName() const override { return workbook_->fileName(); }
    const std::vector<SheetEntry>& sheets() const override { return sheets_; }
    std::size_t activeSheet() const override { return workbook_->activeSheet(); }
    std::vector<ReadReason> notes() const override { return workbook_->notes(); }

    std::unique_ptr<SelectionSource> selection(std::size_t sheet, const CellRange& range) override {
        const Sheet& held = workbook_->sheets().at(sheet);
        if (!held.isWorksheet) {
            throw WorkbookError(workbook_->path(), ReadProblem::notAWorksheet,
                                {utf16ToUtf8(held.name)});
        }
        if (!XlsxWorkbook::holdsCell(held, range.firstRow, range.firstCol) ||
            !XlsxWorkbook::holdsCell(held, range.lastRow, range.lastCol)) {
            workbook_->readCells(sheet, range);
        }
        return std::make_unique<XlsxSelection>(workbook_, sheet, range);
    }

    const XlsxWorkbook& workbook() const { return *workbook_; }

private:
    std::shared_ptr<XlsxWorkbook> workbook_;
    std::vector<SheetEntry> sheets_;
};

}  // namespace

std::unique_ptr<WorkbookFile> openXlsxFile(const std::filesystem::path& path) {
    return std::make_unique<XlsxFile>(XlsxWorkbook::open(path));
}

}  // namespace tabrova::workbook
