#include "sizing/SizeDisplay.h"

#include <algorithm>
#include <charconv>
#include <map>

#include "table/CellGeometry.h"

namespace tabrova {

namespace {

std::string fixed3(double value) {
    char buffer[400];
    const auto result =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, 3);
    return std::string(buffer, result.ptr);
}

std::u16string widen(const std::string& text, char16_t decimalSeparator) {
    std::u16string out;
    out.reserve(text.size());
    for (char c : text) out.push_back(c == '.' ? decimalSeparator : static_cast<char16_t>(c));
    return out;
}

// Collects one series: total, minimum, maximum and the counts of the "%.3f" keys, padded in
// front to 12 characters so that their text order follows their value.
class SeriesCounter {
public:
    void add(double value) {
        if (count_ == 0) {
            minimum_ = maximum_ = value;
        } else {
            minimum_ = std::min(minimum_, value);
            maximum_ = std::max(maximum_, value);
        }
        ++count_;
        total_ += value;
        std::string key = fixed3(value);
        if (key.size() < 12) key.insert(0, 12 - key.size(), ' ');
        key.push_back(' ');
        ++counts_[key];
    }

    SizeSeriesSummary result() const {
        SizeSeriesSummary summary;
        summary.minimum = minimum_;
        summary.maximum = maximum_;
        summary.total = total_;
        // The map walks the keys in ascending order; a later key wins only with a strictly
        // higher count.
        const std::string* best = nullptr;
        int bestCount = 0;
        for (const auto& [key, n] : counts_) {
            if (best == nullptr || n > bestCount) {
                best = &key;
                bestCount = n;
            }
        }
        if (best != nullptr) {
            const auto first = best->find_first_not_of(' ');
            const auto last = best->find_last_not_of(' ');
            const std::string trimmed = best->substr(first, last - first + 1);
            std::from_chars(trimmed.data(), trimmed.data() + trimmed.size(), summary.mode);
        }
        return summary;
    }

private:
    int count_ = 0;
    double total_ = 0;
    double minimum_ = 0;
    double maximum_ = 0;
    std::map<std::string, int> counts_;
};

}  // namespace

std::u16string formatSize(double value, char16_t decimalSeparator) {
    return widen(fixed3(value), decimalSeparator);
}

std::optional<SizeSeriesSummary> summarizeSizes(const CellTable& table, SizeSeries series) {
    if (!table.usable()) return std::nullopt;
    SeriesCounter counter;
    switch (series) {
        case SizeSeries::columnWidths:
            for (std::int32_t c = 0; c < table.colCount; ++c) counter.add(table.at(c, 0).drawW);
            break;
        case SizeSeries::rowHeights:
            for (std::int32_t r = 0; r < table.rowCount; ++r) counter.add(table.at(0, r).drawH);
            break;
        case SizeSeries::textHeights:
            for (const TXlsxCellAttr& cell : table.cells) counter.add(cell.drawTH);
            break;
    }
    return counter.result();
}

std::optional<std::array<std::u16string, 5>> sizeSummaryTexts(const CellTable& table,
                                                              char16_t decimalSeparator) {
    if (!table.usable()) return std::nullopt;
    std::array<std::u16string, 5> texts;
    const SizeSeries order[] = {SizeSeries::columnWidths, SizeSeries::rowHeights,
                                SizeSeries::textHeights};
    double totals[2] = {0, 0};
    for (int i = 0; i < 3; ++i) {
        const SizeSeriesSummary s = *summarizeSizes(table, order[i]);
        if (i < 2) totals[i] = s.total;
        texts[static_cast<std::size_t>(i) + 2] = formatSize(s.mode, decimalSeparator) + u" (" +
                                                 formatSize(s.minimum, decimalSeparator) + u"～" +
                                                 formatSize(s.maximum, decimalSeparator) + u")";
    }
    texts[0] = formatSize(totals[0], decimalSeparator);
    texts[1] = formatSize(totals[1], decimalSeparator);
    return texts;
}

double totalDrawWidth(const CellTable& table) {
    double total = 0;
    if (!table.usable()) return total;
    for (std::int32_t c = 0; c < table.colCount; ++c) total += table.at(c, 0).drawW;
    return total;
}

double totalDrawHeight(const CellTable& table) {
    double total = 0;
    if (!table.usable()) return total;
    for (std::int32_t r = 0; r < table.rowCount; ++r) total += table.at(0, r).drawH;
    return total;
}

std::u16string totalsLabelText(const CellTable& table, char16_t decimalSeparator) {
    if (!table.usable()) return {};
    return u"全体: W=" + formatSize(totalDrawWidth(table), decimalSeparator) + u" x H=" +
           formatSize(totalDrawHeight(table), decimalSeparator);
}

std::u16string cellSizeQuestion(CellSizeField field) {
    switch (field) {
        case CellSizeField::width:
            return u"選択範囲の列幅を変更しますか？";
        case CellSizeField::height:
            return u"選択範囲の行高さを変更しますか？";
        case CellSizeField::textHeight:
            break;
    }
    return u"選択範囲の文字高さを変更しますか？";
}

double cellSizeValue(const CellTable& table, CellSizeField field, std::int32_t col,
                     std::int32_t row) {
    if (!table.usable() || col < 0 || row < 0 || col >= table.colCount || row >= table.rowCount) {
        return 0;
    }
    const TXlsxCellAttr& cell = table.at(col, row);
    switch (field) {
        case CellSizeField::width:
            return cell.drawW;
        case CellSizeField::height:
            return cell.drawH;
        case CellSizeField::textHeight:
            break;
    }
    return cell.drawTH;
}

bool applyCellSize(CellTable& table, CellSizeField field, double value,
                   const GridSelection& selection) {
    if (!table.usable()) return false;
    // Table columns and rows under the selection, clipped to the table.
    const std::int32_t left = std::max(selection.left - 1, 0);
    const std::int32_t top = std::max(selection.top - 1, 0);
    const std::int32_t right = std::min(selection.right - 1, table.colCount - 1);
    const std::int32_t bottom = std::min(selection.bottom - 1, table.rowCount - 1);
    switch (field) {
        case CellSizeField::width:
            for (std::int32_t r = 0; r < table.rowCount; ++r) {
                for (std::int32_t c = left; c <= right; ++c) table.at(c, r).drawW = value;
            }
            recalcMergeDrawSizes(table);
            break;
        case CellSizeField::height:
            for (std::int32_t r = top; r <= bottom; ++r) {
                for (std::int32_t c = 0; c < table.colCount; ++c) table.at(c, r).drawH = value;
            }
            recalcMergeDrawSizes(table);
            break;
        case CellSizeField::textHeight:
            for (std::int32_t r = top; r <= bottom; ++r) {
                for (std::int32_t c = left; c <= right; ++c) table.at(c, r).drawTH = value;
            }
            break;
    }
    return true;
}

}  // namespace tabrova
