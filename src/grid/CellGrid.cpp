#include "grid/CellGrid.h"

#include <algorithm>

namespace tabrova {

GridSelection fixedCellSelection(std::int32_t aCol, std::int32_t aRow, std::int32_t gridColCount,
                                 std::int32_t gridRowCount) {
    const std::int32_t lastCol = gridColCount - 1;
    const std::int32_t lastRow = gridRowCount - 1;
    if (aCol <= 0 && aRow <= 0) return {1, 1, lastCol, lastRow};
    if (aRow <= 0) return {aCol, 1, aCol, lastRow};
    return {1, aRow, lastCol, aRow};
}

bool setTextAlign(CellTable& table, const GridSelection& selection, std::uint8_t code) {
    if (!table.usable()) return false;
    const std::int32_t left = std::max(selection.left, 1);
    const std::int32_t top = std::max(selection.top, 1);
    const std::int32_t right = std::min(selection.right, table.colCount);
    const std::int32_t bottom = std::min(selection.bottom, table.rowCount);
    bool changed = false;
    for (std::int32_t r = top; r <= bottom; ++r) {
        for (std::int32_t c = left; c <= right; ++c) {
            TXlsxCellAttr& cell = table.at(c - 1, r - 1);
            changed = changed || cell.txtAlign != code;
            cell.txtAlign = code;
        }
    }
    return changed;
}

std::u16string caretCharCodeLabel(std::u16string_view text, std::size_t caret) {
    if (caret >= text.size()) return {};
    static constexpr char16_t digits[] = u"0123456789ABCDEF";
    const char16_t code = text[caret];
    std::u16string label = u"[";
    for (int shift = 12; shift >= 0; shift -= 4) label.push_back(digits[(code >> shift) & 0xF]);
    label.push_back(u']');
    return label;
}

bool containsLineFeed(std::u16string_view text) {
    return text.find(u'\n') != std::u16string_view::npos;
}

bool isMergedRegionCell(const TXlsxCellAttr& cell) {
    return cell.mark || cell.drawMW > 0 || cell.drawMH > 0;
}

TextPlacement textPlacement(std::uint8_t txtAlign) {
    switch (txtAlign) {
        case alignCenter:
            return TextPlacement::centre;
        case alignRight:
            return TextPlacement::right;
        default:
            return TextPlacement::left;
    }
}

}  // namespace tabrova
