#include "workbook/SheetStream.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>
#include <deque>
#include <exception>
#include <functional>
#include <limits>
#include <optional>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/Utf8.h"
#include "table/CellAddress.h"
#include "workbook/ItemSkipper.h"
#include "workbook/WorkbookError.h"
#include "workbook/XlsxPackage.h"
#include "workbook/XmlStream.h"
#include "workbook/XmlValues.h"

namespace tabrova::workbook {

std::string sheetLabel(const Sheet& sheet) { return quotedText(sheet.name); }

namespace {

constexpr std::size_t npos = std::string::npos;

using xml::Attributes;
using xml::ElementHandler;
using xml::ElementParser;
using xml::ItemChoice;
using xml::ItemSkipper;

// Streams a part through the skipper into the parser. False when the package has no such part.
bool streamPart(const SheetSource& source, const std::string& part, ElementHandler& handler,
                std::string_view container, std::string_view item, ItemSkipper::Choose choose,
                bool stopAtContainer) {
    ElementParser xml(handler);
    ItemSkipper skipper(xml, container, item, std::move(choose), stopAtContainer);
    try {
        bool stopped = false;
        const bool found = source.package.stream(part, [&](std::string_view piece) {
            stopped = !skipper.push(piece);
            return !stopped;
        });
        if (!found) return false;
        if (stopped) {
            xml.abandon();
        } else {
            skipper.finish();
        }
    } catch (const xml::SyntaxError& e) {
        throw WorkbookError(
            source.path, ReadProblem::partNotWellFormed,
            {part, expatErrorPart(e.code), std::to_string(skipper.partOffset(e.offset))});
    } catch (const xml::TooDeep&) {
        throw WorkbookError(source.path, ReadProblem::partNestsTooDeep, {part});
    }
    return true;
}

// Builds the string items (<si> of the shared strings, <is> of a cell): the texts of the runs
// joined, phonetic runs left out.
class StringItemBuilder {
public:
    // The parts of an item the builder tells apart; `unknown` for all it passes over.
    enum ItemPart : std::uint8_t { none, itemText, run, runText, runProps, runSize, unknown };

    void begin() {
        item_ = RichString{};
        hasRuns_ = false;
    }
    // The part an element inside the item is, by its parent's kind (none for the item itself).
    ItemPart start(ItemPart parent, std::string_view local, const Attributes& a) {
        if (parent == none) {
            if (local == "t") return itemText;
            if (local == "r") {
                hasRuns_ = true;
                runText_.clear();
                runSize_ = std::numeric_limits<double>::quiet_NaN();
                seenProps_ = false;
                return run;
            }
        } else if (parent == run) {
            if (local == "t") return runText;
            if (local == "rPr" && !seenProps_) {
                seenProps_ = true;
                seenSize_ = false;
                return runProps;
            }
        } else if (parent == runProps && local == "sz" && !seenSize_) {
            seenSize_ = true;
            if (auto v = acceptedFontSize(parseDouble(a["val"]))) runSize_ = *v;
            return runSize;
        }
        return unknown;
    }
    static bool collectsText(ItemPart kind) { return kind == itemText || kind == runText; }
    void end(ItemPart kind, const std::string& text) {
        if (kind == itemText) item_.text += unescapeText(utf8ToUtf16(text));
        if (kind == runText) runText_ += unescapeText(utf8ToUtf16(text));
        if (kind == run && !runText_.empty()) {
            item_.runs.push_back(TextRun{static_cast<std::uint32_t>(runText_.size()), runSize_});
            item_.text += runText_;
        }
    }
    RichString take() {
        if (!hasRuns_) item_.runs.clear();
        return std::move(item_);
    }

private:
    RichString item_;
    bool hasRuns_ = false;
    std::u16string runText_;
    double runSize_ = 0;
    bool seenProps_ = false;
    bool seenSize_ = false;
};

// Element kinds the readers below tell apart; `other` for all they pass over.
enum class ElementKind : std::uint8_t {
    other,
    root,
    cols,
    sheetViews,
    sheetView,
    sheetData,
    row,
    cell,
    value,
    item,  // a string item; its inside is the builder's
    inItem,
    mergeCells,
};

struct Element {
    ElementKind kind;
    StringItemBuilder::ItemPart itemPart = StringItemBuilder::none;
};

// An element inside a string item (parent `item` or `inItem`): the builder takes it, and the text
// collected so far is dropped when it starts a text of its own.
void startInItem(StringItemBuilder& builder, const std::vector<Element>& stack, ElementKind parent,
                 std::string_view local, const Attributes& a, Element& e, std::string& text) {
    e.itemPart = builder.start(
        parent == ElementKind::item ? StringItemBuilder::none : stack.back().itemPart, local, a);
    if (e.itemPart != StringItemBuilder::unknown) e.kind = ElementKind::inItem;
    if (StringItemBuilder::collectsText(e.itemPart)) text.clear();
}

class SheetHandler final : public ElementHandler {
public:
    SheetHandler(const SheetSource& source, Sheet& sheet, std::optional<CellRange> range)
        : source_(source), sheet_(sheet), range_(range) {
        if (range) {
            kept_ = CellRange{std::max(range->firstRow, 2u) - 1, std::max(range->firstCol, 2u) - 1,
                              std::min(range->lastRow, kMaxRows - 1) + 1,
                              std::min(range->lastCol, kMaxCols - 1) + 1};
        }
    }

