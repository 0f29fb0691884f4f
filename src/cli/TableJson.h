// The --dump-table JSON: the table as read and sized, with the scales it was drawn at.
#pragma once

#include <string>

#include "table/CellTable.h"

namespace tabrova::cli {

struct DumpInfo {
    std::u16string workbook;
    std::u16string sheet;
    std::u16string first;
    std::u16string last;
    double cadXsc = 0;
    double cadYsc = 0;
    double cadTsc = 0;
    double cadTof = 0;
    bool cellLineDraw = true;
};
std::string tableJson(const DumpInfo& info, const CellTable& table);

// A double in the shortest form that reads back to the same value ("0.43", "24", "1e+300").
std::string jsonNumber(double value);

}  // namespace tabrova::cli
