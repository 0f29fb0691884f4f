// Workbook files as the tool's input.
#include "cli/ToolInputs.h"
#include "platform/Utf8.h"
#include "workbook/WorkbookFile.h"

namespace tabrova::cli {
namespace {

class OpenedFile final : public OpenedWorkbook {
public:
    std::u16string sheetName() const override { return sheetName_; }
    std::vector<workbook::ReadReason> notes() const override { return file_->notes(); }
    SelectionSource& source() override { return *source_; }
    void close() override {
        source_.reset();
        file_.reset();
    }

    std::unique_ptr<workbook::WorkbookFile> file_;
    std::unique_ptr<SelectionSource> source_;
    std::u16string sheetName_;
};

}  // namespace

bool isRangeRef(std::u16string_view text) { return workbook::parseRangeRef(text).has_value(); }

std::unique_ptr<OpenedWorkbook> openWorkbookForReading(const std::filesystem::path& file,
                                                       const std::optional<std::u16string>& sheet,
                                                       const std::optional<std::u16string>& range) {
    auto opened = std::make_unique<OpenedFile>();
    try {
        opened->file_ = workbook::WorkbookFile::open(file);
        const workbook::WorkbookFile& book = *opened->file_;
        std::size_t index = book.activeSheet();
        if (sheet) {
            const auto found = book.findSheet(*sheet);
            if (!found) throw ToolFailure{pathText(file), "no sheet named " + quotedText(*sheet)};
            index = *found;
        }
        const workbook::WorkbookFile::SheetEntry& entry = book.sheets().at(index);
        opened->sheetName_ = entry.name;
        if (!entry.isWorksheet) {
            throw ToolFailure{pathText(file),
                              "sheet " + quotedText(entry.name) + ": the sheet holds no cells"};
        }
        workbook::CellRange cells = entry.selection;
        if (range) {
            const auto parsed = workbook::parseRangeRef(*range);
            if (!parsed) {
                throw ToolFailure{pathText(file), "sheet " + quotedText(entry.name) +
                                                      ": no cell range " + quotedText(*range)};
            }
            cells = *parsed;
        }
        opened->source_ = opened->file_->selection(index, cells);
    } catch (const workbook::WorkbookError& e) {
        throw ToolFailure{pathText(file), e.reason()};
    }
    return opened;
}

}  // namespace tabrova::cli