    // The choice for a row the skipper has found: the row's attributes are taken here, and the
    // parser, if fed the row, takes its number from the queue.
    ItemChoice chooseRow(const Attributes& a) {
        const std::uint32_t row = beginRow(a);
        if (!keeps(row)) return ItemChoice::skip;
        scannedRows_.push_back(row);
        return ItemChoice::keep;
    }

    void start(std::string_view local, const Attributes& a) override {
        const ElementKind parent = stack_.empty() ? ElementKind::other : stack_.back().kind;
        Element e{ElementKind::other};
        if (stack_.empty()) {
            rootIsWorksheet_ = local == "worksheet";
            if (rootIsWorksheet_) e.kind = ElementKind::root;
        } else if (parent == ElementKind::root) {
            e.kind = rootChild(local, a);
        } else if (parent == ElementKind::cols) {
            if (local == "col") column(a);
        } else if (parent == ElementKind::sheetViews) {
            if (local == "sheetView" && !seenView_) {
                seenView_ = true;
                e.kind = ElementKind::sheetView;
            }
        } else if (parent == ElementKind::sheetView) {
            if (local == "pane" && !seenPane_) {
                seenPane_ = true;
                activePane_ = a["activePane"];
            } else if (local == "selection") {
                const char* pane = a["pane"];
                selections_.push_back({*pane ? pane : "topLeft", a["sqref"], a["activeCell"]});
            }
        } else if (parent == ElementKind::sheetData) {
            if (local == "row") {
                if (!scannedRows_.empty()) {
                    row_ = scannedRows_.front();
                    scannedRows_.pop_front();
                } else {
                    row_ = beginRow(a);
                }
                colNumber_ = 0;
                if (keeps(row_)) e.kind = ElementKind::row;
            }
        } else if (parent == ElementKind::row) {
            if (local == "c") e.kind = beginCell(a);
        } else if (parent == ElementKind::cell) {
            if (local == "v" && !seenValue_) {
                seenValue_ = true;
                e.kind = ElementKind::value;
                text_.clear();
            } else if (local == "is" && !seenItem_) {
                seenItem_ = true;
                e.kind = ElementKind::item;
                builder_.begin();
            }
        } else if (parent == ElementKind::item || parent == ElementKind::inItem) {
            startInItem(builder_, stack_, parent, local, a, e, text_);
        } else if (parent == ElementKind::mergeCells) {
            if (local == "mergeCell") merge(a["ref"]);
        }
        stack_.push_back(e);
    }

    void end() override {
        const Element e = stack_.back();
        stack_.pop_back();
        switch (e.kind) {
            case ElementKind::value:
                value_ = text_;
                break;
            case ElementKind::item:
                inlineString_ = builder_.take();
                break;
            case ElementKind::inItem:
                builder_.end(e.itemPart, text_);
                break;
            case ElementKind::cell:
                endCell();
                break;
            default:
                break;
        }
    }

    void text(std::string_view chars) override {
        if (stack_.empty()) return;
        const Element& e = stack_.back();
        if (e.kind == ElementKind::value ||
            (e.kind == ElementKind::inItem && StringItemBuilder::collectsText(e.itemPart))) {
            text_.append(chars);
        }
    }

