#include <string>

#include "driver_test.h"
#include "models/rcc.h"
#include "stm32f2xx_rcc.h"

namespace {

using sim::Rcc;

const std::string kModule = "stm32f2xx_rcc.cpp";

using RccTest = DriverTest;

struct ClockCase {
    const char* name;
    std::uint32_t sw, pllcfgr, prescalers;
    std::uint32_t sysclk, hclk, pclk1, pclk2;
};

TEST(RccClocks, GetClocksFreqFollowsTheClockTreeRegisters)
{
    // PLLCFGR: M bits 5:0, N bits 14:6, P code bits 17:16, bit 22 = HSE.
    const ClockCase cases[] = {
        {"HSI after reset", 0, 0, 0, 16000000, 16000000, 16000000, 16000000},
        {"HSI, AHB field 9 divides by 4", 0, 0, 0x90, 16000000, 4000000, 4000000, 4000000},
        {"HSI, AHB field 4 does not divide", 0, 0, 0x40, 16000000, 16000000, 16000000, 16000000},
        {"HSE", 1, 0, 0, 25000000, 25000000, 25000000, 25000000},
        {"start-up tree", 2, 0x05411004, 0x9400, 100000000, 100000000, 25000000, 50000000},
        {"PLL from HSI, M 16, N 192, P 2", 2, 0x00003010, 0, 96000000, 96000000, 96000000, 96000000},
        // 25000000 / 3 loses its remainder before N multiplies it.
        {"PLL from HSE, M 3, N 50, P 2", 2, 0x00400C83, 0, 208333325, 208333325, 208333325, 208333325},
        {"PLL with M 0 gives 0 Hz", 2, 0x05411000, 0x9400, 0, 0, 0, 0},
    };
    ScratchClockRegisters registers;
    for (const ClockCase& c : cases) {
        SCOPED_TRACE(c.name);
        registers.set(c.prescalers | c.sw << 2, c.pllcfgr);
        RCC_ClocksTypeDef clocks{1, 1, 1, 1};
        RCC_GetClocksFreq(&clocks);
        EXPECT_EQ(clocks.SYSCLK_Frequency, c.sysclk);
        EXPECT_EQ(clocks.HCLK_Frequency, c.hclk);
        EXPECT_EQ(clocks.PCLK1_Frequency, c.pclk1);
        EXPECT_EQ(clocks.PCLK2_Frequency, c.pclk2);
    }
}

// The running chip gives the same figures as the registers say.
TEST_F(RccTest, GetClocksFreqOfTheStartUpTreeOnTheBoard)
{
    run_start_up_clock_tree();
    RCC_ClocksTypeDef clocks{1, 1, 1, 1};
    RCC_GetClocksFreq(&clocks);
    EXPECT_EQ(clocks.SYSCLK_Frequency, models(board).rcc().sysclk_hz());
    EXPECT_EQ(clocks.HCLK_Frequency, models(board).rcc().hclk_hz());
    EXPECT_EQ(clocks.PCLK1_Frequency, 25000000u);
    EXPECT_EQ(clocks.PCLK2_Frequency, 50000000u);
}

TEST_F(RccTest, GetClocksFreqAppliesEveryPrescalerFieldValue)
{
    // AHB: 0-7 no division, 8-15 divide by 2, 4, 8, 16, 64, 128, 256, 512.
    const std::uint32_t ahb[16] = {16000000, 16000000, 16000000, 16000000, 16000000, 16000000,
                                   16000000, 16000000, 8000000,  4000000,  2000000,  1000000,
                                   250000,   125000,   62500,    31250};
    // APB: 0-3 no division, 4-7 divide by 2, 4, 8, 16.
    const std::uint32_t apb[8] = {16000000, 16000000, 16000000, 16000000, 8000000, 4000000, 2000000, 1000000};
    RCC_ClocksTypeDef clocks;
    for (std::uint32_t field = 0; field < 16; ++field) {
        RCC->CFGR = field << 4;
        RCC_GetClocksFreq(&clocks);
        EXPECT_EQ(clocks.HCLK_Frequency, ahb[field]) << "AHB field " << field;
        EXPECT_EQ(clocks.PCLK1_Frequency, ahb[field]) << "AHB field " << field;
    }
    for (std::uint32_t field = 0; field < 8; ++field) {
        RCC->CFGR = field << 10 | (7 - field) << 13;
        RCC_GetClocksFreq(&clocks);
        EXPECT_EQ(clocks.PCLK1_Frequency, apb[field]) << "APB1 field " << field;
        EXPECT_EQ(clocks.PCLK2_Frequency, apb[7 - field]) << "APB2 field " << 7 - field;
    }
}

struct EnableCase {
    const char* name;
    void (*command)(std::uint32_t, FunctionalState);
    const char* function;
    std::uint32_t offset, mask;
    const char* failed_check;  // nullptr: the mask passes
};

TEST_F(RccTest, ClockCommandsSetAndClearTheMaskReportingRefusedBits)
{
    const EnableCase cases[] = {
        {"GPIOC", RCC_AHB1PeriphClockCmd, "RCC_AHB1PeriphClockCmd", Rcc::AHB1ENR, RCC_AHB1Periph_GPIOC, nullptr},
        {"GPIOE and DMA2", RCC_AHB1PeriphClockCmd, "RCC_AHB1PeriphClockCmd", Rcc::AHB1ENR, 0x00400010, nullptr},
        {"AHB1 bit 9", RCC_AHB1PeriphClockCmd, "RCC_AHB1PeriphClockCmd", Rcc::AHB1ENR, 0x200, "IS_RCC_AHB1"},
        {"AHB1 nothing", RCC_AHB1PeriphClockCmd, "RCC_AHB1PeriphClockCmd", Rcc::AHB1ENR, 0, "IS_RCC_AHB1"},
        {"TIM4", RCC_APB1PeriphClockCmd, "RCC_APB1PeriphClockCmd", Rcc::APB1ENR, RCC_APB1Periph_TIM4, nullptr},
        {"USART3", RCC_APB1PeriphClockCmd, "RCC_APB1PeriphClockCmd", Rcc::APB1ENR, RCC_APB1Periph_USART3, nullptr},
        {"APB1 bit 10", RCC_APB1PeriphClockCmd, "RCC_APB1PeriphClockCmd", Rcc::APB1ENR, 0x400, "IS_RCC_APB1"},
        {"SYSCFG", RCC_APB2PeriphClockCmd, "RCC_APB2PeriphClockCmd", Rcc::APB2ENR, RCC_APB2Periph_SYSCFG, nullptr},
        {"APB2 bit 2", RCC_APB2PeriphClockCmd, "RCC_APB2PeriphClockCmd", Rcc::APB2ENR, 0x0004, "IS_RCC_APB2"},
        {"SYSCFG reset", RCC_APB2PeriphResetCmd, "RCC_APB2PeriphResetCmd", Rcc::APB2RSTR, RCC_APB2Periph_SYSCFG,
         nullptr},
        {"APB2 reset bit 31", RCC_APB2PeriphResetCmd, "RCC_APB2PeriphResetCmd", Rcc::APB2RSTR, 0x80000000,
         "IS_RCC_APB2"},
    };
    for (const EnableCase& c : cases) {
        SCOPED_TRACE(c.name);
        const std::uint32_t before = models(board).rcc().peek(c.offset);
        ASSERT_EQ(before & c.mask, 0u);
        board.clear_serial_output();
        c.command(c.mask, ENABLE);
        EXPECT_EQ(models(board).rcc().peek(c.offset), before | c.mask);
        c.command(c.mask, DISABLE);
        EXPECT_EQ(models(board).rcc().peek(c.offset), before);
        EXPECT_EQ(console(), c.failed_check ? report(kModule, c.function, c.failed_check, 2) : "");
    }
}

}  // namespace
