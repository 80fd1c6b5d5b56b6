// Text on a picture in the firmware's own 5x8 font, so labels look like the
// glass they stand under. A character takes 6 pixels across (5 and a space)
// and 8 down, times the text scale.
#ifndef TOOLS_SCREENS_LETTERING_H
#define TOOLS_SCREENS_LETTERING_H

#include <cstddef>
#include <string>
#include <string_view>

#include "rgb_image.h"

namespace tools {

constexpr int kLetterAdvance = 6;
constexpr int kLetterHeight = 8;

// The font has glyphs for ASCII; every other character of UTF-8 text, and
// every control character, becomes one '?'.
std::string font_text(std::string_view utf8);

// At most max_letters letters of text (font_text output): a longer one keeps
// its start and end around "..." (file names differ at both).
std::string fit_letters(const std::string& text, std::size_t max_letters);

// Width in pixels of letters characters at scale, without the trailing space.
int text_width(std::size_t letters, int scale);

// Draws font_text output with its top left corner at (x, y), clipped to the picture.
void draw_text(RgbImage& picture, int x, int y, std::string_view text, int scale, Rgb colour);

}  // namespace tools

#endif
