#include "support/SpreadsheetMlWriter.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <optional>
#include <unordered_map>
#include <utility>
#include <vector>

#include "platform/Utf8.h"
#include "table/ExcelConstants.h"
#include "workbook/DateSerial.h"
#include "workbook/NumberFormat.h"

namespace tabrova::workbook {
namespace {

// Text as element content or an attribute value: markup characters as references, line breaks
// and tabs as character references, as Excel writes them. Other control characters become
// character references too, which XML 1.0 does not allow: the document is then not well formed,
// and a reader has to cope (the bulk read goes over to the per-cell read).
std::string escaped(std::u16string_view text) {
    std::string out;
    for (const char c : utf16ToUtf8(text)) {
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += "&quot;";
                break;
            case '\n':
                out += "&#10;";
                break;
            case '\r':
                out += "&#13;";
                break;
            case '\t':
                out += "&#9;";
                break;
            default:
                if (static_cast<unsigned char>(c) >= 0x20) {
                    out += c;
                } else {
                    out += "&#" + std::to_string(static_cast<int>(c)) + ";";
                }
                break;
        }
    }
    return out;
}

// A size in its shortest form: 48, 15.75.
std::string sizeText(double value) {
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}

// A cell's number with 17 significant digits, which reads back as the same number, as Excel
// writes it: 2, 1.1000000000000001, 1.0000000000000001E-5.
std::string numberText(double value) {
    char buffer[40];
    std::snprintf(buffer, sizeof buffer, "%.17g", value);
    std::string text = buffer;
    const std::size_t e = text.find('e');
    if (e == std::string::npos) return text;
    std::string exponent = text.substr(e + 2);
    exponent.erase(0, std::min(exponent.find_first_not_of('0'), exponent.size() - 1));
    const char sign = text[e + 1];
    return text.substr(0, e) + "E" + (sign == '-' ? "-" : "+") + exponent;
}

// Whether a format code shows dates or times: a date or time letter in its first section outside
// quoted text, escaped characters and brackets ([h], [mm] and [ss], elapsed time, count).
bool showsDateOrTime(std::u16string_view code) {
    if (code.empty() || isGeneralFormat(code)) return false;
    const auto lower = [](char16_t c) {
        return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c + 32) : c;
    };
    for (std::size_t i = 0; i < code.size(); ++i) {
        const char16_t c = lower(code[i]);
        if (c == u';') return false;
        if (c == u'"') {
            i = code.find(u'"', i + 1);
            if (i == std::u16string_view::npos) return false;
        } else if (c == u'\\' || c == u'_' || c == u'*') {
            ++i;
        } else if (c == u'[') {
            const std::size_t end = code.find(u']', i);
            if (end == std::u16string_view::npos) return false;
            const std::u16string_view inner = code.substr(i + 1, end - i - 1);
            if (!inner.empty() && std::all_of(inner.begin(), inner.end(), [&](char16_t x) {
                    const char16_t l = lower(x);
                    return l == u'h' || l == u'm' || l == u's';
                })) {
                return true;
            }
            i = end;
        } else if (c == u'y' || c == u'm' || c == u'd' || c == u'h' || c == u's' || c == u'g') {
            return true;
        } else if (c == u'e') {
            // E+ and E- are a scientific exponent; a lone e is the year of a Japanese era.
            const bool exponent =
                i + 1 < code.size() && (code[i + 1] == u'+' || code[i + 1] == u'-');
            if (!exponent) return true;
        }
    }
    return false;
}

