// The LCD's glass as a picture: every LCD pixel a scale x scale square, dark
// pixels on the backlit glass, a margin of bare glass around the pixel area
// and a thin dark bezel around that, as the glass sits in the case.
#ifndef TOOLS_SCREENS_GLASS_PICTURE_H
#define TOOLS_SCREENS_GLASS_PICTURE_H

#include <string>

#include "devices/lcd_image.h"
#include "rgb_image.h"

namespace tools {

constexpr int kMaxGlassScale = 32;
// Both in LCD pixels, so they grow with the scale.
constexpr int kGlassMargin = 2;
constexpr int kGlassBezel = 1;
constexpr int kGlassBorder = kGlassMargin + kGlassBezel;

struct GlassColours {
    Rgb glass;  // a blank pixel and the margin
    Rgb dark;   // a dark pixel
    Rgb bezel;
};

// The backlight's yellow-green glass at percent (0..100) of its brightness;
// at 0 the glass is lit only by the room and looks a dim grey-green.
GlassColours glass_colours(int backlight_percent);

int glass_picture_width(int scale);
int glass_picture_height(int scale);

// Throws std::invalid_argument for a backlight outside 0..100 or a scale
// outside 1..kMaxGlassScale.
RgbImage glass_picture(const sim::LcdImage& image, int backlight_percent, int scale);

// glass_picture saved as a PNG file at path; every failure, bad arguments
// included, is a std::runtime_error naming the path.
void write_lcd_png(const sim::LcdImage& image, int backlight_percent, const std::string& path, int scale = 4);

}  // namespace tools

#endif
