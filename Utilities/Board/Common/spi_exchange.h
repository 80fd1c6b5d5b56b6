// The byte exchange of the board's SPI devices (master, polled): each byte
// sent clocks one byte back in.
#ifndef TILTMON_SPI_EXCHANGE_H
#define TILTMON_SPI_EXCHANGE_H

#include <cstdint>

#include "stm32f2xx_spi.h"

// Returns once the byte has been shifted out and the byte that came back has
// been read, so that the caller may change a chip select or A0 right after.
inline std::uint8_t spi_exchange_byte(SPI_TypeDef* SPIx, std::uint8_t byte)
{
    while (SPI_I2S_GetFlagStatus(SPIx, SPI_I2S_FLAG_TXE) == RESET) {
    }
    SPI_I2S_SendData(SPIx, byte);
    while (SPI_I2S_GetFlagStatus(SPIx, SPI_I2S_FLAG_RXNE) == RESET) {
    }
    return static_cast<std::uint8_t>(SPI_I2S_ReceiveData(SPIx));
}

#endif