// A serial day number as the format writes a date and time: 2024-03-15T08:30:00.000. Nothing
// for serials without a calendar date (negative ones, 0 and the fictitious 1900-02-29 of the 1900
// system, those past 9999-12-31), which are written as numbers.
std::optional<std::string> dateTimeText(double serial, bool date1904) {
    if (!(serial >= 0)) return std::nullopt;
    const long long ms = std::llround(serial * 86400000.0);
    const long long day = ms / 86400000;
    const long long msOfDay = ms % 86400000;
    const auto date = dateFromSerial(day, date1904);
    if (!date || date->day == 0 || (!date1904 && day == 60)) return std::nullopt;
    char buffer[48];
    std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02dT%02lld:%02lld:%02lld.%03lld", date->year,
                  date->month, date->day, msOfDay / 3600000, msOfDay / 60000 % 60,
                  msOfDay / 1000 % 60, msOfDay % 1000);
    return buffer;
}

template <std::size_t N>
const char* nameOf(const std::pair<std::int32_t, const char*> (&names)[N], std::int32_t value) {
    for (const auto& [v, name] : names)
        if (v == value) return name;
    return nullptr;
}

constexpr std::pair<std::int32_t, const char*> kHorizontal[] = {
    {excel::xlHAlignLeft, "Left"},
    {excel::xlHAlignCenter, "Center"},
    {excel::xlHAlignRight, "Right"},
    {excel::xlHAlignFill, "Fill"},
    {excel::xlHAlignJustify, "Justify"},
    {excel::xlHAlignCenterAcrossSelection, "CenterAcrossSelection"},
    {excel::xlHAlignDistributed, "Distributed"},
};
constexpr std::pair<std::int32_t, const char*> kVertical[] = {
    {excel::xlVAlignTop, "Top"},
    {excel::xlVAlignCenter, "Center"},
    {excel::xlVAlignJustify, "Justify"},
    {excel::xlVAlignDistributed, "Distributed"},
};
constexpr std::pair<std::int32_t, const char*> kLineStyles[] = {
    {excel::xlContinuous, "Continuous"},
    {excel::xlDash, "Dash"},
    {excel::xlDot, "Dot"},
    {excel::xlDashDot, "DashDot"},
    {excel::xlDashDotDot, "DashDotDot"},
    {excel::xlSlantDashDot, "SlantDashDot"},
    {excel::xlDouble, "Double"},
};
// ss:Weight of an XlBorderWeight; a hairline is written without one.
constexpr std::pair<std::int32_t, const char*> kWeights[] = {
    {excel::xlThin, "1"},
    {excel::xlMedium, "2"},
    {excel::xlThick, "3"},
};

// The styles of the cells written: one per distinct style element, named as Excel names them
// (s62, s63, ...), each listing only what differs from "Default".
class StyleTable {
public:
    explicit StyleTable(const XlsxWorkbook& workbook) : wb_(workbook) {}

    // The ss:ID of a cell format; empty when it writes as "Default".
    const std::string& idOf(std::uint32_t style) {
        const auto known = idOfFormat_.find(style);
        if (known != idOfFormat_.end()) return known->second;
        const std::string body = bodyOf(style);
        std::string id;
        if (!body.empty()) {
            const auto same = std::find_if(styles_.begin(), styles_.end(),
                                           [&](const auto& s) { return s.second == body; });
            if (same != styles_.end()) {
                id = same->first;
            } else {
                id = "s" + std::to_string(62 + styles_.size());
                styles_.emplace_back(id, body);
            }
        }
        return idOfFormat_.emplace(style, std::move(id)).first->second;
    }

