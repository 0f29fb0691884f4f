#include "settings/Settings.h"

#include <charconv>
#include <cmath>
#include <cstdlib>

#include "settings/IniFile.h"
#include "settings/RecentBooks.h"

namespace tabrova {
namespace {

constexpr std::u16string_view kVarnekto = u"Varnekto";
constexpr std::u16string_view kTarget = u"Target";
constexpr std::u16string_view kOptions = u"Options";
constexpr std::u16string_view kMainWindow = u"MainWindow";
constexpr std::u16string_view kRecentBooks = u"RecentBooks";
constexpr std::u16string_view kGeometryKeys[] = {u"left", u"top", u"width", u"height"};

std::u16string recentBookKey(std::size_t index) {
    const std::string number = std::to_string(index + 1);
    return u"book" + std::u16string(number.begin(), number.end());
}

std::u16string_view trimBlanks(std::u16string_view s) {
    while (!s.empty() && (s.front() == u' ' || s.front() == u'\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == u' ' || s.back() == u'\t')) s.remove_suffix(1);
    return s;
}

bool isDigit(char16_t c) { return c >= u'0' && c <= u'9'; }

int hexValue(char16_t c) {
    if (isDigit(c)) return c - u'0';
    if (c >= u'a' && c <= u'f') return c - u'a' + 10;
    if (c >= u'A' && c <= u'F') return c - u'A' + 10;
    return -1;
}

std::u16string ascii(std::string_view s) { return std::u16string(s.begin(), s.end()); }

double readDouble(const IniFile& ini, std::u16string_view key, double fallback, char16_t sep) {
    const auto text = ini.value(kVarnekto, key);
    if (!text) return fallback;
    return parseSettingsDouble(*text, sep).value_or(fallback);
}

std::int32_t readInteger(const IniFile& ini, std::u16string_view key, std::int32_t fallback,
                         std::u16string_view section = kVarnekto) {
    const auto text = ini.value(section, key);
    if (!text) return fallback;
    return parseSettingsInteger(*text).value_or(fallback);
}

}  // namespace

std::u16string formatSettingsDouble(double value, char16_t decimalSeparator) {
    if (std::isnan(value)) return u"NAN";
    if (std::isinf(value)) return value < 0 ? u"-INF" : u"INF";
    if (value == 0) return u"0";

    // 15 significant digits, rounded once: "d.dddddddddddddde±x".
    char buffer[64];
    const auto result =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::scientific, 14);
    std::string_view sci(buffer, static_cast<std::size_t>(result.ptr - buffer));
    const bool negative = sci.front() == '-';
    if (negative) sci.remove_prefix(1);
    const std::size_t ePos = sci.find('e');
    const int exponent = std::atoi(std::string(sci.substr(ePos + 1)).c_str());
    std::string digits;
    for (char c : sci.substr(0, ePos)) {
        if (c != '.') digits.push_back(c);
    }
    while (digits.size() > 1 && digits.back() == '0') digits.pop_back();

    std::u16string out = negative ? u"-" : u"";
    if (exponent < -5 || exponent >= 15) {
        out.push_back(static_cast<char16_t>(digits[0]));
        if (digits.size() > 1) {
            out.push_back(decimalSeparator);
            out += ascii(std::string_view(digits).substr(1));
        }
        out += u"E";
        if (exponent < 0) out += u"-";
        out += ascii(std::to_string(std::abs(exponent)));
    } else if (exponent < 0) {
        out += u"0";
        out.push_back(decimalSeparator);
        out += std::u16string(static_cast<std::size_t>(-exponent - 1), u'0');
        out += ascii(digits);
    } else {
        const auto intDigits = static_cast<std::size_t>(exponent) + 1;
        if (digits.size() <= intDigits) {
            out += ascii(digits) + std::u16string(intDigits - digits.size(), u'0');
        } else {
            out += ascii(std::string_view(digits).substr(0, intDigits));
            out.push_back(decimalSeparator);
            out += ascii(std::string_view(digits).substr(intDigits));
        }
    }
    return out;
}

std::optional<double> parseSettingsDouble(std::u16string_view text, char16_t decimalSeparator) {
    text = trimBlanks(text);
    std::string ascii;
    std::size_t i = 0;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) {
        if (text[i] == u'-') ascii.push_back('-');
        ++i;
    }
    std::size_t mantissaDigits = 0;
    bool separatorSeen = false;
    for (; i < text.size(); ++i) {
        const char16_t c = text[i];
        if (isDigit(c)) {
            ascii.push_back(static_cast<char>(c));
            ++mantissaDigits;
        } else if ((c == decimalSeparator || c == u'.') && !separatorSeen) {
            ascii.push_back('.');
            separatorSeen = true;
        } else {
            break;
        }
    }
    if (mantissaDigits == 0) return std::nullopt;
    if (i < text.size() && (text[i] == u'e' || text[i] == u'E')) {
        ascii.push_back('e');
        ++i;
        if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) {
            ascii.push_back(static_cast<char>(text[i]));
            ++i;
        }
        std::size_t exponentDigits = 0;
        for (; i < text.size() && isDigit(text[i]); ++i, ++exponentDigits) {
            ascii.push_back(static_cast<char>(text[i]));
        }
        if (exponentDigits == 0) return std::nullopt;
    }
    if (i != text.size()) return std::nullopt;

