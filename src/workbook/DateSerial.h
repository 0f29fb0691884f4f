// Calendar dates of spreadsheet serial day numbers and the Japanese era of a date.
#pragma once

#include <optional>

namespace tabrova::workbook {

struct CivilDate {
    int year = 0;
    int month = 0;    // 1-12
    int day = 0;      // 1-31; 0 only for serial 0 of the 1900 system ("1900-01-00")
    int weekday = 0;  // 0 Sunday … 6 Saturday
};

// The date of a whole serial day number. The 1900 system keeps the spreadsheet's fictitious
// 1900-02-29 (serial 60) and shows serial 0 as 1900-01-00; the 1904 system counts from
// 1904-01-01. Empty for a negative serial or one beyond 9999-12-31.
std::optional<CivilDate> dateFromSerial(long long serial, bool date1904);

// The largest whole serial that is still a date (9999-12-31) in the given system.
long long maxDateSerial(bool date1904);

struct JapaneseEra {
    int index = 0;  // 0 Meiji, 1 Taisho, 2 Showa, 3 Heisei, 4 Reiwa
    int year = 0;   // year within the era, 1 for the first (partial) year
};

// The era that a date falls into; dates before Meiji count as Meiji.
JapaneseEra japaneseEra(const CivilDate& date);

}  // namespace tabrova::workbook
