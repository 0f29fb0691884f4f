// What the cell grid view needs from the cell table: the selection rectangle in grid
// coordinates, the selections of the fixed cells, the base-point edit and the character code at
// the caret. Grid column 0 and row 0 are the fixed captions; grid cell (c, r) with c, r >= 1
// shows the table cell (c - 1, r - 1).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "grid/SelectionWalk.h"
#include "table/CellTable.h"

namespace tabrova {

// The selection made by a click on a fixed cell of a grid of gridColCount x gridRowCount cells
// (fixed ones included): the corner selects every data cell, a column caption its column, a row
// caption its row.
GridSelection fixedCellSelection(std::int32_t aCol, std::int32_t aRow, std::int32_t gridColCount,
                                 std::int32_t gridRowCount);

// Sets txtAlign of every table cell under the grid rectangle to code (1 left, 2 centre,
// 3 right). Parts of the rectangle outside the table are skipped. Returns whether a cell changed.
bool setTextAlign(CellTable& table, const GridSelection& selection, std::uint8_t code);

// The label that shows the code of the character just after the caret: "[000A]" for a line feed,
// empty when the caret stands at the end of the text.
std::u16string caretCharCodeLabel(std::u16string_view text, std::size_t caret);

// True when the text holds a line feed (shown in red in the edit box).
bool containsLineFeed(std::u16string_view text);

// True for every cell of a merged region (anchor or covered), which the grid paints on its own
// background colour.
bool isMergedRegionCell(const TXlsxCellAttr& cell);

// Horizontal placement of a data cell's text in the grid by its txtAlign.
enum class TextPlacement { left, centre, right };
TextPlacement textPlacement(std::uint8_t txtAlign);

}  // namespace tabrova
