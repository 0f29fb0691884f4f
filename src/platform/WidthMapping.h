// Full-width and half-width forms of a UTF-16 text, as the system's locale mapping makes them
// (LCMapStringW with LCMAP_FULLWIDTH / LCMAP_HALFWIDTH under the user's default locale on Windows;
// an equivalent table of our own elsewhere).
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tabrova::platform {

// The text with every character that has a full-width form replaced by it; a half-width
// katakana followed by a half-width (semi-)voiced sound mark becomes one voiced katakana.
// nullopt when the system mapping fails.
std::optional<std::u16string> mapToFullWidth(std::u16string_view text);

// The text with every character that has a half-width form replaced by it; a voiced katakana
// becomes its half-width base followed by the half-width sound mark.
// nullopt when the system mapping fails.
std::optional<std::u16string> mapToHalfWidth(std::u16string_view text);

}  // namespace tabrova::platform
