// Saving a picture as an 8-bit RGB PNG file. The file appears whole or not at
// all: it is written beside its final name and renamed into place, so a
// failure leaves neither a half-written file nor a clobbered old one.
#ifndef TOOLS_SCREENS_PNG_FILE_H
#define TOOLS_SCREENS_PNG_FILE_H

#include <string>

#include "rgb_image.h"

namespace tools {

// Throws std::runtime_error "<path>: <what failed>: <why>".
void write_png(const RgbImage& picture, const std::string& path);

}  // namespace tools

#endif
