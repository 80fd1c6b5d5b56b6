// What each key does to the board and to the world around it, and the
// knobs (tilt, speed) those keys turn, kept within their ranges.
#ifndef TOOLS_INTERACTIVE_KEY_MAP_H
#define TOOLS_INTERACTIVE_KEY_MAP_H

#include "key_decoder.h"

namespace tools {

enum class Action {
    None,
    PressOk,
    PressBack,
    TurnClockwise,
    TurnAnticlockwise,
    TiltLeft,   // X +
    TiltRight,  // X -
    TiltBack,   // Y +
    TiltFront,  // Y -
    Level,
    SpeedUp,
    SpeedDown,
    Quit,
};

Action action_for(const Key& key);

// The world as the operator has set it with the keys.
struct Controls {
    static constexpr double kTiltStepDegrees = 5.0;
    static constexpr double kMostTiltDegrees = 90.0;
    static constexpr double kSpeedFactor = 10.0;
    static constexpr double kSlowestSpeed = 1.0;
    static constexpr double kFastestSpeed = 10000.0;

    double tilt_x_degrees = 0.0;
    double tilt_y_degrees = 0.0;
    double speed = 1.0;  // virtual seconds per wall second

    bool operator==(const Controls&) const = default;
};

// The controls after a tilt, level or speed action; other actions leave them.
Controls adjusted(Controls controls, Action action);

// The help line's text, one string per screen row.
constexpr const char* kKeyHelp[2] = {
    "Keys: Enter/o OK  Backspace/b back  \u2190/\u2192 or ,/. turn one detent (\u2191/\u2193 too)  q/Ctrl-C quit",
    "      a/d tilt X left/right 5\u00b0  w/s tilt Y back/front 5\u00b0  0 level  +/- speed x10 (1..10000)",
};

}  // namespace tools

#endif
