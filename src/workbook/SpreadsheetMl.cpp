#include "workbook/SpreadsheetMl.h"

#include <expat.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>
#include <exception>
#include <fstream>
#include <limits>
#include <unordered_map>
#include <utility>

#include "platform/Utf8.h"
#include "table/CellAddress.h"
#include "workbook/NamedNumberFormats.h"
#include "workbook/SpreadsheetMlStyles.h"
#include "workbook/XmlStream.h"
#include "workbook/XmlValues.h"

namespace tabrova::workbook::spreadsheetml {

namespace {

using xml::kMaxDepth;
using xml::kNamespaceSeparator;

constexpr std::size_t kMaxAttributeBytes = 64 * 1024;
// The text of a number, a date, a Boolean or a setting is short; more is not one.
constexpr std::size_t kMaxValueBytes = 1024;

// A reason to refuse the document; the parser adds where it stopped.
struct Refusal {
    ReadReason reason;
};

[[noreturn]] void refuse(ReadProblem problem, std::vector<ReasonPart> parts = {}) {
    throw Refusal{{problem, std::move(parts), std::nullopt}};
}

// What a reason says a misplaced or ill-sized element is.
ReasonPart aColumn() { return {"a column", "列"}; }
ReasonPart aRow() { return {"a row", "行"}; }
ReasonPart aCell() { return {"a cell", "セル"}; }
ReasonPart theCell(std::uint32_t col, std::uint32_t row) {
    const std::string address = utf16ToUtf8(CellAddress(col, row));
    return {"the cell " + address, "セル " + address};
}

std::string_view localName(std::string_view name) {
    const std::size_t sep = name.rfind(kNamespaceSeparator);
    return sep == std::string_view::npos ? name : name.substr(sep + 1);
}

std::string_view namespaceOf(std::string_view name) {
    const std::size_t sep = name.rfind(kNamespaceSeparator);
    return sep == std::string_view::npos ? std::string_view() : name.substr(0, sep);
}

// The attributes of a start tag by local name: the format's own carry the ss prefix, the rich
// text's the html prefix, and a hand-made document may leave the prefix out.
class Attributes {
public:
    void reset(const XML_Char** attributes) {
        items_.clear();
        for (const XML_Char** a = attributes; *a; a += 2) {
            if (std::strlen(a[1]) > kMaxAttributeBytes) {
                refuse(ReadProblem::attributeTooLong, {std::string(localName(a[0]))});
            }
            items_.emplace_back(localName(a[0]), a[1]);
        }
    }
    const char* operator[](std::string_view name) const {
        for (const auto& [n, v] : items_)
            if (n == name) return v;
        return nullptr;
    }

private:
    std::vector<std::pair<std::string_view, const char*>> items_;
};

std::string quoted(const char* text) { return quotedText(std::string_view(text)); }

std::string groupedNumber(std::uint64_t n) {
    std::string digits = std::to_string(n);
    for (std::size_t i = digits.size(); i > 3; i -= 3) digits.insert(i - 3, ",");
    return digits;
}

bool flagOf(const char* v) { return v && isTrue(v); }

// An area in R1C1 form as WorksheetOptions saves a selection: "R2C3:R6C5", "R3" (a row), "C2"
// (a column); of several areas the first.
std::optional<CellRange> parseR1C1Area(std::string_view text) {
    text = text.substr(0, text.find(','));
    std::uint64_t bounds[2][2] = {{1, 1}, {kMaxRows, kMaxCols}};  // [corner][row, col]
    bool anyRow = false, anyCol = false;
    std::size_t pos = 0;
    for (int corner = 0; corner < 2; ++corner) {
        std::uint64_t parsed[2] = {0, 0};
        bool seen[2] = {false, false};
        for (int part = 0; part < 2; ++part) {
            const char letter = part == 0 ? 'R' : 'C';
            if (pos >= text.size() || (text[pos] != letter && text[pos] != letter + 32)) continue;
            ++pos;
            std::uint64_t n = 0;
            std::size_t digits = 0;
            while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9' && digits < 8) {
                n = n * 10 + static_cast<std::uint64_t>(text[pos++] - '0');
                ++digits;
            }
            if (digits == 0) return std::nullopt;  // a relative reference
            parsed[part] = n;
            seen[part] = true;
        }
        if (!seen[0] && !seen[1]) return std::nullopt;
        if (corner == 0) {
            anyRow = seen[0];
            anyCol = seen[1];
        } else if (seen[0] != anyRow || seen[1] != anyCol) {
            return std::nullopt;
        }
        for (int part = 0; part < 2; ++part)
            if (seen[part]) bounds[corner][part] = parsed[part];
        if (corner == 0) {
            for (int part = 0; part < 2; ++part)
                if (seen[part]) bounds[1][part] = parsed[part];
            if (pos == text.size()) break;
            if (text[pos] != ':') return std::nullopt;
            ++pos;
        }
    }
    if (pos != text.size()) return std::nullopt;
    const std::uint64_t r1 = std::min(bounds[0][0], bounds[1][0]);
    const std::uint64_t r2 = std::max(bounds[0][0], bounds[1][0]);
    const std::uint64_t c1 = std::min(bounds[0][1], bounds[1][1]);
    const std::uint64_t c2 = std::max(bounds[0][1], bounds[1][1]);
    if (r1 < 1 || c1 < 1 || r2 > kMaxRows || c2 > kMaxCols) return std::nullopt;
    return CellRange{static_cast<std::uint32_t>(r1), static_cast<std::uint32_t>(c1),
                     static_cast<std::uint32_t>(r2), static_cast<std::uint32_t>(c2)};
}

// "YYYY-MM-DDThh:mm:ss[.fff]" as the format writes a date and time; its serial day number.
std::optional<double> dateTimeSerial(const std::string& text) {
    const auto digitsAt = [&](std::size_t at, std::size_t n) {
        if (at + n > text.size()) return false;
        for (std::size_t i = at; i < at + n; ++i)
            if (text[i] < '0' || text[i] > '9') return false;
        return true;
    };
    const bool shaped =
        digitsAt(0, 4) && text.size() >= 10 && text[4] == '-' && digitsAt(5, 2) && text[7] == '-' &&
        digitsAt(8, 2) &&
        (text.size() == 10 ||
         (text.size() >= 19 && text[10] == 'T' && digitsAt(11, 2) && text[13] == ':' &&
          digitsAt(14, 2) && text[16] == ':' && digitsAt(17, 2) &&
          (text.size() == 19 ||
           (text[19] == '.' && text.size() <= 30 && digitsAt(20, text.size() - 20)))));
    if (!shaped) return std::nullopt;
    const auto serial = isoToSerial(text.c_str(), false);
    if (!serial || !std::isfinite(*serial)) return std::nullopt;
    return serial;
}

std::string trimmed(const std::string& s) {
    const auto isBlank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    std::size_t b = 0, e = s.size();
    while (b < e && isBlank(s[b])) ++b;
    while (e > b && isBlank(s[e - 1])) --e;
    return s.substr(b, e - b);
}

enum class Element : std::uint8_t {
    other,
    workbook,
    styles,
    style,
    alignment,
    borders,
    border,
    font,
    numberFormat,
    worksheet,
    table,
    column,
    row,
    cell,
    data,
    richText,  // the formatting elements of rich text inside Data
    excelWorkbook,
    activeSheet,
    worksheetOptions,
    activePane,
    panes,
    pane,
    paneNumber,
    activeRow,
    activeCol,
    rangeSelection,
};

// Elements whose text is a setting, kept in Handler::value_.
bool holdsValue(Element e) {
    switch (e) {
        case Element::activeSheet:
        case Element::activePane:
        case Element::paneNumber:
        case Element::activeRow:
        case Element::activeCol:
        case Element::rangeSelection:
            return true;
        default:
            return false;
    }
}

Element childOf(Element parent, std::string_view name) {
    struct Child {
        Element parent;
        std::string_view name;
        Element element;
    };
    static constexpr Child kChildren[] = {
        {Element::workbook, "Styles", Element::styles},
        {Element::workbook, "Worksheet", Element::worksheet},
        {Element::workbook, "ExcelWorkbook", Element::excelWorkbook},
        {Element::styles, "Style", Element::style},
        {Element::style, "Alignment", Element::alignment},
        {Element::style, "Borders", Element::borders},
        {Element::style, "Font", Element::font},
        {Element::style, "NumberFormat", Element::numberFormat},
        {Element::borders, "Border", Element::border},
        {Element::excelWorkbook, "ActiveSheet", Element::activeSheet},
        {Element::worksheet, "Table", Element::table},
        {Element::worksheet, "WorksheetOptions", Element::worksheetOptions},
        {Element::table, "Column", Element::column},
        {Element::table, "Row", Element::row},
        {Element::row, "Cell", Element::cell},
        {Element::cell, "Data", Element::data},
        {Element::worksheetOptions, "ActivePane", Element::activePane},
        {Element::worksheetOptions, "Panes", Element::panes},
        {Element::panes, "Pane", Element::pane},
        {Element::pane, "Number", Element::paneNumber},
        {Element::pane, "ActiveRow", Element::activeRow},
        {Element::pane, "ActiveCol", Element::activeCol},
        {Element::pane, "RangeSelection", Element::rangeSelection},
    };
    if (parent == Element::data || parent == Element::richText) return Element::richText;
    for (const Child& c : kChildren)
        if (c.parent == parent && c.name == name) return c.element;
    return Element::other;
}

struct PaneSettings {
    std::optional<std::uint64_t> number;
    std::optional<std::uint64_t> activeRow;  // 0-based
    std::optional<std::uint64_t> activeCol;
    std::optional<CellRange> range;
};

class Handler {
public:
    explicit Handler(const Reading& reading) : reading_(reading) {
        if (reading.originRow < 1 || reading.originRow > kMaxRows || reading.originCol < 1 ||
            reading.originCol > kMaxCols) {
            refuse(ReadProblem::firstCellOutsideSheet);
        }
        doc_.originRow = reading.originRow;
        doc_.originCol = reading.originCol;
        if (reading.range) {
            const CellRange& r = *reading.range;
            ring_ =
                CellRange{r.firstRow > 1 ? r.firstRow - 1 : 1, r.firstCol > 1 ? r.firstCol - 1 : 1,
                          std::min(r.lastRow + 1, kMaxRows), std::min(r.lastCol + 1, kMaxCols)};
        }
    }

