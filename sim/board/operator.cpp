#include "operator.h"

namespace sim {

Operator::Operator(Board& board, Advance advance) : board_(board), advance_(std::move(advance)) {}

bool Operator::run_until(const std::function<bool()>& cond, Nanoseconds limit)
{
    return advance_ ? advance_(cond, limit) : board_.run_until(cond, limit);
}

void Operator::pass(Nanoseconds span)
{
    if (advance_)
        advance_([] { return false; }, span);
    else
        board_.run_for(span);
}

bool Operator::power_on()
{
    board_.power_on();
    return run_until([this] { return board_.idle_passes() > 0; }, kLongestStartUp);
}

bool Operator::await_handled(Nanoseconds limit)
{
    return run_until([this] { return !board_.button_action_pending(); }, limit);
}

bool Operator::press(Button button)
{
    push(button);
    if (!await_handled()) return false;
    release(button);
    return true;
}

void Operator::push(Button button)
{
    board_.press(button);
    pass(kContactSettles);
}

void Operator::release(Button button)
{
    board_.release(button);
    pass(kContactSettles);
}

void Operator::hold(Button button, Nanoseconds span)
{
    board_.press(button);
    pass(span);
    release(button);
}

void Operator::turn(int detents)
{
    const int step = detents > 0 ? 1 : -1;
    for (int i = 0; i != detents; i += step) {
        board_.turn_encoder(step);
        pass(kDetentPause);
    }
}

}  // namespace sim
