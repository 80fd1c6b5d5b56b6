#include "operator_inputs.h"

#include <algorithm>

namespace tools {

bool OperatorInputs::add(OperatorInput input)
{
    if (waiting_.size() >= kMostWaiting) return false;
    waiting_.push_back(input);
    return true;
}

void OperatorInputs::run_for(sim::Board& board, sim::Nanoseconds span)
{
    const sim::Nanoseconds end = board.now() + span;
    while (board.now() < end && !board.stopped()) {
        if (held_) {
            run_holding(board, end);
        } else if (!waiting_.empty() && board.now() >= next_input_at_) {
            start_next(board);
        } else {
            const sim::Nanoseconds until = waiting_.empty() ? end : std::min(end, next_input_at_);
            board.run_for(until - board.now());
        }
    }
}

void OperatorInputs::start_next(sim::Board& board)
{
    const OperatorInput input = waiting_.front();
    waiting_.pop_front();
    switch (input) {
    case OperatorInput::PressOk:
    case OperatorInput::PressBack:
        held_ = input == OperatorInput::PressOk ? sim::Button::Ok : sim::Button::Back;
        held_since_ = board.now();
        board.press(*held_);
        break;
    case OperatorInput::TurnClockwise:
    case OperatorInput::TurnAnticlockwise:
        board.turn_encoder(input == OperatorInput::TurnClockwise ? 1 : -1);
        next_input_at_ = board.now() + kAfterDetent;
        break;
    }
}

void OperatorInputs::run_holding(sim::Board& board, sim::Nanoseconds end)
{
    const sim::Nanoseconds settled_at = held_since_ + kPressSettles;
    const sim::Nanoseconds give_up_at = held_since_ + kLongestHold;
    if (board.now() < settled_at) {
        board.run_for(std::min(end, settled_at) - board.now());
        return;
    }
    if (!board.button_action_pending() || board.now() >= give_up_at) {
        board.release(*held_);
        held_.reset();
        next_input_at_ = board.now() + kAfterRelease;
        return;
    }
    board.run_until([&] { return !board.button_action_pending(); }, std::min(end, give_up_at) - board.now());
}

}  // namespace tools
