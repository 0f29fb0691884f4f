#include "dxf/DrawingView.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <type_traits>

#include "platform/Utf8.h"

namespace tabrova {

namespace {

struct Justification {
    std::int32_t horizontal = 0;
    std::int32_t vertical = 0;
};

Justification justificationOf(const DrawnText& text) {
    Justification j;
    dxfTextJustification(text.alignCode, j.horizontal, j.vertical);
    return j;
}

// The text's box in drawing units (y upward).
DrawingBounds textBounds(const DrawnText& text, const TextWidthFn& width) {
    const Justification j = justificationOf(text);
    const ViewTransform identity;
    const PlacedText p =
        placeText(identity.toView(text.base),
                  width(dxfTextWithoutControls(text.text), text.height) * text.widthFactor,
                  text.height, j.horizontal, j.vertical);
    DrawingBounds b;
    b.add(p.box.left, -p.box.top);
    b.add(p.box.left + p.box.width, -(p.box.top + p.box.height));
    return b;
}

DrawingBounds frameBounds(const std::vector<DrawnEntity>& entities) {
    DrawingBounds b;
    for (const DrawnEntity& e : entities) {
        if (const auto* line = std::get_if<DrawnLine>(&e)) {
            b.add(line->start.x, line->start.y);
            b.add(line->end.x, line->end.y);
        } else if (const auto* outline = std::get_if<DrawnOutline>(&e)) {
            for (const TAcadPoint& p : outline->corners) b.add(p.x, p.y);
        }
    }
    return b;
}

DrawingBounds allTextBounds(const std::vector<DrawnEntity>& entities, const TextWidthFn& width) {
    DrawingBounds b;
    for (const DrawnEntity& e : entities) {
        if (const auto* text = std::get_if<DrawnText>(&e)) b.add(textBounds(*text, width));
    }
    return b;
}

void appendXmlText(std::string& out, std::u16string_view text) {
    for (char c : utf16ToUtf8(text)) {
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += "&quot;";
                break;
            case '\t':
                out += ' ';
                break;
            default:
                out += c;
        }
    }
}

std::string number(double v) {
    if (!std::isfinite(v)) return "0";
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.2f", v);
    std::string s(buf);
    while (s.back() == '0') s.pop_back();
    if (s.back() == '.') s.pop_back();
    if (s == "-0") s = "0";
    return s;
}

std::string color(Rgb c) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "#%02x%02x%02x", c.r, c.g, c.b);
    return buf;
}

// Lines longer than this many pattern repeats are shown continuous: the pattern could not be
// told apart at a scale that shows them whole.
constexpr double kMaxPatternRepeats = 20000;

// The line as display pieces: one for a continuous line, one per dash of a line type.
void addDisplayLine(DisplayList& list, const DrawnLine& line, const ViewTransform& transform) {
    const Rgb color = colorOnWhite(dxfLayerColor(line.layer));
    const double width = layerPenWidth(line.layer);
    const std::span<const double> pattern = dxfLineTypeElements(line.lineType);
    const double dx = line.end.x - line.start.x;
    const double dy = line.end.y - line.start.y;
    const double length = std::hypot(dx, dy);
    double period = 0;
    for (double e : pattern) period += std::fabs(e) * line.patternUnit;
    if (pattern.empty() || !(period > 0) || !(length > 0) || length / period > kMaxPatternRepeats) {
        list.lines.push_back(
            {transform.toView(line.start), transform.toView(line.end), color, width});
        return;
    }
    // A dot shows as a dash of at least half a pixel.
    const double minDash = 0.5 / transform.scale;
    auto at = [&](double t) {
        return transform.toView(line.start.x + dx * t / length, line.start.y + dy * t / length);
    };
    for (double pos = 0; pos < length;) {
        for (double e : pattern) {
            const double step = std::fabs(e) * line.patternUnit;
            if (e > 0) {
                const double to = std::min(length, pos + std::max(step, minDash));
                list.lines.push_back({at(pos), at(to), color, width});
            }
            pos += step;
            if (pos >= length) break;
        }
    }
}

constexpr const char* kSvgFonts =
    "'Noto Sans CJK JP', 'Noto Sans JP', 'Source Han Sans JP', 'IPAexGothic', 'Yu Gothic', "
    "'Meiryo', 'MS Gothic', sans-serif";

}  // namespace

ViewTransform ViewTransform::zoomedAt(ViewPoint fixed, double factor) const {
    return {scale * factor, fixed.x - (fixed.x - offsetX) * factor,
            fixed.y - (fixed.y - offsetY) * factor};
}

void DrawingBounds::add(double x, double y) {
    if (!std::isfinite(x) || !std::isfinite(y)) return;
    if (!valid) {
        minX = maxX = x;
        minY = maxY = y;
        valid = true;
        return;
    }
    minX = std::min(minX, x);
    maxX = std::max(maxX, x);
    minY = std::min(minY, y);
    maxY = std::max(maxY, y);
}

void DrawingBounds::add(const DrawingBounds& other) {
    if (!other.valid) return;
    add(other.minX, other.minY);
    add(other.maxX, other.maxY);
}

