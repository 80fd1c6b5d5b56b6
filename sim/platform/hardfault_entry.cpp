// The hard-fault entry on the virtual board: the frame is found on the stack
// that bit 2 of the exception return value names, as the chip's entry does.
#include "core/cpu.h"
#include "morva_debug.h"
#include "platform_ops.h"

extern "C" void HardFault_Handler(void)
{
    sim::Cpu* cpu = sim::active_cpu();
    if (cpu == nullptr) throw sim::SimError("hard fault with no virtual board");
    const bool process_stack = (cpu->exception_return() & 0x4u) != 0;
    print_hardFault(process_stack ? platform::process_stack_pointer() : platform::main_stack_pointer());
}
