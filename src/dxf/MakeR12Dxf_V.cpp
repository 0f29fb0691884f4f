#include "dxf/MakeR12Dxf_V.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>

#include "platform/AtomicFile.h"
#include "platform/CodePage.h"

namespace tabrova {
namespace {

void appendAscii(std::u16string& out, std::string_view ascii) {
    for (char ch : ascii) out.push_back(static_cast<char16_t>(static_cast<unsigned char>(ch)));
}

// Appends one group (code line and value line) to an item, separated from what the item already
// holds by CR LF.
void group(std::u16string& item, std::string_view code, std::string_view value) {
    if (!item.empty()) item += u"\r\n";
    appendAscii(item, code);
    item += u"\r\n";
    appendAscii(item, value);
}

void group(std::u16string& item, std::string_view code, std::u16string_view value) {
    if (!item.empty()) item += u"\r\n";
    appendAscii(item, code);
    item += u"\r\n";
    item += value;
}

void realGroup(std::u16string& item, std::string_view code, double value) {
    group(item, code, formatDxfReal(value));
}

void intGroup(std::u16string& item, std::string_view code, std::int32_t value) {
    group(item, code, std::to_string(value));
}

bool isSurrogate(char16_t c) { return c >= 0xD800 && c <= 0xDFFF; }

bool isControl(char16_t c) { return c < 0x20 || (c >= 0x7F && c <= 0x9F); }

bool representable(char16_t c, unsigned codePage) {
    return !isSurrogate(c) && platform::encodeCodePage(codePage, std::u16string_view(&c, 1));
}

void appendEscape(std::u16string& out, char16_t c) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    out += u"\\U+";
    for (int shift = 12; shift >= 0; shift -= 4)
        out.push_back(static_cast<char16_t>(kHex[(c >> shift) & 0xF]));
}

// Replaces every character the code page cannot represent by its \U+XXXX escape.
std::u16string escapeUnrepresentable(std::u16string_view text, unsigned codePage) {
    std::u16string out;
    out.reserve(text.size());
    for (char16_t c : text) {
        if (representable(c, codePage)) {
            out.push_back(c);
        } else {
            appendEscape(out, c);
        }
    }
    return out;
}

// Group 72 and 73 values from a text alignment code such as "ML".
void applyAlignCode(std::u16string_view code, std::int32_t& horizontal, std::int32_t& vertical) {
    auto horizontalOf = [&horizontal](char16_t c, bool oneChar) {
        switch (c) {
            case u'L':
                horizontal = 0;
                break;
            case u'C':
                horizontal = 1;
                break;
            case u'R':
                horizontal = 2;
                break;
            case u'A':
                if (oneChar) horizontal = 3;
                break;
            case u'M':
                if (oneChar) horizontal = 4;
                break;
            case u'F':
                if (oneChar) horizontal = 5;
                break;
            default:
                break;
        }
    };
    if (code.size() == 2) {
        switch (code[0]) {
            case u'M':
                vertical = 2;
                break;
            case u'T':
                vertical = 3;
                break;
            case u'B':
                vertical = 1;
                break;
            default:
                break;
        }
        horizontalOf(code[1], false);
    } else if (code.size() == 1) {
        horizontalOf(code[0], true);
        vertical = 0;
    }
}

}  // namespace

DxfLineList::DxfLineList() : DxfLineList(platform::systemAnsiCodePage()) {}

DxfLineList::DxfLineList(unsigned codePage) : codePage_(codePage) {}

std::vector<std::u16string> DxfLineList::lines() const {
    std::vector<std::u16string> out;
    for (const std::u16string& item : items_) {
        std::size_t start = 0;
        for (;;) {
            const std::size_t end = item.find(u"\r\n", start);
            out.emplace_back(item.substr(start, end - start));
            if (end == std::u16string::npos) break;
            start = end + 2;
        }
    }
    return out;
}

std::u16string DxfLineList::text() const {
    std::size_t size = 0;
    for (const std::u16string& item : items_) size += item.size() + 2;
    std::u16string out;
    out.reserve(size);
    for (const std::u16string& item : items_) {
        out += item;
        out += u"\r\n";
    }
    return out;
}

