#include "workbook/WorkbookFile.h"

#include <fstream>

namespace tabrova::workbook {

std::unique_ptr<WorkbookFile> WorkbookFile::open(const std::filesystem::path& path) {
    return openXlsxFile(path);
}

std::optional<std::size_t> WorkbookFile::findSheet(std::u16string_view name) const {
    auto lower = [](char16_t c) {
        return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c + 32) : c;
    };
    const std::vector<SheetEntry>& all = sheets();
    for (std::size_t i = 0; i < all.size(); ++i) {
        const std::u16string& candidate = all[i].name;
        if (candidate.size() != name.size()) continue;
        bool same = true;
        for (std::size_t k = 0; k < name.size() && same; ++k)
            same = lower(candidate[k]) == lower(name[k]);
        if (same) return i;
    }
    return std::nullopt;
}

}  // namespace tabrova::workbook
