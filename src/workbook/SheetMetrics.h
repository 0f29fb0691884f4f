// Column widths in the spreadsheet's units and pixels, from the maximum digit width (MDW) of the
// workbook's standard font, and the estimated width of a displayed text.
#pragma once

#include <string_view>

namespace tabrova::workbook {

// The width in pixels of the widest digit of a font at 96 dpi, from a small table of the common
// standard fonts (Japanese ones included); an unknown font is taken as Calibri.
int maxDigitWidth(std::u16string_view fontName, double sizePoints);

// The advance width of a digit of the font as its outline gives it, in points, without the
// rounding to pixels of maxDigitWidth.
double digitAdvancePoints(std::u16string_view fontName, double sizePoints);

// Pixels of a column stored with width w (in characters, padding included).
int columnPixelsFromWidth(double width, int mdw);

// Pixels of a column without a stored width and without the sheet's defaultColWidth.
int defaultColumnPixels(double baseColWidth, int mdw);

// The column width the object model reports for a column of px pixels.
double columnWidthFromPixels(int px, int mdw);

// Estimated width of a text in digit widths of the standard font: digits and most characters
// one, narrow punctuation half, wide (East Asian) characters two.
double textWidthInDigits(std::u16string_view text);

}  // namespace tabrova::workbook
