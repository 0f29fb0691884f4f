#include "table/SelectionReader.h"

#include <cmath>
#include <limits>

#include "grid/StrConvUnit.h"
#include "platform/Automation.h"
#include "sizing/CellGeometry.h"
#include "table/CellAddress.h"

namespace tabrova {
namespace {

using namespace std::string_view_literals;

using automation::AutomationError;
using automation::ObjectPtr;
using automation::Variant;

// The spreadsheet's constants (XlHAlign, XlLineStyle, XlBordersIndex).
constexpr std::int32_t xlLeft = -4131;
constexpr std::int32_t xlCenter = -4108;
constexpr std::int32_t xlRight = -4152;
constexpr std::int32_t xlLineStyleNone = -4142;
constexpr std::int32_t xlEdgeLeft = 7;
constexpr std::int32_t xlEdgeTop = 8;
constexpr std::int32_t xlEdgeBottom = 9;
constexpr std::int32_t xlEdgeRight = 10;
constexpr std::int32_t xlDash = -4115;
constexpr std::int32_t xlDot = -4118;
constexpr std::int32_t xlDouble = -4119;
constexpr std::int32_t xlDashDot = 4;
constexpr std::int32_t xlDashDotDot = 5;
constexpr std::int32_t xlSlantDashDot = 13;
constexpr std::int32_t xlHairline = 1;
constexpr std::int32_t xlMedium = -4138;
constexpr std::int32_t xlThick = 4;
constexpr std::int32_t xlVAlignTop = -4160;
constexpr std::int32_t xlVAlignBottom = -4107;

std::u16string decimal(std::int64_t n) {
    const std::string digits = std::to_string(n);
    return std::u16string(digits.begin(), digits.end());
}

[[noreturn]] void throwOverflow() {
    throw AutomationError(u"オーバーフローしました.", automation::errors::overflow);
}

// Rounded to nearest with ties to even, keeping the low 16 bits.
std::uint16_t roundedWord(const Variant& value) {
    const double rounded = std::nearbyint(value.toDouble());
    if (!(std::fabs(rounded) < 9.2e18)) throwOverflow();
    return static_cast<std::uint16_t>(
        static_cast<std::uint64_t>(static_cast<std::int64_t>(rounded)) & 0xFFFF);
}

// A whole number such as a row, a column or a count, in 64 bits.
std::int64_t wholeNumber(const Variant& value) {
    const double rounded = std::nearbyint(value.toDouble());
    if (!(std::fabs(rounded) < 9.2e18)) throwOverflow();
    return static_cast<std::int64_t>(rounded);
}

// Grid pixels: the truncation toward zero of units × scale.
std::int32_t pixels(std::uint16_t units, double scale) {
    const double value = std::trunc(units * scale);
    if (!(value > std::numeric_limits<std::int32_t>::min())) return 0;  // also NaN
    if (value > std::numeric_limits<std::int32_t>::max()) {
        return std::numeric_limits<std::int32_t>::max();
    }
    return static_cast<std::int32_t>(value);
}

std::uint8_t alignmentOf(std::int32_t horizontalAlignment) {
    switch (horizontalAlignment) {
        case xlLeft:
            return alignLeft;
        case xlCenter:
            return alignCenter;
        case xlRight:
            return alignRight;
        default:
            return alignNone;
    }
}

// A value shown at general alignment is right-aligned when its plain text is numeric. An error
// value (#N/A, #DIV/0!) has no plain text and is not numeric.
bool valueLooksNumeric(const Variant& value2, char16_t decimalSeparator) {
    if (value2.is<automation::ErrorValue>()) return false;
    const std::u16string text = value2.toText(decimalSeparator);
    return !text.empty() && IsNumStr(text);
}

ObjectPtr objectOf(const Variant& value) { return value.toObject(); }

// A border's LineStyle and Weight as the drawing tells them apart; a double line is drawn as two
// thin ones whatever its weight.
EdgeStyle edgeStyleOf(std::int32_t lineStyle, std::int32_t weight) {
    EdgeStyle style;
    switch (lineStyle) {
        case xlDash:
            style.line = borderDash;
            break;
        case xlDot:
            style.line = borderDot;
            break;
        case xlDashDot:
        case xlSlantDashDot:
            style.line = borderDashDot;
            break;
        case xlDashDotDot:
            style.line = borderDashDotDot;
            break;
        case xlDouble:
            style.line = borderDouble;
            return style;
        default:
            break;
    }
    switch (weight) {
        case xlHairline:
            style.weight = weightHair;
            break;
        case xlMedium:
            style.weight = weightMedium;
            break;
        case xlThick:
            style.weight = weightThick;
            break;
        default:
            break;
    }
    return style;
}

std::uint8_t verticalPlaceOf(std::int32_t verticalAlignment) {
    switch (verticalAlignment) {
        case xlVAlignTop:
            return placeTop;
        case xlVAlignBottom:
            return placeBottom;
        default:
            return placeMiddle;
    }
}

struct SheetReader {
    const SelectionReadSettings& settings;
    ObjectPtr app;
    ObjectPtr sheet;
    std::u16string_view step;  // the member being read, for the message when a read stops