    bool sawRoot() const { return sawRoot_; }

    void start(const XML_Char* name, const XML_Char** attributes) {
        if (stack_.size() >= kMaxDepth) refuse(ReadProblem::nestsTooDeep);
        attributes_.reset(attributes);
        const std::string_view local = localName(name);
        Element e;
        if (stack_.empty()) {
            const std::string_view ns = namespaceOf(name);
            if (local != "Workbook" || !(ns.empty() || ns == kSpreadsheetNamespace)) {
                refuse(ReadProblem::notSpreadsheetMlRoot, {messageText(local)});
            }
            sawRoot_ = true;
            e = Element::workbook;
        } else {
            e = childOf(stack_.back(), local);
        }
        stack_.push_back(e);
        value_.clear();
        switch (e) {
            case Element::style:
                startStyle();
                break;
            case Element::alignment:
                startAlignment();
                break;
            case Element::borders:
                styles_.back().borders.emplace();
                break;
            case Element::border:
                startBorder();
                break;
            case Element::font:
                startFont();
                break;
            case Element::numberFormat:
                if (const char* f = attributes_["Format"])
                    styles_.back().numberFormat = formatCode(utf8ToUtf16(f));
                break;
            case Element::worksheet:
                startWorksheet();
                break;
            case Element::table:
                startTable();
                break;
            case Element::column:
                startColumn();
                break;
            case Element::row:
                startRow();
                break;
            case Element::cell:
                startCell();
                break;
            case Element::data:
                startData();
                break;
            case Element::richText:
                startRichText(local);
                break;
            case Element::pane:
                panes_.emplace_back();
                break;
            default:
                break;
        }
    }

