// Core interrupt set-up.
#include "misc.h"

#include "periph_assert.h"

namespace {

// The core implements the upper 4 bits of each priority byte.
constexpr unsigned implemented_priority_bits = 4;
constexpr std::uint32_t aircr_prigroup_field = 0x7;

// The core has at most 240 device interrupts, so no priority byte beyond them.
constexpr std::uint32_t priority_bytes = 240;

// A left shift as the processor's register shift does it: a count of 32 or
// more shifts every bit out. (In C++ such a shift is undefined.)
std::uint32_t shift_left_as_register(std::uint32_t value, std::uint32_t count)
{
    return count < 32 ? value << count : 0;
}

std::uint32_t irq_bit(std::uint8_t channel) { return 1u << (channel & 0x1Fu); }

}  // namespace

void NVIC_Init(NVIC_InitTypeDef* NVIC_InitStruct)
{
    assert_param(IS_FUNCTIONAL_STATE(NVIC_InitStruct->NVIC_IRQChannelCmd));
    assert_param(IS_NVIC_PREEMPTION_PRIORITY(NVIC_InitStruct->NVIC_IRQChannelPreemptionPriority));
    assert_param(IS_NVIC_SUB_PRIORITY(NVIC_InitStruct->NVIC_IRQChannelSubPriority));

    const std::uint8_t channel = NVIC_InitStruct->NVIC_IRQChannel;

    if (NVIC_InitStruct->NVIC_IRQChannelCmd == DISABLE) {
        NVIC->ICER[channel >> 5] = irq_bit(channel);
        return;
    }

    // Bits of the priority left to the sub-priority: 7 - PRIGROUP.
    const std::uint32_t sub_bits = ((~SCB->AIRCR) >> SCB_AIRCR_PRIGROUP_Pos) & aircr_prigroup_field;

    // With the reset grouping (PRIGROUP 0) sub_bits is 7: the preemption
    // shift wraps to 253 as an 8-bit value and the preemption part vanishes,
    // as does the sub-priority part under its mask 0x0F >> 7.
    const auto preemption_shift = static_cast<std::uint8_t>(implemented_priority_bits - sub_bits);
    std::uint32_t priority = static_cast<std::uint8_t>(
        shift_left_as_register(NVIC_InitStruct->NVIC_IRQChannelPreemptionPriority, preemption_shift));
    priority |= NVIC_InitStruct->NVIC_IRQChannelSubPriority & (0x0Fu >> sub_bits);
    priority = static_cast<std::uint8_t>(priority << (8 - implemented_priority_bits));

    if (channel < priority_bytes) NVIC->IP[channel] = static_cast<std::uint8_t>(priority);

    NVIC->ISER[channel >> 5] = irq_bit(channel);
}

void SysTick_CLKSourceConfig(std::uint32_t SysTick_CLKSource)
{
    assert_param(IS_SYSTICK_CLK_SOURCE(SysTick_CLKSource));

    if (SysTick_CLKSource == SysTick_CLKSource_HCLK)
        SysTick->CTRL |= SysTick_CTRL_CLKSOURCE;
    else
        SysTick->CTRL &= ~SysTick_CTRL_CLKSOURCE;
}
