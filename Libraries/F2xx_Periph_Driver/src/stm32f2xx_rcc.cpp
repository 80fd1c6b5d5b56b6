// Reset and clock control.
#include "stm32f2xx_rcc.h"

#include "clock_tree.h"
#include "periph_assert.h"

// Initialised data, like the clock set-up's own table: valid once the reset
// code has copied it. The 3-bit APB fields use entries 0 to 7; the AHB field
// uses entries 8 to 15 only, its values 0 to 7 meaning no division.
std::uint8_t APBAHBPrescTable[16] = {0, 0, 0, 0, 1, 2, 3, 4, 1, 2, 3, 4, 6, 7, 8, 9};

namespace {

void set_or_clear(Reg<std::uint32_t>& reg, std::uint32_t mask, FunctionalState state)
{
    if (state != DISABLE)
        reg |= mask;
    else
        reg &= ~mask;
}

}  // namespace

void RCC_GetClocksFreq(RCC_ClocksTypeDef* RCC_Clocks)
{
    const std::uint32_t cfgr = RCC->CFGR;

    RCC_Clocks->SYSCLK_Frequency = system_clock_hz(cfgr);

    const std::uint32_t ahb_field = (cfgr & RCC_CFGR_HPRE) >> 4;
    const std::uint32_t ahb_shift = ahb_field < 8 ? 0 : APBAHBPrescTable[ahb_field];
    RCC_Clocks->HCLK_Frequency = RCC_Clocks->SYSCLK_Frequency >> ahb_shift;

    const std::uint32_t apb1_field = (cfgr & RCC_CFGR_PPRE1) >> 10;
    RCC_Clocks->PCLK1_Frequency = RCC_Clocks->HCLK_Frequency >> APBAHBPrescTable[apb1_field];

    const std::uint32_t apb2_field = (cfgr & RCC_CFGR_PPRE2) >> 13;
    RCC_Clocks->PCLK2_Frequency = RCC_Clocks->HCLK_Frequency >> APBAHBPrescTable[apb2_field];
}

void RCC_AHB1PeriphClockCmd(std::uint32_t RCC_AHB1Periph, FunctionalState NewState)
{
    assert_param(IS_RCC_AHB1_CLOCK_PERIPH(RCC_AHB1Periph));
    assert_param(IS_FUNCTIONAL_STATE(NewState));

    set_or_clear(RCC->AHB1ENR, RCC_AHB1Periph, NewState);
}

void RCC_APB1PeriphClockCmd(std::uint32_t RCC_APB1Periph, FunctionalState NewState)
{
    assert_param(IS_RCC_APB1_PERIPH(RCC_APB1Periph));
    assert_param(IS_FUNCTIONAL_STATE(NewState));

    set_or_clear(RCC->APB1ENR, RCC_APB1Periph, NewState);
}

void RCC_APB2PeriphClockCmd(std::uint32_t RCC_APB2Periph, FunctionalState NewState)
{
    assert_param(IS_RCC_APB2_PERIPH(RCC_APB2Periph));
    assert_param(IS_FUNCTIONAL_STATE(NewState));

    set_or_clear(RCC->APB2ENR, RCC_APB2Periph, NewState);
}

void RCC_APB2PeriphResetCmd(std::uint32_t RCC_APB2Periph, FunctionalState NewState)
{
    assert_param(IS_RCC_APB2_PERIPH(RCC_APB2Periph));
    assert_param(IS_FUNCTIONAL_STATE(NewState));

    set_or_clear(RCC->APB2RSTR, RCC_APB2Periph, NewState);
}