    void end() {
        const Element e = stack_.back();
        stack_.pop_back();
        switch (e) {
            case Element::styles:
                resolveStyles();
                break;
            case Element::worksheet:
                sheetOpen_ = false;
                break;
            case Element::row:
                nextRow_ = rowIndex_ + rowSpan_ + 1;
                break;
            case Element::cell:
                endCell();
                break;
            case Element::data:
                endData();
                break;
            case Element::richText:
                sizes_.pop_back();
                break;
            case Element::worksheetOptions:
                if (sheetOpen_) endWorksheetOptions();
                break;
            default:
                if (holdsValue(e)) endValue(e);
                break;
        }
    }

    void text(std::string_view chars) {
        const Element e = stack_.empty() ? Element::other : stack_.back();
        if (e == Element::data || e == Element::richText) {
            if (cell_.keepText)
                appendText(chars);
            else if (!dataIsText_)
                appendValue(chars);
        } else if (holdsValue(e)) {
            appendValue(chars);
        }
    }

    Document finish() {
        if (!stylesResolved_) resolveStyles();
        if (doc_.sheets.empty()) refuse(ReadProblem::noWorksheetInDocument);
        if (activeSheet_ && *activeSheet_ < doc_.sheets.size()) {
            doc_.activeSheet = static_cast<std::size_t>(*activeSheet_);
        }
        for (Sheet& sheet : doc_.sheets) {
            const auto byRowCol = [](const Cell& a, const Cell& b) {
                return a.row != b.row ? a.row < b.row : a.col < b.col;
            };
            // A cell listed twice (an index going back) counts as its last entry.
            std::stable_sort(sheet.cells.begin(), sheet.cells.end(), byRowCol);
            auto last = std::unique(
                sheet.cells.rbegin(), sheet.cells.rend(),
                [](const Cell& a, const Cell& b) { return a.row == b.row && a.col == b.col; });
            sheet.cells.erase(sheet.cells.begin(), last.base());
            normaliseLines(sheet.columns);
            normaliseLines(sheet.rows);
        }
        return std::move(doc_);
    }

private:
    std::uint32_t lastSheetRow() const { return kMaxRows - reading_.originRow + 1; }
    std::uint32_t lastSheetCol() const { return kMaxCols - reading_.originCol + 1; }

    // A document index (ss:Index) checked against the sheet's edge from the origin.
    std::uint32_t indexAttribute(const char* name, std::uint32_t fallback, std::uint32_t limit,
                                 const ReasonPart& what) {
        const char* v = attributes_[name];
        if (!v) {
            if (fallback > limit) refuse(ReadProblem::pastSheetEdge, {what});
            return fallback;
        }
        const auto n = parseUnsigned(v);
        if (!n || *n < 1 || *n > limit) {
            refuse(ReadProblem::indexOutsideSheet, {what, name, quoted(v), groupedNumber(limit)});
        }
        return static_cast<std::uint32_t>(*n);
    }

