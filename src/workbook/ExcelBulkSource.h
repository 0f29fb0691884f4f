// The running spreadsheet application read in bulk: the selection's XML Spreadsheet form
// (Range.Value(11): styles, merges, values and number formats in one call) and a few calls per
// column and row, instead of some thirty calls per cell. Any surprise (several areas, the XML
// refused or not understood, an application without it) hands the whole read to the per-cell
// read of the same selection.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/Automation.h"
#include "table/ExcelCellSource.h"
#include "table/SelectionSource.h"
#include "workbook/SpreadsheetMlFacts.h"

namespace tabrova::workbook {

class ExcelBulkSource final : public SelectionSource {
public:
    // cellByCellOptions: the option facts the per-cell fallback reads.
    ExcelBulkSource(std::u16string progId, char16_t decimalSeparator,
                    OptionFacts cellByCellOptions);
    ~ExcelBulkSource() override;

    SourceOpening open() override;
    SelectionRange range() override;
    void beginCells() override;
    CellFacts cell(std::int64_t row, std::int64_t col) override;
    OptionFacts unreadFacts() const override;

    // Why the read went over to the per-cell read; empty while it has not (for tests and
    // benchmarks).
    const std::u16string& fallbackReason() const { return fallbackReason_; }

private:
    struct Bulk;
    void fallBack(std::u16string reason);
    void readBulk();

    char16_t decimalSeparator_;
    // The per-cell read: it attaches, and takes over the whole read after a surprise.
    ExcelCellSource perCell_;
    automation::ObjectPtr selection_;
    CellRange range_;
    std::unique_ptr<Bulk> bulk_;
    bool fellBack_ = false;
    std::u16string fallbackReason_;
};

}  // namespace tabrova::workbook
