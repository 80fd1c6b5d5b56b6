// Runs the board and tells a person what it does, readable in an 80-column
// terminal: a caption per step, the LEDs and the backlight as they change,
// the console line a line at a time stamped with the virtual time its last
// byte left, and the screen as text art. LEDs that switch together are told
// as one change; blinking LEDs and a console line sent again and again fold
// into one line and a count.
#ifndef TOOLS_SCENARIO_NARRATOR_H
#define TOOLS_SCENARIO_NARRATOR_H

#include <cstdint>
#include <cstdio>
#include <functional>
#include <stdexcept>
#include <string>

#include "board/board.h"
#include "repeat_fold.h"

namespace tools {

// The firmware stopped (a halt, the default handler) while the board ran.
class RunError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class Narrator {
public:
    Narrator(sim::Board& board, std::FILE* out);

    void step(const std::string& caption);
    // A line of narration, stamped with the virtual time.
    void say(const std::string& text);

    void run_for(sim::Nanoseconds span);
    // Runs until cond() holds, telling what changes on the way; false when
    // the limit passes first.
    bool run_until(const std::function<bool()>& cond, sim::Nanoseconds limit);

    // The glass as text art, and under it the text each line reads unless
    // the screen is a picture.
    void show_screen(bool with_text = true);
    // Ends what is folded, so the next lines stand after it.
    void finish();
    // At the end: also prints a console line still open.
    void close();

    // Also hands every console byte, as it is taken from the line, to sink.
    void on_console(std::function<void(const std::string&)> sink) { console_sink_ = std::move(sink); }

    // Console lines ended so far, and the last one as shown.
    std::uint64_t console_lines() const { return console_lines_; }
    const std::string& last_console_line() const { return last_console_line_; }

private:
    bool changed() const;
    void tell_changes();
    // settled: tell a change even if it has only just happened.
    void tell_leds(bool settled);
    void print(const char* what, const std::vector<StampedLine>& lines);

    sim::Board& board_;
    std::FILE* out_;
    std::string shown_leds_;
    // LEDs that change together (the alarm's three) are told as one change,
    // once they have stood still for a while.
    static constexpr sim::Nanoseconds kLedsSettle = 1000000;  // 1 ms
    bool leds_moving_ = false;
    sim::Nanoseconds leds_moved_at_ = 0;
    int shown_backlight_ = -1;
    std::function<void(const std::string&)> console_sink_;
    std::string console_line_;
    std::uint64_t console_lines_ = 0;
    std::string last_console_line_;
    RepeatFold console_fold_{1};
    RepeatFold led_fold_{2};
};

// Console bytes as text: the line feed that ends a line dropped, every other
// control character spelled out ("\r", "\x07").
std::string visible_line(const std::string& bytes);

}  // namespace tools

#endif
