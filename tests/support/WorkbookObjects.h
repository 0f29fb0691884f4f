// The tests' spreadsheet application: automation objects that answer the spreadsheet
// application's members (application, workbook, worksheet, range, font, border) from a workbook
// file, so that the running application's read can be tried on any workbook, in this process or
// served from another one.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

#include "platform/Automation.h"
#include "workbook/DisplayText.h"
#include "workbook/XlsxWorkbook.h"

namespace tabrova::workbook {

// The application object of a workbook. Its ActiveSheet is the workbook's active tab and each
// sheet's Selection its saved selection, until Worksheet.Activate and Range.Select change them.
// A member that needs cells the sheet does not hold reads them: the selection when the cell lies
// in it, else the range asked about.
automation::ObjectPtr makeWorkbookApplication(std::shared_ptr<XlsxWorkbook> workbook);

// A workbook file open in the program: while it lives, its application object answers the
// spreadsheet's ProgID (whatever its version suffix), ahead of a running spreadsheet application.
class OpenWorkbook {
public:
    // Opens the workbook (throws WorkbookError) and registers it under progId.
    OpenWorkbook(const std::filesystem::path& path, std::u16string progId);
    ~OpenWorkbook();
    OpenWorkbook(const OpenWorkbook&) = delete;
    OpenWorkbook& operator=(const OpenWorkbook&) = delete;

    const XlsxWorkbook& workbook() const { return *workbook_; }
    const automation::ObjectPtr& application() const { return application_; }
    const std::u16string& progId() const { return progId_; }
    // Reads the cells of the active sheet's selection, so that reading them through the
    // application object finds them. Throws WorkbookError.
    void readSelection();
    // Unregisters the workbook; the program returns to the running application. Also done by
    // the destructor.
    void close();

private:
    std::shared_ptr<XlsxWorkbook> workbook_;
    automation::ObjectPtr application_;
    std::u16string progId_;
    bool registered_ = false;
};

}  // namespace tabrova::workbook
