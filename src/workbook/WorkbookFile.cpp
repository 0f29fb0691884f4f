#include "workbook/WorkbookFile.h"

#include <fstream>

#include "platform/Utf8.h"
#include "workbook/XmlStream.h"

namespace tabrova::workbook {

namespace {

// An OpenDocument package stores its mimetype as its first entry (uncompressed, so that the
// first bytes say what it is; the package reader checks what it says).
bool isOdsPackage(std::string_view bytes) {
    if (!bytes.starts_with("PK\x03\x04") || bytes.size() < 30) return false;
    const std::size_t nameLength = static_cast<std::size_t>(static_cast<unsigned char>(bytes[26])) |
                                   static_cast<std::size_t>(static_cast<unsigned char>(bytes[27]))
                                       << 8;
    return bytes.substr(30, nameLength) == "mimetype";
}

// Whether the root element of an XML document, past its declaration, comments and processing
// instructions, is office:document (by its local name).
bool isFlatOds(std::string_view bytes) {
    std::size_t at = 0;
    for (;;) {
        at = bytes.find('<', at);
        if (at == std::string_view::npos || at + 1 >= bytes.size()) return false;
        const char next = bytes[at + 1];
        if (next == '?') {
            at = bytes.find("?>", at);
        } else if (bytes.substr(at, 4) == "<!--") {
            at = bytes.find("-->", at);
        } else if (next == '!') {
            return false;  // a document type declaration: not an OpenDocument file
        } else {
            break;
        }
        if (at == std::string_view::npos) return false;
    }
    const std::size_t end = bytes.find_first_of(" \t\r\n/>", at + 1);
    if (end == std::string_view::npos) return false;
    return xml::localPart(bytes.substr(at + 1, end - at - 1)) == "document";
}

}  // namespace

std::unique_ptr<WorkbookFile> WorkbookFile::open(const std::filesystem::path& path) {
    // An XML document starts with "<" after an optional byte order mark and blanks; anything
    // else goes to a package reader, whose messages say what the file is not.
    std::ifstream in(path, std::ios::binary);
    char head[4096] = {};
    in.read(head, sizeof head);
    const std::string_view bytes(head, static_cast<std::size_t>(in.gcount()));
    std::size_t i = 0;
    if (bytes.starts_with("\xEF\xBB\xBF")) i = 3;
    const bool utf16 = bytes.starts_with("\xFF\xFE") || bytes.starts_with("\xFE\xFF");
    while (i < bytes.size() &&
           (bytes[i] == ' ' || bytes[i] == '\t' || bytes[i] == '\r' || bytes[i] == '\n'))
        ++i;
    if (isOdsPackage(bytes)) return openOdsFile(path);
    if (!utf16 && i < bytes.size() && bytes[i] == '<' && isFlatOds(bytes.substr(i)))
        return openOdsFile(path);
    if (utf16 || (i < bytes.size() && bytes[i] == '<')) return openSpreadsheetMlFile(path);
    return openXlsxFile(path);
}

void checkSelectionArguments(const std::filesystem::path& path, std::size_t sheetCount,
                             std::size_t sheet, const CellRange& range) {
    if (sheet >= sheetCount) throw WorkbookError(path, ReadProblem::noSuchSheet);
    if (range.firstRow < 1 || range.firstCol < 1 || range.lastRow > kMaxRows ||
        range.lastCol > kMaxCols || range.firstRow > range.lastRow ||
        range.firstCol > range.lastCol) {
        throw WorkbookError(path, ReadProblem::rangeOutsideSheet);
    }
}

std::optional<std::size_t> WorkbookFile::findSheet(std::u16string_view name) const {
    const std::vector<SheetEntry>& all = sheets();
    for (std::size_t i = 0; i < all.size(); ++i)
        if (sameAsciiNoCase(all[i].name, name)) return i;
    return std::nullopt;
}

}  // namespace tabrova::workbook
