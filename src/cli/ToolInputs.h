// What the command-line tool takes from libraries a build may lack: workbook files (libzip and
// pugixml) and pictures of the drawing (Qt). A build without them still reads the running
// spreadsheet and writes DXF files; asking it for the rest is a clear failure.
#pragma once

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "dxf/TableDrawing.h"
#include "table/SelectionSource.h"
#include "workbook/WorkbookError.h"

namespace tabrova::cli {

// A failure that ends the run with status 1: what it concerns (a file's path, a ProgID) and the
// reason.
struct ToolFailure {
    std::string subject;
    std::string reason;
};

std::string pathText(const std::filesystem::path& path);

// Whether the text is an A1-style range within a sheet ("B2:F20", "C5").
bool isRangeRef(std::u16string_view text);

// A workbook file open for reading: the sheet and range asked for, as a selection source.
class OpenedWorkbook {
public:
    virtual ~OpenedWorkbook() = default;
    // The name of the sheet read.
    virtual std::u16string sheetName() const = 0;
    // What the reader cut or left out because it exceeds the spreadsheet's limits (UTF-8).
    virtual std::vector<workbook::ReadReason> notes() const = 0;
    virtual SelectionSource& source() = 0;
    // Lets the workbook's memory go; source() is not used afterwards.
    virtual void close() = 0;
};

// Opens the workbook and reads the range (when given; else the sheet's saved selection) of the
// sheet named (when given; else the active one). Throws ToolFailure naming the workbook.
std::unique_ptr<OpenedWorkbook> openWorkbookForReading(const std::filesystem::path& file,
                                                       const std::optional<std::u16string>& sheet,
                                                       const std::optional<std::u16string>& range);

// The range a spreadsheet program last copied, from the system clipboard (the sheet name is the
// copied one's). Throws ToolFailure naming the clipboard: no display, or no copied range.
std::unique_ptr<OpenedWorkbook> openClipboardForReading();

// Whether the path names a picture format pictureBytes makes (".png" or ".svg").
bool isPictureName(const std::filesystem::path& path);

// The file of a picture of the entities, in the format the path's extension names. Throws
// platform::FileError.
std::string pictureBytes(const std::vector<DrawnEntity>& entities,
                         const std::filesystem::path& path);

}  // namespace tabrova::cli