double layerPenWidth(std::u16string_view layer) {
    if (layer == kLayerBordLineMedium) return 2;
    if (layer == kLayerBordLineThick) return 3;
    return 1;
}

Rgb colorOnWhite(std::int32_t colorNumber) {
    switch (colorNumber) {
        case 1:
            return {255, 0, 0};
        case 2:
            return {255, 255, 0};
        case 3:
            return {0, 255, 0};
        case 4:
            return {0, 255, 255};
        case 5:
            return {0, 0, 255};
        case 6:
            return {255, 0, 255};
        case 8:
            return {128, 128, 128};
        case 9:
            return {192, 192, 192};
        case 250:
            return {51, 51, 51};
        case 251:
            return {80, 80, 80};
        case 252:
            return {105, 105, 105};
        case 253:
            return {130, 130, 130};
        case 254:
            return {190, 190, 190};
        case 255:
            return {255, 255, 255};
        default:
            // 7 and every colour this picture does not distinguish.
            return {0, 0, 0};
    }
}

PlacedText placeText(ViewPoint anchor, double width, double capHeight, std::int32_t horizontalJust,
                     std::int32_t verticalAlign) {
    double left = anchor.x;
    double baseline = anchor.y;
    switch (horizontalJust) {
        case 1:
        case 4:
            left = anchor.x - width / 2;
            break;
        case 2:
            left = anchor.x - width;
            break;
        default:
            break;
    }
    // Middle (72 = 4) centres the text on the anchor whatever group 73 says.
    const std::int32_t vertical = horizontalJust == 4 ? 2 : verticalAlign;
    switch (vertical) {
        case 1:
            baseline = anchor.y - kDescentPerCap * capHeight;
            break;
        case 2:
            baseline = anchor.y + capHeight / 2;
            break;
        case 3:
            baseline = anchor.y + capHeight;
            break;
        default:
            break;
    }
    return {{left, baseline}, {left, baseline - capHeight, width, capHeight}};
}

DrawingBounds tableBounds(const std::vector<DrawnEntity>& entities, const TextWidthFn& width) {
    DrawingBounds b = frameBounds(entities);
    return b.valid ? b : allTextBounds(entities, width);
}

DrawingBounds drawingBounds(const std::vector<DrawnEntity>& entities, const TextWidthFn& width) {
    DrawingBounds b = frameBounds(entities);
    b.add(allTextBounds(entities, width));
    return b;
}

std::u16string drawingSizeLabel(const DrawingBounds& bounds) {
    char buf[96];
    std::snprintf(buf, sizeof buf, "W %.3f \xC3\x97 H %.3f", bounds.width(), bounds.height());
    std::u16string out;
    // Only "×" is not ASCII.
    for (std::size_t i = 0; buf[i] != 0; ++i) {
        if (buf[i] == '\xC3' && buf[i + 1] == '\x97') {
            out.push_back(u'\u00D7');
            ++i;
        } else {
            out.push_back(static_cast<char16_t>(buf[i]));
        }
    }
    return out;
}

ViewTransform fitToView(const DrawingBounds& bounds, double viewWidth, double viewHeight,
                        double margin) {
    ViewTransform t;
    if (!bounds.valid) {
        t.offsetX = margin;
        t.offsetY = margin;
        return t;
    }
    const double usableW = std::max(viewWidth - 2 * margin, 1.0);
    const double usableH = std::max(viewHeight - 2 * margin, 1.0);
    const double w = bounds.width();
    const double h = bounds.height();
    double scale = 1;
    if (w > 0 && h > 0) {
        scale = std::min(usableW / w, usableH / h);
    } else if (w > 0) {
        scale = usableW / w;
    } else if (h > 0) {
        scale = usableH / h;
    }
    t.scale = scale;
    const double cx = (bounds.minX + bounds.maxX) / 2;
    const double cy = (bounds.minY + bounds.maxY) / 2;
    t.offsetX = viewWidth / 2 - cx * scale;
    t.offsetY = viewHeight / 2 + cy * scale;
    return t;
}

double legibleScale(const std::vector<DrawnEntity>& entities, double minCapPixels, double maxSide,
                    double minSide, double maxPixels) {
    double smallest = std::numeric_limits<double>::infinity();
    for (const DrawnEntity& e : entities) {
        if (const auto* text = std::get_if<DrawnText>(&e)) {
            if (text->height > 0) smallest = std::min(smallest, text->height);
        }
    }
    const DrawingBounds b = drawingBounds(entities);
    const double longer = std::max(b.width(), b.height());
    if (!(longer > 0)) return std::isfinite(smallest) ? minCapPixels / smallest : 1;
    double scale = std::isfinite(smallest) ? minCapPixels / smallest : minSide / longer;
    scale = std::max(scale, minSide / longer);
    scale = std::min(scale, maxSide / longer);
    const double area = b.width() * b.height();
    if (area > 0) scale = std::min(scale, std::sqrt(maxPixels / area));
    return scale;
}

