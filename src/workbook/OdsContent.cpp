#include "workbook/OdsContent.h"

#include <expat.h>

#include <algorithm>
#include <array>
#include <climits>
#include <cmath>
#include <cstring>
#include <exception>
#include <limits>
#include <optional>
#include <unordered_map>
#include <utility>
#include <vector>

#include "platform/Utf8.h"
#include "workbook/OdsStyles.h"
#include "workbook/SheetMetrics.h"
#include "workbook/XmlStream.h"
#include "workbook/XmlValues.h"

namespace tabrova::workbook::ods {

namespace {

using spreadsheetml::Cell;
using spreadsheetml::Document;
using spreadsheetml::Line;
using spreadsheetml::Merge;
using spreadsheetml::Reading;
using spreadsheetml::Sheet;

using xml::kMaxDepth;
constexpr std::size_t kMaxAttributeBytes = 64 * 1024;
constexpr std::size_t kMaxValueBytes = 1024;
// More UTF-8 than this cannot fit the UTF-16 units a cell holds.
constexpr std::size_t kMaxTextBytes = 4 * kMaxCellTextChars + 4;
// Positions beyond the sheet are counted up to this, so that repeats never overflow.
constexpr std::uint64_t kFarPosition = 1ull << 40;
// The widths the spreadsheet gives a column and a row without a style of their own.
constexpr double kDefaultColumnPoints = 2.258 / 2.54 * 72;
constexpr double kDefaultRowPoints = 0.452 / 2.54 * 72;

struct Refusal {
    ReadReason reason;
};

[[noreturn]] void refuse(ReadProblem problem, std::vector<ReasonPart> parts = {}) {
    throw Refusal{{problem, std::move(parts), std::nullopt}};
}

enum class Ns : std::uint8_t { other, office, style, text, table, fo, svg, config };

Ns namespaceOf(std::string_view uri) {
    static constexpr std::pair<std::string_view, Ns> kSpaces[] = {
        {"urn:oasis:names:tc:opendocument:xmlns:office:1.0", Ns::office},
        {"urn:oasis:names:tc:opendocument:xmlns:style:1.0", Ns::style},
        {"urn:oasis:names:tc:opendocument:xmlns:text:1.0", Ns::text},
        {"urn:oasis:names:tc:opendocument:xmlns:table:1.0", Ns::table},
        {"urn:oasis:names:tc:opendocument:xmlns:xsl-fo-compatible:1.0", Ns::fo},
        {"urn:oasis:names:tc:opendocument:xmlns:svg-compatible:1.0", Ns::svg},
        {"urn:oasis:names:tc:opendocument:xmlns:config:1.0", Ns::config},
    };
    for (const auto& [name, ns] : kSpaces)
        if (uri == name) return ns;
    return Ns::other;
}

struct Name {
    Ns ns = Ns::other;
    std::string_view local;
    bool is(Ns n, std::string_view l) const { return ns == n && local == l; }
};

Name split(const XML_Char* name) {
    const std::string_view full(name);
    const std::size_t sep = full.rfind(xml::kNamespaceSeparator);
    if (sep == std::string_view::npos) return {Ns::other, full};
    return {namespaceOf(full.substr(0, sep)), full.substr(sep + 1)};
}

class Attributes {
public:
    void reset(const XML_Char** attributes) {
        items_.clear();
        for (const XML_Char** a = attributes; *a; a += 2) {
            const Name name = split(a[0]);
            if (std::strlen(a[1]) > kMaxAttributeBytes) {
                refuse(ReadProblem::attributeTooLong, {messageText(name.local)});
            }
            items_.push_back({name, a[1]});
        }
    }
    const char* get(Ns ns, std::string_view local) const {
        for (const auto& [n, v] : items_)
            if (n.is(ns, local)) return v;
        return nullptr;
    }

private:
    std::vector<std::pair<Name, const char*>> items_;
};

// A count attribute (repeats and spans): 1 when absent; counts past the sheet are kept at
// kFarPosition.
std::uint64_t countOf(const char* value, const ReasonPart& what) {
    if (!value) return 1;
    const auto n = parseUnsigned(value);
    if (!n) {
        // Digits too many for 64 bits are still a count.
        const std::string_view text(value);
        if (!text.empty() && text.find_first_not_of("0123456789") == std::string_view::npos)
            return kFarPosition;
        refuse(ReadProblem::notACount, {what, quotedText(text)});
    }
    return std::clamp<std::uint64_t>(*n, 1, kFarPosition);
}

// An ISO 8601 duration as office:time-value writes it ("PT12H30M05S"): a fraction of a day.
std::optional<double> durationDays(std::string_view text) {
    bool negative = false;
    if (text.starts_with('-')) {
        negative = true;
        text.remove_prefix(1);
    }
    if (!text.starts_with('P')) return std::nullopt;
    text.remove_prefix(1);
    double days = 0;
    bool time = false;
    while (!text.empty()) {
        if (text.front() == 'T') {
            time = true;
            text.remove_prefix(1);
            continue;
        }
        std::size_t n = 0;
        while (n < text.size() && ((text[n] >= '0' && text[n] <= '9') || text[n] == '.')) ++n;
        if (n == 0 || n == text.size() || n > 32) return std::nullopt;
        const auto value = parseDouble(std::string(text.substr(0, n)).c_str());
        if (!value) return std::nullopt;
        switch (text[n]) {
            case 'D':
                days += *value;
                break;
            case 'H':
                days += *value / 24;
                break;
            case 'M':
                if (!time) return std::nullopt;
                days += *value / 1440;
                break;
            case 'S':
                days += *value / 86400;
                break;
            default:
                return std::nullopt;
        }
        text.remove_prefix(n + 1);
    }
    return negative ? -days : days;
}

enum class El : std::uint8_t {
    other,
    skip,  // nothing inside is read
    root,
    fontFaceDecls,
    styles,
    autoStyles,
    style,
    body,
    spreadsheet,
    table,
    group,  // column and row groups and headers, read as if their children stood in the table
    column,
    row,
    cell,
    paragraph,
    span,
    special,  // text:s, text:tab and text:line-break
    settings,
    config,
    configTables,
    configSheet,
    configItem,
};

// A cell element of the row being read, as the cells it stands for are kept.
struct RowCell {
    Cell cell;
    std::uint32_t firstCol = 0;
    std::uint32_t lastCol = 0;
};

}  // namespace

struct ContentReader::Impl final : xml::Events {
    Impl(const Reading& r, std::filesystem::path s) : reading(r), source(std::move(s)) {
        target = reading.keepCells && reading.sheet && reading.range;
        if (target) {
            const CellRange& g = *reading.range;
            range = g;
            ring =
                CellRange{g.firstRow > 1 ? g.firstRow - 1 : 1, g.firstCol > 1 ? g.firstCol - 1 : 1,
                          std::min(g.lastRow + 1, kMaxRows), std::min(g.lastCol + 1, kMaxCols)};
        }
    }

