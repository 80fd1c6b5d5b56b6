#include "rotary_encoder.h"

namespace sim {

namespace {
// Contacts closed at each phase of the cycle, clockwise order.
constexpr bool kAClosed[4] = {false, true, true, false};
constexpr bool kBClosed[4] = {false, false, true, true};
}  // namespace

RotaryEncoder::RotaryEncoder(GpioPort& port, int pin_a, int pin_b) : port_(port), pin_a_(pin_a), pin_b_(pin_b)
{
    port_.set_board_pull(pin_a_, true);
    port_.set_board_pull(pin_b_, true);
}

void RotaryEncoder::step(int edges)
{
    const int direction = edges > 0 ? 1 : -1;
    for (int i = 0; i != edges; i += direction) {
        phase_ = (phase_ + direction + 4) % 4;
        show_phase();
    }
}

void RotaryEncoder::show_phase()
{
    const auto contact = [this](int pin, bool closed) {
        if (closed)
            port_.drive(pin, false);
        else
            port_.release(pin);
    };
    // One contact changes per edge; the other keeps its level.
    contact(pin_a_, kAClosed[phase_]);
    contact(pin_b_, kBClosed[phase_]);
}

}  // namespace sim
