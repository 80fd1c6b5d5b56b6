// The rotary encoder and the LCD backlight on the whole board, with the
// timers set up by the firmware's own set-up: TIM4 counting the knob's
// detents, TIM3 dimming the backlight.
#include <gtest/gtest.h>

#include "board_test.h"
#include "clock_bring_up.h"
#include "lcd_st7565p.h"
#include "main.h"
#include "morva_eval.h"
#include "models/general_timer.h"
#include "models/gpio_port.h"
#include "stm32f2xx_gpio.h"
#include "stm32f2xx_rcc.h"
#include "stm32f2xx_tim.h"
#include "system_stm32f2xx.h"

namespace {

using namespace sim;  // time literals

class EncoderAndBacklight : public BoardTest {
protected:
    void SetUp() override
    {
        BoardTest::SetUp();
        run_start_up_clock_tree(board);
    }

    // The start-up's own set-up of each timer.
    static void set_up_encoder() { IncrementalEncoder_Init(); }
    static void set_up_backlight() { LCD_BacklightInit(); }
};

TEST_F(EncoderAndBacklight, OneDetentMovesTheCounterFromRestToAStepValue)
{
    set_up_encoder();
    board.turn_encoder(1);
    EXPECT_EQ(TIM_GetCounter(TIM4), 12u) << "clockwise: a step up";
    TIM_SetCounter(TIM4, 8);
    board.turn_encoder(-1);
    EXPECT_EQ(TIM_GetCounter(TIM4), 4u) << "anticlockwise: a step down";
    // A turn aimed at the code's second bus access is seen by that read.
    TIM_SetCounter(TIM4, 8);
    std::uint32_t before = 0, after = 0;
    board.at_bus_access(2, HardwareEvent::turn_encoder(1));
    board.run_code([&] {
        before = TIM_GetCounter(TIM4);
        after = TIM_GetCounter(TIM4);
    });
    EXPECT_EQ(before, 8u);
    EXPECT_EQ(after, 12u);
    EXPECT_EQ(console(), "") << "no check failed on the way";
}

TEST_F(EncoderAndBacklight, BacklightDutyFollowsTheCompareValueWithinOnePeriod)
{
    set_up_backlight();
    EXPECT_EQ(board.backlight_percent(), 0) << "dark from the start";
    EXPECT_EQ(models(board).timer(3).peek(GeneralTimer::PSC), SystemCoreClock / 200000 - 1) << "counting at 100 kHz";
    // LCD_SetBacklight(n) is TIM_SetCompare2(TIM3, n % 101).
    const std::pair<std::uint8_t, int> asked_to_lit[] = {{100, 100}, {101, 0}, {255, 53}, {53, 53}};
    int previous = 0;
    for (const auto& [asked, lit] : asked_to_lit) {
        LCD_SetBacklight(asked);
        EXPECT_EQ(board.backlight_percent(), previous) << "the preload holds " << int{asked} << " back";
        models(board).clock().advance(1_ms);
        EXPECT_EQ(board.backlight_percent(), lit) << int{asked} << " after one period";
        previous = lit;
    }

    GPIO_PinAFConfig(GPIOC, GPIO_PinSource7, 1);
    EXPECT_EQ(board.backlight_percent(), 0) << "PC7 on another timer's function";
    GPIO_PinAFConfig(GPIOC, GPIO_PinSource7, GPIO_AF_TIM3);
    EXPECT_EQ(board.backlight_percent(), 53);
    GPIO_InitTypeDef pin = {GPIO_Pin_7, GPIO_Mode_OUT, GPIO_Speed_100MHz, GPIO_OType_PP, GPIO_PuPd_NOPULL};
    GPIO_Init(GPIOC, &pin);
    EXPECT_EQ(board.backlight_percent(), 0) << "PC7 an ordinary output";
    EXPECT_EQ(console(), "");
}

}  // namespace
