// The drawing of the cell table: separator lines, merged-region outlines, cell texts and the
// sheet's border lines, in drawing units with the origin at the table's top-left corner and the
// table at y <= 0.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "dxf/MakeR12Dxf_V.h"
#include "table/CellTable.h"

namespace tabrova {

// The text shown for the table cell of column col, row row (0-based).
using CellTextFn = std::function<std::u16string(std::int32_t col, std::int32_t row)>;

inline constexpr std::u16string_view kLayerCellLine = u"XLSCellLine";
inline constexpr std::u16string_view kLayerCellText = u"XLSCellText";
inline constexpr std::u16string_view kLayerBordLine = u"XLSBordLine";

// Border segments closer than this are taken as touching or equal.
inline constexpr double kKeisenTolerance = 0.000001;

// A LINE: a cell separator on kLayerCellLine or a border line on kLayerBordLine.
struct DrawnLine {
    TAcadPoint start;
    TAcadPoint end;
    std::u16string_view layer;
};

// The closed outline of a merged region on kLayerCellLine: top-left, top-right, bottom-right,
// bottom-left.
struct DrawnOutline {
    std::array<TAcadPoint, 4> corners;
};

// One line of a cell text on kLayerCellText, placed by its base point and alignment code
// ("ML", "MC" or "MR": the base point is the middle of the text's left end, centre or right end).
struct DrawnText {
    std::u16string text;
    TAcadPoint base;
    double height = 0;
    std::u16string_view alignCode;
};

using DrawnEntity = std::variant<DrawnLine, DrawnOutline, DrawnText>;

// The entities of the table's drawing in the order the file holds them. nullopt when the table
// is empty or its shape does not match its records.
std::optional<std::vector<DrawnEntity>> buildTableDrawing(const CellTable& table,
                                                          const CellTextFn& text, double cadTof,
                                                          bool cellLineDraw);

// The scale ("cadXsc", "cadYsc", "cadTsc" or "cadTof") that makes a coordinate or a text height
// of the table's drawing overflow to infinity or become NaN, if any: the file has no way to hold
// such a number.
std::optional<std::u16string_view> nonFiniteScale(const CellTable& table, const CellTextFn& text,
                                                  double cadTof, bool cellLineDraw);

// The complete DXF file of the entities (header, tables, entities, end).
void writeDrawingDxf(DxfLineList& list, const std::vector<DrawnEntity>& entities);

// The complete DXF file of the table's drawing, exactly as writeTableDxf saves it. Returns false
// and leaves the list alone when the table is empty or unusable.
bool buildTableDxf(const CellTable& table, const CellTextFn& text, double cadTof, bool cellLineDraw,
                   DxfLineList& list);

// Draws the table and saves the DXF file at path, replacing any previous file only once the new
// one is complete. Returns false and writes nothing when the table is empty or unusable; throws
// platform::FileError when the file cannot be saved.
bool writeTableDxf(const CellTable& table, const CellTextFn& text, double cadTof, bool cellLineDraw,
                   const std::filesystem::path& path);

// True when |a - b| <= tol.
bool nearlyEqual(double a, double b, double tol);

// Appends the border segments of every cell edge that carries a border of the sheet (and lies on
// its merged region's outline, for a merged cell): vertical ones, running downward, to keisenV,
// horizontal ones, running rightward, to keisenH, in row-major cell order.
void collectKeisen(const CellTable& table, std::vector<TXlsxKeisen>& keisenV,
                   std::vector<TXlsxKeisen>& keisenH);

// Joins collinear border segments that continue one another and marks the absorbed ones and
// duplicates. The result is that of comparing every segment with every later one, in list
// order, but found through sorted indexes, so that long lists of segments that join nothing stay
// cheap.
void joinKeisen(std::vector<TXlsxKeisen>& keisenV, std::vector<TXlsxKeisen>& keisenH);

}  // namespace tabrova
