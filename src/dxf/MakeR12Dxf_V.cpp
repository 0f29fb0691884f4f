#include "dxf/MakeR12Dxf_V.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>

#include "platform/AtomicFile.h"
#include "platform/CodePage.h"

namespace tabrova {
namespace {

// Longest result: "-d.ddddddddddddddE-ddd".
constexpr std::size_t kRealChars = 32;

// Writes the real number into out (kRealChars at least); returns the number of characters.
std::size_t formatReal(double value, char* out) {
    char* const begin = out;
    if (value == 0 || !std::isfinite(value)) {
        *out = '0';
        return 1;
    }
    // Scientific form rounded to 15 significant digits: [-]d.ddddddddddddddde±x
    char sci[kRealChars];
    const auto result =
        std::to_chars(sci, sci + sizeof sci, value, std::chars_format::scientific, 14);
    const char* p = sci;
    if (*p == '-') {
        *out++ = '-';
        ++p;
    }
    char digits[15];
    std::size_t count = 0;
    for (; *p != 'e'; ++p) {
        if (*p != '.') digits[count++] = *p;
    }
    int exponent = 0;
    std::from_chars(p + (p[1] == '+' ? 2 : 1), result.ptr, exponent);
    while (count > 1 && digits[count - 1] == '0') --count;

    if (exponent > -5 && exponent < 15) {
        if (exponent >= 0) {
            const std::size_t intDigits = static_cast<std::size_t>(exponent) + 1;
            for (std::size_t i = 0; i < intDigits; ++i) *out++ = i < count ? digits[i] : '0';
            if (count > intDigits) {
                *out++ = '.';
                for (std::size_t i = intDigits; i < count; ++i) *out++ = digits[i];
            }
        } else {
            *out++ = '0';
            *out++ = '.';
            for (int i = -1; i > exponent; --i) *out++ = '0';
            for (std::size_t i = 0; i < count; ++i) *out++ = digits[i];
        }
    } else {
        *out++ = digits[0];
        if (count > 1) {
            *out++ = '.';
            for (std::size_t i = 1; i < count; ++i) *out++ = digits[i];
        }
        *out++ = 'E';
        out = std::to_chars(out, begin + kRealChars, exponent).ptr;
    }
    return static_cast<std::size_t>(out - begin);
}

bool isSurrogate(char16_t c) { return c >= 0xD800 && c <= 0xDFFF; }

bool isControl(char16_t c) { return c < 0x20 || (c >= 0x7F && c <= 0x9F); }

bool representable(char16_t c, unsigned codePage) {
    return !isSurrogate(c) && platform::encodeCodePage(codePage, std::u16string_view(&c, 1));
}

constexpr char kHex[] = "0123456789ABCDEF";

bool isHighSurrogate(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool isLowSurrogate(char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

// Replaces every character the code page cannot represent by its \U+XXXX escape; a character
// the escape cannot hold (beyond the BMP, or a stray surrogate) becomes the geta mark.
std::u16string escapeUnrepresentable(std::u16string_view text, unsigned codePage) {
    std::u16string out;
    out.reserve(text.size());
    const char16_t replacement =
        representable(kBeyondEscapeReplacement, codePage) ? kBeyondEscapeReplacement : u'?';
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char16_t c = text[i];
        if (representable(c, codePage)) {
            out.push_back(c);
        } else if (isSurrogate(c)) {
            out.push_back(replacement);
            if (isHighSurrogate(c) && i + 1 < text.size() && isLowSurrogate(text[i + 1])) ++i;
        } else {
            out += u"\\U+";
            for (int shift = 12; shift >= 0; shift -= 4)
                out.push_back(static_cast<char16_t>(kHex[(c >> shift) & 0xF]));
        }
    }
    return out;
}

// Appends the text in the code page, unrepresentable characters as their escapes. Every ANSI
// code page keeps ASCII as it is.
void appendEncoded(std::string& out, std::u16string_view text, unsigned codePage) {
    if (std::all_of(text.begin(), text.end(), [](char16_t c) { return c < 0x80; })) {
        for (char16_t c : text) out.push_back(static_cast<char>(c));
    } else if (auto bytes = platform::encodeCodePage(codePage, text)) {
        out += *bytes;
    } else {
        out += platform::encodeCodePage(codePage, escapeUnrepresentable(text, codePage)).value();
    }
}

// Control characters would break the file's line structure: carriage returns are dropped, the
// others (except tab) become spaces.
std::u16string withoutControls(std::u16string_view text) {
    std::u16string out;
    out.reserve(text.size());
    for (char16_t c : text) {
        if (c == u'\r') continue;
        out.push_back(isControl(c) && c != u'\t' ? u' ' : c);
    }
    return out;
}

bool hasControls(std::u16string_view text) {
    return std::any_of(text.begin(), text.end(),
                       [](char16_t c) { return isControl(c) && c != u'\t'; });
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

DxfLineList::DxfLineList() : DxfLineList(platform::dxfCodePage()) {}

DxfLineList::DxfLineList(unsigned codePage) : codePage_(codePage) {}

namespace {
constexpr std::size_t kStreamPieceBytes = std::size_t{1} << 20;
}

DxfLineList::DxfLineList(DxfByteWriter writer)
    : DxfLineList(platform::dxfCodePage(), std::move(writer)) {}

DxfLineList::DxfLineList(unsigned codePage, DxfByteWriter writer)
    : codePage_(codePage), writer_(std::move(writer)) {
    bytes_.reserve(kStreamPieceBytes + 4096);
}

void DxfLineList::flush() {
    if (!writer_ || bytes_.empty()) return;
    writer_(bytes_);
    bytes_.clear();
}

void DxfLineList::itemEnded() {
    ++itemCount_;
    if (writer_ && bytes_.size() >= kStreamPieceBytes) flush();
}

std::size_t charactersBeyondEscape(std::u16string_view text) {
    std::size_t count = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (!isSurrogate(text[i])) continue;
        ++count;
        if (isHighSurrogate(text[i]) && i + 1 < text.size() && isLowSurrogate(text[i + 1])) ++i;
    }
    return count;
}

void DxfLineList::append(std::u16string_view item) {
    appendEncoded(bytes_, item, codePage_);
    bytes_ += "\r\n";
    itemEnded();
}

// Writes one item group by group straight into the list's bytes.
class DxfItemWriter {
public:
    explicit DxfItemWriter(DxfLineList& list) : list_(list), out_(list.bytes_) {}

    void group(std::string_view code, std::string_view value) {
        line(code);
        line(value);
    }
    void group(std::string_view code, std::u16string_view value) {
        line(code);
        line({});
        appendEncoded(out_, value, list_.codePage_);
    }
    void real(std::string_view code, double value) {
        char buf[kRealChars];
        group(code, std::string_view(buf, formatReal(value, buf)));
    }
    void integer(std::string_view code, std::int32_t value) {
        char buf[16];
        group(code, std::string_view(buf, std::to_chars(buf, buf + sizeof buf, value).ptr));
    }
    void end() {
        out_ += "\r\n";
        list_.itemEnded();
    }

private:
    void line(std::string_view ascii) {
        if (!first_) out_ += "\r\n";
        first_ = false;
        out_ += ascii;
    }

    DxfLineList& list_;
    std::string& out_;
    bool first_ = true;
};

std::u16string DxfLineList::text() const { return platform::decodeCodePage(codePage_, bytes_); }

std::vector<std::u16string> DxfLineList::lines() const {
    const std::u16string all = text();
    std::vector<std::u16string> out;
    std::size_t start = 0;
    while (start < all.size()) {
        const std::size_t end = all.find(u"\r\n", start);
        out.emplace_back(all.substr(start, end - start));
        start = end + 2;
    }
    return out;
}

std::string formatDxfReal(double value) {
    char buf[kRealChars];
    return std::string(buf, formatReal(value, buf));
}

std::int32_t dxfLayerColor(std::u16string_view layer) {
    for (const DxfLayer& known : kDxfLayers) {
        if (known.name == layer) return known.color;
    }
    for (const DxfLayer& known : kDxfBorderWeightLayers) {
        if (known.name == layer) return known.color;
    }
    return 7;
}

std::span<const double> dxfLineTypeElements(std::u16string_view lineType) {
    for (const DxfLineType& known : kDxfBorderLineTypes) {
        if (known.name == lineType) return known.elements;
    }
    return {};
}

void dxfTextJustification(std::u16string_view alignCode, std::int32_t& horizontalJust,
                          std::int32_t& verticalAlign) {
    applyAlignCode(alignCode, horizontalJust, verticalAlign);
}

std::u16string dxfTextWithoutControls(std::u16string_view text) { return withoutControls(text); }

std::u16string dxfTextValue(std::u16string_view text, unsigned codePage) {
    return escapeUnrepresentable(withoutControls(text), codePage);
}

void dxfWriteHeader(DxfLineList& list) {
    list.clear();
    DxfItemWriter header(list);
    header.group("  0", "SECTION");
    header.group("  2", "HEADER");
    header.group("  9", "$ACADVER");
    header.group("  1", "AC1009");
    // Names the code page of the texts, so that readers on any system decode them correctly.
    header.group("  9", "$DWGCODEPAGE");
    header.group("  3", "ANSI_" + std::to_string(list.codePage()));
    header.group("  9", "$CELTYPE");
    header.group("  6", "BYLAYER");
    header.group("  9", "$CECOLOR");
    header.group(" 62", "256");
    header.group("  0", "ENDSEC");
    header.end();

    DxfItemWriter tables(list);
    tables.group("  0", "SECTION");
    tables.group("  2", "TABLES");
    tables.end();
}

namespace {

// A table integer: right-aligned in 6 characters.
std::string tableInteger(std::int32_t value) {
    char text[16];
    std::snprintf(text, sizeof text, "%6d", static_cast<int>(value));
    return text;
}

void writeContinuousLtype(DxfItemWriter& item) {
    item.group("  0", "LTYPE");
    item.group("  2", "CONTINUOUS");
    item.group(" 70", "     0");
    item.group("  3", "Solid line");
    item.group(" 72", "    65");
    item.group(" 73", "     0");
    item.group(" 40", "0.0");
}

void writeLayers(DxfItemWriter& item, std::span<const DxfLayer> layers) {
    for (const DxfLayer& layer : layers) {
        item.group("  0", "LAYER");
        item.group("  2", layer.name);
        item.group(" 70", "     0");
        item.group(" 62", tableInteger(layer.color));
        item.group("  6", "CONTINUOUS");
    }
}

}  // namespace

void dxfWriteLtypeTable(DxfLineList& list) {
    DxfItemWriter item(list);
    item.group("  0", "TABLE");
    item.group("  2", "LTYPE");
    item.group(" 70", "     2");
    writeContinuousLtype(item);
    item.group("  0", "ENDTAB");
    item.end();
}

void dxfWriteLayerTable(DxfLineList& list) {
    DxfItemWriter item(list);
    item.group("  0", "TABLE");
    item.group("  2", "LAYER");
    item.group(" 70", "     4");
    writeLayers(item, kDxfLayers);
    item.group("  0", "ENDTAB");
    item.end();
}

void dxfWriteBorderStyleLtypeTable(DxfLineList& list, double unitsPerPoint) {
    DxfItemWriter item(list);
    item.group("  0", "TABLE");
    item.group("  2", "LTYPE");
    item.group(" 70", tableInteger(static_cast<std::int32_t>(1 + std::size(kDxfBorderLineTypes))));
    writeContinuousLtype(item);
    for (const DxfLineType& type : kDxfBorderLineTypes) {
        double total = 0;
        for (double e : type.elements) total += std::fabs(e) * unitsPerPoint;
        item.group("  0", "LTYPE");
        item.group("  2", type.name);
        item.group(" 70", "     0");
        item.group("  3", type.description);
        item.group(" 72", "    65");
        item.group(" 73", tableInteger(static_cast<std::int32_t>(type.elements.size())));
        item.real(" 40", total);
        for (double e : type.elements) item.real(" 49", e * unitsPerPoint);
    }
    item.group("  0", "ENDTAB");
    item.end();
}

void dxfWriteBorderStyleLayerTable(DxfLineList& list) {
    DxfItemWriter item(list);
    item.group("  0", "TABLE");
    item.group("  2", "LAYER");
    item.group(" 70", tableInteger(static_cast<std::int32_t>(std::size(kDxfLayers) +
                                                             std::size(kDxfBorderWeightLayers))));
    writeLayers(item, kDxfLayers);
    writeLayers(item, kDxfBorderWeightLayers);
    item.group("  0", "ENDTAB");
    item.end();
}

void dxfBeginEntities(DxfLineList& list) {
    DxfItemWriter item(list);
    item.group("  0", "ENDSEC");
    item.group("  0", "SECTION");
    item.group("  2", "ENTITIES");
    item.end();
}

void dxfWriteLine(DxfLineList& list, const TAcadPoint& start, const TAcadPoint& end,
                  std::u16string_view layer, std::u16string_view lineType, std::int32_t color) {
    DxfItemWriter item(list);
    item.group("  0", "LINE");
    item.group("  8", layer);
    item.group("  6", lineType);
    item.integer(" 62", color);
    item.group(" 48", "1.0");
    item.real(" 10", start.x);
    item.real(" 20", start.y);
    item.real(" 30", start.z);
    item.real(" 11", end.x);
    item.real(" 21", end.y);
    item.real(" 31", end.z);
    item.end();
}

void dxfWritePolyline(DxfLineList& list, std::span<const TAcadPoint> points, std::int32_t lastIndex,
                      bool closed, std::u16string_view layer, std::u16string_view lineType,
                      std::int32_t color) {
    DxfItemWriter item(list);
    item.group("  0", "POLYLINE");
    item.group("  8", layer);
    item.group("  6", lineType);
    item.integer(" 62", color);
    item.group(" 48", "1.0");
    item.group(" 66", "1");
    item.group(" 10", "0.0");
    item.group(" 20", "0.0");
    item.group(" 30", "0.0");
    item.group(" 70", closed ? "1" : "0");
    // Never past the points actually given.
    const std::int64_t last =
        std::min<std::int64_t>(lastIndex, static_cast<std::int64_t>(points.size()) - 1);
    for (std::int64_t i = 0; i <= last; ++i) {
        const TAcadPoint& p = points[static_cast<std::size_t>(i)];
        item.group("  0", "VERTEX");
        item.group("  8", layer);
        item.real(" 10", p.x);
        item.real(" 20", p.y);
        item.group(" 30", "0.0");
    }
    item.group("  0", "SEQEND");
    item.end();
}

void dxfWriteText(DxfLineList& list, std::u16string_view text, const TAcadPoint& first,
                  const TAcadPoint& second, double height, double widthFactor, double rotation,
                  std::int32_t horizontalJust, std::int32_t verticalAlign,
                  std::u16string_view alignCode, std::u16string_view layer, std::int32_t color) {
    applyAlignCode(alignCode, horizontalJust, verticalAlign);
    DxfItemWriter item(list);
    item.group("  0", "TEXT");
    item.group("  8", layer);
    item.group("  7", "STANDARD");
    item.integer(" 62", color);
    item.real(" 10", first.x);
    item.real(" 20", first.y);
    item.real(" 30", first.z);
    item.real(" 11", second.x);
    item.real(" 21", second.y);
    item.real(" 31", second.z);
    if (hasControls(text)) {
        item.group("  1", withoutControls(text));
    } else {
        item.group("  1", text);
    }
    item.real(" 40", height);
    item.real(" 41", widthFactor);
    item.real(" 50", rotation);
    item.group(" 51", "0.0");
    item.group(" 71", "0");
    item.integer(" 72", horizontalJust);
    item.integer(" 73", verticalAlign);
    item.end();
}

void dxfWriteEnd(DxfLineList& list) {
    DxfItemWriter item(list);
    item.group("  0", "ENDSEC");
    item.group("  0", "EOF");
    item.end();
}

void dxfSaveToFile(const DxfLineList& list, const std::filesystem::path& path) {
    platform::saveFileAtomically(path, list.encoded());
}

}  // namespace tabrova
