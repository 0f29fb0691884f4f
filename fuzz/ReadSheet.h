// Shared by the workbook fuzz targets: activates one sheet of the open workbook and reads its
// saved selection through the selection reader into a cell table, then draws it in memory.
#pragma once

#include <cstdint>

#include "dxf/MakeR12Dxf_V.h"
#include "dxf/TableDrawing.h"
#include "platform/Automation.h"
#include "table/SelectionReader.h"

namespace tabrova::fuzz {

inline void readSheet(const automation::ObjectPtr& app, std::int32_t index) {
    app->get(u"Worksheets", {automation::Variant(index)}).toObject()->call(u"Activate");
    SelectionReadSettings settings =
        selectionReadSettings(WorkingSettings{}, u"Excel.Application", u'.');
    settings.maxCells = 20'000;  // keeps one input's run short
    CellTable table;
    GridContents grid;
    const SelectionReadResult result = readSelection(settings, table, grid);
    if (result.status != SelectionReadStatus::complete || !table.usable()) return;
    const CellTextFn text = [&grid](std::int32_t col, std::int32_t row) {
        return grid.text(col + 1, row + 1);
    };
    DxfLineList list(932);
    buildTableDxf(table, text, 0.8, true, list);
}

}  // namespace tabrova::fuzz
