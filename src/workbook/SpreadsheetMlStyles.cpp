#include "workbook/SpreadsheetMlStyles.h"

#include <utility>

#include "platform/Utf8.h"
#include "workbook/XmlValues.h"

namespace tabrova::workbook::spreadsheetml {

std::int32_t horizontalOf(std::string_view v) {
    static const std::pair<std::string_view, std::int32_t> kValues[] = {
        {"Left", excel::xlHAlignLeft},
        {"Center", excel::xlHAlignCenter},
        {"Right", excel::xlHAlignRight},
        {"Fill", excel::xlHAlignFill},
        {"Justify", excel::xlHAlignJustify},
        {"CenterAcrossSelection", excel::xlHAlignCenterAcrossSelection},
        {"Distributed", excel::xlHAlignDistributed},
        {"JustifyDistributed", excel::xlHAlignDistributed},
    };
    for (const auto& [name, value] : kValues)
        if (v == name) return value;
    return excel::xlHAlignGeneral;  // "Automatic" and anything unknown
}

std::int32_t verticalOf(std::string_view v) {
    static const std::pair<std::string_view, std::int32_t> kValues[] = {
        {"Top", excel::xlVAlignTop},
        {"Center", excel::xlVAlignCenter},
        {"Justify", excel::xlVAlignJustify},
        {"Distributed", excel::xlVAlignDistributed},
        {"JustifyDistributed", excel::xlVAlignDistributed},
    };
    for (const auto& [name, value] : kValues)
        if (v == name) return value;
    return excel::xlVAlignBottom;  // "Bottom", "Automatic" and anything unknown
}

std::int32_t lineStyleOf(std::string_view v) {
    static const std::pair<std::string_view, std::int32_t> kValues[] = {
        {"Continuous", excel::xlContinuous},
        {"Dash", excel::xlDash},
        {"Dot", excel::xlDot},
        {"DashDot", excel::xlDashDot},
        {"DashDotDot", excel::xlDashDotDot},
        {"SlantDashDot", excel::xlSlantDashDot},
        {"Double", excel::xlDouble},
    };
    for (const auto& [name, value] : kValues)
        if (v == name) return value;
    return excel::xlLineStyleNone;
}

std::int32_t borderWeightOf(const char* v) {
    const auto w = v ? parseUnsigned(v) : std::optional<std::uint64_t>();
    if (!w || *w == 0) return excel::xlHairline;
    if (*w == 1) return excel::xlThin;
    if (*w == 2) return excel::xlMedium;
    return excel::xlThick;
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
                throw StyleError{
                    {ReadProblem::undefinedParentStyle,
                     {quotedText(std::string_view(e.id)), quotedText(std::string_view(*e.parent))},
                     std::nullopt}};
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
                throw StyleError{{ReadProblem::styleOwnAncestor,
                                  {quotedText(std::string_view(entries[*at].id))},
                                  std::nullopt}};
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
