// Assertion and fault reports on the console.
#include "morva_debug.h"

#include "platform_stdio.h"

void print_assert(char* type, char* cause, char* file, std::uint32_t line)
{
    debug_break();
    // The number prints signed: a value of 2^31 or more shows as negative.
    const long number = static_cast<std::int32_t>(line);
    if (file == nullptr)
        iprintf("%s_ASSERT: %s (%ld)\r\n", type, cause, number);
    else
        iprintf("%s_ASSERT: %s at %s:%ld\r\n", type, cause, file, number);
}

void assert_failed(std::uint8_t* file, std::uint32_t line)
{
    print_assert(const_cast<char*>("STM"), const_cast<char*>(""), reinterpret_cast<char*>(file), line);
}

void print_hardFault(unsigned int* hf_args)
{
    // Copied before anything is printed, so printing cannot change what is reported.
    volatile unsigned int stacked_r0 = hf_args[0];
    volatile unsigned int stacked_r1 = hf_args[1];
    volatile unsigned int stacked_r2 = hf_args[2];
    volatile unsigned int stacked_r3 = hf_args[3];
    volatile unsigned int stacked_r12 = hf_args[4];
    volatile unsigned int stacked_lr = hf_args[5];
    volatile unsigned int stacked_pc = hf_args[6];
    volatile unsigned int stacked_psr = hf_args[7];

    debug_break();

    iprintf("\r\n\r\n[Hard fault handler]\r\n");
    iprintf("R0 = 0x%08lX\r\n", static_cast<unsigned long>(stacked_r0));
    iprintf("R1 = 0x%08lX\r\n", static_cast<unsigned long>(stacked_r1));
    iprintf("R2 = 0x%08lX\r\n", static_cast<unsigned long>(stacked_r2));
    iprintf("R3 = 0x%08lX\r\n", static_cast<unsigned long>(stacked_r3));
    iprintf("R12 = 0x%08lX\r\n", static_cast<unsigned long>(stacked_r12));
    iprintf("LR [R14] = 0x%08lX  subroutine call return address\r\n", static_cast<unsigned long>(stacked_lr));
    iprintf("PC [R15] = 0x%08lX  program counter\r\n", static_cast<unsigned long>(stacked_pc));
    iprintf("PSR = 0x%08lX\r\n", static_cast<unsigned long>(stacked_psr));
    iprintf("SHCSR = 0x%08lX\r\n", static_cast<unsigned long>(SCB->SHCSR));
    iprintf("CFSR = 0x%08lX\r\n", static_cast<unsigned long>(SCB->CFSR));
    iprintf("HFSR = 0x%08lX\r\n", static_cast<unsigned long>(SCB->HFSR));
    iprintf("DFSR = 0x%08lX\r\n", static_cast<unsigned long>(SCB->DFSR));
    iprintf("MMFAR = 0x%08lX\r\n", static_cast<unsigned long>(SCB->MMFAR));
    iprintf("BFAR = 0x%08lX\r\n", static_cast<unsigned long>(SCB->BFAR));
    iprintf("AFSR = 0x%08lX\r\n", static_cast<unsigned long>(SCB->AFSR));

    halt();
}
