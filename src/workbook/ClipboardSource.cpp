#include "workbook/ClipboardSource.h"

#include <algorithm>
#include <cstdint>

#include "platform/ProgramPaths.h"
#include "platform/Utf8.h"
#include "workbook/SpreadsheetMl.h"
#include "workbook/SpreadsheetMlFacts.h"
#include "workbook/WorkbookFile.h"

namespace tabrova::workbook {

namespace {

constexpr std::string_view kLibreOfficeCopy = "Star Embed Source (XML)";
constexpr std::string_view kLibreOfficeMime = "application/x-openoffice-embed-source-xml";
constexpr std::string_view kExcelCopy = "XML Spreadsheet";

std::string lowered(std::string_view name) {
    std::string out(name);
    for (char& c : out) c = static_cast<char>(asciiLower(static_cast<unsigned char>(c)));
    return out;
}

// Whether the format is the Windows clipboard format of that name: as registered, or as Qt or
// LibreOffice name it in a MIME type's parameter.
bool isWindowsFormat(std::string_view format, std::string_view windowsName) {
    if (format == windowsName) return true;
    const std::string quoted = "\"" + std::string(windowsName) + "\"";
    for (const std::string_view key : {"value=", "windows_formatname="}) {
        if (format.find(std::string(key) + quoted) != std::string_view::npos) return true;
    }
    return false;
}

std::optional<std::string> findFormat(const std::vector<std::string>& formats, auto matches) {
    for (const std::string& f : formats)
        if (matches(f)) return f;
    return std::nullopt;
}

[[noreturn]] void refuseOther(const std::vector<std::string>& formats,
                              const std::filesystem::path& label) {
    if (formats.empty()) throw WorkbookError(label, ReadProblem::clipboardEmpty);
    bool html = false, picture = false, text = false;
    for (const std::string& f : formats) {
        const std::string l = lowered(f);
        html = html || l.starts_with("text/html") || l == "html format";
        picture = picture || l.starts_with("image/") || l == "pixmap" ||
                  l.starts_with("application/x-qt-image");
        text = text || l.starts_with("text/plain") || l == "utf8_string" || l == "string";
    }
    if (html) throw WorkbookError(label, ReadProblem::clipboardHoldsHtml);
    if (picture) throw WorkbookError(label, ReadProblem::clipboardHoldsPicture);
    if (text) throw WorkbookError(label, ReadProblem::clipboardHoldsText);
    std::string names;
    for (std::size_t i = 0; i < formats.size() && i < 4; ++i)
        names += (i ? ", " : "") + quotedText(formats[i], 80);
    if (formats.size() > 4) names += ", ...";
    throw WorkbookError(label, ReadProblem::clipboardHoldsOther, {names});
}

std::string bytesOf(const ClipboardFormats& clipboard, const std::string& format,
                    const std::filesystem::path& label) {
    std::optional<std::string> bytes = clipboard.bytes(format);
    if (!bytes) throw WorkbookError(label, ReadProblem::clipboardUnreadable, {quotedText(format)});
    return std::move(*bytes);
}

// Excel's copy: the structure from the XML, the texts as Excel showed them from the text.
class ExcelCopySource final : public SelectionSource {
public:
    ExcelCopySource(std::unique_ptr<SelectionSource> xml,
                    std::vector<std::vector<std::u16string>> texts)
        : xml_(std::move(xml)), texts_(std::move(texts)) {}