    // ---- the handler ----

    void start(const XML_Char* rawName, const XML_Char** rawAttributes) override {
        sawRoot = true;
        if (stack.size() >= kMaxDepth) refuse(ReadProblem::nestsTooDeep);
        attributes.reset(rawAttributes);
        const Name name = split(rawName);
        const El parent = stack.empty() ? El::other : stack.back();
        El e = El::other;
        if (stack.empty()) {
            const bool flat = part.empty();
            if (!(name.ns == Ns::office &&
                  (flat ? name.local == "document"
                        : (name.local == "document-content" || name.local == "document-styles" ||
                           name.local == "document-settings")))) {
                refuse(ReadProblem::odsRootNotSpreadsheet, {messageText(name.local)});
            }
            const char* mime = attributes.get(Ns::office, "mimetype");
            if (flat && mime && !std::string_view(mime).starts_with(kSpreadsheetMimeType)) {
                refuse(ReadProblem::odsDocumentNotSpreadsheet, {quotedText(mime)});
            }
            e = El::root;
        } else {
            e = childOf(parent, name);
        }
        stack.push_back(e);
        switch (e) {
            case El::style:
                startStyle(parent, name.local == "default-style");
                break;
            case El::other:
                if (parent == El::style) properties(name);
                if (parent == El::fontFaceDecls && name.is(Ns::style, "font-face")) fontFace();
                break;
            case El::body:
                resolve();
                break;
            case El::table:
                startTable();
                break;
            case El::column:
                startColumn();
                break;
            case El::row:
                startRow();
                break;
            case El::cell:
                startCell(name.local == "covered-table-cell");
                break;
            case El::paragraph:
                if (cellText) {
                    if (paragraphs++ > 0) appendText("\n");
                    afterBlank = false;
                }
                break;
            case El::span:
                startSpan();
                break;
            case El::special:
                special(name);
                break;
            case El::configSheet:
                configSheetName = value(Ns::config, "name");
                break;
            case El::configItem:
                configName = value(Ns::config, "name");
                configValue.clear();
                break;
            default:
                break;
        }
    }

    void end() override {
        const El e = stack.back();
        stack.pop_back();
        switch (e) {
            case El::style:
                endStyle();
                break;
            case El::table:
                if (measuring) {
                    // The columns and rows the table does not list have the default sizes.
                    if (!columnsMeasured) measureUnlistedColumns();
                    if (nextRow <= kMaxRows) {
                        const double size = defaultRowPoints.value_or(kDefaultRowPoints);
                        nearestBoundary(areaTop, measuredRows, size, nextRow,
                                        kMaxRows - nextRow + 1);
                        nearestBoundary(areaBottom, measuredRows, size, nextRow,
                                        kMaxRows - nextRow + 1);
                    }
                }
                measuring = false;
                if (inTarget) {
                    inTarget = false;
                    done = true;
                }
                break;
            case El::row:
                endRow();
                break;
            case El::cell:
                endCell();
                break;
            case El::span:
                spanSizes.pop_back();
                break;
            case El::configItem:
                endConfigItem();
                break;
            default:
                break;
        }
    }

    void text(std::string_view chars) override {
        if (stack.empty()) return;
        const El e = stack.back();
        if (e == El::configItem) {
            if (configValue.size() + chars.size() <= kMaxValueBytes) configValue += chars;
            return;
        }
        if ((e != El::paragraph && e != El::span) || !cellText) return;
        // A run of blanks is one space (the spreadsheet writes more as text:s), kept at the
        // paragraph's ends as the spreadsheet keeps it.
        for (const char c : chars) {
            const bool blank = c == ' ' || c == '\t' || c == '\r' || c == '\n';
            if (blank && afterBlank) continue;
            appendText(blank ? std::string_view(" ") : std::string_view(&c, 1));
            afterBlank = blank;
        }
    }

