// Watches what a person sees of the board besides the glass: the LEDs, the
// backlight and the console line, and tells each change once, stamped with
// the virtual time it happened. LEDs that switch together (the alarm's
// three) are told as one change once they have stood still for a moment;
// console bytes are told a line at a time (console_lines.h).
//
// Cheap to ask at every pass of the firmware's idle loop: the LEDs and the
// backlight are read only when something that drives them was written.
#ifndef TOOLS_COMMON_BOARD_WATCHER_H
#define TOOLS_COMMON_BOARD_WATCHER_H

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "board/board.h"
#include "console_lines.h"

namespace tools {

struct Sighting {
    enum class Kind { Leds, Backlight, Console };
    Kind kind;
    sim::Nanoseconds time;
    std::string text;  // "*.......", "100 %", a console line spelled
    bool operator==(const Sighting&) const = default;
};

class BoardWatcher {
public:
    static constexpr sim::Nanoseconds kLedsSettle = 1000000;  // 1 ms

    // What the board shows now (before power-on: all dark) is what changes
    // are told against.
    explicit BoardWatcher(sim::Board& board);

    // Also hands every console byte, as it is taken from the board, to sink.
    void on_console(std::function<void(const std::string&)> sink) { console_sink_ = std::move(sink); }

    // Something is there to tell: a console line has ended, the LEDs have
    // settled on a new pattern, the backlight has changed. For a condition of
    // Board::run_until.
    bool due();
    // What changed since the last look, oldest first: LEDs stamped when
    // they began to change, the rest when seen. settled: tell LEDs even if
    // they have only just changed.
    std::vector<Sighting> look(bool settled = false);

    // The console line begun and not yet ended, spelled; and the same forgotten.
    std::string open_line() const { return console_.open_line(); }
    std::string take_open_line() { return console_.take_open_line(); }
    std::uint64_t console_bytes() const { return console_bytes_; }

private:
    // Reads the LEDs and the backlight if what drives them was written.
    void notice_lights();

    sim::Board& board_;
    std::function<void(const std::string&)> console_sink_;
    ConsoleLines console_;
    std::uint64_t console_bytes_ = 0;
    std::uint64_t lights_seen_;
    std::string shown_leds_;
    int shown_backlight_;
    int backlight_now_;
    bool leds_moving_ = false;
    sim::Nanoseconds leds_moved_at_ = 0;
};

// A line of a transcript: "  1:14.250 LEDs      **.*....".
std::string stamped(sim::Nanoseconds time, const std::string& what, const std::string& text);

}  // namespace tools

#endif
