#include "time_label.h"

#include <cinttypes>
#include <cstdio>

namespace tools {

std::string time_label(sim::Nanoseconds time)
{
    const std::uint64_t ms = time / 1000000u;
    const std::uint64_t hours = ms / 3600000u;
    const std::uint64_t minutes = ms / 60000u % 60u;
    const std::uint64_t seconds = ms / 1000u % 60u;
    const std::uint64_t millis = ms % 1000u;
    char text[48];
    if (hours > 0)
        std::snprintf(text, sizeof text, "%" PRIu64 ":%02" PRIu64 ":%02" PRIu64 ".%03" PRIu64, hours, minutes,
                      seconds, millis);
    else
        std::snprintf(text, sizeof text, "%" PRIu64 ":%02" PRIu64 ".%03" PRIu64, minutes, seconds, millis);
    return text;
}

}  // namespace tools
