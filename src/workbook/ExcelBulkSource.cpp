#include "workbook/ExcelBulkSource.h"

#include <algorithm>

#include "platform/Utf8.h"
#include "table/CellAddress.h"
#include "workbook/SpreadsheetMl.h"
#include "workbook/WorkbookFile.h"

namespace tabrova::workbook {

using namespace std::string_view_literals;
using automation::AutomationError;
using automation::ObjectPtr;
using automation::Variant;

namespace {

// The XML's own sheet limits bound the ring around the selection.
std::uint32_t before(std::uint32_t index) { return index > 1 ? index - 1 : 1; }

std::u16string rangeRef(const CellRange& r) {
    std::u16string ref = CellAddress(r.firstCol, r.firstRow);
    if (r.lastCol != r.firstCol || r.lastRow != r.firstRow)
        ref += u":" + CellAddress(r.lastCol, r.lastRow);
    return ref;
}

// A string the document holds as is: a format without a text section of its own shows it
// unchanged.
bool shownAsStored(const spreadsheetml::Style& style) {
    const std::u16string& code = style.numberFormat;
    return code.empty() || code == u"@" || code == u"General" || code == u"general";
}

}  // namespace

// What the bulk calls gave: the document of the selection and the ring of cells around it, its
// facts, the widths and heights, and the cells to be read one by one.
struct MergedArea {
    CellRange rect;
    double left = 0;  // the sheet position of its top-left corner, points
    double top = 0;
    bool anchorInXml = false;
};

struct ExcelBulkSource::Bulk {
    spreadsheetml::Document document;
    std::optional<spreadsheetml::SheetFacts> facts;
    CellRange expanded;
    double expandedLeft = 0;
    double expandedTop = 0;
    std::vector<double> columnWidths;  // by column of the selection from the first
    std::vector<double> rowHeights;    // by row from the first
    // Merged areas through the selection. The XML leaves the covered cells out, so their edges
    // are asked of the application; the cells of an area anchored outside the XML are read
    // cell by cell.
    std::vector<MergedArea> mergedAreas;
    std::unique_ptr<ExcelCellSource> mergedCells;
};

ExcelBulkSource::ExcelBulkSource(std::u16string progId, char16_t decimalSeparator,
                                 OptionFacts cellByCellOptions)
    : decimalSeparator_(decimalSeparator),
      perCell_(std::move(progId), decimalSeparator, cellByCellOptions) {}

ExcelBulkSource::~ExcelBulkSource() = default;

SourceOpening ExcelBulkSource::open() { return perCell_.open(); }

void ExcelBulkSource::fallBack(std::u16string reason) {
    fellBack_ = true;
    fallbackReason_ = std::move(reason);
    bulk_.reset();
}

SelectionRange ExcelBulkSource::range() {
    std::u16string address;
    try {
        selection_ = perCell_.application()->get(u"Selection"sv).toObject();
        address = selection_->get(u"Address"sv).toText();
    } catch (const AutomationError& e) {
        fallBack(u"Address: " + e.message());
    }
    const auto parsed = fellBack_ ? std::nullopt : parseRangeRef(address);
    if (!fellBack_ && !parsed) fallBack(u"the selection is not one range: " + address);
    if (fellBack_) return perCell_.range();
    range_ = *parsed;
    return selectionRangeOf(range_);
}

void ExcelBulkSource::beginCells() {
    if (fellBack_) return;
    try {
        readBulk();
    } catch (const AutomationError& e) {
        fallBack(e.message());
    } catch (const WorkbookError& e) {
        fallBack(utf8ToUtf16(e.reason()));
    } catch (const SourceError& e) {
        fallBack(e.member() + u": " + e.reason());
    }
}

void ExcelBulkSource::readBulk() {
    auto bulk = std::make_unique<Bulk>();
    const ObjectPtr& sheet = perCell_.sheet();
    auto rangeObject = [&](const CellRange& r) {
        return sheet->get(u"Range"sv, {rangeRef(r), automation::Missing{}}).toObject();
    };

    // The selection and the ring of cells around it, whose facing borders the selection's edge
    // cells show.
    bulk->expanded = {before(range_.firstRow), before(range_.firstCol),
                      std::min(range_.lastRow + 1, kMaxRows),
                      std::min(range_.lastCol + 1, kMaxCols)};
    const ObjectPtr expanded = rangeObject(bulk->expanded);
    const Variant xml = expanded->get(u"Value"sv, {std::int32_t{11}});
    const std::u16string* text = xml.get_if<std::u16string>();
    if (!text) throw SourceError(u"Value(11)", u"no XML Spreadsheet text");
    // As UTF-16 with its byte order mark, whatever encoding the declaration names.
    std::string bytes = "\xFF\xFE";
    bytes.reserve(2 + text->size() * 2);
    for (char16_t c : *text) {
        bytes.push_back(static_cast<char>(c & 0xFF));
        bytes.push_back(static_cast<char>(c >> 8));
    }
    spreadsheetml::Reading reading;
    reading.originRow = bulk->expanded.firstRow;
    reading.originCol = bulk->expanded.firstCol;
    reading.sheet = 0;
    reading.range = range_;
    bulk->document = spreadsheetml::parse(bytes, u"Value(11)", reading);
    if (bulk->document.sheets.empty()) throw SourceError(u"Value(11)", u"no worksheet");
    bulk->facts.emplace(bulk->document, bulk->document.sheets.front());
    bulk->expandedLeft = expanded->get(u"Left"sv).toDouble();
    bulk->expandedTop = expanded->get(u"Top"sv).toDouble();

    // ColumnWidth and RowHeight: columns of one width in the XML have one ColumnWidth (it
    // follows from the pixels and the standard font), rows of one height one RowHeight; so one
    // column or row of each size is asked, or the whole selection when all are alike.
    const spreadsheetml::SheetFacts& facts = *bulk->facts;
    auto sizes = [&](std::uint32_t first, std::uint32_t last, auto sizeOf,
                     std::u16string_view member, auto rangeOf) {
        std::vector<double> keys, values;
        std::vector<double> result;
        for (std::uint32_t i = first; i <= last; ++i) keys.push_back(sizeOf(i));
        std::vector<double> distinct = keys;
        std::sort(distinct.begin(), distinct.end());
        distinct.erase(std::unique(distinct.begin(), distinct.end()), distinct.end());
        if (distinct.size() == 1) {
            const double all = selection_->get(member).toDouble();
            return std::vector<double>(keys.size(), all);
        }
        values.resize(distinct.size());
        std::vector<bool> asked(distinct.size(), false);
        for (std::size_t i = 0; i < keys.size(); ++i) {
            const auto k = static_cast<std::size_t>(
                std::lower_bound(distinct.begin(), distinct.end(), keys[i]) - distinct.begin());
            if (!asked[k]) {
                values[k] = rangeObject(rangeOf(first + static_cast<std::uint32_t>(i)))
                                ->get(member)
                                .toDouble();
                asked[k] = true;
            }
            result.push_back(values[k]);
        }
        return result;
    };
    bulk->columnWidths = sizes(
        range_.firstCol, range_.lastCol,
        [&](std::uint32_t c) { return static_cast<double>(facts.columnPixels(c)); }, u"ColumnWidth",
        [&](std::uint32_t c) {
            return CellRange{range_.firstRow, c, range_.firstRow, c};
        });
    bulk->rowHeights = sizes(
        range_.firstRow, range_.lastRow, [&](std::uint32_t r) { return facts.rowPoints(r); },
        u"RowHeight",
        [&](std::uint32_t r) {
            return CellRange{r, range_.firstCol, r, range_.firstCol};
        });

    // Merged areas: none when the selection's MergeCells is False. The XML shows every area
    // whose anchor lies in the selection or its ring, but clipped where the ring ends; an area
    // anchored farther up or left reaches into the selection's top row or left column.
    const Variant merged = selection_->get(u"MergeCells"sv);
    if (!(merged.is<bool>() && !*merged.get_if<bool>())) {
        const CellRange& ring = bulk->expanded;
        auto placed = [&](const CellRange& area, const ObjectPtr& mergeArea) {
            MergedArea m{area, 0, 0, ring.contains(area.firstRow, area.firstCol)};
            if (mergeArea) {
                m.left = mergeArea->get(u"Left"sv).toDouble();
                m.top = mergeArea->get(u"Top"sv).toDouble();
            } else {
                m.left = bulk->expandedLeft +
                         static_cast<double>(facts.pixelsLeftOf(area.firstCol)) * 0.75;
                m.top = bulk->expandedTop + facts.pointsAbove(area.firstRow);
            }
            return m;
        };
        // The area through a cell as the application has it, with its position.
        auto askArea = [&](std::uint32_t r, std::uint32_t c) {
            const ObjectPtr area = rangeObject({r, c, r, c})->get(u"MergeArea"sv).toObject();
            const std::u16string address = area->get(u"Address"sv).toText();
            const auto parsed = parseRangeRef(address);
            if (!parsed) throw SourceError(u"MergeArea.Address", address);
            return placed(*parsed, area);
        };
        for (const spreadsheetml::Merge& m : bulk->document.sheets.front().merges) {
            const CellRange& a = m.area;
            if (a.lastRow < range_.firstRow || a.firstRow > range_.lastRow ||
                a.lastCol < range_.firstCol || a.firstCol > range_.lastCol)
                continue;
            const bool mayBeClipped = (a.firstRow == ring.firstRow && ring.firstRow > 1) ||
                                      (a.firstCol == ring.firstCol && ring.firstCol > 1) ||
                                      a.lastRow == ring.lastRow || a.lastCol == ring.lastCol;
            const std::uint32_t r = std::max(a.firstRow, range_.firstRow);
            const std::uint32_t c = std::max(a.firstCol, range_.firstCol);
            bulk->mergedAreas.push_back(mayBeClipped ? askArea(r, c) : placed(a, nullptr));
        }
        auto known = [&](std::uint32_t r, std::uint32_t c) {
            return std::any_of(bulk->mergedAreas.begin(), bulk->mergedAreas.end(),
                               [&](const MergedArea& a) { return a.rect.contains(r, c); });
        };
        const CellRange edges[] = {
            {range_.firstRow, range_.firstCol, range_.firstRow, range_.lastCol},  // top row
            {range_.firstRow, range_.firstCol, range_.lastRow, range_.firstCol},  // left column
        };
        for (const CellRange& edge : edges) {
            const Variant any = rangeObject(edge)->get(u"MergeCells"sv);
            if (any.is<bool>() && !*any.get_if<bool>()) continue;
            for (std::uint32_t r = edge.firstRow; r <= edge.lastRow; ++r) {
                for (std::uint32_t c = edge.firstCol; c <= edge.lastCol; ++c) {
                    if (known(r, c)) continue;
                    if (!rangeObject({r, c, r, c})->get(u"MergeCells"sv).toBool()) continue;
                    bulk->mergedAreas.push_back(askArea(r, c));
                }
            }
        }
        if (!bulk->mergedAreas.empty()) {
            bulk->mergedCells =
                std::make_unique<ExcelCellSource>(perCell_.application(), sheet, decimalSeparator_,
                                                  OptionFacts{true, true, true, true});
        }
    }
    bulk_ = std::move(bulk);
}

CellFacts ExcelBulkSource::cell(std::int64_t row64, std::int64_t col64) {
    if (fellBack_) return perCell_.cell(row64, col64);
    Bulk& bulk = *bulk_;
    const auto row = static_cast<std::uint32_t>(row64);
    const auto col = static_cast<std::uint32_t>(col64);
    const MergedArea* area = nullptr;
    for (const MergedArea& a : bulk.mergedAreas)
        if (a.rect.contains(row, col)) area = &a;
    if (area && !area->anchorInXml) return bulk.mergedCells->cell(row64, col64);
    spreadsheetml::PlacedFacts placed = bulk.facts->cell(row, col);
    CellFacts& facts = placed.facts;
    facts.columnWidth = bulk.columnWidths[col - range_.firstCol];
    facts.rowHeight = bulk.rowHeights[row - range_.firstRow];
    facts.mergeLeft += bulk.expandedLeft;
    facts.mergeTop += bulk.expandedTop;
    if (area) {
        facts.merged = true;
        facts.mergeRows = static_cast<std::int64_t>(area->rect.lastRow) - area->rect.firstRow + 1;
        facts.mergeCols = static_cast<std::int64_t>(area->rect.lastCol) - area->rect.firstCol + 1;
        facts.mergeLeft = area->left;
        facts.mergeTop = area->top;
        bulk.mergedCells->readEdges(row64, col64, true, facts);
    }
    // The text the sheet shows, where the XML cannot tell it: values other than plain strings,
    // and strings under a format of their own.
    const spreadsheetml::Sheet& sheet = bulk.document.sheets.front();
    if (const spreadsheetml::Cell* c = spreadsheetml::findCell(sheet, row, col);
        c && (c->type != CellType::string || !shownAsStored(bulk.document.styles[c->style]))) {
        try {
            facts.text = perCell_.sheet()
                             ->get(u"Range"sv, {CellAddress(col64, row64), automation::Missing{}})
                             .toObject()
                             ->get(u"Text"sv)
                             .toText(decimalSeparator_);
        } catch (const AutomationError& e) {
            throw SourceError(u"Text", e.message());
        }
    }
    return facts;
}

OptionFacts ExcelBulkSource::unreadFacts() const {
    return fellBack_ ? perCell_.unreadFacts() : OptionFacts{};
}

}  // namespace tabrova::workbook
