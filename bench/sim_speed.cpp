// How fast the virtual board runs the firmware: virtual time per second of
// wall time, for an idle foreground loop and for a busy console line.
// Figures only; nothing here is asserted.
#include <chrono>
#include <cstdio>
#include <functional>

#include "board/board.h"
#include "platform_stdio.h"
#include "sercom.h"

namespace {

double wall_seconds(const std::function<void()>& work)
{
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void report(const char* scene, sim::Nanoseconds virtual_ns, double wall)
{
    const double virtual_s = static_cast<double>(virtual_ns) / 1e9;
    std::printf("%-44s %10.3f s virtual in %8.3f s wall: %10.2f virtual s per wall s\n", scene, virtual_s, wall,
                virtual_s / wall);
}

}  // namespace

int main()
{
    {
        sim::Board board;
        board.power_on();
        const sim::Nanoseconds start = board.clock().now();
        const double wall = wall_seconds([&] {
            for (int i = 0; i < 60000; ++i) board.run_for(1000000);  // 60 s in 1 ms steps
        });
        report("boot, then the foreground loop for 60 s", board.clock().now() - start, wall);
    }
    {
        sim::Board board;
        board.power_on();
        board.run_for(10000000);
        const sim::Nanoseconds start = board.clock().now();
        constexpr int kLines = 50;
        const double wall = wall_seconds([&] {
            board.run_code([] {
                for (int i = 0; i < kLines; ++i) iprintf("%5d: 0123456789 abcdefghij ABCDEFGHIJ\r\n", i);
            });
        });
        std::printf("(%zu console bytes)\n", board.serial_output().size());
        report("console output at 115200 bit/s", board.clock().now() - start, wall);
    }
    return 0;
}
