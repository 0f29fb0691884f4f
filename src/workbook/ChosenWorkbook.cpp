#include "workbook/ChosenWorkbook.h"

#include "platform/Utf8.h"
#include "table/CellAddress.h"
#include "workbook/WorkbookObjects.h"
#include "workbook/XlsxWorkbook.h"

namespace tabrova::workbook {

std::vector<WorksheetChoice> worksheetChoices(const XlsxWorkbook& book) {
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
    return std::u16string(typed.substr(first, typed.find_last_not_of(blanks) - first + 1));
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

void ChosenWorkbook::choose(const std::filesystem::path& path, std::u16string sheet,
                            std::u16string range, const std::u16string& progId) {
    close();
    std::error_code ignored;
    source_ = WorkbookSource{path, std::move(sheet), std::move(range),
                             std::filesystem::last_write_time(path, ignored)};
    try {
        prepareRead(progId);
    } catch (...) {
        close();
        throw;
    }
}

void ChosenWorkbook::prepareRead(const std::u16string& progId) {
    if (!source_) return;
    std::error_code statError;
    const auto modified = std::filesystem::last_write_time(source_->path, statError);
    if (open_ && open_->progId() == progId && (statError || modified == source_->modified)) return;
    open_.reset();
    open_ = std::make_unique<OpenWorkbook>(source_->path, progId);
    if (!statError) source_->modified = modified;
    // A workbook saved again since it was chosen may have lost the sheet; reading whatever sheet
    // is active instead would give another table without a word.
    const auto index = open_->workbook().findSheet(source_->sheet);
    if (!index) {
        open_.reset();
        throw WorkbookError(source_->path, "no sheet named " + quotedText(source_->sheet));
    }
    const automation::ObjectPtr& app = open_->application();
    app->get(u"Worksheets", {automation::Variant(static_cast<std::int32_t>(*index + 1))})
        .toObject()
        ->call(u"Activate");
    app->getObject(u"ActiveSheet")
        ->getObject(u"Range", {automation::Variant(source_->range), automation::Missing{}})
        ->call(u"Select");
    // The sheet's cells are parsed for the selected range only, here, so that a damaged sheet
    // is reported as the file's error; the next read tries again.
    try {
        open_->readSelection();
    } catch (...) {
        open_.reset();
        throw;
    }
}

const XlsxWorkbook* ChosenWorkbook::workbook() const {
    return open_ ? &open_->workbook() : nullptr;
}

void ChosenWorkbook::close() {
    open_.reset();
    source_.reset();
}

}  // namespace tabrova::workbook
