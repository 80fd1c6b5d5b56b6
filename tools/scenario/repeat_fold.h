// Keeps a stream of stamped lines short for a person: a line that repeats
// the one `period` lines before it (the same console line again for period
// 1, LEDs blinking between two states for period 2) is held back, and when
// the repeats end they are told as one line that counts them (a single
// repeat is simply told).
#ifndef TOOLS_SCENARIO_REPEAT_FOLD_H
#define TOOLS_SCENARIO_REPEAT_FOLD_H

#include <deque>
#include <string>
#include <vector>

#include "core/time.h"

namespace tools {

struct StampedLine {
    sim::Nanoseconds time;
    std::string text;
    bool operator==(const StampedLine&) const = default;
};

class RepeatFold {
public:
    // period: 1 or more.
    explicit RepeatFold(std::size_t period);

    // What to tell now: the line itself, or the end of the repeats before it
    // and the line, or nothing while it repeats.
    std::vector<StampedLine> add(sim::Nanoseconds time, const std::string& text);
    // Ends the repeats held back so far.
    std::vector<StampedLine> flush();

private:
    std::size_t period_;
    std::deque<std::string> recent_;  // the last `period` lines, oldest first
    sim::Nanoseconds last_time_ = 0;
    bool folding_ = false;
    unsigned repeats_ = 0;
    sim::Nanoseconds interval_ = 0;
    StampedLine last_repeat_{0, ""};
};

}  // namespace tools

#endif
