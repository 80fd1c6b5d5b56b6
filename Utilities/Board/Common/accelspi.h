// Driver of the board's accelerometer on SPI2: byte-wide registers behind a
// command byte (bit 7 read, bit 6 auto-increment, bits 5 to 0 the address).
// One transaction is one chip-select frame on PB14.
#ifndef TILTMON_ACCELSPI_H
#define TILTMON_ACCELSPI_H

#include <cstdint>

void sACCEL_Init(void);
void sACCEL_DeInit(void);
// Exchanges one byte on the bus and returns the byte that came back; leaves
// the chip select alone.
std::uint8_t sACCEL_SendByte(std::uint8_t byte);
std::uint8_t sACCEL_ReadByte(void);
std::uint8_t sACCEL_ReadReg(std::uint8_t Addr);
// Addr goes out unchanged (bits 7 and 6 must be 0); returns the byte that
// came back while Data went out.
std::uint8_t sACCEL_WriteReg(std::uint8_t Addr, std::uint8_t Data);
// Registers Addr (low byte) and Addr + 1 (high byte) in one transaction.
std::uint16_t sACCEL_ReadWord(std::uint8_t Addr);

#endif