    // After the part: the settings in order, the saved selection.
    void finish() {
        if (!rootIsWorksheet_) {
            fail(ReadProblem::sheetHoldsNoWorksheet, {sheetLabel(sheet_)});
        }
        std::sort(sheet_.cols.begin(), sheet_.cols.end(),
                  [](const ColumnInfo& a, const ColumnInfo& b) { return a.min < b.min; });
        // Overlapping entries are not valid; keep the first of each overlap.
        std::vector<ColumnInfo> cols;
        for (ColumnInfo& c : sheet_.cols) {
            if (!cols.empty() && c.min <= cols.back().max) {
                if (c.max <= cols.back().max) continue;
                c.min = cols.back().max + 1;
            }
            cols.push_back(c);
        }
        sheet_.cols = std::move(cols);

        // The saved selection: the first view's active pane, its first range, else its active
        // cell, else A1. One the reader cannot take (a whole column written as "A:A", say)
        // falls back rather than refusing the workbook: it only says where the user was.
        sheet_.selection = CellRange{};
        const std::string activePane = activePane_.empty() ? "topLeft" : activePane_;
        for (const Selection& s : selections_) {
            if (s.pane != activePane) continue;
            std::string_view sqref = s.sqref;
            while (!sqref.empty() && sqref.front() == ' ') sqref.remove_prefix(1);
            sqref = sqref.substr(0, sqref.find(' '));
            if (auto r = parseRangeRef(sqref)) {
                sheet_.selection = *r;
            } else if (auto c = parseRangeRef(std::string_view(s.activeCell))) {
                sheet_.selection = *c;
            }
            break;
        }
    }

    // Cells whose text is a shared string: their positions in sheet.cells, in the part's order;
    // each one's text holds the string's index in the table until the strings are read.
    const std::vector<std::size_t>& sharedCells() const { return sharedCells_; }
    bool sorted() const { return sorted_; }

private:
    struct Selection {
        std::string pane, sqref, activeCell;
    };

    [[noreturn]] void fail(ReadProblem problem, std::vector<ReasonPart> parts) const {
        parts.insert(parts.begin(), sheetLabel(sheet_));
        throw WorkbookError(source_.path, problem, std::move(parts));
    }
    [[noreturn]] void outside(ReadProblem problem, const std::string& what) const {
        fail(problem, {what, std::to_string(kMaxRows), std::to_string(kMaxCols)});
    }
    CellRange range(const char* text) const {
        auto r = parseRangeRef(std::string_view(text));
        if (!r) outside(ReadProblem::referenceOutsideLimits, text);
        return *r;
    }
    std::uint32_t styleIndex(const Attributes& a) const {
        if (!a.has("s")) return 0;
        const auto v = parseUnsigned(a["s"]).value_or(0);
        return v < source_.styleCount ? static_cast<std::uint32_t>(v) : 0;
    }
    bool keeps(std::uint32_t row) const {
        return kept_ && row >= kept_->firstRow && row <= kept_->lastRow;
    }

    ElementKind rootChild(std::string_view local, const Attributes& a) {
        auto first = [](bool& seen) { return !std::exchange(seen, true); };
        if (local == "sheetFormatPr" && first(seenFormat_)) {
            if (auto v = parseDouble(a["defaultColWidth"]); v && *v >= 0) {
                sheet_.defaultColWidth = v;
            }
            if (auto v = parseDouble(a["baseColWidth"]); v && *v >= 0) sheet_.baseColWidth = *v;
            if (auto v = parseDouble(a["defaultRowHeight"]); v && *v >= 0 && *v <= 409) {
                sheet_.defaultRowHeight = v;
            }
            sheet_.rowsHiddenByDefault = isTrue(a["zeroHeight"]);
        } else if (local == "cols" && first(seenCols_)) {
            return ElementKind::cols;
        } else if (local == "sheetViews" && first(seenViews_)) {
            return ElementKind::sheetViews;
        } else if (local == "sheetData" && first(seenData_)) {
            return ElementKind::sheetData;
        } else if (local == "mergeCells" && first(seenMerges_)) {
            return ElementKind::mergeCells;
        }
        return ElementKind::other;
    }

