// The LCD driver on the board: what the glass shows after each operation, the
// controller's registers, and the bytes and chip-select frames each operation
// puts on SPI2. Every test ends with the controller's columns 128 to 131
// never written, as the mirrored glass does not show them.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "board/wiring.h"
#include "board_test.h"
#include "clock_bring_up.h"
#include "devices/st7565p_controller.h"
#include "font5x8.h"
#include "lcd_st7565p.h"
#include "models/gpio_port.h"
#include "models/spi.h"
#include "morva_eval.h"
#include "platform_ops.h"
#include "spi_frames.h"

namespace {

using sim::operator""_ms;
using sim::operator""_s;
using Frame = std::array<std::uint8_t, 1024>;

class LcdDriverTest : public BoardTest {
protected:
    void SetUp() override
    {
        BoardTest::SetUp();
        run_start_up_clock_tree(board);
        LCD_Init();
    }
    void TearDown() override { EXPECT_FALSE(lcd().wrote_beyond_column_127()) << "controller columns 128 to 131"; }

    sim::St7565pController& lcd() { return models(board).lcd(); }
    std::uint8_t column(int line, int x) { return board.lcd_image().column_byte(line, x); }

    // The LCD's chip-select frames that code makes.
    std::vector<SpiFrame> frames_of(const std::function<void()>& code)
    {
        board.trace().clear();
        board.trace().start();
        const std::uint64_t before = models(board).spi(2).bytes_moved();
        code();
        board.trace().stop();
        bytes_moved = models(board).spi(2).bytes_moved() - before;
        return spi_frames(board.trace().accesses(), sim::base_of("SPI2"), sim::base_of("GPIOD"), 15);
    }
    std::uint64_t bytes_moved = 0;

