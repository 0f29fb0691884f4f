#include "dxf/TableDrawing.h"

#include <algorithm>
#include <cmath>

#include "dxf/BorderRuns.h"
#include "dxf/TextLayout.h"
#include "platform/AtomicFile.h"

namespace tabrova {
namespace {

constexpr std::int32_t kByLayer = 256;

// Receives the entities of the drawing in file order.
class DrawingSink {
public:
    virtual ~DrawingSink() = default;
    virtual void line(const TAcadPoint& start, const TAcadPoint& end, std::u16string_view layer,
                      std::u16string_view lineType = kLineTypeByLayer, double patternUnit = 0) = 0;
    virtual void outline(const std::array<TAcadPoint, 4>& corners) = 0;
    virtual void text(std::u16string_view text, const TAcadPoint& base, double height,
                      std::u16string_view alignCode, double widthFactor = 1.0) = 0;
};

class EntityCollector : public DrawingSink {
public:
    explicit EntityCollector(std::vector<DrawnEntity>& out) : out_(out) {}
    void line(const TAcadPoint& start, const TAcadPoint& end, std::u16string_view layer,
              std::u16string_view lineType, double patternUnit) override {
        out_.emplace_back(DrawnLine{start, end, layer, lineType, patternUnit});
    }
    void outline(const std::array<TAcadPoint, 4>& corners) override {
        out_.emplace_back(DrawnOutline{corners});
    }
    void text(std::u16string_view text, const TAcadPoint& base, double height,
              std::u16string_view alignCode, double widthFactor) override {
        out_.emplace_back(DrawnText{std::u16string(text), base, height, alignCode, widthFactor});
    }

private:
    std::vector<DrawnEntity>& out_;
};

class DxfEntityWriter : public DrawingSink {
public:
    explicit DxfEntityWriter(DxfLineList& list) : list_(list) {}
    void line(const TAcadPoint& start, const TAcadPoint& end, std::u16string_view layer,
              std::u16string_view lineType, double) override {
        dxfWriteLine(list_, start, end, layer, lineType, kByLayer);
    }
    void outline(const std::array<TAcadPoint, 4>& corners) override {
        dxfWritePolyline(list_, corners, 3, true, kLayerCellLine, kLineTypeByLayer, kByLayer);
    }
    void text(std::u16string_view text, const TAcadPoint& base, double height,
              std::u16string_view alignCode, double widthFactor) override {
        dxfWriteText(list_, text, base, base, height, widthFactor, 0.0, 0, 0, alignCode,
                     kLayerCellText, kByLayer);
    }

private:
    DxfLineList& list_;
};

// The edges of a cell that carry a border of the sheet: for a merged cell only those on its
// region's outline.
unsigned borderBits(const TXlsxCellAttr& cell) {
    return cell.lineBits & (cell.cellMerge ? cell.mergeBits : 0xFu);
}

struct BorderCount {
    std::size_t vertical = 0;
    std::size_t horizontal = 0;
};

BorderCount countBorders(const CellTable& table) {
    BorderCount count;
    for (const TXlsxCellAttr& cell : table.cells) {
        const unsigned bits = borderBits(cell);
        count.vertical += ((bits & edgeLeft) != 0) + ((bits & edgeRight) != 0);
        count.horizontal += ((bits & edgeTop) != 0) + ((bits & edgeBottom) != 0);
    }
    return count;
}

// One edge of a cell that carries a border: on the line `cross` (the x of a vertical edge, the y
// of a horizontal one) from `from` to `to`; vertical edges run downward, horizontal ones
// rightward.
struct BorderedEdge {
    bool vertical;
    double cross;
    double from;
    double to;
    std::int32_t col;
    std::int32_t row;
    EdgeIndex edge;
};

// Calls add(BorderedEdge) for every border edge, row by row and cell by cell, and in each cell for
// the edges top, bottom, left, right.
template <typename Add>
void forEachBorder(const CellTable& table, Add add) {
    double top = 0;
    for (std::int32_t r = 0; r < table.rowCount; ++r) {
        const double bottom = top - table.at(0, r).drawH;
        double left = 0;
        for (std::int32_t c = 0; c < table.colCount; ++c) {
            const TXlsxCellAttr& cell = table.at(c, r);
            const double right = left + cell.drawW;
            const unsigned bits = borderBits(cell);
            if (bits & edgeTop) add(BorderedEdge{false, top, left, right, c, r, edgeIndexTop});
            if (bits & edgeBottom)
                add(BorderedEdge{false, bottom, left, right, c, r, edgeIndexBottom});
            if (bits & edgeLeft) add(BorderedEdge{true, left, top, bottom, c, r, edgeIndexLeft});
            if (bits & edgeRight) add(BorderedEdge{true, right, top, bottom, c, r, edgeIndexRight});
            left = right;
        }
        top = bottom;
    }
}

struct Layout {
    std::vector<double> rowTop;  // T(r), from column 0's heights
    double width = 0;            // W, from row 0's widths
    double height = 0;           // H, from column 0's heights
};

Layout layoutOf(const CellTable& table) {
    Layout layout;
    layout.rowTop.resize(static_cast<std::size_t>(table.rowCount));
    double sum = 0;
    for (std::int32_t r = 0; r < table.rowCount; ++r) {
        layout.rowTop[static_cast<std::size_t>(r)] = -sum;
        sum += table.at(0, r).drawH;
    }
    layout.height = sum;
    for (std::int32_t c = 0; c < table.colCount; ++c) layout.width += table.at(c, 0).drawW;
    return layout;
}

void addLine(DrawingSink& out, double x1, double y1, double x2, double y2,
             std::u16string_view layer) {
    out.line({x1, y1, 0}, {x2, y2, 0}, layer);
}

// Lines between and around the cells; merged cells interrupt them.
void addSeparators(const CellTable& table, const Layout& layout, DrawingSink& out) {
    for (std::int32_t r = 0; r < table.rowCount; ++r) {
        const double y = layout.rowTop[static_cast<std::size_t>(r)];
        bool inRun = false;
        double runStart = 0;
        double x = 0;
        for (std::int32_t c = 0; c < table.colCount; ++c) {
            const TXlsxCellAttr& cell = table.at(c, r);
            if (!cell.cellMerge && !inRun) {
                inRun = true;
                runStart = x;
            } else if (cell.cellMerge && inRun) {
                inRun = false;
                addLine(out, runStart, y, x, y, kLayerCellLine);
            }
            x += cell.drawW;
        }
        if (inRun) addLine(out, runStart, y, layout.width, y, kLayerCellLine);
    }
    addLine(out, 0, -layout.height, layout.width, -layout.height, kLayerCellLine);

    double x = 0;
    for (std::int32_t c = 0; c < table.colCount; ++c) {
        bool inRun = false;
        double runStart = 0;
        double depth = 0;
        for (std::int32_t r = 0; r < table.rowCount; ++r) {
            const TXlsxCellAttr& cell = table.at(c, r);
            if (!cell.cellMerge && !inRun) {
                inRun = true;
                runStart = -depth;
            } else if (cell.cellMerge && inRun) {
                inRun = false;
                addLine(out, x, runStart, x, -depth, kLayerCellLine);
            }
            depth += cell.drawH;
        }
        if (inRun) addLine(out, x, runStart, x, -layout.height, kLayerCellLine);
        x += table.at(c, 0).drawW;
    }
    addLine(out, layout.width, 0, layout.width, -layout.height, kLayerCellLine);
}

// Calls each(line) for the lines of text between its line feeds.
template <typename Each>
void forEachLine(std::u16string_view text, Each each) {
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = text.find(u'\n', start);
        each(text.substr(start, end - start));
        if (end == std::u16string_view::npos) return;
        start = end + 1;
    }
}

// A cell's text as the options place it: its lines (one per line feed, each wrapped where the
// sheet wraps), each with its width factor, placed as a block at the region's top, middle or
// bottom with a pitch of one text height. Margins from the cell lines: drawTH × cadTof left and
// right, half of that above and below, but never so much that a text at the top or bottom lies
// further in than a centred one. With every option off, the lines are centred on the region's
// middle at full width.
void addCellText(const TXlsxCellAttr& cell, std::u16string_view text, double x0, double top,
                 double w, double h, double cadTof, const DrawingOptions& options,
                 DrawingSink& out) {
    if (text.empty()) return;
    const double th = cell.drawTH;
    const double margin = th * cadTof;
    const double allowed = w - 2 * margin;
    double x;
    char16_t horizontal;
    switch (cell.txtAlign) {
        case alignCenter:
            x = x0 + w / 2;
            horizontal = u'C';
            break;
        case alignRight:
            x = x0 + w - margin;
            horizontal = u'R';
            break;
        default:
            x = x0 + margin;
            horizontal = u'L';
            break;
    }

    // Wrapped lines are made before they are placed; unwrapped ones are the text's own.
    const bool wrap = options.wrapText && cell.wrapText;
    std::vector<std::u16string> wrapped;
    std::size_t lineCount = 1;
    if (wrap) {
        forEachLine(text, [&](std::u16string_view line) {
            for (std::u16string& part : wrapTextLine(dxfTextWithoutControls(line), th, allowed))
                wrapped.push_back(std::move(part));
        });
        lineCount = wrapped.size();
    } else {
        for (char16_t ch : text) lineCount += ch == u'\n' ? 1 : 0;
    }

    const std::uint8_t place = options.verticalAlign ? cell.txtPlace : std::uint8_t{placeMiddle};
    const double n = static_cast<double>(lineCount);
    const double verticalMargin = std::min(margin / 2, std::max(0.0, (h - n * th) / 2));
    double lineY;
    char16_t vertical;
    switch (place) {
        case placeTop:
            lineY = top - verticalMargin;
            vertical = u'T';
            break;
        case placeBottom:
            lineY = top - h + verticalMargin + (n - 1) * th;
            vertical = u'B';
            break;
        default:
            lineY = top - h / 2 + (n - 1) * th / 2;
            vertical = u'M';
            break;
    }
    static constexpr std::u16string_view kCodes[] = {u"TL", u"TC", u"TR", u"ML", u"MC",
                                                     u"MR", u"BL", u"BC", u"BR"};
    const std::size_t row = vertical == u'T' ? 0 : vertical == u'M' ? 1 : 2;
    const std::size_t col = horizontal == u'L' ? 0 : horizontal == u'C' ? 1 : 2;
    const std::u16string_view code = kCodes[row * 3 + col];

    auto placeLine = [&](std::u16string_view line) {
        // A line of carriage returns only would be a TEXT with an empty value.
        const std::u16string shown = dxfTextWithoutControls(line);
        if (!shown.empty()) {
            const double factor =
                options.fitText ? widthFactorToFit(estimateTextWidth(shown, th), allowed) : 1.0;
            out.text(line, {x, lineY, 0}, th, code, factor);
        }
        lineY -= th;
    };
    if (wrap) {
        for (const std::u16string& line : wrapped) placeLine(line);
    } else {
        forEachLine(text, placeLine);
    }
}

void addCells(const CellTable& table, const Layout& layout, const CellTextFn& text, double cadTof,
              bool cellLineDraw, const DrawingOptions& options, DrawingSink& out) {
    for (std::int32_t r = 0; r < table.rowCount; ++r) {
        const double top = layout.rowTop[static_cast<std::size_t>(r)];
        double x0 = 0;
        for (std::int32_t c = 0; c < table.colCount; ++c) {
            const TXlsxCellAttr& cell = table.at(c, r);
            const bool anchor = cell.drawMW > 0 && cell.drawMH > 0;
            const double w = anchor ? cell.drawMW : cell.drawW;
            const double h = anchor ? cell.drawMH : cell.drawH;
            if (anchor && cellLineDraw) {
                out.outline({TAcadPoint{x0, top, 0}, TAcadPoint{x0 + w, top, 0},
                             TAcadPoint{x0 + w, top - h, 0}, TAcadPoint{x0, top - h, 0}});
            }
            if (text) addCellText(cell, text(c, r), x0, top, w, h, cadTof, options, out);
            x0 += cell.drawW;
        }
    }
}

}  // namespace

