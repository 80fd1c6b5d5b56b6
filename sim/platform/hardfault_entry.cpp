// The hard-fault entry on the virtual board: the frame is found on the stack
// that bit 2 of the exception return value names, as the chip's entry does.
#include "board/board.h"
#include "board/board_models.h"
#include "morva_debug.h"

extern "C" void HardFault_Handler(void)
{
    sim::Board* board = sim::Board::current();
    if (board == nullptr) throw sim::SimError("hard fault with no virtual board");
    const bool process_stack = (board->models().cpu().exception_return() & 0x4u) != 0;
    print_hardFault(process_stack ? platform::process_stack_pointer() : platform::main_stack_pointer());
}
