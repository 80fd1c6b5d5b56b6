// Reads the text on the glass: which glyphs of the font stand where in each
// of the 8 text lines (pages).
//
// A line reads as 22 cells of 6 columns, the last one 2 wide. A glyph whose
// first column is x lands in cell x / 6: text drawn by the LCD driver
// (character k at columns 6k + 1 to 6k + 5) reads as character k, and a
// character drawn alone at any column lands in the cell of its first column.
// Glyphs match on all 5 columns, normal or inverted (XOR 0xFF), so a glyph
// with blank leading columns is found at its true column. Where the pixels
// allow several readings, the one with more glyphs on the driver's grid
// wins; a glyph that is another's inverse takes the polarity of the columns
// beside it.
//
// A cell with no glyph is a blank, inverted when its columns are dark. A
// cell holding columns that no glyph explains (a bar, a graph, half a glyph)
// or two glyphs reads kUnrecognised. Glyphs that are all blank cannot be
// told from the background and read as blanks; the all-dark glyph (the full
// block) is recognised only between blank columns, as on dark ground it is
// inverted background. Where two codes share a glyph, the lower code reads.
#ifndef SIM_DEVICES_LCD_TEXT_VIEW_H
#define SIM_DEVICES_LCD_TEXT_VIEW_H

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <unordered_map>
#include <vector>

#include "devices/lcd_image.h"

namespace sim {

struct TextLine {
    static constexpr int kCells = 22;
    static constexpr int kCellWidth = 6;

    // One character per cell, the trailing blanks that are not inverted dropped.
    std::string text;
    std::array<bool, kCells> inverted{};
    std::array<bool, kCells> unrecognised{};
};

class LcdTextView {
public:
    static constexpr char kUnrecognised = '?';
    static constexpr int kGlyphWidth = 5;
    // The glyphs the text is drawn in, kGlyphWidth columns each (bit b of a
    // column is row b), code 0 first; at most 256 codes. The board hands
    // over the font its LCD driver draws with.
    using Font = std::span<const std::uint8_t>;

    explicit LcdTextView(Font font);

    TextLine line(const LcdImage& image, int page) const;
    std::array<TextLine, LcdImage::kPages> lines(const LcdImage& image) const;

private:
    using Columns = std::array<std::uint8_t, LcdImage::kWidth>;
    struct Placement {
        int x;
        std::uint8_t code;
        bool inverted;
    };

    std::optional<Placement> glyph_at(const Columns& columns, int x) const;
    std::vector<Placement> best_reading(const Columns& columns) const;

    std::unordered_map<std::uint64_t, std::uint8_t> codes_;  // drawn glyphs by their columns
    std::optional<std::uint8_t> full_block_;
};

}  // namespace sim

#endif
