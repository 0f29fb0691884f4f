#include <gtest/gtest.h>

#include "table/CellAddress.h"

namespace tabrova {
namespace {

TEST(ColNumToLetters, BoundariesOfEachLetterCount) {
    const std::pair<int, std::u16string> cases[] = {
        {1, u"A"},   {26, u"Z"},   {27, u"AA"},   {52, u"AZ"},    {53, u"BA"},
        {702, u"ZZ"}, {703, u"AAA"}, {16384, u"XFD"}, {0, u""}, {-5, u""},
    };
    for (const auto& [n, letters] : cases) EXPECT_EQ(ColNumToLetters(n), letters) << n;
}

TEST(CellAddress, LettersThenRowNumber) {
    EXPECT_EQ(CellAddress(2, 1), u"B1");
    EXPECT_EQ(CellAddress(16, 97), u"P97");
    EXPECT_EQ(CellAddress(16384, 1048576), u"XFD1048576");
}

}  // namespace
}  // namespace tabrova