std::string DxfLineList::encoded() const {
    const std::u16string all = text();
    if (auto bytes = platform::encodeCodePage(codePage_, all)) return std::move(*bytes);
    // Only an item appended directly, not through the write operations, can get here.
    return platform::encodeCodePage(codePage_, escapeUnrepresentable(all, codePage_)).value();
}

std::string formatDxfReal(double value) {
    if (value == 0 || !std::isfinite(value)) return "0";
    // Scientific form with 15 significant digits: [-]d.ddddddddddddddde±x
    char buf[40];
    const auto result =
        std::to_chars(buf, buf + sizeof buf, value, std::chars_format::scientific, 14);
    const std::string_view sci(buf, static_cast<std::size_t>(result.ptr - buf));
    const bool negative = sci.front() == '-';
    const std::size_t ePos = sci.find('e');
    std::string digits;
    for (std::size_t i = negative ? 1 : 0; i < ePos; ++i) {
        if (sci[i] != '.') digits.push_back(sci[i]);
    }
    const int exponent = std::atoi(std::string(sci.substr(ePos + 1)).c_str());
    while (digits.size() > 1 && digits.back() == '0') digits.pop_back();

    std::string out;
    if (negative) out.push_back('-');
    if (exponent > -5 && exponent < 15) {
        if (exponent >= 0) {
            const std::size_t intDigits = static_cast<std::size_t>(exponent) + 1;
            out += digits.substr(0, intDigits);
            if (digits.size() < intDigits) out.append(intDigits - digits.size(), '0');
            if (digits.size() > intDigits) {
                out.push_back('.');
                out += digits.substr(intDigits);
            }
        } else {
            out += "0.";
            out.append(static_cast<std::size_t>(-exponent - 1), '0');
            out += digits;
        }
    } else {
        out.push_back(digits[0]);
        if (digits.size() > 1) {
            out.push_back('.');
            out += digits.substr(1);
        }
        out.push_back('E');
        if (exponent < 0) out.push_back('-');
        out += std::to_string(std::abs(exponent));
    }
    return out;
}

std::u16string dxfTextValue(std::u16string_view text, unsigned codePage) {
    bool clean = true;
    for (char16_t c : text) {
        if (isControl(c) && c != u'\t') {
            clean = false;
            break;
        }
    }
    if (clean && platform::encodeCodePage(codePage, text)) return std::u16string(text);

    std::u16string out;
    out.reserve(text.size());
    for (char16_t c : text) {
        if (c == u'\r') continue;
        if (isControl(c) && c != u'\t') {
            out.push_back(u' ');
        } else if (representable(c, codePage)) {
            out.push_back(c);
        } else {
            appendEscape(out, c);
        }
    }
    return out;
}

void dxfWriteHeader(DxfLineList& list) {
    list.clear();
    std::u16string header;
    group(header, "  0", "SECTION");
    group(header, "  2", "HEADER");
    group(header, "  9", "$ACADVER");
    group(header, "  1", "AC1009");
    // Names the code page of the texts, so that readers on any system decode them correctly.
    group(header, "  9", "$DWGCODEPAGE");
    group(header, "  3", "ANSI_" + std::to_string(list.codePage()));
    group(header, "  9", "$CELTYPE");
    group(header, "  6", "BYLAYER");
    group(header, "  9", "$CECOLOR");
    group(header, " 62", "256");
    group(header, "  0", "ENDSEC");
    list.append(std::move(header));

    std::u16string tables;
    group(tables, "  0", "SECTION");
    group(tables, "  2", "TABLES");
    list.append(std::move(tables));
}

void dxfWriteLtypeTable(DxfLineList& list) {
    std::u16string item;
    group(item, "  0", "TABLE");
    group(item, "  2", "LTYPE");
    group(item, " 70", "     2");
    group(item, "  0", "LTYPE");
    group(item, "  2", "CONTINUOUS");
    group(item, " 70", "     0");
    group(item, "  3", "Solid line");
    group(item, " 72", "    65");
    group(item, " 73", "     0");
    group(item, " 40", "0.0");
    group(item, "  0", "ENDTAB");
    list.append(std::move(item));
}

