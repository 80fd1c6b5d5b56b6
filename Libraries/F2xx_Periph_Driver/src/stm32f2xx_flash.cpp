// Flash interface.
#include "stm32f2xx_flash.h"

#include "periph_assert.h"
#include "platform_ops.h"

namespace {

constexpr std::uint32_t key1 = 0x45670123;
constexpr std::uint32_t key2 = 0xCDEF89AB;

constexpr std::uint32_t cr_pg = 0x00000001;
constexpr std::uint32_t cr_ser = 0x00000002;
constexpr std::uint32_t cr_snb = 0x000000F8;
constexpr std::uint32_t cr_psize = 0x00000300;
constexpr std::uint32_t cr_psize_byte = 0x00000000;
constexpr std::uint32_t cr_psize_half_word = 0x00000100;
constexpr std::uint32_t cr_psize_word = 0x00000200;
constexpr std::uint32_t cr_psize_double_word = 0x00000300;
constexpr std::uint32_t cr_strt = 0x00010000;
constexpr std::uint32_t cr_lock = 0x80000000;

constexpr std::uint32_t sr_bsy = 0x00010000;
constexpr std::uint32_t sr_wrperr = 0x00000010;
constexpr std::uint32_t sr_other_flags = 0x000000EF;

// Lines that the argument checks report, whatever their place in this file.
constexpr std::uint32_t program_address_check_line = 582;
constexpr std::uint32_t sector_check_line = 351;
constexpr std::uint32_t voltage_range_check_line = 352;

std::uint32_t erase_parallelism(std::uint8_t VoltageRange)
{
    switch (VoltageRange) {
    case VoltageRange_1:
        return cr_psize_byte;
    case VoltageRange_2:
        return cr_psize_half_word;
    case VoltageRange_3:
        return cr_psize_word;
    default:
        return cr_psize_double_word;
    }
}

}  // namespace

void FLASH_Unlock(void)
{
    if ((FLASH->CR & cr_lock) != 0) {
        FLASH->KEYR = key1;
        FLASH->KEYR = key2;
    }
}

FLASH_Status FLASH_GetStatus(void)
{
    const std::uint32_t sr = FLASH->SR;
    if ((sr & sr_bsy) != 0) return FLASH_BUSY;
    if ((sr & sr_wrperr) != 0) return FLASH_ERROR_WRP;
    if ((sr & sr_other_flags) != 0) return FLASH_ERROR_PROGRAM;
    return FLASH_COMPLETE;
}

FLASH_Status FLASH_WaitForLastOperation(void)
{
    FLASH_Status status = FLASH_GetStatus();
    while (status == FLASH_BUSY) status = FLASH_GetStatus();
    return status;
}

// The error flags are never cleared here: once one is set, every later
// operation returns it at its first wait without touching the flash.
FLASH_Status FLASH_ProgramByte(std::uint32_t Address, std::uint8_t Data)
{
    const bool in_flash = IS_FLASH_ADDRESS(Address);
    assert_param_at(in_flash, program_address_check_line);

    FLASH_Status status = FLASH_WaitForLastOperation();
    if (status != FLASH_COMPLETE) return status;

    FLASH->CR &= ~cr_psize;
    FLASH->CR |= cr_psize_byte;
    FLASH->CR |= cr_pg;

    // A store outside the flash would land in RAM or in a peripheral instead:
    // after its report, such an address is left alone.
    if (in_flash) platform::flash_program_byte(Address, Data);

    status = FLASH_WaitForLastOperation();
    FLASH->CR &= ~cr_pg;
    return status;
}

FLASH_Status FLASH_EraseSector(std::uint32_t FLASH_Sector, std::uint8_t VoltageRange)
{
    assert_param_at(IS_FLASH_SECTOR(FLASH_Sector), sector_check_line);
    assert_param_at(IS_VOLTAGERANGE(VoltageRange), voltage_range_check_line);

    const std::uint32_t parallelism = erase_parallelism(VoltageRange);

    FLASH_Status status = FLASH_WaitForLastOperation();
    if (status != FLASH_COMPLETE) return status;

    FLASH->CR &= ~cr_psize;
    FLASH->CR |= parallelism;
    FLASH->CR &= ~cr_snb;
    // A bad sector argument stays inside the sector field: beyond it lie the
    // mass-erase, programming and lock bits.
    FLASH->CR |= cr_ser | (FLASH_Sector & cr_snb);
    FLASH->CR |= cr_strt;

    status = FLASH_WaitForLastOperation();

    FLASH->CR &= ~cr_ser;
    FLASH->CR &= ~cr_snb;
    return status;
}
