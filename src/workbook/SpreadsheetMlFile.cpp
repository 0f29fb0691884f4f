// An XML Spreadsheet 2003 file as a WorkbookFile. Opening reads the sheets' names and saved
// selections (the cells are passed over); each selection reads the file again and keeps only
// what the range needs.
#include <memory>
#include <system_error>

#include "platform/ProgramPaths.h"
#include "workbook/SpreadsheetMl.h"
#include "workbook/SpreadsheetMlFacts.h"
#include "workbook/WorkbookFile.h"

namespace tabrova::workbook {

namespace {

using spreadsheetml::Document;
using spreadsheetml::Reading;

class SpreadsheetMlFile : public WorkbookFile {
public:
    explicit SpreadsheetMlFile(std::filesystem::path path) : path_(std::move(path)) {
        std::error_code ec;
        if (!std::filesystem::is_regular_file(path_, ec)) {
            throw WorkbookError(path_, ReadProblem::notRegularFile);
        }
        Reading reading;
        reading.keepCells = false;
        const Document document = spreadsheetml::readFile(path_, reading);
        for (const spreadsheetml::Sheet& sheet : document.sheets) {
            sheets_.push_back(SheetEntry{sheet.name, true, sheet.selection});
        }
        activeSheet_ = document.activeSheet;
        fileNotes_ = document.notes();
    }

    const std::filesystem::path& path() const override { return path_; }
    std::u16string fileName() const override { return platform::pathToUtf16(path_.filename()); }
    const std::vector<SheetEntry>& sheets() const override { return sheets_; }
    std::size_t activeSheet() const override { return activeSheet_; }

    std::unique_ptr<SelectionSource> selection(std::size_t sheet, const CellRange& range) override {
        checkSelectionArguments(path_, sheets_.size(), sheet, range);
        // The same range again (each "Excel から取得" of a chosen file) takes what was read.
        if (!read_ || readSheet_ != sheet || !(readRange_ == range)) {
            Reading reading;
            reading.sheet = sheet;
            reading.range = range;
            auto document = std::make_shared<Document>(spreadsheetml::readFile(path_, reading));
            if (sheet >= document->sheets.size())
                throw WorkbookError(path_, ReadProblem::fileChanged);
            selectionNotes_.clear();
            if (document->cutTexts > 0) {
                Document cuts;
                cuts.cutTexts = document->cutTexts;
                selectionNotes_ = cuts.notes();
            }
            read_ = std::move(document);
            readSheet_ = sheet;
            readRange_ = range;
        }
        return spreadsheetml::sheetSelection(read_, sheet, range, fileName());
    }

    std::vector<ReadReason> notes() const override {
        std::vector<ReadReason> all = fileNotes_;
        all.insert(all.end(), selectionNotes_.begin(), selectionNotes_.end());
        return all;
    }

private:
    std::filesystem::path path_;
    std::vector<SheetEntry> sheets_;
    std::size_t activeSheet_ = 0;
    std::vector<ReadReason> fileNotes_;
    std::vector<ReadReason> selectionNotes_;
    std::shared_ptr<const Document> read_;  // of the last selection
    std::size_t readSheet_ = 0;
    CellRange readRange_;
};

}  // namespace

std::unique_ptr<WorkbookFile> openSpreadsheetMlFile(const std::filesystem::path& path) {
    return std::make_unique<SpreadsheetMlFile>(path);
}

}  // namespace tabrova::workbook
