#include "cli/TableJson.h"

#include <charconv>
#include <cmath>

#include "platform/Utf8.h"

namespace tabrova::cli {

namespace {

void appendJsonString(std::string& out, std::u16string_view text) {
    const std::string utf8 = utf16ToUtf8(text);
    out += '"';
    for (unsigned char c : utf8) {
        switch (c) {
            case '"':
                out += "\\\"";
                break;
            case '\\':
                out += "\\\\";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\t':
                out += "\\t";
                break;
            default:
                if (c < 0x20) {
                    static const char hex[] = "0123456789abcdef";
                    out += "\\u00";
                    out += hex[c >> 4];
                    out += hex[c & 15];
                } else {
                    out += static_cast<char>(c);
                }
        }
    }
    out += '"';
}

}  // namespace

std::string jsonNumber(double value) {
    if (!std::isfinite(value)) return "null";  // JSON has no infinities
    if (value == 0) return "0";
    char buffer[64];
    const auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, ec == std::errc() ? end : buffer);
}

std::string tableJson(const DumpInfo& info, const CellTable& table) {
    std::string out;
    auto field = [&](const char* name) {
        out += '"';
        out += name;
        out += "\": ";
    };
    out += "{ ";
    field("workbook");
    appendJsonString(out, info.workbook);
    out += ", ";
    field("sheet");
    appendJsonString(out, info.sheet);
    out += ", ";
    field("first");
    appendJsonString(out, info.first);
    out += ", ";
    field("last");
    appendJsonString(out, info.last);
    out += ", ";
    field("colCount");
    out += std::to_string(table.colCount) + ", ";
    field("rowCount");
    out += std::to_string(table.rowCount) + ",\n  ";
    field("settings");
    out += "{\"cadXsc\": " + jsonNumber(info.cadXsc) + ", \"cadYsc\": " + jsonNumber(info.cadYsc) +
           ", \"cadTsc\": " + jsonNumber(info.cadTsc) + ", \"cadTof\": " + jsonNumber(info.cadTof) +
           ", \"cellLineDraw\": " + (info.cellLineDraw ? "true" : "false") + "},\n  ";
    field("cells");
    out += "[";
    for (std::size_t i = 0; i < table.cells.size(); ++i) {
        const TXlsxCellAttr& c = table.cells[i];
        out += i == 0 ? "\n    { " : ",\n    { ";
        auto integer = [&](const char* name, long long v) {
            field(name);
            out += std::to_string(v) + ", ";
        };
        auto boolean = [&](const char* name, bool v) {
            field(name);
            out += v ? "true, " : "false, ";
        };
        auto real = [&](const char* name, double v, bool last = false) {
            field(name);
            out += jsonNumber(v);
            if (!last) out += ", ";
        };
        integer("colW", c.colW);
        integer("rowH", c.rowH);
        integer("txtSize", c.txtSize);
        integer("txtAlign", c.txtAlign);
        field("str");
        appendJsonString(out, c.str);
        out += ", ";
        integer("lineBits", c.lineBits);
        boolean("cellMerge", c.cellMerge);
        integer("mergerowYscount", c.mergerowYscount);
        integer("mergecolXscount", c.mergecolXscount);
        integer("mergeLeft", c.mergeLeft);
        integer("mergeTop", c.mergeTop);
        integer("mergeW", c.mergeW);
        integer("mergeH", c.mergeH);
        integer("mergeBits", c.mergeBits);
        boolean("mark", c.mark);
        real("drawW", c.drawW);
        real("drawH", c.drawH);
        real("drawMW", c.drawMW);
        real("drawMH", c.drawMH);
        real("drawTH", c.drawTH, true);
        out += " }";
    }
    out += table.cells.empty() ? "] }\n" : "\n  ] }\n";
    return out;
}

}  // namespace tabrova::cli
