// Serial peripheral interfaces.
#include "stm32f2xx_spi.h"

#include "periph_assert.h"

namespace {

// CRC enable, CRC next and SPI enable survive a new set-up.
constexpr std::uint32_t cr1_kept_by_init = 0x3040;
constexpr std::uint16_t cr1_spe = 0x0040;
constexpr std::uint16_t i2scfgr_i2smod = 0x0800;

}  // namespace

void SPI_Init(SPI_TypeDef* SPIx, SPI_InitTypeDef* SPI_InitStruct)
{
    assert_param(IS_SPI_ALL_PERIPH(SPIx));
    assert_param(IS_SPI_DIRECTION_MODE(SPI_InitStruct->SPI_Direction));
    assert_param(IS_SPI_MODE(SPI_InitStruct->SPI_Mode));
    assert_param(IS_SPI_DATASIZE(SPI_InitStruct->SPI_DataSize));
    assert_param(IS_SPI_CPOL(SPI_InitStruct->SPI_CPOL));
    assert_param(IS_SPI_CPHA(SPI_InitStruct->SPI_CPHA));
    assert_param(IS_SPI_NSS(SPI_InitStruct->SPI_NSS));
    assert_param(IS_SPI_BAUDRATE_PRESCALER(SPI_InitStruct->SPI_BaudRatePrescaler));
    assert_param(IS_SPI_FIRST_BIT(SPI_InitStruct->SPI_FirstBit));
    assert_param(IS_SPI_CRC_POLYNOMIAL(SPI_InitStruct->SPI_CRCPolynomial));

    SPIx->CR1 = static_cast<std::uint16_t>(
        (SPIx->CR1 & cr1_kept_by_init) | SPI_InitStruct->SPI_Direction | SPI_InitStruct->SPI_Mode |
        SPI_InitStruct->SPI_DataSize | SPI_InitStruct->SPI_CPOL | SPI_InitStruct->SPI_CPHA | SPI_InitStruct->SPI_NSS |
        SPI_InitStruct->SPI_BaudRatePrescaler | SPI_InitStruct->SPI_FirstBit);

    // The peripheral works as SPI, not as I2S.
    SPIx->I2SCFGR &= static_cast<std::uint16_t>(~i2scfgr_i2smod);

    SPIx->CRCPR = SPI_InitStruct->SPI_CRCPolynomial;
}

void SPI_Cmd(SPI_TypeDef* SPIx, FunctionalState NewState)
{
    assert_param(IS_SPI_ALL_PERIPH(SPIx));
    assert_param(IS_FUNCTIONAL_STATE(NewState));

    if (NewState != DISABLE)
        SPIx->CR1 |= cr1_spe;
    else
        SPIx->CR1 &= static_cast<std::uint16_t>(~cr1_spe);
}

// Writing the data register starts the transfer.
void SPI_I2S_SendData(SPI_TypeDef* SPIx, std::uint16_t Data)
{
    assert_param(IS_SPI_ALL_PERIPH(SPIx));

    SPIx->DR = Data;
}

// Reading the data register acknowledges the received item.
std::uint16_t SPI_I2S_ReceiveData(SPI_TypeDef* SPIx)
{
    assert_param(IS_SPI_ALL_PERIPH(SPIx));

    return SPIx->DR;
}

FlagStatus SPI_I2S_GetFlagStatus(SPI_TypeDef* SPIx, std::uint16_t SPI_I2S_FLAG)
{
    assert_param(IS_SPI_ALL_PERIPH(SPIx));
    assert_param(IS_SPI_I2S_GET_FLAG(SPI_I2S_FLAG));

    return (SPIx->SR & SPI_I2S_FLAG) != 0 ? SET : RESET;
}
