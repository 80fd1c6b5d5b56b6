// Entry of the hard fault: finds the exception frame the core pushed and
// hands it to the report. No prologue may run first, or the registers and the
// stack pointer would no longer be the ones the fault left behind.
#include "morva_debug.h"

extern "C" __attribute__((naked)) void HardFault_Handler(void)
{
    // Bit 2 of the exception return value tells which stack holds the frame.
    __asm volatile(
        "    tst   lr, #4\n"
        "    ite   eq\n"
        "    mrseq r0, msp\n"
        "    mrsne r0, psp\n"
        "    b     print_hardFault\n");
}
