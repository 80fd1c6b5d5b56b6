#include "lcd_image.h"

#include "core/sim_error.h"

namespace sim {

void LcdImage::check(int x, int y)
{
    if (x < 0 || x >= kWidth || y < 0 || y >= kHeight)
        throw SimError("LCD image: pixel (" + std::to_string(x) + ", " + std::to_string(y) + ") is off the 128x64 glass");
}

bool LcdImage::pixel(int x, int y) const
{
    check(x, y);
    return (bytes_[static_cast<std::size_t>(y / 8) * kWidth + static_cast<std::size_t>(x)] >> (y % 8) & 1) != 0;
}

void LcdImage::set_pixel(int x, int y, bool dark)
{
    check(x, y);
    auto& byte = bytes_[static_cast<std::size_t>(y / 8) * kWidth + static_cast<std::size_t>(x)];
    const auto bit = static_cast<std::uint8_t>(1u << (y % 8));
    byte = static_cast<std::uint8_t>(dark ? byte | bit : byte & ~bit);
}

std::uint8_t LcdImage::column_byte(int page, int x) const
{
    check(x, page * 8);
    return bytes_[static_cast<std::size_t>(page) * kWidth + static_cast<std::size_t>(x)];
}

std::string LcdImage::render() const
{
    std::string text;
    text.reserve(static_cast<std::size_t>(kHeight) * (kWidth + 1));
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) text += pixel(x, y) ? '#' : '.';
        text += '\n';
    }
    return text;
}

}  // namespace sim
