// An XML Spreadsheet 2003 document (what Excel saves as "XML Spreadsheet 2003", puts on the
// clipboard as "XML Spreadsheet" and returns from Range.Value(11)) read into a plain model: the
// styles with their inheritance resolved, and per worksheet its name, saved selection, column and
// row sizes, and the cells a caller asked for.
//
// The document is streamed. Only the cells of one range (and the ring of cells around it, whose
// borders its edges show) are kept, so a few cells of a large document cost memory in proportion
// to the range; the column and row sizes of the whole sheet are kept for the positions.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "table/CellTable.h"
#include "workbook/XlsxWorkbook.h"

namespace tabrova::workbook::spreadsheetml {

inline constexpr std::string_view kSpreadsheetNamespace =
    "urn:schemas-microsoft-com:office:spreadsheet";

// A style as it applies to a cell: what the style does not list comes from its parent style or,
// without one, from "Default". Enumerations are the spreadsheet's (XlHAlign, XlVAlign,
// XlLineStyle, XlBorderWeight), as its object model reports them.
struct Style {
    std::int32_t horizontal = excel::xlHAlignGeneral;
    std::int32_t vertical = excel::xlVAlignBottom;
    bool wrapText = false;
    bool shrinkToFit = false;
    std::u16string fontName = u"Calibri";
    double fontSize = 11;
    std::array<BorderEdge, 4> borders{};  // by EdgeIndex: top, bottom, left, right
    std::u16string numberFormat;          // format code; empty for General
};

// A cell the document lists. Strings and errors keep their text; a Boolean is 1 or 0, a date and
// time its serial day number (1900 date system).
struct Cell {
    std::uint32_t row = 0;
    std::uint32_t col = 0;
    std::uint32_t style = 0;  // index into Document::styles
    CellType type = CellType::blank;
    double number = 0;
    RichString text;  // rich text keeps its runs' font sizes (NaN: the cell's font)
};

// A column or row entry, or a span of equal ones. Sizes are in points.
struct Line {
    std::uint32_t first = 1;
    std::uint32_t last = 1;
    std::optional<double> size;
    bool hidden = false;
    std::optional<std::uint32_t> style;
};

// A merged area and the style of its top-left cell, which Excel gives the whole area.
struct Merge {
    CellRange area;
    std::uint32_t style = 0;
};

struct Sheet {
    std::u16string name;
    CellRange selection;  // the saved selection; the active cell, or A1, when none is saved
    std::optional<double> defaultColumnWidth;  // points
    std::optional<double> defaultRowHeight;    // points
    std::vector<Line> columns;                 // sorted, not overlapping
    std::vector<Line> rows;                    // sorted, not overlapping
    std::vector<Cell> cells;                   // sorted by row, then column
    std::vector<Merge> merges;
    // The table's ss:ExpandedRowCount and ss:ExpandedColumnCount, when given and within the sheet.
    std::optional<std::uint32_t> expandedRows;
    std::optional<std::uint32_t> expandedColumns;
    // The cells kept: those of this range and the ring around it; nothing when every cell was.
    std::optional<CellRange> cellsKept;
    bool cellsRead = false;  // false for a sheet whose cells were not asked for
};

struct Document {
    std::vector<Style> styles;  // styles[0] is "Default"
    std::vector<Sheet> sheets;
    std::size_t activeSheet = 0;
    // The sheet cell that the document's first row and column stand for.
    std::uint32_t originRow = 1;
    std::uint32_t originCol = 1;
    // The cells' texts are those the sheet shows, whatever their type (as an OpenDocument file
    // stores them), rather than values to format.
    bool textsAsShown = false;
    std::size_t cutTexts = 0;            // texts of the cells kept cut to a cell's limit
    std::size_t droppedFormatCodes = 0;  // format codes beyond Excel's limit, taken as General
    // The cells of the active sheet that an OpenDocument's view settings show as its visible area:
    // of a spreadsheet's copy on the clipboard, the cells copied. Read when the sheets are listed.
    std::optional<CellRange> shownArea;

    // What was cut or left out because it exceeds Excel's limits, one sentence each (UTF-8).
    std::vector<ReadReason> notes() const;
};

// What to keep of a document.
struct Reading {
    // The sheet cell of the document's cell (1, 1): a range's XML from Range.Value(11) starts
    // at the range's top-left cell. Indexes, spans and merges must stay inside the sheet from
    // there.
    std::uint32_t originRow = 1;
    std::uint32_t originCol = 1;
    // The cells to keep: none, those of one worksheet, and of those only what the facts of one
    // range need (sheet cells, the origin applied).
    bool keepCells = true;
    std::optional<std::size_t> sheet;
    std::optional<CellRange> range;
};

// Parses the document. Throws WorkbookError naming `source` (a file, or a label for bytes from
// elsewhere) and the reason, in one line: input that is not XML, not this format, truncated or
// empty; a DTD or entity declaration; nesting deeper than 64 elements; an attribute value of
// more than 64 KiB; an index, span or merge past the sheet's edge; a number that is not finite;
// a style whose parent is missing or that is its own ancestor; a cell naming a style the
// document lacks; no worksheet.
Document parse(std::string_view bytes, const std::filesystem::path& source,
               const Reading& reading = {});
// The same, streaming the file.
Document readFile(const std::filesystem::path& path, const Reading& reading = {});

// The cell the document lists at that sheet cell, if it was kept.
const Cell* findCell(const Sheet& sheet, std::uint32_t row, std::uint32_t col);
// The merged area through the sheet cell, if any.
const Merge* mergeAt(const Sheet& sheet, std::uint32_t row, std::uint32_t col);
// The style at the sheet cell: the cell's own, else its merged area's, else its row's, else its
// column's, else "Default" (0).
std::uint32_t styleAt(const Sheet& sheet, std::uint32_t row, std::uint32_t col);
// The column or row entry through a sheet column or row, if any.
const Line* lineAt(const std::vector<Line>& lines, std::uint32_t index);

}  // namespace tabrova::workbook::spreadsheetml
