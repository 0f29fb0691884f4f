// A workbook file as the source of "Excel から取得" in place of the running spreadsheet
// application: the user picks the file, confirms a worksheet and a range, and the file stays open
// under the spreadsheet's ProgID, so that the selection reader reads it as it reads a running one.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "table/StatusText.h"

namespace tabrova::workbook {

class OpenWorkbook;
class XlsxWorkbook;

// A worksheet the user may choose (chart, dialog and macro sheets are left out).
struct WorksheetChoice {
    std::u16string name;
    std::u16string selection;  // the sheet's saved selection, as rangeText gives it
    bool active = false;       // the sheet the workbook was saved on
};

std::vector<WorksheetChoice> worksheetChoices(const XlsxWorkbook& book);

// "B2:D4", or "C5" for a single cell.
std::u16string rangeText(std::uint32_t firstCol, std::uint32_t firstRow, std::uint32_t lastCol,
                         std::uint32_t lastRow);

// The range as typed, without surrounding blanks.
std::u16string trimmedRange(std::u16string_view typed);

// Why a confirmation of sheet and range cannot be taken, as a message for the user; nothing when
// it can. typedRange: the range box's text as typed.
std::optional<std::u16string> confirmationProblem(bool hasWorksheet,
                                                  std::u16string_view typedRange);

class ChosenWorkbook {
public:
    ChosenWorkbook();
    ~ChosenWorkbook();
    ChosenWorkbook(const ChosenWorkbook&) = delete;
    ChosenWorkbook& operator=(const ChosenWorkbook&) = delete;

    // Takes the confirmed file, sheet and range as the source and opens it under progId (see
    // prepareRead). Throws when it cannot be opened; there is then no source.
    void choose(const std::filesystem::path& path, std::u16string sheet, std::u16string range,
                const std::u16string& progId);

    // Before each read: opens the file again when it was saved since it was opened or the
    // spreadsheet's ProgID changed, and makes the confirmed sheet active and the range selected.
    // Throws WorkbookError when the file cannot be read or no longer holds the sheet; the source
    // stays chosen, so that a later read tries again. Without a source it does nothing.
    void prepareRead(const std::u16string& progId);

    // Gives the file up: the reads return to the running spreadsheet application.
    void close();

    const std::optional<WorkbookSource>& source() const { return source_; }
    // The workbook as last opened and read, or nullptr without a source.
    const XlsxWorkbook* workbook() const;

private:
    std::optional<WorkbookSource> source_;
    std::unique_ptr<OpenWorkbook> open_;
};

}  // namespace tabrova::workbook