    // Font.Size is Null when the cell's characters have different sizes; the size of the first
    // character stands for the cell then, and the application's standard size when that is
    // Null too (a cell whose first character is not text, such as a picture).
    std::uint16_t fontSize(const ObjectPtr& cell) {
        step = u"Font.Size";
        Variant size = objectOf(cell->get(u"Font"sv))->get(u"Size"sv);
        if (size.isNull()) {
            step = u"Characters(1, 1).Font.Size";
            const ObjectPtr first =
                objectOf(cell->get(u"Characters"sv, {std::int32_t{1}, std::int32_t{1}}));
            size = objectOf(first->get(u"Font"sv))->get(u"Size"sv);
        }
        if (size.isNull()) {
            step = u"StandardFontSize";
            size = app->get(u"StandardFontSize"sv);
        }
        return roundedWord(size);
    }

    // The 28 member reads of one cell (more for a Null font size and for the members the drawing
    // options ask for), in the order of the sheet's member list; grid texts and sizes are written
    // as they arrive.
    TXlsxCellAttr readCell(std::int64_t col, std::int64_t row, std::int32_t gc, std::int32_t gr,
                           bool firstRow, bool firstCol, SelectionReadView& view) {
        TXlsxCellAttr rec;
        step = u"Range";
        const ObjectPtr cell =
            objectOf(sheet->get(u"Range"sv, {CellAddress(col, row), automation::Missing{}}));

        step = u"ColumnWidth";
        rec.colW = roundedWord(cell->get(u"ColumnWidth"sv));
        if (firstRow) {
            view.setColWidth(gc, pixels(rec.colW, settings.colXsc));
            view.setCellText(gc, 0, ColNumToLetters(col));
        }
        step = u"RowHeight";
        rec.rowH = roundedWord(cell->get(u"RowHeight"sv));
        if (firstCol) view.setRowHeight(gr, pixels(rec.rowH, settings.rowYsc));

        step = u"HorizontalAlignment";
        rec.txtAlign = alignmentOf(cell->get(u"HorizontalAlignment"sv).toInt());
        rec.txtSize = fontSize(cell);

        step = u"Text";
        view.setCellText(gc, gr, cell->get(u"Text"sv).toText(settings.decimalSeparator));
        rec.str = cell->get(u"Text"sv).toText(settings.decimalSeparator);

        step = u"Value2";
        const Variant value2 = cell->get(u"Value2"sv);
        if (rec.txtAlign == alignNone && valueLooksNumeric(value2, settings.decimalSeparator)) {
            rec.txtAlign = alignRight;
        }

        static constexpr struct {
            std::int32_t index;
            std::uint8_t bit;
            EdgeIndex edgeIndex;
            std::u16string_view member;
            std::u16string_view weightMember;
        } borders[] = {
            {xlEdgeTop, edgeTop, edgeIndexTop, u"Borders(8).LineStyle", u"Borders(8).Weight"},
            {xlEdgeBottom, edgeBottom, edgeIndexBottom, u"Borders(9).LineStyle",
             u"Borders(9).Weight"},
            {xlEdgeLeft, edgeLeft, edgeIndexLeft, u"Borders(7).LineStyle", u"Borders(7).Weight"},
            {xlEdgeRight, edgeRight, edgeIndexRight, u"Borders(10).LineStyle",
             u"Borders(10).Weight"},
        };
        for (const auto& border : borders) {
            step = border.member;
            const ObjectPtr edge = objectOf(cell->get(u"Borders"sv, {border.index}));
            const std::int32_t lineStyle = edge->get(u"LineStyle"sv).toInt();
            if (lineStyle == xlLineStyleNone) continue;
            rec.lineBits |= border.bit;
            if (settings.readBorderStyles) {
                step = border.weightMember;
                rec.edgeStyles[border.edgeIndex] =
                    edgeStyleOf(lineStyle, edge->get(u"Weight"sv).toInt());
            }
        }

        step = u"MergeCells";
        rec.cellMerge = cell->get(u"MergeCells"sv).toBool();
        step = u"MergeArea.Rows.Count";
        rec.mergerowYscount = roundedWord(
            objectOf(objectOf(cell->get(u"MergeArea"sv))->get(u"Rows"sv))->get(u"Count"sv));
        step = u"MergeArea.Columns.Count";
        rec.mergecolXscount = roundedWord(
            objectOf(objectOf(cell->get(u"MergeArea"sv))->get(u"Columns"sv))->get(u"Count"sv));
        step = u"MergeArea.Left";
        rec.mergeLeft = roundedWord(objectOf(cell->get(u"MergeArea"sv))->get(u"Left"sv));
        step = u"MergeArea.Top";
        rec.mergeTop = roundedWord(objectOf(cell->get(u"MergeArea"sv))->get(u"Top"sv));

        if (settings.readVerticalAlignment) {
            step = u"VerticalAlignment";
            rec.txtPlace = verticalPlaceOf(cell->get(u"VerticalAlignment"sv).toInt());
        }
        if (settings.readWrapText) {
            step = u"WrapText";
            rec.wrapText = cell->get(u"WrapText"sv).toBool();
        }
        if (settings.readShrinkToFit) {
            step = u"ShrinkToFit";
            rec.shrinkToFit = cell->get(u"ShrinkToFit"sv).toBool();
        }
        return rec;
    }
};

// Ends the grid update however the read ends.
class GridUpdate {
public:
    explicit GridUpdate(SelectionReadView& view) : view_(view) { view_.beginGridUpdate(); }
    ~GridUpdate() { view_.endGridUpdate(); }
    GridUpdate(const GridUpdate&) = delete;
    GridUpdate& operator=(const GridUpdate&) = delete;

private:
    SelectionReadView& view_;
};

std::u16string stoppedMessage(const SelectionReadResult& r) {
    if (r.stopCell.empty()) {
        return u"Excel から " + r.stopMember +
               u" を読み取れなかったため、取得を止めました.\n理由: " + r.errorText;
    }
    return u"セル " + r.stopCell + u" の " + r.stopMember +
           u" を読み取れなかったため、取得を途中で止めました.\n理由: " + r.errorText +
           u"\n読み取れたセルまでを表示しています. 残りのセルは空にしました.";
}

}  // namespace

std::u16string attachFailedMessage(std::u16string_view progId) {
    return u"ProgId : " + std::u16string(progId) + u" は無効です.";
}

SelectionReadResult readSelection(const SelectionReadSettings& settings, CellTable& table,
                                  SelectionReadView& view) {
    SelectionReadResult result;

    ObjectPtr app;
    try {
        app = automation::activeObject(automation::classIdFromProgId(settings.progId));
    } catch (const AutomationError&) {
        app = nullptr;
    }
    if (!app) {
        result.status = SelectionReadStatus::attachFailed;
        result.message = attachFailedMessage(settings.progId);
        return result;
    }

    // From here on, whatever happens, the insert button is enabled again afterwards.
    result.enableInsert = true;
    SheetReader reader{settings, app, nullptr, {}};
    ObjectPtr sel;
    std::int64_t firstRow = 0;
    std::int64_t firstCol = 0;
    std::int64_t rows = 0;
    std::int64_t cols = 0;
    try {
        reader.step = u"ActiveSheet";
        const Variant sheet = app->get(u"ActiveSheet"sv);
        reader.step = u"ActiveWorkbook";
        const Variant book = sheet.isObject() ? app->get(u"ActiveWorkbook"sv) : Variant();
        if (!sheet.isObject() || !book.isObject()) {
            result.status = SelectionReadStatus::noWorkbook;
            result.message = u"Excel で開いているブックがないため、取得できませんでした.";
            return result;
        }
        reader.sheet = sheet.toObject();
        reader.step = u"ActiveWorkbook.Name";
        std::u16string caption = book.toObject()->get(u"Name"sv).toText();
        reader.step = u"ActiveSheet.Name";
        caption += u" [" + reader.sheet->get(u"Name"sv).toText() + u"]";
        view.showCaption(caption);

        reader.step = u"Selection";
        sel = objectOf(app->get(u"Selection"sv));
        reader.step = u"Selection.Row";
        firstRow = wholeNumber(sel->get(u"Row"sv));
        reader.step = u"Selection.Column";
        firstCol = wholeNumber(sel->get(u"Column"sv));
        reader.step = u"Selection.Rows.Count";
        rows = wholeNumber(objectOf(sel->get(u"Rows"sv))->get(u"Count"sv));
        reader.step = u"Selection.Columns.Count";
        cols = wholeNumber(objectOf(sel->get(u"Columns"sv))->get(u"Count"sv));
        if (rows < 1 || cols < 1 || firstRow < 1 || firstCol < 1) {
            throw AutomationError(u"選択範囲がセルの範囲ではありません.",
                                  automation::errors::typeMismatch);
        }
    } catch (const AutomationError& e) {
        result.status = SelectionReadStatus::stopped;
        result.stopMember = reader.step;
        result.errorText = e.message();
        result.message = stoppedMessage(result);
        return result;
    }
    const std::int64_t lastRow = firstRow + rows - 1;
    const std::int64_t lastCol = firstCol + cols - 1;
    view.showRange(CellAddress(firstCol, firstRow), CellAddress(lastCol, lastRow));

    // Rows and columns each fit 32 bits; their product may not.
    const std::int64_t maxCells =
        std::min<std::int64_t>(settings.maxCells, std::numeric_limits<std::int32_t>::max() - 1);
    if (rows > maxCells || cols > maxCells || rows * cols > maxCells) {
        result.status = SelectionReadStatus::tooLarge;
        result.message = u"選択範囲が大きすぎるため、取得できません (" + decimal(cols) + u" 列 × " +
                         decimal(rows) + u" 行).\n一度に取得できるのは " + decimal(maxCells) +
                         u" セルまでです.";
        return result;
    }

    const auto colCount = static_cast<std::int32_t>(cols);
    const auto rowCount = static_cast<std::int32_t>(rows);
    // The first grid cell whose record was not stored, and whether its row header is written.
    std::int32_t stopRow = rowCount + 1;
    std::int32_t stopCol = 1;
    bool stopRowHeaderWritten = false;
    {
        GridUpdate update(view);
        view.setColWidth(0, 70);
        view.setGridSize(colCount + 1, rowCount + 1);
        view.startProgress(rowCount);
        view.setCurrentCell(1, 1);
        // Fresh records throughout: cells that a stopped read does not reach hold nothing of the
        // previous table.
        table.cells.assign(static_cast<std::size_t>(rows * cols), TXlsxCellAttr{});
        table.colCount = colCount;
        table.rowCount = rowCount;
        result.tableReplaced = true;

        std::int32_t gr = 1;
        std::int32_t gc = 1;
        try {
            for (gr = 1; gr <= rowCount; ++gr) {
                view.showRowCounter(decimal(gr) + u" / " + decimal(rowCount));
                view.advanceProgress();
                // The message loop may run anything, including what empties the table; the read
                // ends when it asks to or when the table is no longer the one being filled.
                const bool goOn = view.pumpMessages();
                if (!goOn || table.cells.size() != static_cast<std::size_t>(rows * cols) ||
                    table.colCount != colCount || table.rowCount != rowCount) {
                    result.status = SelectionReadStatus::cancelled;
                    result.message = u"取得を中断しました.";
                    stopRow = gr;
                    stopCol = 1;
                    break;
                }
                const std::int64_t row = firstRow + gr - 1;
                view.setCellText(0, gr, decimal(row));
                for (gc = 1; gc <= colCount; ++gc) {
                    table.at(gc - 1, gr - 1) =
                        reader.readCell(firstCol + gc - 1, row, gc, gr, gr == 1, gc == 1, view);
                    ++result.cellsRead;
                }
            }
        } catch (const AutomationError& e) {
            result.status = SelectionReadStatus::stopped;
            result.stopCell = CellAddress(firstCol + gc - 1, firstRow + gr - 1);
            result.stopMember = reader.step;
            result.errorText = e.message();
            result.message = stoppedMessage(result);
            stopRow = gr;
            stopCol = gc;
            stopRowHeaderWritten = true;
        }

        // The cells from the one where the read ended: empty texts, and headers that name the
        // new selection.
        for (std::int32_t r = stopRow; r <= rowCount; ++r) {
            if (r > stopRow || !stopRowHeaderWritten)
                view.setCellText(0, r, decimal(firstRow + r - 1));
            for (std::int32_t c = r == stopRow ? stopCol : 1; c <= colCount; ++c) {
                view.setCellText(c, r, u"");
                if (r == 1) view.setCellText(c, 0, ColNumToLetters(firstCol + c - 1));
            }
        }
    }
    view.resetProgress();
    calcCellDrawSizes(table, settings.cadXsc, settings.cadYsc, settings.cadTsc);
    return result;
}

const std::u16string& GridContents::text(std::int32_t col, std::int32_t row) const {
    return texts.at(static_cast<std::size_t>(col) + static_cast<std::size_t>(row) * colCount);
}

void GridContents::setGridSize(std::int32_t cols, std::int32_t rows) {
    std::vector<std::u16string> resized(static_cast<std::size_t>(cols) * rows);
    for (std::int32_t r = 0; r < std::min(rows, rowCount); ++r) {
        for (std::int32_t c = 0; c < std::min(cols, colCount); ++c) {
            resized[static_cast<std::size_t>(c) + static_cast<std::size_t>(r) * cols] = std::move(
                texts[static_cast<std::size_t>(c) + static_cast<std::size_t>(r) * colCount]);
        }
    }
    texts = std::move(resized);
    colCount = cols;
    rowCount = rows;
    colWidths.resize(static_cast<std::size_t>(cols), 64);
    rowHeights.resize(static_cast<std::size_t>(rows), 24);
}

void GridContents::setColWidth(std::int32_t col, std::int32_t pixels) {
    if (col >= 0 && static_cast<std::size_t>(col) >= colWidths.size()) {
        colWidths.resize(static_cast<std::size_t>(col) + 1, 64);
    }
    colWidths.at(static_cast<std::size_t>(col)) = pixels;
}

void GridContents::setRowHeight(std::int32_t row, std::int32_t pixels) {
    rowHeights.at(static_cast<std::size_t>(row)) = pixels;
}

void GridContents::setCellText(std::int32_t col, std::int32_t row, const std::u16string& text) {
    texts.at(static_cast<std::size_t>(col) + static_cast<std::size_t>(row) * colCount) = text;
}

SelectionReadSettings selectionReadSettings(const WorkingSettings& settings, std::u16string progId,
                                            char16_t decimalSeparator) {
    SelectionReadSettings read;
    read.progId = std::move(progId);
    read.colXsc = settings.colXsc;
    read.rowYsc = settings.rowYsc;
    read.cadXsc = settings.cadXsc;
    read.cadYsc = settings.cadYsc;
    read.cadTsc = settings.cadTsc;
    read.decimalSeparator = decimalSeparator;
    read.readBorderStyles = settings.borderStyles;
    read.readVerticalAlignment = settings.verticalAlign;
    read.readWrapText = settings.wrapText;
    read.readShrinkToFit = settings.fitText;
    return read;
}

}  // namespace tabrova
