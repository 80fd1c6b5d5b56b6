// Timers.
#include "stm32f2xx_tim.h"

#include "periph_assert.h"

namespace {

constexpr std::uint32_t cr1_cen = 0x0001;
constexpr std::uint32_t cr1_arpe = 0x0080;
constexpr std::uint32_t cr1_dir_cms = 0x0070;
constexpr std::uint32_t cr1_ckd = 0x0300;
constexpr std::uint32_t cr2_ois2_ois2n = 0x0C00;
constexpr std::uint32_t smcr_sms = 0x0007;
constexpr std::uint32_t egr_ug = 0x0001;
constexpr std::uint32_t ccmr1_oc2m_cc2s = 0x7300;
constexpr std::uint32_t ccmr1_oc2pe = 0x0800;
constexpr std::uint32_t ccmr1_cc1s_cc2s = 0x0303;
constexpr std::uint32_t ccmr1_ti1_ti2_inputs = 0x0101;  // channel 1 from input 1, channel 2 from input 2
constexpr std::uint32_t ccer_cc2e = 0x0010;
constexpr std::uint32_t ccer_cc2p = 0x0020;
constexpr std::uint32_t ccer_cc2ne = 0x0040;
constexpr std::uint32_t ccer_cc2np = 0x0080;
constexpr std::uint32_t ccer_cc1p_cc2p = 0x0022;

constexpr std::uint16_t u16(std::uint32_t value) { return static_cast<std::uint16_t>(value); }

}  // namespace

bool TIM_IsTimer(const TIM_TypeDef* TIMx)
{
    return TIMx == TIM1 || TIMx == TIM2 || TIMx == TIM3 || TIMx == TIM4 || TIMx == TIM5 || TIMx == TIM6 ||
           TIMx == TIM7 || TIMx == TIM8 || TIMx == TIM9 || TIMx == TIM10 || TIMx == TIM11 || TIMx == TIM12 ||
           TIMx == TIM13 || TIMx == TIM14;
}

bool TIM_HasChannel2(const TIM_TypeDef* TIMx)
{
    return TIMx == TIM1 || TIMx == TIM2 || TIMx == TIM3 || TIMx == TIM4 || TIMx == TIM5 || TIMx == TIM8 ||
           TIMx == TIM9 || TIMx == TIM12;
}

void TIM_TimeBaseInit(TIM_TypeDef* TIMx, TIM_TimeBaseInitTypeDef* TIM_TimeBaseInitStruct)
{
    assert_param(IS_TIM_ALL_PERIPH(TIMx));
    assert_param(IS_TIM_COUNTER_MODE(TIM_TimeBaseInitStruct->TIM_CounterMode));
    assert_param(IS_TIM_CKD_DIV(TIM_TimeBaseInitStruct->TIM_ClockDivision));

    std::uint32_t cr1 = TIMx->CR1;
    if (IS_TIM_COUNTER_MODE_PERIPH(TIMx)) {
        cr1 &= ~cr1_dir_cms;
        cr1 |= TIM_TimeBaseInitStruct->TIM_CounterMode;
    }
    if (!IS_TIM_BASIC_PERIPH(TIMx)) {
        cr1 &= ~cr1_ckd;
        cr1 |= TIM_TimeBaseInitStruct->TIM_ClockDivision;
    }
    TIMx->CR1 = u16(cr1);

    TIMx->ARR = TIM_TimeBaseInitStruct->TIM_Period;
    TIMx->PSC = TIM_TimeBaseInitStruct->TIM_Prescaler;
    if (IS_TIM_ADVANCED_PERIPH(TIMx)) TIMx->RCR = TIM_TimeBaseInitStruct->TIM_RepetitionCounter;

    // An update event loads the prescaler now rather than at the next overflow.
    TIMx->EGR = u16(egr_ug);
}

void TIM_TimeBaseStructInit(TIM_TimeBaseInitTypeDef* TIM_TimeBaseInitStruct)
{
    TIM_TimeBaseInitStruct->TIM_Period = 0xFFFFFFFF;
    TIM_TimeBaseInitStruct->TIM_Prescaler = 0x0000;
    TIM_TimeBaseInitStruct->TIM_ClockDivision = TIM_CKD_DIV1;
    TIM_TimeBaseInitStruct->TIM_CounterMode = TIM_CounterMode_Up;
    TIM_TimeBaseInitStruct->TIM_RepetitionCounter = 0x00;
}

void TIM_SetCounter(TIM_TypeDef* TIMx, std::uint32_t Counter)
{
    assert_param(IS_TIM_ALL_PERIPH(TIMx));

    TIMx->CNT = Counter;
}

std::uint32_t TIM_GetCounter(TIM_TypeDef* TIMx)
{
    assert_param(IS_TIM_ALL_PERIPH(TIMx));

    return TIMx->CNT;
}

void TIM_ARRPreloadConfig(TIM_TypeDef* TIMx, FunctionalState NewState)
{
    assert_param(IS_TIM_ALL_PERIPH(TIMx));
    assert_param(IS_FUNCTIONAL_STATE(NewState));

    if (NewState != DISABLE)
        TIMx->CR1 |= u16(cr1_arpe);
    else
        TIMx->CR1 &= u16(~cr1_arpe);
}

void TIM_Cmd(TIM_TypeDef* TIMx, FunctionalState NewState)
{
    assert_param(IS_TIM_ALL_PERIPH(TIMx));
    assert_param(IS_FUNCTIONAL_STATE(NewState));

    if (NewState != DISABLE)
        TIMx->CR1 |= u16(cr1_cen);
    else
        TIMx->CR1 &= u16(~cr1_cen);
}

