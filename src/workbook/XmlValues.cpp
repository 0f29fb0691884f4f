#include "workbook/XmlValues.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace tabrova::workbook {

std::optional<double> parseDouble(const char* text) {
    while (*text == ' ') ++text;
    if (*text == '+') ++text;
    const char* end = text + std::strlen(text);
    while (end > text && end[-1] == ' ') --end;
    double value = 0;
    const auto [ptr, ec] = std::from_chars(text, end, value);
    if (ec != std::errc() || ptr != end || !std::isfinite(value)) return std::nullopt;
    return value;
}

std::optional<std::uint64_t> parseUnsigned(const char* text) {
    std::uint64_t value = 0;
    const char* end = text + std::strlen(text);
    const auto [ptr, ec] = std::from_chars(text, end, value);
    if (ec != std::errc() || ptr != end || ptr == text) return std::nullopt;
    return value;
}

bool isTrue(const char* text) {
    return std::strcmp(text, "1") == 0 || std::strcmp(text, "true") == 0;
}

std::int32_t clampStyle(std::uint64_t v) {
    return static_cast<std::int32_t>(std::min<std::uint64_t>(v, 0x7FFFFFFF));
}

std::u16string unescapeText(std::u16string text) {
    if (text.find(u"_x") == std::u16string::npos) return text;
    std::u16string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == u'_' && i + 6 < text.size() && text[i + 1] == u'x' && text[i + 6] == u'_') {
            char16_t value = 0;
            bool hex = true;
            for (std::size_t k = i + 2; k < i + 6; ++k) {
                const char16_t c = text[k];
                int d = -1;
                if (c >= u'0' && c <= u'9') d = c - u'0';
                if (c >= u'a' && c <= u'f') d = c - u'a' + 10;
                if (c >= u'A' && c <= u'F') d = c - u'A' + 10;
                if (d < 0) {
                    hex = false;
                    break;
                }
                value = static_cast<char16_t>(value * 16 + d);
            }
            if (hex) {
                out.push_back(value);
                i += 6;
                continue;
            }
        }
        out.push_back(text[i]);
    }
    return out;
}

std::optional<double> isoToSerial(const char* text, bool date1904) {
    int y = 0, mo = 0, d = 0, h = 0, mi = 0;
    double s = 0;
    const int n = std::sscanf(text, "%d-%d-%dT%d:%d:%lf", &y, &mo, &d, &h, &mi, &s);
    if (n < 3 || mo < 1 || mo > 12 || d < 1 || d > 31) return std::nullopt;
    // Days from 1970-01-01 (civil calendar).
    const int yy = y - (mo <= 2);
    const int era = (yy >= 0 ? yy : yy - 399) / 400;
    const int yoe = yy - era * 400;
    const int doy = (153 * (mo + (mo > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const int doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    const double days = era * 146097.0 + doe - 719468.0;
    double serial = date1904 ? days + 24107.0 : days + 25569.0;
    if (!date1904 && serial < 61) serial -= 1;  // before the sheet's fictitious 1900-02-29
    return serial + (h * 3600.0 + mi * 60.0 + s) / 86400.0;
}

}  // namespace tabrova::workbook