bool nearlyEqual(double a, double b, double tol) { return std::fabs(a - b) <= tol; }

BorderRuns collectBorderRuns(const CellTable& table, bool vertical) {
    BorderRuns lines;
    if (!table.usable()) return lines;
    const BorderCount count = countBorders(table);
    const std::size_t expected = vertical ? count.vertical : count.horizontal;
    lines.runs.reserve(expected);
    lines.marks.reserve(expected);
    forEachBorder(table, [&](const BorderedEdge& e) {
        if (e.vertical == vertical) lines.add(e.cross, e.from, e.to);
    });
    return lines;
}

namespace {

// How strongly a border style shows, for an edge two neighbouring cells draw differently: the
// heavier line wins, and at the same weight the lower BorderLine value (continuous before
// broken). A double line weighs between medium and thick.
int strength(EdgeStyle style) {
    static constexpr int kWeightRank[] = {2, 1, 3, 5};  // thin, hair, medium, thick
    constexpr int kDoubleRank = 4;
    // More than there are BorderLine values, so that one weight rank outweighs any line.
    constexpr int kLineRanks = 8;
    const int weight = style.line == borderDouble ? kDoubleRank : kWeightRank[style.weight & 3];
    return weight * kLineRanks + (kLineRanks - 1 - style.line);
}

// A border kind: the layer (by weight) and line type (by line) its lines are drawn with. Double
// lines are thin. Kinds are numbered weight by weight, each weight's lines in BorderLine order,
// which is the order their lines are written in.
struct BorderKind {
    static constexpr std::size_t kLines = borderDouble + 1;
    static constexpr std::size_t kWeights = weightThick + 1;
    static constexpr std::size_t kCount = kWeights * kLines;

