// Exception and interrupt handlers of the application.
#include "main.h"
#include "morva_debug.h"

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
