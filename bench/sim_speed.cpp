// What the virtual board costs on the host, from a release build: wall time
// per bus access, per idle tick of the foreground loop, per fiber round
// trip, per SPI byte and per console character, virtual time per second of
// wall time, and the bytes on the LCD's bus and the virtual time of a
// full-screen refresh and of one painted text line. Figures only; nothing
// here is asserted.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>

#include <array>
#include <cstdint>

#include "board/board.h"
#include "board/operator.h"
#include "core/fiber.h"
#include "lcd_st7565p.h"
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
    if (Operator(board).power_on()) return;
    std::fprintf(stderr, "sim_speed: start-up did not reach its loop: %s\n", board.stop_reason().c_str());
    std::exit(1);
}

// Bytes on SPI2 and virtual time of one LCD operation.
void lcd_operation(Board& board, const char* what, const std::function<void()>& operation, int expected_bytes)
{
    const std::uint64_t bytes = board.lcd_bus_bytes();
    const Nanoseconds start = board.now();
    board.run_code(operation);
    std::printf("%-40s %6llu bytes (%d expected) in %8.3f ms virtual\n", what,
                static_cast<unsigned long long>(board.lcd_bus_bytes() - bytes), expected_bytes,
                static_cast<double>(board.now() - start) / 1e6);
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
                // Two registers in turn: the same one read again and again
                // would be a busy-wait, which skips ahead instead.
                for (int i = 0; i < kReads / 2; ++i) {
                    (void)static_cast<std::uint32_t>(GPIOE->ODR);
                    (void)static_cast<std::uint32_t>(GPIOE->IDR);
                }
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
        constexpr int kScreens = 1000;
        const std::uint64_t bytes = board.lcd_bus_bytes();
        const double wall = wall_seconds([&] {
            board.run_code([] {
                for (int i = 0; i < kScreens; ++i) LCD_Clear();
            }, 1000_s);
        });
        per_item("SPI byte (LCD_Clear, 1056 bytes each)", wall,
                 static_cast<double>(board.lcd_bus_bytes() - bytes));

        static std::array<std::uint8_t, 1024> frame{};
        for (std::size_t i = 0; i < frame.size(); ++i) frame[i] = static_cast<std::uint8_t>(i * 37);
        lcd_operation(board, "full-screen refresh (LCD_DisplayEx)", [] { LCD_DisplayEx(frame.data(), 0); }, 1056);
        static char line[] = "ABCDEFGHIJKLMNOPQRSTU";
        lcd_operation(board, "21-character line, rest painted", [] { LCD_DisplayStringLineEx(2, line, 2); }, 409);
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