    // Screen column x of a line holds pattern(x), through a whole frame buffer
    // that leaves the other lines blank.
    static std::uint8_t pattern(int x) { return x % 2 != 0 ? 0x0F : 0xF0; }
    void fill_line_with_pattern(int line)
    {
        Frame frame{};
        for (int x = 0; x < 128; ++x) frame[static_cast<std::size_t>(line * 128 + 127 - x)] = pattern(x);
        LCD_DisplayEx(frame.data(), 0);
    }

public:  // the cost table's operations call it from lambdas
    void text(int line, std::string s, std::uint8_t flags)
    {
        LCD_DisplayStringLineEx(static_cast<std::uint8_t>(line), s.data(), flags);
    }
};

TEST_F(LcdDriverTest, LowLevelInitLeavesTheControllerInResetDeselectedWithA0LowAndTheBusUp)
{
    board.power_on();
    run_start_up_clock_tree(board);
    const std::uint64_t bytes_before = models(board).spi(2).bytes_moved();
    LCD_LowLevel_Init();
    const sim::GpioPort& d = models(board).gpio('D');
    EXPECT_TRUE(lcd().held_in_reset());
    EXPECT_TRUE(d.level(15)) << "deselected";
    EXPECT_FALSE(d.level(14)) << "A0: command";
    for (int pin : {15, 14, 11}) {
        EXPECT_EQ(d.mode(pin), sim::GpioPort::kModeOutput) << "PD" << pin;
        EXPECT_EQ(d.speed(pin), 3) << "PD" << pin << " 100 MHz";
    }
    const sim::GpioPort& b = models(board).gpio('B');
    const sim::GpioPort& c = models(board).gpio('C');
    EXPECT_EQ(b.speed(10), 3) << "SCK at 100 MHz";
    EXPECT_EQ(c.alternate_function(7), 2) << "the backlight on TIM3";
    EXPECT_EQ(models(board).spi(2).peek(sim::Spi::CR1), 0x035Fu);
    EXPECT_EQ(board.backlight_percent(), 0) << "dark";
    EXPECT_EQ(models(board).spi(2).bytes_moved(), bytes_before) << "nothing sent to the controller yet";
}

TEST_F(LcdDriverTest, InitBringsTheControllerUpWithABlankScreenContrast16AndTheBacklightDark)
{
    const sim::St7565pController::State& s = lcd().state();
    EXPECT_FALSE(lcd().held_in_reset());
    EXPECT_TRUE(lcd().glass_driven()) << "display on, booster, regulator and follower running";
    EXPECT_EQ(s.bias, sim::St7565pController::Bias::OneSeventh);
    EXPECT_FALSE(s.adc_reverse);
    EXPECT_FALSE(s.com_reverse);
    EXPECT_FALSE(s.all_points_on);
    EXPECT_EQ(s.start_line, 0);
    EXPECT_EQ(s.regulator_ratio, 6);
    EXPECT_EQ(s.volume, 16);
    EXPECT_EQ(board.lcd_image(), sim::LcdImage{}) << board.lcd_image().render();
    EXPECT_EQ(models(board).spi(2).bytes_moved(), 4u + 4u + 1u + 1u + 1056u + 2u);
    EXPECT_TRUE(models(board).gpio('D').level(15)) << "deselected between operations";
    models(board).clock().advance(2_ms);
    EXPECT_EQ(board.backlight_percent(), 0);
}

struct Step {
    std::string what;
    double pause;  // before it, in delay units
    bool operator==(const Step&) const = default;
    friend std::ostream& operator<<(std::ostream& os, const Step& s) { return os << s.what << " after " << s.pause; }
};

// The steps of the bring-up that the pins and SPI2 show: the chip select (CS),
// the reset line (RST), A0 where it changes, SPI2 switched on and each byte
// sent, each with the pause since the step before.
std::vector<Step> bring_up_steps(const std::vector<sim::BusAccess>& trace, sim::Nanoseconds unit)
{
    const std::uint32_t gpiod = sim::base_of("GPIOD"), spi2 = sim::base_of("SPI2");
    std::vector<Step> steps;
    sim::Nanoseconds last = trace.empty() ? 0 : trace.front().time;
    const auto add = [&](const std::string& what, sim::Nanoseconds at) {
        // Hundredths of a unit: what the bus itself takes between two steps is far less.
        steps.push_back({what, static_cast<double>((at - last) * 100 / unit) / 100});
        last = at;
    };
    int a0 = -1;
    for (const sim::BusAccess& a : trace) {
        if (!a.write) continue;
        if (a.address == gpiod + 0x18 || a.address == gpiod + 0x1A) {
            const int high = a.address == gpiod + 0x18 ? 1 : 0;
            const std::string level = high != 0 ? " high" : " low";
            if ((a.value & 0x8000) != 0) add("CS" + level, a.time);
            if ((a.value & 0x0800) != 0) add("RST" + level, a.time);
            if ((a.value & 0x4000) != 0 && a0 != high) add("A0" + level, a.time);
            if ((a.value & 0x4000) != 0) a0 = high;
        } else if (a.address == spi2 + 0x0C) {
            add(sim::hex32(a.value).substr(8), a.time);
        } else if (a.address == spi2 && (a.value & 0x0040) != 0) {
            add("SPI2 on", a.time);
        }
    }
    return steps;
}

TEST_F(LcdDriverTest, InitPowersTheControllerUpInItsOrderWithItsPausesThenClearsAndSetsContrast16)
{
    board.power_on();
    run_start_up_clock_tree(board);
    board.trace().start();
    LCD_Init();
    board.trace().stop();
    // A delay unit is 100000 passes of the counting loop: 10 ms of the 100 MHz core.
    const sim::Nanoseconds unit = 10_ms;
    const std::vector<Step> expected = {
        {"CS high", 0}, {"A0 low", 0}, {"RST low", 0}, {"CS high", 0}, {"SPI2 on", 0},  // pins and bus
        {"CS low", 5}, {"RST low", 0}, {"RST high", 50}, {"A3", 1}, {"A0", 0}, {"C0", 0}, {"40", 0}, {"CS high", 0},
        {"CS low", 0}, {"2C", 0}, {"2E", 5}, {"2F", 5}, {"26", 1}, {"CS high", 0},  // booster, regulator, follower
        {"CS low", 0}, {"A4", 0}, {"CS high", 0},                                   // display memory shown
        {"CS low", 0}, {"AF", 0}, {"CS high", 0},                                   // display on
    };
    const std::vector<Step> steps = bring_up_steps(board.trace().accesses(), unit);
    ASSERT_GE(steps.size(), expected.size());
    EXPECT_EQ(std::vector<Step>(steps.begin(), steps.begin() + static_cast<long>(expected.size())), expected);

    const std::vector<SpiFrame> frames =
        spi_frames(board.trace().accesses(), sim::base_of("SPI2"), sim::base_of("GPIOD"), 15);
    ASSERT_EQ(frames.size(), 6u);
    std::vector<std::uint8_t> clear;
    for (std::uint8_t page = 0; page < 8; ++page) {
        clear.insert(clear.end(), {static_cast<std::uint8_t>(0xB0 | page), 0x00, 0x10, 0xE0});
        clear.insert(clear.end(), 128, 0x00);
    }
    EXPECT_EQ(frames[4].out, clear);
    EXPECT_EQ(frames[5].out, (std::vector<std::uint8_t>{0x81, 0x10}));
}

struct GlyphRow {
    std::uint8_t code;
    std::array<std::uint8_t, 5> columns;
};

TEST_F(LcdDriverTest, TheGlyphsOfTheFontTableShowTheirColumnsFromTheLeft)
{
    const GlyphRow rows[] = {
        {0x00, {0x00, 0x00, 0x00, 0x00, 0x00}}, {0x01, {0x3E, 0x5B, 0x4F, 0x5B, 0x3E}},
        {0x10, {0x7F, 0x3E, 0x1C, 0x1C, 0x08}}, {0x20, {0x00, 0x00, 0x00, 0x00, 0x00}},
        {0x21, {0x00, 0x00, 0x5F, 0x00, 0x00}}, {0x2D, {0x08, 0x08, 0x08, 0x08, 0x08}},
        {0x30, {0x3E, 0x51, 0x49, 0x45, 0x3E}}, {0x3A, {0x00, 0x00, 0x14, 0x00, 0x00}},
        {0x41, {0x7C, 0x12, 0x11, 0x12, 0x7C}}, {0x42, {0x7F, 0x49, 0x49, 0x49, 0x36}},
        {0x5B, {0x00, 0x7F, 0x41, 0x41, 0x41}}, {0x67, {0x18, 0xA4, 0xA4, 0x9C, 0x78}},
        {0x7F, {0x3C, 0x26, 0x23, 0x26, 0x3C}}, {0xDB, {0xFF, 0xFF, 0xFF, 0xFF, 0xFF}},
        {0xF8, {0x06, 0x0F, 0x09, 0x0F, 0x06}}, {0xFE, {0x00, 0x3C, 0x3C, 0x3C, 0x3C}},
    };
    for (int x = 70; x < 75; ++x) LCD_DrawYLine(x, 1, 2, 2);  // dark under the first glyph, a blank one
    for (const GlyphRow& g : rows) {
        LCD_DisplayCharEx(2, 70, g.code, 0);
        std::array<std::uint8_t, 5> shown{};
        for (int i = 0; i < 5; ++i) shown[static_cast<std::size_t>(i)] = column(2, 70 + i);
        EXPECT_EQ(shown, g.columns) << "code " << int{g.code};
    }
}

struct CostCase {
    const char* name;
    std::function<void(LcdDriverTest&)> operation;
    std::uint64_t bytes;
    std::size_t frames;
};

TEST_F(LcdDriverTest, EachOperationPutsItsBytesOnTheBusInItsOwnFrames)
{
    static Frame frame{};
    const CostCase cases[] = {
        {"clear", [](LcdDriverTest&) { LCD_Clear(); }, 1056, 1},
        {"full frame buffer", [](LcdDriverTest&) { LCD_DisplayEx(frame.data(), 0); }, 1056, 1},
        {"null frame buffer", [](LcdDriverTest&) { LCD_DisplayEx(nullptr, 1); }, 0, 0},
        {"one character", [](LcdDriverTest&) { LCD_DisplayCharEx(2, 40, 'x', 0); }, 9, 1},
        {"a full-height bar", [](LcdDriverTest&) { LCD_DrawYLine(14, 1, 0, 7); }, 40, 1},
        {"an empty bar still pulses the chip select", [](LcdDriverTest&) { LCD_DrawYLine(3, 1, 5, 3); }, 0, 1},
        {"contrast", [](LcdDriverTest&) { LCD_SetBrightness(20); }, 2, 1},
        {"display on", [](LcdDriverTest&) { LCD_DisplayOn(); }, 1, 1},
        {"21 characters, rest painted", [](LcdDriverTest& t) { t.text(4, "ABCDEFGHIJKLMNOPQRSTU", 2); }, 409, 65},
        {"25 characters: only 21 drawn", [](LcdDriverTest& t) { t.text(4, "ABCDEFGHIJKLMNOPQRSTUVWXY", 3); }, 409, 65},
        {"20 characters, rest painted", [](LcdDriverTest& t) { t.text(4, "ABCDEFGHIJKLMNOPQRST", 2); }, 420, 68},
        {"3 characters", [](LcdDriverTest& t) { t.text(4, "ABC", 1); }, 57, 9},
        {"empty text", [](LcdDriverTest& t) { t.text(4, "", 1); }, 0, 0},
        {"empty text, rest painted", [](LcdDriverTest& t) { t.text(4, "", 2); }, 640, 128},
        {"backlight: the timer only", [](LcdDriverTest&) { LCD_SetBacklight(50); }, 0, 0},
    };
    for (const CostCase& c : cases) {
        SCOPED_TRACE(c.name);
        const std::vector<SpiFrame> frames = frames_of([&] { c.operation(*this); });
        EXPECT_EQ(bytes_moved, c.bytes);
        EXPECT_EQ(frames.size(), c.frames);
        std::uint64_t in_frames = 0;
        for (const SpiFrame& f : frames) in_frames += f.out.size();
        EXPECT_EQ(in_frames, c.bytes) << "every byte inside a frame";
        EXPECT_TRUE(models(board).gpio('D').level(15)) << "the chip select let go at the end";
    }
}

TEST_F(LcdDriverTest, ANullFrameBufferTouchesNoRegisterAtAll)
{
    board.trace().start();
    LCD_DisplayEx(nullptr, 0);
    board.trace().stop();
    EXPECT_TRUE(board.trace().accesses().empty());
}

struct GlyphCase {
    int line, column;
    std::uint8_t code;
    std::uint8_t flags;
};

TEST_F(LcdDriverTest, ACharacterCoversItsFiveColumnsAndNothingElse)
{
    for (const GlyphCase& g : {GlyphCase{3, 0, 'B', 0}, GlyphCase{7, 123, 'A', 0}, GlyphCase{0, 61, 'g', 1},
                               GlyphCase{5, 10, 0xF8, 0xFE}}) {
        SCOPED_TRACE(testing::Message() << "code " << int{g.code} << " at line " << g.line << ", column " << g.column);
        LCD_Clear();
        LCD_DisplayCharEx(static_cast<std::uint8_t>(g.line), static_cast<std::uint16_t>(g.column), g.code, g.flags);
        const std::uint8_t mask = (g.flags & 1) != 0 ? 0xFF : 0x00;
        for (int line = 0; line < 8; ++line)
            for (int x = 0; x < 128; ++x) {
                const bool in_glyph = line == g.line && x >= g.column && x < g.column + 5;
                const std::uint8_t expected =
                    in_glyph ? static_cast<std::uint8_t>(font5x8[g.code * 5 + x - g.column] ^ mask) : 0x00;
                ASSERT_EQ(column(line, x), expected) << "line " << line << ", column " << x;
            }
    }
    // The letter B at column 0: controller columns 123 to 127, the last byte
    // its vertical stroke.
    LCD_DisplayCharEx(3, 0, 'B', 0);
    std::vector<std::uint8_t> ram;
    for (int controller_column = 123; controller_column < 128; ++controller_column)
        ram.push_back(lcd().display_ram(3, controller_column));
    EXPECT_EQ(ram, (std::vector<std::uint8_t>{0x36, 0x49, 0x49, 0x49, 0x7F}));
    EXPECT_EQ(column(3, 0), 0x7F);
    EXPECT_EQ(board.lcd_text(3), "B");
}

struct TextCase {
    std::uint8_t flags;
    bool inverted;
    bool paints_rest;
};

TEST_F(LcdDriverTest, TextDrawsCellsOfSevenColumnsAndPaintsTheRestOnlyWithBit1)
{
    const std::string label = "TILT 12";  // ends at column 42
    for (const TextCase& c : {TextCase{0, false, false}, TextCase{1, true, false}, TextCase{2, false, true},
                              TextCase{3, true, true}, TextCase{0xFD, true, false}}) {
        SCOPED_TRACE(testing::Message() << "flags " << int{c.flags});
        LCD_Clear();
        fill_line_with_pattern(6);
        text(6, label, c.flags);
        const sim::TextLine line = board.lcd_lines()[6];
        EXPECT_EQ(line.text.substr(0, label.size()), label);
        for (std::size_t k = 0; k < label.size(); ++k) EXPECT_EQ(line.inverted[k], c.inverted) << "cell " << k;
        const std::uint8_t background = c.inverted ? 0xFF : 0x00;
        for (int k = 0; k <= 7; ++k) EXPECT_EQ(column(6, 6 * k), background) << "cell border " << 6 * k;
        for (int x = 43; x < 128; ++x)
            ASSERT_EQ(column(6, x), c.paints_rest ? background : pattern(x)) << "column " << x;
        for (int other : {5, 7}) EXPECT_EQ(board.lcd_text(other), "") << "line " << other;
    }
}

struct LimitCase {
    const char* name;
    std::string text;
    std::uint8_t flags;
    std::string shown;
    int painted_from;  // columns from here to 127 hold the background; -1: the pattern stays past the text
};

TEST_F(LcdDriverTest, ALineHoldsAtMost21CharactersAndNothingWraps)
{
    const LimitCase cases[] = {
        {"25 characters", "ABCDEFGHIJKLMNOPQRSTUVWXY", 2, "ABCDEFGHIJKLMNOPQRSTU", 126},
        {"20 characters", "ABCDEFGHIJKLMNOPQRST", 2, "ABCDEFGHIJKLMNOPQRST", 120},
        {"empty, cleared", "", 2, "", 0},
        {"empty, painted dark", "", 3, std::string(22, ' '), 0},
        {"empty, left alone", "", 0, "", -1},
    };
    for (const LimitCase& c : cases) {
        SCOPED_TRACE(c.name);
        LCD_Clear();
        fill_line_with_pattern(1);
        text(1, c.text, c.flags);
        if (c.painted_from >= 0) {
            EXPECT_EQ(board.lcd_text(1), c.shown);
        }
        const std::uint8_t background = (c.flags & 1) != 0 ? 0xFF : 0x00;
        const int from = c.painted_from >= 0 ? c.painted_from : 0;
        for (int x = from; x < 128; ++x)
            ASSERT_EQ(column(1, x), c.painted_from >= 0 ? background : pattern(x)) << "column " << x;
        EXPECT_EQ(board.lcd_text(2), "") << "nothing wraps to the next line";
    }
}

TEST_F(LcdDriverTest, AFrameBufferShowsBitYOfByteLineTimes128Plus127MinusX)
{
    Frame frame{};
    const auto lit = [](int x, int y) { return (x * 7 + y * 3) % 5 == 0; };
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 128; ++x)
            if (lit(x, y))
                frame[static_cast<std::size_t>(y / 8 * 128 + 127 - x)] |= static_cast<std::uint8_t>(1u << (y % 8));
    for (std::uint8_t flags : {std::uint8_t{0x00}, std::uint8_t{0x01}, std::uint8_t{0xFE}, std::uint8_t{0xFF}}) {
        SCOPED_TRACE(testing::Message() << "flags " << int{flags});
        LCD_DisplayEx(frame.data(), flags);
        const bool inverted = (flags & 1) != 0;
        for (int y = 0; y < 64; ++y)
            for (int x = 0; x < 128; ++x) ASSERT_EQ(board.lcd_pixel(x, y), lit(x, y) != inverted) << x << ", " << y;
    }
}

