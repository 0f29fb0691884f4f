#include "table/ExcelCellSource.h"

#include <cmath>

#include "grid/StrConvUnit.h"
#include "table/CellAddress.h"
#include "table/ExcelConstants.h"

namespace tabrova {

using namespace std::string_view_literals;
using automation::AutomationError;
using automation::ObjectPtr;
using automation::Variant;

namespace {

// A whole number such as a row, a column or a count.
std::int64_t wholeNumber(const Variant& value) {
    const double rounded = std::nearbyint(value.toDouble());
    if (!(std::fabs(rounded) < 9.2e18)) {
        throw AutomationError(u"オーバーフローしました.", automation::errors::overflow);
    }
    return static_cast<std::int64_t>(rounded);
}

}  // namespace

bool valueLooksNumeric(const Variant& value2, char16_t decimalSeparator) {
    if (value2.is<automation::ErrorValue>()) return false;
    const std::u16string text = value2.toText(decimalSeparator);
    return !text.empty() && IsNumStr(text);
}

ExcelCellSource::ExcelCellSource(std::u16string progId, char16_t decimalSeparator, OptionFacts read)
    : progId_(std::move(progId)), decimalSeparator_(decimalSeparator), read_(read) {}

ExcelCellSource::ExcelCellSource(ObjectPtr application, ObjectPtr sheet, char16_t decimalSeparator,
                                 OptionFacts read)
    : decimalSeparator_(decimalSeparator),
      read_(read),
      app_(std::move(application)),
      sheet_(std::move(sheet)) {}

template <class F>
auto ExcelCellSource::reading(std::u16string_view member, F&& read) -> decltype(read()) {
    try {
        return read();
    } catch (const AutomationError& e) {
        throw SourceError(std::u16string(member), e.message());
    }
}

OptionFacts ExcelCellSource::unreadFacts() const {
    return {!read_.borderStyles, !read_.verticalAlign, !read_.wrapText, !read_.fitText};
}

SourceOpening ExcelCellSource::open() {
    SourceOpening opening;
    try {
        app_ = automation::activeObject(automation::classIdFromProgId(progId_));
    } catch (const AutomationError&) {
        app_ = nullptr;
    }
    if (!app_) {
        opening.state = SourceState::attachFailed;
        opening.message = u"ProgId : " + progId_ + u" は無効です.";
        return opening;
    }
    const Variant sheet = reading(u"ActiveSheet", [&] { return app_->get(u"ActiveSheet"sv); });
    const Variant book = sheet.isObject() ? reading(u"ActiveWorkbook",
                                                    [&] { return app_->get(u"ActiveWorkbook"sv); })
                                          : Variant();
    if (!sheet.isObject() || !book.isObject()) {
        opening.state = SourceState::noWorkbook;
        return opening;
    }
    sheet_ = sheet.toObject();
    opening.workbookName =
        reading(u"ActiveWorkbook.Name", [&] { return book.toObject()->get(u"Name"sv).toText(); });
    opening.sheetName =
        reading(u"ActiveSheet.Name", [&] { return sheet_->get(u"Name"sv).toText(); });
    return opening;
}

SelectionRange ExcelCellSource::range() {
    SelectionRange s;
    const ObjectPtr sel =
        reading(u"Selection", [&] { return app_->get(u"Selection"sv).toObject(); });
    s.firstRow = reading(u"Selection.Row", [&] { return wholeNumber(sel->get(u"Row"sv)); });
    s.firstCol = reading(u"Selection.Column", [&] { return wholeNumber(sel->get(u"Column"sv)); });
    s.rowCount = reading(u"Selection.Rows.Count", [&] {
        return wholeNumber(sel->get(u"Rows"sv).toObject()->get(u"Count"sv));
    });
    s.colCount = reading(u"Selection.Columns.Count", [&] {
        return wholeNumber(sel->get(u"Columns"sv).toObject()->get(u"Count"sv));
    });
    return s;
}

// Font.Size is Null when the cell's characters have different sizes; the size of the first
// character stands for the cell then, and the application's standard size when that is Null too
// (a cell whose first character is not text, such as a picture).
double ExcelCellSource::fontSize(const ObjectPtr& cell) {
    std::u16string_view member = u"Font.Size";
    Variant size = reading(member, [&] { return cell->get(u"Font"sv).toObject()->get(u"Size"sv); });
    if (size.isNull()) {
        member = u"Characters(1, 1).Font.Size";
        size = reading(member, [&] {
            const ObjectPtr first =
                cell->get(u"Characters"sv, {std::int32_t{1}, std::int32_t{1}}).toObject();
            return first->get(u"Font"sv).toObject()->get(u"Size"sv);
        });
    }
    if (size.isNull()) {
        member = u"StandardFontSize";
        size = reading(member, [&] { return app_->get(u"StandardFontSize"sv); });
    }
    return reading(member, [&] { return size.toDouble(); });
}

void ExcelCellSource::edges(const ObjectPtr& cell, bool weights, CellFacts& facts) {
    static constexpr struct {
        std::int32_t index;
        std::uint8_t bit;
        EdgeIndex edgeIndex;
        std::u16string_view member;
        std::u16string_view weightMember;
    } borders[] = {
        {excel::xlEdgeTop, edgeTop, edgeIndexTop, u"Borders(8).LineStyle", u"Borders(8).Weight"},
        {excel::xlEdgeBottom, edgeBottom, edgeIndexBottom, u"Borders(9).LineStyle",
         u"Borders(9).Weight"},
        {excel::xlEdgeLeft, edgeLeft, edgeIndexLeft, u"Borders(7).LineStyle", u"Borders(7).Weight"},
        {excel::xlEdgeRight, edgeRight, edgeIndexRight, u"Borders(10).LineStyle",
         u"Borders(10).Weight"},
    };
    for (const auto& border : borders) {
        ObjectPtr edge;
        const std::int32_t lineStyle = reading(border.member, [&] {
            edge = cell->get(u"Borders"sv, {border.index}).toObject();
            return edge->get(u"LineStyle"sv).toInt();
        });
        if (lineStyle == excel::xlLineStyleNone) continue;
        facts.lineBits |= border.bit;
        if (weights) {
            facts.edgeStyles[border.edgeIndex] = reading(border.weightMember, [&] {
                return excel::edgeStyleOf(lineStyle, edge->get(u"Weight"sv).toInt());
            });
        }
    }
}

void ExcelCellSource::readEdges(std::int64_t row, std::int64_t col, bool weights,
                                CellFacts& facts) {
    const ObjectPtr cell = reading(u"Range", [&] {
        return sheet_->get(u"Range"sv, {CellAddress(col, row), automation::Missing{}}).toObject();
    });
    facts.lineBits = 0;
    facts.edgeStyles = {};
    edges(cell, weights, facts);
}

CellFacts ExcelCellSource::cell(std::int64_t row, std::int64_t col) {
    CellFacts facts;
    const ObjectPtr cell = reading(u"Range", [&] {
        return sheet_->get(u"Range"sv, {CellAddress(col, row), automation::Missing{}}).toObject();
    });
    facts.columnWidth =
        reading(u"ColumnWidth", [&] { return cell->get(u"ColumnWidth"sv).toDouble(); });
    facts.rowHeight = reading(u"RowHeight", [&] { return cell->get(u"RowHeight"sv).toDouble(); });
    facts.horizontal = reading(u"HorizontalAlignment", [&] {
        return excel::alignmentOf(cell->get(u"HorizontalAlignment"sv).toInt());
    });
    facts.fontSize = fontSize(cell);
    // Text twice, as the grid and the table each took it: the order of the reads is kept.
    facts.text = reading(u"Text", [&] {
        cell->get(u"Text"sv).toText(decimalSeparator_);
        return cell->get(u"Text"sv).toText(decimalSeparator_);
    });
    facts.numericValue = reading(
        u"Value2", [&] { return valueLooksNumeric(cell->get(u"Value2"sv), decimalSeparator_); });

    edges(cell, read_.borderStyles, facts);

    facts.merged = reading(u"MergeCells", [&] { return cell->get(u"MergeCells"sv).toBool(); });
    facts.mergeRows = reading(u"MergeArea.Rows.Count", [&] {
        return wholeNumber(
            cell->get(u"MergeArea"sv).toObject()->get(u"Rows"sv).toObject()->get(u"Count"sv));
    });
    facts.mergeCols = reading(u"MergeArea.Columns.Count", [&] {
        return wholeNumber(
            cell->get(u"MergeArea"sv).toObject()->get(u"Columns"sv).toObject()->get(u"Count"sv));
    });
    facts.mergeLeft = reading(u"MergeArea.Left", [&] {
        return cell->get(u"MergeArea"sv).toObject()->get(u"Left"sv).toDouble();
    });
    facts.mergeTop = reading(u"MergeArea.Top", [&] {
        return cell->get(u"MergeArea"sv).toObject()->get(u"Top"sv).toDouble();
    });

    if (read_.verticalAlign) {
        facts.txtPlace = reading(u"VerticalAlignment", [&] {
            return excel::verticalPlaceOf(cell->get(u"VerticalAlignment"sv).toInt());
        });
    }
    if (read_.wrapText) {
        facts.wrapText = reading(u"WrapText", [&] { return cell->get(u"WrapText"sv).toBool(); });
    }
    if (read_.fitText) {
        facts.shrinkToFit =
            reading(u"ShrinkToFit", [&] { return cell->get(u"ShrinkToFit"sv).toBool(); });
    }
    return facts;
}

}  // namespace tabrova
