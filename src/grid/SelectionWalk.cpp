#include "grid/SelectionWalk.h"

namespace tabrova {

int walkSelection(TextGrid& grid, const TextConversion& convert) {
    const GridSelection sel = grid.selection();
    int visited = 0;
    for (int row = sel.top; row <= sel.bottom; ++row) {
        for (int col = sel.left; col <= sel.right; ++col) {
            const std::u16string text = grid.cellText(col, row);
            if (text.empty()) continue;
            grid.setCellText(col, row, convert(text));
            ++visited;
        }
    }
    return visited;
}

}  // namespace tabrova
