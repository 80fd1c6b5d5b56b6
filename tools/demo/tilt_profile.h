// A tilt that changes as virtual time passes: straight ramps between
// keyframes, held at the first before it and at the last after it.
#ifndef TOOLS_DEMO_TILT_PROFILE_H
#define TOOLS_DEMO_TILT_PROFILE_H

#include <vector>

namespace tools {

struct TiltKeyframe {
    double seconds;
    double x;  // degrees, + left, - right
    double y;  // degrees, + back, - front
};

struct TiltNow {
    double x;
    double y;
};

class TiltProfile {
public:
    // Keyframes in time order, at least one; anything else is refused.
    explicit TiltProfile(std::vector<TiltKeyframe> keyframes);

    TiltNow at(double seconds) const;
    double length() const { return keyframes_.back().seconds; }

private:
    std::vector<TiltKeyframe> keyframes_;
};

}  // namespace tools

#endif
