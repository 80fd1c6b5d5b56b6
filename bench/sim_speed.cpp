// What the virtual board costs on the host, from a release build: wall time
// per bus access, per idle tick of the foreground loop, per fiber round
// trip and per console character, and virtual time per second of wall time.
// Figures only; nothing here is asserted.
#include <chrono>
#include <cstdio>
#include <functional>

#include "board/board.h"
#include "board/board_models.h"
#include "core/fiber.h"
#include "platform_stdio.h"
#include "stm32f2xx.h"

namespace {

using namespace sim;

double wall_seconds(const std::function<void()>& work)
{
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void per_item(const char* what, double wall, double items, const char* unit = "ns")
{
    std::printf("%-40s %10.1f %s\n", what, wall * 1e9 / items, unit);
}

// A board past its start-up, the foreground loop idling.
void boot(Board& board)
{
    board.power_on();
    board.run_for(5_ms);
}

}  // namespace

int main()
{
    {
        Board board;
        boot(board);
        constexpr int kReads = 5000000;
        const double wall = wall_seconds([&] {
            board.run_code([] {
                for (int i = 0; i < kReads; ++i) (void)static_cast<std::uint32_t>(GPIOE->ODR);
            }, 1000_s);
        });
        per_item("bus access (a register read)", wall, kReads);
    }
    {
        Board board;
        boot(board);
        // The tick the start-up sets: every 10 ms at 100 MHz.
        board.run_code([] {
            SysTick->LOAD = 1000000 - 1;
            SysTick->VAL = 0;
            SysTick->CTRL = 7;
        });
        constexpr int kTicks = 1000000;  // 10 000 s: far past where 64-bit tick arithmetic once froze
        const Nanoseconds start = board.now();
        const double wall = wall_seconds([&] { board.run_for(10_ms * kTicks); });
        per_item("idle tick (10 ms of the idle loop)", wall, kTicks);
        std::printf("%-40s %10.0f virtual s per wall s\n", "  idle loop speed",
                    static_cast<double>(board.now() - start) / 1e9 / wall);
    }
    {
        constexpr int kTrips = 5000000;
        Fiber* self = nullptr;
        Fiber fiber([&] {
            for (;;) self->yield();
        });
        self = &fiber;
        const double wall = wall_seconds([&] {
            for (int i = 0; i < kTrips; ++i) (void)fiber.resume();
        });
        per_item("fiber round trip (resume and yield)", wall, kTrips);
    }
    {
        Board board;
        boot(board);
        constexpr int kLines = 2000;
        const double wall = wall_seconds([&] {
            board.run_code([] {
                for (int i = 0; i < kLines; ++i) iprintf("0123456789012345678901234567890123456789012345678\n");
            }, 1000_s);
        });
        per_item("console character at 115200 bit/s", wall, static_cast<double>(board.serial_output().size()));
    }
    return 0;
}
