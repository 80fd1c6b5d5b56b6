// The interactive mode's frame: the glass, the text its lines read, the
// LEDs, the backlight, virtual time and speed, the tilt, the firmware's
// state, the console's last lines and the keys, as one string per terminal
// row. Drawn from a plain view of the board, so it can be checked without
// a terminal.
#ifndef TOOLS_INTERACTIVE_BOARD_SCREEN_H
#define TOOLS_INTERACTIVE_BOARD_SCREEN_H

#include <array>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "board/board.h"
#include "devices/lcd_image.h"
#include "devices/lcd_text_view.h"
#include "key_map.h"

namespace tools {

// The terminal the frame needs.
constexpr int kScreenColumns = 100;
constexpr int kScreenRows = 45;
constexpr std::size_t kConsoleRowsShown = 6;

struct BoardView {
    sim::LcdImage glass;
    std::array<sim::TextLine, sim::LcdImage::kPages> lines{};
    std::array<bool, 8> leds{};  // LED1 first
    int backlight_percent = 0;
    sim::Nanoseconds virtual_time = 0;
    Controls controls;
    // Virtual seconds per wall second actually run lately; 0 when keeping up.
    double lagging_speed = 0.0;
    bool stopped = false;
    std::string stop_reason;
    std::string holding;  // the button held down now ("OK"), or ""
    std::size_t inputs_waiting = 0;
    std::vector<std::string> console;  // the last lines, oldest first
};

// What the board shows; the caller fills in the rest.
BoardView view_of(const sim::Board& board);

// kScreenRows strings, none wider than kScreenColumns on the terminal.
std::vector<std::string> render_board_screen(const BoardView& view);

// The frame for a terminal too small for the board: what it needs and has,
// and that the board waits meanwhile.
std::vector<std::string> render_too_small(int columns, int rows);

// Terminal columns a string takes: one per character, escape sequences none.
std::size_t display_width(std::string_view text);

}  // namespace tools

#endif
