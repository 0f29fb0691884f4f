// The styles of an XML Spreadsheet 2003 document: the words of its style elements as the
// spreadsheet's enumerations, and the styles as listed resolved into the styles cells apply, each
// taking what it does not set from its parent or from "Default".
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "workbook/SpreadsheetMl.h"
#include "workbook/WorkbookError.h"

namespace tabrova::workbook::spreadsheetml {

// A style as the document lists it: only what it sets.
struct StyleEntry {
    std::string id;
    std::optional<std::string> parent;
    std::optional<std::int32_t> horizontal;
    std::optional<std::int32_t> vertical;
    std::optional<bool> wrapText;
    std::optional<bool> shrinkToFit;
    std::optional<std::u16string> fontName;
    std::optional<double> fontSize;
    // A Borders element lists all the lines of the style: the edges it leaves out have none.
    std::optional<std::array<BorderEdge, 4>> borders;
    std::optional<std::u16string> numberFormat;  // a format code, named formats resolved
};

// ss:Horizontal, ss:Vertical and ss:LineStyle as XlHAlign, XlVAlign and XlLineStyle; what the
// format does not know is general, bottom and no line.
std::int32_t horizontalOf(std::string_view value);
std::int32_t verticalOf(std::string_view value);
std::int32_t lineStyleOf(std::string_view value);
// ss:Weight as XlBorderWeight: 1 to 3 are thin, medium and thick; a hairline is written without
// a weight (or as 0).
std::int32_t borderWeightOf(const char* value);
// ss:Position of a border; nothing for the diagonals.
std::optional<EdgeIndex> edgeOf(std::string_view position);

// A style whose parent is missing or is the style itself, through any number of steps.
struct StyleError {
    ReadReason reason;
};

struct ResolvedStyles {
    std::vector<Style> styles;                               // "Default" first
    std::unordered_map<std::string, std::uint32_t> indexOf;  // by ss:ID
};

// Later entries of an ID replace earlier ones. Throws StyleError.
ResolvedStyles resolveStyles(std::vector<StyleEntry> entries);

}  // namespace tabrova::workbook::spreadsheetml
