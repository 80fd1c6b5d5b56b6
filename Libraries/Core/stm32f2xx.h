// Device definitions of the STM32F2xx as this system uses it: interrupt
// numbers, register blocks at their bus addresses and the common types of the
// peripheral access layer. Block layouts are the chip's, reserved half-words
// included, so offsets match the reference manual on both builds.
#ifndef TILTMON_STM32F2XX_H
#define TILTMON_STM32F2XX_H

#include <cstddef>
#include <cstdint>

#include "cortex_m3.h"
#include "reg_access.h"

enum IRQn_Type : int {
    NonMaskableInt_IRQn = -14,
    HardFault_IRQn = -13,
    MemoryManagement_IRQn = -12,
    BusFault_IRQn = -11,
    UsageFault_IRQn = -10,
    SVCall_IRQn = -5,
    DebugMonitor_IRQn = -4,
    PendSV_IRQn = -2,
    SysTick_IRQn = -1,
    WWDG_IRQn = 0,
    PVD_IRQn,
    TAMP_STAMP_IRQn,
    RTC_WKUP_IRQn,
    FLASH_IRQn,
    RCC_IRQn,
    EXTI0_IRQn,
    EXTI1_IRQn,
    EXTI2_IRQn,
    EXTI3_IRQn,
    EXTI4_IRQn,
    DMA1_Stream0_IRQn,
    DMA1_Stream1_IRQn,
    DMA1_Stream2_IRQn,
    DMA1_Stream3_IRQn,
    DMA1_Stream4_IRQn,
    DMA1_Stream5_IRQn,
    DMA1_Stream6_IRQn,
    ADC_IRQn,
    CAN1_TX_IRQn,
    CAN1_RX0_IRQn,
    CAN1_RX1_IRQn,
    CAN1_SCE_IRQn,
    EXTI9_5_IRQn,
    TIM1_BRK_TIM9_IRQn,
    TIM1_UP_TIM10_IRQn,
    TIM1_TRG_COM_TIM11_IRQn,
    TIM1_CC_IRQn,
    TIM2_IRQn,
    TIM3_IRQn,
    TIM4_IRQn,
    I2C1_EV_IRQn,
    I2C1_ER_IRQn,
    I2C2_EV_IRQn,
    I2C2_ER_IRQn,
    SPI1_IRQn,
    SPI2_IRQn,
    USART1_IRQn,
    USART2_IRQn,
    USART3_IRQn,
    EXTI15_10_IRQn,
    RTC_Alarm_IRQn,
    OTG_FS_WKUP_IRQn,
    TIM8_BRK_TIM12_IRQn,
    TIM8_UP_TIM13_IRQn,
    TIM8_TRG_COM_TIM14_IRQn,
    TIM8_CC_IRQn,
    DMA1_Stream7_IRQn,
    FSMC_IRQn,
    SDIO_IRQn,
    TIM5_IRQn,
    SPI3_IRQn,
    UART4_IRQn,
    UART5_IRQn,
    TIM6_DAC_IRQn,
    TIM7_IRQn,
    DMA2_Stream0_IRQn,
    DMA2_Stream1_IRQn,
    DMA2_Stream2_IRQn,
    DMA2_Stream3_IRQn,
    DMA2_Stream4_IRQn,
    ETH_IRQn,
    ETH_WKUP_IRQn,
    CAN2_TX_IRQn,
    CAN2_RX0_IRQn,
    CAN2_RX1_IRQn,
    CAN2_SCE_IRQn,
    OTG_FS_IRQn,
    DMA2_Stream5_IRQn,
    DMA2_Stream6_IRQn,
    DMA2_Stream7_IRQn,
    USART6_IRQn,
    I2C3_EV_IRQn,
    I2C3_ER_IRQn,
    OTG_HS_EP1_OUT_IRQn,
    OTG_HS_EP1_IN_IRQn,
    OTG_HS_WKUP_IRQn,
    OTG_HS_IRQn,
    DCMI_IRQn,
    CRYP_IRQn,
    HASH_RNG_IRQn,
};
static_assert(EXTI15_10_IRQn == 40 && HASH_RNG_IRQn == 80);

enum FunctionalState : std::uint8_t { DISABLE = 0, ENABLE = 1 };
enum FlagStatus : std::uint8_t { RESET = 0, SET = 1 };
typedef FlagStatus ITStatus;