PicturePlan planPicture(const std::vector<DrawnEntity>& entities, const TextWidthFn& width) {
    PicturePlan plan;
    const DrawingBounds all = drawingBounds(entities, width);
    const double scale = legibleScale(entities);
    plan.width = static_cast<int>(std::ceil(all.width() * scale + 2 * kPictureMargin));
    const double drawingHeight = std::ceil(all.height() * scale + 2 * kPictureMargin);
    plan.height = static_cast<int>(drawingHeight + kPictureLabelBand);
    plan.width = std::max(plan.width, 320);
    plan.transform = fitToView(all, plan.width, drawingHeight, kPictureMargin);
    plan.sizeLabel = drawingSizeLabel(tableBounds(entities, width));
    return plan;
}

DisplayList buildDisplayList(const std::vector<DrawnEntity>& entities,
                             const ViewTransform& transform, const TextWidthFn& width) {
    DisplayList list;
    const Rgb outlineColor = colorOnWhite(dxfLayerColor(kLayerCellLine));
    const Rgb textColor = colorOnWhite(dxfLayerColor(kLayerCellText));
    for (const DrawnEntity& e : entities) {
        if (const auto* line = std::get_if<DrawnLine>(&e)) {
            addDisplayLine(list, *line, transform);
        } else if (const auto* outline = std::get_if<DrawnOutline>(&e)) {
            DisplayOutline o;
            for (std::size_t i = 0; i < 4; ++i)
                o.corners[i] = transform.toView(outline->corners[i]);
            o.color = outlineColor;
            list.outlines.push_back(o);
        } else if (const auto* text = std::get_if<DrawnText>(&e)) {
            DisplayText t;
            t.text = dxfTextWithoutControls(text->text);
            t.anchor = transform.toView(text->base);
            t.capHeight = text->height * transform.scale;
            const Justification j = justificationOf(*text);
            t.horizontalJust = j.horizontal;
            t.verticalAlign = j.vertical;
            t.widthFactor = text->widthFactor;
            t.color = textColor;
            t.placement = placeText(t.anchor, width(t.text, t.capHeight) * t.widthFactor,
                                    t.capHeight, t.horizontalJust, t.verticalAlign);
            list.texts.push_back(std::move(t));
        }
    }
    return list;
}

std::string displayListSvg(const DisplayList& list, double width, double height,
                           std::u16string_view label) {
    std::string out;
    out += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
    out += "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + number(width) + "\" height=\"" +
           number(height) + "\" viewBox=\"0 0 " + number(width) + " " + number(height) + "\">\n";
    out += "<rect width=\"100%\" height=\"100%\" fill=\"#ffffff\"/>\n";
    out += "<g fill=\"none\" stroke-width=\"1\" stroke-linecap=\"square\">\n";
    for (const DisplayLine& l : list.lines) {
        out += "<line x1=\"" + number(l.start.x) + "\" y1=\"" + number(l.start.y) + "\" x2=\"" +
               number(l.end.x) + "\" y2=\"" + number(l.end.y) + "\" stroke=\"" + color(l.color);
        if (l.width != 1) out += "\" stroke-width=\"" + number(l.width);
        out += "\"/>\n";
    }
    for (const DisplayOutline& o : list.outlines) {
        out += "<polygon points=\"";
        for (std::size_t i = 0; i < o.corners.size(); ++i) {
            if (i > 0) out += ' ';
            out += number(o.corners[i].x) + "," + number(o.corners[i].y);
        }
        out += "\" stroke=\"" + color(o.color) + "\"/>\n";
    }
    out += "</g>\n";
    out += "<g font-family=\"";
    out += kSvgFonts;
    out += "\" xml:space=\"preserve\">\n";
    for (const DisplayText& t : list.texts) {
        // The anchor keeps its place whatever font the viewer finds; only the width may differ.
        const char* anchor = "start";
        double x = t.placement.baselineStart.x;
        if (t.horizontalJust == 1 || t.horizontalJust == 4) {
            anchor = "middle";
            x = t.anchor.x;
        } else if (t.horizontalJust == 2) {
            anchor = "end";
            x = t.anchor.x;
        }
        const std::string y = number(t.placement.baselineStart.y);
        if (t.widthFactor != 1) {
            // Narrowed about its anchor: the scale applies after the move to it.
            out += "<text transform=\"translate(" + number(x) + " " + y + ") scale(" +
                   std::to_string(t.widthFactor) + " 1)\"";
        } else {
            out += "<text x=\"" + number(x) + "\" y=\"" + y + "\"";
        }
        out += " font-size=\"" + number(t.capHeight / kCapHeightPerEm) + "\" text-anchor=\"" +
               anchor + "\" fill=\"" + color(t.color) + "\">";
        appendXmlText(out, t.text);
        out += "</text>\n";
    }
    if (!label.empty()) {
        out += "<text x=\"8\" y=\"" + number(height - 8) + "\" font-size=\"13\" fill=\"#404040\">";
        appendXmlText(out, label);
        out += "</text>\n";
    }
    out += "</g>\n</svg>\n";
    return out;
}

}  // namespace tabrova
