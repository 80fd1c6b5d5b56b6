// The board worked as a person works it, step by step from the system menu,
// and which interrupt is a button's action.
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

}  // namespace
