#include "dxf/TextLayout.h"

#include <algorithm>

namespace tabrova {
namespace {

bool isLowSurrogate(char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

bool isSpace(char16_t c) { return c == u' ' || c == u'\t' || c == u'\u3000'; }

// Characters a line may not start with (closing punctuation, small kana, prolonged sound mark).
bool mayNotStartLine(char16_t c) {
    static constexpr std::u16string_view kClosing =
        u"、。，．・：；？！゛゜ヽヾゝゞ々ー）］｝」』】〕〉》〙〗’”"
        u"ぁぃぅぇぉっゃゅょゎァィゥェォッャュョヮヵヶ"
        u"｡｣､･ｧｨｩｪｫｬｭｮｯｰﾞﾟ"
        u",.)]}!?:;%";
    return kClosing.find(c) != std::u16string_view::npos || isLowSurrogate(c);
}

// Characters a line may not end with (opening brackets).
bool mayNotEndLine(char16_t c) {
    static constexpr std::u16string_view kOpening = u"（［｛「『【〔〈《〘〖‘“｢([{";
    return kOpening.find(c) != std::u16string_view::npos;
}

// Whether a line may begin at text[i] (0 < i < size).
bool breakBefore(std::u16string_view text, std::size_t i) {
    const char16_t prev = text[i - 1];
    const char16_t next = text[i];
    if (isSpace(next) || mayNotStartLine(next) || mayNotEndLine(prev)) return false;
    return isSpace(prev) || isWideChar(prev) || isWideChar(next);
}

double charEms(char16_t c) {
    if (isLowSurrogate(c)) return 0;  // counted with its high surrogate
    return isWideChar(c) ? 1.0 : kNarrowEm;
}

std::u16string_view trimmedEnd(std::u16string_view text) {
    while (!text.empty() && isSpace(text.back())) text.remove_suffix(1);
    return text;
}

}  // namespace

bool isWideChar(char16_t c) {
    return (c >= 0x1100 && c <= 0x115F) || (c >= 0x2E80 && c <= 0xA4CF) ||
           (c >= 0xAC00 && c <= 0xD7A3) || (c >= 0xF900 && c <= 0xFAFF) ||
           (c >= 0xFE30 && c <= 0xFE4F) || (c >= 0xFF00 && c <= 0xFF60) ||
           (c >= 0xFFE0 && c <= 0xFFE6) || (c >= 0xD800 && c <= 0xDBFF);
}

double estimateTextWidth(std::u16string_view text, double capHeight) {
    double ems = 0;
    for (char16_t c : text) ems += charEms(c);
    return ems * capHeight / kCapHeightPerEm;
}

std::vector<std::u16string> wrapTextLine(std::u16string_view text, double capHeight,
                                         double maxWidth) {
    std::vector<std::u16string> lines;
    if (!(maxWidth > 0) || !(capHeight > 0)) {
        lines.emplace_back(text);
        return lines;
    }
    const double maxEms = maxWidth * kCapHeightPerEm / capHeight;
    std::size_t start = 0;
    while (true) {
        while (start < text.size() && isSpace(text[start]) && !lines.empty()) ++start;
        // The longest stretch from start that fits, ending where a line may end.
        double ems = 0;
        std::size_t end = start;
        std::size_t lastBreak = start;  // the last place after start where a line may begin
        while (end < text.size()) {
            const double next = ems + charEms(text[end]);
            if (end > start && breakBefore(text, end)) lastBreak = end;
            if (next > maxEms && !isSpace(text[end]) && end > start) break;
            ems = next;
            ++end;
        }
        if (end == text.size()) {
            lines.emplace_back(trimmedEnd(text.substr(start)));
            return lines;
        }
        // Break at the last opportunity; a stretch without one is cut where it overflows.
        const std::size_t cut = lastBreak > start ? lastBreak : end;
        lines.emplace_back(trimmedEnd(text.substr(start, cut - start)));
        start = cut;
    }
}

double widthFactorToFit(double width, double allowed) {
    if (!(width > allowed)) return 1.0;
    if (!(allowed > 0)) return kMinWidthFactor;
    return std::max(kMinWidthFactor, allowed / width);
}

}  // namespace tabrova
