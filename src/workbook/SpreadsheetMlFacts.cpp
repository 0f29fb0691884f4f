#include "workbook/SpreadsheetMlFacts.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "grid/StrConvUnit.h"
#include "table/ExcelConstants.h"
#include "workbook/DisplayText.h"
#include "workbook/NumberFormat.h"
#include "workbook/SheetMetrics.h"
#include "workbook/WorkbookFile.h"

namespace tabrova::workbook::spreadsheetml {

namespace {

// Excel's rows and columns are whole pixels; the document gives points (0.75 of a pixel).
double pixelsOfPoints(double points) { return std::round(points / 0.75); }

// The cells of one range of a document's sheet as a selection source.
class SheetSelection : public SelectionSource {
public:
    SheetSelection(std::shared_ptr<const Document> document, std::size_t sheet,
                   const CellRange& range, std::u16string fileName)
        : document_(std::move(document)),
          facts_(*document_, document_->sheets[sheet]),
          range_(range),
          fileName_(std::move(fileName)),
          sheetName_(document_->sheets[sheet].name) {}

    SourceOpening open() override {
        SourceOpening opening;
        opening.workbookName = fileName_;
        opening.sheetName = sheetName_;
        return opening;
    }
    SelectionRange range() override { return selectionRangeOf(range_); }

