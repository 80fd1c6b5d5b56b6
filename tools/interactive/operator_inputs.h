// The operator's presses and turns, put to the board as a hand would: one
// at a time and in the order given. A press holds the button down until the
// firmware has handled it (no button action pending), which
// can take seconds of virtual time (an erase, a notice), and only then lets
// go; a detent is followed by two polls of the encoder before the next.
// Inputs that come meanwhile wait their turn, up to a bound.
#ifndef TOOLS_INTERACTIVE_OPERATOR_INPUTS_H
#define TOOLS_INTERACTIVE_OPERATOR_INPUTS_H

#include <cstddef>
#include <deque>
#include <optional>

#include "board/board.h"
#include "board/operator.h"

namespace tools {

enum class OperatorInput { PressOk, PressBack, TurnClockwise, TurnAnticlockwise };

class OperatorInputs {
public:
    static constexpr std::size_t kMostWaiting = 32;
    // The pauses of sim::Operator, which does the same one step at a time.
    static constexpr sim::Nanoseconds kPressSettles = sim::Operator::kContactSettles;  // down before it counts as handled
    static constexpr sim::Nanoseconds kAfterRelease = sim::Operator::kContactSettles;  // up before the next input
    static constexpr sim::Nanoseconds kAfterDetent = sim::Operator::kDetentPause;      // two encoder polls
    static constexpr sim::Nanoseconds kLongestHold = sim::Operator::kLongestButtonAction;  // let go even if never handled

    // False when too many inputs wait already (the input is dropped).
    bool add(OperatorInput input);
    // Runs the board for span of virtual time, putting the inputs to it as
    // their turn comes. Stops early if the firmware stops.
    void run_for(sim::Board& board, sim::Nanoseconds span);

    std::size_t waiting() const { return waiting_.size(); }
    std::optional<sim::Button> holding() const { return held_; }

private:
    void start_next(sim::Board& board);
    void run_holding(sim::Board& board, sim::Nanoseconds end);

    std::deque<OperatorInput> waiting_;
    std::optional<sim::Button> held_;
    sim::Nanoseconds held_since_ = 0;
    sim::Nanoseconds next_input_at_ = 0;
};

}  // namespace tools

#endif
