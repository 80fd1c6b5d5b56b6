#include "plain_run.h"

#include <algorithm>
#include <cstdio>

#include "board_watcher.h"
#include "lcd_art.h"
#include "progress_line.h"
#include "system_stm32f2xx.h"
#include "text_spelling.h"
#include "time_text.h"

namespace tools {

namespace {

// Once the firmware has stopped, the line is given this long to finish what is under way.
constexpr sim::Nanoseconds kLastBytes = 1'000'000;

void tell(const std::vector<Sighting>& sightings, ProgressLine& progress)
{
    static constexpr const char* kNames[] = {"LEDs", "backlight", "console"};
    for (const Sighting& seen : sightings) {
        progress.wipe();
        std::printf("%s\n", stamped(seen.time, kNames[static_cast<int>(seen.kind)], seen.text).c_str());
    }
}

}  // namespace

void plain_run(sim::Board& board, const SimOptions& options, PtyConsole* pty)
{
    std::printf("tiltmon on the virtual board (crystal %s)\n", options.crystal ? "fitted" : "withheld");
    std::printf("times are virtual, from power-on; LEDs shown as LED1..LED8, '*' lit\n\n");

    board.power_on();
    BoardWatcher watcher(board);
    if (pty != nullptr) watcher.on_console([pty](const std::string& bytes) { pty->send(bytes); });
    ProgressLine progress(ProgressLine::on_terminal(stderr));
    const sim::Nanoseconds end = board.now() + static_cast<sim::Nanoseconds>(options.seconds * 1e9);
    progress.begin("run", board.now(), end - board.now());
    const bool fault_wanted = options.fault_at_ms >= 0;
    const auto fault_at = static_cast<sim::Nanoseconds>(options.fault_at_ms * 1e6);
    bool fault_forced = false;

    while (board.now() < end && !board.stopped()) {
        if (fault_wanted && !fault_forced && board.now() >= fault_at) {
            const std::uint32_t frame[8] = {0x00000001u, 0x00000002u, 0x00000003u, 0x00000004u,
                                            0x0000000Cu, 0x08000411u, 0x08000520u, 0x01000000u};
            board.force_hard_fault(frame);
            fault_forced = true;
            progress.wipe();
            std::printf("%s\n", stamped(board.now(), "", "hard fault forced").c_str());
        }
        sim::Nanoseconds until = std::min(end, board.now() + ProgressLine::kSlice);
        if (fault_wanted && !fault_forced) until = std::min(until, fault_at);
        board.run_until([&] { return watcher.due(); }, until - board.now());
        tell(watcher.look(), progress);
        progress.update(board.now());
    }
    if (board.stopped()) board.run_for(kLastBytes);
    tell(watcher.look(true), progress);
    if (const std::string open = watcher.take_open_line(); !open.empty())
        std::printf("%s\n", stamped(board.now(), "console", open + "  (line still open)").c_str());
    progress.wipe();

    std::printf("\nthe LCD at the end:\n%s", lcd_art(board.lcd_image(), board.backlight_percent() > 0).c_str());
    const auto lines = board.lcd_lines();
    for (std::size_t line = 0; line < lines.size(); ++line) {
        const std::string text = glass_text(lines[line]);
        if (!text.empty()) std::printf("  line %zu: %s\n", line, text.c_str());
    }

    const sim::Board::ClockTree clocks = board.clock_tree();
    std::printf("\nclock tree: SYSCLK %u Hz, HCLK %u Hz, PCLK1 %u Hz, PCLK2 %u Hz; SystemCoreClock %u\n",
                clocks.sysclk, clocks.hclk, clocks.pclk1, clocks.pclk2, SystemCoreClock);
    std::printf("console line: %.0f bit/s, %llu bytes sent\n", board.console_bit_rate(),
                static_cast<unsigned long long>(watcher.console_bytes()));
    std::printf("foreground loop passes: %llu\n", static_cast<unsigned long long>(board.idle_passes()));
    if (board.stopped()) std::printf("firmware stopped: %s\n", board.stop_reason().c_str());
    std::printf("virtual time: %s\n", clock_text(board.now()).c_str());
}

}  // namespace tools
