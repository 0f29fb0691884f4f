#include "table/CellAddress.h"

namespace tabrova {

std::u16string ColNumToLetters(std::int64_t n) {
    std::u16string letters;
    while (n > 0) {
        std::int64_t r = n % 26;
        std::int64_t q = n / 26;
        if (r == 0) {
            r = 26;
            --q;
        }
        letters.insert(letters.begin(), static_cast<char16_t>(64 + r));
        n = q;
    }
    return letters;
}

std::u16string CellAddress(std::int64_t col, std::int64_t row) {
    std::u16string address = ColNumToLetters(col);
    for (char c : std::to_string(row)) address.push_back(static_cast<char16_t>(c));
    return address;
}

}  // namespace tabrova
