#include "rgb_image.h"

#include <algorithm>
#include <stdexcept>
#include <string>

namespace tools {

RgbImage::RgbImage(int width, int height, Rgb background) : width_(width), height_(height)
{
    if (width < 1 || height < 1)
        throw std::invalid_argument("RgbImage: " + std::to_string(width) + "x" + std::to_string(height) +
                                    " has no pixels");
    bytes_.resize(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 3);
    fill(0, 0, width, height, background);
}

std::size_t RgbImage::offset(int x, int y) const
{
    if (x < 0 || x >= width_ || y < 0 || y >= height_)
        throw std::out_of_range("RgbImage: pixel (" + std::to_string(x) + ", " + std::to_string(y) +
                                ") is outside " + std::to_string(width_) + "x" + std::to_string(height_));
    return (static_cast<std::size_t>(y) * static_cast<std::size_t>(width_) + static_cast<std::size_t>(x)) * 3;
}

Rgb RgbImage::at(int x, int y) const
{
    const std::size_t i = offset(x, y);
    return {bytes_[i], bytes_[i + 1], bytes_[i + 2]};
}

void RgbImage::set(int x, int y, Rgb colour)
{
    const std::size_t i = offset(x, y);
    bytes_[i] = colour.r;
    bytes_[i + 1] = colour.g;
    bytes_[i + 2] = colour.b;
}

void RgbImage::fill(int x, int y, int width, int height, Rgb colour)
{
    const int left = std::max(x, 0);
    const int right = std::min(x + width, width_);
    const int top = std::max(y, 0);
    const int bottom = std::min(y + height, height_);
    for (int row = top; row < bottom; ++row)
        for (int column = left; column < right; ++column) set(column, row, colour);
}

void RgbImage::paste(const RgbImage& picture, int x, int y)
{
    const int left = std::max(x, 0);
    const int right = std::min(x + picture.width_, width_);
    const int top = std::max(y, 0);
    const int bottom = std::min(y + picture.height_, height_);
    for (int row = top; row < bottom; ++row)
        for (int column = left; column < right; ++column) set(column, row, picture.at(column - x, row - y));
}

}  // namespace tools
