#include "workbook/NumberFormat.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <tuple>
#include <unordered_map>
#include <utility>
#include <vector>

#include "platform/Utf8.h"
#include "workbook/DateSerial.h"

namespace tabrova::workbook {

namespace {

// Codes longer than this (Excel itself takes 255 characters) are cut, so that parsing and the
// output stay bounded for any input.
constexpr size_t kMaxCodeLength = 1024;
// Most denominator digits a fraction uses.
constexpr int kMaxDenominatorDigits = 9;
// The General format's own limit: characters besides the minus sign.
constexpr int kGeneralChars = 11;

std::u16string widen(std::string_view s) { return {s.begin(), s.end()}; }

bool startsWithNoCase(std::u16string_view s, size_t pos, std::u16string_view word) {
    if (s.size() - pos < word.size()) return false;
    for (size_t i = 0; i < word.size(); ++i) {
        if (asciiLower(s[pos + i]) != word[i]) return false;
    }
    return true;
}

// ---------------------------------------------------------------------------------------------
// Decimal digits. Excel shows at most 15 significant digits and rounds the shown digits half
// away from zero on that 15-digit form (so 2.675 shows 2.68 under "0.00", and 0.1+0.2 is 0.3).

// A positive finite number as 15 significant digits d[0..14], d[0] standing at 10^exp10.
struct Significant {
    std::string digits;
    int exp10 = 0;
};

Significant significant(double a) {
    char buf[40];
    const auto r = std::to_chars(buf, buf + sizeof buf, a, std::chars_format::scientific, 14);
    *r.ptr = '\0';  // d.dddddddddddddde±XX
    Significant s;
    s.digits.push_back(buf[0]);
    s.digits.append(buf + 2, 14);
    s.exp10 = std::atoi(buf + 17);
    return s;
}

// Keeps the first `keep` digits (keep >= 0), rounding half up; a carry out of the top digit
// adds a digit and raises `top`.
std::string roundDigits(const std::string& digits, int keep, int& top) {
    if (keep >= static_cast<int>(digits.size())) return digits;
    std::string d = digits.substr(0, static_cast<size_t>(keep));
    if (digits[static_cast<size_t>(keep)] >= '5') {
        int i = keep - 1;
        while (i >= 0 && d[static_cast<size_t>(i)] == '9') d[static_cast<size_t>(i--)] = '0';
        if (i >= 0) {
            ++d[static_cast<size_t>(i)];
        } else {
            d.insert(d.begin(), '1');
            ++top;
        }
    }
    return d;
}

struct Fixed {
    std::string intDigits;   // without leading zeros; empty for 0
    std::string fracDigits;  // exactly the requested count
    bool isZero() const {
        return intDigits.empty() && fracDigits.find_first_not_of('0') == std::string::npos;
    }
};

// The digits of s, read with its first digit at 10^top, rounded to `decimals` places.
Fixed toFixed(const Significant& s, int top, int decimals) {
    Fixed f;
    std::string d;
    const int keep = top + decimals + 1;
    if (keep >= 0) d = roundDigits(s.digits, keep, top);
    const bool any = d.find_first_not_of('0') != std::string::npos;
    auto digitAt = [&](int power) {
        const int idx = top - power;
        return idx >= 0 && idx < static_cast<int>(d.size()) ? d[static_cast<size_t>(idx)] : '0';
    };
    if (any) {
        for (int p = top; p >= 0; --p) f.intDigits.push_back(digitAt(p));
        const size_t nz = f.intDigits.find_first_not_of('0');
        f.intDigits.erase(0, nz == std::string::npos ? f.intDigits.size() : nz);
    }
    for (int p = -1; p >= -decimals; --p) f.fracDigits.push_back(any ? digitAt(p) : '0');
    return f;
}

Fixed toFixed(double a, int decimals) {
    if (!(a > 0)) return toFixed(Significant{"0", 0}, 0, decimals);
    const Significant s = significant(a);
    return toFixed(s, s.exp10, decimals);
}

// ---------------------------------------------------------------------------------------------
// General

int significantCount(const std::string& text) {
    const size_t end = std::min(text.find('E'), text.size());
    size_t first = std::string::npos, last = 0;
    for (size_t i = 0; i < end; ++i) {
        if (text[i] >= '1' && text[i] <= '9') {
            if (first == std::string::npos) first = i;
            last = i;
        }
    }
    if (first == std::string::npos) return 0;
    int n = 0;
    for (size_t i = first; i <= last; ++i) n += text[i] >= '0' && text[i] <= '9' ? 1 : 0;
    return n;
}

void stripTrailingZeros(std::string& frac) {
    while (!frac.empty() && frac.back() == '0') frac.pop_back();
}

std::string exponentText(int e) {
    std::string digits = std::to_string(std::abs(e));
    if (digits.size() < 2) digits.insert(0, 1, '0');
    return (e < 0 ? "E-" : "E+") + digits;
}

// Exponent form of s in at most `limit` characters, mantissa trimmed of trailing zeros.
std::string generalExponent(const Significant& s, int limit) {
    int top = s.exp10;
    const int expLen = static_cast<int>(exponentText(top).size());
    const int avail = limit - expLen;
    if (avail < 1) return {};
    const int decimals = std::min(avail >= 3 ? avail - 2 : 0, 14);
    const std::string d = roundDigits(s.digits, decimals + 1, top);
    if (static_cast<int>(exponentText(top).size()) != expLen) {
        // The carry lengthened the exponent (E+99 to E+100): fewer decimals fit.
        return generalExponent(Significant{d + std::string(15 - d.size(), '0'), top}, limit);
    }
    std::string frac = d.substr(1);
    stripTrailingZeros(frac);
    std::string out(1, d[0]);
    if (!frac.empty()) out += "." + frac;
    out += exponentText(top);
    return static_cast<int>(out.size()) <= limit ? out : std::string();
}

// General form of a > 0 in at most `limit` characters: the decimal form when it shows at least
// as many significant digits as the exponent form, else the exponent form; empty when neither
// fits.
std::string generalMagnitude(double a, int limit) {
    const Significant s = significant(a);
    std::string decimal;
    if (s.exp10 + 1 <= limit) {
        const int decimals = std::max(0, s.exp10 >= 0 ? limit - (s.exp10 + 1) - 1 : limit - 2);
        Fixed f = toFixed(s, s.exp10, decimals);
        if (!f.isZero()) {
            stripTrailingZeros(f.fracDigits);
            decimal = f.intDigits.empty() ? "0" : f.intDigits;
            if (!f.fracDigits.empty()) decimal += "." + f.fracDigits;
            if (static_cast<int>(decimal.size()) > limit) decimal.clear();
        }
    }
    // The decimal form wins outright when it shows every significant digit.
    const size_t lastDigit = s.digits.find_last_not_of('0');
    const int allDigits = lastDigit == std::string::npos ? 0 : static_cast<int>(lastDigit) + 1;
    if (!decimal.empty() && significantCount(decimal) >= allDigits) return decimal;
    const std::string exponent = generalExponent(s, limit);
    if (!decimal.empty() &&
        (exponent.empty() || significantCount(decimal) >= significantCount(exponent))) {
        return decimal;
    }
    return exponent;
}

std::u16string generalText(double value, int maxChars) {
    if (!std::isfinite(value)) return u"#NUM!";
    if (value == 0) return maxChars >= 1 ? u"0" : u"";
    const int sign = value < 0 ? 1 : 0;
    const std::string m = generalMagnitude(std::fabs(value), maxChars - sign);
    if (m.empty()) return {};
    return (sign ? u"-" : u"") + widen(m);
}

// ---------------------------------------------------------------------------------------------
// Format codes: tokens and sections.

// What a token of a format code stands for.
enum class TokenKind : unsigned char {
    Lit,
    Zero,
    Hash,
    Quest,
    Point,
    Comma,
    Percent,
    Slash,
    Denom,
    Exp,
    At,
    General,
    // Date and time tokens from here on.
    Year2,
    Year4,
    Month,
    Month2,
    MonthAbbr,
    MonthName,
    MonthLetter,
    Day,
    Day2,
    DayAbbr,
    DayName,
    JDayAbbr,
    JDayName,
    Hour,
    Hour2,
    Minute,
    Minute2,
    Second,
    Second2,
    SubSec,
    AmPm,
    AP,
    ElapsedH,
    ElapsedM,
    ElapsedS,
    Era,
    Era2,
    Era3,
    EraYear,
    EraYear2,
    BuddhistYear2,
    BuddhistYear4,
};

bool isDateKind(TokenKind k) { return k >= TokenKind::Year2; }
bool isPlaceholder(TokenKind k) {
    return k == TokenKind::Zero || k == TokenKind::Hash || k == TokenKind::Quest;
}

struct Tok {
    TokenKind kind;
    std::u16string text;  // literal text, or the code's own characters for other tokens
    int width = 0;        // digits shown: elapsed time, sub-seconds, the exponent
    int denominator = 0;  // TokenKind::Denom: the fixed denominator
};

enum class Op { Lt, Le, Gt, Ge, Eq, Ne };

// What a section formats: numbers, dates and times, or text (it holds @).
enum class SectionKind { Number, Date, Text };

struct Section {
    std::vector<Tok> toks;
    SectionKind kind = SectionKind::Number;
    bool hasCond = false;
    Op op = Op::Eq;
    double operand = 0;
    bool gannen = false;    // era year 1 shown as 元
    bool japanese = false;  // a Japanese locale tag: weekdays and AM/PM in Japanese
    int dbnum = 0;          // [DBNum1]–[DBNum3]: the numbers in Japanese numerals
    // Number sections.
    bool grouping = false;
    int scaleDigits = 0;  // divide by 10^scaleDigits (trailing commas)
    int percent = 0;
    int intPh = 0, decPh = 0;
    int pointIdx = -1, expIdx = -1, slashIdx = -1;
    // A fraction's numerator and denominator placeholders: [numStart, numEnd), [denStart, denEnd).
    int numStart = -1, numEnd = -1, denStart = -1, denEnd = -1;
    // Date sections.
    bool ampm = false;
    int subsecDigits = 0;
    bool needsDate = false;

