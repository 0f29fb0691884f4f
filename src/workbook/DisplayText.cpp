#include "workbook/DisplayText.h"

#include <algorithm>
#include <cmath>

#include "workbook/NumberFormat.h"
#include "workbook/SheetMetrics.h"

namespace tabrova::workbook {
namespace {

std::u16string hashes(double availableDigits) {
    const auto n = static_cast<std::size_t>(std::max(1.0, std::floor(availableDigits + 1e-9)));
    return std::u16string(std::min<std::size_t>(n, 255), u'#');
}

}  // namespace

std::u16string displayText(const XlsxWorkbook& wb, const Sheet& sheet, std::uint32_t row,
                           std::uint32_t col) {
    const Cell* cell = wb.findCell(sheet, row, col);
    if (!cell) return {};
    switch (cell->type) {
        case CellType::blank:
            return {};
        case CellType::boolean:
            return cell->number != 0 ? u"TRUE" : u"FALSE";
        case CellType::error:
            return wb.textOf(sheet, *cell).text;
        case CellType::string:
            // Through the text section even where numbers show as General: a one-section format
            // such as @"様" is a text section only.
            return formatText(wb.textOf(sheet, *cell).text, wb.formatCodeOf(cell->style));
        case CellType::number:
            break;
    }
    const std::u16string& code = wb.formatCodeOf(cell->style);
    const bool general = wb.isGeneralStyle(cell->style);

    // The width the number has: its column's, or its merged area's when it anchors one.
    std::int64_t px = wb.columnPixels(sheet, col);
    if (const CellRange* m = wb.mergeAt(sheet, row, col);
        m && m->firstRow == row && m->firstCol == col) {
        px = wb.pixelsLeftOf(sheet, m->lastCol + 1) - wb.pixelsLeftOf(sheet, m->firstCol);
    }
    return fittedNumberText(cell->number, general ? u"General" : std::u16string_view(code), general,
                            wb.date1904(), px, wb.maxDigitWidth());
}

std::u16string fittedNumberText(double number, std::u16string_view code, bool general,
                                bool date1904, std::int64_t px, int mdw) {
    std::u16string text = formatNumber(number, code, date1904);
    if (px <= 0) {
        // A hidden column shows nothing; the number's full text is what the reader can use.
        return text == kCannotShow ? u"#" : text;
    }
    const double available = static_cast<double>(px - 5) / mdw;
    const double fits = available + 1e-9;
    if (textWidthInDigits(text) <= fits) return text;
    if (general) {
        // Fewer decimals, then exponent form, until it fits.
        for (int chars = static_cast<int>(text.size()) - 1; chars >= 1; --chars) {
            text = formatGeneral(number, chars);
            if (text.empty()) break;
            if (textWidthInDigits(text) <= fits) return text;
        }
    }
    return hashes(available);
}

}  // namespace tabrova::workbook
