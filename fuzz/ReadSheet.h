// Shared by the workbook fuzz targets: reads a selection (one sheet's saved selection of the open
// workbook) through the selection reader into a cell table, then draws it in memory.
#pragma once

#include <cstdint>

#include "dxf/MakeR12Dxf_V.h"
#include "dxf/TableDrawing.h"
#include "table/SelectionReader.h"
#include "workbook/WorkbookFile.h"

namespace tabrova::fuzz {

// Reads the source's selection through the selection reader into a cell table and draws it.
inline void readAndDraw(SelectionSource& source) {
    SelectionReadSettings settings =
        selectionReadSettings(WorkingSettings{}, u"Excel.Application", u'.');
    settings.maxCells = 20'000;  // keeps one input's run short
    CellTable table;
    GridContents grid;
    const SelectionReadResult result = readSelection(settings, source, table, grid);
    if (result.status != SelectionReadStatus::complete || !table.usable()) return;
    const CellTextFn text = [&grid](std::int32_t col, std::int32_t row) {
        return grid.text(col + 1, row + 1);
    };
    DxfLineList list(932);
    buildTableDxf({table, text, 0.8, true}, list);
}

inline void readSheet(workbook::WorkbookFile& book, std::size_t index) {
    const workbook::WorkbookFile::SheetEntry& sheet = book.sheets().at(index);
    if (!sheet.isWorksheet) return;
    readAndDraw(*book.selection(index, sheet.selection));
}

}  // namespace tabrova::fuzz
