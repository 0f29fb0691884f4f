// The facts of the cells of an XML Spreadsheet 2003 sheet as the spreadsheet's object model
// reports them (see SelectionSource), from the document's model: alignment, font size, borders
// with the neighbours' facing edges, merged areas, the displayed text and the sizes.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "table/SelectionSource.h"
#include "workbook/SpreadsheetMl.h"

namespace tabrova::workbook::spreadsheetml {

// One cell's facts, and the sizes of its column and row, by which a caller that knows more of
// the sheet than the document (a range's XML starts at the range) places it.
struct PlacedFacts {
    CellFacts facts;
    double columnPoints = 0;  // 0 when hidden
    bool columnHidden = false;
    double rowPoints = 0;  // 0 when hidden
    bool rowHidden = false;
};

class SheetFacts {
public:
    // The document and its sheet stay owned by the caller and must outlive this object.
    SheetFacts(const Document& document, const Sheet& sheet);

    // The facts of a sheet cell (1-based, the document's origin applied) of the range whose
    // cells the document kept. mergeLeft and mergeTop count from the document's first column and
    // row: the sheet's position for a file, the range's top-left corner for a range's XML.
    PlacedFacts cell(std::uint32_t row, std::uint32_t col) const;

    // The text the sheet shows: strings through the format's text section, numbers and dates
    // through the format and fitted to the column (or the merged area the cell anchors) as
    // Excel does, TRUE and FALSE, errors as stored.
    std::u16string displayText(std::uint32_t row, std::uint32_t col) const;

    // The maximum digit width of the "Default" style's font, in pixels.
    int maxDigitWidth() const { return mdw_; }
    int columnPixels(std::uint32_t col) const;
    double rowPoints(std::uint32_t row) const;
    // Pixels of the columns from the document's first up to col (not included), points of the
    // rows from its first up to row.
    std::int64_t pixelsLeftOf(std::uint32_t col) const;
    double pointsAbove(std::uint32_t row) const;

private:
    // Sums over the entries of lines before an index, each entry counted by its difference
    // from the default size.
    struct LineSums {
        const std::vector<Line>* lines = nullptr;
        std::vector<double> before;  // sum over lines[0..i) of (size - default) x count
        double defaultSize = 0;
        std::uint32_t origin = 1;
        double sizeBefore(std::uint32_t index) const;
    };
    double columnPixelsOf(const Line* line) const;
    double rowPointsOf(const Line* line) const;
    BorderEdge edge(std::uint32_t row, std::uint32_t col, EdgeIndex index) const;

    const Document& doc_;
    const Sheet& sheet_;
    int mdw_ = 7;
    LineSums columnSums_;
    LineSums rowSums_;
};

// The cells of a range of the document's sheet as a selection source, named by the file's name
// and the sheet's. The document must hold the cells of that range.
std::unique_ptr<SelectionSource> sheetSelection(std::shared_ptr<const Document> document,
                                                std::size_t sheet, const CellRange& range,
                                                std::u16string fileName);

// Whether Excel's Value2 of the cell, as text, is a plain number: a Number or DateTime value
// whose 15-digit general form is not in exponent form, or a string of digits, stops, commas and
// minus signs.
bool valueLooksNumeric(const Cell& cell);

}  // namespace tabrova::workbook::spreadsheetml