    double value = 0;
    const auto result = std::from_chars(ascii.data(), ascii.data() + ascii.size(), value);
    if (result.ec != std::errc() || result.ptr != ascii.data() + ascii.size() ||
        !std::isfinite(value)) {
        return std::nullopt;
    }
    return value;
}

std::optional<std::int32_t> parseSettingsInteger(std::u16string_view text) {
    text = trimBlanks(text);
    bool negative = false;
    if (!text.empty() && (text.front() == u'+' || text.front() == u'-')) {
        negative = text.front() == u'-';
        text.remove_prefix(1);
    }
    if (text.empty()) return std::nullopt;
    if (text.front() == u'$' ||
        (text.size() > 1 && text[0] == u'0' && (text[1] == u'x' || text[1] == u'X'))) {
        text.remove_prefix(text.front() == u'$' ? 1 : 2);
        if (text.empty() || text.size() > 8) return std::nullopt;
        std::uint32_t bits = 0;
        for (char16_t c : text) {
            const int v = hexValue(c);
            if (v < 0) return std::nullopt;
            bits = bits << 4 | static_cast<std::uint32_t>(v);
        }
        if (negative) bits = 0u - bits;
        return static_cast<std::int32_t>(bits);
    }
    std::int64_t value = 0;
    for (char16_t c : text) {
        if (!isDigit(c)) return std::nullopt;
        value = value * 10 + (c - u'0');
        if (value > std::int64_t{1} << 31) return std::nullopt;
    }
    if (negative) value = -value;
    if (value > INT32_MAX || value < INT32_MIN) return std::nullopt;
    return static_cast<std::int32_t>(value);
}

