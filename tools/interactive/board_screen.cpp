#include "board_screen.h"

#include <cmath>
#include <cstdio>
#include <sstream>

#include "lcd_art.h"
#include "text_spelling.h"
#include "time_text.h"

namespace tools {

namespace {

// The glass takes the left 66 columns; the panel beside it starts below the
// glass's top edge, which carries the backlight label.
constexpr std::size_t kPanelColumn = 68;
constexpr std::size_t kPanelWidth = kScreenColumns - kPanelColumn;
constexpr int kPanelFirstGlassRow = 1;

std::string format(const char* pattern, auto... values)
{
    char text[160];
    std::snprintf(text, sizeof text, pattern, values...);
    return text;
}

bool continuation_byte(unsigned char byte) { return (byte & 0xC0) == 0x80; }

// At most width columns of text, cut at a character's start.
std::string clip(const std::string& text, std::size_t width)
{
    std::size_t columns = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        if (continuation_byte(byte)) continue;
        if (byte == 0x1b) return text;  // styled text is laid out to fit already
        if (columns == width) return text.substr(0, i);
        ++columns;
    }
    return text;
}

std::string pad(const std::string& text, std::size_t width)
{
    const std::size_t used = display_width(text);
    return used >= width ? text : text + std::string(width - used, ' ');
}

std::vector<std::string> split_lines(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

// A text line of the glass in its 22 cells, inverted cells in reverse video.
std::string text_cells(const sim::TextLine& line)
{
    std::string cells;
    bool inverted = false;
    for (int cell = 0; cell < sim::TextLine::kCells; ++cell) {
        const auto i = static_cast<std::size_t>(cell);
        if (line.inverted[i] != inverted) {
            inverted = line.inverted[i];
            cells += inverted ? "\x1b[7m" : "\x1b[27m";
        }
        cells += glass_cell(line, i);
    }
    if (inverted) cells += "\x1b[27m";
    return cells;
}

std::string tilt(double degrees, const char* plus, const char* minus)
{
    if (degrees == 0.0) return "0\u00b0 level";
    return format("%+.0f\u00b0 %s", degrees, degrees > 0 ? plus : minus);
}

std::string speed(const BoardView& view)
{
    std::string text = format("x%.0f", view.controls.speed);
    if (view.lagging_speed > 0.0) text += format(" (only x%.0f)", std::max(1.0, std::floor(view.lagging_speed)));
    return text;
}

std::vector<std::string> panel(const BoardView& view)
{
    std::vector<std::string> rows = {"LCD text"};
    for (int line = 0; line < sim::LcdImage::kPages; ++line)
        rows.push_back(format("%d\u2502", line) + text_cells(view.lines[static_cast<std::size_t>(line)]) + "\u2502");
    rows.emplace_back();
    for (int first : {0, 4}) {
        std::string leds;
        for (int led = first; led < first + 4; ++led)
            leds += format("LED%d %s  ", led + 1, view.leds[static_cast<std::size_t>(led)] ? "\u25cf" : "\u25cb");
        rows.push_back(leds);
    }
    rows.emplace_back();
    rows.push_back(format("Backlight  %d %%", view.backlight_percent));
    rows.push_back("Time       " + clock_text(view.virtual_time, 1));
    rows.push_back("Speed      " + speed(view));
    rows.push_back("Tilt X     " + tilt(view.controls.tilt_x_degrees, "left", "right"));
    rows.push_back("Tilt Y     " + tilt(view.controls.tilt_y_degrees, "back", "front"));
    rows.emplace_back();
    if (!view.holding.empty()) rows.push_back("Holding " + view.holding + " down");
    if (view.inputs_waiting > 0) rows.push_back(format("Keys waiting: %zu", view.inputs_waiting));
    return rows;
}

std::string firmware_state(const BoardView& view)
{
    if (view.stopped) return "FIRMWARE STOPPED: " + view.stop_reason + "  (q quits)";
    return "Firmware running";
}

std::string rule(const std::string& title)
{
    std::string line = "\u2500\u2500 " + title + " ";
    while (display_width(line) < static_cast<std::size_t>(kScreenColumns)) line += "\u2500";
    return line;
}

}  // namespace

BoardView view_of(const sim::Board& board)
{
    BoardView view;
    view.glass = board.lcd_image();
    view.lines = board.lcd_lines();
    for (int led = 1; led <= 8; ++led) view.leds[static_cast<std::size_t>(led - 1)] = board.led(led);
    view.backlight_percent = board.backlight_percent();
    view.virtual_time = board.now();
    view.stopped = board.stopped();
    view.stop_reason = board.stop_reason();
    return view;
}

std::vector<std::string> render_board_screen(const BoardView& view)
{
    const auto columns = static_cast<std::size_t>(kScreenColumns);
    std::vector<std::string> rows = {"tiltmon on the virtual board: interactive"};

    const std::vector<std::string> glass = split_lines(lcd_art(view.glass, view.backlight_percent > 0));
    const std::vector<std::string> beside = panel(view);
    for (std::size_t i = 0; i < glass.size(); ++i) {
        std::string row = glass[i];
        if (i >= kPanelFirstGlassRow && i - kPanelFirstGlassRow < beside.size())
            row = pad(row, kPanelColumn) + clip(beside[i - kPanelFirstGlassRow], kPanelWidth);
        rows.push_back(row);
    }

    rows.push_back(clip(firmware_state(view), columns));
    rows.push_back(rule("Console (COM1)"));
    std::vector<std::string> console = view.console;
    if (console.size() > kConsoleRowsShown)
        console.erase(console.begin(), console.end() - static_cast<std::ptrdiff_t>(kConsoleRowsShown));
    for (std::size_t i = 0; i < kConsoleRowsShown; ++i) rows.push_back(i < console.size() ? clip(console[i], columns) : "");
    for (const char* help : kKeyHelp) rows.emplace_back(help);
    return rows;
}

std::vector<std::string> render_too_small(int columns, int rows)
{
    // Short rows, as the terminal may be very small.
    std::vector<std::string> message = {
        "The terminal is too small.",
        format("It needs %d x %d characters,", kScreenColumns, kScreenRows),
        format("this one is %d x %d.", columns, rows),
        "The board is paused meanwhile.",
        "Make it larger, or press q to quit.",
    };
    if (rows >= 0 && message.size() > static_cast<std::size_t>(rows)) message.resize(static_cast<std::size_t>(rows));
    for (std::string& row : message) row = clip(row, static_cast<std::size_t>(std::max(columns, 0)));
    return message;
}

std::size_t display_width(std::string_view text)
{
    std::size_t columns = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        if (byte == 0x1b && i + 1 < text.size() && text[i + 1] == '[') {
            // A control sequence ends at its final byte.
            i += 2;
            while (i < text.size() && !(text[i] >= 0x40 && text[i] <= 0x7E)) ++i;
            continue;
        }
        if (!continuation_byte(byte)) ++columns;
    }
    return columns;
}

}  // namespace tools
