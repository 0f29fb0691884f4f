// The XML of an OpenDocument spreadsheet (the parts settings.xml, styles.xml and content.xml of
// a package, or the one document of a flat .fods file) read into the plain model the XML
// Spreadsheet reader fills: the styles resolved, and per sheet its name, cursor, column and row
// sizes, and the cells of one range with the texts the file shows.
//
// The parts are streamed. Only the cells of the range and the ring around it (whose borders its
// edges show) are kept, repeated rows and cells are expanded only there, and the content stops
// being read after the range's last row.
#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

#include "workbook/SpreadsheetMl.h"

namespace tabrova::workbook::ods {

inline constexpr std::string_view kSpreadsheetMimeType =
    "application/vnd.oasis.opendocument.spreadsheet";

class ContentReader {
public:
    // Of a Reading, only keepCells, sheet and range apply. `source` names the file (or a label
    // for bytes from elsewhere) in the errors.
    ContentReader(const spreadsheetml::Reading& reading, std::filesystem::path source);
    ~ContentReader();
    ContentReader(const ContentReader&) = delete;
    ContentReader& operator=(const ContentReader&) = delete;

    // Reads one XML document: a part of the package (named in the errors), or the flat document
    // (an empty name). feed() takes the bytes in pieces and returns false once the reader needs
    // no more of them; end() follows the last piece. Throws WorkbookError naming the source, the
    // part and the reason in one line: XML that is not well formed, truncated or empty; a DTD or
    // an entity declaration; nesting deeper than 64 elements; an attribute value of more than
    // 64 KiB; a root element of another kind; a merged area past the sheet's edge; a value or
    // size that is not a finite number; a style that is its own ancestor.
    void begin(std::string part);
    bool feed(std::string_view bytes);
    void end();

    // The document, once every part was read. Throws WorkbookError when it holds no sheet.
    spreadsheetml::Document finish();

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace tabrova::workbook::ods