WorkingSettings loadSettings(const std::filesystem::path& file, char16_t decimalSeparator,
                             unsigned codePage) {
    const IniFile ini = IniFile::load(file, codePage);
    WorkingSettings s;
    s.colXsc = readDouble(ini, u"colXsc", s.colXsc, decimalSeparator);
    s.rowYsc = readDouble(ini, u"rowYsc", s.rowYsc, decimalSeparator);
    s.cadXsc = readDouble(ini, u"cadXsc", s.cadXsc, decimalSeparator);
    s.cadYsc = readDouble(ini, u"cadYsc", s.cadYsc, decimalSeparator);
    s.cadTsc = readDouble(ini, u"cadTsc", s.cadTsc, decimalSeparator);
    s.cadTof = readDouble(ini, u"cadTof", s.cadTof, decimalSeparator);
    s.cellLineColor = readInteger(ini, u"cellLineColor", s.cellLineColor);
    s.cellLineDraw = readInteger(ini, u"cellLineDraw", s.cellLineDraw ? 1 : 0) != 0;
    s.xlsVerNum = readInteger(ini, u"xlsVerNum", s.xlsVerNum);
    s.targetProgID = ini.value(kTarget, u"ProgID").value_or(s.targetProgID);
    s.excelPID = ini.value(kTarget, u"ExcelPID").value_or(s.excelPID);
    auto readOption = [&](std::u16string_view key) {
        return readInteger(ini, key, 0, kOptions) != 0;
    };
    s.options.borderStyles = readOption(u"borderStyles");
    s.options.verticalAlign = readOption(u"verticalAlign");
    s.options.wrapText = readOption(u"wrapText");
    s.options.fitText = readOption(u"fitText");
    s.readPerCell = readOption(u"readPerCell");

    // The geometry counts only whole: one key missing or damaged and the window starts afresh.
    std::optional<std::int32_t> geometry[4];
    for (std::size_t i = 0; i < 4; ++i) {
        if (const auto text = ini.value(kMainWindow, kGeometryKeys[i])) {
            geometry[i] = parseSettingsInteger(*text);
        }
    }
    if (geometry[0] && geometry[1] && geometry[2].value_or(0) > 0 && geometry[3].value_or(0) > 0) {
        s.windowGeometry = ScreenRect{*geometry[0], *geometry[1], *geometry[2], *geometry[3]};
    }
    s.windowMaximized = readInteger(ini, u"maximized", 0, kMainWindow) != 0;
    std::vector<std::u16string> books;
    for (std::size_t i = 0; i < kMaxRecentBooks; ++i) {
        books.push_back(ini.value(kRecentBooks, recentBookKey(i)).value_or(std::u16string()));
    }
    s.recentBooks = cleanedRecentBooks(books);
    return s;
}

void saveSettings(const std::filesystem::path& file, const WorkingSettings& s,
                  char16_t decimalSeparator, unsigned codePage) {
    // Read what is there now, so that keys and sections of others survive the save.
    IniFile ini = IniFile::load(file, codePage);
    auto writeDouble = [&](std::u16string_view key, double v) {
        ini.setValue(kVarnekto, key, formatSettingsDouble(v, decimalSeparator));
    };
    auto writeInteger = [&](std::u16string_view key, std::int32_t v) {
        ini.setValue(kVarnekto, key, ascii(std::to_string(v)));
    };
    writeDouble(u"colXsc", s.colXsc);
    writeDouble(u"rowYsc", s.rowYsc);
    writeDouble(u"cadXsc", s.cadXsc);
    writeDouble(u"cadYsc", s.cadYsc);
    writeDouble(u"cadTsc", s.cadTsc);
    writeDouble(u"cadTof", s.cadTof);
    writeInteger(u"cellLineColor", s.cellLineColor);
    writeInteger(u"cellLineDraw", s.cellLineDraw ? 1 : 0);
    writeInteger(u"xlsVerNum", s.xlsVerNum);
    ini.setValue(kTarget, u"ProgID", s.targetProgID);
    ini.setValue(kTarget, u"ExcelPID", s.excelPID);
    auto writeOption = [&](std::u16string_view key, bool on) {
        ini.setValue(kOptions, key, on ? u"1" : u"0");
    };
    writeOption(u"borderStyles", s.options.borderStyles);
    writeOption(u"verticalAlign", s.options.verticalAlign);
    writeOption(u"wrapText", s.options.wrapText);
    writeOption(u"fitText", s.options.fitText);
    writeOption(u"readPerCell", s.readPerCell);
    if (s.windowGeometry) {
        const std::int32_t values[] = {s.windowGeometry->x, s.windowGeometry->y,
                                       s.windowGeometry->width, s.windowGeometry->height};
        for (std::size_t i = 0; i < 4; ++i) {
            ini.setValue(kMainWindow, kGeometryKeys[i], ascii(std::to_string(values[i])));
        }
    }
    ini.setValue(kMainWindow, u"maximized", s.windowMaximized ? u"1" : u"0");
    const std::vector<std::u16string> books = cleanedRecentBooks(s.recentBooks);
    for (std::size_t i = 0; i < kMaxRecentBooks; ++i) {
        ini.setValue(kRecentBooks, recentBookKey(i), i < books.size() ? books[i] : u"");
    }
    ini.save(file);
}

}  // namespace tabrova
