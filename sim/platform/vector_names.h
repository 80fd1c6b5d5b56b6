// The firmware's exception and interrupt handlers by name, in the order of
// the chip's vector table from word 2 on: X(number, name) for each slot that
// has a handler name (the reserved words have none).
#ifndef SIM_PLATFORM_VECTOR_NAMES_H
#define SIM_PLATFORM_VECTOR_NAMES_H

#define TILTMON_CORE_VECTORS(X) \
    X(2, NMI_Handler)           \
    X(3, HardFault_Handler)     \
    X(4, MemManage_Handler)     \
    X(5, BusFault_Handler)      \
    X(6, UsageFault_Handler)    \
    X(11, SVC_Handler)          \
    X(12, DebugMon_Handler)     \
    X(14, PendSV_Handler)       \
    X(15, SysTick_Handler)

#define TILTMON_DEVICE_VECTORS(X)                                                                              \
    X(16, WWDG_IRQHandler) X(17, PVD_IRQHandler) X(18, TAMP_STAMP_IRQHandler) X(19, RTC_WKUP_IRQHandler)      \
    X(20, FLASH_IRQHandler) X(21, RCC_IRQHandler) X(22, EXTI0_IRQHandler) X(23, EXTI1_IRQHandler)             \
    X(24, EXTI2_IRQHandler) X(25, EXTI3_IRQHandler) X(26, EXTI4_IRQHandler) X(27, DMA1_Stream0_IRQHandler)    \
    X(28, DMA1_Stream1_IRQHandler) X(29, DMA1_Stream2_IRQHandler) X(30, DMA1_Stream3_IRQHandler)              \
    X(31, DMA1_Stream4_IRQHandler) X(32, DMA1_Stream5_IRQHandler) X(33, DMA1_Stream6_IRQHandler)              \
    X(34, ADC_IRQHandler) X(35, CAN1_TX_IRQHandler) X(36, CAN1_RX0_IRQHandler) X(37, CAN1_RX1_IRQHandler)     \
    X(38, CAN1_SCE_IRQHandler) X(39, EXTI9_5_IRQHandler) X(40, TIM1_BRK_TIM9_IRQHandler)                      \
    X(41, TIM1_UP_TIM10_IRQHandler) X(42, TIM1_TRG_COM_TIM11_IRQHandler) X(43, TIM1_CC_IRQHandler)            \
    X(44, TIM2_IRQHandler) X(45, TIM3_IRQHandler) X(46, TIM4_IRQHandler) X(47, I2C1_EV_IRQHandler)            \
    X(48, I2C1_ER_IRQHandler) X(49, I2C2_EV_IRQHandler) X(50, I2C2_ER_IRQHandler) X(51, SPI1_IRQHandler)      \
    X(52, SPI2_IRQHandler) X(53, USART1_IRQHandler) X(54, USART2_IRQHandler) X(55, USART3_IRQHandler)         \
    X(56, EXTI15_10_IRQHandler) X(57, RTC_Alarm_IRQHandler) X(58, OTG_FS_WKUP_IRQHandler)                     \
    X(59, TIM8_BRK_TIM12_IRQHandler) X(60, TIM8_UP_TIM13_IRQHandler) X(61, TIM8_TRG_COM_TIM14_IRQHandler)     \
    X(62, TIM8_CC_IRQHandler) X(63, DMA1_Stream7_IRQHandler) X(64, FSMC_IRQHandler) X(65, SDIO_IRQHandler)    \
    X(66, TIM5_IRQHandler) X(67, SPI3_IRQHandler) X(68, UART4_IRQHandler) X(69, UART5_IRQHandler)             \
    X(70, TIM6_DAC_IRQHandler) X(71, TIM7_IRQHandler) X(72, DMA2_Stream0_IRQHandler)                          \
    X(73, DMA2_Stream1_IRQHandler) X(74, DMA2_Stream2_IRQHandler) X(75, DMA2_Stream3_IRQHandler)              \
    X(76, DMA2_Stream4_IRQHandler) X(77, ETH_IRQHandler) X(78, ETH_WKUP_IRQHandler) X(79, CAN2_TX_IRQHandler) \
    X(80, CAN2_RX0_IRQHandler) X(81, CAN2_RX1_IRQHandler) X(82, CAN2_SCE_IRQHandler) X(83, OTG_FS_IRQHandler) \
    X(84, DMA2_Stream5_IRQHandler) X(85, DMA2_Stream6_IRQHandler) X(86, DMA2_Stream7_IRQHandler)              \
    X(87, USART6_IRQHandler) X(88, I2C3_EV_IRQHandler) X(89, I2C3_ER_IRQHandler)                              \
    X(90, OTG_HS_EP1_OUT_IRQHandler) X(91, OTG_HS_EP1_IN_IRQHandler) X(92, OTG_HS_WKUP_IRQHandler)            \
    X(93, OTG_HS_IRQHandler) X(94, DCMI_IRQHandler) X(95, CRYP_IRQHandler) X(96, HASH_RNG_IRQHandler)

#endif
