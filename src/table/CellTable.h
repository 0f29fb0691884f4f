// The cell table: one record per cell of the spreadsheet range last read, stored row by row.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "settings/OptionFacts.h"

namespace tabrova {

// Edge mask bits, used by lineBits (borders the sheet draws) and mergeBits (edges on the outline
// of the cell's merged region).
enum EdgeBit : std::uint8_t {
    edgeTop = 1,
    edgeBottom = 2,
    edgeLeft = 4,
    edgeRight = 8,
};

// The look of one border edge, as the drawing's border styles distinguish it. The zero values
// are the thin continuous line every border is drawn as when the styles are not read.
enum BorderLine : std::uint8_t {
    borderContinuous = 0,
    borderDash,
    borderDot,
    borderDashDot,  // dash-dot and slant dash-dot
    borderDashDotDot,
    borderDouble,
};
enum BorderWeight : std::uint8_t {
    weightThin = 0,
    weightHair,
    weightMedium,
    weightThick,
};
struct EdgeStyle {
    std::uint8_t line = borderContinuous;  // BorderLine
    std::uint8_t weight = weightThin;      // BorderWeight
    bool operator==(const EdgeStyle&) const = default;
};
// Index of an edge in TXlsxCellAttr::edgeStyles.
enum EdgeIndex : std::uint8_t { edgeIndexTop = 0, edgeIndexBottom, edgeIndexLeft, edgeIndexRight };

// Vertical places of a cell's text; middle is where every text goes when they are not read.
enum VerticalPlace : std::uint8_t {
    placeMiddle = 0,
    placeTop,
    placeBottom,
};

// Text alignment values of txtAlign.
enum TextAlign : std::uint8_t {
    alignNone = 0,
    alignLeft = 1,
    alignCenter = 2,
    alignRight = 3,
};

// One cell. Spreadsheet quantities are whole numbers as read (16-bit fields keep the low 16 bits);
// drawing sizes are doubles in drawing units. Fields keep their declaration order.
struct TXlsxCellAttr {
    std::uint16_t rowH = 0;             // points
    std::uint16_t colW = 0;             // column-width units
    std::uint16_t txtSize = 0;          // points
    std::uint8_t txtAlign = 0;          // TextAlign
    std::u16string str;                 // the text as the sheet displayed it when read
    std::uint8_t lineBits = 0;          // EdgeBit mask of the borders the sheet draws
    bool cellMerge = false;             // belongs to a merged area of the sheet
    std::uint16_t mergerowYscount = 0;  // rows of the merged area (1 when not merged)
    std::uint16_t mergecolXscount = 0;  // columns of the merged area (1 when not merged)
    std::uint16_t mergeLeft = 0;        // left of the merged area on the sheet, points
    std::uint16_t mergeTop = 0;         // top of the merged area on the sheet, points
    std::uint16_t mergeW = 0;           // anchor only: sum of colW over the region's columns
    std::uint16_t mergeH = 0;           // anchor only: sum of rowH over the region's rows
    std::uint8_t mergeBits = 0;         // EdgeBit mask of the region outline through this cell
    bool mark = false;                  // covered cell: in a region but not its anchor
    double drawH = 0;                   // row height in the drawing
    double drawW = 0;                   // column width in the drawing
    double drawMH = 0;                  // anchor only: height of the whole region
    double drawMW = 0;                  // anchor only: width of the whole region
    double drawTH = 0;                  // text height in the drawing
    // Read only for the drawing options that use them; otherwise left at their zero values.
    std::array<EdgeStyle, 4> edgeStyles{};  // by EdgeIndex
    std::uint8_t txtPlace = placeMiddle;    // VerticalPlace
    bool wrapText = false;                  // the sheet wraps the text in its cell
    bool shrinkToFit = false;               // the sheet shrinks the text to fit its cell

    bool operator==(const TXlsxCellAttr&) const = default;
};

// A point in drawing units.
struct TAcadPoint {
    double x = 0;
    double y = 0;
    double z = 0;
};

// The table with its shape. The cell of column c, row r (0-based) is cells[c + r * colCount]; it
// is shown in grid cell (c + 1, r + 1). An empty table means nothing has been read yet.
struct CellTable {
    std::vector<TXlsxCellAttr> cells;
    std::int32_t colCount = 0;
    std::int32_t rowCount = 0;
    // The option facts the read that filled the table left at their zero values.
    OptionFacts unreadFacts;

    bool empty() const { return cells.empty(); }
    // True when the table can be laid out or drawn as a whole.
    bool usable() const {
        return !cells.empty() && colCount > 0 && rowCount > 0 &&
               cells.size() ==
                   static_cast<std::size_t>(colCount) * static_cast<std::size_t>(rowCount);
    }
    TXlsxCellAttr& at(std::int32_t c, std::int32_t r) {
        return cells[static_cast<std::size_t>(c) +
                     static_cast<std::size_t>(r) * static_cast<std::size_t>(colCount)];
    }
    const TXlsxCellAttr& at(std::int32_t c, std::int32_t r) const {
        return cells[static_cast<std::size_t>(c) +
                     static_cast<std::size_t>(r) * static_cast<std::size_t>(colCount)];
    }
    void clear() {
        cells.clear();
        colCount = 0;
        rowCount = 0;
        unreadFacts = {};
    }
};

}  // namespace tabrova
