// The running spreadsheet application as a selection source: read in bulk (a few calls for the
// whole range) unless the settings ask for the read cell by cell.
#pragma once

#include <memory>

#include "table/SelectionReader.h"
#include "table/SelectionSource.h"

namespace tabrova::workbook {

std::unique_ptr<SelectionSource> runningSpreadsheetSource(const SelectionReadSettings& settings);

}  // namespace tabrova::workbook
