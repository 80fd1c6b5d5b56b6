#include "glass_picture.h"

#include <stdexcept>

#include "png_file.h"

namespace tools {

namespace {

constexpr Rgb kLitGlass{0x9C, 0xC9, 0x3C};
constexpr Rgb kUnlitGlass{0x6B, 0x75, 0x60};
constexpr Rgb kLitDark{0x1B, 0x26, 0x38};
// Without the light behind them the dark pixels lose some of their contrast.
constexpr Rgb kUnlitDark{0x2A, 0x30, 0x2C};
constexpr Rgb kBezel{0x2E, 0x2E, 0x2E};

std::uint8_t blend(std::uint8_t unlit, std::uint8_t lit, int percent)
{
    return static_cast<std::uint8_t>((unlit * (100 - percent) + lit * percent + 50) / 100);
}

Rgb blend(Rgb unlit, Rgb lit, int percent)
{
    return {blend(unlit.r, lit.r, percent), blend(unlit.g, lit.g, percent), blend(unlit.b, lit.b, percent)};
}

void check_backlight(int backlight_percent)
{
    if (backlight_percent < 0 || backlight_percent > 100)
        throw std::invalid_argument("backlight " + std::to_string(backlight_percent) + " % is outside 0..100");
}

void check_scale(int scale)
{
    if (scale < 1 || scale > kMaxGlassScale)
        throw std::invalid_argument("scale " + std::to_string(scale) + " is outside 1.." +
                                    std::to_string(kMaxGlassScale));
}

}  // namespace

GlassColours glass_colours(int backlight_percent)
{
    check_backlight(backlight_percent);
    return {blend(kUnlitGlass, kLitGlass, backlight_percent), blend(kUnlitDark, kLitDark, backlight_percent),
            kBezel};
}

int glass_picture_width(int scale) { return (sim::LcdImage::kWidth + 2 * kGlassBorder) * scale; }

int glass_picture_height(int scale) { return (sim::LcdImage::kHeight + 2 * kGlassBorder) * scale; }

RgbImage glass_picture(const sim::LcdImage& image, int backlight_percent, int scale)
{
    check_scale(scale);
    const GlassColours colours = glass_colours(backlight_percent);
    RgbImage picture(glass_picture_width(scale), glass_picture_height(scale), colours.bezel);
    const int bezel = kGlassBezel * scale;
    picture.fill(bezel, bezel, picture.width() - 2 * bezel, picture.height() - 2 * bezel, colours.glass);
    const int origin = kGlassBorder * scale;
    for (int y = 0; y < sim::LcdImage::kHeight; ++y)
        for (int x = 0; x < sim::LcdImage::kWidth; ++x)
            if (image.pixel(x, y)) picture.fill(origin + x * scale, origin + y * scale, scale, scale, colours.dark);
    return picture;
}

void write_lcd_png(const sim::LcdImage& image, int backlight_percent, const std::string& path, int scale)
{
    RgbImage picture = [&] {
        try {
            return glass_picture(image, backlight_percent, scale);
        } catch (const std::invalid_argument& e) {
            throw std::runtime_error(path + ": " + e.what());
        }
    }();
    write_png(picture, path);
}

}  // namespace tools
