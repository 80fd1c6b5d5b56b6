// The board worked as a person works it, step by step from the system menu;
// which interrupt is a button's action; and what a person sees of a board
// without supply.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "operator_rig.h"

namespace {

using namespace sim;

class OperatorSteps : public OperatorTest {};

// Each step taken from the menu as start-up leaves it, and the board as the
// step leaves it: a text line, the LEDs, the button and its action.
TEST_F(OperatorSteps, EachStepReturnsWithTheBoardAsThePersonLeftIt)
{
    const struct {
        const char* step;
        std::function<void(Operator&)> take;
        int line;  // -1: not read
        const char* text;
        const char* leds;
        bool ok_down;
        bool action_pending;
    } rows[] = {
        {"nothing", [](Operator&) {}, 1, " ->  NEW RECORD", "*.......", false, false},
        {"turn +1", [](Operator& p) { p.turn(1); }, 3, " ->  SHOW RECORD", "*.......", false, false},
        {"turn +2", [](Operator& p) { p.turn(2); }, 5, " ->  REMOTE MODE", "*.......", false, false},
        {"turn -1", [](Operator& p) { p.turn(-1); }, 7, " ->  OPTION", "*.......", false, false},
        {"press OK", [](Operator& p) { ASSERT_TRUE(p.press(Button::Ok)); }, 0, "RECORDING...", "**......", false, false},
        // The record starts with an erase of the result sector, seconds long.
        {"push OK", [](Operator& p) { p.push(Button::Ok); }, -1, "", "*.......", true, true},
        {"push OK, wait", [](Operator& p) { p.push(Button::Ok); ASSERT_TRUE(p.await_handled()); }, 0, "RECORDING...",
         "**......", true, false},
        {"push OK, wait, release",
         [](Operator& p) {
             p.push(Button::Ok);
             ASSERT_TRUE(p.await_handled());
             p.release(Button::Ok);
         },
         0, "RECORDING...", "**......", false, false},
        {"hold back 2 s", [](Operator& p) { p.hold(Button::Back, 2_s); }, 1, " ->  NEW RECORD", "*.......", false, false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.step);
        boot();
        row.take(person);
        if (row.line >= 0) {
            EXPECT_EQ(line(row.line), row.text);
        }
        EXPECT_EQ(leds(), row.leds);
        EXPECT_EQ(board.pressed(Button::Ok), row.ok_down);
        EXPECT_EQ(board.button_action_pending(), row.action_pending);
        board.release(Button::Ok);
    }
}

// Both buttons' EXTI lines (14 and 15) come in through IRQ 40; no other
// interrupt is a button's action.
TEST(ButtonAction, IsTheInterruptOfExtiLines10To15PendingOrActive)
{
    const struct {
        int irq;
        bool button;
    } rows[] = {{40, true}, {23, false}, {10, false}, {6, false}, {38, false}};
    for (const auto& row : rows) {
        Board board;
        EXPECT_FALSE(board.button_action_pending());
        HardwareEvent::pend_interrupt(row.irq)(board);
        EXPECT_EQ(board.button_action_pending(), row.button) << "IRQ " << row.irq;
    }
}

// Lit with the menu up, all dark without supply (whatever the models last
// held), lit again at the next power-on.
TEST_F(OperatorSteps, WithoutSupplyTheGlassTheBacklightAndEveryLedAreDark)
{
    const auto drawn = [](bool any) { return std::string(any ? "drawn" : "blank"); };
    const struct {
        const char* view;
        std::function<std::string(const Board&)> read;
        const char* powered;
        const char* unpowered;
    } views[] = {
        {"LEDs", [](const Board& b) { return b.led_pattern(); }, "*.......", "........"},
        {"LED1", [](const Board& b) { return std::string(b.led(1) ? "on" : "off"); }, "on", "off"},
        {"backlight", [](const Board& b) { return std::to_string(b.backlight_percent()); }, "100", "0"},
        {"text line 1", [](const Board& b) { return b.lcd_text(1); }, " ->  NEW RECORD", ""},
        {"lines", [](const Board& b) { return b.lcd_lines()[1].text; }, " ->  NEW RECORD", ""},
        {"image", [&](const Board& b) { return drawn(!(b.lcd_image() == LcdImage{})); }, "drawn", "blank"},
        {"pixels",
         [&](const Board& b) {
             bool any = false;
             for (int y = 0; y < LcdImage::kHeight; ++y)
                 for (int x = 0; x < LcdImage::kWidth; ++x) any = any || b.lcd_pixel(x, y);
             return drawn(any);
         },
         "drawn", "blank"},
    };
    const auto expect_views = [&](bool powered) {
        for (const auto& v : views)
            EXPECT_EQ(v.read(board), powered ? v.powered : v.unpowered) << v.view << (powered ? ", powered" : ", off");
    };
    boot();
    expect_views(true);
    board.power_off();
    expect_views(false);
    boot();
    expect_views(true);
}

}  // namespace
