// An 8-bit RGB picture held in memory, row after row from the top, three bytes
// a pixel: what the PNG writer takes and the screen pictures are drawn on.
#ifndef TOOLS_SCREENS_RGB_IMAGE_H
#define TOOLS_SCREENS_RGB_IMAGE_H

#include <cstddef>
#include <cstdint>
#include <vector>

namespace tools {

struct Rgb {
    std::uint8_t r = 0;
    std::uint8_t g = 0;
    std::uint8_t b = 0;

    bool operator==(const Rgb&) const = default;
};

class RgbImage {
public:
    RgbImage(int width, int height, Rgb background);

    int width() const { return width_; }
    int height() const { return height_; }

    Rgb at(int x, int y) const;
    void set(int x, int y, Rgb colour);
    // Clipped to the picture, so callers may draw partly outside it.
    void fill(int x, int y, int width, int height, Rgb colour);
    // Pastes the whole of picture with its top left corner at (x, y), clipped.
    void paste(const RgbImage& picture, int x, int y);

    // Row y starts at byte 3 * width * y.
    const std::uint8_t* bytes() const { return bytes_.data(); }

private:
    std::size_t offset(int x, int y) const;

    int width_;
    int height_;
    std::vector<std::uint8_t> bytes_;
};

}  // namespace tools

#endif
