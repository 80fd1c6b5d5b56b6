// System configuration controller.
#include "syscfgdrv.h"

#include "periph_assert.h"
#include "stm32f2xx_rcc.h"

namespace {

constexpr std::uint32_t exticr_field = 0xF;
constexpr std::uint32_t cmpcr_ready = 0x00000100;

// Single bits written through their bit-band alias words, so that no other
// bit of the register is read or written.
constexpr std::uint32_t pmc_mii_rmii_sel_alias = periph_bit_band_alias(SYSCFG_BASE + 0x04, 23);
constexpr std::uint32_t cmpcr_cmp_pd_alias = periph_bit_band_alias(SYSCFG_BASE + 0x20, 0);
static_assert(pmc_mii_rmii_sel_alias == 0x422700DC && cmpcr_cmp_pd_alias == 0x42270400);

Reg<std::uint32_t>& alias_word(std::uint32_t address) { return *reinterpret_cast<Reg<std::uint32_t>*>(address); }

}  // namespace

void SYSCFG_DeInit(void)
{
    RCC_APB2PeriphResetCmd(RCC_APB2Periph_SYSCFG, ENABLE);
    RCC_APB2PeriphResetCmd(RCC_APB2Periph_SYSCFG, DISABLE);
}

void SYSCFG_MemoryRemapConfig(std::uint8_t SYSCFG_MemoryRemap)
{
    assert_param(IS_SYSCFG_MEMORY_REMAP(SYSCFG_MemoryRemap));

    SYSCFG->MEMRMP = SYSCFG_MemoryRemap;
}

void SYSCFG_EXTILineConfig(std::uint8_t EXTI_PortSourceGPIOx, std::uint8_t EXTI_PinSourcex)
{
    assert_param(IS_EXTI_PORT_SOURCE(EXTI_PortSourceGPIOx));
    assert_param(IS_EXTI_PIN_SOURCE(EXTI_PinSourcex));

    // A pin past 15 has no field: the four EXTICR words end there.
    if (EXTI_PinSourcex > 15) return;

    // A bad port stays inside the line's own field, so that no other line
    // changes its port.
    const std::uint32_t shift = 4u * (EXTI_PinSourcex & 0x03u);
    Reg<std::uint32_t>& exticr = SYSCFG->EXTICR[EXTI_PinSourcex >> 2];
    exticr &= ~(exticr_field << shift);
    exticr |= (EXTI_PortSourceGPIOx & exticr_field) << shift;
}

// The alias word takes bit 0 of what is written.
void SYSCFG_ETH_MediaInterfaceConfig(std::uint32_t SYSCFG_ETH_MediaInterface)
{
    assert_param(IS_SYSCFG_ETH_MEDIA_INTERFACE(SYSCFG_ETH_MediaInterface));

    alias_word(pmc_mii_rmii_sel_alias) = SYSCFG_ETH_MediaInterface;
}

void SYSCFG_CompensationCellCmd(FunctionalState NewState)
{
    assert_param(IS_FUNCTIONAL_STATE(NewState));

    alias_word(cmpcr_cmp_pd_alias) = NewState;
}

FlagStatus SYSCFG_GetCompensationCellStatus(void)
{
    return (SYSCFG->CMPCR & cmpcr_ready) != 0 ? SET : RESET;
}