    El childOf(El parent, const Name& n) const {
        switch (parent) {
            case El::root:
                if (n.is(Ns::office, "font-face-decls")) return El::fontFaceDecls;
                if (n.is(Ns::office, "styles")) return El::styles;
                if (n.is(Ns::office, "automatic-styles")) return El::autoStyles;
                if (n.is(Ns::office, "body")) return El::body;
                if (n.is(Ns::office, "settings")) return El::settings;
                return El::skip;
            case El::styles:
            case El::autoStyles:
                if (n.is(Ns::style, "style") || n.is(Ns::style, "default-style")) return El::style;
                return El::skip;
            case El::style:  // its properties, read at their start
            case El::fontFaceDecls:
                return El::other;
            case El::body:
                return n.is(Ns::office, "spreadsheet") ? El::spreadsheet : El::skip;
            case El::spreadsheet:
                return n.is(Ns::table, "table") ? El::table : El::skip;
            case El::table:
            case El::group:
                if (!inTarget && !measuring) return El::skip;
                if (n.ns == Ns::table &&
                    (n.local == "table-columns" || n.local == "table-header-columns" ||
                     n.local == "table-column-group" || n.local == "table-rows" ||
                     n.local == "table-header-rows" || n.local == "table-row-group")) {
                    return El::group;
                }
                if (n.is(Ns::table, "table-column")) return El::column;
                if (n.is(Ns::table, "table-row")) return El::row;
                return El::skip;
            case El::row:
                if (!inTarget) return El::skip;
                if (n.is(Ns::table, "table-cell") || n.is(Ns::table, "covered-table-cell"))
                    return El::cell;
                return El::skip;
            case El::cell:
                return n.is(Ns::text, "p") && cellText ? El::paragraph : El::skip;
            case El::paragraph:
            case El::span:
                if (n.is(Ns::text, "s") || n.is(Ns::text, "tab") || n.is(Ns::text, "line-break"))
                    return El::special;
                // Comments, notes and ruby annotations are not what the cell shows.
                if (n.ns == Ns::office || n.is(Ns::text, "note") || n.is(Ns::text, "ruby-text"))
                    return El::skip;
                return El::span;
            case El::settings:
            case El::config:
            case El::configTables:
            case El::configSheet:
                if (n.is(Ns::config, "config-item-map-named") &&
                    value(Ns::config, "name") == "Tables") {
                    return El::configTables;
                }
                if (n.is(Ns::config, "config-item-map-entry") && parent == El::configTables)
                    return El::configSheet;
                if (n.is(Ns::config, "config-item")) return El::configItem;
                return El::config;
            default:
                return El::skip;
        }
    }

    std::string value(Ns ns, std::string_view local) const {
        const char* v = attributes.get(ns, local);
        return v ? std::string(v) : std::string();
    }

    // ---- styles ----

    void fontFace() {
        const char* name = attributes.get(Ns::style, "name");
        const char* family = attributes.get(Ns::svg, "font-family");
        if (!name || !family) return;
        std::string_view f(family);
        if (f.size() >= 2 && (f.front() == '\'' || f.front() == '"') && f.back() == f.front())
            f = f.substr(1, f.size() - 2);
        fontFamilies[name] = utf8ToUtf16(f);
    }

    void startStyle(El parent, bool isDefault) {
        styleFamily = value(Ns::style, "family");
        styleName = value(Ns::style, "name");
        styleIsDefault = isDefault;
        styleAutomatic = parent == El::autoStyles;
        cellEntry = CellStyleEntry{};
        if (const char* p = attributes.get(Ns::style, "parent-style-name")) cellEntry.parent = p;
        lineSize.reset();
        textSize.reset();
    }

    void properties(const Name& n) {
        if (n.is(Ns::style, "table-cell-properties")) {
            if (const char* v = attributes.get(Ns::style, "vertical-align"))
                cellEntry.vertical = verticalOf(v);
            if (const char* v = attributes.get(Ns::fo, "wrap-option"))
                cellEntry.wrapText = std::string_view(v) == "wrap";
            if (const char* v = attributes.get(Ns::style, "shrink-to-fit"))
                cellEntry.shrinkToFit = std::string_view(v) == "true";
            if (const char* v = attributes.get(Ns::style, "text-align-source"))
                cellEntry.alignByValue = std::string_view(v) == "value-type";
            if (const char* v = attributes.get(Ns::fo, "border")) {
                if (const auto b = borderOf(v)) cellEntry.borders.fill(*b);
            }
            static constexpr std::pair<std::string_view, EdgeIndex> kEdges[] = {
                {"border-top", edgeIndexTop},
                {"border-bottom", edgeIndexBottom},
                {"border-left", edgeIndexLeft},
                {"border-right", edgeIndexRight},
            };
            for (const auto& [attribute, index] : kEdges) {
                if (const char* v = attributes.get(Ns::fo, attribute)) {
                    if (const auto b = borderOf(v)) cellEntry.borders[index] = *b;
                }
            }
        } else if (n.is(Ns::style, "paragraph-properties")) {
            if (const char* v = attributes.get(Ns::fo, "text-align"))
                cellEntry.horizontal = horizontalOf(v);
        } else if (n.is(Ns::style, "text-properties")) {
            if (const char* v = attributes.get(Ns::fo, "font-size")) {
                textSize = acceptedFontSize(pointsOfLength(v));
                if (textSize) cellEntry.fontSize = textSize;
            }
            if (const char* v = attributes.get(Ns::style, "font-name")) {
                const auto it = fontFamilies.find(v);
                cellEntry.fontName = it != fontFamilies.end() ? it->second : utf8ToUtf16(v);
            } else if (const char* f = attributes.get(Ns::fo, "font-family")) {
                cellEntry.fontName = utf8ToUtf16(f);
            }
        } else if (n.is(Ns::style, "table-column-properties")) {
            lineSize = lengthAttribute(Ns::style, "column-width");
        } else if (n.is(Ns::style, "table-row-properties")) {
            lineSize = lengthAttribute(Ns::style, "row-height");
        }
    }