#define IS_FUNCTIONAL_STATE(STATE) (((STATE) == DISABLE) || ((STATE) == ENABLE))

struct RCC_TypeDef {
    Reg<std::uint32_t> CR;          // 0x00 clock control
    Reg<std::uint32_t> PLLCFGR;     // 0x04 main PLL configuration
    Reg<std::uint32_t> CFGR;        // 0x08 clock configuration
    Reg<std::uint32_t> CIR;         // 0x0C clock interrupts
    Reg<std::uint32_t> AHB1RSTR;    // 0x10
    Reg<std::uint32_t> AHB2RSTR;    // 0x14
    Reg<std::uint32_t> AHB3RSTR;    // 0x18
    std::uint32_t RESERVED0;        // 0x1C
    Reg<std::uint32_t> APB1RSTR;    // 0x20
    Reg<std::uint32_t> APB2RSTR;    // 0x24
    std::uint32_t RESERVED1[2];     // 0x28
    Reg<std::uint32_t> AHB1ENR;     // 0x30
    Reg<std::uint32_t> AHB2ENR;     // 0x34
    Reg<std::uint32_t> AHB3ENR;     // 0x38
    std::uint32_t RESERVED2;        // 0x3C
    Reg<std::uint32_t> APB1ENR;     // 0x40
    Reg<std::uint32_t> APB2ENR;     // 0x44
    std::uint32_t RESERVED3[2];     // 0x48
    Reg<std::uint32_t> AHB1LPENR;   // 0x50
    Reg<std::uint32_t> AHB2LPENR;   // 0x54
    Reg<std::uint32_t> AHB3LPENR;   // 0x58
    std::uint32_t RESERVED4;        // 0x5C
    Reg<std::uint32_t> APB1LPENR;   // 0x60
    Reg<std::uint32_t> APB2LPENR;   // 0x64
    std::uint32_t RESERVED5[2];     // 0x68
    Reg<std::uint32_t> BDCR;        // 0x70
    Reg<std::uint32_t> CSR;         // 0x74
    std::uint32_t RESERVED6[2];     // 0x78
    Reg<std::uint32_t> SSCGR;       // 0x80
    Reg<std::uint32_t> PLLI2SCFGR;  // 0x84
};
static_assert(offsetof(RCC_TypeDef, AHB1ENR) == 0x30);
static_assert(offsetof(RCC_TypeDef, APB2ENR) == 0x44);
static_assert(offsetof(RCC_TypeDef, PLLI2SCFGR) == 0x84);

struct GPIO_TypeDef {
    Reg<std::uint32_t> MODER;    // 0x00 mode, 2 bits a pin
    Reg<std::uint32_t> OTYPER;   // 0x04 output type, 1 bit a pin
    Reg<std::uint32_t> OSPEEDR;  // 0x08 speed, 2 bits a pin
    Reg<std::uint32_t> PUPDR;    // 0x0C pull-up / pull-down, 2 bits a pin
    Reg<std::uint32_t> IDR;      // 0x10 input levels
    Reg<std::uint32_t> ODR;      // 0x14 output levels
    Reg<std::uint16_t> BSRRL;    // 0x18 a 1 sets the pin
    Reg<std::uint16_t> BSRRH;    // 0x1A a 1 clears the pin
    Reg<std::uint32_t> LCKR;     // 0x1C
    Reg<std::uint32_t> AFR[2];   // 0x20 alternate function, 4 bits a pin
};
static_assert(offsetof(GPIO_TypeDef, BSRRH) == 0x1A);
static_assert(offsetof(GPIO_TypeDef, AFR) == 0x20);

struct USART_TypeDef {
    Reg<std::uint16_t> SR;  // 0x00 status
    std::uint16_t RESERVED0;
    Reg<std::uint16_t> DR;  // 0x04 data
    std::uint16_t RESERVED1;
    Reg<std::uint16_t> BRR;  // 0x08 baud rate
    std::uint16_t RESERVED2;
    Reg<std::uint16_t> CR1;  // 0x0C
    std::uint16_t RESERVED3;
    Reg<std::uint16_t> CR2;  // 0x10
    std::uint16_t RESERVED4;
    Reg<std::uint16_t> CR3;  // 0x14
    std::uint16_t RESERVED5;
    Reg<std::uint16_t> GTPR;  // 0x18 guard time and prescaler
    std::uint16_t RESERVED6;
};
static_assert(offsetof(USART_TypeDef, GTPR) == 0x18);

