// The alternate-function path from port pins to a timer's channel inputs. A
// pin reaches its channel only while it is in alternate-function mode with
// the timer's function selected; otherwise that input stays low, and the
// timer sees no edges from it.
#ifndef SIM_BOARD_TIMER_INPUT_PINS_H
#define SIM_BOARD_TIMER_INPUT_PINS_H

#include <vector>

#include "core/sim_error.h"
#include "models/general_timer.h"
#include "models/gpio_port.h"

namespace sim {

class TimerInputPins {
public:
    struct Input {
        int channel;  // 1 or 2
        GpioPort* port;
        int pin;
        int function;
    };

    TimerInputPins(GeneralTimer& timer, std::vector<Input> inputs) : inputs_(std::move(inputs))
    {
        for (const Input& input : inputs_) {
            if (input.channel != 1 && input.channel != 2)
                throw SimError(timer.name() + " takes inputs on channels 1 and 2, not " +
                               std::to_string(input.channel));
            input.port->listen(input.pin, [&timer, channel = input.channel](bool) { timer.input_changed(channel); });
        }
        timer.set_input_source([this](int channel) { return level(channel); });
    }
    TimerInputPins(const TimerInputPins&) = delete;
    TimerInputPins& operator=(const TimerInputPins&) = delete;

    // What the timer's channel input sees now.
    bool level(int channel) const
    {
        for (const Input& input : inputs_)
            if (input.channel == channel)
                return input.port->mode(input.pin) == GpioPort::kModeAlternate &&
                       input.port->alternate_function(input.pin) == input.function && input.port->level(input.pin);
        return false;
    }

private:
    std::vector<Input> inputs_;
};

}  // namespace sim

#endif
