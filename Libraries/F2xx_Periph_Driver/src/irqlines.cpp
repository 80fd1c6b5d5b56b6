// External interrupt/event controller.
#include "irqlines.h"

#include "periph_assert.h"

namespace {

// The EXTI register at a mode's or trigger's byte offset. An offset that
// names no register of the block gives none, so that a bad mode or trigger
// (reported by its check) cannot reach past the block.
Reg<std::uint32_t>* register_at(std::uint32_t offset)
{
    if (offset % sizeof(std::uint32_t) != 0 || offset >= sizeof(EXTI_TypeDef)) return nullptr;
    return reinterpret_cast<Reg<std::uint32_t>*>(EXTI_BASE + offset);
}

void set_lines(Reg<std::uint32_t>* reg, std::uint32_t lines)
{
    if (reg != nullptr) *reg |= lines;
}

void clear_lines(Reg<std::uint32_t>* reg, std::uint32_t lines)
{
    if (reg != nullptr) *reg &= ~lines;
}

}  // namespace

void EXTI_DeInit(void)
{
    EXTI->IMR = 0x00000000;
    EXTI->EMR = 0x00000000;
    EXTI->RTSR = 0x00000000;
    EXTI->FTSR = 0x00000000;
    EXTI->PR = EXTI_ALL_LINES;
}

void EXTI_Init(EXTI_InitTypeDef* EXTI_InitStruct)
{
    assert_param(IS_EXTI_MODE(EXTI_InitStruct->EXTI_Mode));
    assert_param(IS_EXTI_TRIGGER(EXTI_InitStruct->EXTI_Trigger));
    assert_param(IS_EXTI_LINE(EXTI_InitStruct->EXTI_Line));
    assert_param(IS_FUNCTIONAL_STATE(EXTI_InitStruct->EXTI_LineCmd));

    const std::uint32_t lines = EXTI_InitStruct->EXTI_Line;
    Reg<std::uint32_t>* const mode_register = register_at(EXTI_InitStruct->EXTI_Mode);

    if (EXTI_InitStruct->EXTI_LineCmd == DISABLE) {
        clear_lines(mode_register, lines);
        return;
    }

    // Interrupt and event are exclusive: both masks are cleared first.
    EXTI->IMR &= ~lines;
    EXTI->EMR &= ~lines;
    set_lines(mode_register, lines);

    EXTI->RTSR &= ~lines;
    EXTI->FTSR &= ~lines;
    if (EXTI_InitStruct->EXTI_Trigger == EXTI_Trigger_Rising_Falling) {
        EXTI->RTSR |= lines;
        EXTI->FTSR |= lines;
    } else {
        set_lines(register_at(EXTI_InitStruct->EXTI_Trigger), lines);
    }
}

void EXTI_StructInit(EXTI_InitTypeDef* EXTI_InitStruct)
{
    EXTI_InitStruct->EXTI_Line = EXTI_LINE_NONE;
    EXTI_InitStruct->EXTI_Mode = EXTI_Mode_Interrupt;
    EXTI_InitStruct->EXTI_Trigger = EXTI_Trigger_Falling;
    EXTI_InitStruct->EXTI_LineCmd = DISABLE;
}

void EXTI_GenerateSWInterrupt(std::uint32_t EXTI_Line)
{
    assert_param(IS_EXTI_LINE(EXTI_Line));

    EXTI->SWIER |= EXTI_Line;
}

FlagStatus EXTI_GetFlagStatus(std::uint32_t EXTI_Line)
{
    assert_param(IS_GET_EXTI_LINE(EXTI_Line));

    return (EXTI->PR & EXTI_Line) != 0 ? SET : RESET;
}

// Writing 1s to PR clears exactly those lines: no read-modify-write needed.
void EXTI_ClearFlag(std::uint32_t EXTI_Line)
{
    assert_param(IS_EXTI_LINE(EXTI_Line));

    EXTI->PR = EXTI_Line;
}

// A line that is pending but masked is not an interrupt.
ITStatus EXTI_GetITStatus(std::uint32_t EXTI_Line)
{
    assert_param(IS_GET_EXTI_LINE(EXTI_Line));

    const std::uint32_t enabled = EXTI->IMR & EXTI_Line;
    const std::uint32_t pending = EXTI->PR & EXTI_Line;
    return (enabled != 0 && pending != 0) ? SET : RESET;
}

void EXTI_ClearITPendingBit(std::uint32_t EXTI_Line)
{
    assert_param(IS_EXTI_LINE(EXTI_Line));

    EXTI->PR = EXTI_Line;
}
