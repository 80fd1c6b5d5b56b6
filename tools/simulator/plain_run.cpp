#include "plain_run.h"

#include <cstdio>

#include "lcd_art.h"
#include "system_stm32f2xx.h"

namespace tools {

namespace {

double ms(sim::Nanoseconds t) { return static_cast<double>(t) / 1e6; }

// Console bytes as text, control characters spelled out.
std::string visible(const std::string& bytes)
{
    std::string text;
    for (unsigned char c : bytes) {
        if (c == '\r')
            text += "\\r";
        else if (c == '\n')
            text += "\\n";
        else if (c < 0x20 || c >= 0x7F) {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02X", c);
            text += hex;
        } else
            text += static_cast<char>(c);
    }
    return text;
}

}  // namespace

void plain_run(sim::Board& board, const SimOptions& options, PtyConsole* pty)
{
    std::printf("tiltmon on the virtual board (crystal %s)\n", options.crystal ? "fitted" : "withheld");
    std::printf("LEDs shown as LED1..LED8, '*' lit\n\n");

    board.power_on();
    const sim::Nanoseconds end = board.now() + static_cast<sim::Nanoseconds>(options.seconds * 1e9);
    const sim::Nanoseconds step = 1000000;  // 1 ms
    bool fault_forced = false;
    std::string shown_leds;
    int shown_backlight = -1;
    std::uint64_t console_bytes = 0;
    std::string partial_line;
    // Console bytes are shown a line at a time, stamped when the line ends.
    auto show_console = [&](bool flush) {
        const std::string out = board.take_serial_output();
        if (pty != nullptr && !out.empty()) pty->send(out);
        console_bytes += out.size();
        partial_line += out;
        for (std::size_t end_of_line; (end_of_line = partial_line.find('\n')) != std::string::npos;) {
            std::printf("%10.3f ms  console: %s\n", ms(board.now()),
                        visible(partial_line.substr(0, end_of_line + 1)).c_str());
            partial_line.erase(0, end_of_line + 1);
        }
        if (flush && !partial_line.empty()) {
            std::printf("%10.3f ms  console: %s\n", ms(board.now()), visible(partial_line).c_str());
            partial_line.clear();
        }
    };

    while (board.now() < end && !board.stopped()) {
        if (options.fault_at_ms >= 0 && !fault_forced && ms(board.now()) >= options.fault_at_ms) {
            const std::uint32_t frame[8] = {0x00000001u, 0x00000002u, 0x00000003u, 0x00000004u,
                                            0x0000000Cu, 0x08000411u, 0x08000520u, 0x01000000u};
            board.force_hard_fault(frame);
            fault_forced = true;
            std::printf("%10.3f ms  hard fault forced\n", ms(board.now()));
        }
        board.run_for(step);
        if (board.led_pattern() != shown_leds) {
            shown_leds = board.led_pattern();
            std::printf("%10.3f ms  LEDs %s\n", ms(board.now()), shown_leds.c_str());
        }
        if (board.backlight_percent() != shown_backlight) {
            shown_backlight = board.backlight_percent();
            std::printf("%10.3f ms  backlight %d %%\n", ms(board.now()), shown_backlight);
        }
        show_console(false);
    }
    // Let the line finish what is under way.
    if (board.stopped()) board.run_for(step);
    show_console(true);

    std::printf("\nthe LCD at the end:\n%s", lcd_art(board.lcd_image(), board.backlight_percent() > 0).c_str());
    for (int line = 0; line < 8; ++line) {
        const std::string text = board.lcd_text(line);
        if (!text.empty()) std::printf("  line %d: %s\n", line, text.c_str());
    }

    const sim::Board::ClockTree clocks = board.clock_tree();
    std::printf("\nclock tree: SYSCLK %u Hz, HCLK %u Hz, PCLK1 %u Hz, PCLK2 %u Hz; SystemCoreClock %u\n",
                clocks.sysclk, clocks.hclk, clocks.pclk1, clocks.pclk2, SystemCoreClock);
    std::printf("console line: %.0f bit/s, %llu bytes sent\n", board.console_bit_rate(),
                static_cast<unsigned long long>(console_bytes));
    std::printf("foreground loop passes: %llu\n", static_cast<unsigned long long>(board.idle_passes()));
    if (board.stopped()) std::printf("firmware stopped: %s\n", board.stop_reason().c_str());
    std::printf("virtual time: %.3f ms\n", ms(board.now()));
}

}  // namespace tools