    std::string xml() const {
        const FontInfo& standard = wb_.standardFont();
        std::string out =
            " <Styles>\n  <Style ss:ID=\"Default\" ss:Name=\"Normal\">\n"
            "   <Alignment ss:Vertical=\"Bottom\"/>\n   <Borders/>\n"
            "   <Font ss:FontName=\"" +
            escaped(standard.name) + "\" ss:Size=\"" + sizeText(standard.size) +
            "\"/>\n   <Interior/>\n   <NumberFormat/>\n   <Protection/>\n"
            "  </Style>\n";
        for (const auto& [id, body] : styles_)
            out += "  <Style ss:ID=\"" + id + "\">\n" + body + "  </Style>\n";
        return out + " </Styles>\n";
    }

private:
    std::string bodyOf(std::uint32_t style) const {
        const CellFormat& format = wb_.format(style);
        std::string body;

        std::string alignment;
        if (const char* h = nameOf(kHorizontal, format.horizontal))
            alignment += std::string(" ss:Horizontal=\"") + h + "\"";
        if (const char* v = nameOf(kVertical, format.vertical))
            alignment += std::string(" ss:Vertical=\"") + v + "\"";
        if (format.wrapText) alignment += " ss:WrapText=\"1\"";
        if (format.shrinkToFit) alignment += " ss:ShrinkToFit=\"1\"";
        if (!alignment.empty()) body += "   <Alignment" + alignment + "/>\n";

        // The cell's own edges, in Excel's order; the diagonals as the format names them.
        const BorderInfo& border = wb_.borderOf(style);
        const std::pair<const char*, const BorderEdge*> edges[] = {
            {"Bottom", &border.bottom},
            {"DiagonalLeft", border.diagonalDown ? &border.diagonal : nullptr},
            {"DiagonalRight", border.diagonalUp ? &border.diagonal : nullptr},
            {"Left", &border.left},
            {"Right", &border.right},
            {"Top", &border.top},
        };
        std::string borders;
        for (const auto& [position, edge] : edges) {
            const char* line = edge ? nameOf(kLineStyles, edge->style) : nullptr;
            if (!line) continue;
            borders += std::string("    <Border ss:Position=\"") + position + "\" ss:LineStyle=\"" +
                       line + "\"";
            if (const char* weight = nameOf(kWeights, edge->weight))
                borders += std::string(" ss:Weight=\"") + weight + "\"";
            borders += "/>\n";
        }
        if (!borders.empty()) body += "   <Borders>\n" + borders + "   </Borders>\n";

        const FontInfo& font = wb_.fontOf(style);
        const FontInfo& standard = wb_.standardFont();
        std::string fontAttributes;
        if (font.name != standard.name)
            fontAttributes += " ss:FontName=\"" + escaped(font.name) + "\"";
        if (font.size != standard.size)
            fontAttributes += " ss:Size=\"" + sizeText(font.size) + "\"";
        if (!fontAttributes.empty()) body += "   <Font" + fontAttributes + "/>\n";

        if (!wb_.isGeneralStyle(style))
            body += "   <NumberFormat ss:Format=\"" + escaped(wb_.formatCodeOf(style)) + "\"/>\n";
        return body;
    }

    const XlsxWorkbook& wb_;
    std::unordered_map<std::uint32_t, std::string> idOfFormat_;
    std::vector<std::pair<std::string, std::string>> styles_;  // ss:ID, the elements inside
};

class RangeWriter {
public:
    RangeWriter(const XlsxWorkbook& workbook, const Sheet& sheet, const CellRange& range)
        : wb_(workbook), sheet_(sheet), range_(range), styles_(workbook) {}

