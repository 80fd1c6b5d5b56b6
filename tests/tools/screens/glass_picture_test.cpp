// The glass as a PNG picture: where every LCD pixel lands at each scale, the
// colours the backlight gives the glass, and the arguments it refuses.
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

#include "glass_picture.h"
#include "screens_rig.h"

namespace {

using screens_rig::luminance;
using screens_rig::pattern;
using screens_rig::read_png;
using screens_rig::ScratchFolder;
using tools::Rgb;

class GlassScaleTest : public ::testing::TestWithParam<int> {};

TEST_P(GlassScaleTest, EveryLcdPixelIsAScaleSquareInsideTheMarginAndBezel)
{
    const int scale = GetParam();
    const ScratchFolder folder;
    const sim::LcdImage image = pattern();
    tools::write_lcd_png(image, 100, folder.file("glass.png"), scale);

    const tools::RgbImage picture = read_png(folder.file("glass.png"));
    ASSERT_EQ(picture.width(), (128 + 2 * tools::kGlassBorder) * scale);
    ASSERT_EQ(picture.height(), (64 + 2 * tools::kGlassBorder) * scale);
    const tools::GlassColours colours = tools::glass_colours(100);
    const int bezel = tools::kGlassBezel * scale;
    const int origin = tools::kGlassBorder * scale;
    int wrong = 0;
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x) {
            const bool in_bezel = x < bezel || y < bezel || x >= picture.width() - bezel ||
                                  y >= picture.height() - bezel;
            const int lx = (x - origin) / scale;
            const int ly = (y - origin) / scale;
            const bool in_pixels = x >= origin && y >= origin && lx < 128 && ly < 64;
            const Rgb expected = in_bezel                              ? colours.bezel
                                 : in_pixels && image.pixel(lx, ly) ? colours.dark
                                                                    : colours.glass;
            if (picture.at(x, y) != expected && ++wrong <= 3) ADD_FAILURE() << "wrong colour at " << x << ", " << y;
        }
    EXPECT_EQ(wrong, 0);
}

INSTANTIATE_TEST_SUITE_P(Scales, GlassScaleTest, ::testing::Values(1, 2, 4, 7));

TEST(GlassColours, TheBacklightBrightensAYellowGreenGlassAndDarkPixelsStayDark)
{
    const ScratchFolder folder;
    sim::LcdImage image;
    image.set_pixel(10, 20, true);
    int previous = -1;
    for (const int percent : {0, 25, 50, 100}) {
        const std::string path = folder.file("lit" + std::to_string(percent) + ".png");
        tools::write_lcd_png(image, percent, path, 2);
        const tools::RgbImage picture = read_png(path);
        const int origin = tools::kGlassBorder * 2;
        const Rgb glass = picture.at(origin, origin);
        const Rgb dark = picture.at(origin + 20, origin + 40);
        EXPECT_GT(luminance(glass), previous) << percent << " %";
        EXPECT_LT(luminance(dark) * 2, luminance(glass)) << percent << " %";
        EXPECT_GT(glass.g, glass.r) << "greener than red at " << percent << " %";
        EXPECT_GT(glass.r, glass.b) << "yellowish at " << percent << " %";
        previous = luminance(glass);
    }
}

TEST(GlassArguments, AreRefusedNamingThePathAndNothingIsWritten)
{
    const ScratchFolder folder;
    const std::string path = folder.file("glass.png");
    const struct {
        int backlight_percent;
        int scale;
        const char* cause;
    } cases[] = {{100, 0, "scale 0 is outside 1..32"},
                 {100, 33, "scale 33 is outside 1..32"},
                 {-1, 4, "backlight -1 % is outside 0..100"},
                 {101, 4, "backlight 101 % is outside 0..100"}};
    for (const auto& c : cases) {
        try {
            tools::write_lcd_png(sim::LcdImage{}, c.backlight_percent, path, c.scale);
            ADD_FAILURE() << "accepted: " << c.cause;
        } catch (const std::runtime_error& e) {
            EXPECT_EQ(std::string(e.what()), path + ": " + c.cause);
        }
    }
    EXPECT_TRUE(folder.names().empty());
}

}  // namespace
