// The walk over the selected cells of the text grid that every grid text command uses.
#pragma once

#include <functional>
#include <string>

namespace tabrova {

// A rectangle of grid cells, bounds inclusive, in the grid's own coordinates.
struct GridSelection {
    int left = 0;
    int top = 0;
    int right = -1;
    int bottom = -1;
};

// The texts of a grid as the text commands see them. The desktop grid implements it.
class TextGrid {
public:
    virtual ~TextGrid() = default;
    virtual GridSelection selection() const = 0;
    virtual std::u16string cellText(int col, int row) const = 0;
    virtual void setCellText(int col, int row, const std::u16string& text) = 0;
};

using TextConversion = std::function<std::u16string(const std::u16string&)>;

// Visits the selection row by row from the top, each row from left to right. An empty cell is
// skipped and stays empty; every other cell gets the converted text written back, changed or not.
// Returns the number of non-empty cells visited.
int walkSelection(TextGrid& grid, const TextConversion& convert);

}  // namespace tabrova
