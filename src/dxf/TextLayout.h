// Estimated widths of cell texts, their breaking into lines that fit a width, and the width
// factor that narrows a text to a width. The drawing has no font to measure with (the CAD's
// STANDARD style decides it), so widths are estimated from the text height.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tabrova {

// Capital letters of a text of height h are h high; the font's em is h / kCapHeightPerEm (the
// ratio of Noto Sans CJK, which the preview paints with).
inline constexpr double kCapHeightPerEm = 0.733;

// Wide (East Asian full-width) characters are one em wide, the others kNarrowEm: about 1.36 and
// 0.75 text heights. Wider than most CAD fonts draw them, so that a text estimated to fit does.
inline constexpr double kNarrowEm = 0.55;

// Whether the character takes a full-width cell.
bool isWideChar(char16_t c);

// The estimated advance width of a text whose capital letters are capHeight high.
double estimateTextWidth(std::u16string_view text, double capHeight);

// Breaks one line of text (no line feeds) into lines whose estimated width at the height is at
// most maxWidth: Latin text at spaces (a word longer than a line between its characters), wide
// text between characters, but never before closing punctuation and small kana (、。）」ー ...)
// nor after opening brackets (「（ ...). Spaces at a break are dropped. A line holds at least one
// character. An empty text gives one empty line; maxWidth <= 0 leaves the text whole.
std::vector<std::u16string> wrapTextLine(std::u16string_view text, double capHeight,
                                         double maxWidth);

// The smallest width factor a fitted text gets; a text that needs less overflows.
inline constexpr double kMinWidthFactor = 0.3;

// 1 when width fits in allowed, else allowed / width, but never below kMinWidthFactor.
double widthFactorToFit(double width, double allowed);

}  // namespace tabrova
