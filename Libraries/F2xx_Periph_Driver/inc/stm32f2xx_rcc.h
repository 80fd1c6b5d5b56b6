// Reset and clock control: peripheral clock enables and resets, and the bus
// frequencies that follow from the clock tree's registers.
#ifndef TILTMON_STM32F2XX_RCC_H
#define TILTMON_STM32F2XX_RCC_H

#include <cstdint>

#include "stm32f2xx.h"

struct RCC_ClocksTypeDef {
    std::uint32_t SYSCLK_Frequency;  // Hz
    std::uint32_t HCLK_Frequency;    // Hz, core and AHB
    std::uint32_t PCLK1_Frequency;   // Hz, APB1
    std::uint32_t PCLK2_Frequency;   // Hz, APB2
};

// AHB1 peripherals (AHB1ENR bits).
#define RCC_AHB1Periph_GPIOA ((std::uint32_t)0x00000001)
#define RCC_AHB1Periph_GPIOB ((std::uint32_t)0x00000002)
#define RCC_AHB1Periph_GPIOC ((std::uint32_t)0x00000004)
#define RCC_AHB1Periph_GPIOD ((std::uint32_t)0x00000008)
#define RCC_AHB1Periph_GPIOE ((std::uint32_t)0x00000010)
#define RCC_AHB1Periph_GPIOF ((std::uint32_t)0x00000020)
#define RCC_AHB1Periph_GPIOG ((std::uint32_t)0x00000040)
#define RCC_AHB1Periph_GPIOH ((std::uint32_t)0x00000080)
#define RCC_AHB1Periph_GPIOI ((std::uint32_t)0x00000100)
#define RCC_AHB1Periph_CRC ((std::uint32_t)0x00001000)
#define RCC_AHB1Periph_BKPSRAM ((std::uint32_t)0x00040000)
#define RCC_AHB1Periph_DMA1 ((std::uint32_t)0x00200000)
#define RCC_AHB1Periph_DMA2 ((std::uint32_t)0x00400000)
#define RCC_AHB1Periph_ETH_MAC ((std::uint32_t)0x02000000)
#define RCC_AHB1Periph_ETH_MAC_Tx ((std::uint32_t)0x04000000)
#define RCC_AHB1Periph_ETH_MAC_Rx ((std::uint32_t)0x08000000)
#define RCC_AHB1Periph_ETH_MAC_PTP ((std::uint32_t)0x10000000)
#define RCC_AHB1Periph_OTG_HS ((std::uint32_t)0x20000000)
#define RCC_AHB1Periph_OTG_HS_ULPI ((std::uint32_t)0x40000000)
#define IS_RCC_AHB1_CLOCK_PERIPH(PERIPH) ((((PERIPH) & 0x819BEE00u) == 0x00) && ((PERIPH) != 0x00))

// APB1 peripherals (APB1ENR bits).
#define RCC_APB1Periph_TIM2 ((std::uint32_t)0x00000001)
#define RCC_APB1Periph_TIM3 ((std::uint32_t)0x00000002)
#define RCC_APB1Periph_TIM4 ((std::uint32_t)0x00000004)
#define RCC_APB1Periph_TIM5 ((std::uint32_t)0x00000008)
#define RCC_APB1Periph_TIM6 ((std::uint32_t)0x00000010)
#define RCC_APB1Periph_TIM7 ((std::uint32_t)0x00000020)
#define RCC_APB1Periph_TIM12 ((std::uint32_t)0x00000040)
#define RCC_APB1Periph_TIM13 ((std::uint32_t)0x00000080)
#define RCC_APB1Periph_TIM14 ((std::uint32_t)0x00000100)
#define RCC_APB1Periph_WWDG ((std::uint32_t)0x00000800)
#define RCC_APB1Periph_SPI2 ((std::uint32_t)0x00004000)
#define RCC_APB1Periph_SPI3 ((std::uint32_t)0x00008000)
#define RCC_APB1Periph_USART2 ((std::uint32_t)0x00020000)
#define RCC_APB1Periph_USART3 ((std::uint32_t)0x00040000)
#define RCC_APB1Periph_UART4 ((std::uint32_t)0x00080000)
#define RCC_APB1Periph_UART5 ((std::uint32_t)0x00100000)
#define RCC_APB1Periph_I2C1 ((std::uint32_t)0x00200000)
#define RCC_APB1Periph_I2C2 ((std::uint32_t)0x00400000)
#define RCC_APB1Periph_I2C3 ((std::uint32_t)0x00800000)
#define RCC_APB1Periph_CAN1 ((std::uint32_t)0x02000000)
#define RCC_APB1Periph_CAN2 ((std::uint32_t)0x04000000)
#define RCC_APB1Periph_PWR ((std::uint32_t)0x10000000)
#define RCC_APB1Periph_DAC ((std::uint32_t)0x20000000)
#define IS_RCC_APB1_PERIPH(PERIPH) ((((PERIPH) & 0xC9013600u) == 0x00) && ((PERIPH) != 0x00))

// APB2 peripherals (APB2ENR and APB2RSTR bits).
#define RCC_APB2Periph_TIM1 ((std::uint32_t)0x00000001)
#define RCC_APB2Periph_TIM8 ((std::uint32_t)0x00000002)
#define RCC_APB2Periph_USART1 ((std::uint32_t)0x00000010)
#define RCC_APB2Periph_USART6 ((std::uint32_t)0x00000020)
#define RCC_APB2Periph_ADC ((std::uint32_t)0x00000100)
#define RCC_APB2Periph_ADC1 ((std::uint32_t)0x00000100)
#define RCC_APB2Periph_ADC2 ((std::uint32_t)0x00000200)
#define RCC_APB2Periph_ADC3 ((std::uint32_t)0x00000400)
#define RCC_APB2Periph_SDIO ((std::uint32_t)0x00000800)
#define RCC_APB2Periph_SPI1 ((std::uint32_t)0x00001000)
#define RCC_APB2Periph_SYSCFG ((std::uint32_t)0x00004000)
#define RCC_APB2Periph_TIM9 ((std::uint32_t)0x00010000)
#define RCC_APB2Periph_TIM10 ((std::uint32_t)0x00020000)
#define RCC_APB2Periph_TIM11 ((std::uint32_t)0x00040000)
#define IS_RCC_APB2_PERIPH(PERIPH) ((((PERIPH) & 0xFFF8A0CCu) == 0x00) && ((PERIPH) != 0x00))

// Right-shift of each prescaler field value (see RCC_GetClocksFreq).
extern std::uint8_t APBAHBPrescTable[16];

void RCC_GetClocksFreq(RCC_ClocksTypeDef* RCC_Clocks);
void RCC_AHB1PeriphClockCmd(std::uint32_t RCC_AHB1Periph, FunctionalState NewState);
void RCC_APB1PeriphClockCmd(std::uint32_t RCC_APB1Periph, FunctionalState NewState);
void RCC_APB2PeriphClockCmd(std::uint32_t RCC_APB2Periph, FunctionalState NewState);
void RCC_APB2PeriphResetCmd(std::uint32_t RCC_APB2Periph, FunctionalState NewState);

#endif
