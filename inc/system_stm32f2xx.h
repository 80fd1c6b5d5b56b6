// Clock tree set-up: 25 MHz crystal, main PLL to a 100 MHz core clock,
// APB1 at 25 MHz, APB2 at 50 MHz.
#ifndef TILTMON_SYSTEM_STM32F2XX_H
#define TILTMON_SYSTEM_STM32F2XX_H

#include <cstdint>

#include "clock_tree.h"

constexpr std::uint32_t HSE_STARTUP_TIMEOUT = 0x0500u;  // polls of the crystal's ready flag

extern std::uint32_t SystemCoreClock;  // core (AHB) clock in Hz
extern std::uint8_t AHBPrescTable[16];

extern "C" {
void SystemInit(void);
void SystemCoreClockUpdate(void);
}

#endif
