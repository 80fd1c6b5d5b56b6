// The firmware's platform operations on the virtual board.
#include "platform_ops.h"

#include "board/board.h"
#include "board/cpu.h"
#include "models/exceptions.h"
#include "reg_access.h"

namespace {
sim::Board& board()
{
    sim::Board* board = sim::Board::current();
    if (board == nullptr) throw sim::SimError("platform operation with no virtual board");
    return *board;
}
}  // namespace

namespace platform {

std::uint8_t flash_read_byte(std::uint32_t address) { return static_cast<std::uint8_t>(seam::bus_read(address, 1)); }

void flash_program_byte(std::uint32_t address, std::uint8_t value) { seam::bus_write(address, 1, value); }

void breakpoint() { board().cpu().breakpoint(); }

unsigned int* main_stack_pointer() { return board().cpu().main_stack_frame(); }
unsigned int* process_stack_pointer() { return board().cpu().process_stack_frame(); }

void irq_disable() { board().exceptions().set_primask(true); }
void irq_enable() { board().exceptions().set_primask(false); }

// The chip's loop (load, test, load, subtract, store, branch) takes about
// ten core cycles a pass.
constexpr std::uint64_t kCountDownCyclesPerPass = 10;

void count_down(volatile std::uint32_t& counter)
{
    board().cpu().spend_cycles(static_cast<std::uint64_t>(counter) * kCountDownCyclesPerPass);
    counter = 0;
}

void idle() { board().cpu().idle(); }

void endless_loop(const char* why) { board().cpu().endless_loop(why); }

}  // namespace platform
