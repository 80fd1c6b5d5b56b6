#include "key_map.h"

#include <algorithm>
#include <cctype>

namespace tools {

namespace {

Action action_for_character(char c)
{
    switch (std::tolower(static_cast<unsigned char>(c))) {
    case 'o': return Action::PressOk;
    case 'b': return Action::PressBack;
    case ',':
    case '<': return Action::TurnAnticlockwise;
    case '.':
    case '>': return Action::TurnClockwise;
    case 'a': return Action::TiltLeft;
    case 'd': return Action::TiltRight;
    case 'w': return Action::TiltBack;
    case 's': return Action::TiltFront;
    case '0': return Action::Level;
    case '+':
    case '=': return Action::SpeedUp;  // '=' is '+' without shift
    case '-': return Action::SpeedDown;
    case 'q': return Action::Quit;
    default: return Action::None;
    }
}

double tilt_step(double degrees, double step)
{
    return std::clamp(degrees + step, -Controls::kMostTiltDegrees, Controls::kMostTiltDegrees);
}

}  // namespace

Action action_for(const Key& key)
{
    switch (key.code) {
    case KeyCode::Character: return action_for_character(key.character);
    case KeyCode::Enter: return Action::PressOk;
    case KeyCode::Backspace: return Action::PressBack;
    case KeyCode::Interrupt: return Action::Quit;
    // Clockwise moves the menu's pointer down the list.
    case KeyCode::Right:
    case KeyCode::Down: return Action::TurnClockwise;
    case KeyCode::Left:
    case KeyCode::Up: return Action::TurnAnticlockwise;
    case KeyCode::Escape: return Action::None;
    }
    return Action::None;
}

Controls adjusted(Controls controls, Action action)
{
    constexpr double step = Controls::kTiltStepDegrees;
    switch (action) {
    case Action::TiltLeft: controls.tilt_x_degrees = tilt_step(controls.tilt_x_degrees, step); break;
    case Action::TiltRight: controls.tilt_x_degrees = tilt_step(controls.tilt_x_degrees, -step); break;
    case Action::TiltBack: controls.tilt_y_degrees = tilt_step(controls.tilt_y_degrees, step); break;
    case Action::TiltFront: controls.tilt_y_degrees = tilt_step(controls.tilt_y_degrees, -step); break;
    case Action::Level: controls.tilt_x_degrees = controls.tilt_y_degrees = 0.0; break;
    case Action::SpeedUp:
        controls.speed = std::min(controls.speed * Controls::kSpeedFactor, Controls::kFastestSpeed);
        break;
    case Action::SpeedDown:
        controls.speed = std::max(controls.speed / Controls::kSpeedFactor, Controls::kSlowestSpeed);
        break;
    default: break;
    }
    return controls;
}

}  // namespace tools
