// What the 128x64 glass shows: true = a dark pixel. Stored the way display
// data bytes lay it out, one byte per column of each 8-row page with the top
// row in the least significant bit, so text can be read a column at a time.
#ifndef SIM_DEVICES_LCD_IMAGE_H
#define SIM_DEVICES_LCD_IMAGE_H

#include <array>
#include <cstdint>
#include <string>

namespace sim {

class LcdImage {
public:
    static constexpr int kWidth = 128;
    static constexpr int kHeight = 64;
    static constexpr int kPages = kHeight / 8;
    // Page after page, column after column: byte page * 128 + x.
    using Bytes = std::array<std::uint8_t, static_cast<std::size_t>(kPages) * kWidth>;

    LcdImage() = default;
    explicit LcdImage(const Bytes& bytes) : bytes_(bytes) {}

    bool pixel(int x, int y) const;
    void set_pixel(int x, int y, bool dark);
    // Rows 8 page to 8 page + 7 of column x, bit b = row 8 page + b.
    std::uint8_t column_byte(int page, int x) const;

    // One line of text per row, '#' dark and '.' blank: for failure messages.
    std::string render() const;

    bool operator==(const LcdImage&) const = default;

private:
    static void check(int x, int y);

    Bytes bytes_{};
};

}  // namespace sim

#endif
