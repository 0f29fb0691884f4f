// What every workbook reader shares: the sheet's limits, cell ranges, and the model of a sheet's
// cells, formats and geometry that the readers fill and the selection source answers from.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "table/ExcelConstants.h"

namespace tabrova::workbook {

// The sheet's limits.
inline constexpr std::uint32_t kMaxRows = 1048576;
inline constexpr std::uint32_t kMaxCols = 16384;

// Excel's own limit on the characters of a number format code (that on a cell's text,
// kMaxCellTextChars, is in NumberFormat.h).
inline constexpr std::size_t kMaxFormatCodeChars = 255;
// The largest font size Excel accepts, in points.
inline constexpr double kMinFontSize = 1;
inline constexpr double kMaxFontSize = 409;

// A rectangle of cells, 1-based and inclusive.
struct CellRange {
    std::uint32_t firstRow = 1;
    std::uint32_t firstCol = 1;
    std::uint32_t lastRow = 1;
    std::uint32_t lastCol = 1;

    bool contains(std::uint32_t row, std::uint32_t col) const {
        return row >= firstRow && row <= lastRow && col >= firstCol && col <= lastCol;
    }
    bool operator==(const CellRange&) const = default;
};

// Parses "B2", "$B$2", "B2:D4" (either corner first; letters in either case). Nothing when the
// text is not such a reference or lies outside the sheet.
std::optional<CellRange> parseRangeRef(std::u16string_view text);
std::optional<CellRange> parseRangeRef(std::string_view text);

struct FontInfo {
    std::u16string name;
    double size = 11;
};

// One edge of a border: its LineStyle and Weight as the object model gives them.
struct BorderEdge {
    std::int32_t style = excel::xlLineStyleNone;
    std::int32_t weight = excel::xlThin;
};

struct BorderInfo {
    BorderEdge left;
    BorderEdge right;
    BorderEdge top;
    BorderEdge bottom;
    BorderEdge diagonal;
    bool diagonalUp = false;
    bool diagonalDown = false;
};

// One entry of cellXfs.
struct CellFormat {
    std::uint32_t fontId = 0;
    std::uint32_t borderId = 0;
    std::uint32_t numFmtId = 0;
    std::int32_t horizontal = excel::xlHAlignGeneral;
    std::int32_t vertical = excel::xlVAlignBottom;
    bool wrapText = false;
    bool shrinkToFit = false;
};

// A run of rich text: its length in UTF-16 units and its font size (NaN where the run takes the
// cell's font).
struct TextRun {
    std::uint32_t length = 0;
    double size = 0;
};

// A string of the shared-string table or of an inline string: the runs' texts joined, with the
// runs kept for rich text (empty otherwise).
struct RichString {
    std::u16string text;
    std::vector<TextRun> runs;
};

// Cuts a string longer than a cell holds to kMaxCellTextChars UTF-16 units, its runs with it
// (without splitting a surrogate pair). Returns whether it was cut.
bool limitCellText(RichString& s);

// A font size as the file gives it, brought into the range Excel accepts (kMinFontSize to
// kMaxFontSize points); nothing for a size that is not a positive finite number, so that the
// default applies.
std::optional<double> acceptedFontSize(std::optional<double> size);

enum class CellType : std::uint8_t { blank, number, string, boolean, error };

struct Cell {
    double number = 0;  // number, or 0/1 for a Boolean
    std::uint32_t row = 0;
    std::uint32_t col = 0;
    std::uint32_t style = 0;  // index into cellXfs
    std::uint32_t text = 0;   // string or error: index into the sheet's strings
    CellType type = CellType::blank;
};

struct ColumnInfo {
    std::uint32_t min = 1;
    std::uint32_t max = 1;
    std::optional<double> width;
    bool hidden = false;
    std::optional<std::uint32_t> style;
};

struct RowInfo {
    std::uint32_t row = 0;
    std::optional<double> height;
    bool hidden = false;
    std::optional<std::uint32_t> style;  // only when the row's format applies (customFormat)
};

// A sheet as far as it has been read. Opening a workbook reads each worksheet's settings (column
// widths, default sizes, saved selection); readCells() then reads one range of it, and the sheet
// holds what the spreadsheet's members need for the cells of that range: the cells of the range
// and of the cells around it (whose borders a cell's edges take), the row styles of those rows,
// the heights of all rows, the merged ranges through the range and the texts its cells show.
struct Sheet {
    std::u16string name;
    std::string part;                    // the sheet's part name inside the package
    bool isWorksheet = true;             // false for chart, dialog and macro sheets
    std::optional<CellRange> cellsRead;  // the range readCells() read; nothing before
    std::vector<Cell> cells;             // sorted by row, then column
    // The texts of the cells: inline strings, cached formula strings, error texts and the entries
    // of the shared-string table that the cells refer to.
    std::vector<RichString> strings;
    std::vector<ColumnInfo> cols;  // sorted, not overlapping
    std::vector<RowInfo> rows;     // sorted by row
    std::vector<CellRange> merges;
    std::size_t cutTexts = 0;  // texts of the cells read that were cut to a cell's limit
    CellRange selection;       // the saved selection (see XlsxWorkbook)
    std::optional<double> defaultColWidth;
    double baseColWidth = 8;
    std::optional<double> defaultRowHeight;
    bool rowsHiddenByDefault = false;

    // Filled by the loader: lookup structures over the lists above.
    std::vector<double> rowHeightPrefix;       // sum over rows[0..i) of (height - default height)
    std::vector<std::int64_t> colPixelPrefix;  // sum over cols[0..i) of (pixels - default) x count
    // Merged ranges by row (those up to kTallMerge rows high) and by column (taller ones up to
    // kTallMerge columns wide), each list sorted by first column or row; the few ranges larger
    // both ways in a list of their own. Ranges do not overlap, so a binary search finds the one
    // through a cell.
    std::unordered_map<std::uint32_t, std::vector<std::uint32_t>> mergesByRow;
    std::unordered_map<std::uint32_t, std::vector<std::uint32_t>> mergesByColumn;
    std::vector<std::uint32_t> hugeMerges;
};

}  // namespace tabrova::workbook
