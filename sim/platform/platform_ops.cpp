// The firmware's platform operations on the virtual board: they act on the
// core that runs the firmware.
#include "platform_ops.h"

#include "core/cpu.h"
#include "reg_access.h"

namespace {
sim::Cpu& cpu()
{
    sim::Cpu* cpu = sim::active_cpu();
    if (cpu == nullptr) throw sim::SimError("platform operation with no virtual board");
    return *cpu;
}
}  // namespace

namespace platform {

std::uint8_t flash_read_byte(std::uint32_t address) { return static_cast<std::uint8_t>(seam::bus_read(address, 1)); }

void flash_program_byte(std::uint32_t address, std::uint8_t value) { seam::bus_write(address, 1, value); }

void breakpoint() { cpu().breakpoint(); }

unsigned int* main_stack_pointer() { return cpu().main_stack_frame(); }
unsigned int* process_stack_pointer() { return cpu().process_stack_frame(); }

void irq_disable() { cpu().exceptions().set_primask(true); }
// Whatever waits is taken right after the mask is lifted, as after CPSIE.
void irq_enable()
{
    cpu().exceptions().set_primask(false);
    cpu().take_pending();
}

// The chip's loop (load, test, load, subtract, store, branch) takes about
// ten core cycles a pass.
constexpr std::uint64_t kCountDownCyclesPerPass = 10;

void count_down(volatile std::uint32_t& counter)
{
    cpu().spend_cycles(static_cast<std::uint64_t>(counter) * kCountDownCyclesPerPass);
    counter = 0;
}

void idle() { cpu().idle(); }

void endless_loop(const char* why) { cpu().endless_loop(why); }

}  // namespace platform
