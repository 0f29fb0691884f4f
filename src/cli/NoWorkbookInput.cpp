// A build without the workbook-file spreadsheet: only the running spreadsheet is read.
#include "cli/ToolInputs.h"

namespace tabrova::cli {

bool workbookFilesSupported() { return false; }

bool isRangeRef(std::u16string_view) { return false; }

std::unique_ptr<OpenedWorkbook> openWorkbookForReading(const std::filesystem::path& file,
                                                       const std::u16string&,
                                                       const std::optional<std::u16string>&,
                                                       const std::optional<std::u16string>&) {
    throw ToolFailure{pathText(file), "this build of tabrova-dxf opens no workbook files"};
}

}  // namespace tabrova::cli