struct SPI_TypeDef {
    Reg<std::uint16_t> CR1;  // 0x00
    std::uint16_t RESERVED0;
    Reg<std::uint16_t> CR2;  // 0x04
    std::uint16_t RESERVED1;
    Reg<std::uint16_t> SR;  // 0x08
    std::uint16_t RESERVED2;
    Reg<std::uint16_t> DR;  // 0x0C
    std::uint16_t RESERVED3;
    Reg<std::uint16_t> CRCPR;  // 0x10
    std::uint16_t RESERVED4;
    Reg<std::uint16_t> RXCRCR;  // 0x14
    std::uint16_t RESERVED5;
    Reg<std::uint16_t> TXCRCR;  // 0x18
    std::uint16_t RESERVED6;
    Reg<std::uint16_t> I2SCFGR;  // 0x1C
    std::uint16_t RESERVED7;
    Reg<std::uint16_t> I2SPR;  // 0x20
    std::uint16_t RESERVED8;
};
static_assert(offsetof(SPI_TypeDef, I2SPR) == 0x20);

struct TIM_TypeDef {
    Reg<std::uint16_t> CR1;  // 0x00
    std::uint16_t RESERVED0;
    Reg<std::uint16_t> CR2;  // 0x04
    std::uint16_t RESERVED1;
    Reg<std::uint16_t> SMCR;  // 0x08
    std::uint16_t RESERVED2;
    Reg<std::uint16_t> DIER;  // 0x0C
    std::uint16_t RESERVED3;
    Reg<std::uint16_t> SR;  // 0x10
    std::uint16_t RESERVED4;
    Reg<std::uint16_t> EGR;  // 0x14
    std::uint16_t RESERVED5;
    Reg<std::uint16_t> CCMR1;  // 0x18
    std::uint16_t RESERVED6;
    Reg<std::uint16_t> CCMR2;  // 0x1C
    std::uint16_t RESERVED7;
    Reg<std::uint16_t> CCER;  // 0x20
    std::uint16_t RESERVED8;
    Reg<std::uint32_t> CNT;  // 0x24
    Reg<std::uint16_t> PSC;  // 0x28
    std::uint16_t RESERVED9;
    Reg<std::uint32_t> ARR;  // 0x2C
    Reg<std::uint16_t> RCR;  // 0x30
    std::uint16_t RESERVED10;
    Reg<std::uint32_t> CCR1;  // 0x34
    Reg<std::uint32_t> CCR2;  // 0x38
    Reg<std::uint32_t> CCR3;  // 0x3C
    Reg<std::uint32_t> CCR4;  // 0x40
    Reg<std::uint16_t> BDTR;  // 0x44
    std::uint16_t RESERVED11;
    Reg<std::uint16_t> DCR;  // 0x48
    std::uint16_t RESERVED12;
    Reg<std::uint16_t> DMAR;  // 0x4C
    std::uint16_t RESERVED13;
    Reg<std::uint16_t> OR;  // 0x50
    std::uint16_t RESERVED14;
};
static_assert(offsetof(TIM_TypeDef, CNT) == 0x24);
static_assert(offsetof(TIM_TypeDef, OR) == 0x50);

struct FLASH_TypeDef {
    Reg<std::uint32_t> ACR;      // 0x00 access control
    Reg<std::uint32_t> KEYR;     // 0x04 key
    Reg<std::uint32_t> OPTKEYR;  // 0x08 option key
    Reg<std::uint32_t> SR;       // 0x0C status
    Reg<std::uint32_t> CR;       // 0x10 control
    Reg<std::uint32_t> OPTCR;    // 0x14 option control
};

struct EXTI_TypeDef {
    Reg<std::uint32_t> IMR;    // 0x00 interrupt mask
    Reg<std::uint32_t> EMR;    // 0x04 event mask
    Reg<std::uint32_t> RTSR;   // 0x08 rising trigger
    Reg<std::uint32_t> FTSR;   // 0x0C falling trigger
    Reg<std::uint32_t> SWIER;  // 0x10 software interrupt
    Reg<std::uint32_t> PR;     // 0x14 pending, a 1 written clears
};