    void column(const Attributes& a) {
        ColumnInfo col;
        const auto min = parseUnsigned(a["min"]);
        const auto max = parseUnsigned(a["max"]);
        if (!min || !max || *min < 1 || *max < *min || *max > kMaxCols) {
            outside(ReadProblem::columnRangeOutsideLimits, std::string(a["min"]) + "-" + a["max"]);
        }
        col.min = static_cast<std::uint32_t>(*min);
        col.max = static_cast<std::uint32_t>(*max);
        if (auto w = parseDouble(a["width"]); w && *w >= 0) col.width = std::min(*w, 255.0);
        col.hidden = isTrue(a["hidden"]);
        if (a.has("style")) {
            col.style =
                static_cast<std::uint32_t>(clampStyle(parseUnsigned(a["style"]).value_or(0)));
        }
        sheet_.cols.push_back(col);
    }

    // Numbers the row and keeps its height; its style only where its cells are kept.
    std::uint32_t beginRow(const Attributes& a) {
        if (a.has("r")) {
            const auto v = parseUnsigned(a["r"]);
            if (!v) fail(ReadProblem::malformedRowNumber, {a["r"]});
            rowNumber_ = *v;
        } else {
            ++rowNumber_;
        }
        if (rowNumber_ < 1 || rowNumber_ > kMaxRows)
            outside(ReadProblem::rowOutsideLimits, std::to_string(rowNumber_));
        RowInfo row;
        row.row = static_cast<std::uint32_t>(rowNumber_);
        if (auto h = parseDouble(a["ht"]); h && *h >= 0) row.height = std::min(*h, 409.5);
        row.hidden = isTrue(a["hidden"]);
        if (isTrue(a["customFormat"]) && keeps(row.row)) row.style = styleIndex(a);
        // On a sheet whose rows are hidden by default, a listed row is a visible one.
        if (row.height || row.hidden || row.style || sheet_.rowsHiddenByDefault) {
            if (!sheet_.rows.empty() && sheet_.rows.back().row >= row.row) sorted_ = false;
            sheet_.rows.push_back(row);
        }
        return row.row;
    }

    ElementKind beginCell(const Attributes& a) {
        cellName_ = a.has("r") ? a["r"] : "(unnamed)";
        if (a.has("r")) {
            const std::string_view text(a["r"]);
            std::size_t pos = 0;
            std::uint64_t rr = 0, cc = 0;
            if (!parseCellRef(text, pos, rr, cc) || pos != text.size()) {
                fail(ReadProblem::malformedCellReference, {cellName_});
            }
            if (rr < 1 || rr > kMaxRows || cc < 1 || cc > kMaxCols)
                outside(ReadProblem::cellOutsideLimits, cellName_);
            if (rr != row_) {
                fail(ReadProblem::cellInWrongRow, {cellName_, std::to_string(row_)});
            }
            colNumber_ = cc;
        } else {
            ++colNumber_;
            if (colNumber_ > kMaxCols)
                outside(ReadProblem::cellOfRowOutsideLimits, std::to_string(row_));
        }
        if (colNumber_ < kept_->firstCol || colNumber_ > kept_->lastCol) return ElementKind::other;
        cell_ = Cell{};
        cell_.row = row_;
        cell_.col = static_cast<std::uint32_t>(colNumber_);
        cell_.style = styleIndex(a);
        type_ = a["t"];
        seenValue_ = seenItem_ = false;
        value_.clear();
        inlineString_.reset();
        return ElementKind::cell;
    }

