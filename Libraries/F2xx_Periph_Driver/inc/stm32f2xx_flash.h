// Flash interface: unlocking, erasing a sector, programming a byte and the
// controller's status. Every operation waits until the controller is done.
#ifndef TILTMON_STM32F2XX_FLASH_H
#define TILTMON_STM32F2XX_FLASH_H

#include <cstdint>

#include "stm32f2xx.h"

enum FLASH_Status {
    FLASH_BUSY = 1,
    FLASH_ERROR_PGS,
    FLASH_ERROR_PGP,
    FLASH_ERROR_PGA,
    FLASH_ERROR_WRP,
    FLASH_ERROR_PROGRAM,
    FLASH_ERROR_OPERATION,
    FLASH_COMPLETE,
};
static_assert(FLASH_COMPLETE == 8);

// Sector arguments: the sector number shifted into the control register's
// sector field. Sectors 0 to 3 are 16 KB from 0x08000000, sector 4 is 64 KB
// from 0x08010000, sectors 5 to 11 are 128 KB each from 0x08020000.
#define FLASH_Sector_0 ((std::uint32_t)0x0000)
#define FLASH_Sector_1 ((std::uint32_t)0x0008)
#define FLASH_Sector_2 ((std::uint32_t)0x0010)
#define FLASH_Sector_3 ((std::uint32_t)0x0018)
#define FLASH_Sector_4 ((std::uint32_t)0x0020)
#define FLASH_Sector_5 ((std::uint32_t)0x0028)
#define FLASH_Sector_6 ((std::uint32_t)0x0030)
#define FLASH_Sector_7 ((std::uint32_t)0x0038)
#define FLASH_Sector_8 ((std::uint32_t)0x0040)
#define FLASH_Sector_9 ((std::uint32_t)0x0048)
#define FLASH_Sector_10 ((std::uint32_t)0x0050)
#define FLASH_Sector_11 ((std::uint32_t)0x0058)
#define IS_FLASH_SECTOR(SECTOR) ((((SECTOR) & ~0x0078u) == 0x00) && ((SECTOR) <= FLASH_Sector_11))

// Supply voltage range, which sets the erase parallelism: byte, half-word,
// word or double word.
#define VoltageRange_1 ((std::uint8_t)0x00)
#define VoltageRange_2 ((std::uint8_t)0x01)
#define VoltageRange_3 ((std::uint8_t)0x02)
#define VoltageRange_4 ((std::uint8_t)0x03)
#define IS_VOLTAGERANGE(RANGE) ((RANGE) <= VoltageRange_4)

// Main flash and the one-time-programmable area with its lock bytes.
#define IS_FLASH_ADDRESS(ADDRESS)                                          \
    ((((ADDRESS) >= 0x08000000u) && ((ADDRESS) <= 0x080FFFFFu)) ||         \
     (((ADDRESS) >= 0x1FFF7800u) && ((ADDRESS) <= 0x1FFF7A0Fu)))

void FLASH_Unlock(void);
FLASH_Status FLASH_GetStatus(void);
FLASH_Status FLASH_WaitForLastOperation(void);
FLASH_Status FLASH_ProgramByte(std::uint32_t Address, std::uint8_t Data);
FLASH_Status FLASH_EraseSector(std::uint32_t FLASH_Sector, std::uint8_t VoltageRange);

#endif
