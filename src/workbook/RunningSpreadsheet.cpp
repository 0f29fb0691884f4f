#include "workbook/RunningSpreadsheet.h"

#include "table/ExcelCellSource.h"
#include "workbook/ExcelBulkSource.h"

namespace tabrova::workbook {

std::unique_ptr<SelectionSource> runningSpreadsheetSource(const SelectionReadSettings& settings) {
    if (settings.readPerCell) {
        return std::make_unique<ExcelCellSource>(settings.progId, settings.decimalSeparator,
                                                 settings.cellByCellOptions);
    }
    return std::make_unique<ExcelBulkSource>(settings.progId, settings.decimalSeparator,
                                             settings.cellByCellOptions);
}

}  // namespace tabrova::workbook