    void endCell() {
        const char* value = value_.c_str();
        if (type_ == "inlineStr") {
            if (inlineString_) {
                cell_.type = CellType::string;
                cell_.text = static_cast<std::uint32_t>(sheet_.strings.size());
                sheet_.strings.push_back(std::move(*inlineString_));
                if (limitCellText(sheet_.strings.back())) ++sheet_.cutTexts;
            }
        } else if (!seenValue_ || *value == '\0') {
            // No value: a blank cell that carries only its style.
        } else if (type_ == "s") {
            const auto index = parseUnsigned(value);
            if (!index || *index > std::numeric_limits<std::uint32_t>::max()) {
                fail(ReadProblem::missingSharedString, {cellName_});
            }
            cell_.type = CellType::string;
            cell_.text = static_cast<std::uint32_t>(*index);
            sharedCells_.push_back(sheet_.cells.size());
        } else if (type_ == "str" || type_ == "e") {
            cell_.type = type_ == "e" ? CellType::error : CellType::string;
            cell_.text = static_cast<std::uint32_t>(sheet_.strings.size());
            sheet_.strings.push_back(RichString{unescapeText(utf8ToUtf16(value_)), {}});
            if (limitCellText(sheet_.strings.back())) ++sheet_.cutTexts;
        } else if (type_ == "b") {
            cell_.type = CellType::boolean;
            cell_.number = isTrue(value);
        } else if (type_ == "d") {
            const auto serial = isoToSerial(value, source_.date1904);
            if (!serial) {
                fail(ReadProblem::malformedDate, {cellName_});
            }
            cell_.type = CellType::number;
            cell_.number = *serial;
        } else {
            const auto number = parseDouble(value);
            if (!number) {
                fail(ReadProblem::malformedNumber, {cellName_});
            }
            cell_.type = CellType::number;
            cell_.number = *number;
        }
        if (!sheet_.cells.empty()) {
            const Cell& last = sheet_.cells.back();
            if (last.row > cell_.row || (last.row == cell_.row && last.col >= cell_.col)) {
                sorted_ = false;
            }
        }
        sheet_.cells.push_back(cell_);
    }

    void merge(const char* ref) {
        const CellRange r = range(ref);
        if (r.firstRow == r.lastRow && r.firstCol == r.lastCol) return;
        if (!range_ || r.lastRow < range_->firstRow || r.firstRow > range_->lastRow ||
            r.lastCol < range_->firstCol || r.firstCol > range_->lastCol) {
            return;
        }
        sheet_.merges.push_back(r);
    }

    const SheetSource& source_;
    Sheet& sheet_;
    std::optional<CellRange> range_;  // the range read; nothing when reading the settings
    std::optional<CellRange> kept_;   // the range and the cells around it
    std::vector<Element> stack_;
    bool rootIsWorksheet_ = false;
    bool seenFormat_ = false, seenCols_ = false, seenViews_ = false, seenData_ = false,
         seenMerges_ = false, seenView_ = false, seenPane_ = false;
    std::string activePane_;
    std::vector<Selection> selections_;
    std::deque<std::uint32_t> scannedRows_;
    std::uint64_t rowNumber_ = 0;
    std::uint32_t row_ = 0;
    std::uint64_t colNumber_ = 0;
    bool sorted_ = true;
    Cell cell_;
    std::string cellName_;
    std::string type_;
    bool seenValue_ = false, seenItem_ = false;
    std::string value_;
    std::optional<RichString> inlineString_;
    std::string text_;
    StringItemBuilder builder_;
    std::vector<std::size_t> sharedCells_;
};

// The entries of the shared-string table at the wanted indexes (sorted, distinct).
class SharedStringsHandler final : public ElementHandler {
public:
    SharedStringsHandler(const std::vector<std::uint32_t>& wanted, std::vector<RichString>& out)
        : wanted_(wanted), out_(out) {}

    ItemChoice chooseItem(const Attributes&) {
        if (next_ >= wanted_.size()) return ItemChoice::stop;
        if (index_++ != wanted_[next_]) return ItemChoice::skip;
        ++next_;
        ++scanned_;
        return ItemChoice::keep;
    }

