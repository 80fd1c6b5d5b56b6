// The LCD controller model fed the firmware driver's byte sequences: the
// state they leave, where display data lands on the mirrored glass, scrolling
// and scan directions, display modes, resets and refused bytes.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "core/sim_error.h"
#include "devices/st7565p_controller.h"
#include "lcd_wire.h"

namespace {

using sim::LcdImage;
using sim::St7565pController;
using Points = std::vector<std::pair<int, int>>;

class Lcd : public ::testing::Test {
protected:
    Lcd() { wire.init(); }

    Points dark_pixels() const
    {
        Points dark;
        const LcdImage glass = lcd.image();
        for (int y = 0; y < LcdImage::kHeight; ++y)
            for (int x = 0; x < LcdImage::kWidth; ++x)
                if (glass.pixel(x, y)) dark.emplace_back(x, y);
        return dark;
    }
    void poke(int page, unsigned column, std::uint8_t byte)
    {
        lcd.select(true);
        wire.preamble(page, column);
        wire.data(byte);
        lcd.select(false);
    }

    St7565pController lcd{"LCD"};
    LcdWire wire{lcd};
};

TEST_F(Lcd, InitialisationBringsItUpBlankAndCharactersLandMirrored)
{
    const auto& s = lcd.state();
    EXPECT_EQ(s.bias, St7565pController::Bias::OneSeventh);
    EXPECT_FALSE(s.adc_reverse || s.com_reverse || s.all_points_on || s.reverse_display || s.start_line != 0);
    EXPECT_EQ(s.power_control, 0x07);
    EXPECT_EQ(s.regulator_ratio, 6);
    EXPECT_TRUE(s.display_on && s.volume == 16);
    EXPECT_EQ(lcd.image(), LcdImage{});

    wire.display_char(2, 0, 'B', false);  // B = 7F 49 49 49 36
    EXPECT_EQ(s.page, 2);
    EXPECT_EQ(s.column, 128);
    EXPECT_TRUE(s.read_modify_write);
    const std::uint8_t glass[] = {0x7F, 0x49, 0x49, 0x49, 0x36, 0x00};
    for (int x = 0; x < 6; ++x) {
        EXPECT_EQ(lcd.image().column_byte(2, x), glass[x]) << "screen column " << x;
        EXPECT_EQ(lcd.display_ram(2, 127 - x), glass[x]) << "controller column " << 127 - x;
    }
    wire.display_char(7, 123, 'g', false);
    EXPECT_TRUE(lcd.pixel(124, 63)) << "the descender on the bottom row";
    EXPECT_FALSE(lcd.wrote_beyond_column_127());
    poke(3, 130, 0xFF);
    EXPECT_TRUE(lcd.wrote_beyond_column_127());
    EXPECT_EQ(dark_pixels().size(), 20u + 16u) << "B and g, and nothing of column 130";

    lcd.power_on();
    wire.init(false);
    EXPECT_NE(lcd.image(), LcdImage{}) << "power-on noise: only the driver's clear blanks the RAM";
}

TEST_F(Lcd, WhereARamBitShowsFollowsStartLineAndScanDirections)
{
    const struct {
        std::vector<std::uint8_t> commands;
        int ram_line;
        unsigned column;
        Points shown;
    } cases[] = {
        {{}, 0, 117, {{10, 0}}},           {{}, 63, 0, {{127, 63}}},         {{}, 0, 128, {}},
        {{0x41}, 0, 117, {{10, 63}}},      {{0x48}, 9, 117, {{10, 1}}},      {{0x7F}, 0, 117, {{10, 1}}},
        {{0xC8}, 0, 117, {{10, 63}}},      {{0xC8}, 9, 117, {{10, 54}}},     {{0xC8, 0x41}, 9, 117, {{10, 55}}},
        {{0xA1}, 0, 4, {{0, 0}}},          {{0xA1}, 0, 131, {{127, 0}}},     {{0xA1}, 0, 127, {{123, 0}}},
        {{0xA1}, 0, 3, {}},
    };
    for (const auto& c : cases) {
        wire.clear();
        for (int page = 0; page < 8; ++page)  // the clear leaves the noise in columns 128 to 131
            for (unsigned hidden = 128; hidden < 132; ++hidden) poke(page, hidden, 0x00);
        poke(c.ram_line / 8, c.column, static_cast<std::uint8_t>(1u << (c.ram_line % 8)));
        lcd.select(true);
        for (std::uint8_t byte : c.commands) wire.command(byte);
        lcd.select(false);
        EXPECT_EQ(dark_pixels(), c.shown) << "RAM line " << c.ram_line << ", column " << c.column << " after "
                                          << c.commands.size() << " commands";
        wire.commands({0x40, 0xC0, 0xA0});
    }
}

TEST_F(Lcd, DisplayModesDecideWhatTheGlassShows)
{
    const struct {
        std::vector<std::uint8_t> commands;
        bool dot, elsewhere;
    } cases[] = {
        {{}, true, false},          {{0xAE}, false, false},     {{0xA5}, true, true},  {{0xA7}, false, true},
        {{0xA7, 0xA5}, true, true}, {{0xAE, 0xA5}, false, false}, {{0x2E}, false, false},
        {{0xA7, 0xA5, 0xA4, 0xA6}, true, false},
    };
    for (const auto& c : cases) {
        wire.init();
        poke(0, 127, 0x01);
        lcd.select(true);
        for (std::uint8_t byte : c.commands) wire.command(byte);
        lcd.select(false);
        EXPECT_EQ(lcd.pixel(0, 0), c.dot) << c.commands.size() << " commands";
        EXPECT_EQ(lcd.pixel(64, 40), c.elsewhere) << c.commands.size() << " commands";
    }
}

TEST_F(Lcd, ValueBytesReadModifyWriteAndTheResets)
{
    wire.commands({0x81, 0x28, 0xAD, 0x02, 0xF8, 0x01});
    const auto& s = lcd.state();
    EXPECT_EQ(s.volume, 0x28);
    EXPECT_EQ(s.power_control, 0x07) << "the value 0x28 is no power control command";
    EXPECT_TRUE(s.static_indicator_on && s.static_indicator_mode == 2 && s.booster_ratio == 1);

    lcd.select(true);
    wire.preamble(3, 40);
    for (int i = 0; i < 3; ++i) wire.data(0xAA);
    wire.command(0xEE);
    EXPECT_EQ(s.column, 40) << "0xEE returns to where 0xE0 was taken";
    EXPECT_FALSE(s.read_modify_write);
    wire.command(0x45);
    wire.command(0xE2);
    lcd.select(false);
    EXPECT_EQ(s.volume, 0x20);
    EXPECT_TRUE(s.start_line == 0 && s.page == 0 && s.column == 0);
    EXPECT_TRUE(s.display_on && s.bias == St7565pController::Bias::OneSeventh) << "modes stay";

    lcd.set_reset(true);
    EXPECT_FALSE(s.display_on);
    lcd.set_reset(false);
    EXPECT_EQ(s.power_control, 0);
    EXPECT_EQ(s.bias, St7565pController::Bias::OneNinth);
    wire.init(false);
    EXPECT_EQ(lcd.display_ram(3, 42), 0xAA) << "neither reset touches the RAM";
    EXPECT_TRUE(lcd.pixel(85, 31));
}

TEST(LcdMisuse, RefusedLoudlyNamingTheDeviceAndTheFault)
{
    const struct {
        std::function<void(St7565pController&, LcdWire&)> misuse;
        std::string fragment;
    } cases[] = {
        {[](auto&, LcdWire& w) { w.commands({0x30}); }, "command byte 0x30 is no command"},
        {[](auto&, LcdWire& w) { w.commands({0xB9}); }, "0xB9 is no command"},
        {[](auto& l, LcdWire& w) { l.select(true); w.command(0x81); w.data(0x10); }, "value byte of electronic volume"},
        {[](auto&, LcdWire& w) { w.commands({0xF8}); }, "frame ended where the value byte of booster ratio"},
        {[](auto&, LcdWire& w) { w.commands({0x81, 0x40}); }, "value 0x40 of electronic volume is out of its range 0 to 63"},
        {[](auto&, LcdWire& w) { w.commands({0xEE, 0xEE}); }, "outside read-modify-write"},
        {[](auto& l, LcdWire& w) { l.select(true); w.preamble(0, 131); w.data(1); w.data(2); }, "at column 132"},
        {[](auto&, LcdWire& w) { w.display_char(0, 124, 'B', false); }, "at column 255"},
        {[](auto& l, LcdWire& w) { l.set_reset(true); w.commands({0xAF}); }, "0xAF sent while held in reset"},
        {[](auto& l, LcdWire& w) { l.power_on(); w.commands({0xAF}); }, "before the reset pulse"},
        {[](auto& l, LcdWire&) { l.exchange(0xAF); }, "while not selected"},
    };
    for (const auto& c : cases) {
        St7565pController lcd("LCD");
        LcdWire wire(lcd);
        wire.init();
        try {
            c.misuse(lcd, wire);
            ADD_FAILURE() << "accepted: " << c.fragment;
        } catch (const sim::SimError& e) {
            const std::string message = e.what();
            EXPECT_EQ(message.rfind("LCD: ", 0), 0u) << message;
            EXPECT_NE(message.find(c.fragment), std::string::npos) << message;
        }
    }
}

}  // namespace
