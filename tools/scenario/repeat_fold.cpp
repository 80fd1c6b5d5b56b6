#include "repeat_fold.h"

#include <cstdio>

namespace tools {

RepeatFold::RepeatFold(std::size_t period) : period_(period == 0 ? 1 : period) {}

std::vector<StampedLine> RepeatFold::add(sim::Nanoseconds time, const std::string& text)
{
    const bool repeat = recent_.size() == period_ && recent_.front() == text;
    std::vector<StampedLine> out;
    if (folding_ && !repeat) out = flush();
    if (repeat) {
        if (!folding_) {
            folding_ = true;
            repeats_ = 0;
            interval_ = time - last_time_;
        }
        ++repeats_;
        last_repeat_ = {time, text};
    } else {
        out.push_back({time, text});
    }
    recent_.push_back(text);
    if (recent_.size() > period_) recent_.pop_front();
    last_time_ = time;
    return out;
}

std::vector<StampedLine> RepeatFold::flush()
{
    if (!folding_) return {};
    folding_ = false;
    if (repeats_ == 1) return {last_repeat_};
    char text[96];
    std::snprintf(text, sizeof text, "(%s %u times more, every %.3f s)", period_ == 1 ? "the same" : "the last two",
                  repeats_, static_cast<double>(interval_) / 1e9);
    return {{last_repeat_.time, text}};
}

}  // namespace tools
