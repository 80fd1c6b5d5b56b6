// Timers: time base, output compare on channel 2 (the backlight PWM) and the
// encoder interface (the rotary encoder's counter).
#ifndef TILTMON_STM32F2XX_TIM_H
#define TILTMON_STM32F2XX_TIM_H

#include <cstdint>

#include "stm32f2xx.h"

struct TIM_TimeBaseInitTypeDef {
    std::uint16_t TIM_Prescaler;  // counter clock = timer clock / (prescaler + 1)
    std::uint16_t TIM_CounterMode;
    std::uint32_t TIM_Period;  // auto-reload value
    std::uint16_t TIM_ClockDivision;
    std::uint8_t TIM_RepetitionCounter;  // TIM1 and TIM8 only
};

struct TIM_OCInitTypeDef {
    std::uint16_t TIM_OCMode;
    std::uint16_t TIM_OutputState;
    std::uint16_t TIM_OutputNState;  // TIM1 and TIM8 only
    std::uint32_t TIM_Pulse;         // compare value
    std::uint16_t TIM_OCPolarity;
    std::uint16_t TIM_OCNPolarity;   // TIM1 and TIM8 only
    std::uint16_t TIM_OCIdleState;   // TIM1 and TIM8 only
    std::uint16_t TIM_OCNIdleState;  // TIM1 and TIM8 only
};

// Every argument check of a timer calls one of these two rather than
// comparing with each timer in place (stm32f2xx_tim.cpp).
bool TIM_IsTimer(const TIM_TypeDef* TIMx);
bool TIM_HasChannel2(const TIM_TypeDef* TIMx);
#define IS_TIM_ALL_PERIPH(PERIPH) (TIM_IsTimer(PERIPH))
// The timers with a channel 2.
#define IS_TIM_CHANNEL2_PERIPH(PERIPH) (TIM_HasChannel2(PERIPH))
// The timers that can count down and centre-aligned.
#define IS_TIM_COUNTER_MODE_PERIPH(PERIPH)                                                               \
    (((PERIPH) == TIM1) || ((PERIPH) == TIM8) || ((PERIPH) == TIM2) || ((PERIPH) == TIM3) ||             \
     ((PERIPH) == TIM4) || ((PERIPH) == TIM5))
// The basic timers, without clock division.
#define IS_TIM_BASIC_PERIPH(PERIPH) (((PERIPH) == TIM6) || ((PERIPH) == TIM7))
// The advanced timers: repetition counter and complementary outputs.
#define IS_TIM_ADVANCED_PERIPH(PERIPH) (((PERIPH) == TIM1) || ((PERIPH) == TIM8))

#define TIM_CounterMode_Up ((std::uint16_t)0x0000)
#define TIM_CounterMode_Down ((std::uint16_t)0x0010)
#define TIM_CounterMode_CenterAligned1 ((std::uint16_t)0x0020)
#define TIM_CounterMode_CenterAligned2 ((std::uint16_t)0x0040)
#define TIM_CounterMode_CenterAligned3 ((std::uint16_t)0x0060)
#define IS_TIM_COUNTER_MODE(MODE)                                                                        \
    (((MODE) == TIM_CounterMode_Up) || ((MODE) == TIM_CounterMode_Down) ||                               \
     ((MODE) == TIM_CounterMode_CenterAligned1) || ((MODE) == TIM_CounterMode_CenterAligned2) ||         \
     ((MODE) == TIM_CounterMode_CenterAligned3))

#define TIM_CKD_DIV1 ((std::uint16_t)0x0000)
#define TIM_CKD_DIV2 ((std::uint16_t)0x0100)
#define TIM_CKD_DIV4 ((std::uint16_t)0x0200)
#define IS_TIM_CKD_DIV(DIV) (((DIV) == TIM_CKD_DIV1) || ((DIV) == TIM_CKD_DIV2) || ((DIV) == TIM_CKD_DIV4))

#define TIM_OCMode_Timing ((std::uint16_t)0x0000)
#define TIM_OCMode_Active ((std::uint16_t)0x0010)
#define TIM_OCMode_Inactive ((std::uint16_t)0x0020)
#define TIM_OCMode_Toggle ((std::uint16_t)0x0030)
#define TIM_OCMode_PWM1 ((std::uint16_t)0x0060)
#define TIM_OCMode_PWM2 ((std::uint16_t)0x0070)
#define IS_TIM_OC_MODE(MODE)                                                                             \
    (((MODE) == TIM_OCMode_Timing) || ((MODE) == TIM_OCMode_Active) || ((MODE) == TIM_OCMode_Inactive) || \
     ((MODE) == TIM_OCMode_Toggle) || ((MODE) == TIM_OCMode_PWM1) || ((MODE) == TIM_OCMode_PWM2))

