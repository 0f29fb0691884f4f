#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "settings/RecentBooks.h"

namespace tabrova {
namespace {

using Books = std::vector<std::u16string>;

TEST(RecentBooksTest, OpenedBookGoesFirstOnceAndTheOldestFallOffPastEight) {
    const Books eight{u"1", u"2", u"3", u"4", u"5", u"6", u"7", u"8"};
    struct Case {
        const char* what;
        Books before;
        std::u16string opened;
        Books after;
    };
    const Case cases[] = {
        {"first book", {}, u"C:\\a.xlsx", {u"C:\\a.xlsx"}},
        {"new book in front", {u"b"}, u"a", {u"a", u"b"}},
        {"reopened book moves up", {u"a", u"b", u"c"}, u"c", {u"c", u"a", u"b"}},
        {"the latest again", {u"a", u"b"}, u"a", {u"a", u"b"}},
        {"ninth book drops the oldest",
         eight,
         u"9",
         {u"9", u"1", u"2", u"3", u"4", u"5", u"6", u"7"}},
        {"a book of a full list keeps all",
         eight,
         u"8",
         {u"8", u"1", u"2", u"3", u"4", u"5", u"6", u"7"}},
        {"names differ in case", {u"C:\\A.xlsx"}, u"C:\\a.xlsx", {u"C:\\a.xlsx", u"C:\\A.xlsx"}},
        {"no path", {u"a"}, u"", {u"a"}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(withRecentBook(c.before, c.opened), c.after) << c.what;
    }
}

TEST(RecentBooksTest, ListFromTheFileLosesBlanksRepeatsAndTheSurplus) {
    EXPECT_EQ(cleanedRecentBooks({u"", u"a", u"b", u"a", u"", u"c"}), (Books{u"a", u"b", u"c"}));
    const Books ten{u"1", u"2", u"3", u"4", u"5", u"6", u"7", u"8", u"9", u"10"};
    EXPECT_EQ(cleanedRecentBooks(ten).size(), kMaxRecentBooks);
    EXPECT_EQ(cleanedRecentBooks(ten).back(), u"8");
}

}  // namespace
}  // namespace tabrova