    std::size_t index = 0;

    static BorderKind of(EdgeStyle style) {
        const std::size_t weight = style.line == borderDouble ? weightThin : style.weight & 3;
        return {weight * kLines + style.line};
    }
    static BorderKind at(std::size_t index) { return {index}; }
    std::uint8_t weight() const { return static_cast<std::uint8_t>(index / kLines); }
    std::uint8_t line() const { return static_cast<std::uint8_t>(index % kLines); }

    std::u16string_view layer() const {
        static constexpr std::u16string_view kLayers[] = {
            kLayerBordLine, kLayerBordLineHair, kLayerBordLineMedium, kLayerBordLineThick};
        return kLayers[weight()];
    }
    std::u16string_view lineType() const {
        switch (line()) {
            case borderDash:
                return kDxfBorderLineTypes[0].name;
            case borderDot:
                return kDxfBorderLineTypes[1].name;
            case borderDashDot:
                return kDxfBorderLineTypes[2].name;
            case borderDashDotDot:
                return kDxfBorderLineTypes[3].name;
            default:
                return kLineTypeByLayer;
        }
    }
    bool twoLines() const { return line() == borderDouble; }
};

// The style an edge is drawn with: the cell's own, or its neighbour's on the same edge when that
// one shows more strongly, so that both cells put the edge in the same kind and it is drawn once.
EdgeStyle sharedEdgeStyle(const CellTable& table, std::int32_t c, std::int32_t r, EdgeIndex edge) {
    EdgeStyle style = table.at(c, r).edgeStyles[edge];
    std::int32_t nc = c, nr = r;
    EdgeIndex facing;
    unsigned facingBit;
    switch (edge) {
        case edgeIndexTop:
            nr = r - 1;
            facing = edgeIndexBottom;
            facingBit = edgeBottom;
            break;
        case edgeIndexBottom:
            nr = r + 1;
            facing = edgeIndexTop;
            facingBit = edgeTop;
            break;
        case edgeIndexLeft:
            nc = c - 1;
            facing = edgeIndexRight;
            facingBit = edgeRight;
            break;
        default:
            nc = c + 1;
            facing = edgeIndexLeft;
            facingBit = edgeLeft;
            break;
    }
    if (nc < 0 || nr < 0 || nc >= table.colCount || nr >= table.rowCount) return style;
    const TXlsxCellAttr& neighbour = table.at(nc, nr);
    if (!(borderBits(neighbour) & facingBit)) return style;
    const EdgeStyle other = neighbour.edgeStyles[facing];
    return strength(other) > strength(style) ? other : style;
}

// The border lines with their styles: the edges sorted into kinds, each kind joined as the
// plain borders are, written vertical kinds first, then horizontal ones. A double border is two
// thin lines, half the gap to either side of the cell line.
void addStyledBorders(const CellTable& table, const DrawingOptions& options, DrawingSink& out) {
    std::array<BorderRuns, BorderKind::kCount> vertical;
    std::array<BorderRuns, BorderKind::kCount> horizontal;
    forEachBorder(table, [&](const BorderedEdge& e) {
        const BorderKind kind = BorderKind::of(sharedEdgeStyle(table, e.col, e.row, e.edge));
        (e.vertical ? vertical : horizontal)[kind.index].add(e.cross, e.from, e.to);
    });
    const double half = kDoubleLineGapPoints * options.unitsPerPoint / 2;
    for (std::size_t k = 0; k < BorderKind::kCount; ++k) {
        joinBorderRuns(vertical[k], true);
        joinBorderRuns(horizontal[k], false);
    }
    auto write = [&](const std::array<BorderRuns, BorderKind::kCount>& lists, bool isVertical) {
        for (std::size_t k = 0; k < BorderKind::kCount; ++k) {
            const BorderRuns& runs = lists[k];
            const BorderKind kind = BorderKind::at(k);
            const std::u16string_view layer = kind.layer();
            const std::u16string_view lineType = kind.lineType();
            const bool twice = kind.twoLines();
            const double unit = lineType == kLineTypeByLayer ? 0 : options.unitsPerPoint;
            for (std::size_t i = 0; i < runs.runs.size(); ++i) {
                if (runs.marks[i]) continue;
                const BorderRun& run = runs.runs[i];
                for (const double offset : {-half, half}) {
                    const double cross = twice ? run.cross + offset : run.cross;
                    if (isVertical) {
                        out.line({cross, run.from, 0}, {cross, run.to, 0}, layer, lineType, unit);
                    } else {
                        out.line({run.from, cross, 0}, {run.to, cross, 0}, layer, lineType, unit);
                    }
                    if (!twice) break;
                }
            }
        }
    };
    write(vertical, true);
    write(horizontal, false);
}

// Separators, then per cell its outline and text lines, then the border lines (unless left
// out): vertical ones, then horizontal ones.
void drawTable(const CellTable& table, const CellTextFn& text, double cadTof, bool cellLineDraw,
               const DrawingOptions& options, DrawingSink& out, bool withBorders = true) {
    const Layout layout = layoutOf(table);
    if (cellLineDraw) addSeparators(table, layout, out);
    addCells(table, layout, text, cadTof, cellLineDraw, options, out);
    if (!withBorders) return;
    if (options.borderStyles) {
        addStyledBorders(table, options, out);
        return;
    }

    // The vertical runs are written and freed before the horizontal ones are collected.
    for (const bool isVertical : {true, false}) {
        BorderRuns lines = collectBorderRuns(table, isVertical);
        joinBorderRuns(lines, isVertical);
        for (std::size_t i = 0; i < lines.runs.size(); ++i) {
            if (lines.marks[i]) continue;
            const BorderRun& run = lines.runs[i];
            if (isVertical) {
                out.line({run.cross, run.from, 0}, {run.cross, run.to, 0}, kLayerBordLine);
            } else {
                out.line({run.from, run.cross, 0}, {run.to, run.cross, 0}, kLayerBordLine);
            }
        }
    }
}

// Notes which of the drawing's quantities are not finite numbers.
class FiniteCheck : public DrawingSink {
public:
    void line(const TAcadPoint& start, const TAcadPoint& end, std::u16string_view,
              std::u16string_view, double) override {
        point(start);
        point(end);
    }
    void outline(const std::array<TAcadPoint, 4>& corners) override {
        for (const TAcadPoint& p : corners) point(p);
    }
    void text(std::u16string_view, const TAcadPoint& base, double height, std::u16string_view,
              double widthFactor) override {
        textHeight |= !std::isfinite(height) || !std::isfinite(base.y);
        textX |= !std::isfinite(base.x) || !std::isfinite(widthFactor);
    }
    void point(const TAcadPoint& p) {
        x |= !std::isfinite(p.x);
        y |= !std::isfinite(p.y);
    }

