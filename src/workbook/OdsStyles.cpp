#include "workbook/OdsStyles.h"

#include <charconv>
#include <cmath>
#include <unordered_set>
#include <utility>

#include "platform/Utf8.h"

namespace tabrova::workbook::ods {

namespace {

std::string_view trimmed(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
}

using spreadsheetml::Style;

Style applied(Style s, const CellStyleEntry& e) {
    if (e.horizontal) s.horizontal = *e.horizontal;
    // Aligned by the value's type: the spreadsheet's general alignment, whatever fo:text-align
    // says beside it.
    if (e.alignByValue.value_or(false)) s.horizontal = excel::xlHAlignGeneral;
    if (e.vertical) s.vertical = *e.vertical;
    if (e.wrapText) s.wrapText = *e.wrapText;
    if (e.shrinkToFit) s.shrinkToFit = *e.shrinkToFit;
    if (e.fontName) s.fontName = *e.fontName;
    if (e.fontSize) s.fontSize = *e.fontSize;
    for (std::size_t i = 0; i < 4; ++i)
        if (e.borders[i]) s.borders[i] = *e.borders[i];
    return s;
}

}  // namespace

std::optional<double> pointsOfLength(std::string_view text) {
    text = trimmed(text);
    static constexpr std::pair<std::string_view, double> kUnits[] = {
        {"cm", 72.0 / 2.54}, {"mm", 72.0 / 25.4}, {"in", 72.0},
        {"pt", 1.0},         {"pc", 12.0},        {"px", 0.75},
    };
    for (const auto& [unit, factor] : kUnits) {
        if (!text.ends_with(unit)) continue;
        const std::string_view number = text.substr(0, text.size() - unit.size());
        double value = 0;
        const auto [ptr, ec] = std::from_chars(number.data(), number.data() + number.size(), value);
        if (ec != std::errc() || ptr != number.data() + number.size() || number.empty() ||
            !std::isfinite(value) || value < 0) {
            return std::nullopt;
        }
        const double points = value * factor;
        return std::isfinite(points) ? std::optional<double>(points) : std::nullopt;
    }
    return std::nullopt;
}

std::int32_t horizontalOf(std::string_view v) {
    if (v == "start" || v == "left") return excel::xlHAlignLeft;
    if (v == "center") return excel::xlHAlignCenter;
    if (v == "end" || v == "right") return excel::xlHAlignRight;
    if (v == "justify") return excel::xlHAlignJustify;
    return excel::xlHAlignGeneral;
}

std::int32_t verticalOf(std::string_view v) {
    if (v == "top") return excel::xlVAlignTop;
    if (v == "middle") return excel::xlVAlignCenter;
    return excel::xlVAlignBottom;  // "bottom", "automatic" and anything unknown
}

std::optional<BorderEdge> borderOf(std::string_view value) {
    // Width, style and colour in any order, separated by blanks.
    std::optional<double> width;
    std::optional<std::int32_t> style;
    bool none = false;
    value = trimmed(value);
    while (!value.empty()) {
        const std::size_t end = value.find_first_of(" \t");
        const std::string_view word = value.substr(0, end);
        value = end == std::string_view::npos ? std::string_view() : trimmed(value.substr(end));
        static constexpr std::pair<std::string_view, std::int32_t> kStyles[] = {
            {"solid", excel::xlContinuous},  {"dashed", excel::xlDash},
            {"fine-dashed", excel::xlDash},  {"dotted", excel::xlDot},
            {"dash-dot", excel::xlDashDot},  {"dash-dot-dot", excel::xlDashDotDot},
            {"double", excel::xlDouble},     {"double-thin", excel::xlDouble},
            {"groove", excel::xlContinuous}, {"ridge", excel::xlContinuous},
            {"inset", excel::xlContinuous},  {"outset", excel::xlContinuous},
        };
        bool known = false;
        for (const auto& [name, s] : kStyles) {
            if (word == name) {
                style = s;
                known = true;
            }
        }
        if (word == "none" || word == "hidden") {
            none = true;
            known = true;
        }
        if (word == "thin") width = 0.75, known = true;
        if (word == "medium") width = 1.75, known = true;
        if (word == "thick") width = 2.5, known = true;
        if (!known) {
            if (const auto w = pointsOfLength(word)) width = w;
        }
    }
    if (none || (width && *width <= 0)) return BorderEdge{excel::xlLineStyleNone, excel::xlThin};
    if (!style) return std::nullopt;
    // The widths the spreadsheet writes for Excel's weights: hair 0.05pt, thin 0.75pt, medium
    // 1.75pt, thick 2.5pt (each as stored, in whole twips or 1/100 mm).
    BorderEdge edge{*style, excel::xlThin};
    const double w = width.value_or(0.75);
    if (w < 0.4) {
        edge.weight = excel::xlHairline;
    } else if (w < 1.25) {
        edge.weight = excel::xlThin;
    } else if (w < 2.2) {
        edge.weight = excel::xlMedium;
    } else {
        edge.weight = excel::xlThick;
    }
    return edge;
}

// Walks up each chain of parents without recursion (a document may chain many styles).
ResolvedStyles resolveStyles(const CellStyles& styles) {
    const Style base = applied(Style{}, styles.defaults);
    std::unordered_map<std::string, Style> namedDone;
    const auto resolveNamed = [&](const std::string& name) -> const Style* {
        std::vector<std::pair<const std::string*, const CellStyleEntry*>> chain;
        std::unordered_set<std::string_view> visiting;
        const std::string* at = &name;
        const Style* start = &base;
        for (;;) {
            if (const auto done = namedDone.find(*at); done != namedDone.end()) {
                start = &done->second;
                break;
            }
            const auto it = styles.named.find(*at);
            if (it == styles.named.end()) break;  // missing: the defaults
            if (!visiting.insert(*at).second) {
                throw StyleError{{ReadProblem::cellStyleOwnAncestor,
                                  {quotedText(std::string_view(*at))},
                                  std::nullopt}};
            }
            chain.emplace_back(&it->first, &it->second);
            if (!it->second.parent) break;
            at = &*it->second.parent;
        }
        Style s = *start;
        const Style* last = start;
        for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
            s = applied(std::move(s), *it->second);
            last = &namedDone.emplace(*it->first, s).first->second;
        }
        return last;
    };

    ResolvedStyles out;
    const auto defaultStyle = styles.named.find("Default");
    out.styles.push_back(defaultStyle != styles.named.end() ? *resolveNamed("Default") : base);
    for (const auto& [name, entry] : styles.named) {
        if (name == "Default") {
            out.indexOf[name] = 0;
            continue;
        }
        out.indexOf[name] = static_cast<std::uint32_t>(out.styles.size());
        out.styles.push_back(*resolveNamed(name));
    }
    for (const auto& [name, entry] : styles.automatic) {
        // An automatic style's parent is a named style.
        const Style* parent = entry.parent ? resolveNamed(*entry.parent) : &base;
        out.indexOf[name] = static_cast<std::uint32_t>(out.styles.size());
        out.styles.push_back(applied(*parent, entry));
    }
    return out;
}

}  // namespace tabrova::workbook::ods
