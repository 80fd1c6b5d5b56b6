#include "lcd_art.h"

namespace tools {

namespace {

// Indexed by the four pixels of a cell: bit 0 top left, 1 top right,
// 2 bottom left, 3 bottom right.
const char* const kQuadrants[16] = {" ", "▘", "▝", "▀", "▖", "▌", "▞", "▛",
                                    "▗", "▚", "▐", "▜", "▄", "▙", "▟", "█"};

}  // namespace

std::string lcd_art(const sim::LcdImage& image, bool lit)
{
    constexpr int kCells = sim::LcdImage::kWidth / 2;
    std::string border;
    for (int i = 0; i < kCells; ++i) border += "─";
    std::string art = "┌" + border + "┐ " + (lit ? "backlight on" : "backlight off") + "\n";
    for (int y = 0; y < sim::LcdImage::kHeight; y += 2) {
        art += "│";
        for (int x = 0; x < sim::LcdImage::kWidth; x += 2) {
            const int index = (image.pixel(x, y) ? 1 : 0) | (image.pixel(x + 1, y) ? 2 : 0) |
                              (image.pixel(x, y + 1) ? 4 : 0) | (image.pixel(x + 1, y + 1) ? 8 : 0);
            art += kQuadrants[index];
        }
        art += "│\n";
    }
    art += "└" + border + "┘\n";
    return art;
}

}  // namespace tools