    bool test(double v) const {
        switch (op) {
            case Op::Lt:
                return v < operand;
            case Op::Le:
                return v <= operand;
            case Op::Gt:
                return v > operand;
            case Op::Ge:
                return v >= operand;
            case Op::Eq:
                return v == operand;
            case Op::Ne:
                return v != operand;
        }
        return false;
    }
    // A condition that only negative numbers meet shows them without their minus sign.
    bool onlyNegative() const {
        return (op == Op::Lt && operand <= 0) || (op == Op::Le && operand < 0) ||
               (op == Op::Eq && operand < 0);
    }
};

struct Format {
    std::vector<Section> sections;
    int numberSections = 0;  // the first ones, for numbers
    int textSection = -1;
};

void addLit(std::vector<Tok>& toks, std::u16string_view text) {
    if (text.empty()) return;
    if (!toks.empty() && toks.back().kind == TokenKind::Lit) {
        toks.back().text += text;
    } else {
        toks.push_back({TokenKind::Lit, std::u16string(text)});
    }
}

void parseCondition(std::u16string_view body, Section& sec) {
    static constexpr std::pair<std::u16string_view, Op> kOps[] = {{u"<=", Op::Le}, {u"<>", Op::Ne},
                                                                  {u">=", Op::Ge}, {u"<", Op::Lt},
                                                                  {u">", Op::Gt},  {u"=", Op::Eq}};
    for (const auto& [text, op] : kOps) {
        if (!body.starts_with(text)) continue;
        std::string number;
        for (char16_t c : body.substr(text.size())) {
            if (c > 0x7f || number.size() > 64) return;
            if (c != u' ') number.push_back(static_cast<char>(c));
        }
        if (!number.empty() && number[0] == '+') number.erase(0, 1);
        double operand = 0;
        const char* end = number.data() + number.size();
        const auto r = std::from_chars(number.data(), end, operand);
        if (number.empty() || r.ec != std::errc() || r.ptr != end || !std::isfinite(operand)) {
            return;
        }
        sec.hasCond = true;
        sec.op = op;
        sec.operand = operand;
        return;
    }
}

// The token of a one-character symbol; Lit for any other character.
TokenKind symbolKind(char16_t c) {
    switch (c) {
        case u'0':
            return TokenKind::Zero;
        case u'#':
            return TokenKind::Hash;
        case u'?':
            return TokenKind::Quest;
        case u'.':
            return TokenKind::Point;
        case u',':
            return TokenKind::Comma;
        case u'%':
            return TokenKind::Percent;
        case u'@':
            return TokenKind::At;
        default:
            return TokenKind::Lit;
    }
}

// Tokens of one section's code. Returns a replacement code when a locale tag asks for the
// system's long date or time format.
std::u16string_view tokenize(std::u16string_view src, Section& sec) {
    std::u16string_view replacement;
    auto& toks = sec.toks;
    const size_t n = src.size();
    size_t i = 0;
    auto run = [&](char16_t letter) {
        size_t j = i;
        while (j < n && asciiLower(src[j]) == letter) ++j;
        return static_cast<int>(j - i);
    };
    while (i < n) {
        const char16_t c = src[i];
        const char16_t lc = asciiLower(c);
        const std::u16string_view here = src.substr(i, 1);
        if (c == u'"') {
            const size_t close = src.find(u'"', i + 1);
            const size_t end = close == std::u16string_view::npos ? n : close;
            addLit(toks, src.substr(i + 1, end - i - 1));
            i = end == n ? n : end + 1;
        } else if (c == u'\\' || c == u'!') {
            if (i + 1 < n) addLit(toks, src.substr(i + 1, 1));
            i += 2;
        } else if (c == u'_') {
            addLit(toks, u" ");  // the width of the next character: one space
            i += 2;
        } else if (c == u'*') {
            i += 2;  // fill to the column's width: nothing in a text of its own
        } else if (c == u'[') {
            const size_t close = src.find(u']', i + 1);
            if (close == std::u16string_view::npos) {
                addLit(toks, src.substr(i));
                break;
            }
            const std::u16string_view body = src.substr(i + 1, close - i - 1);
            const std::u16string whole(src.substr(i, close - i + 1));
            i = close + 1;
            if (body.empty()) continue;
            const char16_t b0 = asciiLower(body[0]);
            if (b0 == u'<' || b0 == u'>' || b0 == u'=') {
                parseCondition(body, sec);
            } else if ((b0 == u'h' || b0 == u'm' || b0 == u's') &&
                       std::all_of(body.begin(), body.end(),
                                   [&](char16_t ch) { return asciiLower(ch) == b0; })) {
                const TokenKind k = b0 == u'h'   ? TokenKind::ElapsedH
                                    : b0 == u'm' ? TokenKind::ElapsedM
                                                 : TokenKind::ElapsedS;
                toks.push_back({k, whole, static_cast<int>(std::min<size_t>(body.size(), 9))});
            } else if (b0 == u'$') {
                const std::u16string_view rest = body.substr(1);
                const size_t dash = rest.find(u'-');
                addLit(toks, rest.substr(0, dash));
                if (dash != std::u16string_view::npos) {
                    std::u16string locale;
                    for (char16_t ch : rest.substr(dash + 1)) locale.push_back(asciiLower(ch));
                    if (locale.find(u"gannen") != std::u16string::npos) sec.gannen = true;
                    // "411", "0411", "ja", "ja-JP"; a calendar in the upper digits is allowed.
                    const bool hex =
                        !locale.empty() && locale.size() <= 8 &&
                        locale.find_first_not_of(u"0123456789abcdef") == std::u16string::npos;
                    if (locale.starts_with(u"ja") ||
                        (hex && locale.size() >= 3 && locale.ends_with(u"411"))) {
                        sec.japanese = true;
                    }
                    // The system's long date and time formats, as a Japanese Windows has them.
                    if (locale == u"f800" || locale == u"x-sysdate") {
                        replacement = u"yyyy\"年\"m\"月\"d\"日\"";
                    }
                    if (locale == u"f400" || locale == u"x-systime") replacement = u"h:mm:ss";
                }
            } else if (body.size() == 6 && startsWithNoCase(body, 0, u"dbnum") && body[5] >= u'1' &&
                       body[5] <= u'3') {
                sec.dbnum = body[5] - u'0';
            }
            // Colours, [NatNum…] and the like do not change the text.
        } else if (const TokenKind k = symbolKind(c); k != TokenKind::Lit) {
            toks.push_back({k, std::u16string(here)});
            ++i;
        } else if (c == u'/') {
            size_t j = i + 1;
            if (j < n && src[j] >= u'1' && src[j] <= u'9') {
                int denom = 0;
                while (j < n && src[j] >= u'0' && src[j] <= u'9') {
                    if (denom < 100000) denom = denom * 10 + (src[j] - u'0');
                    ++j;
                }
                toks.push_back({TokenKind::Denom, std::u16string(src.substr(i, j - i)), 0, denom});
                i = j;
            } else {
                toks.push_back({TokenKind::Slash, std::u16string(here)});
                ++i;
            }
        } else if (lc == u'e' && i + 2 < n && (src[i + 1] == u'+' || src[i + 1] == u'-') &&
                   isPlaceholder(symbolKind(src[i + 2]))) {
            toks.push_back({TokenKind::Exp, std::u16string(src.substr(i, 2))});
            i += 2;
        } else if (startsWithNoCase(src, i, u"general")) {
            toks.push_back({TokenKind::General, std::u16string(src.substr(i, 7))});
            i += 7;
        } else if (startsWithNoCase(src, i, u"am/pm")) {
            toks.push_back({TokenKind::AmPm, std::u16string(src.substr(i, 5))});
            i += 5;
        } else if (startsWithNoCase(src, i, u"a/p")) {
            toks.push_back({TokenKind::AP, std::u16string(src.substr(i, 3))});
            i += 3;
        } else if (lc == u'a' && run(u'a') >= 3) {
            const int len = run(u'a');
            toks.push_back({len == 3 ? TokenKind::JDayAbbr : TokenKind::JDayName,
                            std::u16string(src.substr(i, len))});
            i += static_cast<size_t>(len);
        } else if (lc == u'b' && i + 1 < n && (src[i + 1] == u'1' || src[i + 1] == u'2')) {
            i += 2;  // a calendar switch (Gregorian / Hijri): dates stay Gregorian
        } else if (lc == u'b') {
            // The Buddhist era year: b and bb in two digits, bbb and more in full.
            const int len = run(lc);
            toks.push_back({len <= 2 ? TokenKind::BuddhistYear2 : TokenKind::BuddhistYear4,
                            std::u16string(src.substr(i, static_cast<size_t>(len)))});
            i += static_cast<size_t>(len);
        } else if (lc == u'r') {
            // r is the era year in two digits (ee); rr the era name with it (gggee).
            const int len = run(lc);
            const std::u16string text(src.substr(i, static_cast<size_t>(len)));
            if (len >= 2) toks.push_back({TokenKind::Era3, text});
            toks.push_back({TokenKind::EraYear2, text});
            i += static_cast<size_t>(len);
        } else if (lc == u'y' || lc == u'm' || lc == u'd' || lc == u'h' || lc == u's' ||
                   lc == u'e' || lc == u'g') {
            const int len = run(lc);
            TokenKind k = TokenKind::Lit;
            switch (lc) {
                case u'y':
                    k = len <= 2 ? TokenKind::Year2 : TokenKind::Year4;
                    break;
                case u'm':
                    k = len == 1   ? TokenKind::Month
                        : len == 2 ? TokenKind::Month2
                        : len == 3 ? TokenKind::MonthAbbr
                        : len == 5 ? TokenKind::MonthLetter
                                   : TokenKind::MonthName;
                    break;
                case u'd':
                    k = len == 1   ? TokenKind::Day
                        : len == 2 ? TokenKind::Day2
                        : len == 3 ? TokenKind::DayAbbr
                                   : TokenKind::DayName;
                    break;
                case u'h':
                    k = len == 1 ? TokenKind::Hour : TokenKind::Hour2;
                    break;
                case u's':
                    k = len == 1 ? TokenKind::Second : TokenKind::Second2;
                    break;
                case u'e':
                    k = len == 1 ? TokenKind::EraYear : TokenKind::EraYear2;
                    break;
                default:
                    k = len == 1 ? TokenKind::Era : len == 2 ? TokenKind::Era2 : TokenKind::Era3;
                    break;
            }
            toks.push_back({k, std::u16string(src.substr(i, static_cast<size_t>(len)))});
            i += static_cast<size_t>(len);
        } else {
            addLit(toks, here);
            ++i;
        }
    }
    return replacement;
}

// The code's own characters of a token that has no meaning where it stands.
void toLiteral(Tok& t) { t.kind = TokenKind::Lit; }

void analyseDate(Section& sec) {
    auto& toks = sec.toks;
    // m and mm are minutes right after an hour or right before a second.
    for (size_t i = 0; i < toks.size(); ++i) {
        if (toks[i].kind != TokenKind::Month && toks[i].kind != TokenKind::Month2) continue;
        bool minute = false;
        for (size_t j = i; j-- > 0;) {
            if (!isDateKind(toks[j].kind)) continue;
            const TokenKind k = toks[j].kind;
            minute = k == TokenKind::Hour || k == TokenKind::Hour2 || k == TokenKind::ElapsedH;
            break;
        }
        for (size_t j = i + 1; !minute && j < toks.size(); ++j) {
            if (!isDateKind(toks[j].kind)) continue;
            const TokenKind k = toks[j].kind;
            minute = k == TokenKind::Second || k == TokenKind::Second2 || k == TokenKind::ElapsedS;
            break;
        }
        if (minute)
            toks[i].kind =
                toks[i].kind == TokenKind::Month ? TokenKind::Minute : TokenKind::Minute2;
    }
    std::vector<Tok> out;
    for (size_t i = 0; i < toks.size(); ++i) {
        Tok t = toks[i];
        if (t.kind == TokenKind::Point && i + 1 < toks.size() &&
            toks[i + 1].kind == TokenKind::Zero) {
            int digits = 0;
            while (i + 1 < toks.size() && toks[i + 1].kind == TokenKind::Zero) ++digits, ++i;
            t.kind = TokenKind::SubSec;
            t.width = std::min(digits, 3);
            sec.subsecDigits = std::max(sec.subsecDigits, t.width);
        } else if (!isDateKind(t.kind)) {
            toLiteral(t);
        }
        if (t.kind == TokenKind::AmPm || t.kind == TokenKind::AP) sec.ampm = true;
        if ((t.kind >= TokenKind::Year2 && t.kind <= TokenKind::JDayName) ||
            t.kind >= TokenKind::Era) {
            sec.needsDate = true;
        }
        if (t.kind == TokenKind::Lit) {
            addLit(out, t.text);
        } else {
            out.push_back(std::move(t));
        }
    }
    toks = std::move(out);
}

// The first index from i in direction step (+1/-1) that is not a literal of spaces only.
int skipSpaces(const std::vector<Tok>& toks, int i, int step) {
    while (i >= 0 && i < static_cast<int>(toks.size()) &&
           toks[static_cast<size_t>(i)].kind == TokenKind::Lit &&
           toks[static_cast<size_t>(i)].text.find_first_not_of(u' ') == std::u16string::npos) {
        i += step;
    }
    return i;
}

void analyseNumber(Section& sec) {
    auto& toks = sec.toks;
    // The first point is the decimal point; the first E± the exponent; a slash between digit
    // placeholders (or before a fixed denominator) makes a fraction.
    int point = -1, exp = -1, slash = -1;
    for (size_t i = 0; i < toks.size(); ++i) {
        Tok& t = toks[i];
        const int idx = static_cast<int>(i);
        if (t.kind == TokenKind::Point) {
            if (point < 0 && exp < 0 && slash < 0) {
                point = idx;
            } else {
                toLiteral(t);
            }
        } else if (t.kind == TokenKind::Exp) {
            if (exp < 0 && slash < 0) {
                exp = idx;
            } else {
                toLiteral(t);
            }
        } else if (t.kind == TokenKind::Slash || t.kind == TokenKind::Denom) {
            const int b = skipSpaces(toks, idx - 1, -1);
            const int a = skipSpaces(toks, idx + 1, 1);
            const bool before = b >= 0 && isPlaceholder(toks[static_cast<size_t>(b)].kind);
            const bool after =
                t.kind == TokenKind::Denom || (a < static_cast<int>(toks.size()) &&
                                               isPlaceholder(toks[static_cast<size_t>(a)].kind));
            if (slash < 0 && exp < 0 && point < 0 && before && after) {
                slash = idx;
            } else {
                toLiteral(t);
            }
        } else if (t.kind == TokenKind::At) {
            t.text.clear();
            toLiteral(t);
        }
    }
    // Exponent digits follow the E±: their zeros give the exponent's least width.
    if (exp >= 0) {
        size_t j = static_cast<size_t>(exp) + 1;
        int zeros = 0;
        while (j < toks.size() && isPlaceholder(toks[j].kind)) {
            zeros += toks[j].kind == TokenKind::Zero ? 1 : 0;
            toks.erase(toks.begin() + static_cast<std::ptrdiff_t>(j));
        }
        toks[static_cast<size_t>(exp)].width = zeros;
    }
    // Commas: between integer digit placeholders a thousands separator; right after the last
    // digit placeholder a division by 1000 each; elsewhere themselves.
    const size_t intEnd = point >= 0 ? static_cast<size_t>(point)
                          : exp >= 0 ? static_cast<size_t>(exp)
                                     : toks.size();
    std::vector<Tok> out;
    for (size_t i = 0; i < toks.size(); ++i) {
        if (toks[i].kind != TokenKind::Comma) {
            out.push_back(toks[i]);
            continue;
        }
        size_t j = i;
        while (j < toks.size() && toks[j].kind == TokenKind::Comma) ++j;
        const bool prevPh = i > 0 && isPlaceholder(toks[i - 1].kind);
        const bool nextPh = j < toks.size() && isPlaceholder(toks[j].kind);
        if (prevPh && nextPh) {
            if (i < intEnd) sec.grouping = true;
        } else if (prevPh) {
            sec.scaleDigits = std::min(sec.scaleDigits + 3 * static_cast<int>(j - i), 600);
        } else {
            for (size_t k = i; k < j; ++k) addLit(out, u",");
        }
        i = j - 1;
    }
    toks = std::move(out);
    // Merge literals and find the parts again now that tokens moved.
    out.clear();
    for (Tok& t : toks) {
        if (t.kind == TokenKind::Lit) {
            addLit(out, t.text);
        } else {
            out.push_back(std::move(t));
        }
    }
    toks = std::move(out);
    sec.pointIdx = sec.expIdx = sec.slashIdx = -1;
    for (size_t i = 0; i < toks.size(); ++i) {
        const int idx = static_cast<int>(i);
        switch (toks[i].kind) {
            case TokenKind::Point:
                sec.pointIdx = idx;
                break;
            case TokenKind::Exp:
                sec.expIdx = idx;
                break;
            case TokenKind::Slash:
            case TokenKind::Denom:
                sec.slashIdx = idx;
                break;
            case TokenKind::Percent:
                sec.percent = std::min(sec.percent + 1, 100);
                break;
            default:
                break;
        }
    }
    if (sec.slashIdx >= 0) {
        auto ph = [&](int i) { return isPlaceholder(toks[static_cast<size_t>(i)].kind); };
        sec.numEnd = skipSpaces(toks, sec.slashIdx - 1, -1) + 1;
        sec.numStart = sec.numEnd;
        while (sec.numStart > 0 && ph(sec.numStart - 1)) --sec.numStart;
        if (toks[static_cast<size_t>(sec.slashIdx)].kind == TokenKind::Denom) {
            sec.denStart = sec.denEnd = sec.slashIdx + 1;
        } else {
            sec.denStart = sec.denEnd = skipSpaces(toks, sec.slashIdx + 1, 1);
            while (sec.denEnd < static_cast<int>(toks.size()) && ph(sec.denEnd)) ++sec.denEnd;
        }
        for (int i = 0; i < sec.numStart; ++i) sec.intPh += ph(i) ? 1 : 0;
        return;
    }
    const int end = sec.expIdx >= 0 ? sec.expIdx : static_cast<int>(toks.size());
    for (int i = 0; i < end; ++i) {
        if (!isPlaceholder(toks[static_cast<size_t>(i)].kind)) continue;
        if (sec.pointIdx >= 0 && i > sec.pointIdx) {
            ++sec.decPh;
        } else {
            ++sec.intPh;
        }
    }
}

Section parseSection(std::u16string_view code, int depth = 0) {
    Section sec;
    const std::u16string_view replacement = tokenize(code, sec);
    if (!replacement.empty() && depth == 0) {
        Section sys = parseSection(replacement, 1);
        sys.hasCond = sec.hasCond;
        sys.op = sec.op;
        sys.operand = sec.operand;
        return sys;
    }
    const bool hasDate = std::any_of(sec.toks.begin(), sec.toks.end(),
                                     [](const Tok& t) { return isDateKind(t.kind); });
    const bool hasAt = std::any_of(sec.toks.begin(), sec.toks.end(),
                                   [](const Tok& t) { return t.kind == TokenKind::At; });
    if (hasAt) {
        sec.kind = SectionKind::Text;
    } else if (hasDate) {
        sec.kind = SectionKind::Date;
        analyseDate(sec);
    } else {
        analyseNumber(sec);
    }
    return sec;
}

std::shared_ptr<const Format> parseFormat(std::u16string_view code) {
    code = code.substr(0, std::min(code.size(), kMaxCodeLength));
    auto fmt = std::make_shared<Format>();
    size_t start = 0;
    for (size_t i = 0; i <= code.size() && fmt->sections.size() < 4; ++i) {
        if (i == code.size() || code[i] == u';') {
            fmt->sections.push_back(parseSection(code.substr(start, i - start)));
            start = i + 1;
            continue;
        }
        const char16_t c = code[i];
        if (c == u'"') {
            const size_t close = code.find(u'"', i + 1);
            i = close == std::u16string_view::npos ? code.size() - 1 : close;
        } else if (c == u'[') {
            const size_t close = code.find(u']', i + 1);
            if (close != std::u16string_view::npos) i = close;
        } else if (c == u'\\' || c == u'!' || c == u'_' || c == u'*') {
            if (i + 1 < code.size()) ++i;
        }
    }
    const int count = static_cast<int>(fmt->sections.size());
    if (count == 4 || fmt->sections.back().kind == SectionKind::Text) {
        fmt->textSection = count - 1;
        fmt->numberSections = count - 1;
    } else {
        fmt->numberSections = count;
    }
    return fmt;
}

std::shared_ptr<const Format> sharedFormat(std::u16string_view code) {
    static std::mutex mutex;
    static std::unordered_map<std::u16string, std::shared_ptr<const Format>> cache;
    std::u16string key(code);
    {
        std::lock_guard lock(mutex);
        const auto it = cache.find(key);
        if (it != cache.end()) return it->second;
    }
    auto fmt = parseFormat(code);
    std::lock_guard lock(mutex);
    // A workbook uses a handful of codes; a flood of distinct ones only resets the cache.
    if (cache.size() >= 512) cache.clear();
    cache.emplace(std::move(key), fmt);
    return fmt;
}

std::shared_ptr<const Format> cachedFormat(std::u16string_view code) {
    // Cells of a sheet mostly repeat the code of the cell before: that one is kept per thread.
    thread_local std::u16string lastCode;
    thread_local std::shared_ptr<const Format> lastFormat;
    if (lastFormat && code == lastCode) return lastFormat;
    lastFormat = sharedFormat(code);
    lastCode.assign(code);
    return lastFormat;
}

// ---------------------------------------------------------------------------------------------
// Rendering numbers.

// Fills the digit placeholders among toks[first, last) with `digits`, right-aligned: surplus
// digits go to the leftmost placeholder, missing ones become the placeholder's filler ("0", a
// space for "?", nothing for "#").
void fillIntegerPlaceholders(const std::vector<Tok>& toks, int first, int last,
                             const std::string& digits, bool grouping,
                             std::vector<std::u16string>& out) {
    int leftmost = -1;
    for (int i = first; i < last; ++i) {
        if (isPlaceholder(toks[static_cast<size_t>(i)].kind)) {
            leftmost = i;
            break;
        }
    }
    if (leftmost < 0) return;
    size_t j = digits.size();
    int pos = 0;
    auto emit = [&](std::u16string& piece, char ch) {
        if (grouping && pos > 0 && pos % 3 == 0) piece.insert(0, 1, u',');
        piece.insert(0, 1, static_cast<char16_t>(ch));
        ++pos;
    };
    for (int i = last - 1; i >= first; --i) {
        const TokenKind k = toks[static_cast<size_t>(i)].kind;
        if (!isPlaceholder(k)) continue;
        std::u16string piece;
        if (j > 0) {
            emit(piece, digits[--j]);
            while (i == leftmost && j > 0) emit(piece, digits[--j]);
        } else if (k == TokenKind::Zero) {
            emit(piece, '0');
        } else if (k == TokenKind::Quest) {
            piece = u" ";
            ++pos;
        }
        out[static_cast<size_t>(i)] = std::move(piece);
    }
}

// ---------------------------------------------------------------------------------------------
// Japanese numerals of [DBNum1] (kanji 一二三), [DBNum2] (the formal 壱弐参 of deeds and
// receipts) and [DBNum3] (full-width digits). A number is written either digit by digit
// (二〇二六) or with the place units (千二百三十四, 壱阡弐百参拾四, 千2百3十4): General and the
// fields of dates other than the year take the units, digit placeholders and years the digits.

constexpr std::array<std::u16string_view, 4> kDbNumDigits = {
    u"0123456789", u"〇一二三四五六七八九", u"〇壱弐参四伍六七八九", u"０１２３４５６７８９"};

std::u16string dbnumDigitWise(std::u16string_view digits, int style) {
    std::u16string s;
    for (char16_t c : digits) {
        s += c >= u'0' && c <= u'9' ? kDbNumDigits[static_cast<size_t>(style)][c - u'0'] : c;
    }
    return s;
}

// A run of ASCII digits with the place units of four-digit groups (万進). 一 before 十, 百 and
// 千 is left out in kanji and full-width forms (千, not 一千) and written in the formal one
// (壱阡), as deeds do.
std::u16string dbnumWithUnits(std::u16string_view digits, int style) {
    const std::u16string_view digitChars = kDbNumDigits[static_cast<size_t>(style)];
    const bool formal = style == 2;
    const std::u16string_view small = formal ? u"拾百阡" : u"十百千";
    static constexpr std::array<std::u16string_view, 6> kGroups = {u"",   u"万", u"億",
                                                                   u"兆", u"京", u"垓"};
    const size_t first = digits.find_first_not_of(u'0');
    if (first == std::u16string_view::npos) return std::u16string(1, digitChars[0]);
    digits.remove_prefix(first);
    std::u16string s;
    const size_t groups = (digits.size() + 3) / 4;
    for (size_t g = groups; g-- > 0;) {
        const size_t end = digits.size() - g * 4;
        const size_t begin = end >= 4 ? end - 4 : 0;
        bool any = false;
        for (size_t i = begin; i < end; ++i) {
            const int d = digits[i] - u'0';
            const size_t place = end - 1 - i;
            if (d == 0) continue;
            any = true;
            if (place == 0 || d != 1 || formal) s += digitChars[static_cast<size_t>(d)];
            if (place > 0) s += small[place - 1];
        }
        if (any && g > 0) {
            if (g < kGroups.size()) s += formal && g == 1 ? u"萬" : kGroups[g];
        }
    }
    return s;
}

// The ASCII digit runs of a shown number in the section's numerals; with units, the digits of
// a fraction or an exponent stay digit by digit.
std::u16string dbnumText(std::u16string_view text, int style, bool units) {
    std::u16string s;
    size_t i = 0;
    while (i < text.size()) {
        if (text[i] < u'0' || text[i] > u'9') {
            s += text[i++];
            continue;
        }
        size_t j = i;
        while (j < text.size() && text[j] >= u'0' && text[j] <= u'9') ++j;
        const std::u16string_view run = text.substr(i, j - i);
        const bool afterPoint =
            i > 0 && (text[i - 1] == u'.' || text[i - 1] == u'+' || (text[i - 1] == u'-' && i > 1));
        s += units && !afterPoint ? dbnumWithUnits(run, style) : dbnumDigitWise(run, style);
        i = j;
    }
    return s;
}

std::u16string joinPieces(const Section& sec, const std::vector<std::u16string>& pieces,
                          bool minus) {
    std::u16string s = minus ? u"-" : u"";
    for (size_t i = 0; i < sec.toks.size(); ++i) {
        const Tok& t = sec.toks[i];
        if (t.kind == TokenKind::Lit || t.kind == TokenKind::Percent) {
            s += t.text;
        } else if (sec.dbnum > 0) {
            s += dbnumText(pieces[i], sec.dbnum, t.kind == TokenKind::General);
        } else {
            s += pieces[i];
        }
    }
    return s;
}

// The fraction that shows x >= 0 with a denominator up to maxDen: the last convergent of x's
// continued fraction within the limit, as Excel takes it (0.456 under ??/?? is 26/57, although
// 31/68 is nearer), stopping once a convergent is as good as the double itself.
std::pair<double, double> fractionOf(double x, double maxDen) {
    double p0 = 1, q0 = 0, p1 = std::floor(x), q1 = 1;
    double rest = x;
    for (int step = 0; step < 64 && std::fabs(x - p1 / q1) >= 1e-13; ++step) {
        const double frac = rest - std::floor(rest);
        if (frac <= 0) break;
        rest = 1 / frac;
        const double a = std::floor(rest);
        const double q2 = a * q1 + q0;
        if (q2 > maxDen) break;
        const double p2 = a * p1 + p0;
        p0 = p1, q0 = q1, p1 = p2, q1 = q2;
    }
    return {p1, q1};
}

std::u16string renderFraction(const Section& sec, double a, bool minus) {
    const auto& toks = sec.toks;
    std::vector<std::u16string> pieces(toks.size());
    const Tok& slash = toks[static_cast<size_t>(sec.slashIdx)];
    const bool hasInt = sec.intPh > 0;
    double whole = hasInt ? std::floor(a) : 0;
    const double x = a - whole;
    double num = 0, den = 1;
    if (slash.kind == TokenKind::Denom) {
        den = std::max(slash.denominator, 1);
        num = std::round(x * den);
    } else {
        int digits = std::clamp(sec.denEnd - sec.denStart, 1, kMaxDenominatorDigits);
        long long maxDen = 1;
        while (digits-- > 0) maxDen *= 10;
        std::tie(num, den) = fractionOf(x, static_cast<double>(maxDen - 1));
    }
    if (hasInt && num >= den) {
        whole += 1;
        num = 0;
    }
    auto kindIn = [&](int first, int last, TokenKind kind) {
        for (int i = first; i < last; ++i) {
            if (toks[static_cast<size_t>(i)].kind == kind) return true;
        }
        return false;
    };
    const bool blankFraction =
        hasInt && num == 0 && !kindIn(sec.numStart, sec.numEnd, TokenKind::Zero);
    const Fixed w = toFixed(whole, 0);
    const std::string wholeDigits = hasInt && num == 0 && w.intDigits.empty() ? "0" : w.intDigits;
    fillIntegerPlaceholders(toks, 0, sec.numStart, wholeDigits, sec.grouping, pieces);
    if (blankFraction) {
        // A whole number: the fraction's place stays blank, as wide as "?" placeholders ask.
        const bool spaces = kindIn(sec.numStart, sec.numEnd, TokenKind::Quest);
        int lastInt = sec.numStart - 1;
        while (lastInt >= 0 && !isPlaceholder(toks[static_cast<size_t>(lastInt)].kind)) --lastInt;
        std::u16string s = minus && a != 0 ? u"-" : u"";
        for (int i = 0; i < static_cast<int>(toks.size()); ++i) {
            const Tok& t = toks[static_cast<size_t>(i)];
            if (i > lastInt && i < sec.denEnd) {
                if (spaces) s.append(t.text.size(), u' ');
            } else {
                s += t.kind == TokenKind::Lit || t.kind == TokenKind::Percent
                         ? t.text
                         : pieces[static_cast<size_t>(i)];
            }
        }
        return s;
    }
    fillIntegerPlaceholders(toks, sec.numStart, sec.numEnd, toFixed(num, 0).intDigits, false,
                            pieces);
    if (num == 0) pieces[static_cast<size_t>(sec.numEnd - 1)] = u"0";
    const std::string denDigits = toFixed(den, 0).intDigits;
    if (slash.kind == TokenKind::Denom) {
        pieces[static_cast<size_t>(sec.slashIdx)] = u"/" + widen(denDigits);
    } else {
        // The denominator is aligned left: missing digits pad on its right.
        pieces[static_cast<size_t>(sec.slashIdx)] = u"/";
        size_t k = 0;
        for (int i = sec.denStart; i < sec.denEnd; ++i, ++k) {
            std::u16string& p = pieces[static_cast<size_t>(i)];
            if (k < denDigits.size()) {
                p.assign(1, static_cast<char16_t>(denDigits[k]));
                if (i == sec.denEnd - 1) p += widen(std::string_view(denDigits).substr(k + 1));
            } else {
                p = toks[static_cast<size_t>(i)].kind == TokenKind::Hash ? u"" : u" ";
            }
        }
    }
    return joinPieces(sec, pieces, minus && a != 0);
}

std::u16string renderNumber(const Section& sec, double a, bool minus) {
    for (int i = 0; i < sec.percent; ++i) a *= 100;
    if (sec.scaleDigits > 0) a /= std::pow(10.0, sec.scaleDigits);
    if (!std::isfinite(a)) return std::u16string(kCannotShow);
    if (sec.slashIdx >= 0) return renderFraction(sec, a, minus);
    const auto& toks = sec.toks;
    std::vector<std::u16string> pieces(toks.size());
    const int intEnd = sec.pointIdx >= 0 ? sec.pointIdx
                       : sec.expIdx >= 0 ? sec.expIdx
                                         : static_cast<int>(toks.size());
    Fixed f;
    bool shownZero = false;
    if (sec.expIdx >= 0) {
        const int nInt = std::max(sec.intPh, 1);
        // With several integer placeholders the exponent is a multiple of their count
        // (##0.0E+0 is engineering notation).
        int e = 0;
        if (a > 0) {
            const Significant s = significant(a);
            auto exponentFor = [&](int e10) {
                if (nInt == 1) return e10;
                return (e10 >= 0 ? e10 / nInt : -((-e10 + nInt - 1) / nInt)) * nInt;
            };
            e = exponentFor(s.exp10);
            f = toFixed(s, s.exp10 - e, sec.decPh);
            if (static_cast<int>(f.intDigits.size()) > nInt) {
                // Rounding carried into a new digit (9.99 to 10.0): one power up.
                e = exponentFor(s.exp10 + 1);
                f = toFixed(s, s.exp10 - e, sec.decPh);
            }
        } else {
            f = toFixed(0.0, sec.decPh);
        }
        const Tok& et = toks[static_cast<size_t>(sec.expIdx)];
        std::u16string ep(1, et.text[0]);
        if (e < 0) {
            ep += u'-';
        } else if (et.text[1] == u'+') {
            ep += u'+';
        }
        std::string digits = std::to_string(std::abs(e));
        if (static_cast<int>(digits.size()) < et.width) {
            digits.insert(0, static_cast<size_t>(et.width) - digits.size(), '0');
        }
        pieces[static_cast<size_t>(sec.expIdx)] = ep + widen(digits);
    } else {
        f = toFixed(a, sec.decPh);
        shownZero = f.isZero();
    }
    fillIntegerPlaceholders(toks, 0, intEnd, f.intDigits, sec.grouping, pieces);
    if (sec.pointIdx >= 0) {
        // No integer placeholder: the integer digits still show, before the point.
        pieces[static_cast<size_t>(sec.pointIdx)] =
            (sec.intPh == 0 ? widen(f.intDigits) : u"") + u".";
        const int decEnd = sec.expIdx >= 0 ? sec.expIdx : static_cast<int>(toks.size());
        std::vector<int> decIdx;
        for (int i = sec.pointIdx + 1; i < decEnd; ++i) {
            if (isPlaceholder(toks[static_cast<size_t>(i)].kind)) decIdx.push_back(i);
        }
        // A zero with only zeros after it vanishes under "#" and turns into a space under "?";
        // under "0" it shows.
        size_t significant = 0;
        for (size_t k = 0; k < decIdx.size(); ++k) {
            if (f.fracDigits[k] != '0') significant = k + 1;
        }
        for (size_t k = 0; k < decIdx.size(); ++k) {
            const TokenKind kind = toks[static_cast<size_t>(decIdx[k])].kind;
            pieces[static_cast<size_t>(decIdx[k])] =
                k < significant || kind == TokenKind::Zero
                    ? std::u16string(1, static_cast<char16_t>(f.fracDigits[k]))
                : kind == TokenKind::Quest ? u" "
                                           : u"";
        }
    }
    for (size_t i = 0; i < toks.size(); ++i) {
        if (toks[i].kind == TokenKind::General)
            pieces[i] = a == 0 ? u"0" : generalText(a, kGeneralChars);
    }
    const bool hasDigits = sec.intPh + sec.decPh > 0 || sec.pointIdx >= 0;
    return joinPieces(sec, pieces, minus && (hasDigits ? !shownZero : a != 0));
}

// ---------------------------------------------------------------------------------------------
// Rendering dates and times.

constexpr std::array<std::u16string_view, 12> kMonthNames = {
    u"January", u"February", u"March",     u"April",   u"May",      u"June",
    u"July",    u"August",   u"September", u"October", u"November", u"December"};
constexpr std::array<std::u16string_view, 7> kDayNames = {
    u"Sunday", u"Monday", u"Tuesday", u"Wednesday", u"Thursday", u"Friday", u"Saturday"};
constexpr std::array<std::u16string_view, 7> kJapaneseDays = {u"日", u"月", u"火", u"水",
                                                              u"木", u"金", u"土"};
constexpr std::array<std::u16string_view, 5> kEraLetters = {u"M", u"T", u"S", u"H", u"R"};
constexpr std::array<std::u16string_view, 5> kEraShort = {u"明", u"大", u"昭", u"平", u"令"};
constexpr std::array<std::u16string_view, 5> kEraNames = {u"明治", u"大正", u"昭和", u"平成",
                                                          u"令和"};

std::u16string number(long long v, int width) {
    std::string s = std::to_string(v);
    if (static_cast<int>(s.size()) < width) s.insert(0, static_cast<size_t>(width) - s.size(), '0');
    return widen(s);
}

std::u16string renderDate(const Section& sec, double value, bool date1904) {
    const long long maxSerial = maxDateSerial(date1904);
    if (!(value >= 0) || value >= static_cast<double>(maxSerial + 1)) {
        return std::u16string(kCannotShow);
    }
    long long unit = 1;
    for (int i = 0; i < sec.subsecDigits; ++i) unit *= 10;
    // Rounded to the shown precision first, so 23:59:59.7 shows as the next day's 0:00:00.
    const long long ticks = static_cast<long long>(std::floor(value * 86400.0 * unit + 0.5));
    const long long perDay = 86400 * unit;
    const long long days = ticks / perDay;
    const long long totalSeconds = ticks / unit;
    const long long sub = ticks % unit;
    const long long secondOfDay = totalSeconds % 86400;
    const int hour = static_cast<int>(secondOfDay / 3600);
    const int minute = static_cast<int>(secondOfDay / 60 % 60);
    const int second = static_cast<int>(secondOfDay % 60);
    CivilDate date;
    if (sec.needsDate) {
        const auto d = dateFromSerial(days, date1904);
        if (!d) return std::u16string(kCannotShow);
        date = *d;
    } else if (days > maxSerial) {
        return std::u16string(kCannotShow);
    }
    const JapaneseEra era = japaneseEra(date);
    const int hour12 = hour % 12 == 0 ? 12 : hour % 12;
    std::u16string s;
    for (const Tok& t : sec.toks) {
        const size_t fieldStart = s.size();
        switch (t.kind) {
            case TokenKind::Year2:
                s += number(date.year % 100, 2);
                break;
            case TokenKind::Year4:
                s += number(date.year, 4);
                break;
            case TokenKind::Month:
                s += number(date.month, 1);
                break;
            case TokenKind::Month2:
                s += number(date.month, 2);
                break;
            case TokenKind::MonthAbbr:
                s += kMonthNames[static_cast<size_t>(date.month - 1)].substr(0, 3);
                break;
            case TokenKind::MonthName:
                s += kMonthNames[static_cast<size_t>(date.month - 1)];
                break;
            case TokenKind::MonthLetter:
                s += kMonthNames[static_cast<size_t>(date.month - 1)].substr(0, 1);
                break;
            case TokenKind::Day:
                s += number(date.day, 1);
                break;
            case TokenKind::Day2:
                s += number(date.day, 2);
                break;
            case TokenKind::DayAbbr:
                s += sec.japanese ? kJapaneseDays[static_cast<size_t>(date.weekday)]
                                  : kDayNames[static_cast<size_t>(date.weekday)].substr(0, 3);
                break;
            case TokenKind::DayName:
                if (sec.japanese) {
                    s += kJapaneseDays[static_cast<size_t>(date.weekday)];
                    s += u"曜日";
                } else {
                    s += kDayNames[static_cast<size_t>(date.weekday)];
                }
                break;
            case TokenKind::JDayAbbr:
                s += kJapaneseDays[static_cast<size_t>(date.weekday)];
                break;
            case TokenKind::JDayName:
                s += kJapaneseDays[static_cast<size_t>(date.weekday)];
                s += u"曜日";
                break;
            case TokenKind::Hour:
                s += number(sec.ampm ? hour12 : hour, 1);
                break;
            case TokenKind::Hour2:
                s += number(sec.ampm ? hour12 : hour, 2);
                break;
            case TokenKind::Minute:
                s += number(minute, 1);
                break;
            case TokenKind::Minute2:
                s += number(minute, 2);
                break;
            case TokenKind::Second:
                s += number(second, 1);
                break;
            case TokenKind::Second2:
                s += number(second, 2);
                break;
            case TokenKind::SubSec:
                s += u'.';
                s += number(sub, sec.subsecDigits).substr(0, static_cast<size_t>(t.width));
                break;
            // Shown in the case the code writes them ("am/pm" gives "pm"), in Japanese
            // under a Japanese locale tag.
            case TokenKind::AmPm:
                if (sec.japanese) {
                    s += hour < 12 ? u"午前" : u"午後";
                } else {
                    s += std::u16string_view(t.text).substr(hour < 12 ? 0 : 3, 2);
                }
                break;
            case TokenKind::AP:
                if (sec.japanese) {
                    s += hour < 12 ? u"午前" : u"午後";
                } else {
                    s += hour < 12 ? t.text[0] : t.text[2];
                }
                break;
            case TokenKind::ElapsedH:
                s += number(totalSeconds / 3600, t.width);
                break;
            case TokenKind::ElapsedM:
                s += number(totalSeconds / 60, t.width);
                break;
            case TokenKind::ElapsedS:
                s += number(totalSeconds, t.width);
                break;
            case TokenKind::Era:
                s += kEraLetters[static_cast<size_t>(era.index)];
                break;
            case TokenKind::Era2:
                s += kEraShort[static_cast<size_t>(era.index)];
                break;
            case TokenKind::Era3:
                s += kEraNames[static_cast<size_t>(era.index)];
                break;
            case TokenKind::BuddhistYear2:
                s += number((date.year + 543) % 100, 2);
                break;
            case TokenKind::BuddhistYear4:
                s += number(date.year + 543, 4);
                break;
            case TokenKind::EraYear:
            case TokenKind::EraYear2:
                if (sec.gannen && era.year == 1) {
                    s += u"元";
                } else {
                    s += number(era.year, t.kind == TokenKind::EraYear ? 1 : 2);
                }
                break;
            default:
                s += t.text;
                break;
        }
        if (sec.dbnum > 0 && t.kind != TokenKind::Lit) {
            const bool year = t.kind == TokenKind::Year2 || t.kind == TokenKind::Year4 ||
                              t.kind == TokenKind::BuddhistYear2 ||
                              t.kind == TokenKind::BuddhistYear4;
            const std::u16string field = s.substr(fieldStart);
            s.resize(fieldStart);
            // Full-width dates keep their digits (１２月), the kanji ones take units (十二月).
            s +=
                dbnumText(field, sec.dbnum, !year && t.kind != TokenKind::SubSec && sec.dbnum != 3);
        }
    }
    return s;
}

// `value` keeps its sign; whether a minus sign shows is the caller's choice.
std::u16string renderSection(const Section& sec, double value, bool minus, bool date1904) {
    if (sec.kind == SectionKind::Date) {
        if (value >= 0) return renderDate(sec, value, date1904);
        // The 1904 system shows negative dates and times with a minus sign, the 1900 one cannot.
        if (!date1904) return std::u16string(kCannotShow);
        const std::u16string shown = renderDate(sec, -value, date1904);
        return minus && shown != kCannotShow ? u"-" + shown : shown;
    }
    if (sec.kind == SectionKind::Text)
        return generalText(value, kGeneralChars + (value < 0 ? 1 : 0));
    return renderNumber(sec, std::fabs(value), minus);
}

}  // namespace

std::u16string builtinNumberFormat(int id) {
    static const std::unordered_map<int, std::u16string_view> kBuiltins = {
        {0, u"General"},
        {1, u"0"},
        {2, u"0.00"},
        {3, u"#,##0"},
        {4, u"#,##0.00"},
        {5, u"\"¥\"#,##0;\"¥\"\\-#,##0"},
        {6, u"\"¥\"#,##0;[Red]\"¥\"\\-#,##0"},
        {7, u"\"¥\"#,##0.00;\"¥\"\\-#,##0.00"},
        {8, u"\"¥\"#,##0.00;[Red]\"¥\"\\-#,##0.00"},
        {9, u"0%"},
        {10, u"0.00%"},
        {11, u"0.00E+00"},
        {12, u"# ?/?"},
        {13, u"# ?\?/??"},  // "# ??/??" (the escape keeps "??/" from reading as a trigraph)
        {14, u"yyyy/m/d"},
        {15, u"d-mmm-yy"},
        {16, u"d-mmm"},
        {17, u"mmm-yy"},
        {18, u"h:mm AM/PM"},
        {19, u"h:mm:ss AM/PM"},
        {20, u"h:mm"},
        {21, u"h:mm:ss"},
        {22, u"yyyy/m/d h:mm"},
        {27, u"[$-411]ge.m.d"},
        {28, u"[$-411]ggge\"年\"m\"月\"d\"日\""},
        {29, u"[$-411]ggge\"年\"m\"月\"d\"日\""},
        {30, u"m/d/yy"},
        {31, u"yyyy\"年\"m\"月\"d\"日\""},
        {32, u"h\"時\"mm\"分\""},
        {33, u"h\"時\"mm\"分\"ss\"秒\""},
        {34, u"yyyy\"年\"m\"月\""},
        {35, u"m\"月\"d\"日\""},
        {36, u"[$-411]ge.m.d"},
        {37, u"#,##0;-#,##0"},
        {38, u"#,##0;[Red]-#,##0"},
        {39, u"#,##0.00;-#,##0.00"},
        {40, u"#,##0.00;[Red]-#,##0.00"},
        {41, u"_ * #,##0_ ;_ * \\-#,##0_ ;_ * \"-\"_ ;_ @_ "},
        {42, u"_ \"¥\"* #,##0_ ;_ \"¥\"* \\-#,##0_ ;_ \"¥\"* \"-\"_ ;_ @_ "},
        {43, u"_ * #,##0.00_ ;_ * \\-#,##0.00_ ;_ * \"-\"??_ ;_ @_ "},
        {44, u"_ \"¥\"* #,##0.00_ ;_ \"¥\"* \\-#,##0.00_ ;_ \"¥\"* \"-\"??_ ;_ @_ "},
        {45, u"mm:ss"},
        {46, u"[h]:mm:ss"},
        {47, u"mm:ss.0"},
        {48, u"##0.0E+0"},
        {49, u"@"},
        {50, u"[$-411]ge.m.d"},
        {51, u"[$-411]ggge\"年\"m\"月\"d\"日\""},
        {52, u"[$-411]yyyy\"年\"m\"月\""},
        {53, u"[$-411]m\"月\"d\"日\""},
        {54, u"[$-411]ggge\"年\"m\"月\"d\"日\""},
        {55, u"[$-411]yyyy\"年\"m\"月\""},
        {56, u"[$-411]m\"月\"d\"日\""},
        {57, u"[$-411]ge.m.d"},
        {58, u"[$-411]ggge\"年\"m\"月\"d\"日\""},
    };
    const auto it = kBuiltins.find(id);
    return it == kBuiltins.end() ? std::u16string() : std::u16string(it->second);
}

std::u16string formatGeneral(double value, int maxChars) {
    return generalText(value, std::min(maxChars, kGeneralChars + (value < 0 ? 1 : 0)));
}

std::u16string formatNumber(double value, std::u16string_view formatCode, bool date1904) {
    if (!std::isfinite(value)) return u"#NUM!";
    if (formatCode.empty() ||
        (formatCode.size() == 7 && startsWithNoCase(formatCode, 0, u"general"))) {
        return generalText(value, kGeneralChars + (value < 0 ? 1 : 0));
    }
    const auto fmt = cachedFormat(formatCode);
    const auto& secs = fmt->sections;
    const int count = fmt->numberSections;
    const bool negative = value < 0;
    auto general = [&] { return generalText(value, kGeneralChars + (negative ? 1 : 0)); };
    if (count == 0) return general();
    if (count == 1 && secs[0].toks.empty() && !secs[0].hasCond) {
        return secs[0].dbnum > 0 ? dbnumText(general(), secs[0].dbnum, true) : general();
    }
    const bool conditional = secs[0].hasCond || (count >= 2 && secs[1].hasCond);
    if (!conditional) {
        if (count == 1) return renderSection(secs[0], value, negative, date1904);
        if (value > 0 || (value == 0 && count == 2)) {
            return renderSection(secs[0], value, false, date1904);
        }
        return renderSection(secs[negative ? 1 : 2], value, false, date1904);
    }
    // Sections without a condition of their own: the first takes positive numbers (and zero
    // when there is no third), the second negative ones, or, in a two-section code whose first
    // section has a condition, everything else. A negative number shows its minus sign unless
    // its section is one for negative numbers only.
    const Section& s0 = secs[0];
    if (s0.hasCond ? s0.test(value) : (count >= 3 ? value > 0 : value >= 0)) {
        return renderSection(s0, value, negative && !s0.onlyNegative(), date1904);
    }
    if (count >= 2) {
        const Section& s1 = secs[1];
        if (s1.hasCond) {
            if (s1.test(value)) {
                return renderSection(s1, value, negative && !s1.onlyNegative(), date1904);
            }
        } else if (count == 2) {
            const bool minus = negative && s0.op != Op::Lt && s0.op != Op::Le && s0.op != Op::Ne;
            return renderSection(s1, value, minus, date1904);
        } else if (negative) {
            return renderSection(s1, value, false, date1904);
        }
    }
    if (count >= 3) return renderSection(secs[2], value, negative, date1904);
    if (count == 1) return general();
    return std::u16string(kCannotShow);
}

std::u16string formatText(std::u16string_view text, std::u16string_view formatCode) {
    const auto fmt = cachedFormat(formatCode);
    if (fmt->textSection < 0) return std::u16string(text.substr(0, kMaxCellTextChars));
    std::u16string s;
    for (const Tok& t : fmt->sections[static_cast<size_t>(fmt->textSection)].toks) {
        // A code that repeats "@" would otherwise multiply the text.
        const std::u16string_view piece = t.kind == TokenKind::At || t.kind == TokenKind::General
                                              ? text
                                              : std::u16string_view(t.text);
        s += piece.substr(0, kMaxCellTextChars - s.size());
        if (s.size() == kMaxCellTextChars) break;
    }
    return s;
}

bool isGeneralFormat(std::u16string_view formatCode) {
    const auto fmt = cachedFormat(formatCode);
    if (fmt->numberSections == 0) return true;
    const Section& s = fmt->sections[0];
    return fmt->numberSections == 1 && !s.hasCond && s.dbnum == 0 &&
           (s.toks.empty() || (s.toks.size() == 1 && s.toks[0].kind == TokenKind::General));
}

}  // namespace tabrova::workbook
