// Workbook files through the workbook-file spreadsheet.
#include "cli/ToolInputs.h"
#include "platform/Utf8.h"
#include "workbook/WorkbookObjects.h"
#include "workbook/XlsxWorkbook.h"

namespace tabrova::cli {
namespace {

class OpenedFile final : public OpenedWorkbook {
public:
    OpenedFile(const std::filesystem::path& file, const std::u16string& progId)
        : open_(file, progId) {}
    std::u16string sheetName() const override { return sheetName_; }
    std::vector<std::string> notes() const override { return open_.workbook().notes(); }
    void close() override { open_.close(); }

    workbook::OpenWorkbook open_;
    std::u16string sheetName_;
};

}  // namespace

bool isRangeRef(std::u16string_view text) { return workbook::parseRangeRef(text).has_value(); }

std::unique_ptr<OpenedWorkbook> openWorkbookForReading(const std::filesystem::path& file,
                                                       const std::u16string& progId,
                                                       const std::optional<std::u16string>& sheet,
                                                       const std::optional<std::u16string>& range) {
    std::unique_ptr<OpenedFile> opened;
    try {
        opened = std::make_unique<OpenedFile>(file, progId);
    } catch (const workbook::WorkbookError& e) {
        throw ToolFailure{pathText(file), e.reason()};
    }
    const automation::ObjectPtr app = opened->open_.application();
    try {
        if (sheet) {
            const auto index = opened->open_.workbook().findSheet(*sheet);
            if (!index) {
                throw ToolFailure{pathText(file), "no sheet named " + quotedText(*sheet)};
            }
            app->get(u"Worksheets", {automation::Variant(static_cast<std::int32_t>(*index + 1))})
                .toObject()
                ->call(u"Activate");
        }
        const automation::ObjectPtr active = app->getObject(u"ActiveSheet");
        opened->sheetName_ = active->get(u"Name").toText();
        if (range) {
            active->getObject(u"Range", {automation::Variant(*range), automation::Missing{}})
                ->call(u"Select");
        }
        opened->open_.readSelection();
    } catch (const workbook::WorkbookError& e) {
        throw ToolFailure{pathText(file), e.reason()};
    } catch (const automation::AutomationError& e) {
        throw ToolFailure{pathText(file), "sheet " + quotedText(opened->sheetName_) + ": " +
                                              messageText(e.message(), 200)};
    }
    return opened;
}

}  // namespace tabrova::cli
