// What the main window's status bar says: where "Excel から取得" reads from, and where the last
// drawing went.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

#include "table/CellTable.h"

namespace tabrova {

// The workbook file chosen as the source of "Excel から取得": the file, the sheet and the range
// the user confirmed, and the file's time of last change when it was last opened.
struct WorkbookSource {
    std::filesystem::path path;
    std::u16string sheet;
    std::u16string range;
    std::filesystem::file_time_type modified;
};

// How to open a workbook where no spreadsheet application can run.
inline constexpr const char16_t* kNoWorkbookHint =
    u"ブックが開かれていません. 「ブック...」で開くか、ブックのファイルをウィンドウにドロップして"
    u"ください.";

// The source of the next read: the chosen workbook file; else the running spreadsheet
// application reached by excelProgId, where one can run; else the hint how to open a workbook.
std::u16string sourceStatusText(const std::optional<WorkbookSource>& source,
                                bool applicationsReachable, std::u16string_view excelProgId);

// The chosen file's full path in the system's separators; empty without a file.
std::u16string sourceToolTip(const std::optional<WorkbookSource>& source);

// What the status bar says when drawing options are on whose cell facts the read that filled the
// table left out (the running application read cell by cell reads them only for the options on
// at the time): which options, and that a new read brings them. Empty when nothing is missing.
// The narrowing of texts needs no fact of the cells and is never named.
std::u16string unreadOptionsText(const OptionFacts& unread, const OptionFacts& on);

enum class InsertOutcome {
    saved,            // the DXF is written, the hand-off to the CAD has not run yet
    inserted,         // a running CAD took the drawing
    savedWithoutCad,  // no target CAD runs: the file is all there is
};

// The status after "CAD へ挿入", naming the DXF file in the system's separators, and how many of
// the texts' characters the file could not hold and shows as the geta mark.
std::u16string insertStatusText(InsertOutcome outcome, const std::filesystem::path& dxfFile,
                                std::size_t replacedCharacters = 0);

}  // namespace tabrova
