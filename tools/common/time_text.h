// Virtual time as a person reads it, the same in every tool: a moment as a
// clock shows it and a span in words.
#ifndef TOOLS_COMMON_TIME_TEXT_H
#define TOOLS_COMMON_TIME_TEXT_H

#include <string>

#include "core/time.h"

namespace tools {

// "m:ss.mmm" under an hour, "h:mm:ss.mmm" from then on, with `decimals`
// (0 to 3) places of the second, truncated.
std::string clock_text(sim::Nanoseconds time, int decimals = 3);

// "3 min 20 s", "1.250 s", "2 h 0 min 5 s", "3 d 2 h 0 min": a span, to the
// millisecond while it is under a minute.
std::string duration_text(sim::Nanoseconds span);

}  // namespace tools

#endif
