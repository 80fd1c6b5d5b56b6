#include "png_file.h"

#include <png.h>

#include <cstdint>
#include <stdexcept>
#include <vector>

#include "atomic_file.h"
#include "text_spelling.h"

namespace tools {

namespace {

// libpng's simplified interface keeps its setjmp error handling to itself and
// reports through the image's message, so no C++ frame is ever jumped over.
std::vector<std::uint8_t> encode_png(const RgbImage& picture, const std::string& path)
{
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = static_cast<png_uint_32>(picture.width());
    image.height = static_cast<png_uint_32>(picture.height());
    image.format = PNG_FORMAT_RGB;

    // The first pass only measures.
    png_alloc_size_t size = 0;
    if (png_image_write_to_memory(&image, nullptr, &size, 0, picture.bytes(), 0, nullptr) == 0)
        throw std::runtime_error(spelled_text(path) + ": cannot encode as PNG: " + image.message);
    std::vector<std::uint8_t> bytes(size);
    if (png_image_write_to_memory(&image, bytes.data(), &size, 0, picture.bytes(), 0, nullptr) == 0)
        throw std::runtime_error(spelled_text(path) + ": cannot encode as PNG: " + image.message);
    bytes.resize(size);
    return bytes;
}

}  // namespace

void write_png(const RgbImage& picture, const std::string& path)
{
    write_file_atomically(path, encode_png(picture, path));
}

}  // namespace tools
