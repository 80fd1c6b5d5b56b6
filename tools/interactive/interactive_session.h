// The interactive mode: the board in a terminal, worked with keys, its
// virtual time paced against the wall clock at the speed the operator sets.
#ifndef TOOLS_INTERACTIVE_INTERACTIVE_SESSION_H
#define TOOLS_INTERACTIVE_INTERACTIVE_SESSION_H

#include <chrono>
#include <deque>
#include <functional>
#include <optional>
#include <string>

#include "board/board.h"
#include "board_screen.h"
#include "board_watcher.h"
#include "frame_painter.h"
#include "key_decoder.h"
#include "key_map.h"
#include "operator_inputs.h"
#include "terminal.h"

namespace tools {

struct InteractiveOptions {
    double speed = 1.0;  // virtual seconds per wall second; >= 1 (x1 real speed, x10, x100 ...)
    // Called with each chunk of console bytes the firmware sends, besides
    // showing them (e.g. to copy them to a pseudo-terminal); may be empty.
    std::function<void(const std::string&)> on_console;
};

// Why the interactive mode cannot run here (the speed, no terminal, too
// small a terminal), or "" when it can: checked before the board is powered.
std::string why_not_interactive(const InteractiveOptions& options);

// Works the (already powered) board from the terminal until the operator quits.
// Returns the process exit code: 0 on quit, non-zero with a message on stderr when
// the terminal cannot be used (not a terminal, too small: say the size needed and the size it has).
int run_interactive(sim::Board& board, const InteractiveOptions& options);

class InteractiveSession {
public:
    InteractiveSession(sim::Board& board, const InteractiveOptions& options, RawTerminal& terminal);
    // Until the operator quits: 0, or 128 + the signal that ended it.
    int run();

private:
    using WallClock = std::chrono::steady_clock;

    // The terminal is too small for the frame: the board waits, keys but q
    // are dropped, until it grows back.
    bool too_small() const;
    void take_input(std::chrono::milliseconds wait);
    void act(Action action);
    void advance(WallClock::duration elapsed);
    void pass_console();
    void measure_speed(WallClock::duration wall, sim::Nanoseconds ran);
    void show();

    sim::Board& board_;
    RawTerminal& terminal_;
    Controls controls_;
    OperatorInputs inputs_;
    KeyDecoder decoder_;
    BoardWatcher watcher_;
    std::deque<std::string> console_;  // the last lines ended
    FramePainter painter_;
    TerminalSize size_;
    TerminalSize shown_size_;
    bool quit_ = false;
    std::optional<WallClock::time_point> sequence_started_;  // an escape sequence not yet finished
    // The speed reached over the last second or so, when short of the one set.
    WallClock::duration gauge_wall_{};
    sim::Nanoseconds gauge_virtual_ = 0;
    double lagging_speed_ = 0.0;
};

}  // namespace tools

#endif
