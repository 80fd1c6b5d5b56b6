// The clock tree brought up through the firmware's own registers, as the
// clock set-up does it, for tests that need the bus frequencies of the
// running system without running the whole start-up.
#ifndef TESTS_SUPPORT_CLOCK_BRING_UP_H
#define TESTS_SUPPORT_CLOCK_BRING_UP_H

#include <gtest/gtest.h>

#include <cstdint>

#include "board/board.h"
#include "board/board_models.h"
#include "board/wiring.h"
#include "model_rig.h"
#include "scratch_registers.h"
#include "stm32f2xx.h"

// The system clock from HSI (sw 0), HSE (1) or the PLL (2) with the given
// prescaler fields: the source is started first, then selected, with the
// flash wait states the new clock needs set before the switch.
inline void run_clock_tree(sim::Board& board, std::uint32_t sw, std::uint32_t pllcfgr, std::uint32_t prescalers)
{
    using sim::operator""_ms;
    RCC->CFGR = prescalers;
    if (sw != 0) {
        RCC->CR |= RCC_CR_HSEON;
        models(board).clock().advance(1_ms);
    }
    if (sw == RCC_CFGR_SW_PLL) {
        RCC->PLLCFGR = pllcfgr;
        RCC->CR |= RCC_CR_PLLON;
        models(board).clock().advance(1_ms);
    }
    FLASH->ACR = FLASH_ACR_LATENCY_3WS;  // enough for any clock the chip runs at
    RCC->CFGR = prescalers | sw;
    ASSERT_EQ(RCC->CFGR & RCC_CFGR_SWS, sw << 2) << "clock switch refused";
}

// The tree the start-up sets: 100 MHz core, APB1 25 MHz, APB2 50 MHz.
inline void run_start_up_clock_tree(sim::Board& board) { run_clock_tree(board, RCC_CFGR_SW_PLL, 0x05411004u, 0x9400u); }

// Clock registers as plain storage, for what the firmware works out from
// register values the chip would never run with (a PLL divider of 0, an
// output above the core's limit): the arithmetic alone, no hardware.
class ScratchClockRegisters {
public:
    ScratchClockRegisters() { rig.bus.map(sim::base_of("RCC"), RegisterFile::kSize, rcc, "RCC as storage"); }
    // cfgr carries the switch status bits 3:2 as the hardware would show them.
    void set(std::uint32_t cfgr, std::uint32_t pllcfgr)
    {
        rcc.preset(0x08, cfgr);
        rcc.preset(0x04, pllcfgr);
    }

private:
    ModelRig rig;
    RegisterFile rcc;
};

#endif