    std::string document() {
        std::string table = columns();
        std::uint32_t nextRow = 1;
        std::string cells = rowCells(range_.firstRow);
        for (std::uint32_t row = range_.firstRow; row <= range_.lastRow;) {
            // Rows without cells and of one height go in one element.
            const double height = wb_.rowHeight(sheet_, row);
            std::uint32_t last = row;
            std::string following = last < range_.lastRow ? rowCells(last + 1) : std::string();
            while (cells.empty() && last < range_.lastRow && following.empty() &&
                   wb_.rowHeight(sheet_, last + 1) == height) {
                ++last;
                following = last < range_.lastRow ? rowCells(last + 1) : std::string();
            }
            std::string attributes;
            const std::uint32_t index = row - range_.firstRow + 1;
            if (index != nextRow) attributes += " ss:Index=\"" + std::to_string(index) + "\"";
            if (last > row) attributes += " ss:Span=\"" + std::to_string(last - row) + "\"";
            if (height == 0) {
                attributes += " ss:Hidden=\"1\"";
            } else if (height != defaultRowHeight()) {
                attributes += " ss:AutoFitHeight=\"0\" ss:Height=\"" + sizeText(height) + "\"";
            }
            // Empty rows of the default height are left out; the next row written gives its index.
            const bool plain = cells.empty() && height == defaultRowHeight();
            if (!plain) {
                table += "   <Row" + attributes +
                         (cells.empty() ? "/>\n" : ">\n" + cells + "   </Row>\n");
                nextRow = index + (last - row) + 1;
            }
            cells = std::move(following);
            row = last + 1;
        }

        const std::uint32_t columnCount = range_.lastCol - range_.firstCol + 1;
        const std::uint32_t rowCount = range_.lastRow - range_.firstRow + 1;
        return "<?xml version=\"1.0\"?>\n<?mso-application progid=\"Excel.Sheet\"?>\n"
               "<Workbook xmlns=\"urn:schemas-microsoft-com:office:spreadsheet\"\n"
               " xmlns:o=\"urn:schemas-microsoft-com:office:office\"\n"
               " xmlns:x=\"urn:schemas-microsoft-com:office:excel\"\n"
               " xmlns:ss=\"urn:schemas-microsoft-com:office:spreadsheet\"\n"
               " xmlns:html=\"http://www.w3.org/TR/REC-html40\">\n" +
               styles_.xml() + " <Worksheet ss:Name=\"" + escaped(sheet_.name) +
               "\">\n  <Table ss:ExpandedColumnCount=\"" + std::to_string(columnCount) +
               "\" ss:ExpandedRowCount=\"" + std::to_string(rowCount) +
               "\" x:FullColumns=\"1\"\n   x:FullRows=\"1\" ss:DefaultColumnWidth=\"" +
               sizeText(wb_.defaultColumnPixels(sheet_) * 0.75) + "\" ss:DefaultRowHeight=\"" +
               sizeText(defaultRowHeight()) + "\">\n" + table +
               "  </Table>\n </Worksheet>\n</Workbook>\n";
    }

private:
    double defaultRowHeight() const { return sheet_.defaultRowHeight.value_or(15.0); }

    // The range's columns whose width is not the default, equal neighbours in one element.
    std::string columns() const {
        const int defaultPixels = wb_.defaultColumnPixels(sheet_);
        std::string out;
        std::uint32_t next = 1;
        for (std::uint32_t col = range_.firstCol; col <= range_.lastCol;) {
            const int pixels = wb_.columnPixels(sheet_, col);
            std::uint32_t last = col;
            while (last < range_.lastCol && wb_.columnPixels(sheet_, last + 1) == pixels) ++last;
            if (pixels != defaultPixels) {
                const std::uint32_t index = col - range_.firstCol + 1;
                out += "   <Column";
                if (index != next) out += " ss:Index=\"" + std::to_string(index) + "\"";
                out += pixels == 0
                           ? " ss:Hidden=\"1\" ss:AutoFitWidth=\"0\""
                           : " ss:AutoFitWidth=\"0\" ss:Width=\"" + sizeText(pixels * 0.75) + "\"";
                if (last > col) out += " ss:Span=\"" + std::to_string(last - col) + "\"";
                out += "/>\n";
                next = index + (last - col) + 1;
            }
            col = last + 1;
        }
        return out;
    }