struct SYSCFG_TypeDef {
    Reg<std::uint32_t> MEMRMP;     // 0x00
    Reg<std::uint32_t> PMC;        // 0x04
    Reg<std::uint32_t> EXTICR[4];  // 0x08 port of each EXTI line, 4 bits a line
    std::uint32_t RESERVED[2];     // 0x18
    Reg<std::uint32_t> CMPCR;      // 0x20
};
static_assert(offsetof(SYSCFG_TypeDef, CMPCR) == 0x20);

// Bus addresses.
#define FLASH_BASE 0x08000000UL
#define SRAM_BASE 0x20000000UL
#define PERIPH_BASE 0x40000000UL
#define APB1PERIPH_BASE PERIPH_BASE
#define APB2PERIPH_BASE (PERIPH_BASE + 0x00010000UL)
#define AHB1PERIPH_BASE (PERIPH_BASE + 0x00020000UL)

// Bit-band alias of the peripheral region: one word per bit, so a write to
// the word changes that bit alone, in one bus access.
#define PERIPH_BB_BASE 0x42000000UL
constexpr std::uint32_t periph_bit_band_alias(std::uint32_t register_address, unsigned bit)
{
    return static_cast<std::uint32_t>(PERIPH_BB_BASE) + (register_address - static_cast<std::uint32_t>(PERIPH_BASE)) * 32u +
           bit * 4u;
}

#define TIM2_BASE (APB1PERIPH_BASE + 0x0000UL)
#define TIM3_BASE (APB1PERIPH_BASE + 0x0400UL)
#define TIM4_BASE (APB1PERIPH_BASE + 0x0800UL)
#define TIM5_BASE (APB1PERIPH_BASE + 0x0C00UL)
#define TIM6_BASE (APB1PERIPH_BASE + 0x1000UL)
#define TIM7_BASE (APB1PERIPH_BASE + 0x1400UL)
#define TIM12_BASE (APB1PERIPH_BASE + 0x1800UL)
#define TIM13_BASE (APB1PERIPH_BASE + 0x1C00UL)
#define TIM14_BASE (APB1PERIPH_BASE + 0x2000UL)
#define SPI2_BASE (APB1PERIPH_BASE + 0x3800UL)
#define SPI3_BASE (APB1PERIPH_BASE + 0x3C00UL)
#define USART2_BASE (APB1PERIPH_BASE + 0x4400UL)
#define USART3_BASE (APB1PERIPH_BASE + 0x4800UL)
#define UART4_BASE (APB1PERIPH_BASE + 0x4C00UL)
#define UART5_BASE (APB1PERIPH_BASE + 0x5000UL)

#define TIM1_BASE (APB2PERIPH_BASE + 0x0000UL)
#define TIM8_BASE (APB2PERIPH_BASE + 0x0400UL)
#define USART1_BASE (APB2PERIPH_BASE + 0x1000UL)
#define USART6_BASE (APB2PERIPH_BASE + 0x1400UL)
#define SPI1_BASE (APB2PERIPH_BASE + 0x3000UL)
#define SYSCFG_BASE (APB2PERIPH_BASE + 0x3800UL)
#define EXTI_BASE (APB2PERIPH_BASE + 0x3C00UL)
#define TIM9_BASE (APB2PERIPH_BASE + 0x4000UL)
#define TIM10_BASE (APB2PERIPH_BASE + 0x4400UL)
#define TIM11_BASE (APB2PERIPH_BASE + 0x4800UL)

#define GPIOA_BASE (AHB1PERIPH_BASE + 0x0000UL)
#define GPIOB_BASE (AHB1PERIPH_BASE + 0x0400UL)
#define GPIOC_BASE (AHB1PERIPH_BASE + 0x0800UL)
#define GPIOD_BASE (AHB1PERIPH_BASE + 0x0C00UL)
#define GPIOE_BASE (AHB1PERIPH_BASE + 0x1000UL)
#define GPIOF_BASE (AHB1PERIPH_BASE + 0x1400UL)
#define GPIOG_BASE (AHB1PERIPH_BASE + 0x1800UL)
#define GPIOH_BASE (AHB1PERIPH_BASE + 0x1C00UL)
#define GPIOI_BASE (AHB1PERIPH_BASE + 0x2000UL)
#define RCC_BASE (AHB1PERIPH_BASE + 0x3800UL)
#define FLASH_R_BASE (AHB1PERIPH_BASE + 0x3C00UL)

