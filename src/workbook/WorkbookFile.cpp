#include "workbook/WorkbookFile.h"

#include <fstream>

#include "platform/Utf8.h"

namespace tabrova::workbook {

std::unique_ptr<WorkbookFile> WorkbookFile::open(const std::filesystem::path& path) {
    // An XML document starts with "<" after an optional byte order mark and blanks; anything
    // else goes to the package reader, whose messages say what the file is not.
    std::ifstream in(path, std::ios::binary);
    char head[64] = {};
    in.read(head, sizeof head);
    const std::string_view bytes(head, static_cast<std::size_t>(in.gcount()));
    std::size_t i = 0;
    if (bytes.starts_with("\xEF\xBB\xBF")) i = 3;
    const bool utf16 = bytes.starts_with("\xFF\xFE") || bytes.starts_with("\xFE\xFF");
    while (i < bytes.size() &&
           (bytes[i] == ' ' || bytes[i] == '\t' || bytes[i] == '\r' || bytes[i] == '\n'))
        ++i;
    if (utf16 || (i < bytes.size() && bytes[i] == '<')) return openSpreadsheetMlFile(path);
    return openXlsxFile(path);
}

std::optional<std::size_t> WorkbookFile::findSheet(std::u16string_view name) const {
    const std::vector<SheetEntry>& all = sheets();
    for (std::size_t i = 0; i < all.size(); ++i)
        if (sameAsciiNoCase(all[i].name, name)) return i;
    return std::nullopt;
}

}  // namespace tabrova::workbook
