// Serial peripheral interfaces: set-up as SPI, enable, and polled data and
// status access.
#ifndef TILTMON_STM32F2XX_SPI_H
#define TILTMON_STM32F2XX_SPI_H

#include <cstdint>

#include "stm32f2xx.h"

struct SPI_InitTypeDef {
    std::uint16_t SPI_Direction;
    std::uint16_t SPI_Mode;
    std::uint16_t SPI_DataSize;
    std::uint16_t SPI_CPOL;  // clock level when idle
    std::uint16_t SPI_CPHA;  // clock edge that captures the data
    std::uint16_t SPI_NSS;   // slave select by hardware or by software
    std::uint16_t SPI_BaudRatePrescaler;
    std::uint16_t SPI_FirstBit;
    std::uint16_t SPI_CRCPolynomial;
};

#define IS_SPI_ALL_PERIPH(PERIPH) (((PERIPH) == SPI1) || ((PERIPH) == SPI2) || ((PERIPH) == SPI3))

#define SPI_Direction_2Lines_FullDuplex ((std::uint16_t)0x0000)
#define SPI_Direction_2Lines_RxOnly ((std::uint16_t)0x0400)
#define SPI_Direction_1Line_Rx ((std::uint16_t)0x8000)
#define SPI_Direction_1Line_Tx ((std::uint16_t)0xC000)
#define IS_SPI_DIRECTION_MODE(MODE)                                                          \
    (((MODE) == SPI_Direction_2Lines_FullDuplex) || ((MODE) == SPI_Direction_2Lines_RxOnly) || \
     ((MODE) == SPI_Direction_1Line_Rx) || ((MODE) == SPI_Direction_1Line_Tx))

#define SPI_Mode_Master ((std::uint16_t)0x0104)
#define SPI_Mode_Slave ((std::uint16_t)0x0000)
#define IS_SPI_MODE(MODE) (((MODE) == SPI_Mode_Master) || ((MODE) == SPI_Mode_Slave))

#define SPI_DataSize_16b ((std::uint16_t)0x0800)
#define SPI_DataSize_8b ((std::uint16_t)0x0000)
#define IS_SPI_DATASIZE(DATASIZE) (((DATASIZE) == SPI_DataSize_16b) || ((DATASIZE) == SPI_DataSize_8b))

#define SPI_CPOL_Low ((std::uint16_t)0x0000)
#define SPI_CPOL_High ((std::uint16_t)0x0002)
#define IS_SPI_CPOL(CPOL) (((CPOL) == SPI_CPOL_Low) || ((CPOL) == SPI_CPOL_High))

#define SPI_CPHA_1Edge ((std::uint16_t)0x0000)
#define SPI_CPHA_2Edge ((std::uint16_t)0x0001)
#define IS_SPI_CPHA(CPHA) (((CPHA) == SPI_CPHA_1Edge) || ((CPHA) == SPI_CPHA_2Edge))

#define SPI_NSS_Soft ((std::uint16_t)0x0200)
#define SPI_NSS_Hard ((std::uint16_t)0x0000)
#define IS_SPI_NSS(NSS) (((NSS) == SPI_NSS_Soft) || ((NSS) == SPI_NSS_Hard))

// Bus clock divided by 2 to 256.
#define SPI_BaudRatePrescaler_2 ((std::uint16_t)0x0000)
#define SPI_BaudRatePrescaler_4 ((std::uint16_t)0x0008)
#define SPI_BaudRatePrescaler_8 ((std::uint16_t)0x0010)
#define SPI_BaudRatePrescaler_16 ((std::uint16_t)0x0018)
#define SPI_BaudRatePrescaler_32 ((std::uint16_t)0x0020)
#define SPI_BaudRatePrescaler_64 ((std::uint16_t)0x0028)
#define SPI_BaudRatePrescaler_128 ((std::uint16_t)0x0030)
#define SPI_BaudRatePrescaler_256 ((std::uint16_t)0x0038)
#define IS_SPI_BAUDRATE_PRESCALER(PRESCALER) ((((PRESCALER) & ~0x0038u) == 0x00))

#define SPI_FirstBit_MSB ((std::uint16_t)0x0000)
#define SPI_FirstBit_LSB ((std::uint16_t)0x0080)
#define IS_SPI_FIRST_BIT(BIT) (((BIT) == SPI_FirstBit_MSB) || ((BIT) == SPI_FirstBit_LSB))

#define IS_SPI_CRC_POLYNOMIAL(POLYNOMIAL) ((POLYNOMIAL) >= 0x1)

// Status flags (SR bits).
#define SPI_I2S_FLAG_RXNE ((std::uint16_t)0x0001)
#define SPI_I2S_FLAG_TXE ((std::uint16_t)0x0002)
#define I2S_FLAG_CHSIDE ((std::uint16_t)0x0004)
#define I2S_FLAG_UDR ((std::uint16_t)0x0008)
#define SPI_FLAG_CRCERR ((std::uint16_t)0x0010)
#define SPI_FLAG_MODF ((std::uint16_t)0x0020)
#define SPI_I2S_FLAG_OVR ((std::uint16_t)0x0040)
#define SPI_I2S_FLAG_BSY ((std::uint16_t)0x0080)
#define SPI_I2S_FLAG_TIFRFE ((std::uint16_t)0x0100)
// Exactly one of the nine flags.
#define IS_SPI_I2S_GET_FLAG(FLAG) \
    ((((FLAG) & ~0x01FFu) == 0x00) && ((FLAG) != 0x00) && (((FLAG) & ((FLAG) - 1)) == 0x00))

void SPI_Init(SPI_TypeDef* SPIx, SPI_InitTypeDef* SPI_InitStruct);
void SPI_Cmd(SPI_TypeDef* SPIx, FunctionalState NewState);
void SPI_I2S_SendData(SPI_TypeDef* SPIx, std::uint16_t Data);
std::uint16_t SPI_I2S_ReceiveData(SPI_TypeDef* SPIx);
FlagStatus SPI_I2S_GetFlagStatus(SPI_TypeDef* SPIx, std::uint16_t SPI_I2S_FLAG);

#endif
