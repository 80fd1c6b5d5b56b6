// General-purpose I/O ports: pin set-up, alternate functions and single-write
// set and reset of output pins.
#ifndef TILTMON_STM32F2XX_GPIO_H
#define TILTMON_STM32F2XX_GPIO_H

#include <cstdint>

#include "stm32f2xx.h"

enum GPIOMode_TypeDef : std::uint8_t {
    GPIO_Mode_IN = 0x00,
    GPIO_Mode_OUT = 0x01,
    GPIO_Mode_AF = 0x02,
    GPIO_Mode_AN = 0x03,
};
#define IS_GPIO_MODE(MODE) ((MODE) <= GPIO_Mode_AN)

enum GPIOSpeed_TypeDef : std::uint8_t {
    GPIO_Speed_2MHz = 0x00,
    GPIO_Speed_25MHz = 0x01,
    GPIO_Speed_50MHz = 0x02,
    GPIO_Speed_100MHz = 0x03,
};
#define IS_GPIO_SPEED(SPEED) ((SPEED) <= GPIO_Speed_100MHz)

enum GPIOOType_TypeDef : std::uint8_t {
    GPIO_OType_PP = 0x00,
    GPIO_OType_OD = 0x01,
};
#define IS_GPIO_OTYPE(OTYPE) ((OTYPE) <= GPIO_OType_OD)

enum GPIOPuPd_TypeDef : std::uint8_t {
    GPIO_PuPd_NOPULL = 0x00,
    GPIO_PuPd_UP = 0x01,
    GPIO_PuPd_DOWN = 0x02,
};
#define IS_GPIO_PUPD(PUPD) ((PUPD) <= GPIO_PuPd_DOWN)

static_assert(sizeof(GPIOMode_TypeDef) == 1 && sizeof(GPIOSpeed_TypeDef) == 1 &&
              sizeof(GPIOOType_TypeDef) == 1 && sizeof(GPIOPuPd_TypeDef) == 1);

struct GPIO_InitTypeDef {
    std::uint32_t GPIO_Pin;  // bit n selects pin n
    GPIOMode_TypeDef GPIO_Mode;
    GPIOSpeed_TypeDef GPIO_Speed;  // output and alternate-function pins only
    GPIOOType_TypeDef GPIO_OType;  // output and alternate-function pins only
    GPIOPuPd_TypeDef GPIO_PuPd;
};

#define IS_GPIO_ALL_PERIPH(PERIPH)                                                                      \
    (((PERIPH) == GPIOA) || ((PERIPH) == GPIOB) || ((PERIPH) == GPIOC) || ((PERIPH) == GPIOD) ||        \
     ((PERIPH) == GPIOE) || ((PERIPH) == GPIOF) || ((PERIPH) == GPIOG) || ((PERIPH) == GPIOH) ||        \
     ((PERIPH) == GPIOI))

// Pin masks.
#define GPIO_Pin_0 ((std::uint16_t)0x0001)
#define GPIO_Pin_1 ((std::uint16_t)0x0002)
#define GPIO_Pin_2 ((std::uint16_t)0x0004)
#define GPIO_Pin_3 ((std::uint16_t)0x0008)
#define GPIO_Pin_4 ((std::uint16_t)0x0010)
#define GPIO_Pin_5 ((std::uint16_t)0x0020)
#define GPIO_Pin_6 ((std::uint16_t)0x0040)
#define GPIO_Pin_7 ((std::uint16_t)0x0080)
#define GPIO_Pin_8 ((std::uint16_t)0x0100)
#define GPIO_Pin_9 ((std::uint16_t)0x0200)
#define GPIO_Pin_10 ((std::uint16_t)0x0400)
#define GPIO_Pin_11 ((std::uint16_t)0x0800)
#define GPIO_Pin_12 ((std::uint16_t)0x1000)
#define GPIO_Pin_13 ((std::uint16_t)0x2000)
#define GPIO_Pin_14 ((std::uint16_t)0x4000)
#define GPIO_Pin_15 ((std::uint16_t)0x8000)
#define GPIO_Pin_All ((std::uint16_t)0xFFFF)
#define IS_GPIO_PIN(PIN) ((PIN) != 0)

