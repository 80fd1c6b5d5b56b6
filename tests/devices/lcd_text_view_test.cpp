// Reading text back off the glass, drawn by the LCD driver's byte sequences:
// whole lines normal, inverted and barred, characters off the grid, every
// glyph of the font in every grid phase, ink that is no glyph, and fonts
// whose glyphs are shifts or inverses of each other.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <string>

#include "devices/lcd_text_view.h"
#include "devices/st7565p_controller.h"
#include "font5x8.h"
#include "lcd_wire.h"

namespace {

using sim::LcdTextView;
using sim::TextLine;

int count(const std::array<bool, TextLine::kCells>& flags)
{
    return static_cast<int>(std::count(flags.begin(), flags.end(), true));
}

class TextView : public ::testing::Test {
protected:
    TextView() { wire.init(); }
    TextLine read(int line) const { return view.line(lcd.image(), line); }

    sim::St7565pController lcd;
    LcdWire wire{lcd};
    LcdTextView view{font5x8};
};

TEST_F(TextView, ReadsLinesAsTheDriverDrawsThem)
{
    const struct {
        std::string text;
        std::uint8_t flags;
        std::string expected;
        int inverted_cells;  // from the left
    } cases[] = {
        {"AB-0:!" + std::string(19, 'A'), 0, "AB-0:!" + std::string(15, 'A'), 0},
        {"A B[g", 1, "A B[g", 5},
        {"B!", 3, "B!" + std::string(20, ' '), 22},
        {"\x01\x10\x7F\xF8\xFE\xDB", 0, "\x01\x10\x7F\xF8\xFE\xDB", 0},
    };
    for (const auto& c : cases) {
        wire.display_string_line(6, "[[[[[[[[[[[[[[[[[[[[[", 0);  // something to overwrite
        if ((c.flags & 2) == 0) wire.display_string_line(6, "", 2);
        wire.display_string_line(6, c.text, c.flags);
        const TextLine line = read(6);
        EXPECT_EQ(line.text, c.expected) << "flags " << int{c.flags};
        EXPECT_EQ(count(line.inverted), c.inverted_cells) << c.expected;
        EXPECT_TRUE(std::all_of(line.inverted.begin(), line.inverted.begin() + c.inverted_cells, [](bool b) { return b; }));
        EXPECT_EQ(count(line.unrecognised), 0) << c.expected;
    }
    EXPECT_EQ(read(5).text, "") << "the neighbouring line stays blank";
}

TEST_F(TextView, OffGridCharactersLandInTheCellOfTheirFirstColumn)
{
    wire.display_string_line(3, "AB:", 2);
    for (auto [column, code] : {std::pair{73, '-'}, {80, '0'}, {88, 'B'}, {116, '!'}})
        wire.display_char(3, column, static_cast<std::uint8_t>(code), false);
    EXPECT_EQ(read(3).text, "AB:" + std::string(9, ' ') + "-0B" + std::string(4, ' ') + "!");

    wire.display_char(3, 80, ' ', false);
    wire.display_char(3, 64, ':', false);
    EXPECT_EQ(read(3).text, "AB:" + std::string(7, ' ') + ": - B" + std::string(4, ' ') + "!");
}

// Glyphs with a full-height stroke (box-drawing lines, blocks) join their
// neighbours by design: alone and inverted they cannot be told from a
// wider block, so they are left out here.
TEST_F(TextView, FindsEveryGlyphOfTheFontInEveryGridPhaseAndPolarity)
{
    for (int code = 0; code < FONT5X8_GLYPHS; ++code) {
        const std::uint8_t* glyph = font5x8 + code * 5;
        if (std::all_of(glyph, glyph + 5, [](std::uint8_t b) { return b == 0x00; })) continue;
        if (std::any_of(glyph, glyph + 5, [](std::uint8_t b) { return b == 0xFF; })) continue;
        for (bool inverted : {false, true}) {
            for (int x = 0; x <= 123; x = x == 5 ? 118 : x + 1) {  // every phase, at both edges
                wire.clear();
                wire.display_char(4, x, static_cast<std::uint8_t>(code), inverted);
                const TextLine line = read(4);
                const auto cell = static_cast<std::size_t>(x / 6);
                ASSERT_EQ(line.text, std::string(cell, ' ') + static_cast<char>(code))
                    << "code " << code << " at column " << x << (inverted ? " inverted" : "");
                ASSERT_EQ(line.inverted[cell], inverted) << "code " << code << " at column " << x;
                ASSERT_EQ(count(line.unrecognised), 0) << "code " << code << " at column " << x;
            }
        }
    }
}

TEST_F(TextView, InkThatIsNoGlyphIsMarked)
{
    wire.display_string_line(0, "AB", 0);
    wire.draw_y_line(14, true, 0, 7);  // the graphs' axis: a lone full-height stroke is the box line 0xB3
    wire.draw_y_line(8, false, 0, 0);  // a column out of the B
    wire.display_char(2, 6, '-', false);
    wire.display_char(2, 11, '-', false);  // two glyphs in cell 1
    const auto lines = view.lines(lcd.image());
    EXPECT_EQ(lines[0].text, "A?\xB3");
    EXPECT_TRUE(lines[0].unrecognised[1] && !lines[0].unrecognised[2] && !lines[0].unrecognised[0]);
    EXPECT_EQ(lines[2].text, " ?");
    EXPECT_EQ(lines[7].text, "  \xB3");
}

TEST(TextViewFonts, ShiftedAndInverseGlyphsReadAsDrawn)
{
    using Glyph = std::array<std::uint8_t, 5>;
    const Glyph l{0x00, 0x00, 0x5F, 0x00, 0x00}, r{0x00, 0x5F, 0x00, 0x00, 0x00};  // r is l one column on
    const Glyph d{0xF0, 0xF0, 0xF0, 0xF0, 0xF0}, u{0x0F, 0x0F, 0x0F, 0x0F, 0x0F};  // u is d inverted
    std::array<std::uint8_t, FONT5X8_GLYPHS * 5> font{};
    for (auto [code, glyph] : {std::pair{'l', l}, {'r', r}, {'d', d}, {'u', u}})
        std::copy(glyph.begin(), glyph.end(), font.begin() + code * 5);
    const LcdTextView view{LcdTextView::Font(font)};

    sim::LcdImage glass;
    const auto draw = [&glass](int page, int x, const Glyph& columns, bool inverted) {
        for (int i = 0; i < 5; ++i)
            for (int b = 0; b < 8; ++b) glass.set_pixel(x + i, page * 8 + b, ((columns[i] ^ (inverted ? 0xFF : 0)) >> b & 1) != 0);
    };
    draw(0, 1, l, false);  // "lr" as the text operation lays it out
    draw(0, 7, r, false);
    EXPECT_EQ(view.line(glass, 0).text, "lr") << "not an 'l' at column 6";

    for (int x = 0; x <= 12; ++x) draw(1, x, {}, true);  // "u" inverted on its dark ground
    draw(1, 1, u, true);
    draw(1, 13, d, false);  // "d" alone on blank
    const TextLine line = view.line(glass, 1);
    EXPECT_EQ(line.text, "u d");
    EXPECT_TRUE(line.inverted[0] && line.inverted[1] && !line.inverted[2]);
}

}  // namespace
