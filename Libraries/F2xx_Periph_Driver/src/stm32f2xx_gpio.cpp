// General-purpose I/O ports.
#include "stm32f2xx_gpio.h"

#include "periph_assert.h"

namespace {

constexpr std::uint32_t two_bit_field = 0x3;
constexpr std::uint32_t af_field = 0xF;

}  // namespace

void GPIO_Init(GPIO_TypeDef* GPIOx, GPIO_InitTypeDef* GPIO_InitStruct)
{
    assert_param(IS_GPIO_ALL_PERIPH(GPIOx));
    assert_param(IS_GPIO_PIN(GPIO_InitStruct->GPIO_Pin));
    assert_param(IS_GPIO_MODE(GPIO_InitStruct->GPIO_Mode));
    assert_param(IS_GPIO_PUPD(GPIO_InitStruct->GPIO_PuPd));

    // Each field is cleared and then set in two writes, pins in ascending
    // order. A bad value is confined to its own field, so that no pin outside
    // the mask ever changes.
    for (std::uint32_t pinpos = 0; pinpos < 16; pinpos++) {
        const std::uint32_t pin = 1u << pinpos;
        if ((GPIO_InitStruct->GPIO_Pin & pin) == 0) continue;

        const std::uint32_t shift = pinpos * 2;
        GPIOx->MODER &= ~(two_bit_field << shift);
        GPIOx->MODER |= (GPIO_InitStruct->GPIO_Mode & two_bit_field) << shift;

        if (GPIO_InitStruct->GPIO_Mode == GPIO_Mode_OUT || GPIO_InitStruct->GPIO_Mode == GPIO_Mode_AF) {
            assert_param(IS_GPIO_SPEED(GPIO_InitStruct->GPIO_Speed));
            GPIOx->OSPEEDR &= ~(two_bit_field << shift);
            GPIOx->OSPEEDR |= (GPIO_InitStruct->GPIO_Speed & two_bit_field) << shift;

            assert_param(IS_GPIO_OTYPE(GPIO_InitStruct->GPIO_OType));
            GPIOx->OTYPER &= ~pin;
            GPIOx->OTYPER |= static_cast<std::uint16_t>((GPIO_InitStruct->GPIO_OType & 1u) << pinpos);
        }

        GPIOx->PUPDR &= ~(two_bit_field << shift);
        GPIOx->PUPDR |= (GPIO_InitStruct->GPIO_PuPd & two_bit_field) << shift;
    }
}

void GPIO_StructInit(GPIO_InitTypeDef* GPIO_InitStruct)
{
    GPIO_InitStruct->GPIO_Pin = GPIO_Pin_All;
    GPIO_InitStruct->GPIO_Mode = GPIO_Mode_IN;
    GPIO_InitStruct->GPIO_Speed = GPIO_Speed_2MHz;
    GPIO_InitStruct->GPIO_OType = GPIO_OType_PP;
    GPIO_InitStruct->GPIO_PuPd = GPIO_PuPd_NOPULL;
}

void GPIO_SetBits(GPIO_TypeDef* GPIOx, std::uint16_t GPIO_Pin)
{
    assert_param(IS_GPIO_ALL_PERIPH(GPIOx));
    assert_param(IS_GPIO_PIN(GPIO_Pin));

    GPIOx->BSRRL = GPIO_Pin;
}

void GPIO_ResetBits(GPIO_TypeDef* GPIOx, std::uint16_t GPIO_Pin)
{
    assert_param(IS_GPIO_ALL_PERIPH(GPIOx));
    assert_param(IS_GPIO_PIN(GPIO_Pin));

    GPIOx->BSRRH = GPIO_Pin;
}

void GPIO_PinAFConfig(GPIO_TypeDef* GPIOx, std::uint16_t GPIO_PinSource, std::uint8_t GPIO_AF)
{
    assert_param(IS_GPIO_ALL_PERIPH(GPIOx));
    assert_param(IS_GPIO_PIN_SOURCE(GPIO_PinSource));
    assert_param(IS_GPIO_AF(GPIO_AF));

    // A pin past 15 has no field: the two AFR words end there, and what
    // follows them belongs to no pin of this port (or to another peripheral).
    if (GPIO_PinSource > 15) return;

    const std::uint32_t shift = (GPIO_PinSource & 0x07u) * 4;
    GPIOx->AFR[GPIO_PinSource >> 3] &= ~(af_field << shift);
    GPIOx->AFR[GPIO_PinSource >> 3] |= (GPIO_AF & af_field) << shift;
}