    SourceOpening open() override { return xml_->open(); }
    SelectionRange range() override { return xml_->range(); }
    void beginCells() override { xml_->beginCells(); }
    CellFacts cell(std::int64_t row, std::int64_t col) override {
        CellFacts facts = xml_->cell(row, col);
        const auto r = static_cast<std::size_t>(row - 1);
        const auto c = static_cast<std::size_t>(col - 1);
        if (r < texts_.size() && c < texts_[r].size()) facts.text = texts_[r][c];
        return facts;
    }
    OptionFacts unreadFacts() const override { return xml_->unreadFacts(); }

private:
    std::unique_ptr<SelectionSource> xml_;
    std::vector<std::vector<std::u16string>> texts_;
};

class OwningSource final : public SelectionSource {
public:
    explicit OwningSource(ClipboardTable table) : table_(std::move(table)) {}
    SourceOpening open() override { return table_.source->open(); }
    SelectionRange range() override { return table_.source->range(); }
    void beginCells() override { table_.source->beginCells(); }
    CellFacts cell(std::int64_t row, std::int64_t col) override {
        return table_.source->cell(row, col);
    }
    OptionFacts unreadFacts() const override { return table_.source->unreadFacts(); }

private:
    ClipboardTable table_;
};

ClipboardTable readLibreOfficeCopy(std::string bytes, const std::filesystem::path& label) {
    ClipboardTable table;
    table.program = u"LibreOffice Calc";
    table.file = openOdsBytes(std::move(bytes), label);
    const std::optional<CellRange> area = table.file->shownArea();
    if (!area) throw WorkbookError(label, ReadProblem::clipboardNoCopiedArea);
    table.source = table.file->selection(table.file->activeSheet(), *area);
    table.notes = table.file->notes();
    return table;
}

ClipboardTable readExcelCopy(const std::string& xml, const std::optional<std::string>& text,
                             const std::filesystem::path& label) {
    ClipboardTable table;
    table.program = u"Excel";
    // The copy holds only the copied cells: all of them are kept.
    spreadsheetml::Reading reading;
    reading.sheet = 0;
    auto document =
        std::make_shared<spreadsheetml::Document>(spreadsheetml::parse(xml, label, reading));
    if (document->sheets.empty()) throw WorkbookError(label, ReadProblem::noWorksheetInDocument);
    const spreadsheetml::Sheet& sheet = document->sheets.front();

    // The XML's size: as its table states it, else as far as its cells and merged areas reach.
    std::uint32_t lastRow = 1, lastCol = 1;
    for (const spreadsheetml::Cell& c : sheet.cells) {
        lastRow = std::max(lastRow, c.row);
        lastCol = std::max(lastCol, c.col);
    }
    for (const spreadsheetml::Merge& m : sheet.merges) {
        lastRow = std::max(lastRow, m.area.lastRow);
        lastCol = std::max(lastCol, m.area.lastCol);
    }
    const std::uint32_t xmlRows = sheet.expandedRows.value_or(lastRow);
    const std::uint32_t xmlCols = sheet.expandedColumns.value_or(lastCol);

    std::vector<std::vector<std::u16string>> texts;
    if (text) {
        TabSeparatedText split = splitTabSeparated(utf8ToUtf16(*text), xmlRows, xmlCols);
        texts = std::move(split.rows);
        if (split.rowCount != xmlRows || split.columnCount != xmlCols) {
            table.notes.push_back(
                ReadReason{ReadProblem::clipboardShapesDiffer,
                           {std::to_string(split.rowCount), std::to_string(split.columnCount),
                            std::to_string(xmlRows), std::to_string(xmlCols)},
                           std::nullopt});
        }
    } else {
        table.notes.push_back(ReadReason{ReadProblem::clipboardWithoutText, {}, std::nullopt});
    }
    table.source = std::make_unique<ExcelCopySource>(
        spreadsheetml::sheetSelection(std::move(document), 0, CellRange{1, 1, xmlRows, xmlCols},
                                      platform::pathToUtf16(label.filename())),
        std::move(texts));
    return table;
}

}  // namespace

TabSeparatedText splitTabSeparated(std::u16string_view text, std::size_t keepRows,
                                   std::size_t keepColumns) {
    TabSeparatedText out;
    if (text.empty()) return out;
    std::vector<std::u16string> row;
    std::size_t cells = 0;  // of the row, kept or not
    const auto endRow = [&] {
        out.columnCount = std::max(out.columnCount, cells);
        if (out.rowCount++ < keepRows) out.rows.push_back(std::move(row));
        row.clear();
        cells = 0;
    };
    std::size_t at = 0;
    const auto endsCell = [&](std::size_t i) {
        return i >= text.size() || text[i] == u'\t' || text[i] == u'\n' ||
               (text[i] == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n');
    };
    for (;;) {
        std::u16string cell;
        bool quoted = false;
        if (at < text.size() && text[at] == u'"') {
            // The quoted part: up to a quote that is not doubled; taken only when a cell's end
            // follows it.
            std::u16string inner;
            std::size_t i = at + 1;
            for (; i < text.size(); ++i) {
                if (text[i] != u'"') {
                    inner += text[i];
                } else if (i + 1 < text.size() && text[i + 1] == u'"') {
                    inner += u'"';
                    ++i;
                } else {
                    break;
                }
            }
            if (i < text.size() && endsCell(i + 1)) {
                cell = std::move(inner);
                at = i + 1;
                quoted = true;
            }
        }
        if (!quoted) {
            std::size_t end = at;
            while (!endsCell(end)) ++end;
            cell = std::u16string(text.substr(at, end - at));
            at = end;
        }
        if (out.rowCount < keepRows && cells < keepColumns) row.push_back(std::move(cell));
        ++cells;
        if (at >= text.size()) {
            endRow();
            break;
        }
        if (text[at] == u'\t') {
            ++at;
            continue;
        }
        at += text[at] == u'\r' ? 2 : 1;
        endRow();
        if (at >= text.size()) break;  // the last line's end
    }
    return out;
}

std::vector<std::vector<std::u16string>> tabSeparatedCells(std::u16string_view text) {
    return splitTabSeparated(text, SIZE_MAX, SIZE_MAX).rows;
}

std::unique_ptr<SelectionSource> ownedSource(ClipboardTable table) {
    return std::make_unique<OwningSource>(std::move(table));
}

ClipboardTable readClipboard(const ClipboardFormats& clipboard,
                             const std::filesystem::path& label) {
    const std::vector<std::string> formats = clipboard.formats();
    if (const auto lo = findFormat(formats, [](const std::string& f) {
            return isWindowsFormat(f, kLibreOfficeCopy) || f.starts_with(kLibreOfficeMime);
        })) {
        return readLibreOfficeCopy(bytesOf(clipboard, *lo, label), label);
    }
    if (const auto excel = findFormat(
            formats, [](const std::string& f) { return isWindowsFormat(f, kExcelCopy); })) {
        std::string xml = bytesOf(clipboard, *excel, label);
        // Windows gives a text format with its C string's terminator.
        while (!xml.empty() && xml.back() == '\0') xml.pop_back();
        std::optional<std::string> text;
        if (const auto plain = findFormat(formats, [](const std::string& f) {
                return lowered(f).starts_with("text/plain");
            })) {
            text = clipboard.bytes(*plain);
        }
        return readExcelCopy(xml, text, label);
    }
    refuseOther(formats, label);
}

}  // namespace tabrova::workbook
