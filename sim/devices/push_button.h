// A push button between a port pin and ground, with the board's pull-up
// resistor: the pin reads high while the button is up and is pulled low
// while it is held down. Press and release are separate, so one button can
// be held while the other is pressed.
#ifndef SIM_DEVICES_PUSH_BUTTON_H
#define SIM_DEVICES_PUSH_BUTTON_H

#include "models/gpio_port.h"

namespace sim {

class PushButton {
public:
    PushButton(GpioPort& port, int pin) : port_(port), pin_(pin) { port_.set_board_pull(pin_, true); }

    void press()
    {
        pressed_ = true;
        port_.drive(pin_, false);
    }
    void release()
    {
        pressed_ = false;
        port_.release(pin_);
    }
    bool pressed() const { return pressed_; }

private:
    GpioPort& port_;
    int pin_;
    bool pressed_ = false;
};

}  // namespace sim

#endif
