// A1-style cell addresses.
#pragma once

#include <cstdint>
#include <string>

namespace tabrova {

// Column number (1-based) to the sheet's column letters: 1 A, 26 Z, 27 AA, 703 AAA, 16384 XFD.
// Empty for n <= 0.
std::u16string ColNumToLetters(std::int64_t n);

// Column letters followed by the row number: (2, 1) gives "B1".
std::u16string CellAddress(std::int64_t col, std::int64_t row);

}  // namespace tabrova
