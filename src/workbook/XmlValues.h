// Values as workbook parts write them: cell references, numbers, dates and escaped texts.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tabrova::workbook {

// Parses one cell reference at text[pos...], advancing pos. Columns and rows may exceed the
// sheet; the caller checks the limits.
template <class Char>
bool parseCellRef(std::basic_string_view<Char> text, std::size_t& pos, std::uint64_t& row,
                  std::uint64_t& col) {
    if (pos < text.size() && text[pos] == '$') ++pos;
    col = 0;
    std::size_t letters = 0;
    while (pos < text.size() && letters < 4) {
        Char c = text[pos];
        if (c >= 'a' && c <= 'z') c = static_cast<Char>(c - 32);
        if (c < 'A' || c > 'Z') break;
        col = col * 26 + static_cast<std::uint64_t>(c - 'A' + 1);
        ++pos;
        ++letters;
    }
    if (letters == 0) return false;
    if (pos < text.size() && text[pos] == '$') ++pos;
    row = 0;
    std::size_t digits = 0;
    while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9' && digits < 8) {
        row = row * 10 + static_cast<std::uint64_t>(text[pos] - '0');
        ++pos;
        ++digits;
    }
    return digits > 0;
}

// A decimal number; spaces around it and a leading plus sign are allowed, infinities are not.
std::optional<double> parseDouble(const char* text);
// An unsigned decimal number and nothing else.
std::optional<std::uint64_t> parseUnsigned(const char* text);
// "1" and "true", as the file format writes a true Boolean.
bool isTrue(const char* text);
// Style indexes beyond the int32 range are kept at its maximum.
std::int32_t clampStyle(std::uint64_t v);
// Decodes the _xHHHH_ escapes with which the file format stores characters XML cannot carry.
std::u16string unescapeText(std::u16string text);
// Days since the date system's epoch of an ISO 8601 date-time ("2024-03-01T12:00:00").
std::optional<double> isoToSerial(const char* text, bool date1904);

}  // namespace tabrova::workbook
