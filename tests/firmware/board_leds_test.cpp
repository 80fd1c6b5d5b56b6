// The board's LEDs on port E.
#include <gtest/gtest.h>

#include "board_test.h"
#include "core/cpu.h"
#include "models/gpio_port.h"
#include "morva_eval.h"

namespace {

class LedTest : public BoardTest {};

TEST_F(LedTest, InitMakesEachPinAPushPullOutputWithoutSettingItsLevel)
{
    for (int led = LED1; led <= LED8; ++led) {
        STM_EVAL_LEDInit(static_cast<Led_TypeDef>(led));
        const int pin = 8 + led;
        const sim::GpioPort& e = models(board).gpio('E');
        EXPECT_EQ(e.mode(pin), 1) << "PE" << pin;
        EXPECT_EQ((e.peek(0x08) >> (2 * pin)) & 3u, 2u) << "50 MHz";
        EXPECT_EQ((e.peek(0x04) >> pin) & 1u, 0u) << "push-pull";
        EXPECT_EQ((e.peek(0x0C) >> (2 * pin)) & 3u, 1u) << "pull-up";
        EXPECT_FALSE(board.led(led + 1)) << "output register low after reset";
    }
}

TEST_F(LedTest, OnOffAndToggleTouchOnlyTheirOwnPin)
{
    for (int led = LED1; led <= LED8; ++led) STM_EVAL_LEDInit(static_cast<Led_TypeDef>(led));

    STM_EVAL_LEDOn(LED1);
    STM_EVAL_LEDOn(LED4);
    EXPECT_TRUE(board.led(1));
    EXPECT_TRUE(board.led(4));
    EXPECT_FALSE(board.led(2));

    STM_EVAL_LEDToggle(LED1);
    EXPECT_FALSE(board.led(1)) << "on then toggled is off";
    STM_EVAL_LEDToggle(LED2);
    STM_EVAL_LEDToggle(LED2);
    EXPECT_FALSE(board.led(2)) << "toggled twice is as before";
    STM_EVAL_LEDToggle(LED8);
    EXPECT_TRUE(board.led(8));

    STM_EVAL_LEDOff(LED4);
    EXPECT_FALSE(board.led(4));
    EXPECT_TRUE(board.led(8)) << "switching one LED leaves the others";
}

TEST_F(LedTest, AnInterruptBetweenTheReadAndTheWriteOfAToggleKeepsItsChange)
{
    for (int led = LED1; led <= LED8; ++led) STM_EVAL_LEDInit(static_cast<Led_TypeDef>(led));
    // Find how many bus accesses a toggle makes, then aim a switch of LED2
    // at each of them in turn, as the button handler could.
    const std::uint64_t before = models(board).cpu().bus_accesses();
    STM_EVAL_LEDToggle(LED4);
    const std::uint64_t accesses = models(board).cpu().bus_accesses() - before;
    ASSERT_GE(accesses, 2u);
    STM_EVAL_LEDToggle(LED4);

    for (std::uint64_t at = 1; at <= accesses; ++at) {
        STM_EVAL_LEDOff(LED2);
        models(board).cpu().at_access(at, [] { STM_EVAL_LEDOn(LED2); });
        STM_EVAL_LEDToggle(LED4);
        EXPECT_TRUE(board.led(2)) << "LED2 switched on before access " << at << " of the toggle";
        EXPECT_TRUE(board.led(4)) << "the toggle itself still happened";
        STM_EVAL_LEDToggle(LED4);
    }
}

}  // namespace
