// Exception and interrupt handlers of the application.
#include "irqlines.h"
#include "main.h"
#include "morva_debug.h"

namespace {
constexpr std::uint32_t BACK_BUTTON_LINE = EXTI_Line14;  // BUTTON_SW1
constexpr std::uint32_t OK_BUTTON_LINE = EXTI_Line15;    // BUTTON_SW2
}  // namespace

void NMI_Handler(void) {}

// The system never enables these three; they serve only if a later change does.
void MemManage_Handler(void)
{
    print_assert(const_cast<char*>("Fault"), const_cast<char*>("MemManage"), nullptr, 0);
    halt();
}

void BusFault_Handler(void)
{
    print_assert(const_cast<char*>("Fault"), const_cast<char*>("BusFault"), nullptr, 0);
    halt();
}

void UsageFault_Handler(void)
{
    print_assert(const_cast<char*>("Fault"), const_cast<char*>("UsageFault"), nullptr, 0);
    halt();
}

void SVC_Handler(void) {}
void DebugMon_Handler(void) {}
void PendSV_Handler(void) {}

void SysTick_Handler(void) { Time_Update(); }

// The push buttons. Each pending bit is cleared only after its action, so a
// press of the same button while its action runs is absorbed by that clear;
// the OK action sees the state that the back action left.
void EXTI15_10_IRQHandler(void)
{
    if (EXTI_GetITStatus(BACK_BUTTON_LINE) != RESET) {
        // The back action is the application's state machine's to serve.
        EXTI_ClearITPendingBit(BACK_BUTTON_LINE);
    }
    if (EXTI_GetITStatus(OK_BUTTON_LINE) != RESET) {
        // The OK action is the application's state machine's to serve.
        EXTI_ClearITPendingBit(OK_BUTTON_LINE);
    }
}
