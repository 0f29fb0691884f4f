// A workbook file (.xlsx, Office Open XML) read into memory: sheets, cells, styles and the sheet
// geometry that the spreadsheet's object model answers from.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "table/ExcelConstants.h"
#include "workbook/NumberFormat.h"
#include "workbook/WorkbookError.h"

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

class XlsxPackage;
struct SheetSource;

class XlsxWorkbook {
public:
    // Opens the workbook: its sheets, styles and each worksheet's settings, without their cells.
    // Throws WorkbookError (file and reason) for a file that is not a workbook, is encrypted or
    // damaged, holds XML that is not well formed, a part whose size is out of proportion, or
    // references outside the sheet's limits.
    static std::shared_ptr<XlsxWorkbook> open(const std::filesystem::path& path);
    // Opens the workbook and reads every cell of every worksheet.
    static std::shared_ptr<XlsxWorkbook> load(const std::filesystem::path& path);
    ~XlsxWorkbook();

    // Reads what the cells of range on that worksheet need (see Sheet), in place of what the
    // sheet held; the cost grows with the range, not with the sheet. Throws WorkbookError as
    // open() does.
    void readCells(std::size_t sheet, const CellRange& range);
    // Whether the sheet holds what the cell at row, col needs.
    static bool holdsCell(const Sheet& sheet, std::uint32_t row, std::uint32_t col) {
        return sheet.cellsRead && sheet.cellsRead->contains(row, col);
    }

    const std::filesystem::path& path() const { return path_; }
    std::u16string fileName() const;
    bool date1904() const { return date1904_; }
    std::size_t activeSheet() const { return activeSheet_; }
    const std::vector<Sheet>& sheets() const { return sheets_; }
    // The index of the sheet of that name (compared without regard to ASCII case), if any.
    std::optional<std::size_t> findSheet(std::u16string_view name) const;

    const std::vector<FontInfo>& fonts() const { return fonts_; }
    const std::vector<BorderInfo>& borders() const { return borders_; }
    const std::vector<CellFormat>& cellFormats() const { return cellFormats_; }
    // What the reader cut or left out of what the file holds because it exceeds Excel's limits,
    // one sentence each (UTF-8), for the user to be told: of the styles once opened, of the
    // cells' texts once read.
    std::vector<ReadReason> notes() const;
    // The format code of a number format id: the workbook's own, else the built-in one.
    std::u16string numberFormatCode(std::uint32_t numFmtId) const;
    // The format code of a cell style, and whether it is General (looked up once at load).
    const std::u16string& formatCodeOf(std::uint32_t style) const;
    bool isGeneralStyle(std::uint32_t style) const;

    // The standard font (font 0) and its maximum digit width in pixels.
    const FontInfo& standardFont() const { return fonts_.front(); }
    int maxDigitWidth() const { return mdw_; }

    // Cells and geometry of one sheet.
    const Cell* findCell(const Sheet& sheet, std::uint32_t row, std::uint32_t col) const;
    // The style that applies at a cell: its own when the file lists it, else its row's, else its
    // column's, else the default.
    std::uint32_t styleAt(const Sheet& sheet, std::uint32_t row, std::uint32_t col) const;
    const CellFormat& format(std::uint32_t style) const;
    const FontInfo& fontOf(std::uint32_t style) const;
    const BorderInfo& borderOf(std::uint32_t style) const;
    const RichString& textOf(const Sheet& sheet, const Cell& cell) const;
    // The merged range through the cell, if any.
    const CellRange* mergeAt(const Sheet& sheet, std::uint32_t row, std::uint32_t col) const;

    int columnPixels(const Sheet& sheet, std::uint32_t col) const;
    // The pixels of a column without an entry of its own.
    int defaultColumnPixels(const Sheet& sheet) const;
    // The column width in characters of the standard font, as the object model gives it.
    double columnWidth(const Sheet& sheet, std::uint32_t col) const;
    // Row height in points.
    double rowHeight(const Sheet& sheet, std::uint32_t row) const;
    // Pixels of the columns left of col; points of the rows above row.
    std::int64_t pixelsLeftOf(const Sheet& sheet, std::uint32_t col) const;
    double pointsAbove(const Sheet& sheet, std::uint32_t row) const;

private:
    XlsxWorkbook() = default;
    double defaultRowHeight(const Sheet& sheet) const;
    SheetSource sheetSource() const;
    void indexSheet(Sheet& sheet) const;

    std::filesystem::path path_;
    bool date1904_ = false;
    std::size_t activeSheet_ = 0;
    std::vector<Sheet> sheets_;
    std::vector<FontInfo> fonts_;
    std::vector<BorderInfo> borders_;
    std::vector<CellFormat> cellFormats_;
    std::unordered_map<std::uint32_t, std::u16string> numberFormats_;
    std::shared_ptr<XlsxPackage> package_;  // the file as opened, for the reads of cells
    std::string sharedStringsPart_;
    // The format codes the cell formats use, each once, and per cellXfs entry its index there.
    std::vector<std::u16string> formatCodes_;
    std::vector<std::uint32_t> styleFormatCode_;
    std::vector<bool> styleIsGeneral_;
    int mdw_ = 7;
    std::vector<ReadReason> notes_;

    friend class WorkbookLoader;
};

}  // namespace tabrova::workbook