    std::optional<double> lengthAttribute(Ns ns, std::string_view local) const {
        const char* v = attributes.get(ns, local);
        if (!v) return std::nullopt;
        const auto points = pointsOfLength(v);
        if (!points) {
            // A size that is no length the spreadsheet knows is left to the default; one that is
            // not a finite number is refused.
            const std::string_view text(v);
            if (text.find("inf") != std::string_view::npos ||
                text.find("nan") != std::string_view::npos ||
                text.find("e999") != std::string_view::npos) {
                refuse(ReadProblem::notFiniteLength, {std::string(local), quotedText(text)});
            }
            return std::nullopt;
        }
        return points;
    }

    void endStyle() {
        if (styleFamily == "table-cell") {
            if (styleIsDefault) {
                cellStyles.defaults = cellEntry;
            } else if (!styleName.empty()) {
                (styleAutomatic ? cellStyles.automatic : cellStyles.named)[styleName] = cellEntry;
            }
        } else if (styleFamily == "table-column") {
            if (styleIsDefault)
                defaultColumnPoints = lineSize;
            else
                columnSizes[styleName] = lineSize;
        } else if (styleFamily == "table-row") {
            if (styleIsDefault)
                defaultRowPoints = lineSize;
            else
                rowSizes[styleName] = lineSize;
        } else if (styleFamily == "text" && textSize) {
            textSizes[styleName] = *textSize;
        }
    }

    void resolve() {
        if (resolved) return;
        try {
            styles = resolveStyles(cellStyles);
        } catch (const StyleError& e) {
            throw Refusal{e.reason};
        }
        resolved = true;
    }

    std::optional<std::uint32_t> styleIndex(const char* name) const {
        if (!name) return std::nullopt;
        const auto it = styles.indexOf.find(name);
        return it != styles.indexOf.end() ? it->second : 0;  // missing: the default, as shown
    }

    // ---- sheets, columns, rows and cells ----

    void startTable() {
        Sheet sheet;
        sheet.name = utf8ToUtf16(value(Ns::table, "name"));
        inTarget = target && doc.sheets.size() == *reading.sheet;
        measuring =
            !reading.keepCells && !measured &&
            std::all_of(visibleArea.begin(), visibleArea.end(),
                        [](const auto& v) { return v.has_value(); }) &&
            (activeTable.empty() ? doc.sheets.empty() : value(Ns::table, "name") == activeTable);
        if (measuring) {
            areaLeft = {*visibleArea[0]};
            areaTop = {*visibleArea[1]};
            areaRight = {areaLeft.target + *visibleArea[2]};
            areaBottom = {areaTop.target + *visibleArea[3]};
            measuredColumns = 0;
            measuredRows = 0;
            columnsMeasured = false;
            nextColumn = 1;
            nextRow = 1;
            measured = true;
        }
        if (inTarget) {
            sheet.defaultColumnWidth = defaultColumnPoints.value_or(kDefaultColumnPoints);
            sheet.defaultRowHeight = defaultRowPoints.value_or(kDefaultRowPoints);
            sheet.cellsRead = true;
            sheet.cellsKept = ring;
            nextColumn = 1;
            nextRow = 1;
        }
        doc.sheets.push_back(std::move(sheet));
    }

    static void addLine(std::vector<Line>& lines, Line line) {
        if (!lines.empty()) {
            Line& last = lines.back();
            if (last.last + 1 == line.first && last.size == line.size &&
                last.hidden == line.hidden && last.style == line.style) {
                last.last = line.last;
                return;
            }
        }
        lines.push_back(line);
    }

    Line lineOf(const std::unordered_map<std::string, std::optional<double>>& sizes,
                std::uint64_t first, std::uint64_t count, std::uint32_t limit) const {
        Line line;
        line.first = static_cast<std::uint32_t>(first);
        line.last = static_cast<std::uint32_t>(std::min<std::uint64_t>(first + count - 1, limit));
        if (const char* s = attributes.get(Ns::table, "style-name")) {
            if (const auto it = sizes.find(s); it != sizes.end()) line.size = it->second;
        }
        if (const char* v = attributes.get(Ns::table, "visibility"))
            line.hidden = std::string_view(v) == "collapse" || std::string_view(v) == "filter";
        line.style = styleIndex(attributes.get(Ns::table, "default-cell-style-name"));
        return line;
    }

