// A workbook file as the source of "Excel から取得" in place of the running spreadsheet
// application: the user picks the file and confirms a worksheet and a range, which each read then
// takes its cells from.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "table/SelectionSource.h"
#include "table/StatusText.h"

namespace tabrova::workbook {

class WorkbookFile;

// A worksheet the user may choose (chart, dialog and macro sheets are left out).
struct WorksheetChoice {
    std::u16string name;
    std::u16string selection;  // the sheet's saved selection, as rangeText gives it
    bool active = false;       // the sheet the workbook was saved on
};

std::vector<WorksheetChoice> worksheetChoices(const WorkbookFile& book);

// "B2:D4", or "C5" for a single cell.
std::u16string rangeText(std::uint32_t firstCol, std::uint32_t firstRow, std::uint32_t lastCol,
                         std::uint32_t lastRow);

// The range as typed, without surrounding blanks and with full-width ASCII forms (U+FF01..U+FF5E,
// as an input method types them) made ASCII.
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

    // Takes the confirmed file, sheet and range as the source and reads the range's cells, so
    // that a damaged sheet is reported now as the file's error. Throws WorkbookError when it
    // cannot be read; there is then no source.
    void choose(std::shared_ptr<WorkbookFile> file, std::u16string sheet, std::u16string range);

    // For each read: opens the file again when it was saved since it was opened, and gives the
    // source of the confirmed sheet and range. Throws WorkbookError when the file cannot be read
    // or no longer holds the sheet; the source stays chosen, so that a later read tries again.
    // Without a source it gives nothing.
    std::unique_ptr<SelectionSource> prepareRead();

    // Gives the file up: the reads return to the running spreadsheet application.
    void close();

    const std::optional<WorkbookSource>& source() const { return source_; }
    // The workbook as last opened and read, or nullptr without a source.
    const WorkbookFile* workbook() const { return file_.get(); }

private:
    std::optional<WorkbookSource> source_;
    std::shared_ptr<WorkbookFile> file_;
};

}  // namespace tabrova::workbook
