#include "grid/Unit3.h"

namespace tabrova {

std::u16string ReplaceFirst(std::u16string_view text, std::u16string_view search,
                            std::u16string_view replacement) {
    std::u16string out(text);
    if (search.empty()) return out;
    const std::size_t at = text.find(search);
    if (at != std::u16string_view::npos) out.replace(at, search.size(), replacement);
    return out;
}

int ReplaceInSelection(TextGrid& grid, std::u16string_view search,
                       std::u16string_view replacement) {
    int changed = 0;
    walkSelection(grid, [search, replacement, &changed](const std::u16string& text) {
        std::u16string out = ReplaceFirst(text, search, replacement);
        if (out != text) ++changed;
        return out;
    });
    return changed;
}

std::u16string ReplaceReport(int count) {
    const std::string digits = std::to_string(count);
    return std::u16string(digits.begin(), digits.end()) + u" 個の文字列を置換しました.";
}

}  // namespace tabrova