    // A count of further rows or columns (ss:Span, ss:MergeAcross, ss:MergeDown) from index.
    std::uint32_t extentAttribute(const char* name, std::uint32_t index, std::uint32_t limit,
                                  const ReasonPart& what) {
        const char* v = attributes_[name];
        if (!v) return 0;
        const auto n = parseUnsigned(v);
        if (!n || *n > limit - index) {
            refuse(ReadProblem::extentPastSheetEdge, {what, name, quoted(v), groupedNumber(limit)});
        }
        return static_cast<std::uint32_t>(*n);
    }

    std::uint32_t styleIndex(const char* id, const ReasonPart& what) {
        if (!stylesResolved_) resolveStyles();
        const auto it = styleIds_.find(id);
        if (it == styleIds_.end()) {
            refuse(ReadProblem::undefinedStyle, {what, quoted(id)});
        }
        return it->second;
    }

    std::optional<double> sizeAttribute(const char* name) {
        const char* v = attributes_[name];
        if (!v) return std::nullopt;
        const auto size = parseDouble(v);
        if (!size) refuse(ReadProblem::notFiniteAttribute, {name, quoted(v)});
        if (*size < 0) return std::nullopt;
        return size;
    }

    // --- Styles

    void startStyle() {
        StyleEntry entry;
        const char* id = attributes_["ID"];
        if (!id || !*id) refuse(ReadProblem::styleWithoutId);
        entry.id = id;
        if (const char* parent = attributes_["Parent"]) entry.parent = parent;
        styles_.push_back(std::move(entry));
    }

    void startAlignment() {
        StyleEntry& s = styles_.back();
        if (const char* h = attributes_["Horizontal"]) s.horizontal = horizontalOf(h);
        if (const char* v = attributes_["Vertical"]) s.vertical = verticalOf(v);
        if (const char* w = attributes_["WrapText"]) s.wrapText = flagOf(w);
        if (const char* f = attributes_["ShrinkToFit"]) s.shrinkToFit = flagOf(f);
    }

    void startBorder() {
        const char* position = attributes_["Position"];
        const std::optional<EdgeIndex> edge = position ? edgeOf(position) : std::nullopt;
        if (!edge) return;
        const char* style = attributes_["LineStyle"];
        const std::int32_t lineStyle = style ? lineStyleOf(style) : excel::xlLineStyleNone;
        if (lineStyle == excel::xlLineStyleNone) return;
        (*styles_.back().borders)[*edge] =
            BorderEdge{lineStyle, borderWeightOf(attributes_["Weight"])};
    }

    void startFont() {
        StyleEntry& s = styles_.back();
        if (const char* name = attributes_["FontName"]) s.fontName = utf8ToUtf16(name);
        if (const char* size = attributes_["Size"]) {
            if (const auto accepted = acceptedFontSize(parseDouble(size))) s.fontSize = *accepted;
        }
    }

    void resolveStyles() {
        stylesResolved_ = true;
        try {
            ResolvedStyles resolved = spreadsheetml::resolveStyles(styles_);
            doc_.styles = std::move(resolved.styles);
            styleIds_ = std::move(resolved.indexOf);
        } catch (const StyleError& e) {
            throw Refusal{e.reason};
        }
        styles_.clear();
    }

    std::u16string formatCode(const std::u16string& format) {
        if (auto named = namedNumberFormat(format)) return *named == u"General" ? u"" : *named;
        if (format.size() > kMaxFormatCodeChars) {
            ++doc_.droppedFormatCodes;
            return {};
        }
        return format;
    }

    // --- Worksheets

    void startWorksheet() {
        if (!stylesResolved_) resolveStyles();
        Sheet sheet;
        const char* name = attributes_["Name"];
        sheet.name = name && *name ? utf8ToUtf16(name)
                                   : u"Sheet" + utf8ToUtf16(std::to_string(doc_.sheets.size() + 1));
        sheetIndex_ = doc_.sheets.size();
        sheet.cellsRead = reading_.keepCells && (!reading_.sheet || *reading_.sheet == sheetIndex_);
        if (sheet.cellsRead) sheet.cellsKept = ring_;
        doc_.sheets.push_back(std::move(sheet));
        sheetOpen_ = true;
        nextRow_ = 1;
        nextColumn_ = 1;
        columnsSorted_ = false;
        rowStyle_.reset();
        panes_.clear();
        activePane_.reset();
    }

    Sheet& sheet() { return doc_.sheets[sheetIndex_]; }