    void startColumn() {
        const std::uint64_t count = countOf(attributes.get(Ns::table, "number-columns-repeated"),
                                            ReasonPart("a column repeat", "列の繰り返し数"));
        if (measuring) {
            const double size =
                lineLength(columnSizes, defaultColumnPoints.value_or(kDefaultColumnPoints));
            nearestBoundary(areaLeft, measuredColumns, size, nextColumn, count);
            nearestBoundary(areaRight, measuredColumns, size, nextColumn, count);
            measuredColumns += size * static_cast<double>(count);
            nextColumn = std::min(nextColumn + count, kFarPosition);
            return;
        }
        if (nextColumn <= kMaxCols)
            addLine(doc.sheets.back().columns, lineOf(columnSizes, nextColumn, count, kMaxCols));
        nextColumn = std::min(nextColumn + count, kFarPosition);
    }

    void startRow() {
        const std::uint64_t count = countOf(attributes.get(Ns::table, "number-rows-repeated"),
                                            ReasonPart("a row repeat", "行の繰り返し数"));
        if (measuring) {
            if (!columnsMeasured) measureUnlistedColumns();
            const double size = lineLength(rowSizes, defaultRowPoints.value_or(kDefaultRowPoints));
            nearestBoundary(areaTop, measuredRows, size, nextRow, count);
            nearestBoundary(areaBottom, measuredRows, size, nextRow, count);
            measuredRows += size * static_cast<double>(count);
            nextRow = std::min(nextRow + count, kFarPosition);
            // The rows below the area's bottom cannot bring a boundary nearer.
            if (measuredRows > areaBottom.target) measuring = false;
            return;
        }
        rowFirst = nextRow;
        rowLast = std::min(nextRow + count - 1, kFarPosition);
        nextRow = rowLast + 1;
        nextCell = 1;
        rowCells.clear();
        if (rowFirst > ring.lastRow) {
            done = true;
            return;
        }
        const Line line = lineOf(rowSizes, rowFirst, count, kMaxRows);
        rowStyle = line.style;
        addLine(doc.sheets.back().rows, line);
    }

    // ---- the shown area ----

    // The boundary between columns or rows nearest to a position (points): index is the first
    // column or row after it.
    struct Boundary {
        double target = 0;
        double distance = std::numeric_limits<double>::infinity();
        std::uint64_t index = 1;
    };

    // The length of the column or row the element stands for, in points: its style's, else the
    // default; 0 when hidden, as the spreadsheet measures the area.
    double lineLength(const std::unordered_map<std::string, std::optional<double>>& sizes,
                      double fallback) const {
        if (const char* v = attributes.get(Ns::table, "visibility");
            v && std::string_view(v) != "visible") {
            return 0;
        }
        if (const char* s = attributes.get(Ns::table, "style-name")) {
            if (const auto it = sizes.find(s); it != sizes.end() && it->second) return *it->second;
        }
        return fallback;
    }

    // Takes the boundaries of `count` lines of one size from `start` (the first before line
    // `first`) into account.
    static void nearestBoundary(Boundary& b, double start, double size, std::uint64_t first,
                                std::uint64_t count) {
        std::uint64_t k = 0;
        if (size > 0 && b.target > start) {
            const double steps = std::nearbyint((b.target - start) / size);
            k = steps >= static_cast<double>(count) ? count : static_cast<std::uint64_t>(steps);
        }
        const double distance = std::abs(start + static_cast<double>(k) * size - b.target);
        if (distance < b.distance) {
            b.distance = distance;
            b.index = first + k;
        }
    }

    void measureUnlistedColumns() {
        columnsMeasured = true;
        if (nextColumn > kMaxCols) return;
        const double size = defaultColumnPoints.value_or(kDefaultColumnPoints);
        nearestBoundary(areaLeft, measuredColumns, size, nextColumn, kMaxCols - nextColumn + 1);
        nearestBoundary(areaRight, measuredColumns, size, nextColumn, kMaxCols - nextColumn + 1);
    }

    void finishShownArea() {
        if (!measured) return;
        const std::uint64_t lastRow = std::min<std::uint64_t>(areaBottom.index - 1, kMaxRows);
        const std::uint64_t lastCol = std::min<std::uint64_t>(areaRight.index - 1, kMaxCols);
        if (areaTop.index > lastRow || areaLeft.index > lastCol) return;
        doc.shownArea = CellRange{
            static_cast<std::uint32_t>(areaTop.index), static_cast<std::uint32_t>(areaLeft.index),
            static_cast<std::uint32_t>(lastRow), static_cast<std::uint32_t>(lastCol)};
    }

    bool rowInRing() const { return rowFirst <= ring.lastRow && rowLast >= ring.firstRow; }

