// The styles of an OpenDocument spreadsheet: the attribute values of its style properties as the
// spreadsheet's enumerations and units, and the cell styles resolved through their parents into
// the styles cells apply.
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

namespace tabrova::workbook::ods {

// A length ("2.258cm", "12mm", "0.5in", "10pt", "1pc", "96px") in points; nothing for another
// unit, a percentage, a negative or a number that is not finite.
std::optional<double> pointsOfLength(std::string_view text);

// fo:text-align as XlHAlign; style:vertical-align as XlVAlign.
std::int32_t horizontalOf(std::string_view value);
std::int32_t verticalOf(std::string_view value);

// fo:border and its edges ("0.74pt solid #000000", "none") as the line style and weight the
// object model reports; no line for "none", "hidden" or a zero width, nothing for a value that is
// not a border.
std::optional<BorderEdge> borderOf(std::string_view value);

// A cell style as the document lists it: only what it sets. Each property inherits on its own.
struct CellStyleEntry {
    std::optional<std::string> parent;
    std::optional<std::int32_t> horizontal;  // fo:text-align
    std::optional<bool> alignByValue;        // style:text-align-source="value-type"
    std::optional<std::int32_t> vertical;
    std::optional<bool> wrapText;
    std::optional<bool> shrinkToFit;
    std::optional<std::u16string> fontName;  // the font's family name
    std::optional<double> fontSize;
    std::array<std::optional<BorderEdge>, 4> borders{};  // by EdgeIndex
};

// A style that is its own ancestor.
struct StyleError {
    ReadReason reason;
};

struct CellStyles {
    // The document's default cell style (style:default-style) and its styles, named ones in
    // office:styles and automatic ones; an automatic style of the same name as a named one hides
    // it from cells.
    CellStyleEntry defaults;
    std::unordered_map<std::string, CellStyleEntry> named;
    std::unordered_map<std::string, CellStyleEntry> automatic;
};

struct ResolvedStyles {
    std::vector<spreadsheetml::Style> styles;  // the "Default" named style (else the defaults)
    std::unordered_map<std::string, std::uint32_t> indexOf;  // automatic names, then named ones
};

// Resolves every style through its parents; a style without one, or whose parent is missing (as
// the spreadsheet itself takes it), inherits from the defaults. Throws StyleError for a cycle.
ResolvedStyles resolveStyles(const CellStyles& styles);

}  // namespace tabrova::workbook::ods