void TIM_OC2Init(TIM_TypeDef* TIMx, TIM_OCInitTypeDef* TIM_OCInitStruct)
{
    assert_param(IS_TIM_CHANNEL2_PERIPH(TIMx));
    assert_param(IS_TIM_OC_MODE(TIM_OCInitStruct->TIM_OCMode));
    assert_param(IS_TIM_OUTPUT_STATE(TIM_OCInitStruct->TIM_OutputState));
    assert_param(IS_TIM_OC_POLARITY(TIM_OCInitStruct->TIM_OCPolarity));

    // The channel is switched off while its mode changes.
    TIMx->CCER &= u16(~ccer_cc2e);

    std::uint32_t ccer = TIMx->CCER;
    std::uint32_t cr2 = TIMx->CR2;
    std::uint32_t ccmr1 = TIMx->CCMR1;

    ccmr1 &= ~ccmr1_oc2m_cc2s;
    ccmr1 |= static_cast<std::uint32_t>(TIM_OCInitStruct->TIM_OCMode) << 8;

    ccer &= ~ccer_cc2p;
    ccer |= static_cast<std::uint32_t>(TIM_OCInitStruct->TIM_OCPolarity) << 4;
    ccer |= static_cast<std::uint32_t>(TIM_OCInitStruct->TIM_OutputState) << 4;

    // Only the advanced timers have the complementary output and idle states.
    if (IS_TIM_ADVANCED_PERIPH(TIMx)) {
        assert_param(IS_TIM_OUTPUTN_STATE(TIM_OCInitStruct->TIM_OutputNState));
        assert_param(IS_TIM_OCN_POLARITY(TIM_OCInitStruct->TIM_OCNPolarity));
        assert_param(IS_TIM_OCIDLE_STATE(TIM_OCInitStruct->TIM_OCIdleState));
        assert_param(IS_TIM_OCNIDLE_STATE(TIM_OCInitStruct->TIM_OCNIdleState));

        ccer &= ~ccer_cc2np;
        ccer |= static_cast<std::uint32_t>(TIM_OCInitStruct->TIM_OCNPolarity) << 4;
        ccer &= ~ccer_cc2ne;
        ccer |= static_cast<std::uint32_t>(TIM_OCInitStruct->TIM_OutputNState) << 4;

        cr2 &= ~cr2_ois2_ois2n;
        cr2 |= static_cast<std::uint32_t>(TIM_OCInitStruct->TIM_OCIdleState) << 2;
        cr2 |= static_cast<std::uint32_t>(TIM_OCInitStruct->TIM_OCNIdleState) << 2;
    }

    TIMx->CR2 = u16(cr2);
    TIMx->CCMR1 = u16(ccmr1);
    TIMx->CCR2 = TIM_OCInitStruct->TIM_Pulse;
    TIMx->CCER = u16(ccer);
}

void TIM_OCStructInit(TIM_OCInitTypeDef* TIM_OCInitStruct)
{
    TIM_OCInitStruct->TIM_OCMode = TIM_OCMode_Timing;
    TIM_OCInitStruct->TIM_OutputState = TIM_OutputState_Disable;
    TIM_OCInitStruct->TIM_OutputNState = TIM_OutputNState_Disable;
    TIM_OCInitStruct->TIM_Pulse = 0x00000000;
    TIM_OCInitStruct->TIM_OCPolarity = TIM_OCPolarity_High;
    TIM_OCInitStruct->TIM_OCNPolarity = TIM_OCNPolarity_High;
    TIM_OCInitStruct->TIM_OCIdleState = TIM_OCIdleState_Reset;
    TIM_OCInitStruct->TIM_OCNIdleState = TIM_OCNIdleState_Reset;
}

void TIM_SetCompare2(TIM_TypeDef* TIMx, std::uint32_t Compare2)
{
    assert_param(IS_TIM_CHANNEL2_PERIPH(TIMx));

    TIMx->CCR2 = Compare2;
}

void TIM_OC2PreloadConfig(TIM_TypeDef* TIMx, std::uint16_t TIM_OCPreload)
{
    assert_param(IS_TIM_CHANNEL2_PERIPH(TIMx));
    assert_param(IS_TIM_OCPRELOAD_STATE(TIM_OCPreload));

    TIMx->CCMR1 = u16((TIMx->CCMR1 & ~ccmr1_oc2pe) | (static_cast<std::uint32_t>(TIM_OCPreload) << 8));
}

void TIM_EncoderInterfaceConfig(TIM_TypeDef* TIMx, std::uint16_t TIM_EncoderMode, std::uint16_t TIM_IC1Polarity,
                                std::uint16_t TIM_IC2Polarity)
{
    assert_param(IS_TIM_CHANNEL2_PERIPH(TIMx));
    assert_param(IS_TIM_ENCODER_MODE(TIM_EncoderMode));
    assert_param(IS_TIM_IC_POLARITY(TIM_IC1Polarity));
    assert_param(IS_TIM_IC_POLARITY(TIM_IC2Polarity));

    std::uint32_t smcr = TIMx->SMCR;
    std::uint32_t ccmr1 = TIMx->CCMR1;
    std::uint32_t ccer = TIMx->CCER;

    smcr &= ~smcr_sms;
    smcr |= TIM_EncoderMode;

    ccmr1 &= ~ccmr1_cc1s_cc2s;
    ccmr1 |= ccmr1_ti1_ti2_inputs;

    // Only the two polarity bits are cleared: the both-edges value adds its
    // complementary-polarity bit to whatever stood there.
    ccer &= ~ccer_cc1p_cc2p;
    ccer |= TIM_IC1Polarity | (static_cast<std::uint32_t>(TIM_IC2Polarity) << 4);

    TIMx->SMCR = u16(smcr);
    TIMx->CCMR1 = u16(ccmr1);
    TIMx->CCER = u16(ccer);
}
