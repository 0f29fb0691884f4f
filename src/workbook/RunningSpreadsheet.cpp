#include "workbook/RunningSpreadsheet.h"

#include "table/ExcelCellSource.h"

namespace tabrova::workbook {

std::unique_ptr<SelectionSource> runningSpreadsheetSource(const SelectionReadSettings& settings) {
    return std::make_unique<ExcelCellSource>(settings.progId, settings.decimalSeparator,
                                             settings.cellByCellOptions);
}

}  // namespace tabrova::workbook
