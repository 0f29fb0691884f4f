// The range a spreadsheet program last copied, taken from the clipboard as a selection source:
// LibreOffice Calc's copy (an OpenDocument spreadsheet of the copied cells, "Star Embed Source
// (XML)") or Excel's (its "XML Spreadsheet" form of the range for the structure, and the texts it
// displays as tab-separated Unicode text). The clipboard itself is the platform's: this part sees
// only the names of the formats it holds and the bytes of one.
#pragma once

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "table/SelectionSource.h"
#include "workbook/WorkbookError.h"
#include "workbook/WorkbookFile.h"

namespace tabrova::workbook {

// The clipboard's formats as the platform names them: MIME types on Linux
// ("application/x-openoffice-embed-source-xml;windows_formatname=\"Star Embed Source (XML)\"",
// "text/plain"), and Windows formats as Qt names them ("application/x-qt-windows-mime;value=\"XML
// Spreadsheet\"") or as registered ("XML Spreadsheet").
class ClipboardFormats {
public:
    virtual ~ClipboardFormats() = default;
    virtual std::vector<std::string> formats() const = 0;
    // The bytes of a format the clipboard holds; for the plain text ("text/plain"), UTF-8.
    // Nothing when it cannot be had.
    virtual std::optional<std::string> bytes(const std::string& format) const = 0;
};

struct ClipboardTable {
    std::u16string program;  // "LibreOffice Calc" or "Excel"
    // The copied range's cells. The caption's workbook is the label, its sheet the copied one's;
    // the range is the copied one's position on its sheet where the copy tells it (LibreOffice),
    // else from A1.
    std::unique_ptr<WorkbookFile> file;  // what the source reads, for LibreOffice's copy
    std::unique_ptr<SelectionSource> source;
    // What the user should know of the copy (its forms disagree, a form is missing).
    std::vector<ReadReason> notes;
};

// Takes the copied range from the clipboard. label names the clipboard in the caption and in the
// errors ("クリップボード", "clipboard"). Throws WorkbookError naming the label: the clipboard
// holds no copied range (what it holds instead, and what to copy), or the copy cannot be read.
ClipboardTable readClipboard(const ClipboardFormats& clipboard, const std::filesystem::path& label);

// The table's source, owning what it reads from.
std::unique_ptr<SelectionSource> ownedSource(ClipboardTable table);

// The cells of Excel's tab-separated text of a range, by row: cells end at a tab, rows at a line
// end ("\r\n" or "\n", the last one optional); a cell that starts with a double quote and whose
// quoted part ends at a cell's end is unquoted ("" stands for one quote), so that it may hold
// tabs and line ends. Only the cells of the first keepRows rows and keepColumns columns are kept,
// so that a text of many short cells costs no more than the range it is matched with.
struct TabSeparatedText {
    std::vector<std::vector<std::u16string>> rows;
    std::size_t rowCount = 0;     // the text's rows, kept or not
    std::size_t columnCount = 0;  // the cells of its longest row
};
TabSeparatedText splitTabSeparated(std::u16string_view text, std::size_t keepRows,
                                   std::size_t keepColumns);
// Every cell of the text.
std::vector<std::vector<std::u16string>> tabSeparatedCells(std::u16string_view text);

}  // namespace tabrova::workbook
