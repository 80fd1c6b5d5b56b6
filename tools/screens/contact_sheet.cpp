#include "contact_sheet.h"

#include <algorithm>
#include <stdexcept>

#include "glass_picture.h"
#include "lettering.h"
#include "png_file.h"
#include "time_text.h"

namespace tools {

namespace {

constexpr Rgb kBackground{0xD6, 0xD6, 0xD2};
constexpr Rgb kInk{0x20, 0x20, 0x20};

constexpr int kMargin = 16;
constexpr int kGap = 16;
constexpr int kTimeScale = 2;
constexpr int kCaptionScale = 1;
constexpr int kLabelGap = 6;  // between the glass and the time
constexpr int kLineGap = 4;   // between the time and the caption

// Everything in pixels of the sheet.
struct Layout {
    int glass_width = glass_picture_width(kSheetGlassScale);
    int glass_height = glass_picture_height(kSheetGlassScale);
    int time_top = glass_height + kLabelGap;
    int caption_top = time_top + kLetterHeight * kTimeScale + kLineGap;
    int cell_height = caption_top + kLetterHeight * kCaptionScale;
    std::size_t caption_letters = static_cast<std::size_t>((glass_width + 1) / kLetterAdvance);

    int cell_left(std::size_t index) const
    {
        return kMargin + static_cast<int>(index % kSheetShotsPerRow) * (glass_width + kGap);
    }
    int cell_top(std::size_t index) const
    {
        return kMargin + static_cast<int>(index / kSheetShotsPerRow) * (cell_height + kGap);
    }
};

void check_shots(const std::vector<Screenshot>& shots)
{
    if (shots.empty()) throw std::invalid_argument("no screenshots to put on a contact sheet");
    if (shots.size() > kMaxSheetShots)
        throw std::invalid_argument(std::to_string(shots.size()) + " screenshots are more than a sheet holds (" +
                                    std::to_string(kMaxSheetShots) + "): split them over several sheets");
}

}  // namespace

RgbImage contact_sheet(const std::vector<Screenshot>& shots)
{
    check_shots(shots);
    const Layout layout;
    const std::size_t columns = std::min(shots.size(), static_cast<std::size_t>(kSheetShotsPerRow));
    const std::size_t rows = (shots.size() + kSheetShotsPerRow - 1) / kSheetShotsPerRow;
    const int width = layout.cell_left(columns - 1) + layout.glass_width + kMargin;
    const int height = layout.cell_top((rows - 1) * kSheetShotsPerRow) + layout.cell_height + kMargin;
    RgbImage sheet(width, height, kBackground);

    for (std::size_t i = 0; i < shots.size(); ++i) {
        const Screenshot& shot = shots[i];
        const int left = layout.cell_left(i);
        const int top = layout.cell_top(i);
        try {
            sheet.paste(glass_picture(shot.image, shot.backlight_percent, kSheetGlassScale), left, top);
        } catch (const std::invalid_argument& e) {
            throw std::invalid_argument("screenshot " + std::to_string(i + 1) + ": " + e.what());
        }
        draw_text(sheet, left, top + layout.time_top, clock_text(shot.time), kTimeScale, kInk);
        draw_text(sheet, left, top + layout.caption_top,
                  fit_letters(font_text(shot.caption), layout.caption_letters), kCaptionScale, kInk);
    }
    return sheet;
}

void write_contact_sheet(const std::vector<Screenshot>& shots, const std::string& path)
{
    RgbImage sheet = [&] {
        try {
            return contact_sheet(shots);
        } catch (const std::invalid_argument& e) {
            throw std::runtime_error(path + ": " + e.what());
        }
    }();
    write_png(sheet, path);
}

}  // namespace tools
