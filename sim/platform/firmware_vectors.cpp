// The binding of exception numbers to the firmware's handlers. A handler the
// firmware does not define is a null weak reference: its slot leads to the
// default handler, as on the chip.
#include "firmware_image.h"

extern "C" {
void NMI_Handler(void) __attribute__((weak));
void HardFault_Handler(void) __attribute__((weak));
void MemManage_Handler(void) __attribute__((weak));
void BusFault_Handler(void) __attribute__((weak));
void UsageFault_Handler(void) __attribute__((weak));
void SVC_Handler(void) __attribute__((weak));
void DebugMon_Handler(void) __attribute__((weak));
void PendSV_Handler(void) __attribute__((weak));
void SysTick_Handler(void) __attribute__((weak));
void EXTI15_10_IRQHandler(void) __attribute__((weak));
}

namespace sim {

namespace {
constexpr int DEVICE_BASE = 16;
constexpr int EXTI15_10_IRQN = 40;
}  // namespace

FirmwareHandler firmware_handler(int exception)
{
    switch (exception) {
    case 2:
        return NMI_Handler;
    case 3:
        return HardFault_Handler;
    case 4:
        return MemManage_Handler;
    case 5:
        return BusFault_Handler;
    case 6:
        return UsageFault_Handler;
    case 11:
        return SVC_Handler;
    case 12:
        return DebugMon_Handler;
    case 14:
        return PendSV_Handler;
    case 15:
        return SysTick_Handler;
    case DEVICE_BASE + EXTI15_10_IRQN:
        return EXTI15_10_IRQHandler;
    default:
        return nullptr;
    }
}

}  // namespace sim