    CellFacts cell(std::int64_t row, std::int64_t col) override {
        if (!range_.contains(static_cast<std::uint32_t>(row), static_cast<std::uint32_t>(col)) ||
            row < 1 || col < 1) {
            throw SourceError(u"Cells", u"the cell lies outside the range read");
        }
        return facts_.cell(static_cast<std::uint32_t>(row), static_cast<std::uint32_t>(col)).facts;
    }

private:
    std::shared_ptr<const Document> document_;
    SheetFacts facts_;
    CellRange range_;
    std::u16string fileName_;
    std::u16string sheetName_;
};

}  // namespace

std::unique_ptr<SelectionSource> sheetSelection(std::shared_ptr<const Document> document,
                                                std::size_t sheet, const CellRange& range,
                                                std::u16string fileName) {
    return std::make_unique<SheetSelection>(std::move(document), sheet, range, std::move(fileName));
}

bool valueLooksNumeric(const Cell& cell) {
    switch (cell.type) {
        case CellType::number: {
            if (cell.number == 0) return true;
            // The decimal exponent of the value rounded to 15 significant digits.
            char buffer[48];
            const auto result = std::to_chars(buffer, buffer + sizeof buffer, cell.number,
                                              std::chars_format::scientific, 14);
            const std::string_view sci(buffer, static_cast<std::size_t>(result.ptr - buffer));
            const std::size_t e = sci.find('e');
            int exponent = 0;
            const std::size_t digits = e + (sci[e + 1] == '+' ? 2 : 1);
            std::from_chars(sci.data() + digits, sci.data() + sci.size(), exponent);
            return exponent > -5 && exponent < 15;
        }
        case CellType::string:
            return !cell.text.text.empty() && IsNumStr(cell.text.text);
        default:
            return false;
    }
}

double SheetFacts::LineSums::sizeBefore(std::uint32_t index) const {
    if (index <= origin) return 0;
    double total = defaultSize * (index - origin);
    // Entries wholly before index, then the part of the one through it.
    const auto it = std::lower_bound(lines->begin(), lines->end(), index,
                                     [](const Line& l, std::uint32_t i) { return l.last < i; });
    const auto whole = static_cast<std::size_t>(it - lines->begin());
    total += before[whole];
    if (it != lines->end() && it->first < index) {
        const double size = before[whole + 1] - before[whole];
        total += size / (it->last - it->first + 1) * (index - it->first);
    }
    return total;
}

SheetFacts::SheetFacts(const Document& document, const Sheet& sheet)
    : doc_(document), sheet_(sheet) {
    const Style& standard = doc_.styles.front();
    mdw_ = workbook::maxDigitWidth(standard.fontName, standard.fontSize);

    columnSums_.lines = &sheet_.columns;
    columnSums_.origin = doc_.originCol;
    columnSums_.defaultSize = columnPixelsOf(nullptr);
    rowSums_.lines = &sheet_.rows;
    rowSums_.origin = doc_.originRow;
    rowSums_.defaultSize = rowPointsOf(nullptr);
    for (LineSums* sums : {&columnSums_, &rowSums_}) {
        sums->before.assign(1, 0.0);
        for (const Line& line : *sums->lines) {
            // Entries before the origin (a document never has them) count from it.
            const std::uint32_t first = std::max(line.first, sums->origin);
            const double count = line.last >= first ? line.last - first + 1 : 0;
            const double size = sums == &columnSums_ ? columnPixelsOf(&line) : rowPointsOf(&line);
            sums->before.push_back(sums->before.back() + (size - sums->defaultSize) * count);
        }
    }
}

double SheetFacts::columnPixelsOf(const Line* line) const {
    if (line && line->hidden) return 0;
    if (line && line->size) return pixelsOfPoints(*line->size);
    if (sheet_.defaultColumnWidth) return pixelsOfPoints(*sheet_.defaultColumnWidth);
    return defaultColumnPixels(8, mdw_);
}

double SheetFacts::rowPointsOf(const Line* line) const {
    if (line && line->hidden) return 0;
    if (line && line->size) return *line->size;
    return sheet_.defaultRowHeight.value_or(15.0);
}

int SheetFacts::columnPixels(std::uint32_t col) const {
    return static_cast<int>(columnPixelsOf(lineAt(sheet_.columns, col)));
}

double SheetFacts::rowPoints(std::uint32_t row) const {
    return rowPointsOf(lineAt(sheet_.rows, row));
}

std::int64_t SheetFacts::pixelsLeftOf(std::uint32_t col) const {
    return static_cast<std::int64_t>(std::llround(columnSums_.sizeBefore(col)));
}

double SheetFacts::pointsAbove(std::uint32_t row) const { return rowSums_.sizeBefore(row); }

// Borders(i) of the cell: its own edge, else the facing edge of its neighbour.
BorderEdge SheetFacts::edge(std::uint32_t row, std::uint32_t col, EdgeIndex index) const {
    const BorderEdge& own = doc_.styles[styleAt(sheet_, row, col)].borders[index];
    if (own.style != excel::xlLineStyleNone) return own;
    const auto facing = [&](std::uint32_t r, std::uint32_t c, EdgeIndex i) {
        return doc_.styles[styleAt(sheet_, r, c)].borders[i];
    };
    switch (index) {
        case edgeIndexTop:
            return row > 1 ? facing(row - 1, col, edgeIndexBottom) : own;
        case edgeIndexBottom:
            return row < kMaxRows ? facing(row + 1, col, edgeIndexTop) : own;
        case edgeIndexLeft:
            return col > 1 ? facing(row, col - 1, edgeIndexRight) : own;
        case edgeIndexRight:
            return col < kMaxCols ? facing(row, col + 1, edgeIndexLeft) : own;
    }
    return own;
}

PlacedFacts SheetFacts::cell(std::uint32_t row, std::uint32_t col) const {
    PlacedFacts placed;
    CellFacts& f = placed.facts;
    const Style& style = doc_.styles[styleAt(sheet_, row, col)];
    const Cell* cell = findCell(sheet_, row, col);

    f.horizontal = excel::alignmentOf(style.horizontal);
    f.txtPlace = excel::verticalPlaceOf(style.vertical);
    f.wrapText = style.wrapText;
    f.shrinkToFit = style.shrinkToFit;
    // Rich text whose runs differ in size reports the size of its first character.
    f.fontSize = style.fontSize;
    if (cell && (cell->type == CellType::string || doc_.textsAsShown) && !cell->text.runs.empty() &&
        !std::isnan(cell->text.runs.front().size)) {
        f.fontSize = cell->text.runs.front().size;
    }

    static constexpr struct {
        EdgeIndex index;
        EdgeBit bit;
    } kEdges[] = {{edgeIndexTop, edgeTop},
                  {edgeIndexBottom, edgeBottom},
                  {edgeIndexLeft, edgeLeft},
                  {edgeIndexRight, edgeRight}};
    for (const auto& e : kEdges) {
        const BorderEdge line = edge(row, col, e.index);
        if (line.style == excel::xlLineStyleNone) continue;
        f.lineBits |= e.bit;
        f.edgeStyles[e.index] = excel::edgeStyleOf(line.style, line.weight);
    }

    CellRange area{row, col, row, col};
    if (const Merge* merge = mergeAt(sheet_, row, col)) {
        area = merge->area;
        f.merged = true;
    }
    f.mergeRows = area.lastRow - area.firstRow + 1;
    f.mergeCols = area.lastCol - area.firstCol + 1;
    f.mergeLeft = static_cast<double>(pixelsLeftOf(area.firstCol)) * 0.75;
    f.mergeTop = pointsAbove(area.firstRow);

    const int px = columnPixels(col);
    placed.columnHidden = px == 0;
    placed.columnPoints = px * 0.75;
    placed.rowPoints = rowPoints(row);
    placed.rowHidden = placed.rowPoints == 0;
    f.columnWidth = columnWidthFromPixels(px, mdw_);
    f.rowHeight = placed.rowPoints;

    f.numericValue = cell && valueLooksNumeric(*cell);
    f.text = displayText(row, col);
    return placed;
}

std::u16string SheetFacts::displayText(std::uint32_t row, std::uint32_t col) const {
    const Cell* cell = findCell(sheet_, row, col);
    if (!cell) return {};
    if (doc_.textsAsShown) return cell->text.text;
    const std::u16string& code = doc_.styles[cell->style].numberFormat;
    switch (cell->type) {
        case CellType::blank:
            return {};
        case CellType::boolean:
            return cell->number != 0 ? u"TRUE" : u"FALSE";
        case CellType::error:
            return cell->text.text;
        case CellType::string:
            return formatText(cell->text.text, code);
        case CellType::number:
            break;
    }
    const bool general = code.empty() || isGeneralFormat(code);
    // The width the number has: its column's, or its merged area's when it anchors one.
    std::int64_t px = columnPixels(col);
    if (const Merge* m = mergeAt(sheet_, row, col);
        m && m->area.firstRow == row && m->area.firstCol == col) {
        px = pixelsLeftOf(m->area.lastCol + 1) - pixelsLeftOf(m->area.firstCol);
    }
    return fittedNumberText(cell->number, general ? u"General" : std::u16string_view(code), general,
                            false, px, mdw_);
}

}  // namespace tabrova::workbook::spreadsheetml
