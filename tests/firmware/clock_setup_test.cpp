// The clock tree set-up on the virtual board's clock control model.
#include <gtest/gtest.h>

#include "board/wiring.h"

#include "board_test.h"
#include "clock_bring_up.h"
#include "models/rcc.h"
#include "models/system_control_block.h"
#include "stm32f2xx.h"
#include "system_stm32f2xx.h"

namespace {

using sim::Rcc;

class ClockSetupTest : public BoardTest {};

TEST_F(ClockSetupTest, CrystalReadyRunsTheCoreAt100MHzFromThePll)
{
    board.trace().start();
    SystemInit();

    // The crystal's poll ends at the first read that finds it ready (one
    // more read decides, one more switches the PLL on); the PLL is locked before the flash's wait states
    // and the switch.
    const std::uint32_t cr = sim::base_of("RCC") + Rcc::CR, hse_ready = 1u << 17, pll_on = 1u << 24, pll_ready = 1u << 25;
    int ready_reads = 0;
    bool pll_locked = false;
    for (const sim::BusAccess& a : board.trace().accesses()) {
        if (a.address == cr && a.write && (a.value & pll_on) != 0) break;
        ready_reads += a.address == cr && !a.write && (a.value & hse_ready) != 0;
    }
    EXPECT_EQ(ready_reads, 3);
    for (const sim::BusAccess& a : board.trace().accesses()) {
        pll_locked = pll_locked || (a.address == cr && !a.write && (a.value & pll_ready) != 0);
        if (a.address == 0x40023C00u && a.write) {
            EXPECT_TRUE(pll_locked) << "wait states set before the PLL locked";
        }
    }

    EXPECT_EQ(models(board).rcc().peek(Rcc::PLLCFGR), 0x05411004u);
    const std::uint32_t cfgr = models(board).rcc().peek(Rcc::CFGR);
    EXPECT_EQ(cfgr & 0x3u, 0x2u) << "system clock switch on the PLL";
    EXPECT_EQ(cfgr & 0xCu, 0x8u) << "switch status: PLL in use";
    EXPECT_EQ(cfgr & 0xF0u, 0x0u) << "AHB undivided";
    EXPECT_EQ(cfgr & 0x1C00u, 0x1400u) << "APB1 = AHB / 4";
    EXPECT_EQ(cfgr & 0xE000u, 0x8000u) << "APB2 = AHB / 2";
    EXPECT_EQ(FLASH->ACR, 0x703u) << "ACR: prefetch, both caches, 3 wait states";
    EXPECT_EQ(models(board).scb().vtor(), 0x08000000u);
    EXPECT_EQ(SystemCoreClock, 100000000u);
    const sim::Board::ClockTree clocks = board.clock_tree();
    EXPECT_EQ(clocks.sysclk, 100000000u);
    EXPECT_EQ(clocks.hclk, 100000000u);
    EXPECT_EQ(clocks.pclk1, 25000000u);
    EXPECT_EQ(clocks.pclk2, 50000000u);
}

TEST_F(ClockSetupTest, MissingCrystalPollsExactly1280TimesAndStaysOnTheInternalOscillator)
{
    board.fit_crystal(false);
    board.trace().start();

    SystemInit();

    // Three read-modify-writes of CR before the poll, the HSE switch-on, the
    // 1280 polls and the one read that decides.
    std::size_t cr_reads = 0;
    for (const sim::BusAccess& a : board.trace().accesses())
        if (!a.write && a.address == sim::base_of("RCC") + Rcc::CR) ++cr_reads;
    EXPECT_EQ(cr_reads, 3u + 1u + 1280u + 1u);
    EXPECT_EQ(models(board).rcc().peek(Rcc::CFGR), 0u);
    EXPECT_EQ(models(board).rcc().peek(Rcc::PLLCFGR), 0x24003010u);
    EXPECT_NE(models(board).rcc().peek(Rcc::CR) & 0x00010000u, 0u) << "HSE stays switched on";
    EXPECT_EQ(FLASH->ACR, 0u) << "wait states as reset left them";
    EXPECT_EQ(SystemCoreClock, 16000000u);
}

// Puts the board's clock tree in a given state through the registers, as
// firmware would, waiting for each ready flag.
class ClockTreeTest : public BoardTest {
protected:
    void wait_for(Reg<std::uint32_t>& reg, std::uint32_t mask, std::uint32_t value)
    {
        for (int polls = 0; (reg & mask) != value; ++polls) ASSERT_LT(polls, 100000) << "flag never came";
    }
    void run_from_hse()
    {
        RCC->CR |= RCC_CR_HSEON;
        wait_for(RCC->CR, RCC_CR_HSERDY, RCC_CR_HSERDY);
        RCC->CFGR = (RCC->CFGR & ~RCC_CFGR_SW) | 0x1u;
        wait_for(RCC->CFGR, RCC_CFGR_SWS, RCC_CFGR_SWS_HSE);
    }
    void run_from_pll(std::uint32_t pllcfgr)
    {
        RCC->PLLCFGR = pllcfgr;
        RCC->CR |= RCC_CR_PLLON;
        wait_for(RCC->CR, RCC_CR_PLLRDY, RCC_CR_PLLRDY);
        RCC->CFGR = (RCC->CFGR & ~RCC_CFGR_SW) | RCC_CFGR_SW_PLL;
        wait_for(RCC->CFGR, RCC_CFGR_SWS, RCC_CFGR_SWS_PLL);
    }
    void set_ahb_prescaler(std::uint32_t field) { RCC->CFGR = (RCC->CFGR & ~RCC_CFGR_HPRE) | (field << 4); }
};

TEST_F(ClockTreeTest, ExternalOscillatorAsSystemClockGives25MHz)
{
    run_from_hse();
    SystemCoreClockUpdate();
    EXPECT_EQ(SystemCoreClock, 25000000u);
}

TEST_F(ClockTreeTest, AhbPrescalerShiftsTheResult)
{
    const struct {
        std::uint32_t field;
        std::uint32_t hz;
    } cases[] = {{0, 16000000u}, {7, 16000000u}, {8, 8000000u}, {9, 4000000u}, {12, 250000u}, {15, 31250u}};
    for (const auto& c : cases) {
        set_ahb_prescaler(c.field);
        SystemCoreClockUpdate();
        EXPECT_EQ(SystemCoreClock, c.hz) << "AHB field " << c.field;
    }
}

TEST_F(ClockTreeTest, PllFromInternalOscillatorDividesBeforeMultiplying)
{
    // HSI, M = 16, N = 192, P code 0: 16 MHz / 16 * 192 / 2.
    FLASH->ACR = 3;  // wait states for 96 MHz first
    run_from_pll(16u | (192u << 6));
    SystemCoreClockUpdate();
    EXPECT_EQ(SystemCoreClock, 96000000u);
}

// Settings the chip cannot run: what the computation makes of the registers.
TEST(ClockArithmetic, UnevenDividersLoseTheirRemainderAndADividerOfZeroGivesZero)
{
    ScratchClockRegisters registers;
    // HSE, M = 3, N = 50, P code 0: 25000000 / 3 = 8333333, * 50 / 2.
    registers.set(RCC_CFGR_SWS_PLL, 3u | (50u << 6) | RCC_PLLCFGR_PLLSRC);
    SystemCoreClockUpdate();
    EXPECT_EQ(SystemCoreClock, 8333333u * 50u / 2u);
    registers.set(RCC_CFGR_SWS_PLL, 0u | (192u << 6));
    SystemCoreClockUpdate();
    EXPECT_EQ(SystemCoreClock, 0u);
}

}  // namespace
