#include "tilt_profile.h"

#include <stdexcept>

namespace tools {

TiltProfile::TiltProfile(std::vector<TiltKeyframe> keyframes) : keyframes_(std::move(keyframes))
{
    if (keyframes_.empty()) throw std::invalid_argument("a tilt profile needs at least one keyframe");
    for (std::size_t i = 1; i < keyframes_.size(); ++i)
        if (!(keyframes_[i].seconds > keyframes_[i - 1].seconds))
            throw std::invalid_argument("tilt keyframe " + std::to_string(i) + " does not come after the one before");
}

TiltNow TiltProfile::at(double seconds) const
{
    if (seconds <= keyframes_.front().seconds) return {keyframes_.front().x, keyframes_.front().y};
    for (std::size_t i = 1; i < keyframes_.size(); ++i) {
        const TiltKeyframe& a = keyframes_[i - 1];
        const TiltKeyframe& b = keyframes_[i];
        if (seconds > b.seconds) continue;
        const double share = (seconds - a.seconds) / (b.seconds - a.seconds);
        return {a.x + (b.x - a.x) * share, a.y + (b.y - a.y) * share};
    }
    return {keyframes_.back().x, keyframes_.back().y};
}

}  // namespace tools