    void startTable() {
        if (!sheetOpen_) return;
        if (auto w = sizeAttribute("DefaultColumnWidth")) sheet().defaultColumnWidth = w;
        if (auto h = sizeAttribute("DefaultRowHeight")) sheet().defaultRowHeight = h;
        // The table's extent as the document states it (a copied range's size); a count past the
        // sheet is not taken.
        const auto extent = [&](const char* name, std::uint32_t limit) {
            const char* v = attributes_[name];
            const auto n = v ? parseUnsigned(v) : std::nullopt;
            return n && *n >= 1 && *n <= limit ? std::optional(static_cast<std::uint32_t>(*n))
                                               : std::nullopt;
        };
        sheet().expandedRows = extent("ExpandedRowCount", lastSheetRow());
        sheet().expandedColumns = extent("ExpandedColumnCount", lastSheetCol());
    }

    Line lineFromAttributes(std::uint32_t first, std::uint32_t span, const char* sizeName,
                            const ReasonPart& what) {
        Line line;
        line.first = first;
        line.last = first + span;
        line.size = sizeAttribute(sizeName);
        line.hidden = flagOf(attributes_["Hidden"]);
        if (const char* id = attributes_["StyleID"]) line.style = styleIndex(id, what);
        return line;
    }

    void startColumn() {
        if (!sheetOpen_) return;
        const std::uint32_t limit = lastSheetCol();
        const std::uint32_t index = indexAttribute("Index", nextColumn_, limit, aColumn());
        const std::uint32_t span = extentAttribute("Span", index, limit, aColumn());
        nextColumn_ = index + span + 1;
        Line line = lineFromAttributes(index, span, "Width", aColumn());
        if (line.size || line.hidden || line.style)
            addLine(sheet().columns, line, reading_.originCol);
    }

    void startRow() {
        if (!sheetOpen_) return;
        const std::uint32_t limit = lastSheetRow();
        rowIndex_ = indexAttribute("Index", nextRow_, limit, aRow());
        rowSpan_ = extentAttribute("Span", rowIndex_, limit, aRow());
        nextCol_ = 1;
        if (!columnsSorted_) {
            normaliseLines(sheet().columns);  // the columns come before the rows
            columnsSorted_ = true;
        }
        Line line = lineFromAttributes(rowIndex_, rowSpan_, "Height", aRow());
        rowStyle_ = line.style;
        // Row styles matter only to the cells kept; heights to every position.
        if (line.style && !rowsNearKept(rowIndex_, rowIndex_ + rowSpan_)) line.style.reset();
        if (line.size || line.hidden || line.style) addLine(sheet().rows, line, reading_.originRow);
    }

    static void addLine(std::vector<Line>& lines, Line line, std::uint32_t origin) {
        line.first += origin - 1;
        line.last += origin - 1;
        lines.push_back(line);
    }

    bool rowsNearKept(std::uint32_t firstDocRow, std::uint32_t lastDocRow) const {
        if (!sheet_cellsRead()) return false;
        if (!ring_) return true;
        const std::uint32_t first = firstDocRow + reading_.originRow - 1;
        const std::uint32_t last = lastDocRow + reading_.originRow - 1;
        return last >= ring_->firstRow && first <= ring_->lastRow;
    }
    bool sheet_cellsRead() const { return doc_.sheets[sheetIndex_].cellsRead; }

    struct PendingCell {
        Cell cell;
        std::uint32_t across = 0;
        std::uint32_t down = 0;
        bool keep = false;      // the cell is kept
        bool keepText = false;  // and its text: it lies in the range
        bool cut = false;
    };

    void startCell() {
        if (!sheetOpen_) return;
        const std::uint32_t col = indexAttribute("Index", nextCol_, lastSheetCol(), aCell());
        cell_ = PendingCell{};
        cell_.across = extentAttribute("MergeAcross", col, lastSheetCol(), aCell());
        cell_.down = extentAttribute("MergeDown", rowIndex_, lastSheetRow(), aCell());
        nextCol_ = col + cell_.across + 1;
        Cell& c = cell_.cell;
        c.row = rowIndex_ + reading_.originRow - 1;
        c.col = col + reading_.originCol - 1;
        if (const char* id = attributes_["StyleID"]) {
            c.style = styleIndex(id, theCell(c.col, c.row));
        } else if (rowStyle_) {
            c.style = *rowStyle_;
        } else if (const Line* column = lineAt(sheet().columns, c.col); column && column->style) {
            c.style = *column->style;
        }
        if (sheet_cellsRead()) {
            cell_.keep = !ring_ || ring_->contains(c.row, c.col);
            cell_.keepText = !reading_.range || reading_.range->contains(c.row, c.col);
        }
    }

    void startData() {
        if (!sheetOpen_) return;
        const char* type = attributes_["Type"];
        const std::string_view t = type ? type : "String";
        CellType kind = CellType::string;
        dateTime_ = false;
        if (t == "Number")
            kind = CellType::number;
        else if (t == "Boolean")
            kind = CellType::boolean;
        else if (t == "Error")
            kind = CellType::error;
        else if (t == "DateTime") {
            kind = CellType::number;
            dateTime_ = true;
        }
        cell_.cell.type = kind;
        dataIsText_ = kind == CellType::string || kind == CellType::error;
        if (!dataIsText_) cell_.keepText = false;  // its text goes to value_ to be parsed
        sizes_.assign(1, std::numeric_limits<double>::quiet_NaN());
    }

