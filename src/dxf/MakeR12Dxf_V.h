// Writer of DXF release 12 drawings: the fixed sections, LINE, POLYLINE and TEXT entities, and
// the save. The operations append to a line list in memory; only the save touches the disk.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "table/CellTable.h"

namespace tabrova {

class DxfItemWriter;

// Takes the next piece of a DXF file's bytes.
using DxfByteWriter = std::function<void(std::string_view)>;

// The text of a DXF file as an ordered list of items. An item may hold several physical lines
// separated by CR LF; the file has CR LF after every item. The list knows the code page the file
// is written in and keeps the items encoded in it, exactly as the file will hold them.
//
// A streaming list (one given a writer) keeps only a piece of the file: whenever the bytes it
// holds pass a megabyte, at the end of an item, it hands them to the writer and starts afresh;
// flush hands on the rest.
class DxfLineList {
public:
    // The system's ANSI code page.
    DxfLineList();
    explicit DxfLineList(unsigned codePage);
    // Streaming, in the system's ANSI code page or in the one given.
    explicit DxfLineList(DxfByteWriter writer);
    DxfLineList(unsigned codePage, DxfByteWriter writer);

    unsigned codePage() const { return codePage_; }
    bool streaming() const { return static_cast<bool>(writer_); }
    void clear() {
        bytes_.clear();
        itemCount_ = 0;
    }
    // Ignored by a streaming list, whose pieces stay small.
    void reserve(std::size_t bytes) {
        if (!streaming()) bytes_.reserve(bytes);
    }
    // Hands the bytes held to the writer of a streaming list.
    void flush();
    // A character the code page cannot represent is written as its \U+XXXX escape.
    void append(std::u16string_view item);
    std::size_t itemCount() const { return itemCount_; }

    // The physical lines of the file, without their line ends.
    std::vector<std::u16string> lines() const;
    // The whole file as UTF-16: every item followed by CR LF.
    std::u16string text() const;
    // The bytes of the file (of a streaming list: those not yet handed on).
    const std::string& encoded() const { return bytes_; }

private:
    friend class DxfItemWriter;

    void itemEnded();

