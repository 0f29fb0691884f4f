#include "settings/RecentBooks.h"

#include <algorithm>

namespace tabrova {

std::vector<std::u16string> withRecentBook(std::vector<std::u16string> books,
                                           std::u16string_view path) {
    if (path.empty()) return cleanedRecentBooks(books);
    books.insert(books.begin(), std::u16string(path));
    return cleanedRecentBooks(books);
}

std::vector<std::u16string> cleanedRecentBooks(const std::vector<std::u16string>& books) {
    std::vector<std::u16string> out;
    for (const std::u16string& book : books) {
        if (out.size() == kMaxRecentBooks) break;
        if (book.empty() || std::find(out.begin(), out.end(), book) != out.end()) continue;
        out.push_back(book);
    }
    return out;
}

}  // namespace tabrova