    void startCell(bool covered) {
        const std::uint64_t count = countOf(attributes.get(Ns::table, "number-columns-repeated"),
                                            ReasonPart("a cell repeat", "セルの繰り返し数"));
        cellFirst = nextCell;
        cellLast = std::min(nextCell + count - 1, kFarPosition);
        nextCell = cellLast + 1;
        cellText = false;
        keepCell = false;
        if (covered || cellFirst > kMaxCols || done) return;

        const std::uint64_t across = countOf(attributes.get(Ns::table, "number-columns-spanned"),
                                             ReasonPart("a column span", "横方向の結合数"));
        const std::uint64_t down = countOf(attributes.get(Ns::table, "number-rows-spanned"),
                                           ReasonPart("a row span", "縦方向の結合数"));
        const std::optional<std::uint32_t> own =
            styleIndex(attributes.get(Ns::table, "style-name"));
        if (across > 1 || down > 1) addMerge(across, down, own);

        const bool inRingColumns = cellFirst <= ring.lastCol && cellLast >= ring.firstCol;
        if (!rowInRing() || !inRingColumns) return;
        pending = RowCell{};
        pending.firstCol =
            static_cast<std::uint32_t>(std::max<std::uint64_t>(cellFirst, ring.firstCol));
        pending.lastCol =
            static_cast<std::uint32_t>(std::min<std::uint64_t>(cellLast, ring.lastCol));
        pending.cell.style = own ? *own : inheritedStyle(pending.firstCol);
        readValue();
        keepCell = own.has_value() || pending.cell.type != CellType::blank;
        // The texts only of the range's own cells.
        cellText = rowFirst <= range.lastRow && rowLast >= range.firstRow &&
                   cellFirst <= range.lastCol && cellLast >= range.firstCol;
        textBytes.clear();
        textCut = false;
        firstSize.reset();
        paragraphs = 0;
        spanSizes.clear();
    }

    // A cell without a style of its own takes its row's default cell style, else its column's.
    std::uint32_t inheritedStyle(std::uint32_t col) const {
        if (rowStyle) return *rowStyle;
        if (const Line* c = spreadsheetml::lineAt(doc.sheets.back().columns, col); c && c->style)
            return *c->style;
        return 0;
    }

    void readValue() {
        Cell& c = pending.cell;
        const char* type = attributes.get(Ns::office, "value-type");
        if (!type) return;
        const std::string_view t(type);
        if (t == "float" || t == "percentage" || t == "currency") {
            const char* v = attributes.get(Ns::office, "value");
            const auto number = v ? parseDouble(v) : std::optional<double>(0.0);
            if (!number) refuse(ReadProblem::odsCellNotFinite, {quotedText(v)});
            c.type = CellType::number;
            c.number = *number;
        } else if (t == "date") {
            const char* v = attributes.get(Ns::office, "date-value");
            c.type = CellType::number;
            c.number = v ? isoToSerial(v, false).value_or(1) : 1;
        } else if (t == "time") {
            const char* v = attributes.get(Ns::office, "time-value");
            c.type = CellType::number;
            c.number = v ? durationDays(v).value_or(0) : 0;
        } else if (t == "boolean") {
            const char* v = attributes.get(Ns::office, "boolean-value");
            c.type = CellType::boolean;
            c.number = v && std::string_view(v) == "true" ? 1 : 0;
        } else if (t == "string") {
            c.type = CellType::string;
        }
    }

    void addMerge(std::uint64_t across, std::uint64_t down, std::optional<std::uint32_t> own) {
        if (cellFirst + across - 1 > kMaxCols || rowFirst + down - 1 > kMaxRows) {
            refuse(ReadProblem::mergePastSheetEdge, {std::to_string(down), std::to_string(across)});
        }
        if (!target) return;
        const std::uint32_t col = static_cast<std::uint32_t>(cellFirst);
        const std::uint32_t lastCol = static_cast<std::uint32_t>(cellFirst + across - 1);
        if (col > ring.lastCol || lastCol < ring.firstCol) return;
        // A repeated row repeats its merged areas (one row high; taller ones would overlap), and
        // only those that reach the ring are kept.
        const std::uint64_t reach = ring.firstRow > down ? ring.firstRow - down + 1 : 1;
        const std::uint64_t from = std::max<std::uint64_t>(rowFirst, reach);
        const std::uint64_t to =
            std::min<std::uint64_t>(down > 1 ? rowFirst : rowLast, ring.lastRow);
        for (std::uint64_t r = from; r <= to; ++r) {
            Merge m;
            m.area = CellRange{static_cast<std::uint32_t>(r), col,
                               static_cast<std::uint32_t>(r + down - 1), lastCol};
            m.style = own ? *own : inheritedStyle(col);
            doc.sheets.back().merges.push_back(m);
        }
    }

    void appendText(std::string_view s) {
        if (!firstSize && !s.empty() && s != "\n") {
            firstSize =
                spanSizes.empty() ? std::numeric_limits<double>::quiet_NaN() : spanSizes.back();
        }
        if (textBytes.size() + s.size() > kMaxTextBytes) {
            textCut = true;
            return;
        }
        textBytes += s;
    }

    void startSpan() {
        double size =
            spanSizes.empty() ? std::numeric_limits<double>::quiet_NaN() : spanSizes.back();
        if (const char* s = attributes.get(Ns::text, "style-name")) {
            if (const auto it = textSizes.find(s); it != textSizes.end()) size = it->second;
        }
        spanSizes.push_back(size);
    }

