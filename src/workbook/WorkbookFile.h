// A workbook file of any kind the program reads, as a source of selections: the sheets the user
// may choose from, and a selection source for a range of one of them.
#pragma once

#include <cstddef>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "table/SelectionSource.h"
#include "workbook/XlsxWorkbook.h"

namespace tabrova::workbook {

class WorkbookFile {
public:
    virtual ~WorkbookFile() = default;

    // Opens the file by what it holds (a zip package is an OpenDocument spreadsheet when its first
    // entry says so and an .xlsx workbook otherwise; an XML document is a flat OpenDocument
    // spreadsheet when its root is office:document and an XML Spreadsheet 2003 file otherwise),
    // whatever its name ends with. Throws WorkbookError naming the file and the reason.
    static std::unique_ptr<WorkbookFile> open(const std::filesystem::path& path);

    virtual const std::filesystem::path& path() const = 0;
    // The name the caption shows, as the spreadsheet would: the file's name.
    virtual std::u16string fileName() const = 0;

    struct SheetEntry {
        std::u16string name;
        bool isWorksheet = true;  // false for chart, dialog and macro sheets
        CellRange selection;      // the saved selection, A1 when the file saves none
    };
    virtual const std::vector<SheetEntry>& sheets() const = 0;
    // The sheet the file was saved on.
    virtual std::size_t activeSheet() const = 0;
    // The sheet of that name, compared without regard to ASCII case.
    std::optional<std::size_t> findSheet(std::u16string_view name) const;

    // Reads what the range of that worksheet needs (its cost grows with the range, not with the
    // sheet) and gives the source the reader takes its cells from. The source stays valid while
    // this file lives. Throws WorkbookError.
    virtual std::unique_ptr<SelectionSource> selection(std::size_t sheet,
                                                       const CellRange& range) = 0;

    // What the reader cut or left out because it exceeds the spreadsheet's limits, one sentence
    // each (UTF-8): of the file once opened, of the cells' texts once a selection was read.
    virtual std::vector<ReadReason> notes() const = 0;

    // The cells of the active sheet that the file shows as its visible area, when it names one:
    // of a spreadsheet's copy on the clipboard, the cells copied.
    virtual std::optional<CellRange> shownArea() const { return std::nullopt; }
};

// The rectangle of a range as a selection source gives it.
inline SelectionRange selectionRangeOf(const CellRange& r) {
    return {r.firstRow, r.firstCol, static_cast<std::int64_t>(r.lastRow) - r.firstRow + 1,
            static_cast<std::int64_t>(r.lastCol) - r.firstCol + 1};
}

// Throws WorkbookError when the file has no such sheet or the range is no range of a sheet: what a
// reader that reads its file again for each range checks before it does.
void checkSelectionArguments(const std::filesystem::path& path, std::size_t sheetCount,
                             std::size_t sheet, const CellRange& range);

// The .xlsx workbook as a WorkbookFile.
std::unique_ptr<WorkbookFile> openXlsxFile(const std::filesystem::path& path);
// An XML Spreadsheet 2003 document as a WorkbookFile.
std::unique_ptr<WorkbookFile> openSpreadsheetMlFile(const std::filesystem::path& path);
// An OpenDocument spreadsheet (.ods package or flat .fods document) as a WorkbookFile.
std::unique_ptr<WorkbookFile> openOdsFile(const std::filesystem::path& path);
// The same for a package or document in memory (a spreadsheet's copy on the clipboard); label
// stands for the file in the errors, path() and fileName().
std::unique_ptr<WorkbookFile> openOdsBytes(std::string bytes, const std::filesystem::path& label);

}  // namespace tabrova::workbook
