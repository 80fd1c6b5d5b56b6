// The board's oscillators and the system clock that the clock control
// registers select: shared by the clock set-up and the clock driver.
#ifndef TILTMON_CLOCK_TREE_H
#define TILTMON_CLOCK_TREE_H

#include <cstdint>

#include "stm32f2xx.h"

constexpr std::uint32_t HSI_VALUE = 16000000u;  // internal oscillator
constexpr std::uint32_t HSE_VALUE = 25000000u;  // the board's crystal

// SYSCLK in Hz from CFGR's switch status; the PLL configuration is read only
// when the PLL is in use. M divides before N multiplies, so a remainder of the
// source is lost; M = 0 gives 0 Hz, as the core's divide by zero does.
inline std::uint32_t system_clock_hz(std::uint32_t cfgr)
{
    switch (cfgr & RCC_CFGR_SWS) {
    case RCC_CFGR_SWS_HSE:
        return HSE_VALUE;
    case RCC_CFGR_SWS_PLL: {
        const std::uint32_t pllcfgr = RCC->PLLCFGR;
        const std::uint32_t source = (pllcfgr & RCC_PLLCFGR_PLLSRC) != 0 ? HSE_VALUE : HSI_VALUE;
        const std::uint32_t pllm = pllcfgr & RCC_PLLCFGR_PLLM;
        const std::uint32_t plln = (pllcfgr & RCC_PLLCFGR_PLLN) >> 6;
        const std::uint32_t pllp = (((pllcfgr & RCC_PLLCFGR_PLLP) >> 16) + 1u) * 2u;
        const std::uint32_t pllvco = (pllm != 0 ? source / pllm : 0u) * plln;
        return pllvco / pllp;
    }
    default:
        return HSI_VALUE;
    }
}

#endif