    bool x = false;
    bool y = false;
    bool textHeight = false;  // a text's height, or its lines' spread
    bool textX = false;       // a text's offset from its cell's side
};

void beginDxf(DxfLineList& list, std::size_t expectedBytes, const DrawingOptions& options) {
    dxfWriteHeader(list);
    // Reserved address space costs nothing until it is written.
    list.reserve(expectedBytes + 4096);
    if (options.borderStyles) {
        dxfWriteBorderStyleLtypeTable(list, options.unitsPerPoint);
        dxfWriteBorderStyleLayerTable(list);
    } else {
        dxfWriteLtypeTable(list);
        dxfWriteLayerTable(list);
    }
    dxfBeginEntities(list);
}

}  // namespace

std::optional<ScaleSetting> nonFiniteScale(const DrawingRequest& request) {
    const CellTable& table = request.table;
    if (!table.usable()) return std::nullopt;
    const double cadTof = request.cadTof;
    const DrawingOptions& options = request.options;
    FiniteCheck check;
    // The sums of widths and heights, whether or not lines show them, and how far from the
    // origin any of them reaches.
    double reach = 0;
    double textHeight = 0;
    for (std::int32_t r = 0; r < table.rowCount; ++r) {
        double left = 0;
        for (std::int32_t c = 0; c < table.colCount; ++c) {
            const TXlsxCellAttr& cell = table.at(c, r);
            left += cell.drawW;
            check.point({left, 0, 0});
            check.point({cell.drawMW, cell.drawMH, 0});
            check.textHeight |= !std::isfinite(cell.drawTH);
            reach =
                std::max({reach, std::fabs(left), std::fabs(cell.drawMW), std::fabs(cell.drawMH)});
            textHeight = std::max(textHeight, std::fabs(cell.drawTH));
        }
    }
    for (std::int32_t c = 0; c < table.colCount; ++c) {
        double depth = 0;
        for (std::int32_t r = 0; r < table.rowCount; ++r) {
            depth += table.at(c, r).drawH;
            check.point({0, depth, 0});
            reach = std::max(reach, std::fabs(depth));
        }
    }
    if (check.x || check.y || check.textHeight) {
        // Named below; the drawing is not walked.
    } else if (2 * reach + textHeight * (std::fabs(cadTof) + 1e9) +
                   std::fabs(options.unitsPerPoint) * kDoubleLineGapPoints <
               1e300) {
        // Every entity lies within the table's reach plus a text's offset and the spread of at
        // most a billion lines, far from overflowing: the walk below, which costs as much as the
        // drawing itself, cannot find anything.
        return std::nullopt;
    } else {
        // Plain border lines lie on the cell edges whose sums were checked above; joining them
        // a second time would cost as much as the drawing's own join. Styled ones are offset
        // (double lines), so they are walked.
        drawTable(table, request.text, cadTof, request.cellLineDraw, options, check,
                  options.borderStyles);
    }
    if (check.x) return ScaleSetting{u"cadXsc", request.cadXsc};
    if (check.y) return ScaleSetting{u"cadYsc", request.cadYsc};
    if (check.textHeight) return ScaleSetting{u"cadTsc", request.cadTsc};
    if (check.textX) return ScaleSetting{u"cadTof", request.cadTof};
    return std::nullopt;
}

