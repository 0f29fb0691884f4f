#include "workbook/SheetMetrics.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "platform/Utf8.h"

namespace tabrova::workbook {

namespace {

struct FontWidth {
    std::u16string_view name;  // normalised: ASCII lower case, no spaces, full-width ASCII folded
    double digitEm;            // advance width of a digit, in em
    bool bitmapCeil;           // the font's small-size bitmaps round the digit width up
};

// Digit advance widths of the fonts that workbooks commonly use as their standard font. The
// Japanese fonts have half-width digits of 0.5 em whose screen bitmaps come out a pixel wider
// than the outline (MS PGothic 11 gives 8 pixels, hence the 8.38 default column width).
constexpr FontWidth kFonts[] = {
    {u"calibri", 0.507, false},       {u"aptosnarrow", 0.49, false},
    {u"aptos", 0.556, false},         {u"arial", 0.556, false},
    {u"timesnewroman", 0.5, false},   {u"cambria", 0.556, false},
    {u"tahoma", 0.546, false},        {u"verdana", 0.636, false},
    {u"segoeui", 0.559, false},       {u"couriernew", 0.6, false},
    {u"msゴシック", 0.5, true},       {u"msgothic", 0.5, true},
    {u"mspゴシック", 0.5, true},      {u"mspgothic", 0.5, true},
    {u"ms明朝", 0.5, true},           {u"msmincho", 0.5, true},
    {u"msp明朝", 0.5, true},          {u"mspmincho", 0.5, true},
    {u"游ゴシック", 0.5, true},       {u"yugothic", 0.5, true},
    {u"游ゴシックmedium", 0.5, true}, {u"yugothicmedium", 0.5, true},
    {u"游明朝", 0.5, true},           {u"yumincho", 0.5, true},
    {u"メイリオ", 0.5, true},         {u"meiryo", 0.5, true},
    {u"meiryoui", 0.5, true},
};

std::u16string normaliseFontName(std::u16string_view name) {
    std::u16string out;
    for (char16_t c : name) {
        if (c >= 0xFF01 && c <= 0xFF5E) c = static_cast<char16_t>(c - 0xFEE0);  // full-width ASCII
        if (c == u' ' || c == 0x3000) continue;
        out.push_back(asciiLower(c));
    }
    return out;
}

}  // namespace

namespace {

// The font's entry; an unknown font is taken as Calibri.
FontWidth fontWidthOf(std::u16string_view fontName) {
    const std::u16string key = normaliseFontName(fontName);
    for (const auto& f : kFonts)
        if (f.name == key) return f;
    return kFonts[0];
}

}  // namespace

double digitAdvancePoints(std::u16string_view fontName, double sizePoints) {
    if (!(sizePoints > 0) || sizePoints > 409) sizePoints = 11;
    return fontWidthOf(fontName).digitEm * sizePoints;
}

int maxDigitWidth(std::u16string_view fontName, double sizePoints) {
    if (!(sizePoints > 0) || sizePoints > 409) sizePoints = 11;
    const FontWidth font = fontWidthOf(fontName);
    const double em = font.digitEm;
    const bool ceilWidth = font.bitmapCeil;
    const double px = em * sizePoints * 96.0 / 72.0;
    const double w = ceilWidth ? std::ceil(px - 1e-9) : std::round(px);
    return std::max(1, static_cast<int>(w));
}

int columnPixelsFromWidth(double width, int mdw) {
    if (!(width > 0)) return 0;
    width = std::min(width, 255.0);
    return static_cast<int>(std::trunc((256.0 * width + std::trunc(128.0 / mdw)) / 256.0 * mdw));
}

int defaultColumnPixels(double baseColWidth, int mdw) {
    if (!(baseColWidth >= 0) || baseColWidth > 255) baseColWidth = 8;
    const int px = static_cast<int>(std::trunc(baseColWidth)) * mdw + 5;
    return (px + 7) / 8 * 8;
}

double columnWidthFromPixels(int px, int mdw) {
    if (px <= 0) return 0;
    // Narrower than one character plus padding: the padding shrinks with the column.
    const double chars =
        px < mdw + 5 ? px / static_cast<double>(mdw + 5) : (px - 5) / static_cast<double>(mdw);
    return std::trunc(chars * 100.0 + 0.5) / 100.0;
}

double textWidthInDigits(std::u16string_view text) {
    double width = 0;
    for (char16_t c : text) {
        if (c >= 0xDC00 && c <= 0xDFFF) continue;  // second half of a surrogate pair
        if (c == u'.' || c == u',' || c == u':' || c == u';' || c == u'\'' || c == u'!' ||
            c == u'|' || c == u'i' || c == u'l' || c == u'I' || c == u'j' || c == u' ') {
            width += 0.5;
        } else if ((c >= 0x1100 && c <= 0x115F) || (c >= 0x2E80 && c <= 0xA4CF) ||
                   (c >= 0xAC00 && c <= 0xD7A3) || (c >= 0xF900 && c <= 0xFAFF) ||
                   (c >= 0xFE30 && c <= 0xFE4F) || (c >= 0xFF00 && c <= 0xFF60) ||
                   (c >= 0xFFE0 && c <= 0xFFE6) || (c >= 0xD800 && c <= 0xDBFF)) {
            width += 2;
        } else {
            width += 1;
        }
    }
    return width;
}

}  // namespace tabrova::workbook
