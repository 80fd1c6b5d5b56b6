#include "rotary_encoder.h"

namespace sim {

namespace {
// Contacts closed at each phase of the cycle, clockwise order.
constexpr bool kAClosed[4] = {false, true, true, false};
constexpr bool kBClosed[4] = {false, false, true, true};
}  // namespace

RotaryEncoder::RotaryEncoder(Contact a, Contact b) : a_(a), b_(b)
{
    a_.port.set_board_pull(a_.pin, true);
    b_.port.set_board_pull(b_.pin, true);
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
    const auto contact = [](const Contact& c, bool closed) {
        if (closed)
            c.port.drive(c.pin, false);
        else
            c.port.release(c.pin);
    };
    // One contact changes per edge; the other keeps its level.
    contact(a_, kAClosed[phase_]);
    contact(b_, kBClosed[phase_]);
}

}  // namespace sim
