// An OpenDocument spreadsheet (a .ods package, or a flat .fods document) as a WorkbookFile.
// Opening reads the sheets' names, the active sheet and the cursors (the cells are passed over);
// each selection reads the styles and streams the content again, as far as the range's last row.
#include <fstream>
#include <memory>
#include <optional>
#include <system_error>

#include "platform/ProgramPaths.h"
#include "platform/Utf8.h"
#include "workbook/OdsContent.h"
#include "workbook/SpreadsheetMlFacts.h"
#include "workbook/WorkbookFile.h"
#include "workbook/XlsxPackage.h"

namespace tabrova::workbook {

namespace {

using spreadsheetml::Document;
using spreadsheetml::Reading;

bool isZip(std::string_view head) { return head.starts_with("PK\x03\x04"); }

// Where the parts come from: a package (from a file or from memory), a flat document in a file,
// or one in memory.
class OdsSource {
public:
    OdsSource(const std::filesystem::path& path, std::optional<std::string> bytes) : path_(path) {
        if (!bytes) {
            std::error_code ec;
            if (!std::filesystem::is_regular_file(path_, ec))
                throw WorkbookError(path_, ReadProblem::notRegularFile);
            std::ifstream in(path_, std::ios::binary);
            char head[4] = {};
            in.read(head, sizeof head);
            if (isZip(std::string_view(head, static_cast<std::size_t>(in.gcount()))))
                package_ = std::make_unique<XlsxPackage>(path_);
        } else if (isZip(*bytes)) {
            package_ = std::make_unique<XlsxPackage>(std::move(*bytes), path_);
        } else {
            flat_ = std::move(*bytes);
        }
        if (package_) checkPackage();
    }

    Document read(const Reading& reading) {
        ods::ContentReader reader(reading, path_);
        if (package_) {
            readPart(reader, "styles.xml", false);
            if (!reading.keepCells) readPart(reader, "settings.xml", false);
            readPart(reader, "content.xml", true);
        } else if (flat_) {
            reader.begin({});
            reader.feed(*flat_);
            reader.end();
        } else {
            std::ifstream in(path_, std::ios::binary);
            if (!in) throw WorkbookError(path_, ReadProblem::cannotOpenFile);
            reader.begin({});
            std::string buffer(1 << 20, '\0');
            bool more = true;
            while (more && in) {
                in.read(buffer.data(), static_cast<std::streamsize>(buffer.size()));
                const auto n = static_cast<std::size_t>(in.gcount());
                if (n > 0) more = reader.feed(std::string_view(buffer.data(), n));
            }
            if (more && in.bad()) throw WorkbookError(path_, ReadProblem::cannotReadFile);
            reader.end();
        }
        return reader.finish();
    }

private:
    void checkPackage() {
        const std::optional<std::string> mime = package_->read("mimetype");
        if (!mime) {
            throw WorkbookError(path_, ReadProblem::zipNotSpreadsheet);
        }
        if (!mime->starts_with(ods::kSpreadsheetMimeType)) {
            throw WorkbookError(path_, ReadProblem::packageNotOdsSpreadsheet,
                                {quotedText(std::string_view(*mime))});
        }
        // An encrypted package lists how each part is encrypted in its manifest.
        const std::optional<std::string> manifest = package_->read("META-INF/manifest.xml");
        if (manifest && manifest->find("encryption-data") != std::string::npos) {
            throw WorkbookError(path_, ReadProblem::odsEncrypted);
        }
        if (!package_->has("content.xml")) throw WorkbookError(path_, ReadProblem::odsNoContent);
        package_->check("content.xml");
    }

    void readPart(ods::ContentReader& reader, const std::string& part, bool stream) {
        if (!package_->has(part)) return;
        reader.begin(part);
        if (stream) {
            package_->stream(part, [&](std::string_view bytes) { return reader.feed(bytes); });
        } else if (const std::optional<std::string> bytes = package_->read(part)) {
            reader.feed(*bytes);
        }
        reader.end();
    }

    std::filesystem::path path_;
    std::unique_ptr<XlsxPackage> package_;
    std::optional<std::string> flat_;
};

class OdsFile : public WorkbookFile {
public:
    OdsFile(std::filesystem::path path, std::optional<std::string> bytes)
        : path_(std::move(path)), source_(path_, std::move(bytes)) {
        Reading reading;
        reading.keepCells = false;
        const Document document = source_.read(reading);
        for (const spreadsheetml::Sheet& sheet : document.sheets)
            sheets_.push_back(SheetEntry{sheet.name, true, sheet.selection});
        activeSheet_ = document.activeSheet;
        shownArea_ = document.shownArea;
    }

    const std::filesystem::path& path() const override { return path_; }
    std::u16string fileName() const override { return platform::pathToUtf16(path_.filename()); }
    const std::vector<SheetEntry>& sheets() const override { return sheets_; }
    std::size_t activeSheet() const override { return activeSheet_; }

    std::unique_ptr<SelectionSource> selection(std::size_t sheet, const CellRange& range) override {
        checkSelectionArguments(path_, sheets_.size(), sheet, range);
        if (!read_ || readSheet_ != sheet || !(readRange_ == range)) {
            Reading reading;
            reading.sheet = sheet;
            reading.range = range;
            auto document = std::make_shared<Document>(source_.read(reading));
            if (sheet >= document->sheets.size())
                throw WorkbookError(path_, ReadProblem::fileChanged);
            selectionNotes_ = document->notes();
            read_ = std::move(document);
            readSheet_ = sheet;
            readRange_ = range;
        }
        return spreadsheetml::sheetSelection(read_, sheet, range, fileName());
    }

    std::vector<ReadReason> notes() const override { return selectionNotes_; }
    std::optional<CellRange> shownArea() const override { return shownArea_; }

private:
    std::filesystem::path path_;
    OdsSource source_;
    std::vector<SheetEntry> sheets_;
    std::size_t activeSheet_ = 0;
    std::optional<CellRange> shownArea_;
    std::vector<ReadReason> selectionNotes_;
    std::shared_ptr<const Document> read_;  // of the last selection
    std::size_t readSheet_ = 0;
    CellRange readRange_;
};

}  // namespace

std::unique_ptr<WorkbookFile> openOdsFile(const std::filesystem::path& path) {
    return std::make_unique<OdsFile>(path, std::nullopt);
}

std::unique_ptr<WorkbookFile> openOdsBytes(std::string bytes, const std::filesystem::path& label) {
    return std::make_unique<OdsFile>(label, std::move(bytes));
}

}  // namespace tabrova::workbook
