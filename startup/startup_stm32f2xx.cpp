// What runs before main: the vector table at the start of flash, the reset
// entry that puts the RAM image in place, and the handler of every interrupt
// the system does not serve.
#include <cstdint>

#include "stm32f2xx.h"

extern "C" {
// Memory image boundaries, set by startup/tiltmon.ld.
extern std::uint32_t _estack[];
extern std::uint32_t _sidata[];
extern std::uint32_t _sdata[];
extern std::uint32_t _edata[];
extern std::uint32_t _sbss[];
extern std::uint32_t _ebss[];

void SystemInit(void);
void __libc_init_array(void);
int main(void);

[[noreturn]] void Reset_Handler(void);
void Default_Handler(void) noexcept;

// A module that defines one of these names takes its slot; every other slot
// ends in Default_Handler.
#define TILTMON_WEAK_HANDLER(name) void name(void) noexcept __attribute__((weak, alias("Default_Handler")))

TILTMON_WEAK_HANDLER(NMI_Handler);
TILTMON_WEAK_HANDLER(HardFault_Handler);
TILTMON_WEAK_HANDLER(MemManage_Handler);
TILTMON_WEAK_HANDLER(BusFault_Handler);
TILTMON_WEAK_HANDLER(UsageFault_Handler);
TILTMON_WEAK_HANDLER(SVC_Handler);
TILTMON_WEAK_HANDLER(DebugMon_Handler);
TILTMON_WEAK_HANDLER(PendSV_Handler);
TILTMON_WEAK_HANDLER(SysTick_Handler);

TILTMON_WEAK_HANDLER(WWDG_IRQHandler);
TILTMON_WEAK_HANDLER(PVD_IRQHandler);
TILTMON_WEAK_HANDLER(TAMP_STAMP_IRQHandler);
TILTMON_WEAK_HANDLER(RTC_WKUP_IRQHandler);
TILTMON_WEAK_HANDLER(FLASH_IRQHandler);
TILTMON_WEAK_HANDLER(RCC_IRQHandler);
TILTMON_WEAK_HANDLER(EXTI0_IRQHandler);
TILTMON_WEAK_HANDLER(EXTI1_IRQHandler);
TILTMON_WEAK_HANDLER(EXTI2_IRQHandler);
TILTMON_WEAK_HANDLER(EXTI3_IRQHandler);
TILTMON_WEAK_HANDLER(EXTI4_IRQHandler);
TILTMON_WEAK_HANDLER(DMA1_Stream0_IRQHandler);
TILTMON_WEAK_HANDLER(DMA1_Stream1_IRQHandler);
TILTMON_WEAK_HANDLER(DMA1_Stream2_IRQHandler);
TILTMON_WEAK_HANDLER(DMA1_Stream3_IRQHandler);
TILTMON_WEAK_HANDLER(DMA1_Stream4_IRQHandler);
TILTMON_WEAK_HANDLER(DMA1_Stream5_IRQHandler);
TILTMON_WEAK_HANDLER(DMA1_Stream6_IRQHandler);
TILTMON_WEAK_HANDLER(ADC_IRQHandler);
TILTMON_WEAK_HANDLER(CAN1_TX_IRQHandler);
TILTMON_WEAK_HANDLER(CAN1_RX0_IRQHandler);
TILTMON_WEAK_HANDLER(CAN1_RX1_IRQHandler);
TILTMON_WEAK_HANDLER(CAN1_SCE_IRQHandler);
TILTMON_WEAK_HANDLER(EXTI9_5_IRQHandler);
TILTMON_WEAK_HANDLER(TIM1_BRK_TIM9_IRQHandler);
TILTMON_WEAK_HANDLER(TIM1_UP_TIM10_IRQHandler);
TILTMON_WEAK_HANDLER(TIM1_TRG_COM_TIM11_IRQHandler);
TILTMON_WEAK_HANDLER(TIM1_CC_IRQHandler);
TILTMON_WEAK_HANDLER(TIM2_IRQHandler);
TILTMON_WEAK_HANDLER(TIM3_IRQHandler);
TILTMON_WEAK_HANDLER(TIM4_IRQHandler);
TILTMON_WEAK_HANDLER(I2C1_EV_IRQHandler);
TILTMON_WEAK_HANDLER(I2C1_ER_IRQHandler);
TILTMON_WEAK_HANDLER(I2C2_EV_IRQHandler);
TILTMON_WEAK_HANDLER(I2C2_ER_IRQHandler);
TILTMON_WEAK_HANDLER(SPI1_IRQHandler);
TILTMON_WEAK_HANDLER(SPI2_IRQHandler);
TILTMON_WEAK_HANDLER(USART1_IRQHandler);
TILTMON_WEAK_HANDLER(USART2_IRQHandler);
TILTMON_WEAK_HANDLER(USART3_IRQHandler);
TILTMON_WEAK_HANDLER(EXTI15_10_IRQHandler);
TILTMON_WEAK_HANDLER(RTC_Alarm_IRQHandler);
TILTMON_WEAK_HANDLER(OTG_FS_WKUP_IRQHandler);
TILTMON_WEAK_HANDLER(TIM8_BRK_TIM12_IRQHandler);
TILTMON_WEAK_HANDLER(TIM8_UP_TIM13_IRQHandler);
TILTMON_WEAK_HANDLER(TIM8_TRG_COM_TIM14_IRQHandler);
TILTMON_WEAK_HANDLER(TIM8_CC_IRQHandler);
TILTMON_WEAK_HANDLER(DMA1_Stream7_IRQHandler);
TILTMON_WEAK_HANDLER(FSMC_IRQHandler);
TILTMON_WEAK_HANDLER(SDIO_IRQHandler);
TILTMON_WEAK_HANDLER(TIM5_IRQHandler);
TILTMON_WEAK_HANDLER(SPI3_IRQHandler);
TILTMON_WEAK_HANDLER(UART4_IRQHandler);
TILTMON_WEAK_HANDLER(UART5_IRQHandler);
TILTMON_WEAK_HANDLER(TIM6_DAC_IRQHandler);
TILTMON_WEAK_HANDLER(TIM7_IRQHandler);
TILTMON_WEAK_HANDLER(DMA2_Stream0_IRQHandler);
TILTMON_WEAK_HANDLER(DMA2_Stream1_IRQHandler);
TILTMON_WEAK_HANDLER(DMA2_Stream2_IRQHandler);
TILTMON_WEAK_HANDLER(DMA2_Stream3_IRQHandler);
TILTMON_WEAK_HANDLER(DMA2_Stream4_IRQHandler);
TILTMON_WEAK_HANDLER(ETH_IRQHandler);
TILTMON_WEAK_HANDLER(ETH_WKUP_IRQHandler);
TILTMON_WEAK_HANDLER(CAN2_TX_IRQHandler);
TILTMON_WEAK_HANDLER(CAN2_RX0_IRQHandler);
TILTMON_WEAK_HANDLER(CAN2_RX1_IRQHandler);
TILTMON_WEAK_HANDLER(CAN2_SCE_IRQHandler);
TILTMON_WEAK_HANDLER(OTG_FS_IRQHandler);
TILTMON_WEAK_HANDLER(DMA2_Stream5_IRQHandler);
TILTMON_WEAK_HANDLER(DMA2_Stream6_IRQHandler);
TILTMON_WEAK_HANDLER(DMA2_Stream7_IRQHandler);
TILTMON_WEAK_HANDLER(USART6_IRQHandler);
TILTMON_WEAK_HANDLER(I2C3_EV_IRQHandler);
TILTMON_WEAK_HANDLER(I2C3_ER_IRQHandler);
TILTMON_WEAK_HANDLER(OTG_HS_EP1_OUT_IRQHandler);
TILTMON_WEAK_HANDLER(OTG_HS_EP1_IN_IRQHandler);
TILTMON_WEAK_HANDLER(OTG_HS_WKUP_IRQHandler);
TILTMON_WEAK_HANDLER(OTG_HS_IRQHandler);
TILTMON_WEAK_HANDLER(DCMI_IRQHandler);
TILTMON_WEAK_HANDLER(CRYP_IRQHandler);
TILTMON_WEAK_HANDLER(HASH_RNG_IRQHandler);

#undef TILTMON_WEAK_HANDLER
}  // extern "C"

