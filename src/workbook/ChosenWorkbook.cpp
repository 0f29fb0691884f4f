#include "workbook/ChosenWorkbook.h"

#include "platform/Utf8.h"
#include "table/CellAddress.h"
#include "workbook/WorkbookFile.h"

namespace tabrova::workbook {

std::vector<WorksheetChoice> worksheetChoices(const WorkbookFile& book) {
    std::vector<WorksheetChoice> choices;
    const auto& sheets = book.sheets();
    for (std::size_t i = 0; i < sheets.size(); ++i) {
        if (!sheets[i].isWorksheet) continue;
        const CellRange& s = sheets[i].selection;
        choices.push_back({sheets[i].name, rangeText(s.firstCol, s.firstRow, s.lastCol, s.lastRow),
                           i == book.activeSheet()});
    }
    return choices;
}

std::u16string rangeText(std::uint32_t firstCol, std::uint32_t firstRow, std::uint32_t lastCol,
                         std::uint32_t lastRow) {
    std::u16string text = CellAddress(firstCol, firstRow);
    if (firstCol != lastCol || firstRow != lastRow) text += u":" + CellAddress(lastCol, lastRow);
    return text;
}

std::u16string trimmedRange(std::u16string_view typed) {
    // Blanks a Japanese keyboard types as well: the ideographic space.
    constexpr std::u16string_view blanks = u" \t\r\n\v\f\u00a0\u3000";
    const auto first = typed.find_first_not_of(blanks);
    if (first == std::u16string_view::npos) return {};
    std::u16string range(typed.substr(first, typed.find_last_not_of(blanks) - first + 1));
    // A range typed with the input method on comes in full-width forms ("Ａ１：Ｃ５", "＄"):
    // U+FF01..U+FF5E are ASCII '!'..'~' moved up by 0xFEE0.
    for (char16_t& c : range) {
        if (c >= 0xFF01 && c <= 0xFF5E) c = static_cast<char16_t>(c - 0xFEE0);
    }
    return range;
}

std::optional<std::u16string> confirmationProblem(bool hasWorksheet,
                                                  std::u16string_view typedRange) {
    if (!hasWorksheet) return u"このブックには取得できるワークシートがありません.";
    if (!parseRangeRef(trimmedRange(typedRange))) {
        return u"範囲 \"" + std::u16string(typedRange) +
               u"\" はセル範囲ではありません (例: B2:F20).";
    }
    return std::nullopt;
}

ChosenWorkbook::ChosenWorkbook() = default;
ChosenWorkbook::~ChosenWorkbook() = default;

void ChosenWorkbook::choose(std::shared_ptr<WorkbookFile> file, std::u16string sheet,
                            std::u16string range) {
    close();
    std::error_code ignored;
    const std::filesystem::path path = file->path();
    source_ = WorkbookSource{path, std::move(sheet), std::move(range),
                             std::filesystem::last_write_time(path, ignored)};
    file_ = std::move(file);
    try {
        prepareRead();
    } catch (...) {
        close();
        throw;
    }
}

std::unique_ptr<SelectionSource> ChosenWorkbook::prepareRead() {
    if (!source_) return nullptr;
    std::error_code statError;
    const auto modified = std::filesystem::last_write_time(source_->path, statError);
    if (!file_ || (!statError && modified != source_->modified)) {
        file_.reset();
        file_ = WorkbookFile::open(source_->path);
        if (!statError) source_->modified = modified;
    }
    // A workbook saved again since it was chosen may have lost the sheet; reading whatever sheet
    // is active instead would give another table without a word.
    const auto index = file_->findSheet(source_->sheet);
    if (!index)
        throw WorkbookError(source_->path, ReadProblem::noSheetNamed, {quotedText(source_->sheet)});
    const auto range = parseRangeRef(source_->range);
    if (!range) {
        throw WorkbookError(source_->path, ReadProblem::noCellRange, {quotedText(source_->range)});
    }
    try {
        return file_->selection(*index, *range);
    } catch (...) {
        // The next read opens the file again.
        file_.reset();
        throw;
    }
}

void ChosenWorkbook::close() {
    file_.reset();
    source_.reset();
}

}  // namespace tabrova::workbook