struct BarCase {
    int x, c, from, to;
    int column;  // screen column that changes
    std::vector<int> lines;
};

TEST_F(LcdDriverTest, AVerticalBarCoversWholePagesOfOneColumn)
{
    const BarCase cases[] = {
        {14, 1, 0, 7, 14, {0, 1, 2, 3, 4, 5, 6, 7}},
        {127, 5, 2, 3, 127, {2, 3}},
        {128, 1, 6, 6, 0, {6}},
        {3, 1, 5, 3, 3, {}},
    };
    for (const BarCase& c : cases) {
        SCOPED_TRACE(testing::Message() << "x " << c.x << ", lines " << c.from << " to " << c.to);
        LCD_Clear();
        LCD_DrawYLine(c.x, c.c, c.from, c.to);
        for (int line = 0; line < 8; ++line)
            for (int x = 0; x < 128; ++x) {
                const bool dark = x == c.column && std::find(c.lines.begin(), c.lines.end(), line) != c.lines.end();
                ASSERT_EQ(column(line, x), dark ? 0xFF : 0x00) << "line " << line << ", column " << x;
            }
    }
    LCD_DrawYLine(14, 1, 0, 7);
    LCD_DrawYLine(14, 0, 2, 4);
    for (int line = 0; line < 8; ++line) EXPECT_EQ(column(line, 14), line >= 2 && line <= 4 ? 0x00 : 0xFF) << line;
}

