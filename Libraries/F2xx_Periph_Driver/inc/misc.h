// Core interrupt set-up: enabling a device interrupt with its priority in the
// nested vectored interrupt controller, and the SysTick timer's clock.
#ifndef TILTMON_MISC_H
#define TILTMON_MISC_H

#include <cstdint>

#include "stm32f2xx.h"

struct NVIC_InitTypeDef {
    std::uint8_t NVIC_IRQChannel;                    // device interrupt number (IRQn_Type)
    std::uint8_t NVIC_IRQChannelPreemptionPriority;  // 0 to 15, as far as the grouping leaves bits
    std::uint8_t NVIC_IRQChannelSubPriority;         // 0 to 15, as far as the grouping leaves bits
    FunctionalState NVIC_IRQChannelCmd;
};

#define IS_NVIC_PREEMPTION_PRIORITY(PRIORITY) ((PRIORITY) < 0x10)
#define IS_NVIC_SUB_PRIORITY(PRIORITY) ((PRIORITY) < 0x10)

// SysTick clock: the core clock, or the core clock divided by 8.
#define SysTick_CLKSource_HCLK_Div8 ((std::uint32_t)0xFFFFFFFB)
#define SysTick_CLKSource_HCLK ((std::uint32_t)0x00000004)
#define IS_SYSTICK_CLK_SOURCE(SOURCE) (((SOURCE) == SysTick_CLKSource_HCLK) || ((SOURCE) == SysTick_CLKSource_HCLK_Div8))

void NVIC_Init(NVIC_InitTypeDef* NVIC_InitStruct);
void SysTick_CLKSourceConfig(std::uint32_t SysTick_CLKSource);

#endif