    // The Cell elements of a row. A merged area whose top-left cell lies in the range is written
    // as the range holds it: its anchor with MergeAcross and MergeDown clipped to the range, its
    // other cells left out. One whose top-left cell lies outside (the range cuts it from above or
    // from the left) has no anchor to carry it, so its cells in the range are written as plain
    // cells.
    std::string rowCells(std::uint32_t row) {
        std::string out;
        std::uint32_t next = 1;
        for (std::uint32_t col = range_.firstCol; col <= range_.lastCol; ++col) {
            std::uint32_t across = 0, down = 0;
            if (const CellRange* merge = wb_.mergeAt(sheet_, row, col);
                merge && range_.contains(merge->firstRow, merge->firstCol)) {
                if (merge->firstRow != row || merge->firstCol != col) continue;
                across = std::min(merge->lastCol, range_.lastCol) - col;
                down = std::min(merge->lastRow, range_.lastRow) - row;
            }
            const std::uint32_t style = wb_.styleAt(sheet_, row, col);
            const std::string& id = styles_.idOf(style);
            const Cell* cell = wb_.findCell(sheet_, row, col);
            const std::string data = cell ? dataOf(*cell, style) : std::string();
            if (data.empty() && id.empty() && across == 0 && down == 0) continue;

            const std::uint32_t index = col - range_.firstCol + 1;
            out += "    <Cell";
            if (index != next) out += " ss:Index=\"" + std::to_string(index) + "\"";
            if (across > 0) out += " ss:MergeAcross=\"" + std::to_string(across) + "\"";
            if (down > 0) out += " ss:MergeDown=\"" + std::to_string(down) + "\"";
            if (!id.empty()) out += " ss:StyleID=\"" + id + "\"";
            out += data.empty() ? "/>\n" : ">" + data + "</Cell>\n";
            next = index + across + 1;
        }
        return out;
    }

    std::string dataOf(const Cell& cell, std::uint32_t style) const {
        switch (cell.type) {
            case CellType::blank:
                return {};
            case CellType::boolean:
                return std::string("<Data ss:Type=\"Boolean\">") + (cell.number != 0 ? "1" : "0") +
                       "</Data>";
            case CellType::error:
                return "<Data ss:Type=\"Error\">" + escaped(wb_.textOf(sheet_, cell).text) +
                       "</Data>";
            case CellType::number:
                if (showsDateOrTime(wb_.formatCodeOf(style))) {
                    if (const auto text = dateTimeText(cell.number, wb_.date1904()))
                        return "<Data ss:Type=\"DateTime\">" + *text + "</Data>";
                }
                return "<Data ss:Type=\"Number\">" + numberText(cell.number) + "</Data>";
            case CellType::string:
                return stringData(wb_.textOf(sheet_, cell), wb_.fontOf(style).size);
        }
        return {};
    }

    // Plain text, or rich text as HTML inside the data element when a run's size differs from
    // the cell's font: each run a Font element, with html:Size where it differs.
    static std::string stringData(const RichString& text, double cellSize) {
        const auto sizeOf = [&](const TextRun& run) {
            return std::isnan(run.size) ? cellSize : run.size;
        };
        const bool rich = std::any_of(text.runs.begin(), text.runs.end(),
                                      [&](const TextRun& run) { return sizeOf(run) != cellSize; });
        if (!rich) return "<Data ss:Type=\"String\">" + escaped(text.text) + "</Data>";
        std::string out = "<ss:Data ss:Type=\"String\" xmlns=\"http://www.w3.org/TR/REC-html40\">";
        std::size_t start = 0;
        for (const TextRun& run : text.runs) {
            const std::u16string_view piece = std::u16string_view(text.text).substr(
                std::min(start, text.text.size()), run.length);
            start += run.length;
            out += "<Font";
            if (sizeOf(run) != cellSize) out += " html:Size=\"" + sizeText(sizeOf(run)) + "\"";
            out += ">" + escaped(piece) + "</Font>";
        }
        return out + "</ss:Data>";
    }

    const XlsxWorkbook& wb_;
    const Sheet& sheet_;
    CellRange range_;
    StyleTable styles_;
};

}  // namespace

std::string spreadsheetMlOfRange(const XlsxWorkbook& workbook, const Sheet& sheet,
                                 const CellRange& range) {
    return RangeWriter(workbook, sheet, range).document();
}

}  // namespace tabrova::workbook
