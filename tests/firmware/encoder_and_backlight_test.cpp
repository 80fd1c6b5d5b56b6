// The rotary encoder and the LCD backlight on the whole board, with the
// timers set up by the firmware's driver calls in the order the start-up
// makes them: TIM4 counting the knob's detents, TIM3 dimming the backlight.
#include <gtest/gtest.h>

#include "board_test.h"
#include "clock_bring_up.h"
#include "lcd_st7565p.h"
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

    // As the start-up's encoder set-up makes its calls.
    static void set_up_encoder()
    {
        RCC_AHB1PeriphClockCmd(0x00000008, ENABLE);
        RCC_APB2PeriphClockCmd(0x00004000, ENABLE);
        GPIO_InitTypeDef pins = {0x3000, GPIO_Mode_AF, GPIO_Speed_2MHz, GPIO_OType_PP, GPIO_PuPd_UP};
        GPIO_Init(GPIOD, &pins);
        GPIO_PinAFConfig(GPIOD, GPIO_PinSource12, GPIO_AF_TIM4);
        GPIO_PinAFConfig(GPIOD, GPIO_PinSource13, GPIO_AF_TIM4);
        RCC_APB1PeriphClockCmd(0x00000004, ENABLE);
        TIM_EncoderInterfaceConfig(TIM4, TIM_EncoderMode_TI12, TIM_ICPolarity_Falling, TIM_ICPolarity_Falling);
        TIM_TimeBaseInitTypeDef base = {0, TIM_CounterMode_CenterAligned1, 22, TIM_CKD_DIV1, 0};
        TIM_TimeBaseInit(TIM4, &base);
        TIM_Cmd(TIM4, ENABLE);
        TIM_SetCounter(TIM4, 8);
    }

    // As the LCD's low-level set-up brings up the backlight timer.
    static void set_up_backlight()
    {
        RCC_AHB1PeriphClockCmd(RCC_AHB1Periph_GPIOC, ENABLE);
        GPIO_InitTypeDef pin = {GPIO_Pin_7, GPIO_Mode_AF, GPIO_Speed_100MHz, GPIO_OType_PP, GPIO_PuPd_NOPULL};
        GPIO_Init(GPIOC, &pin);
        GPIO_PinAFConfig(GPIOC, GPIO_PinSource7, GPIO_AF_TIM3);
        RCC_APB1PeriphClockCmd(RCC_APB1Periph_TIM3, ENABLE);
        SystemCoreClockUpdate();
        TIM_TimeBaseInitTypeDef base;
        TIM_TimeBaseStructInit(&base);
        base.TIM_Prescaler = static_cast<std::uint16_t>(SystemCoreClock / 200000 - 1);
        base.TIM_CounterMode = TIM_CounterMode_Up;
        base.TIM_Period = 99;
        base.TIM_ClockDivision = TIM_CKD_DIV1;
        TIM_TimeBaseInit(TIM3, &base);
        TIM_OCInitTypeDef channel;
        TIM_OCStructInit(&channel);
        channel.TIM_OCMode = TIM_OCMode_PWM1;
        channel.TIM_OutputState = TIM_OutputState_Enable;
        channel.TIM_Pulse = 0;
        channel.TIM_OCPolarity = TIM_OCPolarity_High;
        TIM_OC2Init(TIM3, &channel);
        TIM_OC2PreloadConfig(TIM3, TIM_OCPreload_Enable);
        TIM_ARRPreloadConfig(TIM3, ENABLE);
        TIM_Cmd(TIM3, ENABLE);
    }
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
    // LCD_SetBacklight(n) is TIM_SetCompare2(TIM3, n % 101).
    const std::pair<std::uint8_t, int> asked_to_lit[] = {{100, 100}, {101, 0}, {255, 53}, {53, 53}};
    int previous = 0;
    for (const auto& [asked, lit] : asked_to_lit) {
        LCD_SetBacklight(asked);
        EXPECT_EQ(board.backlight_percent(), previous) << "the preload holds " << int{asked} << " back";
        board.clock().advance(1_ms);
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