TEST_F(LcdDriverTest, ContrastKeepsTheLowSixBitsAndTheBacklightTheDutyModulo101)
{
    using Pair = std::pair<std::uint8_t, int>;
    for (auto [value, volume] : {Pair{0x50, 0x10}, {63, 63}, {0xFF, 0x3F}, {0x40, 0}, {16, 16}}) {
        LCD_SetBrightness(value);
        EXPECT_EQ(lcd().state().volume, volume) << "LCD_SetBrightness(" << int{value} << ")";
    }
    for (auto [percent, duty] : {Pair{100, 100}, {101, 0}, {255, 53}, {40, 40}, {0, 0}}) {
        LCD_SetBacklight(percent);
        models(board).clock().advance(2_ms);  // the new compare value waits for the next overflow
        EXPECT_EQ(board.backlight_percent(), duty) << "LCD_SetBacklight(" << int{percent} << ")";
    }
}

TEST_F(LcdDriverTest, ARunUntilTheScreenShowsSomethingStopsRightAfterTheFrameThatDrewIt)
{
    models(board).cpu().reset([] {
        char first[] = "A", second[] = "B";
        LCD_DisplayStringLineEx(0, first, 0);
        LCD_DisplayStringLineEx(1, second, 0);
        for (;;) platform::idle();
    });
    ASSERT_TRUE(board.run_until([this] { return board.lcd_text(0) == "A"; }, 1_s));
    EXPECT_EQ(board.lcd_text(1), "") << "stopped before the next line was drawn";
    board.run_for(10_ms);
    EXPECT_EQ(board.lcd_text(1), "B");
}

}  // namespace
