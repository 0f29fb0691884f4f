#include "workbook/DateSerial.h"

namespace tabrova::workbook {

namespace {

// Days since 1970-01-01 of a proleptic Gregorian date, and back.
long long daysFromCivil(long long y, unsigned m, unsigned d) {
    y -= m <= 2 ? 1 : 0;
    const long long era = (y >= 0 ? y : y - 399) / 400;
    const auto yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<long long>(doe) - 719468;
}

CivilDate civilFromDays(long long z) {
    z += 719468;
    const long long era = (z >= 0 ? z : z - 146096) / 146097;
    const auto doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    const unsigned d = doy - (153 * mp + 2) / 5 + 1;
    const unsigned m = mp < 10 ? mp + 3 : mp - 9;
    CivilDate c;
    c.year = static_cast<int>(static_cast<long long>(yoe) + era * 400 + (m <= 2 ? 1 : 0));
    c.month = static_cast<int>(m);
    c.day = static_cast<int>(d);
    c.weekday = static_cast<int>(((z - 719468) % 7 + 7 + 4) % 7);  // 1970-01-01 was a Thursday
    return c;
}

const long long kDays1899Dec31 = daysFromCivil(1899, 12, 31);
const long long kDays1904Jan1 = daysFromCivil(1904, 1, 1);
const long long kDays9999Dec31 = daysFromCivil(9999, 12, 31);

}  // namespace

long long maxDateSerial(bool date1904) {
    return date1904 ? kDays9999Dec31 - kDays1904Jan1 : kDays9999Dec31 - kDays1899Dec31 + 1;
}

std::optional<CivilDate> dateFromSerial(long long serial, bool date1904) {
    if (serial < 0 || serial > maxDateSerial(date1904)) return std::nullopt;
    if (date1904) return civilFromDays(kDays1904Jan1 + serial);
    CivilDate c;
    if (serial == 0) {
        c = {1900, 1, 0, 0};
    } else if (serial == 60) {
        c = {1900, 2, 29, 0};
    } else {
        c = civilFromDays(kDays1899Dec31 + serial - (serial > 60 ? 1 : 0));
    }
    // The 1900 system takes 1900-01-01 for a Sunday, which is right again from March 1900.
    c.weekday = static_cast<int>((serial + 6) % 7);
    return c;
}

JapaneseEra japaneseEra(const CivilDate& date) {
    struct Start {
        int year, month, day;
    };
    static constexpr Start kStarts[] = {
        {1868, 1, 1}, {1912, 7, 30}, {1926, 12, 25}, {1989, 1, 8}, {2019, 5, 1}};
    const long key = date.year * 10000L + date.month * 100L + date.day;
    int index = 0;
    for (int i = 4; i > 0; --i) {
        const Start& s = kStarts[i];
        if (key >= s.year * 10000L + s.month * 100L + s.day) {
            index = i;
            break;
        }
    }
    return {index, date.year - kStarts[index].year + 1};
}

}  // namespace tabrova::workbook