    void startRichText(std::string_view local) {
        double size = sizes_.empty() ? std::numeric_limits<double>::quiet_NaN() : sizes_.back();
        if (local == "Font") {
            if (const char* s = attributes_["Size"]) {
                if (const auto accepted = acceptedFontSize(parseDouble(s))) size = *accepted;
            }
        }
        sizes_.push_back(size);
    }

    void appendText(std::string_view chars) {
        RichString& s = cell_.cell.text;
        if (s.text.size() >= kMaxCellTextChars) {
            cell_.cut = true;
            return;
        }
        const std::u16string piece = utf8ToUtf16(chars);
        if (piece.empty()) return;
        const double size =
            sizes_.empty() ? std::numeric_limits<double>::quiet_NaN() : sizes_.back();
        const auto sameSize = [](double a, double b) {
            return a == b || (std::isnan(a) && std::isnan(b));
        };
        if (!s.runs.empty() && sameSize(s.runs.back().size, size)) {
            s.runs.back().length += static_cast<std::uint32_t>(piece.size());
        } else {
            s.runs.push_back(TextRun{static_cast<std::uint32_t>(piece.size()), size});
        }
        s.text += piece;
        if (limitCellText(s)) cell_.cut = true;
    }

    void appendValue(std::string_view chars) {
        if (value_.size() + chars.size() > kMaxValueBytes) {
            valueTooLong_ = true;
            return;
        }
        value_.append(chars);
    }

    void endData() {
        if (!sheetOpen_) return;
        Cell& c = cell_.cell;
        const ReasonPart where = theCell(c.col, c.row);
        if (!dataIsText_) {
            const std::string text = trimmed(value_);
            const std::string shown = valueTooLong_ ? quotedText(std::string_view(value_), 20)
                                                    : quotedText(std::string_view(text));
            if (c.type == CellType::boolean) {
                c.number = text == "1" || text == "true" || text == "TRUE" ? 1 : 0;
            } else if (dateTime_) {
                const auto serial = valueTooLong_ ? std::nullopt : dateTimeSerial(text);
                if (!serial) refuse(ReadProblem::cellNotDateTime, {where, shown});
                c.number = *serial;
            } else {
                const auto number = valueTooLong_ ? std::nullopt : parseDouble(text.c_str());
                if (!number) refuse(ReadProblem::cellNotFiniteNumber, {where, shown});
                c.number = *number;
            }
        } else if (c.type == CellType::string && !c.text.runs.empty()) {
            // Plain text has no runs; only rich text keeps them.
            bool anySize = false;
            for (const TextRun& run : c.text.runs) anySize = anySize || !std::isnan(run.size);
            if (!anySize) c.text.runs.clear();
        }
        value_.clear();
        valueTooLong_ = false;
        sizes_.clear();
    }

    void endCell() {
        if (!sheetOpen_) return;
        Cell& c = cell_.cell;
        if (cell_.across > 0 || cell_.down > 0) {
            const CellRange area{c.row, c.col, c.row + cell_.down, c.col + cell_.across};
            const bool near =
                sheet_cellsRead() &&
                (!ring_ || (area.lastRow >= ring_->firstRow && area.firstRow <= ring_->lastRow &&
                            area.lastCol >= ring_->firstCol && area.firstCol <= ring_->lastCol));
            if (near) sheet().merges.push_back(Merge{area, c.style});
        }
        if (cell_.cut) ++doc_.cutTexts;
        if (cell_.keep) {
            if (!cell_.keepText && dataIsText_) c.text = {};
            sheet().cells.push_back(std::move(c));
        }
        cell_ = PendingCell{};
        dataIsText_ = false;
    }

    // --- Settings

    void endValue(Element e) {
        const std::string text = trimmed(value_);
        value_.clear();
        const bool tooLong = valueTooLong_;
        valueTooLong_ = false;
        if (tooLong) return;
        if (e == Element::rangeSelection) {
            if (!panes_.empty()) panes_.back().range = parseR1C1Area(text);
            return;
        }
        const auto n = parseUnsigned(text.c_str());
        if (!n) return;
        switch (e) {
            case Element::activeSheet:
                activeSheet_ = *n;
                break;
            case Element::activePane:
                activePane_ = *n;
                break;
            case Element::paneNumber:
                if (!panes_.empty()) panes_.back().number = *n;
                break;
            case Element::activeRow:
                if (!panes_.empty()) panes_.back().activeRow = *n;
                break;
            case Element::activeCol:
                if (!panes_.empty()) panes_.back().activeCol = *n;
                break;
            default:
                break;
        }
    }

