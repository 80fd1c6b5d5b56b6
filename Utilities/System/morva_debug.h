// Diagnostics: assertion reports, the peripheral layer's assertion hook and
// the processor fault reports, all on the console.
#ifndef TILTMON_MORVA_DEBUG_H
#define TILTMON_MORVA_DEBUG_H

#include <cstdint>

#include "cortex_m3.h"
#include "platform_ops.h"

// Stops in an attached debugger; does nothing without one.
inline void debug_break(void)
{
    if (CoreDebug->DHCSR & CoreDebug_DHCSR_C_DEBUGEN) platform::breakpoint();
}

// Stays here until reset.
[[noreturn]] inline void halt(void) { platform::endless_loop("halt"); }

extern "C" {
void print_assert(char* type, char* cause, char* file, std::uint32_t line);
void assert_failed(std::uint8_t* file, std::uint32_t line);
[[noreturn]] void print_hardFault(unsigned int* hf_args);

void NMI_Handler(void);
void HardFault_Handler(void);
void MemManage_Handler(void);
void BusFault_Handler(void);
void UsageFault_Handler(void);
void SVC_Handler(void);
void DebugMon_Handler(void);
void PendSV_Handler(void);
}

#endif