DrawingOptions drawingOptions(const WorkingSettings& settings) {
    DrawingOptions options;
    static_cast<OptionFacts&>(options) = settings.options;
    options.unitsPerPoint = settings.cadYsc;
    return options;
}

DrawingRequest drawingRequest(const CellTable& table, CellTextFn text,
                              const WorkingSettings& settings, bool cellLineDraw) {
    return DrawingRequest{table,           std::move(text),          settings.cadTof,
                          cellLineDraw,    drawingOptions(settings), settings.cadXsc,
                          settings.cadYsc, settings.cadTsc};
}

std::optional<std::vector<DrawnEntity>> buildTableDrawing(const DrawingRequest& request) {
    const CellTable& table = request.table;
    if (!table.usable()) return std::nullopt;
    std::vector<DrawnEntity> entities;
    entities.reserve(table.cells.size() + 16);
    EntityCollector collector(entities);
    drawTable(table, request.text, request.cadTof, request.cellLineDraw, request.options,
              collector);
    return entities;
}

std::size_t charactersBeyondEscape(const std::vector<DrawnEntity>& entities) {
    std::size_t count = 0;
    for (const DrawnEntity& entity : entities)
        if (const auto* text = std::get_if<DrawnText>(&entity))
            count += charactersBeyondEscape(text->text);
    return count;
}