    // The selection of the active pane (3, the only one without a split, unless ActivePane
    // says otherwise): its range, else its active cell.
    void endWorksheetOptions() {
        const std::uint64_t wanted = activePane_.value_or(3);
        const PaneSettings* pane = nullptr;
        for (const PaneSettings& p : panes_)
            if (p.number.value_or(3) == wanted) pane = &p;
        if (!pane && !panes_.empty()) pane = &panes_.front();
        if (!pane) return;
        if (pane->range) {
            sheet().selection = *pane->range;
            return;
        }
        const std::uint64_t row = pane->activeRow.value_or(0) + 1;
        const std::uint64_t col = pane->activeCol.value_or(0) + 1;
        if (row <= kMaxRows && col <= kMaxCols) {
            const auto r = static_cast<std::uint32_t>(row), c = static_cast<std::uint32_t>(col);
            sheet().selection = CellRange{r, c, r, c};
        }
    }

    // Sorts the entries and lets a later entry win where two overlap.
    static void normaliseLines(std::vector<Line>& lines) {
        const bool sorted =
            std::is_sorted(lines.begin(), lines.end(),
                           [](const Line& a, const Line& b) { return a.last < b.first; });
        if (sorted) return;
        std::vector<Line> out;
        for (const Line& line : lines) {
            std::vector<Line> kept;
            for (const Line& old : out) {
                if (old.last < line.first || old.first > line.last) {
                    kept.push_back(old);
                    continue;
                }
                if (old.first < line.first) {
                    Line left = old;
                    left.last = line.first - 1;
                    kept.push_back(left);
                }
                if (old.last > line.last) {
                    Line right = old;
                    right.first = line.last + 1;
                    kept.push_back(right);
                }
            }
            kept.push_back(line);
            out = std::move(kept);
        }
        std::sort(out.begin(), out.end(),
                  [](const Line& a, const Line& b) { return a.first < b.first; });
        lines = std::move(out);
    }

    const Reading& reading_;
    Document doc_;
    std::optional<CellRange> ring_;  // the range and the cells around it
    std::vector<Element> stack_;
    Attributes attributes_;
    bool sawRoot_ = false;

    std::vector<StyleEntry> styles_;
    bool stylesResolved_ = false;
    std::unordered_map<std::string, std::uint32_t> styleIds_;

    std::size_t sheetIndex_ = 0;
    bool sheetOpen_ = false;
    std::uint32_t nextColumn_ = 1;
    std::uint32_t nextRow_ = 1;
    std::uint32_t rowIndex_ = 1;
    std::uint32_t rowSpan_ = 0;
    std::uint32_t nextCol_ = 1;
    bool columnsSorted_ = false;
    std::optional<std::uint32_t> rowStyle_;
    PendingCell cell_;
    bool dataIsText_ = false;
    bool dateTime_ = false;
    std::vector<double> sizes_;  // the font size of the rich text being read, by nesting

    std::string value_;
    bool valueTooLong_ = false;
    std::vector<PaneSettings> panes_;
    std::optional<std::uint64_t> activePane_;
    std::optional<std::uint64_t> activeSheet_;
};

// The streaming parser around the handler. The handler's refusals stop the parser and are thrown
// again, with where it stopped, once it has returned.
class Parser final : private xml::Events {
public:
    Parser(const Reading& reading, std::filesystem::path source)
        : parser_(*this, {.namespaces = true, .declarations = true, .windowsEncodings = true}),
          source_(std::move(source)) {
        try {
            handler_.emplace(reading);
        } catch (const Refusal& r) {
            throw WorkbookError(source_, r.reason);
        }
    }

    void feed(std::string_view bytes, bool final) {
        if (!started_ && !bytes.empty()) {
            started_ = true;
            bytes = skipLeadingBlanks(bytes);
        }
        bytesSeen_ = bytesSeen_ || !bytes.empty();
        if (!parser_.parse(bytes, final)) fail();
    }

    Document finish() {
        try {
            return handler_->finish();
        } catch (const Refusal& r) {
            throw WorkbookError(source_, r.reason);
        }
    }

private:
    // Blanks before the XML declaration, which Excel lets pass, after an optional UTF-8 byte
    // order mark (which goes to the parser by itself).
    std::string_view skipLeadingBlanks(std::string_view bytes) {
        if (bytes.substr(0, 3) == "\xEF\xBB\xBF") {
            if (!parser_.parse(bytes.substr(0, 3), false)) fail();
            bytes.remove_prefix(3);
        }
        const std::size_t text = bytes.find_first_not_of(" \t\r\n");
        return text == std::string_view::npos ? std::string_view() : bytes.substr(text);
    }

