// The alternate-function path from two port pins to a timer's channel 1 and
// 2 inputs. A pin reaches the timer only while it is in alternate-function
// mode with the timer's function selected; otherwise that input stays low,
// and the timer sees no edges from it.
#ifndef SIM_BOARD_TIMER_INPUT_PINS_H
#define SIM_BOARD_TIMER_INPUT_PINS_H

#include <array>

#include "models/general_timer.h"
#include "models/gpio_port.h"

namespace sim {

class TimerInputPins {
public:
    TimerInputPins(GpioPort& port, std::array<int, 2> pins, int function, GeneralTimer& timer)
        : port_(port), pins_(pins), function_(function)
    {
        timer.set_input_source([this](int channel) { return level(channel); });
        for (int channel = 1; channel <= 2; ++channel)
            port_.listen(pins_[static_cast<std::size_t>(channel - 1)],
                         [&timer, channel](bool) { timer.input_changed(channel); });
    }
    TimerInputPins(const TimerInputPins&) = delete;
    TimerInputPins& operator=(const TimerInputPins&) = delete;

    // What the timer's channel input (1 or 2) sees now.
    bool level(int channel) const
    {
        const int pin = pins_[static_cast<std::size_t>(channel - 1)];
        return port_.mode(pin) == GpioPort::kModeAlternate && port_.alternate_function(pin) == function_ &&
               port_.level(pin);
    }

private:
    GpioPort& port_;
    std::array<int, 2> pins_;
    int function_;
};

}  // namespace sim

#endif