#define TIM_OutputState_Disable ((std::uint16_t)0x0000)
#define TIM_OutputState_Enable ((std::uint16_t)0x0001)
#define IS_TIM_OUTPUT_STATE(STATE) (((STATE) == TIM_OutputState_Disable) || ((STATE) == TIM_OutputState_Enable))

#define TIM_OutputNState_Disable ((std::uint16_t)0x0000)
#define TIM_OutputNState_Enable ((std::uint16_t)0x0004)
#define IS_TIM_OUTPUTN_STATE(STATE) (((STATE) == TIM_OutputNState_Disable) || ((STATE) == TIM_OutputNState_Enable))

#define TIM_OCPolarity_High ((std::uint16_t)0x0000)
#define TIM_OCPolarity_Low ((std::uint16_t)0x0002)
#define IS_TIM_OC_POLARITY(POLARITY) (((POLARITY) == TIM_OCPolarity_High) || ((POLARITY) == TIM_OCPolarity_Low))

#define TIM_OCNPolarity_High ((std::uint16_t)0x0000)
#define TIM_OCNPolarity_Low ((std::uint16_t)0x0008)
#define IS_TIM_OCN_POLARITY(POLARITY) (((POLARITY) == TIM_OCNPolarity_High) || ((POLARITY) == TIM_OCNPolarity_Low))

#define TIM_OCIdleState_Reset ((std::uint16_t)0x0000)
#define TIM_OCIdleState_Set ((std::uint16_t)0x0100)
#define IS_TIM_OCIDLE_STATE(STATE) (((STATE) == TIM_OCIdleState_Reset) || ((STATE) == TIM_OCIdleState_Set))

#define TIM_OCNIdleState_Reset ((std::uint16_t)0x0000)
#define TIM_OCNIdleState_Set ((std::uint16_t)0x0200)
#define IS_TIM_OCNIDLE_STATE(STATE) (((STATE) == TIM_OCNIdleState_Reset) || ((STATE) == TIM_OCNIdleState_Set))

// Compare preload of channel 2: a new compare value takes effect at the next update.
#define TIM_OCPreload_Disable ((std::uint16_t)0x0000)
#define TIM_OCPreload_Enable ((std::uint16_t)0x0008)
#define IS_TIM_OCPRELOAD_STATE(STATE) (((STATE) == TIM_OCPreload_Disable) || ((STATE) == TIM_OCPreload_Enable))

// Encoder interface: count the edges of input 1, of input 2, or of both.
#define TIM_EncoderMode_TI1 ((std::uint16_t)0x0001)
#define TIM_EncoderMode_TI2 ((std::uint16_t)0x0002)
#define TIM_EncoderMode_TI12 ((std::uint16_t)0x0003)
#define IS_TIM_ENCODER_MODE(MODE) \
    (((MODE) == TIM_EncoderMode_TI1) || ((MODE) == TIM_EncoderMode_TI2) || ((MODE) == TIM_EncoderMode_TI12))

#define TIM_ICPolarity_Rising ((std::uint16_t)0x0000)
#define TIM_ICPolarity_Falling ((std::uint16_t)0x0002)
#define TIM_ICPolarity_BothEdge ((std::uint16_t)0x000A)
#define IS_TIM_IC_POLARITY(POLARITY)                                                  \
    (((POLARITY) == TIM_ICPolarity_Rising) || ((POLARITY) == TIM_ICPolarity_Falling) || \
     ((POLARITY) == TIM_ICPolarity_BothEdge))

void TIM_TimeBaseInit(TIM_TypeDef* TIMx, TIM_TimeBaseInitTypeDef* TIM_TimeBaseInitStruct);
void TIM_TimeBaseStructInit(TIM_TimeBaseInitTypeDef* TIM_TimeBaseInitStruct);
void TIM_SetCounter(TIM_TypeDef* TIMx, std::uint32_t Counter);
std::uint32_t TIM_GetCounter(TIM_TypeDef* TIMx);
void TIM_ARRPreloadConfig(TIM_TypeDef* TIMx, FunctionalState NewState);
void TIM_Cmd(TIM_TypeDef* TIMx, FunctionalState NewState);
void TIM_OC2Init(TIM_TypeDef* TIMx, TIM_OCInitTypeDef* TIM_OCInitStruct);
void TIM_OCStructInit(TIM_OCInitTypeDef* TIM_OCInitStruct);
void TIM_SetCompare2(TIM_TypeDef* TIMx, std::uint32_t Compare2);
void TIM_OC2PreloadConfig(TIM_TypeDef* TIMx, std::uint16_t TIM_OCPreload);
void TIM_EncoderInterfaceConfig(TIM_TypeDef* TIMx, std::uint16_t TIM_EncoderMode, std::uint16_t TIM_IC1Polarity,
                                std::uint16_t TIM_IC2Polarity);

#endif
