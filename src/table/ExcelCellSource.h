// The running spreadsheet application read cell by cell: for every cell of the selection the
// member reads of the object model in their fixed order (28 calls with every drawing option off),
// late-bound through the automation layer. Slow across processes, but it asks nothing of the
// application beyond the plainest members, so it is also the fallback of the bulk read.
#pragma once

#include <string>
#include <string_view>

#include "platform/Automation.h"
#include "table/SelectionSource.h"

namespace tabrova {

// The numeric-text test of a cell's Value2: its plain text (a number in general form with the
// user's decimal separator) is not empty and passes IsNumStr. An error value has no plain text.
// Every source decides numericValue through this, so that all agree with the running
// application.
bool valueLooksNumeric(const automation::Variant& value2, char16_t decimalSeparator);

class ExcelCellSource final : public SelectionSource {
public:
    // read: the option facts to read; the others stay unread (and say so in unreadFacts).
    // decimalSeparator: the user's, for the plain text of Value2.
    ExcelCellSource(std::u16string progId, char16_t decimalSeparator, OptionFacts read);
    // Reads cells of a sheet already attached to (open() is then not called).
    ExcelCellSource(automation::ObjectPtr application, automation::ObjectPtr sheet,
                    char16_t decimalSeparator, OptionFacts read);

    SourceOpening open() override;
    SelectionRange range() override;
    CellFacts cell(std::int64_t row, std::int64_t col) override;
    OptionFacts unreadFacts() const override;

    // The four edges of a cell (its lineBits and, with weights, its edgeStyles) by the members
    // Borders(i).LineStyle and Weight. Throws SourceError.
    void readEdges(std::int64_t row, std::int64_t col, bool weights, CellFacts& facts);

    // After a ready open(): the application and its active sheet.
    const automation::ObjectPtr& application() const { return app_; }
    const automation::ObjectPtr& sheet() const { return sheet_; }

private:
    double fontSize(const automation::ObjectPtr& cell);
    void edges(const automation::ObjectPtr& cell, bool weights, CellFacts& facts);
    // Runs a member read under its name, so that a failure names the member.
    template <class F>
    auto reading(std::u16string_view member, F&& read) -> decltype(read());

    std::u16string progId_;
    char16_t decimalSeparator_;
    OptionFacts read_;
    automation::ObjectPtr app_;
    automation::ObjectPtr sheet_;
};

}  // namespace tabrova
