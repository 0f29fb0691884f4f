// The clipboard as the tool's input, through Qt's clipboard.
#include "cli/ToolInputs.h"
#include "clipboard/QtClipboard.h"
#include "platform/Utf8.h"
#include "workbook/WorkbookFile.h"

namespace tabrova::cli {
namespace {

class OpenedClipboard final : public OpenedWorkbook {
public:
    explicit OpenedClipboard(workbook::ClipboardTable table) : table_(std::move(table)) {}
    std::u16string sheetName() const override { return sheet_; }
    std::vector<workbook::ReadReason> notes() const override { return table_.notes; }
    SelectionSource& source() override { return *table_.source; }
    void close() override {
        table_.source.reset();
        table_.file.reset();
    }
    std::u16string sheet_;

private:
    workbook::ClipboardTable table_;
};

}  // namespace

std::unique_ptr<OpenedWorkbook> openClipboardForReading() {
    if (const auto noDisplay = clipboard::ensureClipboardApplication())
        throw ToolFailure{"clipboard", *noDisplay};
    try {
        auto opened = std::make_unique<OpenedClipboard>(
            workbook::readClipboard(clipboard::QtClipboardFormats(), "clipboard"));
        opened->sheet_ = opened->source().open().sheetName;
        return opened;
    } catch (const workbook::WorkbookError& e) {
        throw ToolFailure{"clipboard", e.reason()};
    } catch (const SourceError& e) {
        throw ToolFailure{"clipboard", messageText(e.member()) + ": " + messageText(e.reason())};
    }
}

}  // namespace tabrova::cli