namespace {

using Vector = void (*)(void);

constexpr int kCoreVectorCount = 16;
constexpr int kDeviceVectorCount = HASH_RNG_IRQn + 1;
constexpr int kVectorCount = kCoreVectorCount + kDeviceVectorCount;
static_assert(kVectorCount == 97, "16 core words and 81 device words");

}  // namespace

// The core reads word 0 as the initial main stack pointer and word 1 as the
// reset entry; from word 16 on, word 16 + n serves device interrupt n.
extern "C" __attribute__((section(".isr_vector"), used)) const Vector g_pfnVectors[kVectorCount] = {
    reinterpret_cast<Vector>(_estack),
    Reset_Handler,
    NMI_Handler,
    HardFault_Handler,
    MemManage_Handler,
    BusFault_Handler,
    UsageFault_Handler,
    nullptr,
    nullptr,
    nullptr,
    nullptr,
    SVC_Handler,
    DebugMon_Handler,
    nullptr,
    PendSV_Handler,
    SysTick_Handler,

    WWDG_IRQHandler,
    PVD_IRQHandler,
    TAMP_STAMP_IRQHandler,
    RTC_WKUP_IRQHandler,
    FLASH_IRQHandler,
    RCC_IRQHandler,
    EXTI0_IRQHandler,
    EXTI1_IRQHandler,
    EXTI2_IRQHandler,
    EXTI3_IRQHandler,
    EXTI4_IRQHandler,
    DMA1_Stream0_IRQHandler,
    DMA1_Stream1_IRQHandler,
    DMA1_Stream2_IRQHandler,
    DMA1_Stream3_IRQHandler,
    DMA1_Stream4_IRQHandler,
    DMA1_Stream5_IRQHandler,
    DMA1_Stream6_IRQHandler,
    ADC_IRQHandler,
    CAN1_TX_IRQHandler,
    CAN1_RX0_IRQHandler,
    CAN1_RX1_IRQHandler,
    CAN1_SCE_IRQHandler,
    EXTI9_5_IRQHandler,
    TIM1_BRK_TIM9_IRQHandler,
    TIM1_UP_TIM10_IRQHandler,
    TIM1_TRG_COM_TIM11_IRQHandler,
    TIM1_CC_IRQHandler,
    TIM2_IRQHandler,
    TIM3_IRQHandler,
    TIM4_IRQHandler,
    I2C1_EV_IRQHandler,
    I2C1_ER_IRQHandler,
    I2C2_EV_IRQHandler,
    I2C2_ER_IRQHandler,
    SPI1_IRQHandler,
    SPI2_IRQHandler,
    USART1_IRQHandler,
    USART2_IRQHandler,
    USART3_IRQHandler,
    EXTI15_10_IRQHandler,
    RTC_Alarm_IRQHandler,
    OTG_FS_WKUP_IRQHandler,
    TIM8_BRK_TIM12_IRQHandler,
    TIM8_UP_TIM13_IRQHandler,
    TIM8_TRG_COM_TIM14_IRQHandler,
    TIM8_CC_IRQHandler,
    DMA1_Stream7_IRQHandler,
    FSMC_IRQHandler,
    SDIO_IRQHandler,
    TIM5_IRQHandler,
    SPI3_IRQHandler,
    UART4_IRQHandler,
    UART5_IRQHandler,
    TIM6_DAC_IRQHandler,
    TIM7_IRQHandler,
    DMA2_Stream0_IRQHandler,
    DMA2_Stream1_IRQHandler,
    DMA2_Stream2_IRQHandler,
    DMA2_Stream3_IRQHandler,
    DMA2_Stream4_IRQHandler,
    ETH_IRQHandler,
    ETH_WKUP_IRQHandler,
    CAN2_TX_IRQHandler,
    CAN2_RX0_IRQHandler,
    CAN2_RX1_IRQHandler,
    CAN2_SCE_IRQHandler,
    OTG_FS_IRQHandler,
    DMA2_Stream5_IRQHandler,
    DMA2_Stream6_IRQHandler,
    DMA2_Stream7_IRQHandler,
    USART6_IRQHandler,
    I2C3_EV_IRQHandler,
    I2C3_ER_IRQHandler,
    OTG_HS_EP1_OUT_IRQHandler,
    OTG_HS_EP1_IN_IRQHandler,
    OTG_HS_WKUP_IRQHandler,
    OTG_HS_IRQHandler,
    DCMI_IRQHandler,
    CRYP_IRQHandler,
    HASH_RNG_IRQHandler,
};

// The core has already loaded the stack pointer from word 0. The two loops
// test before each word so that an empty section is left alone; this file is
// built without loop-to-library-call conversion, since memcpy and memset
// must not run before the RAM image exists.
extern "C" void Reset_Handler(void)
{
    const auto data_end = reinterpret_cast<std::uintptr_t>(_edata);
    const std::uint32_t* source = _sidata;
    for (std::uint32_t* word = _sdata; reinterpret_cast<std::uintptr_t>(word) < data_end; ++word, ++source) {
        *word = *source;
    }

    const auto bss_end = reinterpret_cast<std::uintptr_t>(_ebss);
    for (std::uint32_t* word = _sbss; reinterpret_cast<std::uintptr_t>(word) < bss_end; ++word) {
        *word = 0;
    }

    // The clock set-up reads and writes initialised data, so it comes after the copy.
    SystemInit();
    __libc_init_array();
    main();

    for (;;) {
    }
}

// Stops the system with interrupts of the same or lower priority blocked;
// a debugger finds it at Infinite_Loop.
extern "C" __attribute__((naked)) void Default_Handler(void) noexcept
{
    __asm volatile(
        "Infinite_Loop:\n"
        "    b Infinite_Loop\n");
}
