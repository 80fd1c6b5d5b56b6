// Clock tree set-up, run once from the reset handler before main.
#include "stm32f2xx.h"
#include "system_stm32f2xx.h"

// Both live in initialised data: valid only after the reset handler's copy.
std::uint32_t SystemCoreClock = 120000000u;
std::uint8_t AHBPrescTable[16] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 2, 3, 4, 6, 7, 8, 9};

namespace {

constexpr std::uint32_t PLLCFGR_RESET_VALUE = 0x24003010u;
// M = 4, N = 64, P = 4 (code 1), source HSE, Q = 5: 25 MHz / 4 * 64 / 4 = 100 MHz.
constexpr std::uint32_t PLLCFGR_100MHZ_FROM_HSE = 0x05411004u;
constexpr std::uint32_t VECT_TAB_FLASH = 0x08000000u;

// Runs the system from the PLL when the crystal starts; otherwise stays on
// the internal oscillator without a word.
void SetSysClock(void)
{
    volatile std::uint32_t StartUpCounter = 0;
    volatile std::uint32_t HSEStatus = 0;

    RCC->CR |= RCC_CR_HSEON;
    do {
        HSEStatus = RCC->CR & RCC_CR_HSERDY;
        StartUpCounter = StartUpCounter + 1;
    } while (HSEStatus == 0 && StartUpCounter != HSE_STARTUP_TIMEOUT);

    HSEStatus = (RCC->CR & RCC_CR_HSERDY) != 0 ? 1u : 0u;
    if (HSEStatus != 1) return;

    RCC->CFGR |= RCC_CFGR_HPRE_DIV1;
    RCC->CFGR |= RCC_CFGR_PPRE2_DIV2;
    RCC->CFGR |= RCC_CFGR_PPRE1_DIV4;
    RCC->PLLCFGR = PLLCFGR_100MHZ_FROM_HSE;

    RCC->CR |= RCC_CR_PLLON;
    while ((RCC->CR & RCC_CR_PLLRDY) == 0) {
    }

    // 100 MHz needs three wait states; prefetch and both caches on.
    FLASH->ACR = FLASH_ACR_PRFTEN | FLASH_ACR_ICEN | FLASH_ACR_DCEN | FLASH_ACR_LATENCY_3WS;

    RCC->CFGR &= ~RCC_CFGR_SW;
    RCC->CFGR |= RCC_CFGR_SW_PLL;
    while ((RCC->CFGR & RCC_CFGR_SWS) != RCC_CFGR_SWS_PLL) {
    }
}

}  // namespace

void SystemInit(void)
{
    RCC->CR |= RCC_CR_HSION;
    RCC->CFGR = 0x00000000u;
    RCC->CR &= 0xFEF6FFFFu;  // HSE, clock security and PLL off
    RCC->PLLCFGR = PLLCFGR_RESET_VALUE;
    RCC->CR &= 0xFFFBFFFFu;  // HSE bypass off
    RCC->CIR = 0x00000000u;

    SetSysClock();

    SCB->VTOR = VECT_TAB_FLASH;
    SystemCoreClockUpdate();
}

void SystemCoreClockUpdate(void)
{
    const std::uint32_t cfgr = RCC->CFGR;
    SystemCoreClock = system_clock_hz(cfgr) >> AHBPrescTable[(cfgr & RCC_CFGR_HPRE) >> 4];
}