    // text:s, text:tab and text:line-break, at their start.
    void special(const Name& n) {
        if (!cellText) return;
        afterBlank = false;
        if (n.local == "s") {
            std::uint64_t count = 1;
            if (const char* c = attributes.get(Ns::text, "c"))
                count =
                    std::min<std::uint64_t>(parseUnsigned(c).value_or(1), kMaxCellTextChars + 1);
            for (std::uint64_t i = 0; i < count && !textCut; ++i) appendText(" ");
        } else if (n.local == "tab") {
            appendText("\t");
        } else {
            appendText("\n");
        }
    }

    void endCell() {
        if (!keepCell && textBytes.empty()) {
            cellText = false;
            return;
        }
        if (cellText) {
            RichString& t = pending.cell.text;
            t.text = utf8ToUtf16(textBytes);
            if (pending.cell.type == CellType::blank && !t.text.empty())
                pending.cell.type = CellType::string;
            if (firstSize && !std::isnan(*firstSize))
                t.runs.push_back(TextRun{static_cast<std::uint32_t>(t.text.size()), *firstSize});
            if (limitCellText(t) || textCut) cuts += 1;
        }
        rowCells.push_back(pending);
        cellText = false;
        textBytes.clear();
    }

    void endRow() {
        if (done || rowCells.empty()) return;
        const std::uint64_t from = std::max<std::uint64_t>(rowFirst, ring.firstRow);
        const std::uint64_t to = std::min<std::uint64_t>(rowLast, ring.lastRow);
        std::vector<Cell>& cells = doc.sheets.back().cells;
        for (std::uint64_t r = from; r <= to; ++r) {
            for (const RowCell& rc : rowCells) {
                for (std::uint32_t c = rc.firstCol; c <= rc.lastCol; ++c) {
                    Cell cell = rc.cell;
                    cell.row = static_cast<std::uint32_t>(r);
                    cell.col = c;
                    cells.push_back(std::move(cell));
                }
            }
        }
        doc.cutTexts += cuts * static_cast<std::size_t>(to - from + 1);
        cuts = 0;
    }

    // ---- settings ----

    void endConfigItem() {
        if (stack.empty()) return;
        const El parent = stack.back();
        if (parent == El::configSheet) {
            const auto n = parseUnsigned(configValue.c_str());
            if (configName == "CursorPositionX" && n) cursors[configSheetName].first = n;
            if (configName == "CursorPositionY" && n) cursors[configSheetName].second = n;
        } else if (configName == "ActiveTable") {
            activeTable = configValue;
        } else {
            for (std::size_t i = 0; i < kVisibleAreaItems.size(); ++i) {
                if (configName != kVisibleAreaItems[i]) continue;
                // 1/100 mm to points; a length past any sheet's is no area.
                const auto n = parseUnsigned(configValue.c_str());
                if (n && *n < (1ull << 40)) visibleArea[i] = static_cast<double>(*n) * 72 / 2540;
            }
        }
    }

    void finishSettings() {
        for (std::size_t i = 0; i < doc.sheets.size(); ++i) {
            Sheet& sheet = doc.sheets[i];
            const std::string name = utf16ToUtf8(sheet.name);
            if (name == activeTable) doc.activeSheet = i;
            const auto it = cursors.find(name);
            if (it == cursors.end()) continue;
            const std::uint64_t col = it->second.first.value_or(0) + 1;
            const std::uint64_t row = it->second.second.value_or(0) + 1;
            if (col <= kMaxCols && row <= kMaxRows) {
                sheet.selection =
                    CellRange{static_cast<std::uint32_t>(row), static_cast<std::uint32_t>(col),
                              static_cast<std::uint32_t>(row), static_cast<std::uint32_t>(col)};
            }
        }
    }

    // ---- state ----

    const Reading reading;
    std::filesystem::path source;
    std::string part;
    Document doc;
    bool target = false;
    CellRange range{};
    CellRange ring{};
    bool done = false;  // the range's rows were read

    std::vector<El> stack;
    Attributes attributes;

    std::unordered_map<std::string, std::u16string> fontFamilies;
    CellStyles cellStyles;
    std::unordered_map<std::string, std::optional<double>> columnSizes;
    std::unordered_map<std::string, std::optional<double>> rowSizes;
    std::unordered_map<std::string, double> textSizes;
    std::optional<double> defaultColumnPoints;
    std::optional<double> defaultRowPoints;
    ResolvedStyles styles;
    bool resolved = false;
    std::string styleFamily;
    std::string styleName;
    bool styleIsDefault = false;
    bool styleAutomatic = false;
    CellStyleEntry cellEntry;
    std::optional<double> lineSize;
    std::optional<double> textSize;

    bool inTarget = false;
    std::uint64_t nextColumn = 1;
    std::uint64_t nextRow = 1;
    std::uint64_t rowFirst = 1;
    std::uint64_t rowLast = 1;
    std::optional<std::uint32_t> rowStyle;
    std::uint64_t nextCell = 1;
    std::uint64_t cellFirst = 1;
    std::uint64_t cellLast = 1;
    std::vector<RowCell> rowCells;
    RowCell pending;
    bool keepCell = false;
    bool cellText = false;
    std::string textBytes;
    bool textCut = false;
    bool afterBlank = false;  // the last character came from a run of blanks
    std::size_t paragraphs = 0;
    std::optional<double> firstSize;
    std::vector<double> spanSizes;
    std::size_t cuts = 0;