// Pin numbers, for the alternate-function and external-interrupt routing.
#define GPIO_PinSource0 ((std::uint8_t)0)
#define GPIO_PinSource1 ((std::uint8_t)1)
#define GPIO_PinSource2 ((std::uint8_t)2)
#define GPIO_PinSource3 ((std::uint8_t)3)
#define GPIO_PinSource4 ((std::uint8_t)4)
#define GPIO_PinSource5 ((std::uint8_t)5)
#define GPIO_PinSource6 ((std::uint8_t)6)
#define GPIO_PinSource7 ((std::uint8_t)7)
#define GPIO_PinSource8 ((std::uint8_t)8)
#define GPIO_PinSource9 ((std::uint8_t)9)
#define GPIO_PinSource10 ((std::uint8_t)10)
#define GPIO_PinSource11 ((std::uint8_t)11)
#define GPIO_PinSource12 ((std::uint8_t)12)
#define GPIO_PinSource13 ((std::uint8_t)13)
#define GPIO_PinSource14 ((std::uint8_t)14)
#define GPIO_PinSource15 ((std::uint8_t)15)
#define IS_GPIO_PIN_SOURCE(PINSOURCE) ((PINSOURCE) <= 15)

// Alternate-function numbers.
#define GPIO_AF_SYSTEM ((std::uint8_t)0)
#define GPIO_AF_TIM1 ((std::uint8_t)1)
#define GPIO_AF_TIM2 ((std::uint8_t)1)
#define GPIO_AF_TIM3 ((std::uint8_t)2)
#define GPIO_AF_TIM4 ((std::uint8_t)2)
#define GPIO_AF_TIM5 ((std::uint8_t)2)
#define GPIO_AF_TIM8 ((std::uint8_t)3)
#define GPIO_AF_TIM9 ((std::uint8_t)3)
#define GPIO_AF_TIM10 ((std::uint8_t)3)
#define GPIO_AF_TIM11 ((std::uint8_t)3)
#define GPIO_AF_I2C1 ((std::uint8_t)4)
#define GPIO_AF_I2C2 ((std::uint8_t)4)
#define GPIO_AF_I2C3 ((std::uint8_t)4)
#define GPIO_AF_SPI1 ((std::uint8_t)5)
#define GPIO_AF_SPI2 ((std::uint8_t)5)
#define GPIO_AF_SPI3 ((std::uint8_t)6)
#define GPIO_AF_USART1 ((std::uint8_t)7)
#define GPIO_AF_USART2 ((std::uint8_t)7)
#define GPIO_AF_USART3 ((std::uint8_t)7)
#define GPIO_AF_UART4 ((std::uint8_t)8)
#define GPIO_AF_UART5 ((std::uint8_t)8)
#define GPIO_AF_USART6 ((std::uint8_t)8)
#define GPIO_AF_CAN1 ((std::uint8_t)9)
#define GPIO_AF_CAN2 ((std::uint8_t)9)
#define GPIO_AF_TIM12 ((std::uint8_t)9)
#define GPIO_AF_TIM13 ((std::uint8_t)9)
#define GPIO_AF_TIM14 ((std::uint8_t)9)
#define GPIO_AF_OTG_FS ((std::uint8_t)10)
#define GPIO_AF_OTG_HS ((std::uint8_t)10)
#define GPIO_AF_ETH ((std::uint8_t)11)
#define GPIO_AF_FSMC ((std::uint8_t)12)
#define GPIO_AF_SDIO ((std::uint8_t)12)
#define GPIO_AF_DCMI ((std::uint8_t)13)
#define GPIO_AF_EVENTOUT ((std::uint8_t)15)
// Function 14 does not exist on this chip.
#define IS_GPIO_AF(AF) (((AF) <= 13) || ((AF) == 15))

void GPIO_Init(GPIO_TypeDef* GPIOx, GPIO_InitTypeDef* GPIO_InitStruct);
void GPIO_StructInit(GPIO_InitTypeDef* GPIO_InitStruct);
void GPIO_SetBits(GPIO_TypeDef* GPIOx, std::uint16_t GPIO_Pin);
void GPIO_ResetBits(GPIO_TypeDef* GPIOx, std::uint16_t GPIO_Pin);
void GPIO_PinAFConfig(GPIO_TypeDef* GPIOx, std::uint16_t GPIO_PinSource, std::uint8_t GPIO_AF);

#endif