    void start(std::string_view local, const Attributes& a) override {
        const ElementKind parent = stack_.empty() ? ElementKind::other : stack_.back().kind;
        Element e{ElementKind::other};
        if (stack_.empty()) {
            if (local == "sst") e.kind = ElementKind::root;
        } else if (parent == ElementKind::root) {
            if (local == "si") {
                bool keep = scanned_ > 0;
                if (keep) {
                    --scanned_;
                } else if (next_ < wanted_.size() && index_++ == wanted_[next_]) {
                    ++next_;
                    keep = true;
                }
                if (keep) {
                    e.kind = ElementKind::item;
                    builder_.begin();
                }
            }
        } else if (parent == ElementKind::item || parent == ElementKind::inItem) {
            startInItem(builder_, stack_, parent, local, a, e, text_);
        }
        stack_.push_back(e);
    }
    void end() override {
        const Element e = stack_.back();
        stack_.pop_back();
        if (e.kind == ElementKind::item) out_.push_back(builder_.take());
        if (e.kind == ElementKind::inItem) builder_.end(e.itemPart, text_);
    }
    void text(std::string_view chars) override {
        if (!stack_.empty() && stack_.back().kind == ElementKind::inItem &&
            StringItemBuilder::collectsText(stack_.back().itemPart)) {
            text_.append(chars);
        }
    }

private:
    const std::vector<std::uint32_t>& wanted_;
    std::vector<RichString>& out_;
    std::size_t next_ = 0;     // the next wanted index to find
    std::uint64_t index_ = 0;  // of the next string item
    std::size_t scanned_ = 0;  // items the skipper kept whose start the parser has not seen
    std::vector<Element> stack_;
    StringItemBuilder builder_;
    std::string text_;
};

void clearCells(Sheet& sheet) {
    sheet.cellsRead.reset();
    sheet.cells.clear();
    sheet.strings.clear();
    sheet.cols.clear();
    sheet.rows.clear();
    sheet.merges.clear();
    sheet.cutTexts = 0;
    sheet.defaultColWidth.reset();
    sheet.baseColWidth = 8;
    sheet.defaultRowHeight.reset();
    sheet.rowsHiddenByDefault = false;
}

}  // namespace

void readSheetSettings(const SheetSource& source, Sheet& sheet) {
    clearCells(sheet);
    SheetHandler handler(source, sheet, std::nullopt);
    if (!streamPart(
            source, sheet.part, handler, "sheetData", "row",
            [](const Attributes&) { return ItemChoice::stop; }, true)) {
        throw WorkbookError(source.path, ReadProblem::partMissing, {sheet.part});
    }
    handler.finish();
    sheet.cells.clear();
    sheet.rows.clear();
}

void readSheetCells(const SheetSource& source, Sheet& sheet, const CellRange& range) {
    clearCells(sheet);
    SheetHandler handler(source, sheet, range);
    if (!streamPart(
            source, sheet.part, handler, "sheetData", "row",
            [&](const Attributes& a) { return handler.chooseRow(a); }, false)) {
        throw WorkbookError(source.path, ReadProblem::partMissing, {sheet.part});
    }
    handler.finish();

    // The shared strings the cells refer to, after the sheet's own strings.
    const std::vector<std::size_t>& shared = handler.sharedCells();
    if (!shared.empty()) {
        std::vector<std::uint32_t> wanted;
        wanted.reserve(shared.size());
        for (std::size_t at : shared) wanted.push_back(sheet.cells[at].text);
        std::sort(wanted.begin(), wanted.end());
        wanted.erase(std::unique(wanted.begin(), wanted.end()), wanted.end());
        const std::size_t base = sheet.strings.size();
        if (!source.sharedStringsPart.empty()) {
            SharedStringsHandler strings(wanted, sheet.strings);
            streamPart(
                source, source.sharedStringsPart, strings, "sst", "si",
                [&](const Attributes& a) { return strings.chooseItem(a); }, false);
        }
        const std::size_t found = sheet.strings.size() - base;
        for (std::size_t i = base; i < sheet.strings.size(); ++i)
            if (limitCellText(sheet.strings[i])) ++sheet.cutTexts;
        for (std::size_t at : shared) {
            Cell& cell = sheet.cells[at];
            const auto k = static_cast<std::size_t>(
                std::lower_bound(wanted.begin(), wanted.end(), cell.text) - wanted.begin());
            if (k >= found) {
                throw WorkbookError(
                    source.path, ReadProblem::missingSharedString,
                    {sheetLabel(sheet), utf16ToUtf8(CellAddress(cell.col, cell.row))});
            }
            cell.text = static_cast<std::uint32_t>(base + k);
        }
    }

    if (!handler.sorted()) {
        std::stable_sort(sheet.cells.begin(), sheet.cells.end(), [](const Cell& a, const Cell& b) {
            return a.row != b.row ? a.row < b.row : a.col < b.col;
        });
        std::stable_sort(sheet.rows.begin(), sheet.rows.end(),
                         [](const RowInfo& a, const RowInfo& b) { return a.row < b.row; });
    }
    sheet.cellsRead = range;
}

}  // namespace tabrova::workbook
