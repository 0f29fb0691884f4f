#include "workbook/SpreadsheetMlStyles.h"

#include <utility>

#include "platform/Utf8.h"
#include "workbook/XmlValues.h"

namespace tabrova::workbook::spreadsheetml {

std::int32_t horizontalOf(std::string_view v) {
    static const std::pair<std::string_view, std::int32_t> kValues[] = {
        {"Left", alignLeftX},
        {"Center", alignCenterX},
        {"Right", alignRightX},
        {"Fill", alignFill},
        {"Justify", alignJustify},
        {"CenterAcrossSelection", alignCenterAcross},
        {"Distributed", alignDistributed},
        {"JustifyDistributed", alignDistributed},
    };
    for (const auto& [name, value] : kValues)
        if (v == name) return value;
    return alignGeneral;  // "Automatic" and anything unknown
}

std::int32_t verticalOf(std::string_view v) {
    static const std::pair<std::string_view, std::int32_t> kValues[] = {
        {"Top", valignTop},
        {"Center", valignCenter},
        {"Justify", valignJustify},
        {"Distributed", valignDistributed},
        {"JustifyDistributed", valignDistributed},
    };
    for (const auto& [name, value] : kValues)
        if (v == name) return value;
    return valignBottom;  // "Bottom", "Automatic" and anything unknown
}

std::int32_t lineStyleOf(std::string_view v) {
    static const std::pair<std::string_view, std::int32_t> kValues[] = {
        {"Continuous", lineContinuous},
        {"Dash", lineDash},
        {"Dot", lineDot},
        {"DashDot", lineDashDot},
        {"DashDotDot", lineDashDotDot},
        {"SlantDashDot", lineSlantDashDot},
        {"Double", lineDouble},
    };
    for (const auto& [name, value] : kValues)
        if (v == name) return value;
    return lineNone;
}

std::int32_t borderWeightOf(const char* v) {
    const auto w = v ? parseUnsigned(v) : std::optional<std::uint64_t>();
    if (!w || *w == 0) return weightHairline;
    if (*w == 1) return weightThinX;
    if (*w == 2) return weightMediumX;
    return weightThickX;
}

std::optional<EdgeIndex> edgeOf(std::string_view position) {
    if (position == "Top") return edgeIndexTop;
    if (position == "Bottom") return edgeIndexBottom;
    if (position == "Left") return edgeIndexLeft;
    if (position == "Right") return edgeIndexRight;
    return std::nullopt;
}

// Walks up each chain of parents without recursion (a document may chain many styles).
ResolvedStyles resolveStyles(std::vector<StyleEntry> entries) {
    std::unordered_map<std::string, std::size_t> entryOf;
    for (std::size_t i = 0; i < entries.size(); ++i) entryOf[entries[i].id] = i;
    const auto defaultEntry = entryOf.find("Default");

    std::vector<std::optional<Style>> resolved(entries.size());
    std::vector<bool> visiting(entries.size(), false);
    Style base;
    if (defaultEntry != entryOf.end()) {
        entries[defaultEntry->second].parent.reset();
    }
    const auto apply = [](Style s, const StyleEntry& e) {
        if (e.horizontal) s.horizontal = *e.horizontal;
        if (e.vertical) s.vertical = *e.vertical;
        if (e.wrapText) s.wrapText = *e.wrapText;
        if (e.shrinkToFit) s.shrinkToFit = *e.shrinkToFit;
        if (e.fontName) s.fontName = *e.fontName;
        if (e.fontSize) s.fontSize = *e.fontSize;
        if (e.borders) s.borders = *e.borders;
        if (e.numberFormat) s.numberFormat = *e.numberFormat;
        return s;
    };
    const auto parentOf = [&](std::size_t i) -> std::optional<std::size_t> {
        const StyleEntry& e = entries[i];
        if (e.parent) {
            const auto it = entryOf.find(*e.parent);
            if (it == entryOf.end()) {
                throw StyleError("the style " + quotedText(std::string_view(e.id)) +
                                 " names the parent style " +
                                 quotedText(std::string_view(*e.parent)) +
                                 ", which the document does not define");
            }
            return it->second;
        }
        if (defaultEntry != entryOf.end() && defaultEntry->second != i) return defaultEntry->second;
        return std::nullopt;
    };
    for (std::size_t i = 0; i < entries.size(); ++i) {
        std::vector<std::size_t> chain;
        std::optional<std::size_t> at = i;
        while (at && !resolved[*at]) {
            if (visiting[*at]) {
                throw StyleError("the style " + quotedText(std::string_view(entries[*at].id)) +
                                 " is its own ancestor through ss:Parent");
            }
            visiting[*at] = true;
            chain.push_back(*at);
            at = parentOf(*at);
        }
        Style s = at ? *resolved[*at] : base;
        for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
            s = apply(std::move(s), entries[*it]);
            resolved[*it] = s;
        }
    }

    ResolvedStyles out;
    out.styles.push_back(defaultEntry != entryOf.end() ? *resolved[defaultEntry->second] : base);
    out.indexOf["Default"] = 0;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        if (defaultEntry != entryOf.end() && i == defaultEntry->second) continue;
        if (entryOf[entries[i].id] != i) continue;  // a later entry of the same ID wins
        out.indexOf[entries[i].id] = static_cast<std::uint32_t>(out.styles.size());
        out.styles.push_back(std::move(*resolved[i]));
    }
    return out;
}

}  // namespace tabrova::workbook::spreadsheetml
