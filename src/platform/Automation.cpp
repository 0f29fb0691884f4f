#include "platform/Automation.h"

#include <charconv>
#include <cmath>
#include <map>
#include <set>
#include <stdexcept>
#include <utility>

#include "platform/AutomationSystem.h"
#include "platform/Utf8.h"

namespace tabrova::automation {
namespace {

[[noreturn]] void throwTypeMismatch() {
    throw AutomationError(u"型が一致しません.", errors::typeMismatch);
}
[[noreturn]] void throwInvalidNull() {
    throw AutomationError(u"Null の使い方が不正です.", errors::typeMismatch);
}
[[noreturn]] void throwOverflow() {
    throw AutomationError(u"オーバーフローしました.", errors::overflow);
}

// A numeric text as VariantChangeType accepts it: optional blanks around, optional sign, digits
// with a full stop as decimal separator, optional exponent.
double parseNumber(std::u16string_view text) {
    std::size_t begin = 0;
    std::size_t end = text.size();
    while (begin < end && (text[begin] == u' ' || text[begin] == u'\t')) ++begin;
    while (end > begin && (text[end - 1] == u' ' || text[end - 1] == u'\t')) --end;
    std::string ascii;
    for (std::size_t i = begin; i < end; ++i) {
        if (text[i] > 0x7F) throwTypeMismatch();
        ascii.push_back(static_cast<char>(text[i]));
    }
    std::size_t start = 0;
    if (!ascii.empty() && ascii[0] == '+') start = 1;
    if (ascii.size() == start) throwTypeMismatch();
    // from_chars would accept "inf" and "nan", which are not numbers here.
    for (std::size_t i = start; i < ascii.size(); ++i) {
        const char c = ascii[i];
        if (!((c >= '0' && c <= '9') || c == '.' || c == '-' || c == '+' || c == 'e' || c == 'E')) {
            throwTypeMismatch();
        }
    }
    double value = 0;
    const auto [ptr, ec] =
        std::from_chars(ascii.data() + start, ascii.data() + ascii.size(), value);
    if (ec == std::errc::result_out_of_range) throwOverflow();
    if (ec != std::errc() || ptr != ascii.data() + ascii.size()) throwTypeMismatch();
    return value;
}

std::u16string ascii16(std::string_view text) { return std::u16string(text.begin(), text.end()); }

// General form with 15 significant digits: fixed notation for decimal exponents -5 < e < 15,
// otherwise d.dddE[-]e; no trailing zeros.
std::u16string formatGeneral(double value, char16_t decimalSeparator) {
    if (std::isnan(value)) return u"NaN";
    if (std::isinf(value)) return value < 0 ? u"-INF" : u"INF";
    if (value == 0) return u"0";
    char buffer[48];
    const auto result =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::scientific, 14);
    const std::string_view sci(buffer, static_cast<std::size_t>(result.ptr - buffer));
    const bool negative = sci[0] == '-';
    const std::size_t mantissaStart = negative ? 1 : 0;
    const std::size_t ePos = sci.find('e');
    std::string digits;
    for (std::size_t i = mantissaStart; i < ePos; ++i) {
        if (sci[i] != '.') digits.push_back(sci[i]);
    }
    int exponent = 0;
    std::from_chars(sci.data() + ePos + (sci[ePos + 1] == '+' ? 2 : 1), sci.data() + sci.size(),
                    exponent);
    while (digits.size() > 1 && digits.back() == '0') digits.pop_back();

    std::u16string out;
    if (negative) out.push_back(u'-');
    if (exponent > -5 && exponent < 15) {
        if (exponent >= 0) {
            const std::size_t intDigits = static_cast<std::size_t>(exponent) + 1;
            for (std::size_t i = 0; i < intDigits; ++i) {
                out.push_back(i < digits.size() ? static_cast<char16_t>(digits[i]) : u'0');
            }
            if (digits.size() > intDigits) {
                out.push_back(decimalSeparator);
                out += ascii16(std::string_view(digits).substr(intDigits));
            }
        } else {
            out.push_back(u'0');
            out.push_back(decimalSeparator);
            out.append(static_cast<std::size_t>(-exponent - 1), u'0');
            out += ascii16(digits);
        }
    } else {
        out.push_back(static_cast<char16_t>(digits[0]));
        if (digits.size() > 1) {
            out.push_back(decimalSeparator);
            out += ascii16(std::string_view(digits).substr(1));
        }
        out.push_back(u'E');
        if (exponent < 0) out.push_back(u'-');
        out += ascii16(std::to_string(std::abs(exponent)));
    }
    return out;
}

constexpr std::u16string_view standInPrefix = standInClassPrefix;

// Used from the user-interface thread only, like every automation call.
struct Registry {
    std::map<std::u16string, ObjectPtr> standIns;
    std::set<std::u16string> refused;
};

Registry& registry() {
    static Registry instance;
    return instance;
}

}  // namespace

std::u16string normalizeProgId(std::u16string_view progId) {
    std::u16string key;
    key.reserve(progId.size());
    for (char16_t c : progId) key.push_back(asciiLower(c));
    const std::size_t lastDot = key.rfind(u'.');
    if (lastDot != std::u16string::npos && lastDot + 1 < key.size() && key.find(u'.') < lastDot) {
        bool allDigits = true;
        for (std::size_t i = lastDot + 1; i < key.size(); ++i) {
            if (key[i] < u'0' || key[i] > u'9') allDigits = false;
        }
        if (allDigits) key.resize(lastDot);
    }
    return key;
}