    unsigned codePage_;
    DxfByteWriter writer_;
    std::string bytes_;
    std::size_t itemCount_ = 0;
};

// A real number as DXF value: rounded to 15 significant digits, fixed notation for decimal
// exponents from -4 to 14, otherwise d.dddE±x; no trailing zeros, "." as the decimal point in
// every locale, negative zero as "0".
std::string formatDxfReal(double value);

// What a text character becomes where the code page lacks it and the \U+XXXX escape, which
// holds four hexadecimal digits, cannot name it either: a character beyond the BMP, such as the
// 𠮷 of 𠮷野家. The geta mark is the Japanese typesetter's sign for a character that could not be
// set; it shows the operator where one is missing, where a look-alike (吉) would pass unnoticed
// and "?" reads as part of the text. ("?" stands in where the code page lacks the mark too.)
inline constexpr char16_t kBeyondEscapeReplacement = u'\u3013';  // 〓

// A text as TEXT value for a file in the code page: carriage returns dropped, other control
// characters (except tab) replaced by a space, characters the code page cannot represent written
// as \U+XXXX, and those beyond the BMP (or stray surrogates) as kBeyondEscapeReplacement.
std::u16string dxfTextValue(std::u16string_view text, unsigned codePage);

// How many characters of the text the file can hold neither in the code page nor as an escape.
std::size_t charactersBeyondEscape(std::u16string_view text);

// The layers of the layer table, in file order, with their colour numbers.
struct DxfLayer {
    std::u16string_view name;
    std::int32_t color;
};
inline constexpr DxfLayer kDxfLayers[] = {
    {u"0", 7},
    {u"XLSCellLine", 252},
    {u"XLSCellText", 7},
    {u"XLSBordLine", 7},
};

// The layers the drawing adds for border weights when it draws border styles, after the four
// above. Thin borders stay on "XLSBordLine". Each weight has its own colour so that a
// colour-dependent plot style can give it its own pen: magenta for the hairline, blue for medium,
// red for thick. Standard colours that read on a white and on a black background, apart from
// white (7: texts and thin borders) and from the grey of the cell lines, which a grey hairline
// lying on them could not be told from.
inline constexpr DxfLayer kDxfBorderWeightLayers[] = {
    {u"XLSBordLine_Hair", 6},
    {u"XLSBordLine_Medium", 5},
    {u"XLSBordLine_Thick", 1},
};

// A line type of the border styles: dashes (positive) and gaps (negative) in points of the
// sheet, scaled to drawing units when the table is written.
struct DxfLineType {
    std::u16string_view name;
    std::string_view description;
    std::span<const double> elements;
};
inline constexpr double kDashedElements[] = {6, -3};
inline constexpr double kDotElements[] = {0.75, -2.25};
inline constexpr double kDashDotElements[] = {6, -2.25, 0.75, -2.25};
inline constexpr double kDivideElements[] = {6, -2.25, 0.75, -2.25, 0.75, -2.25};
inline constexpr DxfLineType kDxfBorderLineTypes[] = {
    {u"DASHED", "Dashed __ __ __ __", kDashedElements},
    {u"DOT", "Dot . . . . . . . .", kDotElements},
    {u"DASHDOT", "Dash dot __ . __ . __", kDashDotElements},
    {u"DIVIDE", "Divide __ . . __ . . __", kDivideElements},
};

// The dash pattern of a line type of kDxfBorderLineTypes in points; empty for any other name
// (continuous lines).
std::span<const double> dxfLineTypeElements(std::u16string_view lineType);

// The colour number of a layer of the layer tables; 7 for any other layer.
std::int32_t dxfLayerColor(std::u16string_view layer);

// The group 72 and 73 values that dxfWriteText writes for an alignment code and passed values.
void dxfTextJustification(std::u16string_view alignCode, std::int32_t& horizontalJust,
                          std::int32_t& verticalAlign);

// A text with carriage returns dropped and other control characters (except tab) as spaces, as
// the TEXT value holds it before code-page escaping.
std::u16string dxfTextWithoutControls(std::u16string_view text);

// Empties the list, then appends the header section and the start of the tables section.
void dxfWriteHeader(DxfLineList& list);
void dxfWriteLtypeTable(DxfLineList& list);
void dxfWriteLayerTable(DxfLineList& list);
// The tables of a drawing with border styles: CONTINUOUS and the line types of
// kDxfBorderLineTypes, their patterns scaled by unitsPerPoint; the layers of kDxfLayers and
// kDxfBorderWeightLayers.
void dxfWriteBorderStyleLtypeTable(DxfLineList& list, double unitsPerPoint);
void dxfWriteBorderStyleLayerTable(DxfLineList& list);
// Ends the tables section and starts the entity section.
void dxfBeginEntities(DxfLineList& list);

void dxfWriteLine(DxfLineList& list, const TAcadPoint& start, const TAcadPoint& end,
                  std::u16string_view layer, std::u16string_view lineType, std::int32_t color);

// Writes the vertices 0 ... lastIndex of points (none when lastIndex < 0). The vertices carry
// only x and y; z is written as 0.
void dxfWritePolyline(DxfLineList& list, std::span<const TAcadPoint> points, std::int32_t lastIndex,
                      bool closed, std::u16string_view layer, std::u16string_view lineType,
                      std::int32_t color);

// alignCode ("ML", "MC", "MR", ...) overrides horizontalJust (group 72) and verticalAlign
// (group 73) where it is recognised.
void dxfWriteText(DxfLineList& list, std::u16string_view text, const TAcadPoint& first,
                  const TAcadPoint& second, double height, double widthFactor, double rotation,
                  std::int32_t horizontalJust, std::int32_t verticalAlign,
                  std::u16string_view alignCode, std::u16string_view layer, std::int32_t color);

void dxfWriteEnd(DxfLineList& list);

// Writes the file in the list's code page, replacing any file at the path only once the new one
// is complete. Throws platform::FileError naming the path and the reason.
void dxfSaveToFile(const DxfLineList& list, const std::filesystem::path& path);

}  // namespace tabrova
