// Find and replace over the selected grid cells (the logic behind the replace dialog).
#pragma once

#include <string>
#include <string_view>

#include "grid/SelectionWalk.h"

namespace tabrova {

// The text with the first occurrence of `search` (compared exactly, unit by unit) replaced by
// `replacement`, taken literally. An empty search string matches nothing.
std::u16string ReplaceFirst(std::u16string_view text, std::u16string_view search,
                            std::u16string_view replacement);

// Applies ReplaceFirst to every non-empty selected cell and returns how many cells' texts it
// changed (a replacement equal to the search string changes none).
int ReplaceInSelection(TextGrid& grid, std::u16string_view search, std::u16string_view replacement);

// The message that reports a replace: "<count> 個の文字列を置換しました.".
std::u16string ReplaceReport(int count);

}  // namespace tabrova
