// System configuration controller: memory remap, the GPIO port behind each
// external interrupt line, the Ethernet media interface and the I/O
// compensation cell.
#ifndef TILTMON_SYSCFGDRV_H
#define TILTMON_SYSCFGDRV_H

#include <cstdint>

#include "stm32f2xx.h"

// Port of an EXTI line.
#define EXTI_PortSourceGPIOA ((std::uint8_t)0x00)
#define EXTI_PortSourceGPIOB ((std::uint8_t)0x01)
#define EXTI_PortSourceGPIOC ((std::uint8_t)0x02)
#define EXTI_PortSourceGPIOD ((std::uint8_t)0x03)
#define EXTI_PortSourceGPIOE ((std::uint8_t)0x04)
#define EXTI_PortSourceGPIOF ((std::uint8_t)0x05)
#define EXTI_PortSourceGPIOG ((std::uint8_t)0x06)
#define EXTI_PortSourceGPIOH ((std::uint8_t)0x07)
#define EXTI_PortSourceGPIOI ((std::uint8_t)0x08)
#define IS_EXTI_PORT_SOURCE(PORTSOURCE) ((PORTSOURCE) <= EXTI_PortSourceGPIOI)

// Pin, and so EXTI line, of the port.
#define EXTI_PinSource0 ((std::uint8_t)0)
#define EXTI_PinSource1 ((std::uint8_t)1)
#define EXTI_PinSource2 ((std::uint8_t)2)
#define EXTI_PinSource3 ((std::uint8_t)3)
#define EXTI_PinSource4 ((std::uint8_t)4)
#define EXTI_PinSource5 ((std::uint8_t)5)
#define EXTI_PinSource6 ((std::uint8_t)6)
#define EXTI_PinSource7 ((std::uint8_t)7)
#define EXTI_PinSource8 ((std::uint8_t)8)
#define EXTI_PinSource9 ((std::uint8_t)9)
#define EXTI_PinSource10 ((std::uint8_t)10)
#define EXTI_PinSource11 ((std::uint8_t)11)
#define EXTI_PinSource12 ((std::uint8_t)12)
#define EXTI_PinSource13 ((std::uint8_t)13)
#define EXTI_PinSource14 ((std::uint8_t)14)
#define EXTI_PinSource15 ((std::uint8_t)15)
#define IS_EXTI_PIN_SOURCE(PINSOURCE) ((PINSOURCE) <= EXTI_PinSource15)

// What the memory at address 0 is.
#define SYSCFG_MemoryRemap_Flash ((std::uint8_t)0x00)
#define SYSCFG_MemoryRemap_SystemFlash ((std::uint8_t)0x01)
#define SYSCFG_MemoryRemap_FSMC ((std::uint8_t)0x02)
#define SYSCFG_MemoryRemap_SRAM ((std::uint8_t)0x03)
#define IS_SYSCFG_MEMORY_REMAP(REMAP) ((REMAP) <= SYSCFG_MemoryRemap_SRAM)

#define SYSCFG_ETH_MediaInterface_MII ((std::uint32_t)0x00000000)
#define SYSCFG_ETH_MediaInterface_RMII ((std::uint32_t)0x00000001)
#define IS_SYSCFG_ETH_MEDIA_INTERFACE(INTERFACE) ((INTERFACE) <= SYSCFG_ETH_MediaInterface_RMII)

void SYSCFG_DeInit(void);
void SYSCFG_MemoryRemapConfig(std::uint8_t SYSCFG_MemoryRemap);
void SYSCFG_EXTILineConfig(std::uint8_t EXTI_PortSourceGPIOx, std::uint8_t EXTI_PinSourcex);
void SYSCFG_ETH_MediaInterfaceConfig(std::uint32_t SYSCFG_ETH_MediaInterface);
void SYSCFG_CompensationCellCmd(FunctionalState NewState);
FlagStatus SYSCFG_GetCompensationCellStatus(void);

#endif