void writeDrawingDxf(DxfLineList& list, const std::vector<DrawnEntity>& entities,
                     const DrawingOptions& options) {
    beginDxf(list, entities.size() * 256, options);
    DxfEntityWriter writer(list);
    for (const DrawnEntity& entity : entities) {
        if (const auto* line = std::get_if<DrawnLine>(&entity)) {
            writer.line(line->start, line->end, line->layer, line->lineType, line->patternUnit);
        } else if (const auto* outline = std::get_if<DrawnOutline>(&entity)) {
            writer.outline(outline->corners);
        } else if (const auto* text = std::get_if<DrawnText>(&entity)) {
            writer.text(text->text, text->base, text->height, text->alignCode, text->widthFactor);
        }
    }
    dxfWriteEnd(list);
}

bool buildTableDxf(const DrawingRequest& request, DxfLineList& list) {
    const CellTable& table = request.table;
    if (!table.usable()) return false;
    beginDxf(list, table.cells.size() * 320, request.options);
    DxfEntityWriter writer(list);
    drawTable(table, request.text, request.cadTof, request.cellLineDraw, request.options, writer);
    dxfWriteEnd(list);
    return true;
}

bool streamTableDxf(const DrawingRequest& request, const DxfByteWriter& write) {
    if (!request.table.usable()) return false;
    DxfLineList list(write);
    buildTableDxf(request, list);
    list.flush();
    return true;
}

bool writeTableDxf(const DrawingRequest& request, const std::filesystem::path& path) {
    if (!request.table.usable()) return false;
    platform::saveFileAtomically(
        path, [&](const platform::ByteWriter& write) { streamTableDxf(request, write); });
    return true;
}

}  // namespace tabrova
