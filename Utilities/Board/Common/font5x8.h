// The LCD driver's 5x8 font: 255 glyphs for the character codes 0 to 254 in
// the repertoire of code page 437, 5 bytes a glyph (code c at bytes 5c to
// 5c + 4), one byte a column from the left, bit b of a byte row b of the
// glyph with the least significant bit on top. Glyphs carry no spacing column.
#ifndef TILTMON_FONT5X8_H
#define TILTMON_FONT5X8_H

#include <cstdint>

constexpr int FONT5X8_GLYPHS = 255;
constexpr int FONT5X8_WIDTH = 5;

extern const std::uint8_t font5x8[FONT5X8_GLYPHS * FONT5X8_WIDTH];

#endif