void dxfWriteLayerTable(DxfLineList& list) {
    struct Layer {
        std::string_view name;
        std::string_view color;
    };
    static constexpr Layer kLayers[] = {
        {"0", "     7"},
        {"XLSCellLine", "   252"},
        {"XLSCellText", "     7"},
        {"XLSBordLine", "     7"},
    };
    std::u16string item;
    group(item, "  0", "TABLE");
    group(item, "  2", "LAYER");
    group(item, " 70", "     4");
    for (const Layer& layer : kLayers) {
        group(item, "  0", "LAYER");
        group(item, "  2", layer.name);
        group(item, " 70", "     0");
        group(item, " 62", layer.color);
        group(item, "  6", "CONTINUOUS");
    }
    group(item, "  0", "ENDTAB");
    list.append(std::move(item));
}

void dxfBeginEntities(DxfLineList& list) {
    std::u16string item;
    group(item, "  0", "ENDSEC");
    group(item, "  0", "SECTION");
    group(item, "  2", "ENTITIES");
    list.append(std::move(item));
}

void dxfWriteLine(DxfLineList& list, const TAcadPoint& start, const TAcadPoint& end,
                  std::u16string_view layer, std::u16string_view lineType, std::int32_t color) {
    std::u16string item;
    item.reserve(160);
    group(item, "  0", "LINE");
    group(item, "  8", layer);
    group(item, "  6", lineType);
    intGroup(item, " 62", color);
    group(item, " 48", "1.0");
    realGroup(item, " 10", start.x);
    realGroup(item, " 20", start.y);
    realGroup(item, " 30", start.z);
    realGroup(item, " 11", end.x);
    realGroup(item, " 21", end.y);
    realGroup(item, " 31", end.z);
    list.append(std::move(item));
}

void dxfWritePolyline(DxfLineList& list, std::span<const TAcadPoint> points, std::int32_t lastIndex,
                      bool closed, std::u16string_view layer, std::u16string_view lineType,
                      std::int32_t color) {
    std::u16string item;
    group(item, "  0", "POLYLINE");
    group(item, "  8", layer);
    group(item, "  6", lineType);
    intGroup(item, " 62", color);
    group(item, " 48", "1.0");
    group(item, " 66", "1");
    group(item, " 10", "0.0");
    group(item, " 20", "0.0");
    group(item, " 30", "0.0");
    group(item, " 70", closed ? "1" : "0");
    // Never past the points actually given.
    const std::int64_t last =
        std::min<std::int64_t>(lastIndex, static_cast<std::int64_t>(points.size()) - 1);
    for (std::int64_t i = 0; i <= last; ++i) {
        const TAcadPoint& p = points[static_cast<std::size_t>(i)];
        group(item, "  0", "VERTEX");
        group(item, "  8", layer);
        realGroup(item, " 10", p.x);
        realGroup(item, " 20", p.y);
        group(item, " 30", "0.0");
    }
    group(item, "  0", "SEQEND");
    list.append(std::move(item));
}

void dxfWriteText(DxfLineList& list, std::u16string_view text, const TAcadPoint& first,
                  const TAcadPoint& second, double height, double widthFactor, double rotation,
                  std::int32_t horizontalJust, std::int32_t verticalAlign,
                  std::u16string_view alignCode, std::u16string_view layer, std::int32_t color) {
    applyAlignCode(alignCode, horizontalJust, verticalAlign);
    std::u16string item;
    item.reserve(200 + text.size());
    group(item, "  0", "TEXT");
    group(item, "  8", layer);
    group(item, "  7", "STANDARD");
    intGroup(item, " 62", color);
    realGroup(item, " 10", first.x);
    realGroup(item, " 20", first.y);
    realGroup(item, " 30", first.z);
    realGroup(item, " 11", second.x);
    realGroup(item, " 21", second.y);
    realGroup(item, " 31", second.z);
    group(item, "  1", dxfTextValue(text, list.codePage()));
    realGroup(item, " 40", height);
    realGroup(item, " 41", widthFactor);
    realGroup(item, " 50", rotation);
    group(item, " 51", "0.0");
    group(item, " 71", "0");
    intGroup(item, " 72", horizontalJust);
    intGroup(item, " 73", verticalAlign);
    list.append(std::move(item));
}

void dxfWriteEnd(DxfLineList& list) {
    std::u16string item;
    group(item, "  0", "ENDSEC");
    group(item, "  0", "EOF");
    list.append(std::move(item));
}

void dxfSaveToFile(const DxfLineList& list, const std::filesystem::path& path) {
    platform::saveFileAtomically(path, list.encoded());
}

}  // namespace tabrova
