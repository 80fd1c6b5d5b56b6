// What the screens tests share: a scratch folder of their own, and reading a
// PNG file back through libpng to see what was really written.
#ifndef TESTS_TOOLS_SCREENS_SCREENS_RIG_H
#define TESTS_TOOLS_SCREENS_SCREENS_RIG_H

#include <png.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include "devices/lcd_image.h"
#include "rgb_image.h"

namespace screens_rig {

// Only 8-bit RGB files are read: anything else fails the test that reads it.
inline tools::RgbImage read_png(const std::string& path)
{
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (png_image_begin_read_from_file(&image, path.c_str()) == 0)
        throw std::runtime_error(path + ": " + image.message);
    if (image.format != PNG_FORMAT_RGB) {
        png_image_free(&image);
        throw std::runtime_error(path + ": not 8-bit RGB, format " + std::to_string(image.format));
    }
    std::vector<std::uint8_t> bytes(PNG_IMAGE_SIZE(image));
    if (png_image_finish_read(&image, nullptr, bytes.data(), 0, nullptr) == 0)
        throw std::runtime_error(path + ": " + image.message);
    tools::RgbImage picture(static_cast<int>(image.width), static_cast<int>(image.height), {});
    std::size_t i = 0;
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x, i += 3) picture.set(x, y, {bytes[i], bytes[i + 1], bytes[i + 2]});
    return picture;
}

// Irregular, reaching every edge and corner of the glass, and too busy to
// compress into a few bytes.
inline sim::LcdImage pattern()
{
    sim::LcdImage image;
    for (int y = 0; y < sim::LcdImage::kHeight; ++y)
        for (int x = 0; x < sim::LcdImage::kWidth; ++x)
            image.set_pixel(x, y, (x * 7 + y * 3) % 5 == 0 || x == 127 || y == 63);
    return image;
}

inline int luminance(tools::Rgb c) { return 299 * c.r + 587 * c.g + 114 * c.b; }

class ScratchFolder {
public:
    ScratchFolder()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "tiltmon-screens-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error(pattern + ": cannot make a folder");
        path_ = pattern;
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    ~ScratchFolder() { std::filesystem::remove_all(path_); }

    std::string file(const std::string& name) const { return (path_ / name).string(); }

    // Hidden files too, so a left-over part file shows.
    std::vector<std::string> names() const
    {
        std::vector<std::string> found;
        for (const auto& entry : std::filesystem::directory_iterator(path_))
            found.push_back(entry.path().filename().string());
        std::sort(found.begin(), found.end());
        return found;
    }

private:
    std::filesystem::path path_;
};

}  // namespace screens_rig

#endif
