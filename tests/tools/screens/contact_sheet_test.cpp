// Contact sheets read back as a person would look at them: the glasses found
// by their bezels, in order, a few to a row, each with its label under it;
// and what a label says, the time and the caption.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "contact_sheet.h"
#include "glass_picture.h"
#include "lettering.h"
#include "screens_rig.h"

namespace {

using namespace sim;
using screens_rig::read_png;
using screens_rig::ScratchFolder;
using tools::Rgb;
using tools::RgbImage;

constexpr int kGlassWidth = (128 + 2 * tools::kGlassBorder) * tools::kSheetGlassScale;
constexpr int kGlassHeight = (64 + 2 * tools::kGlassBorder) * tools::kSheetGlassScale;

// Top left corners of the glasses, row after row: bezel pixels with the
// background to their left and above.
std::vector<std::pair<int, int>> glass_corners(const RgbImage& sheet)
{
    const Rgb background = sheet.at(0, 0);
    const Rgb bezel = tools::glass_colours(100).bezel;
    std::vector<std::pair<int, int>> corners;
    for (int y = 1; y < sheet.height(); ++y)
        for (int x = 1; x < sheet.width(); ++x)
            if (sheet.at(x, y) == bezel && sheet.at(x - 1, y) == background && sheet.at(x, y - 1) == background)
                corners.emplace_back(x, y);
    return corners;
}

// The band under a glass, down to where the next row would start.
std::vector<Rgb> label_band(const RgbImage& sheet, std::pair<int, int> corner)
{
    std::vector<Rgb> band;
    for (int y = corner.second + kGlassHeight; y < std::min(sheet.height(), corner.second + kGlassHeight + 40); ++y)
        for (int x = corner.first; x < corner.first + kGlassWidth; ++x) band.push_back(sheet.at(x, y));
    return band;
}

long label_ink(const RgbImage& sheet, std::pair<int, int> corner)
{
    const auto band = label_band(sheet, corner);
    return std::count_if(band.begin(), band.end(), [&](Rgb c) { return c != sheet.at(0, 0); });
}

class SheetGridTest : public ::testing::TestWithParam<int> {};

TEST_P(SheetGridTest, ShotsGoInOrderFourToARowEachLabelled)
{
    const int count = GetParam();
    std::vector<tools::Screenshot> shots;
    for (int i = 0; i < count; ++i)
        shots.push_back({LcdImage{}, i * 10, static_cast<Nanoseconds>(i) * 1_s, "shot " + std::to_string(i)});
    const ScratchFolder folder;
    tools::write_contact_sheet(shots, folder.file("sheet.png"));

    const RgbImage sheet = read_png(folder.file("sheet.png"));
    const auto corners = glass_corners(sheet);
    ASSERT_EQ(corners.size(), static_cast<std::size_t>(count));
    const int columns = std::min(count, 4);
    for (int i = 0; i < count; ++i) {
        const auto corner = corners[static_cast<std::size_t>(i)];
        const auto row_start = corners[static_cast<std::size_t>(i - i % 4)];
        EXPECT_EQ(corner.second, row_start.second) << "shot " << i << " on its row";
        if (i >= 4) {
            EXPECT_EQ(corner.first, corners[static_cast<std::size_t>(i - 4)].first) << "shot " << i;
        }
        const int inside = tools::kGlassBezel * tools::kSheetGlassScale;
        EXPECT_EQ(sheet.at(corner.first + inside, corner.second + inside), tools::glass_colours(i * 10).glass)
            << "shot " << i << " in its place";
        EXPECT_GT(label_ink(sheet, corner), 0) << "shot " << i << " labelled";
        if (i > 0) {
            EXPECT_NE(label_band(sheet, corner), label_band(sheet, corners[0])) << "shot " << i << "'s own label";
        }
    }
    const int right_margin = sheet.width() - (corners[static_cast<std::size_t>(columns - 1)].first + kGlassWidth);
    EXPECT_EQ(right_margin, corners[0].first);
    EXPECT_GT(sheet.height() - corners.back().second, kGlassHeight + 16) << "room for the last row's labels";
}

INSTANTIATE_TEST_SUITE_P(Counts, SheetGridTest, ::testing::Values(1, 3, 4, 5, 9));

TEST(SheetLabel, CaptionsKeepToTheFontAndTheWidth)
{
    EXPECT_EQ(tools::font_text("menu 1.png"), "menu 1.png");
    EXPECT_EQ(tools::font_text("r\xC3\xA9glage\t\xE2\x86\x92"), "r?glage??");
    EXPECT_EQ(tools::fit_letters("short", 8), "short");
    EXPECT_EQ(tools::fit_letters("scenario-limits-017.png", 12), "scena....png");
    EXPECT_EQ(tools::fit_letters("abcdef", 2), "ab");
}

TEST(SheetRefusal, NoShotsOrABadShotIsRefusedNamingThePathAndWritesNothing)
{
    const ScratchFolder folder;
    const std::string path = folder.file("sheet.png");
    const std::pair<std::vector<tools::Screenshot>, std::string> cases[] = {
        {{}, "no screenshots to put on a contact sheet"},
        {{{}, {LcdImage{}, 150, 0, ""}}, "screenshot 2: backlight 150 % is outside 0..100"},
        {std::vector<tools::Screenshot>(tools::kMaxSheetShots + 1),
         "501 screenshots are more than a sheet holds (500): split them over several sheets"},
    };
    for (const auto& [shots, cause] : cases) {
        try {
            tools::write_contact_sheet(shots, path);
            ADD_FAILURE() << "accepted: " << cause;
        } catch (const std::runtime_error& e) {
            EXPECT_EQ(std::string(e.what()), path + ": " + cause);
        }
    }
    EXPECT_TRUE(folder.names().empty());
}

}  // namespace