#define TIM1 ((TIM_TypeDef*)TIM1_BASE)
#define TIM2 ((TIM_TypeDef*)TIM2_BASE)
#define TIM3 ((TIM_TypeDef*)TIM3_BASE)
#define TIM4 ((TIM_TypeDef*)TIM4_BASE)
#define TIM5 ((TIM_TypeDef*)TIM5_BASE)
#define TIM6 ((TIM_TypeDef*)TIM6_BASE)
#define TIM7 ((TIM_TypeDef*)TIM7_BASE)
#define TIM8 ((TIM_TypeDef*)TIM8_BASE)
#define TIM9 ((TIM_TypeDef*)TIM9_BASE)
#define TIM10 ((TIM_TypeDef*)TIM10_BASE)
#define TIM11 ((TIM_TypeDef*)TIM11_BASE)
#define TIM12 ((TIM_TypeDef*)TIM12_BASE)
#define TIM13 ((TIM_TypeDef*)TIM13_BASE)
#define TIM14 ((TIM_TypeDef*)TIM14_BASE)
#define SPI1 ((SPI_TypeDef*)SPI1_BASE)
#define SPI2 ((SPI_TypeDef*)SPI2_BASE)
#define SPI3 ((SPI_TypeDef*)SPI3_BASE)
#define USART1 ((USART_TypeDef*)USART1_BASE)
#define USART2 ((USART_TypeDef*)USART2_BASE)
#define USART3 ((USART_TypeDef*)USART3_BASE)
#define UART4 ((USART_TypeDef*)UART4_BASE)
#define UART5 ((USART_TypeDef*)UART5_BASE)
#define USART6 ((USART_TypeDef*)USART6_BASE)
#define SYSCFG ((SYSCFG_TypeDef*)SYSCFG_BASE)
#define EXTI ((EXTI_TypeDef*)EXTI_BASE)
#define GPIOA ((GPIO_TypeDef*)GPIOA_BASE)
#define GPIOB ((GPIO_TypeDef*)GPIOB_BASE)
#define GPIOC ((GPIO_TypeDef*)GPIOC_BASE)
#define GPIOD ((GPIO_TypeDef*)GPIOD_BASE)
#define GPIOE ((GPIO_TypeDef*)GPIOE_BASE)
#define GPIOF ((GPIO_TypeDef*)GPIOF_BASE)
#define GPIOG ((GPIO_TypeDef*)GPIOG_BASE)
#define GPIOH ((GPIO_TypeDef*)GPIOH_BASE)
#define GPIOI ((GPIO_TypeDef*)GPIOI_BASE)
#define RCC ((RCC_TypeDef*)RCC_BASE)
#define FLASH ((FLASH_TypeDef*)FLASH_R_BASE)

// Bits of the clock control block used by the clock set-up.
#define RCC_CR_HSION 0x00000001U
#define RCC_CR_HSIRDY 0x00000002U
#define RCC_CR_HSEON 0x00010000U
#define RCC_CR_HSERDY 0x00020000U
#define RCC_CR_HSEBYP 0x00040000U
#define RCC_CR_CSSON 0x00080000U
#define RCC_CR_PLLON 0x01000000U
#define RCC_CR_PLLRDY 0x02000000U
#define RCC_PLLCFGR_PLLM 0x0000003FU
#define RCC_PLLCFGR_PLLN 0x00007FC0U
#define RCC_PLLCFGR_PLLP 0x00030000U
#define RCC_PLLCFGR_PLLSRC 0x00400000U
#define RCC_CFGR_SW 0x00000003U
#define RCC_CFGR_SW_PLL 0x00000002U
#define RCC_CFGR_SWS 0x0000000CU
#define RCC_CFGR_SWS_HSI 0x00000000U
#define RCC_CFGR_SWS_HSE 0x00000004U
#define RCC_CFGR_SWS_PLL 0x00000008U
#define RCC_CFGR_HPRE 0x000000F0U
#define RCC_CFGR_HPRE_DIV1 0x00000000U
#define RCC_CFGR_PPRE1 0x00001C00U
#define RCC_CFGR_PPRE1_DIV4 0x00001400U
#define RCC_CFGR_PPRE2 0x0000E000U
#define RCC_CFGR_PPRE2_DIV2 0x00008000U

#define FLASH_ACR_PRFTEN 0x00000100U
#define FLASH_ACR_ICEN 0x00000200U
#define FLASH_ACR_DCEN 0x00000400U
#define FLASH_ACR_LATENCY_3WS 0x00000003U

#endif