    [[noreturn]] void fail() {
        const TextPosition where{parser_.line(), parser_.column(), {}};
        if (parser_.caught()) {
            try {
                std::rethrow_exception(parser_.caught());
            } catch (Refusal& r) {
                r.reason.position = where;
                throw WorkbookError(source_, std::move(r.reason));
            }
        }
        const XML_Error code = parser_.error();
        ReadReason reason{ReadProblem::documentNotWellFormed, {}, where};
        switch (code) {
            case XML_ERROR_NO_ELEMENTS:
                if (handler_->sawRoot()) {
                    reason.problem = ReadProblem::documentEndsEarly;
                } else {
                    reason = {ReadProblem::emptyFile, {}, std::nullopt};
                }
                break;
            case XML_ERROR_UNCLOSED_TOKEN:
            case XML_ERROR_PARTIAL_CHAR:
            case XML_ERROR_UNCLOSED_CDATA_SECTION:
                reason.problem = ReadProblem::documentEndsEarly;
                break;
            case XML_ERROR_INCORRECT_ENCODING:
                reason.problem = ReadProblem::encodingMismatch;
                break;
            case XML_ERROR_UNKNOWN_ENCODING:
                reason.problem = ReadProblem::unknownEncoding;
                break;
            case XML_ERROR_UNDEFINED_ENTITY:
                reason.problem = ReadProblem::undefinedEntity;
                break;
            default:
                reason.problem =
                    handler_->sawRoot() ? ReadProblem::documentNotWellFormed : ReadProblem::notXml;
                reason.parts = {expatErrorPart(code)};
                break;
        }
        if (!bytesSeen_) reason = {ReadProblem::emptyFile, {}, std::nullopt};
        throw WorkbookError(source_, std::move(reason));
    }

    void start(const XML_Char* name, const XML_Char** attributes) override {
        handler_->start(name, attributes);
    }
    void end() override { handler_->end(); }
    void text(std::string_view chars) override { handler_->text(chars); }
    void declaration(bool entity) override {
        refuse(entity ? ReadProblem::documentDeclaresEntity : ReadProblem::documentHasDtd);
    }

    xml::Parser parser_;
    std::filesystem::path source_;
    std::optional<Handler> handler_;
    bool started_ = false;
    bool bytesSeen_ = false;
};

}  // namespace

std::vector<ReadReason> Document::notes() const {
    std::vector<ReadReason> notes;
    if (droppedFormatCodes > 0) {
        notes.push_back({ReadProblem::formatCodesLeftOut,
                         {countedPart(droppedFormatCodes, "number format", "表示形式")},
                         std::nullopt});
    }
    if (cutTexts > 0) {
        notes.push_back(
            {ReadProblem::textsCut, {countedPart(cutTexts, "text", "文字列")}, std::nullopt});
    }
    return notes;
}

Document parse(std::string_view bytes, const std::filesystem::path& source,
               const Reading& reading) {
    Parser parser(reading, source);
    parser.feed(bytes, true);
    return parser.finish();
}

Document readFile(const std::filesystem::path& path, const Reading& reading) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw WorkbookError(path, ReadProblem::cannotOpenFile);
    Parser parser(reading, path);
    std::string buffer(1 << 20, '\0');
    while (in) {
        in.read(buffer.data(), static_cast<std::streamsize>(buffer.size()));
        const auto n = static_cast<std::size_t>(in.gcount());
        if (n > 0) parser.feed(std::string_view(buffer.data(), n), false);
    }
    if (in.bad()) throw WorkbookError(path, ReadProblem::cannotReadFile);
    parser.feed({}, true);
    return parser.finish();
}

const Cell* findCell(const Sheet& sheet, std::uint32_t row, std::uint32_t col) {
    const auto it =
        std::lower_bound(sheet.cells.begin(), sheet.cells.end(), std::pair(row, col),
                         [](const Cell& c, const std::pair<std::uint32_t, std::uint32_t>& k) {
                             return c.row != k.first ? c.row < k.first : c.col < k.second;
                         });
    return it != sheet.cells.end() && it->row == row && it->col == col ? &*it : nullptr;
}

const Merge* mergeAt(const Sheet& sheet, std::uint32_t row, std::uint32_t col) {
    for (const Merge& m : sheet.merges)
        if (m.area.contains(row, col)) return &m;
    return nullptr;
}

const Line* lineAt(const std::vector<Line>& lines, std::uint32_t index) {
    const auto it = std::upper_bound(lines.begin(), lines.end(), index,
                                     [](std::uint32_t i, const Line& l) { return i < l.first; });
    if (it == lines.begin()) return nullptr;
    const Line& line = *std::prev(it);
    return index <= line.last ? &line : nullptr;
}

std::uint32_t styleAt(const Sheet& sheet, std::uint32_t row, std::uint32_t col) {
    if (const Cell* cell = findCell(sheet, row, col)) return cell->style;
    if (const Merge* merge = mergeAt(sheet, row, col)) return merge->style;
    if (const Line* r = lineAt(sheet.rows, row); r && r->style) return *r->style;
    if (const Line* c = lineAt(sheet.columns, col); c && c->style) return *c->style;
    return 0;
}

}  // namespace tabrova::workbook::spreadsheetml
