// The firmware's platform operations on the virtual board.
#include "platform_ops.h"

#include "board/board.h"
#include "board/board_models.h"
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

void breakpoint() { board().models().cpu().breakpoint(); }

unsigned int* main_stack_pointer() { return board().models().cpu().main_stack_frame(); }
unsigned int* process_stack_pointer() { return board().models().cpu().process_stack_frame(); }

void irq_disable() { board().models().exceptions().set_primask(true); }
// Whatever waits is taken right after the mask is lifted, as after CPSIE.
void irq_enable()
{
    board().models().exceptions().set_primask(false);
    board().models().cpu().take_pending();
}

// The chip's loop (load, test, load, subtract, store, branch) takes about
// ten core cycles a pass.
constexpr std::uint64_t kCountDownCyclesPerPass = 10;

void count_down(volatile std::uint32_t& counter)
{
    board().models().cpu().spend_cycles(static_cast<std::uint64_t>(counter) * kCountDownCyclesPerPass);
    counter = 0;
}

void idle() { board().models().cpu().idle(); }

void endless_loop(const char* why) { board().models().cpu().endless_loop(why); }

}  // namespace platform
