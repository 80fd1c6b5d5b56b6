// The LCD's 128x64 glass as text for a terminal: two by two pixels per
// character cell with the Unicode quadrant blocks, 64 columns by 32 lines,
// framed so the edge of the glass shows.
#ifndef TOOLS_COMMON_LCD_ART_H
#define TOOLS_COMMON_LCD_ART_H

#include <string>

#include "devices/lcd_image.h"

namespace tools {

// lit: the backlight is on (the frame says so; the pixels are the same).
std::string lcd_art(const sim::LcdImage& image, bool lit);

}  // namespace tools

#endif