Variant::Variant(VariantArray v) : value_(std::make_shared<const VariantArray>(std::move(v))) {}

const VariantArray* Variant::array() const {
    const VariantArrayPtr* array = get_if<VariantArrayPtr>();
    return array ? array->get() : nullptr;
}

VariantArray::VariantArray(std::size_t rows, std::size_t columns)
    : rows_(rows), columns_(columns), items_(rows * columns) {}

const Variant& VariantArray::at(std::size_t row, std::size_t column) const {
    if (row < 1 || row > rows_ || column < 1 || column > columns_) {
        throw std::out_of_range("VariantArray::at: (" + std::to_string(row) + ", " +
                                std::to_string(column) + ") lies outside the array");
    }
    return items_[(row - 1) * columns_ + (column - 1)];
}

Variant& VariantArray::at(std::size_t row, std::size_t column) {
    return const_cast<Variant&>(std::as_const(*this).at(row, column));
}

double Variant::toDouble() const {
    return std::visit(
        [](const auto& v) -> double {
            using T = std::decay_t<decltype(v)>;
            if constexpr (std::is_same_v<T, Empty>) {
                return 0.0;
            } else if constexpr (std::is_same_v<T, bool>) {
                return v ? -1.0 : 0.0;
            } else if constexpr (std::is_same_v<T, std::int32_t>) {
                return static_cast<double>(v);
            } else if constexpr (std::is_same_v<T, double>) {
                return v;
            } else if constexpr (std::is_same_v<T, std::u16string>) {
                return parseNumber(v);
            } else if constexpr (std::is_same_v<T, Null>) {
                throwInvalidNull();
            } else {
                throwTypeMismatch();
            }
        },
        value_);
}

std::int32_t Variant::toInt() const {
    if (const auto* i = get_if<std::int32_t>()) return *i;
    const double d = toDouble();
    // nearbyint rounds in the current rounding mode, which is to nearest with ties to even.
    const double rounded = std::nearbyint(d);
    if (!(rounded >= -2147483648.0 && rounded <= 2147483647.0)) throwOverflow();
    return static_cast<std::int32_t>(rounded);
}

bool Variant::toBool() const {
    if (const auto* b = get_if<bool>()) return *b;
    if (const auto* s = get_if<std::u16string>()) {
        if (sameAsciiNoCase(*s, u"true")) return true;
        if (sameAsciiNoCase(*s, u"false")) return false;
    }
    return toDouble() != 0.0;
}

std::u16string Variant::toText(char16_t decimalSeparator) const {
    return std::visit(
        [decimalSeparator](const auto& v) -> std::u16string {
            using T = std::decay_t<decltype(v)>;
            if constexpr (std::is_same_v<T, Empty>) {
                return {};
            } else if constexpr (std::is_same_v<T, bool>) {
                return v ? u"True" : u"False";
            } else if constexpr (std::is_same_v<T, std::int32_t>) {
                return ascii16(std::to_string(v));
            } else if constexpr (std::is_same_v<T, double>) {
                return formatGeneral(v, decimalSeparator);
            } else if constexpr (std::is_same_v<T, std::u16string>) {
                return v;
            } else if constexpr (std::is_same_v<T, Null>) {
                throwInvalidNull();
            } else {
                throwTypeMismatch();
            }
        },
        value_);
}

ObjectPtr Variant::toObject() const {
    if (const auto* object = get_if<ObjectPtr>(); object && *object) return *object;
    if (is<ObjectPtr>() || isEmpty() || isNull()) {
        throw AutomationError(u"オブジェクトが設定されていません.", errors::typeMismatch);
    }
    throwTypeMismatch();
}

AutomationError::AutomationError(std::u16string message, std::int32_t code)
    : std::runtime_error(utf16ToUtf8(message)), message_(std::move(message)), code_(code) {}

void registerStandIn(std::u16string_view progId, ObjectPtr application) {
    Registry& r = registry();
    r.standIns[normalizeProgId(progId)] = std::move(application);
}

void unregisterStandIn(std::u16string_view progId) {
    Registry& r = registry();
    r.standIns.erase(normalizeProgId(progId));
}

void setProgIdRefused(std::u16string_view progId, bool refused) {
    Registry& r = registry();
    if (refused) {
        r.refused.insert(normalizeProgId(progId));
    } else {
        r.refused.erase(normalizeProgId(progId));
    }
}

void initializeAutomation() { system::initialize(); }

bool runningApplicationsReachable() { return system::reachesOtherPrograms(); }

ClassId classIdFromProgId(std::u16string_view progId) {
    const std::u16string key = normalizeProgId(progId);
    const Registry& r = registry();
    if (r.standIns.count(key)) return ClassId{std::u16string(standInPrefix) + key};
    if (key.empty() || r.refused.count(key)) {
        throw AutomationError(u"クラス文字列が無効です.", errors::invalidClassString);
    }
    initializeAutomation();
    return system::classIdFromProgId(progId);
}

ObjectPtr activeObject(const ClassId& classId) {
    const std::u16string_view text = classId.text;
    if (text.substr(0, standInPrefix.size()) == standInPrefix) {
        const Registry& r = registry();
        const auto it = r.standIns.find(std::u16string(text.substr(standInPrefix.size())));
        return it == r.standIns.end() ? nullptr : it->second;
    }
    initializeAutomation();
    return system::activeObject(classId);
}

}  // namespace tabrova::automation
