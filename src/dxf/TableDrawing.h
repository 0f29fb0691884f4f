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
#include "settings/Settings.h"
#include "table/CellTable.h"

namespace tabrova {

// The text shown for the table cell of column col, row row (0-based).
using CellTextFn = std::function<std::u16string(std::int32_t col, std::int32_t row)>;

inline constexpr std::u16string_view kLayerCellLine = u"XLSCellLine";
inline constexpr std::u16string_view kLayerCellText = u"XLSCellText";
inline constexpr std::u16string_view kLayerBordLine = u"XLSBordLine";
inline constexpr std::u16string_view kLayerBordLineHair = u"XLSBordLine_Hair";
inline constexpr std::u16string_view kLayerBordLineMedium = u"XLSBordLine_Medium";
inline constexpr std::u16string_view kLayerBordLineThick = u"XLSBordLine_Thick";

// The line type of every entity that follows its layer's, continuous lines included.
inline constexpr std::u16string_view kLineTypeByLayer = u"BYLAYER";

// How closely the drawing follows the sheet: the option flags, each the use of the facts of the
// same name (border weights on their layers, line styles as line types and double borders as two
// lines; texts at the top or bottom of their region as the cell's txtPlace says; texts of
// wrapText cells broken into lines that fit their region; texts and lines wider than their
// region less its margins narrowed by a width factor). With every option off, every border is a
// thin continuous line on kLayerBordLine and every text one line (or one per line feed) centred
// vertically at full width: the file is the same whatever the cells' further fields hold.
struct DrawingOptions : OptionFacts {
    // Drawing units per point of the sheet: sizes the dash patterns and the distance between
    // the two lines of a double border.
    double unitsPerPoint = 0.43;

    bool operator==(const DrawingOptions&) const = default;
};

// The options of the working settings, with the CAD Y scale as units per point.
DrawingOptions drawingOptions(const WorkingSettings& settings);

// The distance between the two lines of a double border: 2 pixels of the sheet at 100 %, in
// points.
inline constexpr double kDoubleLineGapPoints = 1.5;

// Border segments closer than this are taken as touching or equal.
inline constexpr double kKeisenTolerance = 0.000001;

// A LINE: a cell separator on kLayerCellLine or a border line on kLayerBordLine (or, with border
// styles, the layer of its weight), with its line type.
struct DrawnLine {
    TAcadPoint start;
    TAcadPoint end;
    std::u16string_view layer;
    std::u16string_view lineType = kLineTypeByLayer;
    // Drawing units per point of the line type's dash pattern (as the file's line-type table
    // holds it scaled); 0 for continuous lines.
    double patternUnit = 0;
};

// The closed outline of a merged region on kLayerCellLine: top-left, top-right, bottom-right,
// bottom-left.
struct DrawnOutline {
    std::array<TAcadPoint, 4> corners;
};

// One line of a cell text on kLayerCellText, placed by its base point and alignment code
// ("ML", "MC" or "MR": the base point is the middle of the text's left end, centre or right end;
// with vertical alignment also "T." for its top and "B." for its bottom), narrowed by its width
// factor.
struct DrawnText {
    std::u16string text;
    TAcadPoint base;
    double height = 0;
    std::u16string_view alignCode;
    double widthFactor = 1.0;
};

using DrawnEntity = std::variant<DrawnLine, DrawnOutline, DrawnText>;

// What to draw and how: the table, its texts, the text offset, the cell-line switch and the
// options, with the scales the table was sized at (named when a coordinate overflows).
struct DrawingRequest {
    const CellTable& table;
    CellTextFn text;
    double cadTof = 0.8;  // the text base point's X offset as a multiple of the text height
    bool cellLineDraw = true;
    DrawingOptions options = {};
    double cadXsc = 0;
    double cadYsc = 0;
    double cadTsc = 0;
};

// The request for the table and texts as the working settings draw them, the cell lines as
// cellLineDraw says (the window's switch may differ from the saved one).
DrawingRequest drawingRequest(const CellTable& table, CellTextFn text,
                              const WorkingSettings& settings, bool cellLineDraw);

// The entities of the table's drawing in the order the file holds them. nullopt when the table
// is empty or its shape does not match its records.
std::optional<std::vector<DrawnEntity>> buildTableDrawing(const DrawingRequest& request);

// How many characters of the drawing's texts the file writes as kBeyondEscapeReplacement.
std::size_t charactersBeyondEscape(const std::vector<DrawnEntity>& entities);

// A scale of the working settings by its key in the settings file, with its value.
struct ScaleSetting {
    std::u16string_view name;  // "cadXsc", "cadYsc", "cadTsc" or "cadTof"
    double value = 0;
};

// The scale that makes a coordinate or a text height of the requested drawing overflow to
// infinity or become NaN, if any: the file has no way to hold such a number.
std::optional<ScaleSetting> nonFiniteScale(const DrawingRequest& request);

// The complete DXF file of the entities (header, tables, entities, end). The tables are those of
// border styles when options.borderStyles is on.
void writeDrawingDxf(DxfLineList& list, const std::vector<DrawnEntity>& entities,
                     const DrawingOptions& options = {});

// The complete DXF file of the table's drawing, exactly as writeTableDxf saves it. Returns false
// and leaves the list alone when the table is empty or unusable.
bool buildTableDxf(const DrawingRequest& request, DxfLineList& list);

// The same file handed to write in pieces as it is made, so that only a piece of it is held in
// memory at a time. Returns false and writes nothing when the table is empty or unusable.
bool streamTableDxf(const DrawingRequest& request, const DxfByteWriter& write);

// Draws the table and saves the DXF file at path, replacing any previous file only once the new
// one is complete. Returns false and writes nothing when the table is empty or unusable; throws
// platform::FileError when the file cannot be saved.
bool writeTableDxf(const DrawingRequest& request, const std::filesystem::path& path);

// True when |a - b| <= tol.
bool nearlyEqual(double a, double b, double tol);

}  // namespace tabrova