    std::string configSheetName;
    std::string configName;
    std::string configValue;
    std::string activeTable;
    // The view's visible area (left, top, width, height) and the columns and rows of the
    // active table measured against it.
    static constexpr std::array<std::string_view, 4> kVisibleAreaItems = {
        "VisibleAreaLeft", "VisibleAreaTop", "VisibleAreaWidth", "VisibleAreaHeight"};
    std::array<std::optional<double>, 4> visibleArea;  // points
    bool measuring = false;
    bool measured = false;
    bool columnsMeasured = false;  // the columns the table does not list, too
    double measuredColumns = 0;    // points left of nextColumn
    double measuredRows = 0;       // points above nextRow
    Boundary areaLeft, areaRight, areaTop, areaBottom;
    std::unordered_map<std::string,
                       std::pair<std::optional<std::uint64_t>, std::optional<std::uint64_t>>>
        cursors;

    // ---- the parser of the part being read ----

    std::optional<xml::Parser> parser;
    bool bytesSeen = false;
    bool sawRoot = false;

    void freeParser() { parser.reset(); }

    TextPosition where() const { return {parser->line(), parser->column(), part}; }

    [[noreturn]] void fail() {
        if (parser->caught()) {
            try {
                std::rethrow_exception(parser->caught());
            } catch (Refusal& r) {
                r.reason.position = where();
                freeParser();
                throw WorkbookError(source, std::move(r.reason));
            }
        }
        const XML_Error code = parser->error();
        ReadReason reason{ReadProblem::documentEndsEarly, {}, where()};
        switch (code) {
            case XML_ERROR_NO_ELEMENTS:
                if (!sawRoot) reason.problem = ReadProblem::documentEmpty;
                break;
            case XML_ERROR_UNCLOSED_TOKEN:
            case XML_ERROR_PARTIAL_CHAR:
            case XML_ERROR_UNCLOSED_CDATA_SECTION:
                break;
            case XML_ERROR_UNDEFINED_ENTITY:
                reason.problem = ReadProblem::undefinedEntity;
                break;
            default:
                reason.problem =
                    sawRoot ? ReadProblem::documentNotWellFormed : ReadProblem::odsNotXml;
                reason.parts = {expatErrorPart(code)};
                break;
        }
        freeParser();
        throw WorkbookError(source, std::move(reason));
    }

    bool finished() const override { return done; }
    void declaration(bool entity) override {
        refuse(entity ? ReadProblem::documentDeclaresEntity : ReadProblem::documentHasDtd);
    }
};

ContentReader::ContentReader(const Reading& reading, std::filesystem::path source)
    : impl_(std::make_unique<Impl>(reading, std::move(source))) {}

ContentReader::~ContentReader() { impl_->freeParser(); }

void ContentReader::begin(std::string part) {
    Impl& m = *impl_;
    m.freeParser();
    m.part = std::move(part);
    m.stack.clear();
    m.bytesSeen = false;
    m.sawRoot = false;
    m.parser.emplace(m, xml::ParserOptions{.namespaces = true, .declarations = true});
}

bool ContentReader::feed(std::string_view bytes) {
    Impl& m = *impl_;
    if (!m.parser || m.done) return false;
    m.bytesSeen = m.bytesSeen || !bytes.empty();
    if (!m.parser->parse(bytes, false)) {
        if (m.done && !m.parser->caught()) return false;
        m.fail();
    }
    return !m.done;
}

void ContentReader::end() {
    Impl& m = *impl_;
    if (!m.parser) return;
    if (!m.done) {
        if (!m.bytesSeen) {
            ReadReason reason{m.part.empty() ? ReadProblem::emptyFile : ReadProblem::partEmpty,
                              {m.part},
                              std::nullopt};
            m.freeParser();
            throw WorkbookError(m.source, std::move(reason));
        }
        if (!m.parser->parse({}, true)) {
            if (!(m.done && !m.parser->caught())) m.fail();
        }
    }
    m.freeParser();
}

Document ContentReader::finish() {
    Impl& m = *impl_;
    try {
        m.resolve();
    } catch (const Refusal& r) {
        throw WorkbookError(m.source, r.reason);
    }
    if (m.doc.sheets.empty()) throw WorkbookError(m.source, ReadProblem::odsNoSheet);
    m.finishSettings();
    m.finishShownArea();
    m.doc.styles = m.styles.styles;
    // A column's length becomes the characters of the standard font that the spreadsheet writes
    // for it when it saves the sheet as .xlsx (the length over the font's digit advance), and
    // those the pixels Excel shows for them; so an .xlsx workbook converted to .ods and read
    // back keeps its columns' pixels.
    const spreadsheetml::Style& standard = m.doc.styles.front();
    const double digit = digitAdvancePoints(standard.fontName, standard.fontSize);
    const int mdw = maxDigitWidth(standard.fontName, standard.fontSize);
    const auto excelPoints = [&](double points) {
        return columnPixelsFromWidth(points / digit, mdw) * 0.75;
    };
    for (Sheet& sheet : m.doc.sheets) {
        for (Line& column : sheet.columns)
            if (column.size) column.size = excelPoints(*column.size);
        if (sheet.defaultColumnWidth)
            sheet.defaultColumnWidth = excelPoints(*sheet.defaultColumnWidth);
    }
    m.doc.textsAsShown = true;
    return std::move(m.doc);
}

}  // namespace tabrova::workbook::ods
