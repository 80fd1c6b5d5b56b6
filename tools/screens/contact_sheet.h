// All of a scenario's screenshots on one picture, in order, left to right and
// row after row, each glass with its virtual time and caption under it.
#ifndef TOOLS_SCREENS_CONTACT_SHEET_H
#define TOOLS_SCREENS_CONTACT_SHEET_H

#include <cstddef>
#include <string>
#include <vector>

#include "core/time.h"
#include "devices/lcd_image.h"
#include "rgb_image.h"

namespace tools {

struct Screenshot {
    sim::LcdImage image;
    int backlight_percent = 100;
    sim::Nanoseconds time = 0;  // virtual time it was taken
    std::string caption;        // e.g. the file name; may be empty
};

constexpr int kSheetGlassScale = 2;
constexpr int kSheetShotsPerRow = 4;
// Beyond this the sheet is too big to look at (and to hold in memory): split the shots.
constexpr std::size_t kMaxSheetShots = 500;

// Throws std::invalid_argument for no shots, too many, or a shot's backlight
// outside 0..100.
RgbImage contact_sheet(const std::vector<Screenshot>& shots);

// contact_sheet saved as a PNG file at path; every failure, bad arguments
// included, is a std::runtime_error naming the path.
void write_contact_sheet(const std::vector<Screenshot>& shots, const std::string& path);

}  // namespace tools

#endif
