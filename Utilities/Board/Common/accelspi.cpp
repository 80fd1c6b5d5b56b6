// Accelerometer driver.
#include "accelspi.h"

#include "morva_eval.h"
#include "spi_exchange.h"
#include "stm32f2xx_gpio.h"

namespace {

constexpr std::uint8_t READ = 0x80;
constexpr std::uint8_t AUTO_INCREMENT = 0x40;
constexpr std::uint8_t DUMMY_BYTE = 0xA5;  // clocked out while reading

void select_device(void) { GPIO_ResetBits(sACCEL_CS_GPIO_PORT, sACCEL_CS_PIN); }
void deselect_device(void) { GPIO_SetBits(sACCEL_CS_GPIO_PORT, sACCEL_CS_PIN); }

}  // namespace

void sACCEL_Init(void) { sACCEL_LowLevel_Init(); }

void sACCEL_DeInit(void) { sACCEL_LowLevel_DeInit(); }

std::uint8_t sACCEL_SendByte(std::uint8_t byte) { return spi_exchange_byte(sACCEL_SPI, byte); }

std::uint8_t sACCEL_ReadByte(void) { return sACCEL_SendByte(DUMMY_BYTE); }

std::uint8_t sACCEL_ReadReg(std::uint8_t Addr)
{
    select_device();
    sACCEL_SendByte(static_cast<std::uint8_t>(Addr | READ));
    const std::uint8_t result = sACCEL_ReadByte();
    deselect_device();
    return result;
}

std::uint8_t sACCEL_WriteReg(std::uint8_t Addr, std::uint8_t Data)
{
    select_device();
    sACCEL_SendByte(Addr);
    const std::uint8_t result = sACCEL_SendByte(Data);
    deselect_device();
    return result;
}

std::uint16_t sACCEL_ReadWord(std::uint8_t Addr)
{
    select_device();
    sACCEL_SendByte(static_cast<std::uint8_t>(Addr | READ | AUTO_INCREMENT));
    const std::uint8_t data_lo = sACCEL_ReadByte();
    const std::uint8_t data_hi = sACCEL_ReadByte();
    deselect_device();
    return static_cast<std::uint16_t>(data_lo | (data_hi << 8));
}
