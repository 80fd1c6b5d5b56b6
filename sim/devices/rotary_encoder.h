// A rotary incremental encoder: two contacts, A and B, between port pins and
// ground, with the board's pull-ups, so an open contact reads high. At a
// detent both contacts are open; one detent is a full quadrature cycle of
// four edges. Turned clockwise, A leads: A falls, B falls, A rises, B rises;
// anticlockwise, B leads.
#ifndef SIM_DEVICES_ROTARY_ENCODER_H
#define SIM_DEVICES_ROTARY_ENCODER_H

#include "models/gpio_port.h"

namespace sim {

class RotaryEncoder {
public:
    struct Contact {
        GpioPort& port;
        int pin;
    };

    RotaryEncoder(Contact a, Contact b);

    // Whole detents, positive clockwise; every edge happens at the current time.
    void turn(int detents) { step(4 * detents); }
    // Single edges, a quarter of a detent each, positive clockwise.
    void step(int edges);

    // Where in the quadrature cycle the knob stands: 0 at a detent.
    int phase() const { return phase_; }

private:
    void show_phase();

    Contact a_;
    Contact b_;
    int phase_ = 0;  // the shaft is where it is, whatever the supply does
};

}  // namespace sim

#endif
