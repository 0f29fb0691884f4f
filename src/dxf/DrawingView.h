// The picture of a table's drawing: its entities (as the DXF file holds them) turned into a
// display list in view coordinates, for any painter. View coordinates are pixels with y growing
// downward; drawing units have y growing upward.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "dxf/TableDrawing.h"
#include "dxf/TextLayout.h"

namespace tabrova {

struct ViewPoint {
    double x = 0;
    double y = 0;
};

struct ViewRect {
    double left = 0;
    double top = 0;
    double width = 0;
    double height = 0;
};

// Drawing units to view pixels: view x = offsetX + x * scale, view y = offsetY - y * scale.
struct ViewTransform {
    double scale = 1;
    double offsetX = 0;
    double offsetY = 0;

    ViewPoint toView(double x, double y) const { return {offsetX + x * scale, offsetY - y * scale}; }
    ViewPoint toView(const TAcadPoint& p) const { return toView(p.x, p.y); }
    TAcadPoint toDrawing(ViewPoint p) const {
        return {(p.x - offsetX) / scale, (offsetY - p.y) / scale, 0};
    }
    // Zoomed by factor, keeping the drawing point under the view point fixed where it is.
    ViewTransform zoomedAt(ViewPoint fixed, double factor) const;
    ViewTransform pannedBy(double dx, double dy) const {
        return {scale, offsetX + dx, offsetY + dy};
    }
};

// A rectangle in drawing units; empty until something is added.
struct DrawingBounds {
    double minX = 0;
    double minY = 0;
    double maxX = 0;
    double maxY = 0;
    bool valid = false;

    void add(double x, double y);
    void add(const DrawingBounds& other);
    double width() const { return valid ? maxX - minX : 0; }
    double height() const { return valid ? maxY - minY : 0; }
};

struct Rgb {
    std::uint8_t r = 0;
    std::uint8_t g = 0;
    std::uint8_t b = 0;
    bool operator==(const Rgb&) const = default;
};

// The colour a CAD shows for a colour number on a white background: 7 (white on black) as
// black, the grey numbers 250 ... 255 as their greys, the seven standard colours as themselves.
Rgb colorOnWhite(std::int32_t colorNumber);

// Descenders reach this many cap heights below the baseline.
inline constexpr double kDescentPerCap = 0.3;

// The advance width of a text whose capital letters are capHeight high, in the same units.
using TextWidthFn = std::function<double(std::u16string_view text, double capHeight)>;

struct PlacedText {
    ViewPoint baselineStart;  // where the painter starts the text on its baseline
    ViewRect box;             // from the cap line to the baseline, over the text's width
};

// Where a text of the given width and cap height (view units) lies for its alignment point and
// DXF justification (group 72: 0 left, 1 centre, 2 right, 4 middle; group 73: 0 baseline,
// 1 bottom, 2 middle, 3 top). Codes that need a second point (aligned, fit) start at the anchor.
PlacedText placeText(ViewPoint anchor, double width, double capHeight,
                        std::int32_t horizontalJust, std::int32_t verticalAlign);

// A straight piece of a line (a dashed line is one per dash), width pixels wide.
struct DisplayLine {
    ViewPoint start;
    ViewPoint end;
    Rgb color;
    double width = 1;
};

// The pen width in pixels of lines on a layer: 2 for medium and 3 for thick border weights,
// 1 for every other layer.
double layerPenWidth(std::u16string_view layer);

// A closed polyline.
struct DisplayOutline {
    std::array<ViewPoint, 4> corners;
    Rgb color;
};

struct DisplayText {
    std::u16string text;  // as the file holds it, without control characters
    ViewPoint anchor;     // the alignment point
    double capHeight = 0;
    std::int32_t horizontalJust = 0;
    std::int32_t verticalAlign = 0;
    double widthFactor = 1;  // the text is drawn this much narrower than the font's
    Rgb color;
    PlacedText placement;  // over the narrowed width
};

struct DisplayList {
    std::vector<DisplayLine> lines;
    std::vector<DisplayOutline> outlines;
    std::vector<DisplayText> texts;
};

// The extent of the lines and outlines (the table's frame); when there are none, that of the
// texts' boxes.
DrawingBounds tableBounds(const std::vector<DrawnEntity>& entities,
                          const TextWidthFn& width = estimateTextWidth);
// The extent of everything drawn, texts that overflow their cells included.
DrawingBounds drawingBounds(const std::vector<DrawnEntity>& entities,
                            const TextWidthFn& width = estimateTextWidth);

// "W 120.000 × H 45.000": the size of the bounds in drawing units.
std::u16string drawingSizeLabel(const DrawingBounds& bounds);

// The transform that shows the bounds whole and centred in a view, margin pixels from its edges.
ViewTransform fitToView(const DrawingBounds& bounds, double viewWidth, double viewHeight,
                        double margin);

// Pixels per drawing unit at which the smallest text's capital letters are minCapPixels high,
// reduced so that the drawing stays within maxSide pixels each way and maxPixels in all (a
// picture of 32-bit pixels in memory), and raised so that its longer side has at least minSide
// pixels.
double legibleScale(const std::vector<DrawnEntity>& entities, double minCapPixels = 11,
                    double maxSide = 12000, double minSide = 480, double maxPixels = 40e6);

// A picture of a whole drawing at a legible scale: its size in pixels (with a band at the bottom
// for the size label) and the transform that places the drawing in it.
struct PicturePlan {
    int width = 0;
    int height = 0;
    ViewTransform transform;
    std::u16string sizeLabel;
};
inline constexpr double kPictureMargin = 16;
inline constexpr double kPictureLabelBand = 24;
PicturePlan planPicture(const std::vector<DrawnEntity>& entities,
                        const TextWidthFn& width = estimateTextWidth);

DisplayList buildDisplayList(const std::vector<DrawnEntity>& entities,
                             const ViewTransform& transform,
                             const TextWidthFn& width = estimateTextWidth);

// An SVG picture of the display list on a white background of the given size, with the label
// (if any) in its bottom-left corner. Texts are in Noto Sans CJK JP (with fallbacks), em-sized so
// that their capital letters have the display list's cap height.
std::string displayListSvg(const DisplayList& list, double width, double height,
                           std::u16string_view label);

}  // namespace tabrova
