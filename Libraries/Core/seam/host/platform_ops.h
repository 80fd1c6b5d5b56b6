// The core operations that are not register accesses, served by the virtual
// board (see sim/platform).
#ifndef TILTMON_PLATFORM_OPS_H
#define TILTMON_PLATFORM_OPS_H

#include <cstdint>

namespace platform {

std::uint8_t flash_read_byte(std::uint32_t address);
void flash_program_byte(std::uint32_t address, std::uint8_t value);

// Stops in the test's debugger model; returns when it resumes.
void breakpoint();

// The exception frame the virtual board pushed on the stack it names.
unsigned int* main_stack_pointer();
unsigned int* process_stack_pointer();

void irq_disable();
void irq_enable();

// A busy-wait counting a volatile counter down to 0: the board charges the
// time the chip's loop takes and takes interrupts meanwhile, without spinning.
void count_down(volatile std::uint32_t& counter);

// The foreground loop's idle point: the board fast-forwards to its next event.
void idle();

// Ends the simulated run and tells the test why; never returns.
[[noreturn]] void endless_loop(const char* why);

}  // namespace platform

#endif
