// The board worked as a person works it: power on and wait until the
// firmware's foreground loop runs, a press that waits until the button's
// action has ended, a hold, and the knob turned a detent at a time, each
// detent given time for the encoder poll to see it. Virtual time passes
// through the board's own run_until, or through a tool's own way of running
// that shows what changes meanwhile.
#ifndef SIM_BOARD_OPERATOR_H
#define SIM_BOARD_OPERATOR_H

#include <functional>

#include "board.h"

namespace sim {

class Operator {
public:
    // Runs until cond() holds or limit passes; true when cond held.
    using Advance = std::function<bool(const std::function<bool()>& cond, Nanoseconds limit)>;

    // Start-up reaches its loop in well under a second; a stuck one is told.
    static constexpr Nanoseconds kLongestStartUp = 10_s;
    // A button's action may hold its handler for minutes: a full report
    // takes about three.
    static constexpr Nanoseconds kLongestButtonAction = 400_s;
    // A contact that closes or opens, and the handler's entry after it.
    static constexpr Nanoseconds kContactSettles = 1_ms;
    // Two polls of the encoder (every 10 ms), so each detent is taken
    // before the next.
    static constexpr Nanoseconds kDetentPause = 20_ms;

    explicit Operator(Board& board, Advance advance = {});

    // Power on (from off) and run until the foreground loop runs; false
    // when it does not within kLongestStartUp (see Board::stop_reason).
    [[nodiscard]] bool power_on();
    // Push, wait until the button's action has ended, let go. False when
    // the action still runs after kLongestButtonAction; the button stays down.
    [[nodiscard]] bool press(Button button);
    // Push and keep it down; let go.
    void push(Button button);
    void release(Button button);
    // Push, keep it down for span, let go.
    void hold(Button button, Nanoseconds span);
    // Detents one at a time, + clockwise.
    void turn(int detents);
    // Runs until no button action runs or waits; false when one still does
    // after limit.
    [[nodiscard]] bool await_handled(Nanoseconds limit = kLongestButtonAction);

private:
    bool run_until(const std::function<bool()>& cond, Nanoseconds limit);
    void pass(Nanoseconds span);

    Board& board_;
    Advance advance_;
};

}  // namespace sim

#endif
