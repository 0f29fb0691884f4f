// Where a read takes its cells from. The reader asks a source for the selection and then for the
// facts of each cell, row by row; whether they come from a running spreadsheet application (cell
// by cell or in a few bulk calls), a workbook file or the clipboard is the source's business.
#pragma once

#include <array>
#include <cstdint>
#include <stdexcept>
#include <string>

#include "table/CellTable.h"

namespace tabrova {

// The rectangle a source reads, 1-based.
struct SelectionRange {
    std::int64_t firstRow = 1;
    std::int64_t firstCol = 1;
    std::int64_t rowCount = 0;
    std::int64_t colCount = 0;
};

// One cell as the spreadsheet reports it. Sizes are the spreadsheet's own numbers, before the
// reader rounds them into the table.
struct CellFacts {
    double columnWidth = 0;  // characters of the standard font
    double rowHeight = 0;    // points
    double fontSize = 0;     // points
    // TextAlign of the cell's own horizontal alignment: left, centre or right; alignNone for
    // general and every other kind.
    std::uint8_t horizontal = alignNone;
    std::u16string text;        // as the sheet displays it
    bool numericValue = false;  // the value's plain text is not empty and passes IsNumStr
    std::uint8_t lineBits = 0;  // EdgeBit mask of the edges with a line
    std::array<EdgeStyle, 4> edgeStyles{};  // by EdgeIndex, for the edges with a line
    std::uint8_t txtPlace = placeMiddle;    // VerticalPlace
    bool wrapText = false;
    bool shrinkToFit = false;
    // The merged area through the cell (the cell alone when it is not merged): its size in cells
    // and the sheet position of its top-left corner in points. An area the selection cuts keeps
    // its whole size and position.
    bool merged = false;
    std::int64_t mergeRows = 1;
    std::int64_t mergeCols = 1;
    double mergeLeft = 0;
    double mergeTop = 0;
};

// A read that cannot go on: the member or part being read, and why.
class SourceError : public std::runtime_error {
public:
    SourceError(std::u16string member, std::u16string reason)
        : std::runtime_error("selection source failed"),
          member_(std::move(member)),
          reason_(std::move(reason)) {}
    const std::u16string& member() const { return member_; }
    const std::u16string& reason() const { return reason_; }

private:
    std::u16string member_;
    std::u16string reason_;
};

enum class SourceState {
    ready,         // the selection is known
    attachFailed,  // no application answers the ProgID; message says so
    noWorkbook,    // the application runs without an open workbook
};

struct SourceOpening {
    SourceState state = SourceState::ready;
    std::u16string message;  // for attachFailed
    // The caption's parts, for ready.
    std::u16string workbookName;
    std::u16string sheetName;
};

class SelectionSource {
public:
    virtual ~SelectionSource() = default;
    // Attaches and names the workbook and the sheet. Throws SourceError.
    virtual SourceOpening open() = 0;
    // After a ready open(): the selected rectangle. Throws SourceError when there is none.
    virtual SelectionRange range() = 0;
    // Called once after range(), when the reader has accepted the selection's size: a source
    // that reads the whole range at once does so here. Throws SourceError.
    virtual void beginCells() {}
    // The facts of one cell of the selection (sheet row and column, 1-based), asked row by row,
    // left to right. Throws SourceError.
    virtual CellFacts cell(std::int64_t row, std::int64_t col) = 0;
    // The option facts this source left at their zero values.
    virtual OptionFacts unreadFacts() const { return {}; }
};

}  // namespace tabrova
