// The few operations of the core that are not register accesses.
#ifndef TILTMON_PLATFORM_OPS_H
#define TILTMON_PLATFORM_OPS_H

#include <cstdint>

namespace platform {

// Main flash reads as memory; a byte store programs it while the flash
// interface is in programming mode.
inline std::uint8_t flash_read_byte(std::uint32_t address)
{
    return *reinterpret_cast<volatile std::uint8_t*>(address);
}
inline void flash_program_byte(std::uint32_t address, std::uint8_t value)
{
    *reinterpret_cast<volatile std::uint8_t*>(address) = value;
}

inline void breakpoint() { __asm volatile("bkpt #0"); }

inline unsigned int* main_stack_pointer()
{
    unsigned int* sp;
    __asm volatile("mrs %0, msp" : "=r"(sp));
    return sp;
}
inline unsigned int* process_stack_pointer()
{
    unsigned int* sp;
    __asm volatile("mrs %0, psp" : "=r"(sp));
    return sp;
}

inline void irq_disable() { __asm volatile("cpsid i" ::: "memory"); }
inline void irq_enable() { __asm volatile("cpsie i" ::: "memory"); }

// A busy-wait: counts a volatile counter down to 0, one decrement a pass.
inline void count_down(volatile std::uint32_t& counter)
{
    while (counter != 0) counter = counter - 1;
}

// The foreground loop spins; nothing to do between passes on the chip.
inline void idle() {}

// A state the system never leaves until reset.
[[noreturn]] inline void endless_loop(const char* /*why*/)
{
    for (;;) {
    }
}

}  // namespace platform

#endif
