// The size summary of the settings tab, the totals label and the cell-size edits of the first
// tab, on the cell table. Texts use "%.3f" with the decimal separator the caller passes (the
// user's locale's in the desktop program).
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "grid/CellGrid.h"
#include "table/CellTable.h"

namespace tabrova {

// value formatted as "%.3f", independent of the C library's locale.
std::u16string formatSize(double value, char16_t decimalSeparator = u'.');

// One series of sizes (column widths, row heights or text heights) as the summary shows it.
struct SizeSeriesSummary {
    double mode = 0;
    double minimum = 0;
    double maximum = 0;
    double total = 0;
};

enum class SizeSeries { columnWidths, rowHeights, textHeights };

// The series over the table: drawW of the top row, drawH of the left column, drawTH of every
// cell. The mode is the most frequent value at three decimals; among equal counts the first in
// ascending text order of the space-padded keys wins, which for non-negative values below 10^8
// is the smallest value. nullopt for an empty table.
std::optional<SizeSeriesSummary> summarizeSizes(const CellTable& table, SizeSeries series);

// Column 1 of the five summary rows: total width, total height, then column widths, row heights
// and text heights as "mode (min～max)". nullopt for an empty table (the grid keeps its texts).
std::optional<std::array<std::u16string, 5>> sizeSummaryTexts(const CellTable& table,
                                                              char16_t decimalSeparator = u'.');

// Sum of drawW over the top row and of drawH over the left column.
double totalDrawWidth(const CellTable& table);
double totalDrawHeight(const CellTable& table);

// "全体: W=... x H=..." for a loaded table, empty for an empty one.
std::u16string totalsLabelText(const CellTable& table, char16_t decimalSeparator = u'.');

// The field that a cell-size box edits.
enum class CellSizeField { width, height, textHeight };

// The Yes/No question asked before the edit.
std::u16string cellSizeQuestion(CellSizeField field);

// The field's value of the table cell (col, row), 0 outside the table.
double cellSizeValue(const CellTable& table, CellSizeField field, std::int32_t col,
                     std::int32_t row);

// Sets the field to value: a width for every cell of the selected columns, a height for every
// cell of the selected rows, a text height for the selected cells alone (grid coordinates, clipped
// to the table). Widths and heights then re-sum the merged regions. Returns false and changes
// nothing when the table is empty.
bool applyCellSize(CellTable& table, CellSizeField field, double value,
                   const GridSelection& selection);

// Values that the scale boxes fall back to when their text is not a number: when the scales are
// applied (tab change) and when a CAD scale box changes.
struct ScaleFallbacks {
    double colXsc;
    double rowYsc;
    double cadXsc;
    double cadYsc;
    double cadTsc;
    double cadTof;
    std::int32_t cellLineColor;
};
inline constexpr ScaleFallbacks kApplyScaleFallbacks{20, 3, 10, 1.5, 0.8, 0.4, 256};
inline constexpr ScaleFallbacks kChangeScaleFallbacks{0, 0, 0, 0, 0, 0, 256};

}  // namespace tabrova
