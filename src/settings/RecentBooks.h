// The list of recently used workbook files that the main window offers beside "ブック...": the
// most recent first, each file once, at most kMaxRecentBooks. Paths are kept as the window gives
// them (the file's canonical name, in the system's separators); two entries are the same file
// when their texts are equal.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace tabrova {

inline constexpr std::size_t kMaxRecentBooks = 8;

// The list after `path` was opened: `path` first, its earlier entry gone, the oldest entries
// beyond kMaxRecentBooks dropped. An empty path leaves the list as it is.
std::vector<std::u16string> withRecentBook(std::vector<std::u16string> books,
                                           std::u16string_view path);

// The list as read from the settings file: empty entries and repeats left out (the first one
// kept), at most kMaxRecentBooks.
std::vector<std::u16string> cleanedRecentBooks(const std::vector<std::u16string>& books);

}  // namespace tabrova
